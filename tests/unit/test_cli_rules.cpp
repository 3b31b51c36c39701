// The CLI's own rules: batch file rows, brand names, the values a network
// change keeps and target lookup.
#include <gtest/gtest.h>

#include <sstream>

#include "apply_command.h"
#include "device_commands.h"
#include "target.h"
#include "test_records.h"

using namespace fendrix_cli;
using namespace kestrel;

namespace {
DeviceRecord record(std::string mac, std::string ip) {
    return kestrel::testing::controllerRecord(std::move(mac), std::move(ip));
}
}  // namespace

TEST(CliApply, BrandsByNameCodeOrNumberInAnyCase) {
    EXPECT_EQ(oemIndexFor("MARLO #1"), 2);
    EXPECT_EQ(oemIndexFor("marlo2"), 3);
    EXPECT_EQ(oemIndexFor(" zant "), 7);
    EXPECT_EQ(oemIndexFor("6"), 6);
    EXPECT_EQ(oemIndexFor("8"), std::nullopt);
    EXPECT_EQ(oemIndexFor(""), std::nullopt);
}

TEST(CliApply, CsvRowsSkipHeaderCommentsAndBlanksAndFlagBadRows) {
    std::istringstream in(
        "target,brand,new MAC\n"
        "# line 2 is a comment\n"
        "\n"
        "00:1a:2b:3c:4d:01, MARLO #1 ,00 1a 2b 3c 4d 99\r\n"
        "192.168.0.22,\"QEL\",\"AB12-00:1A:2B:3C:4D:5E\"\n"
        "192.168.0.23,NOPE,001a2b3c4d5e\n"
        "192.168.0.24,ZANT,00.1a.2b.3c.4d.5e\n"
        "192.168.0.25,ZANT\n");
    const auto jobs = readApplyCsv(in);
    ASSERT_EQ(jobs.size(), 5u);
    EXPECT_EQ(jobs[0].target, "00:1a:2b:3c:4d:01");
    EXPECT_EQ(jobs[0].oem_index, 2);
    EXPECT_EQ(jobs[0].new_mac, "00:1a:2b:3c:4d:99");
    EXPECT_TRUE(jobs[0].problem.empty());
    EXPECT_EQ(jobs[1].oem_index, 4);
    EXPECT_EQ(jobs[1].new_mac, "00:1A:2B:3C:4D:5E");
    EXPECT_NE(jobs[2].problem.find("NOPE"), std::string::npos);
    EXPECT_EQ(jobs[3].problem, "Enter your Mac address correctly !");
    EXPECT_NE(jobs[4].problem.find("line 8"), std::string::npos);
    EXPECT_EQ(jobs[4].line, 8u);
}

TEST(CliApply, ByteOrderMarkReadsLikeNoneAndRepeatedNewMacsAreNamed) {
    const struct {
        const char* what;
        std::string csv;
        std::size_t jobs;
        std::string repeated;  // empty: none
    } cases[] = {
        {"header after a byte-order mark",
         "\xEF\xBB\xBFtarget,brand,new MAC\n10.0.0.1,QEL,001a2b3c4d01\n", 1, ""},
        {"row after a byte-order mark",
         "\xEF\xBB\xBF"
         "10.0.0.1,QEL,001a2b3c4d01\n",
         1, ""},
        {"one new MAC twice, any case and form",
         "10.0.0.1,QEL,00:1a:2b:3c:4d:01\n10.0.0.2,QEL,00:1a:2b:3c:4d:02\n"
         "10.0.0.3,ZANT,001A2B3C4D01\n",
         3, "lines 1 and 3 would both write the MAC 00:1A:2B:3C:4D:01"},
        {"keeping the own MAC twice is no repeat", "10.0.0.1,QEL,\n10.0.0.2,QEL,\n", 2, ""},
        {"a refused row is not compared", "10.0.0.1,NOPE,001a2b3c4d01\n10.0.0.2,QEL,001a2b3c4d01\n",
         2, ""},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.csv);
        const auto jobs = readApplyCsv(in);
        ASSERT_EQ(jobs.size(), c.jobs) << c.what;
        EXPECT_TRUE(jobs.front().problem.empty() || c.repeated.empty()) << c.what;
        EXPECT_EQ(repeatedNewMac(jobs).value_or(""), c.repeated) << c.what;
    }
}

TEST(CliApply, TwoRowsForOneControllerAreNamed) {
    std::vector<ApplyJob> jobs(3);
    for (std::size_t i = 0; i < jobs.size(); ++i) jobs[i].line = i + 2;
    const auto a = record("00:1a:2b:3c:4d:01", "192.168.0.21");
    const auto b = record("00:1a:2b:3c:4d:02", "192.168.0.22");
    const auto aUpper = record("00:1A:2B:3C:4D:01", "192.168.0.21");
    const struct {
        std::vector<std::optional<DeviceRecord>> records;
        std::string same;  // empty: none
    } cases[] = {
        {{a, b, std::nullopt}, ""},
        {{a, std::nullopt, aUpper}, "lines 2 and 4 name the same controller 00:1A:2B:3C:4D:01"},
        {{std::nullopt, b, b}, "lines 3 and 4 name the same controller 00:1a:2b:3c:4d:02"},
        {{std::nullopt, std::nullopt, std::nullopt}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(sameControllerRows(jobs, c.records).value_or(""), c.same);
}

TEST(CliNetcfg, DisputedSettingsMustBeGivenOnTheLine) {
    CarriedSettings all;
    all.set();
    NetcfgArgs none;
    NetcfgArgs every;
    every.change.is_static = true;
    every.change.mask = every.change.gateway = every.change.dns1 = every.change.dns2 =
        every.change.server_ip = "10.0.0.1";
    every.change.https = false;
    every.change.http_port = every.change.https_port = 1;
    NetcfgArgs gatewayOnly;
    gatewayOnly.change.gateway = "10.0.0.1";
    CarriedSettings gatewayAndDns;
    gatewayAndDns.set(static_cast<std::size_t>(CarriedSetting::Gateway));
    gatewayAndDns.set(static_cast<std::size_t>(CarriedSetting::Dns1));
    const struct {
        CarriedSettings disputed;
        const NetcfgArgs& args;
        std::vector<std::string> undecided;
    } cases[] = {
        {{}, none, {}},
        {all, every, {}},
        {gatewayAndDns, gatewayOnly, {"--dns1"}},
        {gatewayAndDns, none, {"--gateway", "--dns1"}},
        {all,
         none,
         {"--dhcp or --static", "--mask", "--gateway", "--dns1", "--dns2", "--server-ip", "--https",
          "--http-port", "--https-port"}},
    };
    for (const auto& c : cases) EXPECT_EQ(undecidedSettings(c.disputed, c.args), c.undecided);
}

TEST(CliNetcfg, UnsetValuesKeepTheControllersOwn) {
    DeviceRecord r = record("00:1A:2B:3C:4D:01", "192.168.0.21");
    NetcfgArgs args;
    args.user = "admin";
    args.password = "pw";
    const auto kept = netcfgValues(r, args);
    EXPECT_EQ(kept.target_mac, "00:1a:2b:3c:4d:01");
    EXPECT_EQ(kept.current_ip, "192.168.0.21");
    EXPECT_TRUE(kept.is_static);
    EXPECT_EQ(kept.new_ip, "192.168.0.21");
    EXPECT_EQ(kept.subnet_mask, "255.255.255.0");
    EXPECT_EQ(kept.dns2, "0.0.0.0");  // empty on the controller: a blank field
    EXPECT_EQ(kept.server_ip, "0.0.0.0");
    EXPECT_TRUE(kept.https);
    EXPECT_EQ(kept.http_port, 80);
    EXPECT_EQ(kept.https_port, 443);

    args.change.ip = "10.0.0.5";
    args.change.is_static = false;
    args.change.https = false;
    args.change.http_port = 8080;
    const auto changed = netcfgValues(r, args);
    EXPECT_EQ(changed.new_ip, "10.0.0.5");
    EXPECT_EQ(changed.current_ip, "192.168.0.21");  // sent to where it is now
    EXPECT_FALSE(changed.is_static);
    EXPECT_FALSE(changed.https);
    EXPECT_EQ(changed.http_port, 8080);
    EXPECT_EQ(changed.https_port, 443);
}

TEST(CliNetcfg, AddressFieldsAreFourPlainNumbers) {
    EXPECT_EQ(addressField("010.000.001.002"), "10.0.1.2");
    EXPECT_EQ(addressField(""), "0.0.0.0");
    EXPECT_EQ(addressField("256.1.1.1"), "0.0.0.0");
    EXPECT_EQ(addressField("1.2.3"), "0.0.0.0");
}

TEST(CliTarget, ByMacInAnyCaseOrByIpAndNeverAGuess) {
    DeviceList list;
    list.add(record("00:1a:2b:3c:4d:01", "192.168.0.21"));
    list.add(record("00:1a:2b:3c:4d:02", "192.168.0.22"));
    list.add(record("00:1a:2b:3c:4d:02", "169.254.1.1"));  // same MAC, second address
    std::string problem;
    ASSERT_TRUE(findTarget(list, "00:1A:2B:3C:4D:01", problem));
    EXPECT_EQ(findTarget(list, "192.168.0.22", problem)->ip, "192.168.0.22");
    EXPECT_FALSE(findTarget(list, "00:1a:2b:3c:4d:02", problem));
    EXPECT_NE(problem.find("2 controllers"), std::string::npos);
    EXPECT_FALSE(findTarget(list, "00:1a:2b:3c:4d:09", problem));
    EXPECT_NE(problem.find("no controller"), std::string::npos);
}
