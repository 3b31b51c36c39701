#pragma once
// What every capture source that runs a worker shares: the sinks it is given,
// the worker thread that runs its loop, and the end of each run (a loss that
// no stop() asked for is reported once, then the end is announced to whoever
// waits for it). Each source keeps its own opening, loop and closing.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "transport/capture_source.h"
#include "transport/platform.h"

namespace kestrel {

class CaptureWorker : public PcapCaptureSource {
public:
    bool running() const override { return running_; }
    void setLoopErrorSink(LoopErrorSink sink) override;
    void setNoteSink(NoteSink sink) override;
    void waitFinished() override;

protected:
    // The source's loop, on the worker: it hands each frame to deliver() and
    // ends with finishRun().
    virtual void loop() = 0;

    // Under control_, once the source is open: the run takes `sink` and the
    // loss and note sinks set so far, and the worker starts.
    void launch(FrameSink sink);
    bool launched() const { return worker_.joinable(); }
    // Set before the loop is told to end, so that its end is not taken for a
    // loss.
    void requestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }
    // Whether the worker finished within `timeout`.
    bool awaitFinish(std::chrono::milliseconds timeout);
    // Under control_, once the loop has been told to end: joins the worker
    // and lets go of the run's sinks.
    void joinWorker();

    // On the thread that calls start(): a note to the sink set so far.
    void noteNow(CaptureNote::Kind kind, std::string text) const;
    // The note sink set so far, for a thread of the source's own.
    const NoteSink& noteSink() const { return noteSink_; }
    // On the worker.
    void deliver(ByteSpan frame, LinkType link) const { sink_(frame, link); }
    void noteFromWorker(CaptureNote::Kind kind, std::string text) const;
    // Last thing on the worker. The loss is reported before the end is
    // announced, so that a waitFinished() caller already knows about it.
    void finishRun(const std::optional<CaptureError>& lost);

    // A note to `sink`, when there is one.
    static void note(const NoteSink& sink, CaptureNote::Kind kind, std::string text);

    mutable std::mutex control_;  // start, stop and the source's counters

private:
    LoopErrorSink loopErrorSink_;  // for the next start
    NoteSink noteSink_;            // for the next start
    FrameSink sink_;               // the running worker's
    LoopErrorSink workerLoss_;     // the running worker's copy
    NoteSink workerNote_;          // the running worker's copy
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> running_{false};
    std::thread worker_;

    std::mutex finishMutex_;
    std::condition_variable finished_;
    bool finishedFlag_ = true;
};

}  // namespace kestrel
