#include "transport/pcap_worker.h"

#include "wire/link_layer.h"

namespace kestrel {

std::optional<CaptureError> PcapWorker::takeLinkType(const std::string& what) {
    const int dlt = pcap_datalink(handle_);
    if (const auto link = linkTypeOfDlt(dlt)) {
        link_ = *link;
        return std::nullopt;
    }
    return CaptureError{CaptureError::Kind::UnsupportedLink,
                        unsupportedLinkText(what, dlt, pcap_datalink_val_to_name(dlt),
                                            pcap_datalink_val_to_description(dlt))};
}

std::optional<CaptureError> PcapWorker::saveFramesTo(const std::string& path) {
    dumper_ = pcap_dump_open(handle_, path.c_str());
    if (dumper_ != nullptr) return std::nullopt;
    return CaptureError{CaptureError::Kind::OpenFailed,
                        "cannot write " + path + ": " + pcap_geterr(handle_)};
}

int PcapWorker::runLoop() {
    return pcap_loop(handle_, -1, &PcapWorker::onFrame, reinterpret_cast<u_char*>(this));
}

void PcapWorker::onFrame(u_char* user, const pcap_pkthdr* header, const u_char* bytes) {
    auto* self = reinterpret_cast<PcapWorker*>(user);
    if (self->dumper_ != nullptr)
        pcap_dump(reinterpret_cast<u_char*>(self->dumper_), header, bytes);
    // Only what was captured is handed on, never the claimed wire length.
    self->deliver(ByteSpan(bytes, header->caplen), self->link_);
}

void PcapWorker::closeHandle() {
    if (dumper_ != nullptr) {
        pcap_dump_close(dumper_);
        dumper_ = nullptr;
    }
    if (handle_ != nullptr) {
        pcap_close(handle_);
        handle_ = nullptr;
    }
}

}  // namespace kestrel
