// The scan, result and apply reply decoders on datagrams of any length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "discovery/row_texts.h"
#include "discovery/scan_reply.h"
#include "factory/apply_reply.h"
#include "wire/result_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(data, size);
    if (const auto record = kestrel::decodeScanReply(bytes)) {
        for (int c = 0; c < kestrel::ColumnCount; ++c) {
            const auto text = kestrel::cellText(*record, static_cast<kestrel::Column>(c), 0);
            if (text.size() > 64) std::abort();  // every cell comes from a 20-byte field at most
        }
    }
    if (const auto reply = kestrel::decodeApplyReply(bytes)) {
        if (reply->reply_text.size() > 20) std::abort();
    }
    (void)kestrel::decodeResultReply(bytes);
    return 0;
}
