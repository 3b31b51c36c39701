#pragma once
// The one place where the way replies come in is chosen, for the window and
// fendrix-cli alike: the capture helper first (the installed way: it alone
// holds the raw-capture right), then libpcap in this process (which works
// only for a process that has the right itself: root, a developer's build),
// then a UDP socket on the reply port, which needs no right but sees only
// what the IP stack accepts. The chooser is itself a capture source: whoever
// holds it starts and stops it like any other, and asks it afterwards which
// receiver runs and why the earlier ones did not.
#include <atomic>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "transport/platform.h"

namespace kestrel {

enum class ReceiverMode {
    Auto,     // helper, in-process capture, socket receiver
    Capture,  // helper, in-process capture: link-level capture or nothing
    Socket,   // the socket receiver only
};

// "capture helper", "in-process capture", "socket receiver".
std::string_view receiverName(Receiver receiver);
// One word for figures and scripts: "helper", "in-process", "socket".
std::string_view receiverWord(Receiver receiver);

struct ReceiverCandidate {
    Receiver receiver;
    std::unique_ptr<PcapCaptureSource> source;
};

class CaptureChooser final : public PcapCaptureSource {
public:
    // Tried in the given order on every start().
    explicit CaptureChooser(std::vector<ReceiverCandidate> candidates);
    ~CaptureChooser() override;

    // The first candidate that starts runs. When none does, one error says
    // why: the first capture's hint (for a missing helper, followed by what
    // the in-process capture answered), and the socket receiver's own
    // failure after it; its kind is the first candidate's.
    std::optional<CaptureError> start(const AdapterEntry& adapter, FrameSink sink) override;
    void stop() override;
    bool running() const override;
    void setLoopErrorSink(LoopErrorSink sink) override;
    void setNoteSink(NoteSink sink) override;
    std::optional<ReceiverReport> receiverReport() const override { return report_; }
    // The counters of the receiver that ran last, also once it is stopped.
    CaptureStats stats() const override;
    void waitFinished() override;

private:
    std::vector<ReceiverCandidate> candidates_;
    std::atomic<PcapCaptureSource*> running_{nullptr};
    PcapCaptureSource* last_ = nullptr;
    std::optional<ReceiverReport> report_;
};

// The candidates of `mode` on this platform (Windows has no helper), each
// capture opened with `options`.
std::unique_ptr<CaptureChooser> makeCaptureChooser(ReceiverMode mode,
                                                   const CaptureOptions& options = {});

}  // namespace kestrel
