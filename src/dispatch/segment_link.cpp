#include "dispatch/segment_link.h"

#include <utility>

#include "dispatch/frame_handler.h"

namespace kestrel {

SegmentLink::SegmentLink(DatagramSocket& socket, CaptureSource& capture, SegmentLinkEvents events)
    : socket_(socket), capture_(capture), events_(std::move(events)) {
    queue_.setNotify([this] {
        if (events_.replies_waiting) events_.replies_waiting();
    });
    queue_.setOverflowNote([this](const std::string& line) {
        if (events_.notes) events_.notes(CaptureNote{CaptureNote::Kind::Warning, line});
    });
    capture_.setNoteSink(events_.notes);
}

SegmentLink::~SegmentLink() { stopCapture(); }

SocketOpenResult SegmentLink::openSocket() {
    closeSocket();
    return socket_.open();
}

bool SegmentLink::bindSocket(const AdapterEntry& adapter) {
    adapter_.reset();
    if (!socket_.bind(adapter)) return false;
    adapter_ = adapter;
    return true;
}

void SegmentLink::closeSocket() {
    adapter_.reset();
    if (socket_.isOpen()) socket_.close();
}

std::optional<CaptureError> SegmentLink::startCapture(const AdapterEntry& adapter) {
    const unsigned run = ++run_;
    capture_.setLoopErrorSink([this, run](const CaptureError& error) {
        if (events_.lost) events_.lost(error, run);
    });
    // Runs on the capture worker: decode, queue, never wait for the owner.
    return capture_.start(adapter, [this](ByteSpan frame, LinkType link) {
        if (auto event = handleFrame(frame, link)) queue_.push(std::move(*event));
    });
}

void SegmentLink::stopCapture() {
    // A paced source may be waiting for room in the queue: let it go, so
    // that it leaves its loop.
    queue_.stopPacing();
    capture_.stop();
    ++run_;
}

SendOutcome SegmentLink::sendBroadcast(ByteSpan bytes) {
    if (!adapter_) return SendOutcome::Failed;
    return kestrel::sendBroadcast(socket_, *adapter_, bytes);
}

ControllerSend SegmentLink::sendToController(ByteSpan bytes, std::string_view controllerIp) {
    if (!adapter_) return {};
    return kestrel::sendToController(socket_, *adapter_, bytes, controllerIp);
}

}  // namespace kestrel
