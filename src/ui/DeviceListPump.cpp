#include "ui/DeviceListPump.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QThreadPool>
#include <QTimer>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "ui/DeviceListModel.h"

namespace fendrix {

namespace {
constexpr std::size_t kTrimAfterRows = 1000;
constexpr int kTrimQuietMs = 300;
// A drain gives the event loop back after this long (a frame at 60 Hz is
// 16 ms; painting the list takes a few of them), and inserts at most this
// many rows at once, which takes well under a slice.
constexpr qint64 kDrainSliceMs = 5;
constexpr std::size_t kRowsPerInsertion = 2000;
}  // namespace

DeviceListPump::DeviceListPump(kestrel::ReplyQueue& queue, DeviceListModel& model, QObject* parent)
    : QObject(parent), model_(model), pump_(queue, model.appendableRows()) {}

void DeviceListPump::drain() {
    // A message box of an earlier reply is open (its nested event loop got
    // here): later replies wait until it closes, then follow in order.
    if (draining_ || stopped_) return;
    draining_ = true;
    // While a burst streams in, the queue never runs dry: the drain gives
    // the event loop back after a slice of time, so that the window keeps
    // painting and answering, and goes on where it stopped.
    QElapsedTimer slice;
    slice.start();
    bool more = false;
    for (;;) {
        if (slice.elapsed() >= kDrainSliceMs) {
            more = true;
            break;
        }
        auto step = pump_.next(kRowsPerInsertion);
        if (!step) break;
        if (step->scan_replies > 0) {
            rowsSinceTrim_ += step->scan_replies;
            model_.showAppendedRows();
            if (!listFullWarned_ && pump_.drops().list_full > 0) {
                listFullWarned_ = true;
                if (warn_) warn_(QString::fromLatin1(kListFull).arg(model_.rowCount()));
            }
            continue;
        }
        if (onReply_) onReply_(*step->reply, step->position);
        if (stopped_) break;
    }
    draining_ = false;
    if (more) {
        // Behind whatever waits already (paint, input), in order.
        QMetaObject::invokeMethod(
            this, [this] { drain(); }, Qt::QueuedConnection);
        return;
    }
    if (rowsSinceTrim_ >= kTrimAfterRows) {
        // Restarted by every drain that runs dry, so it fires once the burst is over.
        if (!trimTimer_) {
            trimTimer_ = new QTimer(this);
            trimTimer_->setSingleShot(true);
            connect(trimTimer_, &QTimer::timeout, this, [this] { trimAfterBurst(); });
        }
        trimTimer_->start(kTrimQuietMs);
    }
}

void DeviceListPump::trimAfterBurst() {
    rowsSinceTrim_ = 0;
    if (draining_) return;
    // A burst leaves its hand-over copies in the allocator's free lists; give
    // them back so that the process keeps only what the rows hold. Trimming a
    // heap of 100,000 rows takes longer than a frame, so it runs off the GUI
    // thread (malloc_trim takes the allocator's own locks).
    pump_.releaseMemory();
#ifdef __GLIBC__
    QThreadPool::globalInstance()->start([] { malloc_trim(0); });
#endif
}

}  // namespace fendrix
