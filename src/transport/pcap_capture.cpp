// libpcap capture of controller replies on a worker thread, live on an
// adapter's device or replayed from a file.
#include <pcap/pcap.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "transport/capture_settings.h"
#include "transport/pcap_device_choice.h"
#include "transport/pcap_runtime.h"
#include "transport/pcap_worker.h"
#include "transport/platform.h"
#include "wire/protocol.h"

namespace kestrel {

namespace {

std::string activateError(pcap_t* handle, int status) {
    std::string text = pcap_statustostr(status);
    const std::string detail = pcap_geterr(handle);
    if (!detail.empty()) text += ": " + detail;
    return text;
}

class PcapCapture final : public PcapWorker {
public:
    // Live capture when `file` is empty, otherwise a replay of that file.
    PcapCapture(CaptureOptions options, std::string file)
        : options_(std::move(options)), file_(std::move(file)) {}
    ~PcapCapture() override { stop(); }

    std::optional<CaptureError> start(const AdapterEntry& adapter, FrameSink sink) override {
        stop();
        std::lock_guard lock(control_);
        auto opened = file_.empty() ? openLive(adapter) : openFile();
        if (!opened) {
            closeHandle();
            return opened.error;
        }
        stats_ = {};
        launch(std::move(sink));
        return std::nullopt;
    }

    void stop() override {
        std::lock_guard lock(control_);
        if (handle_ == nullptr) return;
        // Set before the break so that a loop ending now is not taken for a
        // lost device.
        requestStop();
        pcap_breakloop(handle_);
        joinWorker();
        // Only now that the worker has left the loop may the handle go.
        snapshotStats();
        closeHandle();
    }

    CaptureStats stats() const override {
        std::lock_guard lock(control_);
        if (handle_ != nullptr && file_.empty()) {
            pcap_stat s{};
            if (pcap_stats(handle_, &s) == 0) return {s.ps_recv, s.ps_drop, s.ps_ifdrop};
        }
        return stats_;
    }

private:
    struct Opened {
        std::optional<CaptureError> error;
        explicit operator bool() const { return !error; }
    };
    static Opened fail(CaptureError::Kind kind, std::string message) {
        return {CaptureError{kind, std::move(message)}};
    }
    Opened openLive(const AdapterEntry& adapter) {
        if (auto missing = captureLibraryProblem())
            return fail(CaptureError::Kind::NoLibrary, *missing);
        char err[PCAP_ERRBUF_SIZE] = {};
        pcap_if_t* devices = nullptr;
        if (pcap_findalldevs(&devices, err) != 0)
            return fail(CaptureError::Kind::ListFailed,
                        std::string("cannot list capture devices: ") + err);
        std::unique_ptr<pcap_if_t, decltype(&pcap_freealldevs)> guard(devices, &pcap_freealldevs);

        const pcap_if_t* device = chooseCaptureDevice(devices, adapter.ip_text);
        if (device == nullptr)
            return fail(CaptureError::Kind::NoDevice, "no capture device has the address " +
                                                          adapter.ip_text + " of adapter " +
                                                          adapter.description);
        const std::string name = device->name;
        const std::string where = " (adapter " + adapter.description + ", device " + name + ")";
        where_ = where;

        handle_ = pcap_create(name.c_str(), err);
        if (handle_ == nullptr)
            return fail(CaptureError::Kind::OpenFailed, std::string(err) + where);
        pcap_set_snaplen(handle_, options_.snapshot_length);
        pcap_set_promisc(handle_, options_.promiscuous ? 1 : 0);
        pcap_set_timeout(handle_, options_.timeout_ms);
        pcap_set_buffer_size(handle_, options_.buffer_bytes);
        pcap_set_immediate_mode(handle_, options_.immediate ? 1 : 0);
        const int status = pcap_activate(handle_);
        if (status < 0) {
            // Only a refusal of the right is a matter of rights: a device that
            // is down or gone is not mended by root.
            const bool refused =
                status == PCAP_ERROR_PERM_DENIED || status == PCAP_ERROR_PROMISC_PERM_DENIED;
            return fail(refused ? CaptureError::Kind::NoRights : CaptureError::Kind::OpenFailed,
                        activateError(handle_, status) + where);
        }
        if (status > 0)
            noteNow(CaptureNote::Kind::Warning,
                    "capture warning: " + activateError(handle_, status) + where);

        if (auto error = takeLinkType("device " + name + " of adapter " + adapter.description))
            return {error};
        if (auto filtered = installFilter(where); !filtered) return filtered;
        if (!options_.save_path.empty()) return {saveFramesTo(options_.save_path)};
        return {};
    }

    Opened openFile() {
        if (auto missing = captureLibraryProblem())
            return fail(CaptureError::Kind::NoLibrary, *missing);
        char err[PCAP_ERRBUF_SIZE] = {};
        handle_ = pcap_open_offline(file_.c_str(), err);
        if (handle_ == nullptr)
            return fail(CaptureError::Kind::OpenFailed, "cannot read " + file_ + ": " + err);
        where_ = " (file " + file_ + ")";
        if (auto error = takeLinkType(file_)) return {error};
        return installFilter(where_);
    }

    Opened installFilter(const std::string& where) {
        // Only Ethernet carries 802.1Q tags in the frame (libpcap's "vlan"
        // knows no other link type); a cooked capture sees them stripped.
        const char* filter = link_ == LinkType::Ethernet ? capture_settings::kReplyFilter
                                                         : capture_settings::kReplyFilterUntagged;
        bpf_program program{};
        if (pcap_compile(handle_, &program, filter, 1, 0) != 0)
            return fail(CaptureError::Kind::OpenFailed,
                        std::string("cannot compile filter: ") + pcap_geterr(handle_) + where);
        const int rc = pcap_setfilter(handle_, &program);
        pcap_freecode(&program);
        if (rc != 0)
            return fail(CaptureError::Kind::OpenFailed,
                        std::string("cannot install filter: ") + pcap_geterr(handle_) + where);
        return {};
    }

    void loop() override {
        const int rc = runLoop();
        std::optional<CaptureError> lost;
        if (rc == PCAP_ERROR) {
            // Read while the handle is surely open: stop() closes it only
            // after this thread has been joined.
            const std::string why = pcap_geterr(handle_);
            noteFromWorker(CaptureNote::Kind::LoopError, "capture: " + why + where_);
            if (!stopRequested())
                lost = CaptureError{
                    CaptureError::Kind::LoopFailed,
                    "The capture stopped: " + why + where_ + ". Replies are no longer received."};
        }
        // A replayed file's end is no loop's end to note.
        if (rc < 0) noteFromWorker(CaptureNote::Kind::LoopEnded, {});
        finishRun(lost);
    }

    void snapshotStats() {
        if (handle_ == nullptr || !file_.empty()) return;
        pcap_stat s{};
        if (pcap_stats(handle_, &s) == 0) stats_ = {s.ps_recv, s.ps_drop, s.ps_ifdrop};
    }

    const CaptureOptions options_;
    const std::string file_;

    std::string where_;  // adapter and device, or file, for messages
    CaptureStats stats_;
};

}  // namespace

std::unique_ptr<PcapCaptureSource> makePcapCapture(CaptureOptions options) {
    return std::make_unique<PcapCapture>(std::move(options), std::string());
}

std::unique_ptr<PcapCaptureSource> makePcapFileCapture(std::string path) {
    return std::make_unique<PcapCapture>(CaptureOptions{}, std::move(path));
}

}  // namespace kestrel
