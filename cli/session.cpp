#include "session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "dispatch/answer_match.h"
#include "dispatch/frame_handler.h"
#include "exit_codes.h"
#include "net/adapter_rules.h"
#include "net/pcap_runtime.h"
#include "net/protocol.h"
#include "net/request_header.h"
#include "net/sending.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif
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
    queue_.setNotify([this] {
        {
            std::lock_guard lock(wakeMutex_);
            pending_ = true;
        }
        wake_.notify_one();
    });
    // A loop that dies ends the waiting at once instead of at the deadline.
    auto onLost = [this](const CaptureError& error) {
        {
            std::lock_guard lock(wakeMutex_);
            lost_ = error;
        }
        wake_.notify_one();
    };
    // The core's diagnostic lines go to standard error; standard output
    // carries the results, so the window's "Can't pcap_loop" line is left out.
    auto printLine = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    queue_.setOverflowNote(printLine);
    auto onNote = [printLine](const CaptureNote& note) {
        if (note.kind != CaptureNote::Kind::LoopEnded) printLine(note.text);
    };
    FrameSink sink = [this](ByteSpan frame, LinkType link) {
        if (auto event = handleFrame(frame, link)) queue_.push(std::move(*event));
    };

    if (!options.from_pcap.empty()) {
        replaying_ = true;
        capture_ = makePcapFileCapture(options.from_pcap);
        capture_->setLoopErrorSink(onLost);
        capture_->setNoteSink(onNote);
        if (auto error = capture_->start(AdapterEntry{}, std::move(sink))) {
            if (error->kind == CaptureError::Kind::NoLibrary) {
                std::fprintf(stderr, "fendrix-cli: reading capture files needs Npcap (%s): %s\n",
                             kNpcapUrl, error->message.c_str());
                return kExitNoNetwork;
            }
            std::fprintf(stderr, "fendrix-cli: %s\n", error->message.c_str());
            // A file of frames that cannot be decoded is refused like such a device.
            return error->kind == CaptureError::Kind::UnsupportedLink ? kExitNoNetwork : kExitUsage;
        }
        std::lock_guard lock(wakeMutex_);
        replay_ = capture_.get();
        return kExitOk;
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

    socket_ = makeUdpSocket();
    if (const auto opened = socket_->open(); !opened) {
        if (!opened.diagnostic.empty()) printLine(opened.diagnostic);
        std::fputs("fendrix-cli: cannot open a UDP socket with broadcast\n", stderr);
        return kExitNoNetwork;
    }
    if (!socket_->bind(adapter_)) {
        std::fprintf(stderr, "fendrix-cli: cannot bind to %s (%s): %s\n", adapter_.ip_text.c_str(),
                     adapter_.description.c_str(), std::strerror(errno));
        return kExitNoNetwork;
    }

    CaptureOptions captureOptions;
    captureOptions.save_path = options.save_pcap;
    capture_ = makePcapCapture(captureOptions);
    capture_->setLoopErrorSink(onLost);
    capture_->setNoteSink(onNote);
    if (auto error = capture_->start(adapter_, sink)) {
        if (windowsFallback(*error, sink, onLost)) return kExitOk;
        std::fprintf(stderr, "fendrix-cli: %s\n", error->message.c_str());
        if (error->kind == CaptureError::Kind::OpenFailed && !kWindows)
            std::fputs(
                "fendrix-cli: capturing needs root or the raw-capture capability "
                "(setcap cap_net_raw,cap_net_admin+ep fendrix-cli)\n",
                stderr);
        return kExitNoNetwork;
    }
    return kExitOk;
}

bool Session::windowsFallback(const CaptureError& error, const FrameSink& sink,
                              const LoopErrorSink& onLost) {
#ifdef _WIN32
    // Without Npcap, or without the right to capture, replies can still come
    // through a plain socket on the reply port, minus those that the IP
    // stack drops.
    if (error.kind != CaptureError::Kind::NoLibrary && error.kind != CaptureError::Kind::OpenFailed)
        return false;
    const std::string why = error.kind == CaptureError::Kind::NoLibrary
                                ? std::string("Npcap is missing (get it from ") + kNpcapUrl + ")"
                                : error.message;
    if (!startSocketReceiver(sink, onLost)) {
        std::fprintf(stderr, "fendrix-cli: %s; the socket receiver could not start either\n",
                     why.c_str());
        return false;
    }
    std::fprintf(stderr,
                 "fendrix-cli: %s; replies come through a plain socket on port %d, so replies "
                 "from controllers outside this PC's subnet that Windows drops are missed\n",
                 why.c_str(), kReplyPort);
    return true;
#else
    (void)error;
    (void)sink;
    (void)onLost;
    return false;
#endif
}

bool Session::startSocketReceiver(const FrameSink& sink, const LoopErrorSink& onLost) {
    auto receiver = makeSocketReceiver();
    receiver->setLoopErrorSink(onLost);
    if (auto error = receiver->start(adapter_, sink)) {
        std::fprintf(stderr, "fendrix-cli: %s\n", error->message.c_str());
        return false;
    }
    capture_ = std::move(receiver);
    return true;
}

void Session::close() {
    {
        std::lock_guard lock(wakeMutex_);
        replay_ = nullptr;
    }
    if (capture_) capture_->stop();
    if (socket_) socket_->close();
}

void Session::drainUntil(std::chrono::steady_clock::time_point deadline,
                         const std::function<bool(ReplyEvent&, std::uint64_t)>& done,
                         bool interruptible) {
    while (true) {
        {
            std::unique_lock lock(wakeMutex_);
            pending_ = false;
        }
        std::vector<ReplyEvent> batch;
        batch.swap(backlog_);
        // The backlog's events were counted as taken when they left the queue.
        std::uint64_t position = taken_ - batch.size();
        const std::size_t before = batch.size();
        queue_.takeAll(batch);
        taken_ += batch.size() - before;
        for (std::size_t i = 0; i < batch.size(); ++i, ++position) {
            if (!done(batch[i], position)) continue;
            // Whatever came after the answer waits for the next caller.
            backlog_.assign(std::make_move_iterator(batch.begin() + static_cast<long>(i) + 1),
                            std::make_move_iterator(batch.end()));
            return;
        }
        std::unique_lock lock(wakeMutex_);
        if (interruptible && interruption_) return;
        if (lost_ && !pending_) return;  // everything the capture delivered is handled
        if (!wake_.wait_until(lock, deadline, [&] {
                return pending_ || lost_ || (interruptible && interruption_);
            }))
            return;
    }
}

bool Session::scan(std::chrono::milliseconds wait, TargetReplies* watch) {
    devices_.clear();
    lastRowAt_.reset();
    auto keepRows = [this, watch](ReplyEvent& event, std::uint64_t) {
        if (auto* scanReply = std::get_if<ScanReplyEvent>(&event)) {
            if (watch) watch->see(scanReply->record);
            if (devices_.add(std::move(scanReply->record)))
                lastRowAt_ = std::chrono::steady_clock::now();
        } else {
            ++ignored_;
        }
        return false;
    };
    if (replaying_) {
        // interrupt() stops the file early; a signal that came before the
        // file was opened stops it here.
        if (interruption()) capture_->stop();
        capture_->waitFinished();
        drainUntil(std::chrono::steady_clock::now(), keepRows, false);
        return true;
    }
    if (interruption()) return true;  // nothing is sent once a signal asked to stop
    const auto request = buildScanRequest(adapter_.mac_text);
    if (sendBroadcast(*socket_, adapter_, request) != SendOutcome::Sent) {
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
    if (!socket_) return false;
    // Taken before sending: even an answer handed over at once comes later.
    firstAnswerPosition_ = queue_.accepted();
    return kestrel::sendToController(*socket_, adapter_, bytes, controllerIp).outcome ==
           SendOutcome::Sent;
}

std::optional<ReplyEvent> Session::awaitAnswer(AnswerKind kind, const std::string& controllerMac,
                                               std::chrono::milliseconds timeout) {
    const AwaitedAnswer awaited{kind, controllerMac, firstAnswerPosition_};
    std::optional<ReplyEvent> answer;
    drainUntil(std::chrono::steady_clock::now() + timeout,
               [&](ReplyEvent& event, std::uint64_t position) {
                   switch (judgeReply(awaited, event, position)) {
                   case AnswerVerdict::Answer: answer = std::move(event); return true;
                   case AnswerVerdict::Ignored: ++ignored_; return false;
                   case AnswerVerdict::NotAnAnswer: break;
                   }
                   if (auto* scanReply = std::get_if<ScanReplyEvent>(&event))
                       devices_.add(std::move(scanReply->record));
                   return false;
               });
    return answer;
}

void Session::interrupt(int signal) {
    PcapCaptureSource* replay = nullptr;
    {
        std::lock_guard lock(wakeMutex_);
        if (!interruption_) interruption_ = signal;
        replay = replay_;
    }
    wake_.notify_all();
    // Outside the lock: the replay's worker takes it to hand over its last frames.
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

}  // namespace fendrix_cli
