#include "transport/capture_worker.h"

#include <utility>

namespace kestrel {

void CaptureWorker::setLoopErrorSink(LoopErrorSink sink) {
    std::lock_guard lock(control_);
    loopErrorSink_ = std::move(sink);
}

void CaptureWorker::setNoteSink(NoteSink sink) {
    std::lock_guard lock(control_);
    noteSink_ = std::move(sink);
}

void CaptureWorker::waitFinished() {
    std::unique_lock lock(finishMutex_);
    finished_.wait(lock, [this] { return finishedFlag_; });
}

void CaptureWorker::launch(FrameSink sink) {
    sink_ = std::move(sink);
    workerLoss_ = loopErrorSink_;
    workerNote_ = noteSink_;
    {
        std::lock_guard lock(finishMutex_);
        finishedFlag_ = false;
    }
    stopRequested_ = false;
    running_ = true;
    worker_ = std::thread([this] { loop(); });
}

bool CaptureWorker::awaitFinish(std::chrono::milliseconds timeout) {
    std::unique_lock lock(finishMutex_);
    return finished_.wait_for(lock, timeout, [this] { return finishedFlag_; });
}

void CaptureWorker::joinWorker() {
    if (worker_.joinable()) worker_.join();
    sink_ = nullptr;
    workerLoss_ = nullptr;
    workerNote_ = nullptr;
}

void CaptureWorker::note(const NoteSink& sink, CaptureNote::Kind kind, std::string text) {
    if (sink) sink(CaptureNote{kind, std::move(text)});
}

void CaptureWorker::noteNow(CaptureNote::Kind kind, std::string text) const {
    note(noteSink_, kind, std::move(text));
}

void CaptureWorker::noteFromWorker(CaptureNote::Kind kind, std::string text) const {
    note(workerNote_, kind, std::move(text));
}

void CaptureWorker::finishRun(const std::optional<CaptureError>& lost) {
    running_ = false;
    if (lost && workerLoss_) workerLoss_(*lost);
    {
        std::lock_guard lock(finishMutex_);
        finishedFlag_ = true;
    }
    finished_.notify_all();
}

}  // namespace kestrel
