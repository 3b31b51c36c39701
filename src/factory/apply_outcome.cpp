#include "factory/apply_outcome.h"

#include "factory/oem_table.h"
#include "wire/result_reply.h"

namespace kestrel {

namespace {
constexpr std::uint8_t kApplyResult = 2;  // the result that carries the apply outcome
constexpr std::uint8_t kApplied = 2;      // apply status: the settings were written
}  // namespace

ApplyOutcome applyOutcome(const ApplyReply& reply) {
    ApplyOutcome o;
    if (reply.result == kApplyResult) {
        o.applied = reply.apply_status == kApplied;
        o.result_line =
            "Apply [" + std::string(oemName(reply.oem_index)) + " - " + reply.reply_text + "]";
        o.mark = o.applied ? "[OK]" : "[Failed !]";
        o.message = o.applied ? "OK" : "Failed !";
        o.text = *o.result_line + " " + std::string(*o.message);
        return o;
    }
    o.applied = reply.result == 0 || reply.result == 1;
    o.message = resultMessage(reply.result);
    o.text = "Result " + std::to_string(reply.result) + ": " +
             (o.message ? std::string(*o.message) : "(no message)");
    return o;
}

}  // namespace kestrel
