// Capture through the helper fendrix-capture: it opens the device with the
// one capability it holds and streams pcap on a pipe, which is read here
// with libpcap's savefile reader, as a replayed file is, so that the frame
// handler sees the same frames as with an in-process capture.
#include <fcntl.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "transport/capture_helper_lines.h"
#include "transport/capture_helper_location.h"
#include "transport/capture_hints.h"
#include "transport/helper_process.h"
#include "transport/pcap_worker.h"

namespace kestrel {

namespace {

// The helper opens a 32 MiB ring; under a loaded machine that takes a while,
// but never this long.
constexpr auto kReadyTimeout = std::chrono::seconds(10);
// After SIGTERM the helper writes its counters and ends at once.
constexpr auto kStopTimeout = std::chrono::seconds(3);
// Room in the pipe for a burst while this side is not scheduled: 1 MiB, the
// largest size an unprivileged process may ask for by default, holds about
// 3,800 replies; the helper's kernel ring holds the rest.
constexpr int kStreamPipeBytes = 1 << 20;

CaptureError::Kind captureKind(helper::ErrorKind kind) {
    switch (kind) {
    case helper::ErrorKind::NoDevice: return CaptureError::Kind::NoDevice;
    case helper::ErrorKind::Permission: return CaptureError::Kind::NoRights;
    default: return CaptureError::Kind::OpenFailed;
    }
}

class HelperCapture final : public PcapWorker {
public:
    explicit HelperCapture(std::string savePath) : savePath_(std::move(savePath)) {}
    ~HelperCapture() override { stop(); }

    std::optional<CaptureError> start(const AdapterEntry& adapter, FrameSink sink) override {
        stop();
        std::lock_guard lock(control_);
        const std::string programDir = runningProgramDir();
        const auto path = findCaptureHelper(programDir);
        if (!path)
            return CaptureError{CaptureError::Kind::HelperMissing,
                                helperMissingText(captureHelperCandidates(programDir))};
        const bool byName = !adapter.if_name.empty();
        where_ = " (adapter " + adapter.description + ", " +
                 (byName ? "device " + adapter.if_name : "address " + adapter.ip_text) + ")";

        resetStatus();
        process_ = std::make_unique<HelperProcess>();
        const int spawned = process_->start(*path, {byName ? "--interface" : "--address",
                                                    byName ? adapter.if_name : adapter.ip_text});
        if (spawned != 0) {
            process_.reset();
            if (spawned == EACCES || spawned == EPERM)
                return CaptureError{CaptureError::Kind::HelperNotAllowed,
                                    helperNotAllowedText(*path)};
            return CaptureError{spawned == ENOENT ? CaptureError::Kind::HelperMissing
                                                  : CaptureError::Kind::OpenFailed,
                                "cannot run " + *path + ": " + std::strerror(spawned)};
        }
        (void)fcntl(process_->streamFd(), F_SETPIPE_SZ, kStreamPipeBytes);
        statusNote_ = noteSink();  // before the thread that alone reads it
        statusReader_ = std::thread([this, fd = process_->statusFd()] { readStatus(fd); });

        if (auto error = awaitReady(*path)) {
            abandon();
            return error;
        }
        if (!byName)
            where_ = " (adapter " + adapter.description + ", device " + readyDevice() + ")";
        if (auto error = openStream()) {
            abandon();
            return error;
        }
        if (auto error = takeLinkType("fendrix-capture's stream" + where_)) {
            abandon();
            return error;
        }
        // The helper's remarks on opening the device, on this thread like
        // the in-process capture's; later ones come from the status thread.
        for (const auto& text : takeEarlyWarnings())
            noteNow(CaptureNote::Kind::Warning, "capture warning: " + text + where_);
        launch(std::move(sink));
        return std::nullopt;
    }

    void stop() override {
        std::lock_guard lock(control_);
        if (!process_) return;
        requestStop();
        // The helper writes its last counters and ends; the stream then ends
        // and the worker leaves its loop by itself: nothing is closed under
        // a blocked read.
        process_->signal(SIGTERM);
        if (!awaitFinish(kStopTimeout)) process_->signal(SIGKILL);
        joinWorker();
        abandon();
    }

    CaptureStats stats() const override {
        std::lock_guard lock(statusMutex_);
        return {counters_.received, counters_.dropped, counters_.if_dropped};
    }

private:
    void resetStatus() {
        std::lock_guard lock(statusMutex_);
        ready_ = false;
        statusEnded_ = false;
        device_.clear();
        error_.reset();
        counters_ = {};
        earlyWarnings_.clear();
    }

    std::vector<std::string> takeEarlyWarnings() {
        std::lock_guard lock(statusMutex_);
        return std::move(earlyWarnings_);
    }

    // Status thread: every line of the helper's standard error until it ends.
    void readStatus(int fd) {
        std::string pending;
        char buf[4096];
        while (true) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            pending.append(buf, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                take(std::string_view(pending).substr(0, end));
                pending.erase(0, end + 1);
            }
        }
        std::lock_guard lock(statusMutex_);
        statusEnded_ = true;
        statusCv_.notify_all();
    }

    void take(std::string_view text) {
        const auto line = helper::parseLine(text);
        if (!line) return;  // not the helper's own format: nothing to act on
        std::string lateWarning;
        {
            std::lock_guard lock(statusMutex_);
            switch (line->type) {
            case helper::Line::Type::Ready:
                ready_ = true;
                device_ = line->text;
                break;
            case helper::Line::Type::Stats: counters_ = line->counters; break;
            case helper::Line::Type::Error: error_ = *line; break;
            case helper::Line::Type::Warning:
                if (ready_) lateWarning = "capture warning: " + line->text;
                else earlyWarnings_.push_back(line->text);
                break;
            }
            statusCv_.notify_all();
        }
        // Never under the lock: the sink writes a line, which may take a while.
        if (!lateWarning.empty()) note(statusNote_, CaptureNote::Kind::Warning, lateWarning);
    }

    std::string readyDevice() const {
        std::lock_guard lock(statusMutex_);
        return device_;
    }

    std::optional<CaptureError> awaitReady(const std::string& path) {
        std::unique_lock lock(statusMutex_);
        const bool answered = statusCv_.wait_for(
            lock, kReadyTimeout, [this] { return ready_ || error_ || statusEnded_; });
        if (ready_) return std::nullopt;
        if (error_) {
            const auto kind = captureKind(error_->error);
            if (kind == CaptureError::Kind::NoRights)
                return CaptureError{kind, helperLacksCapabilityText(path, error_->text + where_)};
            return CaptureError{kind, error_->text + where_};
        }
        if (!answered)
            return CaptureError{CaptureError::Kind::OpenFailed,
                                "fendrix-capture did not open the capture in time" + where_};
        lock.unlock();
        const int status = process_->reap();
        return CaptureError{CaptureError::Kind::OpenFailed,
                            "fendrix-capture ended without opening the capture (" +
                                describeWaitStatus(status) + ")" + where_};
    }

    std::optional<CaptureError> openStream() {
        const int fd = process_->releaseStream();
        FILE* file = fdopen(fd, "rb");
        if (file == nullptr) {
            ::close(fd);
            return CaptureError{
                CaptureError::Kind::OpenFailed,
                std::string("cannot read the capture stream: ") + std::strerror(errno) + where_};
        }
        char err[PCAP_ERRBUF_SIZE] = {};
        // The helper wrote the stream's header before it said ready.
        handle_ = pcap_fopen_offline(file, err);
        if (handle_ == nullptr) {
            std::fclose(file);
            return CaptureError{CaptureError::Kind::OpenFailed,
                                std::string("cannot read the capture stream: ") + err + where_};
        }
        if (!savePath_.empty()) return saveFramesTo(savePath_);
        return std::nullopt;
    }

    // Ends the helper if it still runs, waits for both of its channels and
    // reaps it; then nothing of this run is left.
    void abandon() {
        process_->signal(SIGKILL);
        if (statusReader_.joinable()) statusReader_.join();
        process_->reap();
        closeHandle();
        process_.reset();
    }

    void loop() override {
        // Ends when the stream does: the helper ended, asked to or not.
        const int rc = runLoop();
        const std::string streamError = rc == PCAP_ERROR ? pcap_geterr(handle_) : "";
        std::optional<CaptureError> lost;
        if (!stopRequested()) {
            std::string why;
            {
                std::unique_lock lock(statusMutex_);
                statusCv_.wait(lock, [this] { return statusEnded_; });
                if (error_) why = error_->text;
            }
            const int status = process_->reap();
            if (why.empty())
                why = "fendrix-capture ended (" + describeWaitStatus(status) + ")" +
                      (streamError.empty() ? "" : ": " + streamError);
            noteFromWorker(CaptureNote::Kind::LoopError, "capture: " + why + where_);
            lost = CaptureError{
                CaptureError::Kind::LoopFailed,
                "The capture stopped: " + why + where_ + ". Replies are no longer received."};
        }
        // A live capture's loop ends only when it is stopped or fails, as the
        // in-process one's does: the same note, whichever way replies come.
        noteFromWorker(CaptureNote::Kind::LoopEnded, {});
        finishRun(lost);
    }

    const std::string savePath_;  // also write every frame there (pcap file) when set
    std::unique_ptr<HelperProcess> process_;
    std::thread statusReader_;
    std::string where_;    // adapter and device, for messages
    NoteSink statusNote_;  // the status thread's copy

    mutable std::mutex statusMutex_;  // what the status thread learnt
    std::condition_variable statusCv_;
    bool ready_ = false;
    bool statusEnded_ = false;
    std::string device_;  // as the ready line named it
    std::optional<helper::Line> error_;
    std::vector<std::string> earlyWarnings_;  // said before ready, noted by start()
    helper::Counters counters_;
};

}  // namespace

std::unique_ptr<PcapCaptureSource> makeHelperCapture(const CaptureOptions& options) {
    return std::make_unique<HelperCapture>(options.save_path);
}

}  // namespace kestrel
