#pragma once
// The program's link to the segment on one adapter, shared by the window
// and fendrix-cli: the socket that sends (bound to the adapter, which the
// link remembers), the capture source that receives, every frame it delivers
// decoded into one ordered queue, and the sends. The socket and the capture come in from outside,
// so that the window's tests put fakes in their place; for the real program the capture is a
// CaptureChooser, which picks the receiver once per start.
//
// Threads: everything but the events runs on the owner's thread (the GUI or
// main thread). The events come from the capture's worker and must not wait
// for the owner's thread.
#include <atomic>
#include <functional>
#include <optional>
#include <string_view>

#include "dispatch/reply_queue.h"
#include "transport/capture_source.h"
#include "transport/datagram_socket.h"
#include "transport/sending.h"

namespace kestrel {

struct SegmentLinkEvents {
    // The queue turned from empty to non-empty: take the replies.
    std::function<void()> replies_waiting;
    // The capture's diagnostic lines; a full queue's line comes as a Warning.
    NoteSink notes;
    // A capture that ended by itself, with the number of the capture it
    // belongs to (see captureRun()): a report of a capture stopped or
    // replaced meanwhile is no longer news.
    std::function<void(const CaptureError& error, unsigned run)> lost;
};

class SegmentLink {
public:
    SegmentLink(DatagramSocket& socket, CaptureSource& capture, SegmentLinkEvents events);
    ~SegmentLink();  // stops the capture before the queue goes
    SegmentLink(const SegmentLink&) = delete;
    SegmentLink& operator=(const SegmentLink&) = delete;

    // Closes a socket still open, then opens a new one with broadcasting;
    // the new socket is bound to no adapter yet.
    SocketOpenResult openSocket();
    // Binds the socket to the adapter's address; on success every send goes
    // out through that adapter until the socket is opened or closed again.
    bool bindSocket(const AdapterEntry& adapter);
    void closeSocket();
    // The adapter the socket is bound to, nullptr when it is bound to none.
    const AdapterEntry* adapter() const { return adapter_ ? &*adapter_ : nullptr; }

    // Starts the capture on the adapter, every frame decoded into the queue.
    std::optional<CaptureError> startCapture(const AdapterEntry& adapter);
    // Safe when nothing runs; no frame reaches the queue after it returns.
    void stopCapture();
    // Counts every start and stop of the capture.
    unsigned captureRun() const { return run_; }
    // Which receiver the last start put to work, when the capture chooses one.
    std::optional<ReceiverReport> receiver() const { return capture_.receiverReport(); }

    // To the bound adapter's broadcast address; to one controller by the
    // sending rule. Without a bound adapter nothing is sent (Failed).
    SendOutcome sendBroadcast(ByteSpan bytes);
    ControllerSend sendToController(ByteSpan bytes, std::string_view controllerIp);

    // The decoded replies in arrival order; the owner takes them from here.
    ReplyQueue& replies() { return queue_; }

private:
    DatagramSocket& socket_;
    CaptureSource& capture_;
    std::optional<AdapterEntry> adapter_;  // the socket's, once bound
    SegmentLinkEvents events_;
    ReplyQueue queue_;
    std::atomic<unsigned> run_{0};
};

}  // namespace kestrel
