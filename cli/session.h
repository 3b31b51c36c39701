#pragma once
// One run's link to the segment: the chosen adapter, the core's SegmentLink
// (the socket bound to the adapter, the receiver that the capture chooser
// picked, the ordered queue of decoded replies), and the device list of the
// last scan. Every subcommand works through one Session.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "discovery/device_list.h"
#include "discovery/target_replies.h"
#include "dispatch/answer_match.h"
#include "dispatch/reply_pump.h"
#include "dispatch/segment_link.h"
#include "transport/adapter.h"
#include "transport/capture_chooser.h"
#include "transport/datagram_socket.h"
#include "transport/platform.h"

namespace fendrix_cli {

struct SessionOptions {
    std::string adapter;    // description, interface name or IP; empty: the first usable one
    std::string save_pcap;  // also write every captured frame to this file
    std::string from_pcap;  // replay this file instead of capturing live; nothing is sent
    // How replies come in; with save_pcap, Auto leaves out the socket receiver
    // (it records nothing).
    kestrel::ReceiverMode receiver = kestrel::ReceiverMode::Auto;
};

// The usable adapters of the system, in the system's order.
std::vector<kestrel::AdapterEntry> usableSystemAdapters();

// The entry whose description, interface name or IP text equals `wanted`;
// the first entry when `wanted` is empty.
std::optional<kestrel::AdapterEntry> chooseAdapter(
    const std::vector<kestrel::AdapterEntry>& adapters, const std::string& wanted);

class Session {
public:
    Session() = default;
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Chooses the adapter, binds the socket and starts the receiver (or the
    // replay); says on stderr which receiver runs and why the earlier ones
    // did not. Answers an exit code; on failure a message is on stderr.
    int open(const SessionOptions& options);
    void close();

    bool replaying() const { return replaying_; }
    const kestrel::AdapterEntry& adapter() const { return adapter_; }

    // Sees every scan reply of a scan, also those the list drops as equal to
    // a row; true ends the gathering early (the reply is still listed).
    using ScanWatch = std::function<bool(const kestrel::DeviceRecord&)>;

    // Empties the list, broadcasts one scan request and gathers scan replies
    // for `wait` (a replay gathers the whole file instead) or until `watch`
    // has what it looks for. Result and apply replies met meanwhile answer
    // nothing of this run: they are ignored and counted. False, with a
    // message on stderr, when the scan request could not be sent.
    bool scan(std::chrono::milliseconds wait, const ScanWatch& watch = {});
    const kestrel::DeviceList& devices() const { return devices_; }
    // Steady-clock time at which the last scan added its last row.
    std::optional<std::chrono::steady_clock::time_point> lastRowAt() const { return lastRowAt_; }

    // Sends one request to a controller (unicast in its subnet, else
    // broadcast). No reply handed over before this call can answer it.
    bool sendToController(kestrel::ByteSpan bytes, const std::string& controllerIp);

    // Waits up to `timeout` for the answer to the last request sent: the
    // first reply of `kind` that the controller `controllerMac` sent after it
    // (kestrel::judgeReply). Other result and apply replies are ignored and
    // counted; scan replies still go into the device list.
    std::optional<kestrel::ReplyEvent> awaitAnswer(kestrel::AnswerKind kind,
                                                   const std::string& controllerMac,
                                                   std::chrono::milliseconds timeout);
    // Result and apply replies that answered nothing of this run.
    std::size_t ignoredAnswers() const { return ignored_; }
    // Replies dropped at the full reply queue or the full device list.
    kestrel::ReplyDrops drops() const;

    // Ends the waiting at once, from any thread (the signal watcher): a scan
    // keeps what arrived until then, a replay stops reading its file.
    void interrupt(int signal);
    // The signal that interrupted the run, if one did.
    std::optional<int> interruption() const;

    kestrel::CaptureStats captureStats() const;
    // "helper", "in-process" or "socket"; "file" for a replay.
    std::string receiverWord() const;
    // Why the capture's loop ended by itself (link deleted, device down),
    // if it did: later replies cannot arrive.
    std::optional<kestrel::CaptureError> captureLost() const;

private:
    int openReplay();
    void sayWhichReceiver() const;

    // Hands waiting replies on through the pump until `done` says so at a
    // step, the deadline passes, the source has ended and all it delivered is
    // handled, or (when `interruptible`) a signal came.
    // No deadline: until the source ends.
    void drainUntil(std::optional<std::chrono::steady_clock::time_point> deadline,
                    const std::function<bool(kestrel::ReplyPump::Step&)>& done,
                    bool interruptible = true);

    kestrel::AdapterEntry adapter_;
    std::unique_ptr<kestrel::DatagramSocket> socket_;
    std::unique_ptr<kestrel::PcapCaptureSource> capture_;
    std::unique_ptr<kestrel::SegmentLink> link_;  // over socket_ and capture_, which outlive it
    bool replaying_ = false;

    kestrel::DeviceList devices_;
    std::unique_ptr<kestrel::ReplyPump> pump_;  // link_'s queue into devices_

    std::uint64_t firstAnswerPosition_ = 0;  // of the last request sent
    std::size_t ignored_ = 0;
    mutable std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool pending_ = false;
    std::optional<kestrel::CaptureError> lost_;     // guarded by wakeMutex_
    std::optional<int> interruption_;               // guarded by wakeMutex_
    kestrel::PcapCaptureSource* replay_ = nullptr;  // guarded by wakeMutex_
    bool replayEnded_ = false;                      // guarded by wakeMutex_
    std::thread replayEnd_;  // waits for the end of the file, then wakes the drain

    std::optional<std::chrono::steady_clock::time_point> lastRowAt_;
};

}  // namespace fendrix_cli
