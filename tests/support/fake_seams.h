#pragma once
// In-process stand-ins for the main window's outside world. Nothing here
// touches a network interface, the browser or the process.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "seams/seams.h"

namespace fendrix::testing {

class FakeAdapterSource : public kestrel::AdapterSource {
public:
    std::optional<std::vector<kestrel::SystemAdapter>> table;  // nothing: table not available
    std::optional<std::vector<kestrel::SystemAdapter>> list() override { return table; }
};

// Two adapters in different subnets, with fixed MAC texts.
std::vector<kestrel::SystemAdapter> twoAdapters();

struct SentDatagram {
    std::string ip;
    std::uint16_t port = 0;
    std::vector<std::uint8_t> bytes;
};

class FakeSocket : public kestrel::DatagramSocket {
public:
    bool openSucceeds = true;
    std::string openDiagnostic;  // what a failed open() has to say
    bool bindSucceeds = true;
    std::optional<long> sendAnswer;  // the byte count sendTo() reports; default: all of them

    std::vector<SentDatagram> sent;
    std::vector<std::string> boundTo;  // ip_text of each successful bind
    int opens = 0;
    int closes = 0;

    kestrel::SocketOpenResult open() override;
    bool bind(const kestrel::AdapterEntry& adapter) override;
    long sendTo(std::string_view ip, std::uint16_t port, kestrel::ByteSpan bytes) override;
    void close() override;
    bool isOpen() const override { return open_; }

private:
    bool open_ = false;
};

class FakeCapture : public kestrel::CaptureSource {
public:
    std::optional<kestrel::CaptureError> startError;  // answered by start()
    std::optional<kestrel::ReceiverReport> receiver;  // which receiver a chooser would have run

    std::vector<std::string> startedOn;  // ip_text per start
    int stops = 0;

    std::optional<kestrel::CaptureError> start(const kestrel::AdapterEntry& adapter,
                                               kestrel::FrameSink sink) override;
    void stop() override;
    bool running() const override { return running_; }

    // Hands a whole Ethernet frame to the window's frame sink, as the worker
    // would; callable from any thread. False when no capture runs.
    bool push(const std::vector<std::uint8_t>& frame);
    // Frames handed to the sink so far.
    int delivered() const { return delivered_; }

    void setLoopErrorSink(kestrel::LoopErrorSink sink) override;
    std::optional<kestrel::ReceiverReport> receiverReport() const override { return receiver; }
    // Ends the running capture as a loop that fails by itself would: reports
    // `message` from another thread, like the worker. False when none runs.
    bool failLoop(const std::string& message);

private:
    mutable std::mutex mutex_;
    kestrel::FrameSink sink_;
    std::atomic<int> delivered_{0};
    kestrel::LoopErrorSink loopError_;
    std::atomic<bool> running_{false};
};

struct Prompt {
    std::string text;
    kestrel::PromptIcon icon;
};

class FakePrompts : public kestrel::Prompts {
public:
    std::vector<Prompt> shown;
    // Runs while the "box" is open, e.g. to spin the event loop like a real one.
    std::function<void(const Prompt&)> whileOpen;

    // The save dialog: what it answers, and the titles it was opened with.
    std::optional<kestrel::SaveChoice> saveAnswer;
    std::vector<std::string> saveTitles;

    void show(std::string_view text, kestrel::PromptIcon icon) override;
    std::optional<kestrel::SaveChoice> askSavePath(
        std::string_view title, const std::vector<std::string>& filters) override;
    std::vector<std::string> texts() const;
};

class FakeDesktop : public kestrel::Desktop {
public:
    std::string program = "/opt/fendrix/bin/fendrix";
    std::vector<std::string> urls;
    std::vector<int> exitCodes;  // recorded; the process goes on

    void openUrl(const std::string& url) override { urls.push_back(url); }
    std::string programPath() override { return program; }
    void exitProcess(int code) override { exitCodes.push_back(code); }
};

// Everything a window needs, fakes all.
struct FakeWorld {
    FakeAdapterSource adapters;
    FakeSocket socket;
    FakeCapture capture;
    FakePrompts prompts;
    FakeDesktop desktop;

    FakeWorld() { adapters.table = twoAdapters(); }
    kestrel::Seams seams() { return {adapters, socket, capture, prompts, desktop}; }
};

}  // namespace fendrix::testing
