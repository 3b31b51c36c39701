#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "discovery/device_list.h"
#include "discovery/keyed_hash.h"

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
    // std::string(prefix).append(): "text" + std::to_string() makes mingw-w64's
    // GCC 12 report a false -Wrestrict overlap.
    const auto text = [](const char* prefix, int i) {
        return std::string(prefix).append(std::to_string(i));
    };
    for (int i = 0; i < n; ++i) ASSERT_TRUE(list.add(row(text("m", i), text("10.0.0.", i % 256))));
    for (int i = 0; i < n; ++i) ASSERT_FALSE(list.add(row(text("M", i), text("10.0.0.", i % 256))));
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

TEST(DeviceList, BoundedRowsCountWhatTheyRefuse) {
    DeviceList list(3);
    const struct {
        const char* mac;
        const char* ip;
        bool added;
        std::size_t refused;
    } steps[] = {
        {"aa", "1.1.1.1", true, 0},  {"bb", "1.1.1.1", true, 0},
        {"cc", "1.1.1.1", true, 0},  {"dd", "1.1.1.1", false, 1},  // full: counted
        {"AA", "1.1.1.1", false, 1},                               // equal to a row: not counted
        {"dd", "1.1.1.1", false, 2},                               // each refusal counts
        {"ee", "2.2.2.2", false, 3},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(list.add(row(s.mac, s.ip)), s.added) << s.mac;
        EXPECT_EQ(list.refused(), s.refused) << s.mac;
    }
    EXPECT_EQ(list.size(), 3u);
    EXPECT_FALSE(list.contains(row("dd", "1.1.1.1")));
    const DeviceList copy = list;
    EXPECT_EQ(copy.refused(), 3u);
    EXPECT_EQ(copy.maxRows(), 3u);
    list.clear();
    EXPECT_EQ(list.refused(), 0u);
    EXPECT_TRUE(list.add(row("dd", "1.1.1.1")));
    EXPECT_EQ(DeviceList().maxRows(), 1'000'000u);
}

// The index hash is SipHash-2-4 under a key of the process: the reference
// vectors of its authors (key 00..0f, messages 00..n-1).
TEST(DeviceList, IndexHashIsSipHash24) {
    const SipKey key{0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull};
    const struct {
        std::size_t length;
        std::uint64_t hash;
    } vectors[] = {{0, 0x726fdb47dd0e0e31ull},
                   {1, 0x74f839c593dc67fdull},
                   {7, 0xab0200f58b01d137ull},
                   {8, 0x93f5f5799a932462ull},
                   {15, 0xa129ca6149be45e5ull}};
    for (const auto& v : vectors) {
        SipHasher h(key);
        for (std::size_t i = 0; i < v.length; ++i) h.add(static_cast<std::uint8_t>(i));
        EXPECT_EQ(h.finish(), v.hash) << v.length;
    }
}
