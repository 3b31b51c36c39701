// Plan files as a spreadsheet saves them: columns, cells, spellings, and the
// plan that a scan writes reading back.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "site/plan_check.h"
#include "site/plan_file.h"
#include "test_records.h"

using namespace kestrel;

namespace {

PlanFile read(const std::string& text) {
    std::istringstream in(text);
    return readPlan(in);
}

std::string problemsOf(const PlanFile& plan) {
    std::string out;
    for (const auto& p : plan.problems)
        out += std::to_string(p.line) + (p.error ? " error: " : " warning: ") + p.text + "\n";
    return out;
}

}  // namespace

TEST(PlanFile, CellsReadOrAreNamedWithTheirLine) {
    const struct {
        const char* what;
        std::string csv;
        std::size_t rows;
        std::string problems;  // every problem, one per line
    } cases[] = {
        {"any MAC spelling, a byte-order mark, columns in any case and order",
         "\xEF\xBB\xBFIP,Mac,Mode\n192.168.0.5,00-1A-2B-00-00-01,STATIC\n"
         "\"192.168.0.6\",001a2b000002,dhcp\r\n",
         2, ""},
        {"empty cells, missing columns, blank and comment lines, trailing empty cells",
         "mac,ip,https\n# a note\n\n00:1a:2b:00:00:01,,\n,,\n00:1a:2b:00:00:02,,on,,\n", 2, ""},
        {"semicolons where the header has no comma",
         "mac;ip;http_port\n001a2b000001;10.0.0.5;8080\n", 1, ""},
        {"unknown and repeated columns, no mac column", "ip,ip,color\n10.0.0.5,10.0.0.6,red\n", 0,
         "1 error: column ip appears twice\n"
         "1 error: unknown column \"color\" (the columns are mac, mode, ip, mask, gateway, dns1, "
         "dns2, server_ip, http_port, https_port, https)\n"
         "1 error: no column mac, which names each controller\n"},
        {"every cell that does not read",
         "mac,mode,ip,mask,http_port,https\n"
         "00:1a:2b:00:00:0g,fixed,192.168.000.010,255.255.255.0x,65536,yes\n"
         ",static,10.0.0.1,,80,off\n"
         "00:1a:2b:00:00:03,static,10.0.0.3,,80,off,extra\n",
         0,
         "2 error: mac \"00:1a:2b:00:00:0g\" is not a MAC address\n"
         "2 error: mode \"fixed\" is neither static nor dhcp\n"
         "2 error: ip 192.168.000.010 has leading zeros (write 192.168.0.10)\n"
         "2 error: mask \"255.255.255.0x\" is not an IPv4 address\n"
         "2 error: http_port \"65536\" is not a port (0 to 65535)\n"
         "2 error: https \"yes\" is neither on nor off\n"
         "3 error: no mac\n"
         "4 error: 7 cells, but the header names 6 columns\n"},
        {"one MAC twice, in two spellings", "mac\n00:1a:2b:00:00:01\n001A2B000001\n", 1,
         "3 error: 00:1a:2b:00:00:01 is also on line 2\n"},
        {"a header alone", "mac,ip\n", 0, "0 error: the plan holds no rows\n"},
        {"nothing at all", "", 0, "0 error: the plan is empty: no header row\n"},
    };
    for (const auto& c : cases) {
        const PlanFile plan = read(c.csv);
        EXPECT_EQ(plan.rows.size(), c.rows) << c.what;
        EXPECT_EQ(problemsOf(plan), c.problems) << c.what;
    }

    const PlanFile plan =
        read("mac,mode,ip,https,http_port\n00-1A-2B-00-00-01,Static,10.0.0.5,ON,8080\n");
    ASSERT_EQ(plan.rows.size(), 1u);
    const PlanRow& row = plan.rows.front();
    EXPECT_EQ(row.line, 2u);
    EXPECT_EQ(row.mac, 0x001A2B000001ULL);
    EXPECT_EQ(row.change.is_static, true);
    EXPECT_EQ(row.change.ip, "10.0.0.5");
    EXPECT_EQ(row.change.https, true);
    EXPECT_EQ(row.change.http_port, 8080);
    EXPECT_FALSE(row.change.mask || row.change.gateway || row.change.https_port);
}

TEST(PlanFile, WhatAScanWritesReadsBackAsAlreadyDone) {
    DeviceList scan;
    scan.add(kestrel::testing::controllerRecord("00:1A:2B:00:00:01", "192.168.0.21"));
    DeviceRecord dhcp = kestrel::testing::controllerRecord("00:1a:2b:00:00:02", "192.168.0.22");
    dhcp.ip_type = 0;
    dhcp.server_ip = "10.0.0.9";
    scan.add(dhcp);
    DeviceRecord zeros = kestrel::testing::controllerRecord("00:1a:2b:00:00:03", "192.168.000.023");
    zeros.dns2 = "8.8.8.8";
    zeros.https_enabled = 0;
    scan.add(zeros);

    std::ostringstream out;
    writePlan(out, scan);
    EXPECT_EQ(out.str(),
              "mac,mode,ip,mask,gateway,dns1,dns2,server_ip,http_port,https_port,https\n"
              "00:1a:2b:00:00:01,static,192.168.0.21,255.255.255.0,192.168.0.1,192.168.0.1,,,80,"
              "443,on\n"
              "00:1a:2b:00:00:02,dhcp,,,,,,10.0.0.9,80,443,on\n"
              "00:1a:2b:00:00:03,static,192.168.0.23,255.255.255.0,192.168.0.1,192.168.0.1,8.8.8."
              "8,,80,443,off\n");

    const PlanFile plan = read(out.str());
    ASSERT_TRUE(plan.problems.empty()) << problemsOf(plan);
    const PlanReplies replies(plan);
    const PlanCheck check = checkPlan(
        plan, scan, replies, AdapterEntry{"eth0", "192.168.0.10", "00:1a:2b:ff:ff:01", "eth0"});
    ASSERT_EQ(check.steps.size(), 3u);
    for (const auto& step : check.steps) EXPECT_TRUE(step.already()) << step.line;
}
