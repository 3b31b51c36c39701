#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "factory/oem_mac_request.h"
#include "journal_dir_test.h"
#include "production/journal.h"
#include "production/journal_export.h"

using namespace kestrel;

namespace {

constexpr MacValue kFirst = 0x001A2B000010ULL;
const MacRange kRange{kFirst, kFirst + 9};
constexpr int kQel = 4;

class JournalTest : public fendrix::testing::JournalDirTest {
protected:
    static ProductionUnit unit(int n) {
        return {"veth0", "02:FC:00:00:00:0" + std::to_string(n), "192.168.0." + std::to_string(n)};
    }
    static auto request(const MacAllocation& a) {
        return buildOemMacRequest("aa:bb:cc:dd:ee:ff", "02:fc:00:00:00:01", a.unit().old_ip, kQel,
                                  a.newMac());
    }
    // The whole cycle of one unit that the controller applied and a scan confirmed.
    static void produce(Journal& j, int n) {
        auto a = j.allocate(unit(n));
        j.recordSent(a, request(a));
        j.recordAnswer(a, {a.newMac(), 2, 2, kQel});
        j.recordConfirmation(a, true);
    }
    // Runs `steps` in a child process and kills it there with SIGKILL, as an
    // operator's kill -9 or a power cut would.
    void crashAfter(const std::function<void(Journal&)>& steps) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Journal j(path_, kRange, kQel);
            steps(j);
            kill(getpid(), SIGKILL);
            _exit(99);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the child did not get to its kill (status " << status << ")";
    }
};

JournalError::Kind errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const JournalError& e) {
        return e.kind;
    }
    ADD_FAILURE() << "no JournalError";
    return JournalError::Kind::Storage;
}

}  // namespace

TEST_F(JournalTest, HandsOutAddressesInOrderOnceEach) {
    Journal j(path_, kRange, kQel);
    EXPECT_EQ(j.left(), 10u);
    produce(j, 1);
    auto second = j.allocate(unit(2));
    auto third = j.allocate(unit(3));
    EXPECT_EQ(second.newMac(), "00:1a:2b:00:00:11");
    EXPECT_EQ(third.newMac(), "00:1a:2b:00:00:12");
    EXPECT_EQ(j.left(), 7u);
    const auto c = j.contents();
    ASSERT_EQ(c.allocations.size(), 3u);
    const auto& done = c.allocations[0];
    EXPECT_EQ(done.new_mac, "00:1a:2b:00:00:10");
    EXPECT_EQ(done.state, AllocationState::Confirmed);
    EXPECT_EQ(done.unit.old_mac, "02:FC:00:00:00:01");
    EXPECT_EQ(done.oem_name, "QEL");
    EXPECT_EQ(done.request_hex.size(), 2 * kOemMacRequestLength);
    EXPECT_FALSE(done.sent_at.empty() || done.answered_at.empty() || done.confirmed_at.empty());
    EXPECT_EQ(done.outcome, "Apply [QEL - 00:1a:2b:00:00:10] OK; new MAC seen: done");
    EXPECT_EQ(j.findByMac("00:1A:2B:00:00:10")->id, done.id);     // by its new MAC
    EXPECT_EQ(j.findByMac("02:fc:00:00:00:03")->id, third.id());  // by its old one
    EXPECT_FALSE(j.findByMac("02:fc:00:00:00:09"));
}

TEST_F(JournalTest, StepsOnlyInTheirOrder) {
    Journal j(path_, kRange, kQel);
    auto a = j.allocate(unit(1));
    EXPECT_EQ(errorOf([&] { j.recordAnswer(a, {"", 2, 2, kQel}); }), JournalError::Kind::Misuse);
    EXPECT_EQ(errorOf([&] { j.recordConfirmation(a, true); }), JournalError::Kind::Misuse);
    auto other = j.allocate(unit(2));  // its request cannot be recorded for `a`
    EXPECT_EQ(errorOf([&] { j.recordSent(a, request(other)); }), JournalError::Kind::Misuse);
    j.recordSent(a, request(a));
    EXPECT_EQ(errorOf([&] { j.recordSent(a, request(a)); }), JournalError::Kind::Misuse);
    j.recordAnswer(a, {"refused", 2, 0, kQel});
    EXPECT_EQ(a.state(), AllocationState::Failed);
    EXPECT_EQ(j.contents().allocations[0].outcome, "Apply [QEL - refused] Failed !");
}

TEST_F(JournalTest, ResumesAfterAKillAtEveryStep) {
    using S = AllocationState;
    const struct {
        const char* step;
        std::function<void(Journal&)> steps;
        std::optional<S> left_as;  // the killed run's allocation, if it made one
    } cases[] = {
        {"opened", [](Journal&) {}, std::nullopt},
        {"allocated", [](Journal& j) { j.allocate(unit(1)); }, S::Allocated},
        {"sent",
         [](Journal& j) {
             auto a = j.allocate(unit(1));
             j.recordSent(a, request(a));
         },
         S::Sent},
        {"answered",
         [](Journal& j) {
             auto a = j.allocate(unit(1));
             j.recordSent(a, request(a));
             j.recordAnswer(a, {a.newMac(), 2, 2, kQel});
         },
         S::Answered},
        {"no answer",
         [](Journal& j) {
             auto a = j.allocate(unit(1));
             j.recordSent(a, request(a));
             j.recordNoAnswer(a);
         },
         S::NoAnswer},
        {"confirmed", [](Journal& j) { produce(j, 1); }, S::Confirmed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        std::filesystem::remove(path_);
        std::filesystem::remove(path_ + "-wal");
        std::filesystem::remove(path_ + "-shm");
        crashAfter(c.steps);

        Journal j(path_, kRange, kQel);
        const auto before = j.contents();
        ASSERT_EQ(before.runs.size(), 2u);
        EXPECT_EQ(before.runs[0].ended_at, "") << "a killed run shows no end";
        ASSERT_EQ(before.allocations.size(), c.left_as ? 1u : 0u);
        if (c.left_as) {
            EXPECT_EQ(before.allocations[0].state, *c.left_as);
        }

        auto pending = j.needsConfirmation();
        const bool unfinished = c.left_as && *c.left_as != S::Confirmed;
        ASSERT_EQ(pending.size(), unfinished ? 1u : 0u);
        if (unfinished) {
            EXPECT_TRUE(pending[0].resumed());
            j.recordConfirmation(pending[0], false);
            EXPECT_EQ(pending[0].state(), S::Unconfirmed);
            EXPECT_TRUE(j.needsConfirmation().empty());
        }
        // Whatever the killed run got to, its address is never handed out again.
        const auto next = j.allocate(unit(2));
        EXPECT_EQ(next.newMac(), c.left_as ? "00:1a:2b:00:00:11" : "00:1a:2b:00:00:10");
    }
}

TEST_F(JournalTest, ASecondOpenerIsRefused) {
    Journal j(path_, kRange, kQel);
    EXPECT_EQ(errorOf([&] { Journal again(path_, kRange, kQel); }), JournalError::Kind::Locked);
    const pid_t pid = fork();  // another process, as a second fendrix-cli would be
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        try {
            Journal again(path_, kRange, kQel);
        } catch (const JournalError& e) {
            _exit(e.kind == JournalError::Kind::Locked &&
                          std::string(e.what()).find(path_) != std::string::npos
                      ? 0
                      : 1);
        }
        _exit(2);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(readJournal(path_).runs.size(), 1u);  // reading goes on beside a run
}

TEST_F(JournalTest, RefusesAnotherRangeBrandOrFile) {
    { Journal j(path_, kRange, kQel); }
    EXPECT_EQ(errorOf([&] {
                  Journal j(path_, {kFirst, kFirst + 99}, kQel);
              }),
              JournalError::Kind::Mismatch);
    EXPECT_EQ(errorOf([&] { Journal j(path_, kRange, 7); }), JournalError::Kind::Mismatch);
    const auto text = (dir_ / "notes.txt").string();
    std::ofstream(text) << "not a database, and long enough to be read as one\n";
    EXPECT_EQ(errorOf([&] { Journal j(text, kRange, kQel); }), JournalError::Kind::Open);
    EXPECT_EQ(errorOf([&] { readJournal((dir_ / "missing").string()); }), JournalError::Kind::Open);
}

TEST_F(JournalTest, ARangeOfOneRunsOut) {
    const MacRange one{kFirst, kFirst};
    Journal j(path_, one, kQel);
    EXPECT_EQ(j.allocate(unit(1)).newMac(), "00:1a:2b:00:00:10");
    EXPECT_EQ(j.left(), 0u);
    try {
        j.allocate(unit(2));
        FAIL() << "a second address from a range of one";
    } catch (const JournalError& e) {
        EXPECT_EQ(e.kind, JournalError::Kind::Exhausted);
        EXPECT_STREQ(e.what(),
                     ("the MAC range 00:1a:2b:00:00:10-00:1a:2b:00:00:10 is used up: all 1 "
                      "addresses have been handed out (journal " +
                      path_ + ")")
                         .c_str());
    }
}

TEST_F(JournalTest, ExportsCsvAndJson) {
    {
        Journal j(path_, kRange, kQel);
        auto a = j.allocate({"veth0", "=HYPERLINK(\"x\")", "192.168.0.5"});
        j.recordSent(a, request(a));
        j.recordAnswer(a, {"bad\x1b]0;x\a", 2, 0, kQel});
        j.allocate(unit(2));
    }
    const auto contents = readJournal(path_);
    std::ostringstream csv, json;
    writeJournal(csv, contents, JournalFormat::Csv);
    writeJournal(json, contents, JournalFormat::Json);

    std::istringstream lines(csv.str());
    std::string header, first;
    std::getline(lines, header);
    std::getline(lines, first);
    EXPECT_EQ(header.rfind("id,run,state,needs_confirmation,new_mac,old_mac,old_ip,adapter,", 0),
              0u);
    EXPECT_EQ(first.rfind("1,1,failed,no,00:1a:2b:00:00:10,\"'=HYPERLINK(\"\"x\"\")\",", 0), 0u)
        << first;

    const auto doc = nlohmann::json::parse(json.str());
    EXPECT_EQ(doc["first_mac"], "00:1a:2b:00:00:10");
    EXPECT_EQ(doc["left"], 8);
    EXPECT_EQ(doc["oem_name"], "QEL");
    ASSERT_EQ(doc["allocations"].size(), 2u);
    EXPECT_EQ(doc["allocations"][0]["reply_text"], "bad\x1b]0;x\a");
    EXPECT_EQ(doc["allocations"][1]["state"], "allocated");
    EXPECT_EQ(doc["allocations"][1]["needs_confirmation"], true);
    EXPECT_TRUE(doc["allocations"][1]["sent_at"].is_null());
    EXPECT_EQ(json.str().find('\x1b'), std::string::npos) << "control characters escaped";
}
