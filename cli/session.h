#pragma once
// One run's link to the segment: the chosen adapter, the socket bound to it,
// the capture feeding decoded replies into an ordered queue, and the device
// list of the last scan. Every subcommand works through one Session.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_list.h"
#include "dispatch/reply_queue.h"
#include "net/adapter.h"
#include "net/datagram_socket.h"
#include "net/platform.h"

namespace fendrix_cli {

struct SessionOptions {
    std::string adapter;    // description, interface name or IP; empty: the first usable one
    std::string save_pcap;  // also write every captured frame to this file
    std::string from_pcap;  // replay this file instead of capturing live; nothing is sent
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

    // Chooses the adapter, binds the socket and starts the capture (or the
    // replay). Answers an exit code; on failure a message is on stderr.
    int open(const SessionOptions& options);
    void close();

    bool replaying() const { return replaying_; }
    const kestrel::AdapterEntry& adapter() const { return adapter_; }

    // Empties the list, broadcasts one scan request and gathers scan replies
    // for `wait` (a replay gathers the whole file instead). Other replies
    // met meanwhile are dropped: they answer nothing of this run.
    void scan(std::chrono::milliseconds wait);
    const kestrel::DeviceList& devices() const { return devices_; }
    // Steady-clock time at which the last scan added its last row.
    std::optional<std::chrono::steady_clock::time_point> lastRowAt() const { return lastRowAt_; }

    // Sends one request to a controller (unicast in its subnet, else broadcast).
    bool sendToController(kestrel::ByteSpan bytes, const std::string& controllerIp);

    // Waits up to `timeout` for the first reply that `accept` takes; scan
    // replies that arrive meanwhile still go into the device list.
    std::optional<kestrel::ReplyEvent> awaitReply(
        const std::function<bool(const kestrel::ReplyEvent&)>& accept,
        std::chrono::milliseconds timeout);

    kestrel::CaptureStats captureStats() const;
    // Why the capture's loop ended by itself (link deleted, device down),
    // if it did: later replies cannot arrive.
    std::optional<kestrel::CaptureError> captureLost() const;

private:
    // On Windows a capture that cannot run (no Npcap, no rights) gives way
    // to the socket receiver, with one line saying why and what is missed.
    bool windowsFallback(const kestrel::CaptureError& error, const kestrel::FrameSink& sink,
                         const kestrel::LoopErrorSink& onLost);
    bool startSocketReceiver(const kestrel::FrameSink& sink, const kestrel::LoopErrorSink& onLost);

    // Handles waiting events until `done` says so or the deadline passes.
    void drainUntil(std::chrono::steady_clock::time_point deadline,
                    const std::function<bool(kestrel::ReplyEvent&)>& done);

    kestrel::AdapterEntry adapter_;
    std::unique_ptr<kestrel::DatagramSocket> socket_;
    std::unique_ptr<kestrel::PcapCaptureSource> capture_;
    bool replaying_ = false;

    kestrel::ReplyQueue queue_;
    std::vector<kestrel::ReplyEvent> backlog_;  // taken from the queue but not handled yet
    mutable std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool pending_ = false;
    std::optional<kestrel::CaptureError> lost_;  // guarded by wakeMutex_

    kestrel::DeviceList devices_;
    std::optional<std::chrono::steady_clock::time_point> lastRowAt_;
};

}  // namespace fendrix_cli
