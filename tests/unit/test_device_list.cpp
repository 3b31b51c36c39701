#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "discovery/device_list.h"

using namespace kestrel;

namespace {
DeviceRecord row(std::string mac, std::string ip, std::uint16_t doors = 1) {
    DeviceRecord r;
    r.mac = std::move(mac);
    r.ip = std::move(ip);
    r.max_door = doors;
    return r;
}
}  // namespace

TEST(DeviceList, SameMacInAnyCaseAndSameIpIsOneRowFirstKept) {
    DeviceList list;
    EXPECT_TRUE(list.add(row("00:1a:2b:3c:4d:5e", "192.168.1.5", 1)));
    EXPECT_FALSE(list.add(row("00:1A:2B:3C:4D:5E", "192.168.1.5", 2)));
    EXPECT_FALSE(list.add(row("00:1a:2b:3c:4d:5e", "192.168.1.5", 3)));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.at(0).max_door, 1);  // never updated in place
    EXPECT_EQ(list.at(0).mac, "00:1a:2b:3c:4d:5e");
    EXPECT_TRUE(list.contains(row("00:1A:2b:3C:4d:5E", "192.168.1.5")));
}

TEST(DeviceList, IpComparedExactlyAndChangedIpIsASecondRow) {
    DeviceList list;
    EXPECT_TRUE(list.add(row("00:1a:2b:3c:4d:5e", "192.168.1.5")));
    EXPECT_TRUE(list.add(row("00:1a:2b:3c:4d:5e", "192.168.1.6")));
    EXPECT_TRUE(list.add(row("00:1a:2b:3c:4d:5e", "192.168.1.05")));  // text, not number
    EXPECT_TRUE(list.add(row("00:1a:2b:3c:4d:5f", "192.168.1.5")));
    // The key must not run MAC and IP together: "A"+"B1" differs from "AB"+"1".
    EXPECT_TRUE(list.add(row("A", "B1")));
    EXPECT_TRUE(list.add(row("AB", "1")));
    EXPECT_EQ(list.size(), 6u);
    EXPECT_EQ(list.at(1).ip, "192.168.1.6");
    EXPECT_EQ(list.at(4).mac, "A");
}

TEST(DeviceList, ClearEmptiesRowsAndIndex) {
    DeviceList list;
    list.add(row("aa", "1.1.1.1"));
    list.add(row("bb", "1.1.1.1"));
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.contains(row("aa", "1.1.1.1")));
    EXPECT_TRUE(list.add(row("bb", "1.1.1.1")));
    EXPECT_EQ(list.at(0).mac, "bb");
}

TEST(DeviceList, ManyRowsKeepInsertionOrderAndFindEveryDuplicate) {
    DeviceList list;
    constexpr int n = 5000;
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(list.add(row("m" + std::to_string(i), "10.0.0." + std::to_string(i % 256))));
    for (int i = 0; i < n; ++i)
        ASSERT_FALSE(list.add(row("M" + std::to_string(i), "10.0.0." + std::to_string(i % 256))));
    ASSERT_EQ(list.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; i += 997)
        EXPECT_EQ(list.at(static_cast<std::size_t>(i)).mac, "m" + std::to_string(i));
}

TEST(DeviceList, EarlierRowsStayInPlaceAsRowsAreAddedAndPastTheEndThrows) {
    DeviceList list;
    list.add(row("first", "1.1.1.1", 7));
    const DeviceRecord& first = list.at(0);
    for (int i = 0; i < 3000; ++i) {
        std::string mac = "r";
        mac += std::to_string(i);
        list.add(row(mac, "2.2.2.2"));
    }
    EXPECT_EQ(&first, &list.at(0));  // the window keeps references across insertions
    EXPECT_EQ(first.max_door, 7);
    EXPECT_EQ(list.at(3000).mac, "r2999");
    EXPECT_THROW(list.at(3001), std::out_of_range);
    list.clear();
    EXPECT_THROW(list.at(0), std::out_of_range);
}
