#pragma once
// The window's side of the reply pump (dispatch/reply_pump.h): drains the
// reply queue on the GUI thread into the device list model. A burst never
// freezes the window: a drain gives the event loop back after a slice of
// 5 ms and goes on where it stopped, and shows at most 2,000 new rows with
// one insertion. A result or apply reply goes to the window's handler; a
// message box that it opens holds the queue (not the capture worker) until
// it closes, then later replies follow in order. Once a burst is over, the
// allocator gives its memory back, off the GUI thread.
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "dispatch/reply_pump.h"
#include "dispatch/reply_queue.h"

class QTimer;

namespace fendrix {

class DeviceListModel;

class DeviceListPump : public QObject {
    Q_OBJECT
public:
    using ReplyHandler = std::function<void(kestrel::ReplyEvent& reply, std::uint64_t position)>;
    using Warn = std::function<void(const QString& text)>;

    static constexpr char kListFull[] =
        "The device list is full (%1 rows): further controllers that answer are not listed.";

    DeviceListPump(kestrel::ReplyQueue& queue, DeviceListModel& model, QObject* parent = nullptr);

    // Result and apply replies, in arrival order with their positions.
    void setReplyHandler(ReplyHandler handler) { onReply_ = std::move(handler); }
    // Once per pump, when the list is full and a further controller answers.
    void setWarn(Warn warn) { warn_ = std::move(warn); }

    // Handles what waits, slice by slice; on the GUI thread (the queue's
    // notify posts it there).
    void drain();
    // The window is closing: no reply is handled after this.
    void stop() { stopped_ = true; }

    kestrel::ReplyDrops drops() const { return pump_.drops(); }

private:
    void trimAfterBurst();

    DeviceListModel& model_;
    kestrel::ReplyPump pump_;
    ReplyHandler onReply_;
    Warn warn_;
    bool draining_ = false;
    bool stopped_ = false;
    bool listFullWarned_ = false;  // a flood would repeat it forever
    std::size_t rowsSinceTrim_ = 0;
    QTimer* trimTimer_ = nullptr;  // gives a burst's memory back once the replies stop
};

}  // namespace fendrix
