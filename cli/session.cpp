#include "session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dispatch/answer_match.h"
#include "exit_codes.h"
#include "transport/adapter_rules.h"
#include "transport/capture_hints.h"
#include "transport/pcap_runtime.h"
#include "transport/sending.h"
#include "wire/request_header.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {
// Replies of a replayed file that may wait for the reader: a few blocks'
// worth, a few megabytes.
constexpr std::size_t kReplayPace = 8192;
}  // namespace

std::vector<AdapterEntry> usableSystemAdapters() {
    const auto system = makeSystemAdapterSource()->list();
    if (!system) return {};
    return usableAdapters(*system);
}

std::optional<AdapterEntry> chooseAdapter(const std::vector<AdapterEntry>& adapters,
                                          const std::string& wanted) {
    if (adapters.empty()) return std::nullopt;
    if (wanted.empty()) return adapters.front();
    for (const auto& a : adapters)
        if (a.description == wanted || a.if_name == wanted || a.ip_text == wanted) return a;
    return std::nullopt;
}

Session::~Session() { close(); }

int Session::open(const SessionOptions& options) {
    auto wake = [this] {
        {
            std::lock_guard lock(wakeMutex_);
            pending_ = true;
        }
        wake_.notify_one();
    };
    kestrel::SegmentLinkEvents events;
    events.replies_waiting = wake;
    // The core's diagnostic lines go to standard error; standard output
    // carries the results, so the window's "Can't pcap_loop" line is left out.
    events.notes = [](const CaptureNote& note) {
        if (note.kind != CaptureNote::Kind::LoopEnded)
            std::fprintf(stderr, "%s\n", note.text.c_str());
    };
    // A loop that dies ends the waiting at once instead of at the deadline.
    events.lost = [this](const CaptureError& error, unsigned) {
        {
            std::lock_guard lock(wakeMutex_);
            lost_ = error;
        }
        wake_.notify_one();
    };
    // The replay sends nothing: its socket is never opened.
    socket_ = makeUdpSocket();
    if (!options.from_pcap.empty()) {
        capture_ = makePcapFileCapture(options.from_pcap);
        link_ = std::make_unique<SegmentLink>(*socket_, *capture_, std::move(events));
        pump_ = std::make_unique<ReplyPump>(link_->replies(), devices_);
        return openReplay();
    }

    const auto adapters = usableSystemAdapters();
    if (adapters.empty()) {
        std::fputs("fendrix-cli: Check your network connection ! (no usable adapter)\n", stderr);
        return kExitNoNetwork;
    }
    const auto chosen = chooseAdapter(adapters, options.adapter);
    if (!chosen) {
        std::fprintf(stderr,
                     "fendrix-cli: no usable adapter named %s (see: fendrix-cli adapters)\n",
                     options.adapter.c_str());
        return kExitNoNetwork;
    }
    adapter_ = *chosen;

    CaptureOptions captureOptions;
    captureOptions.save_path = options.save_pcap;
    // A recording needs a capture: the socket receiver has no frames to write.
    const ReceiverMode mode = !options.save_pcap.empty() && options.receiver == ReceiverMode::Auto
                                  ? ReceiverMode::Capture
                                  : options.receiver;
    capture_ = makeCaptureChooser(mode, captureOptions);
    link_ = std::make_unique<SegmentLink>(*socket_, *capture_, std::move(events));
    pump_ = std::make_unique<ReplyPump>(link_->replies(), devices_);

    if (const auto opened = link_->openSocket(); !opened) {
        if (!opened.diagnostic.empty()) std::fprintf(stderr, "%s\n", opened.diagnostic.c_str());
        std::fputs("fendrix-cli: cannot open a UDP socket with broadcast\n", stderr);
        return kExitNoNetwork;
    }
    if (!link_->bindSocket(adapter_)) {
        std::fprintf(stderr, "fendrix-cli: cannot bind to %s (%s): %s\n", adapter_.ip_text.c_str(),
                     adapter_.description.c_str(), std::strerror(errno));
        return kExitNoNetwork;
    }
    // No receiver at all: one line, the hint first.
    if (auto error = link_->startCapture(adapter_)) {
        std::fprintf(stderr, "fendrix-cli: %s\n", error->message.c_str());
        return kExitNoNetwork;
    }
    sayWhichReceiver();
    return kExitOk;
}

int Session::openReplay() {
    replaying_ = true;
    // A file, unlike a live capture, can wait: it is read as fast as the
    // replies are handed on, so that a flood in a file never piles up in
    // the queue.
    link_->replies().paceTo(kReplayPace);
    if (auto error = link_->startCapture(AdapterEntry{})) {
        if (error->kind == CaptureError::Kind::NoLibrary) {
            std::fprintf(stderr, "fendrix-cli: reading capture files needs Npcap (%s): %s\n",
                         kNpcapUrl, error->message.c_str());
            return kExitNoNetwork;
        }
        std::fprintf(stderr, "fendrix-cli: %s\n", error->message.c_str());
        // A file of frames that cannot be decoded is refused like such a device.
        return error->kind == CaptureError::Kind::UnsupportedLink ? kExitNoNetwork : kExitUsage;
    }
    {
        std::lock_guard lock(wakeMutex_);
        replay_ = capture_.get();
    }
    // The file's end wakes the drain, which then hands on what is left.
    replayEnd_ = std::thread([this] {
        capture_->waitFinished();
        {
            std::lock_guard lock(wakeMutex_);
            replayEnded_ = true;
        }
        wake_.notify_all();
    });
    return kExitOk;
}

void Session::sayWhichReceiver() const {
    const auto report = link_->receiver();
    if (!report) return;
    switch (report->receiver) {
    case Receiver::Helper:
        std::fputs("fendrix-cli: replies through the capture helper\n", stderr);
        break;
    case Receiver::InProcess:
        // Root, or a developer's build: say why the helper was passed over.
        std::fprintf(
            stderr, "fendrix-cli: replies through the in-process capture%s%s\n",
            report->passed_over.empty() ? "" : "; the capture helper did not run: ",
            report->passed_over.empty() ? "" : report->passed_over.front().why.message.c_str());
        break;
    case Receiver::Socket:
        std::fprintf(
            stderr, "fendrix-cli: %s\n",
            socketReceiverText(report->capture_unavailable.value_or(
                                   "the socket receiver was asked for (--receiver socket)"))
                .c_str());
        break;
    }
}

void Session::close() {
    {
        std::lock_guard lock(wakeMutex_);
        replay_ = nullptr;
    }
    if (!link_) return;
    link_->stopCapture();
    link_->closeSocket();
    if (replayEnd_.joinable()) replayEnd_.join();
}

void Session::drainUntil(std::optional<std::chrono::steady_clock::time_point> deadline,
                         const std::function<bool(ReplyPump::Step&)>& done, bool interruptible) {
    // With wakeMutex_ held. Also checked between steps: a flood never lets
    // the pump run dry.
    const auto over = [&] {
        return (interruptible && interruption_) ||
               (deadline && std::chrono::steady_clock::now() >= *deadline);
    };
    while (true) {
        {
            std::lock_guard lock(wakeMutex_);
            pending_ = false;
        }
        // Whatever comes after the step that is done waits in the pump for
        // the next caller.
        while (auto step = pump_->next()) {
            if (done(*step)) return;
            std::lock_guard lock(wakeMutex_);
            if (over()) return;
        }
        std::unique_lock lock(wakeMutex_);
        if (over()) return;
        // The source has ended and everything it delivered is handled.
        if ((lost_ || replayEnded_) && !pending_) return;
        const auto woken = [&] {
            return pending_ || lost_ || replayEnded_ || (interruptible && interruption_);
        };
        if (!deadline) wake_.wait(lock, woken);
        else if (!wake_.wait_until(lock, *deadline, woken)) return;
    }
}

bool Session::scan(std::chrono::milliseconds wait, const ScanWatch& watch) {
    devices_.clear();
    lastRowAt_.reset();
    // The watch sees this scan's replies only; once it has what it looks
    // for, the gathering ends after the pump's step.
    bool enough = false;
    struct Watching {
        ReplyPump& pump;
        ~Watching() { pump.setScanWatch(nullptr); }
    } watching{*pump_};
    if (watch)
        pump_->setScanWatch([&watch, &enough](const DeviceRecord& record) {
            if (watch(record)) enough = true;
        });
    auto keepRows = [this, &enough](ReplyPump::Step& step) {
        if (step.reply) ++ignored_;
        else if (step.added > 0) lastRowAt_ = std::chrono::steady_clock::now();
        return enough;
    };
    if (replaying_) {
        // interrupt() stops the file early; a signal that came before the
        // file was opened stops it here.
        if (interruption()) {
            link_->replies().stopPacing();
            capture_->stop();
        }
        drainUntil(std::nullopt, keepRows, false);
        return true;
    }
    if (interruption()) return true;  // nothing is sent once a signal asked to stop
    const auto request = buildScanRequest(adapter_.mac_text);
    if (link_->sendBroadcast(request) != SendOutcome::Sent) {
        std::fprintf(stderr, "fendrix-cli: the scan request could not be sent from %s (%s)\n",
                     adapter_.ip_text.c_str(), adapter_.description.c_str());
        return false;
    }
    drainUntil(std::chrono::steady_clock::now() + wait, keepRows);
    // Stopped by a signal: what reached the adapter until then is still
    // handed over within the capture's delivery delay (blocks of 20 ms).
    if (interruption())
        drainUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(100), keepRows,
                   false);
    return true;
}

bool Session::sendToController(ByteSpan bytes, const std::string& controllerIp) {
    if (!link_) return false;
    // Taken before sending: even an answer handed over at once comes later.
    firstAnswerPosition_ = link_->replies().accepted();
    return link_->sendToController(bytes, controllerIp).outcome == SendOutcome::Sent;
}

std::optional<ReplyEvent> Session::awaitAnswer(AnswerKind kind, const std::string& controllerMac,
                                               std::chrono::milliseconds timeout) {
    const AwaitedAnswer awaited{kind, controllerMac, firstAnswerPosition_};
    std::optional<ReplyEvent> answer;
    // Scan replies meanwhile still go into the device list (the pump's step).
    drainUntil(std::chrono::steady_clock::now() + timeout, [&](ReplyPump::Step& step) {
        if (!step.reply) return false;
        switch (judgeReply(awaited, *step.reply, step.position)) {
        case AnswerVerdict::Answer: answer = std::move(step.reply); return true;
        case AnswerVerdict::Ignored: ++ignored_; return false;
        case AnswerVerdict::NotAnAnswer: return false;
        }
        return false;
    });
    return answer;
}

ReplyDrops Session::drops() const { return pump_ ? pump_->drops() : ReplyDrops{}; }

void Session::interrupt(int signal) {
    PcapCaptureSource* replay = nullptr;
    ReplyQueue* paced = nullptr;
    {
        std::lock_guard lock(wakeMutex_);
        if (!interruption_) interruption_ = signal;
        replay = replay_;
        if (replay) paced = &link_->replies();
    }
    wake_.notify_all();
    // Outside the lock: the replay's worker takes it to hand over its last
    // frames, and may be waiting for room in the queue.
    if (paced) paced->stopPacing();
    if (replay) replay->stop();
}

std::optional<int> Session::interruption() const {
    std::lock_guard lock(wakeMutex_);
    return interruption_;
}

std::optional<CaptureError> Session::captureLost() const {
    std::lock_guard lock(wakeMutex_);
    return lost_;
}

CaptureStats Session::captureStats() const { return capture_ ? capture_->stats() : CaptureStats{}; }

std::string Session::receiverWord() const {
    if (replaying_) return "file";
    const auto report = link_ ? link_->receiver() : std::nullopt;
    return report ? std::string(kestrel::receiverWord(report->receiver)) : "none";
}

}  // namespace fendrix_cli
