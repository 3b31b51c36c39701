// A plan checked whole against one scan: each problem with its line, the
// warnings of controllers the plan leaves alone, each row's change, and the
// scan reply that confirms it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "site/plan_check.h"
#include "test_records.h"

using namespace kestrel;

namespace {

DeviceRecord controller(std::string mac, std::string ip) {
    return kestrel::testing::controllerRecord(std::move(mac), std::move(ip));
}

const AdapterEntry kPc{"eth1", "192.168.0.10", "00:1a:2b:ff:ff:01", "eth1"};

// The segment every case is checked against.
struct Segment {
    DeviceList scan;
    std::vector<DeviceRecord> replies;  // as they arrived, the dropped ones too
    Segment() {
        DeviceRecord dhcp = controller("00:1a:2b:00:00:03", "169.254.3.4");
        dhcp.ip_type = 0;
        dhcp.subnet_mask = "255.255.0.0";
        dhcp.gateway = "";
        DeviceRecord forged = controller("00:1a:2b:00:00:01", "192.168.0.21");
        forged.gateway = "192.168.0.66";
        replies = {controller("00:1a:2b:00:00:01", "192.168.0.21"),
                   forged,
                   controller("00:1a:2b:00:00:02", "192.168.0.22"),
                   dhcp,
                   controller("00:1a:2b:00:00:04", "192.168.0.24"),
                   controller("00:1a:2b:00:00:05", "192.168.0.25"),
                   controller("00:1a:2b:00:00:05", "10.0.0.25")};
        for (const auto& r : replies) scan.add(r);
    }
    PlanCheck check(const std::string& csv) const {
        std::istringstream in(csv);
        const PlanFile plan = readPlan(in);
        PlanReplies seen(plan);
        for (const auto& r : replies) seen.see(r);
        return checkPlan(plan, scan, seen, kPc);
    }
};

std::vector<std::string> errorsOf(const PlanCheck& check) {
    std::vector<std::string> out;
    for (const auto& p : check.problems)
        if (p.error) out.push_back(std::to_string(p.line) + ": " + p.text);
    return out;
}

}  // namespace

TEST(PlanCheck, EveryProblemWithItsLine) {
    const Segment segment;
    const struct {
        const char* what;
        std::string csv;
        std::vector<std::string> errors;
    } cases[] = {
        {"a good plan",
         "mac,ip,gateway\n00:1a:2b:00:00:01,192.168.0.31,192.168.0.1\n001a2b000003,,\n",
         {}},
        {"a MAC not on the segment",
         "mac\n00:1a:2b:00:00:99\n",
         {"2: no controller 00:1a:2b:00:00:99 answered the scan"}},
        {"a MAC at two addresses",
         "mac\n00:1a:2b:00:00:05\n",
         {"2: 00:1a:2b:00:00:05 answers at 192.168.0.25 and 10.0.0.25: a request names it by its "
          "MAC, so each would take it"}},
        {"two rows, one address",
         "mac,ip,gateway\n00:1a:2b:00:00:01,192.168.0.40,192.168.0.1\n00:1a:2b:00:00:02,192.168.0."
         "40\n",
         {"2: ip 192.168.0.40 would also be the address of 00:1A:2B:00:00:02 (line 3)",
          "3: ip 192.168.0.40 would also be the address of 00:1A:2B:00:00:01 (line 2)"}},
        {"the address of a controller left as it is",
         "mac,ip\n00:1a:2b:00:00:02,192.168.0.24\n",
         {"2: ip 192.168.0.24 would also be the address of 00:1A:2B:00:00:04 (not in the plan)"}},
        {"an address that its holder leaves only later",
         "mac,ip,gateway\n00:1a:2b:00:00:02,192.168.0.21,\n"
         "00:1a:2b:00:00:01,192.168.0.32,192.168.0.1\n",
         {"2: ip 192.168.0.21 is held by 00:1A:2B:00:00:01 until line 3, which comes later: put "
          "line 3 first"}},
        {"an address that its holder has left before",
         "mac,ip,gateway\n00:1a:2b:00:00:01,192.168.0.32,192.168.0.1\n00:1a:2b:00:00:02,192.168.0."
         "21,\n",
         {}},
        {"the PC's own address, network and broadcast addresses",
         "mac,ip\n00:1a:2b:00:00:02,192.168.0.10\n00:1a:2b:00:00:04,192.168.0.0\n",
         {"2: ip 192.168.0.10 is this PC's own address (adapter eth1)",
          "3: ip 192.168.0.0 is the network address of 192.168.0.0/24"}},
        {"a broadcast address under a wider mask",
         "mac,ip,mask,gateway\n00:1a:2b:00:00:02,10.1.255.255,255.255.0.0,10.1.0.1\n",
         {"2: ip 10.1.255.255 is the broadcast address of 10.1.0.0/16"}},
        {"a mask with a hole, a gateway outside the subnet",
         "mac,mask,gateway\n00:1a:2b:00:00:02,255.0.255.0,\n00:1a:2b:00:00:04,,192.168.1.1\n",
         {"2: mask 255.0.255.0 is not contiguous",
          "3: gateway 192.168.1.1 is outside its subnet 192.168.0.0/24"}},
        {"static at the link-local address that DHCP left",
         "mac,mode\n00:1a:2b:00:00:03,static\n",
         {"2: ip 169.254.3.4 is link-local (169.254.0.0/16), what a controller takes when no DHCP "
          "server answers: give the row an ip"}},
        {"addresses for a controller on DHCP",
         "mac,mode,ip\n00:1a:2b:00:00:02,dhcp,192.168.0.42\n00:1a:2b:00:00:03,,192.168.0.43\n",
         {"2: ip, mask, gateway, dns1 and dns2 are given, but the mode is dhcp (its server gives "
          "them): set mode to static or leave them empty",
          "3: ip, mask, gateway, dns1 and dns2 are given, but the mode is dhcp (its server gives "
          "them): set mode to static or leave them empty"}},
        {"replies that disagree on a setting the row leaves",
         "mac,ip\n00:1a:2b:00:00:01,192.168.0.31\n",
         {"2: the scan holds replies for it that disagree on gateway (one may be forged): fill in "
          "that column"}},
        {"cells that do not read stay problems",
         "mac,ip\n00:1a:2b:00:00:02,10.0.0.256\n",
         {"2: ip \"10.0.0.256\" is not an IPv4 address"}},
    };
    for (const auto& c : cases) {
        const PlanCheck check = segment.check(c.csv);
        EXPECT_EQ(errorsOf(check), c.errors) << c.what;
        EXPECT_EQ(check.refused(), !c.errors.empty()) << c.what;
    }

    // The controllers the plan leaves alone are checked among themselves,
    // and only warned about.
    const PlanCheck check =
        segment.check("mac,ip,gateway\n00:1a:2b:00:00:01,192.168.0.31,192.168.0.1\n");
    std::vector<std::string> warnings;
    for (const auto& p : check.problems)
        if (!p.error) warnings.push_back(std::to_string(p.line) + ": " + p.text);
    const std::string outside =
        "outside this PC's subnet 192.168.0.x: its web page cannot be opened from here; move it "
        "into 192.168.0.x (netcfg) or give this PC an address in ";
    EXPECT_EQ(
        warnings,
        (std::vector<std::string>{
            "0: 00:1A:2B:00:00:03 at 169.254.3.4 (not in the plan): no DHCP server "
            "answered: 169.254.3.4 is a link-local address",
            "0: 00:1A:2B:00:00:03 at 169.254.3.4 (not in the plan): " + outside + "169.254.3.x",
            "0: 00:1A:2B:00:00:05 at 192.168.0.25 (not in the plan): this MAC also answers "
            "at 10.0.0.25",
            "0: 00:1A:2B:00:00:05 at 10.0.0.25 (not in the plan): this MAC also answers at "
            "192.168.0.25",
            "0: 00:1A:2B:00:00:05 at 10.0.0.25 (not in the plan): gateway 192.168.0.1 is "
            "outside its subnet 10.0.0.0/24",
            "0: 00:1A:2B:00:00:05 at 10.0.0.25 (not in the plan): " + outside + "10.0.0.x"}));
    EXPECT_FALSE(check.refused());
}

TEST(PlanCheck, EachRowsChangeAndTheReplyThatConfirmsIt) {
    const Segment segment;
    const PlanCheck check = segment.check(
        "mac,mode,ip,gateway,https,http_port\n"
        "00:1a:2b:00:00:02,,192.168.0.32,,off,\n"
        "00:1a:2b:00:00:03,static,192.168.0.33,,,\n"
        "00:1a:2b:00:00:04,dhcp,,,,\n"
        "00:1a:2b:00:00:01,static,192.168.0.21,192.168.0.1,on,80\n");
    ASSERT_EQ(errorsOf(check), std::vector<std::string>{});
    ASSERT_EQ(check.steps.size(), 4u);
    const struct {
        std::vector<SettingDiff> diffs;
        DeviceRecord after;  // what the controller answers once it is done
    } rows[] = {
        {{{Setting::Ip, "192.168.0.22", "192.168.0.32"}, {Setting::Https, "on", "off"}},
         [] {
             DeviceRecord r = controller("00:1A:2B:00:00:02", "192.168.0.32");
             r.https_enabled = 0;
             return r;
         }()},
        {{{Setting::Mode, "dhcp", "static"}, {Setting::Ip, "169.254.3.4", "192.168.0.33"}},
         [] {
             DeviceRecord r = controller("00:1a:2b:00:00:03", "192.168.0.33");
             r.subnet_mask = "255.255.0.0";
             r.gateway = "";
             return r;
         }()},
        // The server gives a DHCP controller its address: only the mode is compared.
        {{{Setting::Mode, "static", "dhcp"}},
         [] {
             DeviceRecord r = controller("00:1a:2b:00:00:04", "192.168.0.99");
             r.ip_type = 0;
             r.gateway = "192.168.0.254";
             return r;
         }()},
        {{}, controller("00:1a:2b:00:00:01", "192.168.0.21")},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const PlanStep& step = check.steps[i];
        EXPECT_EQ(step.diffs, rows[i].diffs) << step.line;
        EXPECT_EQ(step.already(), rows[i].diffs.empty()) << step.line;
        EXPECT_TRUE(showsPlan(rows[i].after, step)) << step.line;
        EXPECT_EQ(showsPlan(step.record, step), step.already()) << step.line;
        DeviceRecord other = rows[i].after;
        other.mac = "00:1a:2b:00:00:77";
        EXPECT_FALSE(showsPlan(other, step)) << step.line;
    }
    EXPECT_EQ(check.steps[1].values.new_ip, "192.168.0.33");
    EXPECT_EQ(check.steps[1].values.current_ip, "169.254.3.4");  // sent to where it is now
    EXPECT_TRUE(check.steps[1].values.is_static);
}
