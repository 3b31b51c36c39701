// The production run's per-unit cycle over a simulated line and a real
// journal in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "factory/oem_mac_request.h"
#include "journal_dir_test.h"
#include "production/producer.h"
#include "wire/byte_io.h"
#include "wire/protocol.h"

using namespace kestrel;

namespace {

constexpr MacValue kFirst = 0x001A2B000010ULL;
constexpr int kQel = 4;
std::string mac(MacValue offset) { return macAddressText(kFirst + offset); }

enum class Fails { Refuse, Silent, AnswerLost };

struct FakeUnit {
    std::string mac, ip;
    int appears = 2;   // the scan from which it answers: plugged in after the first
    int failures = 0;  // its first N writes fail
    Fails how = Fails::Refuse;
    int writes = 0;
    int leaves = 0, returns = 0;  // unplugged from scan `leaves` until scan `returns`

    bool plugged(int scan) const {
        return scan >= appears && !(leaves > 0 && scan >= leaves && scan < returns);
    }
};

// Units that answer scans from their turn on and take OEM/MAC writes as the
// simulator does: the answer comes from the MAC the unit had when asked.
class FakeLine : public ProductionLink {
public:
    std::vector<FakeUnit> units;
    int scans = 0, lastScan = 30;  // then the line asks the run to stop
    bool sendWorks = true;
    std::function<void()> onStop;
    std::optional<std::pair<std::string, ApplyReply>> answer;  // sender, answer

    std::optional<std::vector<SeenController>> scan() override {
        if (++scans >= lastScan && onStop) onStop();
        std::vector<SeenController> seen;
        for (const auto& u : units)
            if (u.plugged(scans)) seen.push_back({u.mac, u.ip});
        return seen;
    }
    bool send(std::span<const std::uint8_t> request, const std::string&) override {
        if (!sendWorks) return false;
        const ByteReader r(request);
        const auto target = r.text(hdr::Target, hdr::TargetWidth);
        const auto newMac = r.text(oem_mac::NewMac, oem_mac::NewMacWidth);
        answer.reset();
        for (auto& u : units) {
            if (u.mac != *target || !u.plugged(scans)) continue;
            const bool failing = u.writes++ < u.failures;
            if (!failing || u.how == Fails::AnswerLost) u.mac = *newMac;
            if (!failing || u.how == Fails::Refuse)
                answer = {*target, ApplyReply{*newMac, 2, std::uint8_t(failing ? 0 : 2), kQel}};
        }
        return true;
    }
    std::optional<ApplyReply> awaitApply(const std::string& controllerMac) override {
        if (!answer || answer->first != controllerMac) return std::nullopt;
        return std::exchange(answer, std::nullopt)->second;
    }
};

ProducerSettings anyUnit() {
    ProducerSettings s;
    s.any_unit = true;
    return s;
}

class ProducerTest : public fendrix::testing::JournalDirTest {
protected:
    ProductionEnd run(FakeLine& line, MacValue count, ProducerSettings s = anyUnit()) {
        Journal journal(path_, {kFirst, kFirst + count - 1}, kQel);
        s.oem_index = kQel;
        s.adapter = "veth0";
        s.adapter_mac = "aa:bb:cc:dd:ee:ff";
        Producer producer(journal, line, s, [this](const ProductionEvent& e) {
            events_.push_back(std::string(stepName(e.step)) + " " + e.unit_mac);
        });
        line.onStop = [&producer] { producer.stop(); };
        return producer.run();
    }
    // "old MAC -> new MAC state" per allocation, in order.
    std::vector<std::string> allocations() const {
        std::vector<std::string> out;
        for (const auto& a : readJournal(path_).allocations)
            out.push_back(a.unit.old_mac + " -> " + a.new_mac + " " +
                          std::string(stateName(a.state)));
        return out;
    }

    std::vector<std::string> events_;
};

const std::string kUnit1 = "02:fc:00:00:00:01", kUnit2 = "02:fc:00:00:00:02";

ProducerSettings expecting(const std::string& factoryMac) {
    ProducerSettings s;
    s.expect = {*parseMacAddress(factoryMac)};
    return s;
}

ProducerSettings expectingPrefix(const std::string& prefix) {
    ProducerSettings s;
    s.expect_prefixes = {*parseMacPrefix(prefix)};
    return s;
}

struct LineCase {
    const char* name;
    std::vector<FakeUnit> units;
    ProducerSettings settings;
    std::vector<std::string> want;
};

TEST_F(ProducerTest, EachUnitGetsTheNextAddressOnceAndFailuresBurnTheirs) {
    const LineCase cases[] = {
        {"two good units, one plugged in later",
         {{kUnit1, "192.168.0.150"}, {kUnit2, "169.254.250.1", 5}},
         anyUnit(),
         {kUnit1 + " -> " + mac(0) + " confirmed", kUnit2 + " -> " + mac(1) + " confirmed"}},
        {"a refusal, then the retry takes the next address",
         {{kUnit1, "192.168.0.150", 2, 1}},
         anyUnit(),
         {kUnit1 + " -> " + mac(0) + " unconfirmed", kUnit1 + " -> " + mac(1) + " confirmed"}},
        {"a silent unit gets its attempts, then the next unit goes on",
         {{kUnit1, "192.168.0.150", 2, 9, Fails::Silent}, {kUnit2, "192.168.0.151", 3}},
         anyUnit(),
         {kUnit1 + " -> " + mac(0) + " unconfirmed", kUnit1 + " -> " + mac(1) + " unconfirmed",
          kUnit2 + " -> " + mac(2) + " confirmed"}},
        {"a lost answer is confirmed by the scan",
         {{kUnit1, "192.168.0.150", 2, 1, Fails::AnswerLost}},
         anyUnit(),
         {kUnit1 + " -> " + mac(0) + " confirmed"}},
        {"a controller on the line before the run began is left alone",
         {{kUnit1, "192.168.0.150", 1}},
         anyUnit(),
         {}},
        {"a unit there when the run began, unplugged and plugged in again, is produced",
         {{kUnit1, "192.168.0.150", 1, 0, Fails::Refuse, 0, 2, 4}},
         anyUnit(),
         {kUnit1 + " -> " + mac(0) + " confirmed"}},
        {"only expected factory MACs are produced, also those there before",
         {{kUnit1, "192.168.0.150", 1}, {"00:1a:2b:99:00:01", "192.168.0.20"}},
         expecting(kUnit1),
         {kUnit1 + " -> " + mac(0) + " confirmed"}},
        {"only units of an expected prefix are produced, also those there before",
         {{kUnit1, "192.168.0.150", 1}, {"00:1a:2b:99:00:01", "192.168.0.20"}},
         expectingPrefix("02-FC-00"),
         {kUnit1 + " -> " + mac(0) + " confirmed"}},
        {"without a trust named, no unit is produced", {{kUnit1, "192.168.0.150"}}, {}, {}},
        {"two units with one MAC are left alone",
         {{kUnit1, "192.168.0.150"}, {kUnit1, "192.168.0.151"}},
         anyUnit(),
         {}},
        {"a unit already carrying an address of the range is left alone",
         {{mac(5), "192.168.0.150"}},
         anyUnit(),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path_);
        FakeLine line;
        line.units = c.units;
        EXPECT_EQ(run(line, 10, c.settings), ProductionEnd::Stopped);
        EXPECT_EQ(allocations(), c.want);
    }
}

// Made-up units answer nothing: after three of them in a row the run stops
// rather than burn the range; any unit that answers ends the row.
TEST_F(ProducerTest, UnitsThatNeverAnswerStopTheRunAfterThreeInARow) {
    auto silent = [](int n) {
        return FakeUnit{"02:ba:d0:00:00:0" + std::to_string(n), "10.66.0." + std::to_string(n), 2,
                        99, Fails::Silent};
    };
    const FakeUnit good{kUnit2, "192.168.0.151"};
    const struct {
        const char* name;
        std::vector<FakeUnit> units;
        int attempts;
        ProductionEnd end;
        std::size_t allocations;
    } cases[] = {
        {"three silent units",
         {silent(1), silent(2), silent(3), silent(4)},
         1,
         ProductionEnd::Suspicious,
         3},
        {"a silent unit's attempts count as one unit",
         {silent(1), silent(2), silent(3)},
         2,
         ProductionEnd::Suspicious,
         5},
        {"an answering unit ends the row",
         {silent(1), silent(2), good, silent(3), silent(4)},
         1,
         ProductionEnd::Stopped,
         5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path_);
        events_.clear();
        FakeLine line;
        line.units = c.units;
        ProducerSettings s = anyUnit();
        s.attempts = c.attempts;
        EXPECT_EQ(run(line, 10, s), c.end);
        EXPECT_EQ(allocations().size(), c.allocations);
        EXPECT_EQ(events_.back() == "suspicious ", c.end == ProductionEnd::Suspicious);
    }
}

TEST_F(ProducerTest, ARangeThatRunsOutEndsTheRunAndTouchesNoFurtherUnit) {
    FakeLine line;
    line.units = {{kUnit1, "192.168.0.150"}, {kUnit2, "192.168.0.151"}};
    EXPECT_EQ(run(line, 1), ProductionEnd::Exhausted);
    EXPECT_EQ(allocations(), std::vector<std::string>{kUnit1 + " -> " + mac(0) + " confirmed"});
    EXPECT_EQ(line.units[1].writes, 0);
    EXPECT_EQ(events_.back(), "exhausted ");
}

// A run killed at each step leaves an allocation that the next run settles
// by scanning before any new unit; its address is never handed out again.
TEST_F(ProducerTest, ResumedRunSettlesWhatAnEarlierRunLeftOpen) {
    struct Left {
        const char* name;
        int steps;     // 1 allocated, 2 sent, 3 answered
        bool applied;  // the unit took the address before the kill
        std::vector<std::string> want;
    };
    const Left cases[] = {
        {"killed after allocating",
         1,
         false,
         {kUnit1 + " -> " + mac(0) + " unconfirmed", kUnit1 + " -> " + mac(1) + " confirmed"}},
        {"killed after sending", 2, true, {kUnit1 + " -> " + mac(0) + " confirmed"}},
        {"killed after the answer", 3, true, {kUnit1 + " -> " + mac(0) + " confirmed"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path_);
        {
            Journal earlier(path_, {kFirst, kFirst + 9}, kQel);
            auto a = earlier.allocate({"veth0", kUnit1, "192.168.0.150"});
            const auto req =
                buildOemMacRequest("aa:bb:cc:dd:ee:ff", kUnit1, "192.168.0.150", kQel, a.newMac());
            if (c.steps >= 2) earlier.recordSent(a, req);
            if (c.steps >= 3) earlier.recordAnswer(a, {a.newMac(), 2, 2, kQel});
        }
        FakeLine line;
        line.units = {{c.applied ? mac(0) : kUnit1, "192.168.0.150"}};
        events_.clear();
        EXPECT_EQ(run(line, 10), ProductionEnd::Stopped);
        EXPECT_EQ(allocations(), c.want);
        EXPECT_EQ(events_.front(), "pending " + kUnit1);
    }
}

TEST_F(ProducerTest, StopFinishesTheUnitInHand) {
    FakeLine line;
    line.units = {{kUnit1, "192.168.0.150"}, {kUnit2, "192.168.0.151"}};
    line.lastScan = 3;  // the first confirmation scan asks for the stop
    EXPECT_EQ(run(line, 10), ProductionEnd::Stopped);
    EXPECT_EQ(allocations(), std::vector<std::string>{kUnit1 + " -> " + mac(0) + " confirmed"});
}

TEST_F(ProducerTest, AnUnsentRequestEndsTheRunWithTheAddressKeptAllocated) {
    FakeLine line;
    line.units = {{kUnit1, "192.168.0.150"}};
    line.sendWorks = false;
    EXPECT_EQ(run(line, 10), ProductionEnd::NoNetwork);
    EXPECT_EQ(allocations(), std::vector<std::string>{kUnit1 + " -> " + mac(0) + " allocated"});
}

}  // namespace
