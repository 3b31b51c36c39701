// fendrix-burst-window: the real main window on the real network seams,
// timed while a burst of scan replies arrives. It waits for the start-up
// scan, watches the device model and prints one line of figures:
//   burst-window: rows=N insert_ms=.. gui_cpu_ms=.. max_batch_ms=.. batches=..
//     last_row_at=<CLOCK_REALTIME s> rss_before_kib=.. rss_growth_kib=..
//     anon_growth_kib=.. rss_in_insert_growth_kib=.. pcap_received=.. pcap_dropped=..
//     pcap_ifdropped=.. max_stall_ms=.. max_stall_cpu_ms=.. max_stall_cpu_rows=..
//     max_event_cpu_ms=.. max_event_type=.. receiver=..
// max_stall_ms is the longest time the GUI thread's event loop did not come
// round, from just before the start-up scan to the end: the longest the
// window was frozen while the rows arrived. max_stall_cpu_ms is the most
// CPU time the GUI thread spent between two turns of its loop: the window's
// own share, which on a loaded machine is well below the wall time (other
// processes have the CPU meanwhile); max_stall_cpu_rows, the rows listed when
// that stall ended, places it in the burst. max_event_cpu_ms and
// max_event_type (a QEvent::Type) are the costliest single event the loop
// handed out; what it was, and what the events of the longest stall were, go
// to stderr.
// Prompts and desktop actions are printed, never shown.
// Usage: fendrix-burst-window --rows N [--idle-ms MS] [--buffer-kib K]
//        [--timeout-ms MS] [--immediate 0|1] [--receiver auto|helper|in-process|socket]
// --receiver picks one way for the replies (default auto: the window's own
// choice); the capture options apply to the in-process capture only.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CKestrelInstallerDlg.h"
#include "transport/capture_chooser.h"
#include "ui/DeviceListModel.h"

using fendrix::CKestrelInstallerDlg;

namespace {

class PrintingPrompts : public kestrel::Prompts {
public:
    void show(std::string_view text, kestrel::PromptIcon) override {
        std::printf("PROMPT %.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(stdout);
    }
    std::optional<kestrel::SaveChoice> askSavePath(std::string_view,
                                                   const std::vector<std::string>&) override {
        return std::nullopt;  // the burst never exports
    }
};

class PrintingDesktop : public kestrel::Desktop {
public:
    void openUrl(const std::string& url) override { std::printf("OPEN %s\n", url.c_str()); }
    std::string programPath() override {
        return QCoreApplication::applicationFilePath().toStdString();
    }
    void exitProcess(int code) override {
        std::printf("EXIT %d\n", code);
        std::fflush(nullptr);
        std::_Exit(code);
    }
};

// A field of /proc/self/status in KiB (VmRSS, RssAnon), -1 when missing.
long long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string key = std::string(field) + ":";
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + key.size());
    return -1;
}

double clockSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Times every event the GUI thread's loop hands out (not those sent from
// inside one): the costliest single event, and what the events between the
// two ticks of the longest stall were, tell which part of the window a stall
// belongs to.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    struct Spent {
        int type;
        // Class descriptions outlive the objects, which the event may delete.
        const QMetaObject* receiver;
        const QMetaObject* owner;
        double wall_ms, cpu_ms;
    };

    bool notify(QObject* receiver, QEvent* event) override {
        if (!timing || depth_ > 0) return nested(receiver, event);
        Spent spent{event->type(), receiver->metaObject(),
                    receiver->parent() ? receiver->parent()->metaObject() : nullptr, 0, 0};
        QElapsedTimer wall;
        wall.start();
        const double before = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
        const bool handled = nested(receiver, event);
        spent.cpu_ms = (clockSeconds(CLOCK_THREAD_CPUTIME_ID) - before) * 1e3;
        spent.wall_ms = static_cast<double>(wall.nsecsElapsed()) / 1e6;
        if (!timing) return handled;  // the end of the run: closing is no stall
        if (spent.cpu_ms > longest.cpu_ms) longest = spent;
        if ((spent.wall_ms >= 0.2 || spent.cpu_ms >= 0.2) && gap_.size() < 32)
            gap_.push_back(spent);
        return handled;
    }

    // At each tick: whether the gap that ends is the longest so far.
    void tick(bool longestGap) {
        if (longestGap) worstGap_ = gap_;
        gap_.clear();
    }

    static std::string describe(const Spent& spent) {
        char figures[64];
        std::snprintf(figures, sizeof figures, " %.1f ms (%.1f ms CPU)", spent.wall_ms,
                      spent.cpu_ms);
        std::string text = "event " + std::to_string(spent.type) + " to " +
                           (spent.receiver ? spent.receiver->className() : "none");
        if (spent.owner) text += std::string(" of ") + spent.owner->className();
        return text + figures;
    }
    std::string describeWorstGap() const {
        std::string text;
        for (const Spent& spent : worstGap_) text += (text.empty() ? "" : "; ") + describe(spent);
        return text.empty() ? "no event of 0.2 ms or more" : text;
    }

    bool timing = false;
    Spent longest{0, nullptr, nullptr, 0, 0};

private:
    bool nested(QObject* receiver, QEvent* event) {
        ++depth_;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave{depth_};
        return QApplication::notify(receiver, event);
    }
    int depth_ = 0;
    std::vector<Spent> gap_, worstGap_;
};

struct Args {
    int rows = 0;
    int idle_ms = 3000;  // gives up this long after the last row (or the scan)
    kestrel::CaptureOptions capture;
    QString receiver = QStringLiteral("auto");
};

std::unique_ptr<kestrel::CaptureChooser> makeCapture(const Args& args) {
    using kestrel::Receiver;
    if (args.receiver == QLatin1String("auto"))
        return kestrel::makeCaptureChooser(kestrel::ReceiverMode::Auto, args.capture);
    std::vector<kestrel::ReceiverCandidate> only;
    if (args.receiver == QLatin1String("helper"))
        only.push_back({Receiver::Helper, kestrel::makeHelperCapture()});
    else if (args.receiver == QLatin1String("in-process"))
        only.push_back({Receiver::InProcess, kestrel::makePcapCapture(args.capture)});
    else if (args.receiver == QLatin1String("socket"))
        only.push_back({Receiver::Socket, kestrel::makeSocketReceiver()});
    else return nullptr;
    return std::make_unique<kestrel::CaptureChooser>(std::move(only));
}

bool parse(const QStringList& all, Args& args) {
    for (qsizetype i = 1; i + 1 < all.size(); i += 2) {
        if (all[i] == QLatin1String("--receiver")) {
            args.receiver = all[i + 1];
            continue;
        }
        bool ok = false;
        const int value = all[i + 1].toInt(&ok);
        if (!ok) return false;
        if (all[i] == QLatin1String("--rows")) args.rows = value;
        else if (all[i] == QLatin1String("--idle-ms")) args.idle_ms = value;
        else if (all[i] == QLatin1String("--buffer-kib")) args.capture.buffer_bytes = value * 1024;
        else if (all[i] == QLatin1String("--timeout-ms")) args.capture.timeout_ms = value;
        else if (all[i] == QLatin1String("--immediate")) args.capture.immediate = value != 0;
        else return false;
    }
    return all.size() % 2 == 1 && args.rows > 0;
}

}  // namespace

int main(int argc, char** argv) {
    TimedApplication app(argc, argv);
    Args args;
    const auto capture = parse(QCoreApplication::arguments(), args) ? makeCapture(args) : nullptr;
    if (!capture) {
        std::fputs(
            "usage: fendrix-burst-window --rows N [--idle-ms MS] [--buffer-kib K] "
            "[--timeout-ms MS] [--immediate 0|1] [--receiver auto|helper|in-process|socket]\n",
            stderr);
        return 2;
    }

    const auto adapters = kestrel::makeSystemAdapterSource();
    const auto socket = kestrel::makeUdpSocket();
    PrintingPrompts prompts;
    PrintingDesktop desktop;
    CKestrelInstallerDlg window(kestrel::Seams{*adapters, *socket, *capture, prompts, desktop},
                                {QCoreApplication::applicationFilePath()});
    window.show();
    const fendrix::DeviceListModel& model = window.deviceModel();

    // Sampled while the window idles before its start-up scan.
    long long rssBefore = -1, anonBefore = -1;
    double cpuBefore = 0;
    QTimer::singleShot(500, [&] {
        rssBefore = statusKiB("VmRSS");
        anonBefore = statusKiB("RssAnon");
        cpuBefore = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
    });

    // A tick every millisecond while the burst may arrive: the longest gap
    // between two ticks is the longest the event loop was held up.
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QElapsedTimer sinceTick;
    qint64 maxStallNs = 0;
    double cpuAtTick = 0, maxStallCpu = 0;
    int maxStallCpuRows = -1;  // rows shown when the longest stall ended: where it lies
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double cpu = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
        const qint64 gap = sinceTick.nsecsElapsed();
        const bool longestGap = gap > maxStallNs;
        if (longestGap) maxStallNs = gap;
        app.tick(longestGap);
        if (cpu - cpuAtTick > maxStallCpu) {
            maxStallCpu = cpu - cpuAtTick;
            maxStallCpuRows = model.rowCount();
        }
        cpuAtTick = cpu;
        sinceTick.start();
    });
    QTimer::singleShot(900, [&] {
        cpuAtTick = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
        sinceTick.start();
        ticker.start();
        app.timing = true;
    });

    // The insertion proper: from the model's announcement to the views'
    // handling of it (these connections run after the view's own).
    QElapsedTimer insertTimer;
    qint64 insertNs = 0, maxBatchNs = 0;
    int batches = 0;
    double lastRowAt = 0, cpuAtLastRow = 0;
    long long rssAfter = -1, anonAfter = -1, rssInInsert = -1;
    // Figures are taken before quitting: quitting closes the window, which
    // empties its list and stops the capture.
    int rows = 0;
    kestrel::CaptureStats stats;
    std::optional<kestrel::ReceiverReport> receiver;
    auto finish = [&] {
        ticker.stop();
        app.timing = false;
        rows = model.rowCount();
        stats = capture->stats();
        receiver = capture->receiverReport();
        rssAfter = statusKiB("VmRSS");
        anonAfter = statusKiB("RssAnon");
        app.quit();
    };
    QTimer idle;
    idle.setSingleShot(true);
    QObject::connect(&idle, &QTimer::timeout, finish);
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted,
                     [&] { insertTimer.start(); });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] {
        const qint64 ns = insertTimer.nsecsElapsed();
        insertNs += ns;
        maxBatchNs = std::max(maxBatchNs, ns);
        ++batches;
        lastRowAt = clockSeconds(CLOCK_REALTIME);
        cpuAtLastRow = clockSeconds(CLOCK_THREAD_CPUTIME_ID);
        if (model.rowCount() >= args.rows) {
            // Still inside the drain: the batch in flight is counted here,
            // the settled figures come once the window idles again.
            rssInInsert = statusKiB("VmRSS");
            // A short grace period shows extra (doubled) rows, if any.
            idle.start(300);
        } else {
            idle.start(args.idle_ms);
        }
    });
    // The start-up scan comes after one second; the idle limit counts from there.
    QTimer::singleShot(1000 + args.idle_ms, [&] {
        if (!idle.isActive()) finish();
    });
    app.exec();

    std::printf(
        "burst-window: rows=%d insert_ms=%.3f gui_cpu_ms=%.3f max_batch_ms=%.3f batches=%d "
        "last_row_at=%.6f rss_before_kib=%lld rss_growth_kib=%lld anon_growth_kib=%lld "
        "rss_in_insert_growth_kib=%lld "
        "pcap_received=%llu pcap_dropped=%llu pcap_ifdropped=%llu max_stall_ms=%.3f "
        "max_stall_cpu_ms=%.3f max_stall_cpu_rows=%d max_event_cpu_ms=%.3f max_event_type=%d "
        "receiver=%s\n",
        rows, static_cast<double>(insertNs) / 1e6,
        batches > 0 ? (cpuAtLastRow - cpuBefore) * 1e3 : 0.0, static_cast<double>(maxBatchNs) / 1e6,
        batches, lastRowAt, rssBefore, rssAfter - rssBefore, anonAfter - anonBefore,
        rssInInsert < 0 ? -1 : rssInInsert - rssBefore,
        static_cast<unsigned long long>(stats.received),
        static_cast<unsigned long long>(stats.dropped),
        static_cast<unsigned long long>(stats.if_dropped), static_cast<double>(maxStallNs) / 1e6,
        maxStallCpu * 1e3, maxStallCpuRows, app.longest.cpu_ms, app.longest.type,
        receiver ? std::string(kestrel::receiverWord(receiver->receiver)).c_str() : "none");
    std::fprintf(stderr, "burst-window: the costliest event: %s\n",
                 TimedApplication::describe(app.longest).c_str());
    std::fprintf(stderr, "burst-window: the longest stall held: %s\n",
                 app.describeWorstGap().c_str());
    std::fflush(stdout);
    return 0;
}
