// The problems scan --check names, one row of the table per rule, each with
// the texts the installer reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "site/segment_check.h"
#include "test_records.h"

using namespace kestrel;

namespace {

DeviceRecord controller(std::string mac, std::string ip) {
    return kestrel::testing::controllerRecord(std::move(mac), std::move(ip));
}

}  // namespace

TEST(SegmentCheck, EachProblemInWords) {
    const AdapterEntry pc{"eth1", "192.168.0.10", "00:1a:2b:ff:ff:01", "eth1"};
    DeviceRecord hole = controller("00:1a:2b:00:00:05", "192.168.0.25");
    hole.subnet_mask = "255.0.255.0";
    DeviceRecord farGateway = controller("00:1a:2b:00:00:06", "192.168.0.26");
    farGateway.gateway = "192.168.1.1";
    DeviceRecord noGateway = controller("00:1a:2b:00:00:07", "192.168.0.27");
    noGateway.gateway = "0.0.0.0";
    DeviceRecord noDhcp = controller("00:1a:2b:00:00:08", "169.254.3.4");
    noDhcp.ip_type = 0;
    noDhcp.subnet_mask = "255.255.0.0";
    noDhcp.gateway = "";
    DeviceRecord staticLinkLocal = noDhcp;
    staticLinkLocal.mac = "00:1a:2b:00:00:09";
    staticLinkLocal.ip = "169.254.3.5";
    staticLinkLocal.ip_type = 1;
    const std::string outside =
        ": its web page cannot be opened from here; move it into 192.168.0.x (netcfg) or give this "
        "PC an address in ";

    const struct {
        DeviceRecord record;
        std::vector<std::string> problems;
    } rows[] = {
        {controller("00:1a:2b:00:00:01", "192.168.0.21"),
         {"192.168.0.21 is also the address of 00:1A:2B:00:00:02"}},
        {controller("00:1a:2b:00:00:02", "192.168.0.21"),
         {"192.168.0.21 is also the address of 00:1A:2B:00:00:01"}},
        {controller("00:1a:2b:00:00:03", "192.168.0.23"), {"this MAC also answers at 10.0.0.23"}},
        {controller("00:1A:2B:00:00:03", "10.0.0.23"),
         {"this MAC also answers at 192.168.0.23",
          "gateway 192.168.0.1 is outside its subnet 10.0.0.0/24",
          "outside this PC's subnet 192.168.0.x" + outside + "10.0.0.x"}},
        {controller("00:1a:2b:00:00:04", "192.168.0.10"),
         {"192.168.0.10 is this PC's own address (adapter eth1)"}},
        {hole, {"mask 255.0.255.0 is not contiguous"}},
        {farGateway, {"gateway 192.168.1.1 is outside its subnet 192.168.0.0/24"}},
        {noGateway, {}},
        {noDhcp,
         {"no DHCP server answered: 169.254.3.4 is a link-local address",
          "outside this PC's subnet 192.168.0.x" + outside + "169.254.3.x"}},
        {staticLinkLocal, {"outside this PC's subnet 192.168.0.x" + outside + "169.254.3.x"}},
        {controller("00:1a:2b:00:00:10", "192.168.0.30"), {}},
    };
    DeviceList list;
    for (const auto& row : rows) ASSERT_TRUE(list.add(row.record));
    const auto found = segmentProblems(list, &pc);
    ASSERT_EQ(found.size(), std::size(rows));
    for (std::size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i], rows[i].problems) << rows[i].record.mac << " " << rows[i].record.ip;

    // A replayed capture has no adapter: nothing is checked against the PC.
    const auto replayed = segmentProblems(list, nullptr);
    EXPECT_EQ(replayed[4], std::vector<std::string>{});
    EXPECT_EQ(replayed[8], std::vector<std::string>{
                               "no DHCP server answered: 169.254.3.4 is a link-local address"});
}
