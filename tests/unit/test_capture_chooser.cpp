// The chooser of the receiver: the order it tries, what it reports, and the
// one text that says why no capture runs.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/capture_chooser.h"

using namespace kestrel;
using Kind = CaptureError::Kind;

namespace {

// A receiver that starts or fails as told and says what was done to it.
class ScriptedSource : public PcapCaptureSource {
public:
    ScriptedSource(std::optional<CaptureError> error, std::vector<std::string>& log, char name)
        : error_(std::move(error)), log_(log), name_(name) {}
    std::optional<CaptureError> start(const AdapterEntry&, FrameSink) override {
        log_.push_back(std::string("start ") + name_);
        running_ = !error_;
        return error_;
    }
    void stop() override {
        if (running_) log_.push_back(std::string("stop ") + name_);
        running_ = false;
    }
    bool running() const override { return running_; }
    void setNoteSink(NoteSink) override { log_.push_back(std::string("notes ") + name_); }
    CaptureStats stats() const override { return {static_cast<std::uint64_t>(name_), 0, 0}; }
    void waitFinished() override {}

private:
    std::optional<CaptureError> error_;
    std::vector<std::string>& log_;
    char name_;
    bool running_ = false;
};

struct Tried {
    Receiver receiver;
    std::optional<CaptureError> error;  // nothing: it starts
};

std::unique_ptr<CaptureChooser> chooser(const std::vector<Tried>& tried,
                                        std::vector<std::string>& log) {
    std::vector<ReceiverCandidate> candidates;
    for (const auto& t : tried) {
        const char name = t.receiver == Receiver::Helper      ? 'h'
                          : t.receiver == Receiver::InProcess ? 'p'
                                                              : 's';
        candidates.push_back({t.receiver, std::make_unique<ScriptedSource>(t.error, log, name)});
    }
    return std::make_unique<CaptureChooser>(std::move(candidates));
}

const CaptureError kNotAllowed{Kind::HelperNotAllowed, "not in the group fendrix"};
const CaptureError kMissing{Kind::HelperMissing, "helper not installed"};
const CaptureError kHelperDown{Kind::OpenFailed, "The interface is not up (device eth0)"};
const CaptureError kPermission{Kind::NoRights, "Operation not permitted (device eth0)"};
const CaptureError kDown{Kind::OpenFailed, "The interface is not up (device eth0)"};
const CaptureError kNoNpcap{Kind::NoLibrary, "Npcap is not installed (wpcap.dll)"};
const CaptureError kNoPort{Kind::OpenFailed, "cannot bind the reply port: in use"};

struct Case {
    const char* rule;
    std::vector<Tried> tried;
    std::optional<Receiver> runs;  // nothing: none starts
    std::size_t starts;            // candidates tried
    std::string text;              // capture_unavailable when one runs, else the error's message
    Kind kind = Kind::OpenFailed;  // of the error when none starts
};

}  // namespace

TEST(CaptureChooser, TriesInOrderAndSaysWhyNoCaptureRuns) {
    const std::string needsRoot = "capturing without the helper needs root: ";
    const std::vector<Case> cases = {
        {"the helper runs: nothing else is tried",
         {{Receiver::Helper, {}}, {Receiver::InProcess, {}}, {Receiver::Socket, {}}},
         Receiver::Helper,
         1,
         ""},
        {"a missing helper gives way to a process that has the right",
         {{Receiver::Helper, kMissing}, {Receiver::InProcess, {}}, {Receiver::Socket, {}}},
         Receiver::InProcess,
         2,
         ""},
        {"outside the group: the group's hint, no word of root",
         {{Receiver::Helper, kNotAllowed},
          {Receiver::InProcess, kPermission},
          {Receiver::Socket, {}}},
         Receiver::Socket,
         3,
         "not in the group fendrix"},
        {"no helper and no right: root is named for the permission error",
         {{Receiver::Helper, kMissing}, {Receiver::InProcess, kPermission}, {Receiver::Socket, {}}},
         Receiver::Socket,
         3,
         "helper not installed; " + needsRoot + kPermission.message},
        {"no helper and a device that is down: root is not named",
         {{Receiver::Helper, kMissing}, {Receiver::InProcess, kDown}, {Receiver::Socket, {}}},
         Receiver::Socket,
         3,
         "helper not installed; " + kDown.message},
        {"the helper's device is down: its text alone",
         {{Receiver::Helper, kHelperDown},
          {Receiver::InProcess, kPermission},
          {Receiver::Socket, {}}},
         Receiver::Socket,
         3,
         kHelperDown.message},
        {"Windows without Npcap: where to get it",
         {{Receiver::InProcess, kNoNpcap}, {Receiver::Socket, {}}},
         Receiver::Socket,
         2,
         "Npcap is missing (get it from https://npcap.com)"},
        {"the socket receiver asked for alone", {{Receiver::Socket, {}}}, Receiver::Socket, 1, ""},
        {"nothing starts: one line, the first capture's kind",
         {{Receiver::Helper, kNotAllowed},
          {Receiver::InProcess, kPermission},
          {Receiver::Socket, kNoPort}},
         std::nullopt,
         3,
         "not in the group fendrix; the socket receiver could not start either: " + kNoPort.message,
         Kind::HelperNotAllowed},
        {"capture only: the hint, nothing about a socket",
         {{Receiver::Helper, kMissing}, {Receiver::InProcess, kPermission}},
         std::nullopt,
         2,
         "helper not installed; " + needsRoot + kPermission.message,
         Kind::HelperMissing},
        {"the socket receiver alone fails with its own error",
         {{Receiver::Socket, kNoPort}},
         std::nullopt,
         1,
         kNoPort.message,
         Kind::OpenFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        std::vector<std::string> log;
        auto source = chooser(c.tried, log);
        log.clear();
        const auto error = source->start(AdapterEntry{}, [](ByteSpan, LinkType) {});
        EXPECT_EQ(log.size(), c.starts);
        const auto report = source->receiverReport();
        if (c.runs) {
            ASSERT_FALSE(error) << error->message;
            ASSERT_TRUE(report);
            EXPECT_EQ(report->receiver, *c.runs);
            EXPECT_EQ(report->passed_over.size(), c.starts - 1);
            EXPECT_EQ(report->capture_unavailable.value_or(""), c.text);
            EXPECT_TRUE(source->running());
        } else {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->message, c.text);
            EXPECT_EQ(error->kind, c.kind);
            EXPECT_FALSE(report);
            EXPECT_FALSE(source->running());
        }
    }
}

TEST(CaptureChooser, ChoosesAfreshAtEveryStartAndStopsTheOneThatRuns) {
    std::vector<std::string> log;
    auto source = chooser(
        {{Receiver::Helper, kNotAllowed}, {Receiver::InProcess, {}}, {Receiver::Socket, {}}}, log);
    EXPECT_EQ(log, (std::vector<std::string>{}));
    source->setNoteSink([](const CaptureNote&) {});  // every candidate hears of it
    EXPECT_EQ(log, (std::vector<std::string>{"notes h", "notes p", "notes s"}));
    log.clear();
    ASSERT_FALSE(source->start(AdapterEntry{}, [](ByteSpan, LinkType) {}));
    ASSERT_FALSE(source->start(AdapterEntry{}, [](ByteSpan, LinkType) {}));  // stops the first run
    source->stop();
    source->stop();
    EXPECT_EQ(log, (std::vector<std::string>{"start h", "start p", "stop p", "start h", "start p",
                                             "stop p"}));
    EXPECT_EQ(source->stats().received, static_cast<std::uint64_t>('p'));  // the last one's
}

TEST(CaptureChooser, NamesEachReceiver) {
    EXPECT_EQ(receiverWord(Receiver::Helper), "helper");
    EXPECT_EQ(receiverWord(Receiver::InProcess), "in-process");
    EXPECT_EQ(receiverWord(Receiver::Socket), "socket");
    EXPECT_EQ(receiverName(Receiver::InProcess), "in-process capture");
}
