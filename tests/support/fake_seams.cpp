#include "fake_seams.h"

#include <thread>

namespace fendrix::testing {

std::vector<kestrel::SystemAdapter> twoAdapters() {
    return {
        {"eth-test0", "192.168.1.10", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, "veth0"},
        {"eth-test1", "10.0.0.5", {0x00, 0xaa, 0xbb, 0xcc, 0xdd, 0xee}, "veth1"},
    };
}

kestrel::SocketOpenResult FakeSocket::open() {
    ++opens;
    open_ = openSucceeds;
    return {open_, open_ ? std::string() : openDiagnostic};
}

bool FakeSocket::bind(const kestrel::AdapterEntry& adapter) {
    if (!open_ || !bindSucceeds) return false;
    boundTo.push_back(adapter.ip_text);
    return true;
}

long FakeSocket::sendTo(std::string_view ip, std::uint16_t port, kestrel::ByteSpan bytes) {
    if (!open_) return -1;
    sent.push_back({std::string(ip), port, {bytes.begin(), bytes.end()}});
    return sendAnswer.value_or(static_cast<long>(bytes.size()));
}

void FakeSocket::close() {
    ++closes;
    open_ = false;
}

std::optional<kestrel::CaptureError> FakeCapture::start(const kestrel::AdapterEntry& adapter,
                                                        kestrel::FrameSink sink) {
    startedOn.push_back(adapter.ip_text);
    if (startError) return startError;
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
    running_ = true;
    return std::nullopt;
}

void FakeCapture::stop() {
    ++stops;
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
    running_ = false;
}

bool FakeCapture::push(const std::vector<std::uint8_t>& frame) {
    std::lock_guard lock(mutex_);  // like the real stop(): no frame after it returns
    if (!sink_) return false;
    sink_(kestrel::ByteSpan(frame.data(), frame.size()), kestrel::LinkType::Ethernet);
    ++delivered_;  // counted under the lock, so a stop() that returned has seen it
    return true;
}

void FakeCapture::setLoopErrorSink(kestrel::LoopErrorSink sink) {
    std::lock_guard lock(mutex_);
    loopError_ = std::move(sink);
}

bool FakeCapture::failLoop(const std::string& message) {
    kestrel::LoopErrorSink report;
    {
        std::lock_guard lock(mutex_);
        if (!sink_) return false;
        sink_ = nullptr;
        running_ = false;
        report = loopError_;
    }
    if (report) {
        std::thread worker([&] {
            report(kestrel::CaptureError{kestrel::CaptureError::Kind::LoopFailed, message});
        });
        worker.join();
    }
    return true;
}

void FakePrompts::show(std::string_view text, kestrel::PromptIcon icon) {
    shown.push_back({std::string(text), icon});
    const Prompt open = shown.back();  // whileOpen may show another
    if (whileOpen) whileOpen(open);
}

std::optional<kestrel::SaveChoice> FakePrompts::askSavePath(std::string_view title,
                                                            const std::vector<std::string>&) {
    saveTitles.emplace_back(title);
    return saveAnswer;
}

std::vector<std::string> FakePrompts::texts() const {
    std::vector<std::string> out;
    for (const auto& p : shown) out.push_back(p.text);
    return out;
}

}  // namespace fendrix::testing
