#include "transport/capture_chooser.h"

#include <utility>

#include "transport/capture_hints.h"

namespace kestrel {

namespace {

using PassedOver = ReceiverReport::PassedOver;

// Why no capture runs, from the captures that were tried (the socket
// receiver left out). The first one is the way meant for this platform; only
// when the helper is missing does the in-process capture's answer matter,
// and "needs root" is said only for its permission error.
std::string whyNoCapture(const std::vector<PassedOver>& captures) {
    const CaptureError& first = captures.front().why;
    std::string text =
        first.kind == CaptureError::Kind::NoLibrary ? npcapMissingText() : first.message;
    if (first.kind == CaptureError::Kind::HelperMissing && captures.size() > 1) {
        const CaptureError& own = captures[1].why;
        text +=
            "; " + (own.kind == CaptureError::Kind::NoRights ? inProcessNeedsRootText(own.message)
                                                             : own.message);
    }
    return text;
}

std::vector<PassedOver> capturesOf(const std::vector<PassedOver>& passed) {
    std::vector<PassedOver> out;
    for (const auto& p : passed)
        if (p.receiver != Receiver::Socket) out.push_back(p);
    return out;
}

// One error for a start that nothing survived: one line for the user.
CaptureError noReceiver(const std::vector<PassedOver>& passed) {
    const auto captures = capturesOf(passed);
    if (captures.empty()) return passed.front().why;  // the socket receiver alone was tried
    CaptureError error{captures.front().why.kind, whyNoCapture(captures)};
    if (captures.size() < passed.size())
        error.message +=
            "; the socket receiver could not start either: " + passed.back().why.message;
    return error;
}

}  // namespace

std::string_view receiverName(Receiver receiver) {
    switch (receiver) {
    case Receiver::Helper: return "capture helper";
    case Receiver::InProcess: return "in-process capture";
    case Receiver::Socket: return "socket receiver";
    }
    return "?";
}

std::string_view receiverWord(Receiver receiver) {
    switch (receiver) {
    case Receiver::Helper: return "helper";
    case Receiver::InProcess: return "in-process";
    case Receiver::Socket: return "socket";
    }
    return "?";
}

CaptureChooser::CaptureChooser(std::vector<ReceiverCandidate> candidates)
    : candidates_(std::move(candidates)) {}

CaptureChooser::~CaptureChooser() { stop(); }

std::optional<CaptureError> CaptureChooser::start(const AdapterEntry& adapter, FrameSink sink) {
    stop();
    report_.reset();
    std::vector<PassedOver> passed;
    for (auto& candidate : candidates_) {
        auto error = candidate.source->start(adapter, sink);
        if (error) {
            passed.push_back({candidate.receiver, std::move(*error)});
            continue;
        }
        running_ = last_ = candidate.source.get();
        ReceiverReport report{candidate.receiver, std::move(passed), std::nullopt};
        const auto captures = capturesOf(report.passed_over);
        if (candidate.receiver == Receiver::Socket && !captures.empty())
            report.capture_unavailable = whyNoCapture(captures);
        report_ = std::move(report);
        return std::nullopt;
    }
    if (passed.empty()) return CaptureError{CaptureError::Kind::OpenFailed, "no receiver to try"};
    return noReceiver(passed);
}

void CaptureChooser::stop() {
    if (PcapCaptureSource* source = running_.exchange(nullptr)) source->stop();
}

bool CaptureChooser::running() const {
    const PcapCaptureSource* source = running_;
    return source != nullptr && source->running();
}

void CaptureChooser::setLoopErrorSink(LoopErrorSink sink) {
    for (auto& candidate : candidates_) candidate.source->setLoopErrorSink(sink);
}

void CaptureChooser::setNoteSink(NoteSink sink) {
    for (auto& candidate : candidates_) candidate.source->setNoteSink(sink);
}

CaptureStats CaptureChooser::stats() const { return last_ ? last_->stats() : CaptureStats{}; }

void CaptureChooser::waitFinished() {
    if (last_) last_->waitFinished();
}

std::unique_ptr<CaptureChooser> makeCaptureChooser(ReceiverMode mode,
                                                   const CaptureOptions& options) {
    std::vector<ReceiverCandidate> candidates;
    if (mode != ReceiverMode::Socket) {
#ifndef _WIN32
        candidates.push_back({Receiver::Helper, makeHelperCapture(options)});
#endif
        candidates.push_back({Receiver::InProcess, makePcapCapture(options)});
    }
    if (mode != ReceiverMode::Capture)
        candidates.push_back({Receiver::Socket, makeSocketReceiver()});
    return std::make_unique<CaptureChooser>(std::move(candidates));
}

}  // namespace kestrel
