#pragma once
// What a controller's answer to an OEM and MAC request means, and how it
// reads, once for everyone who shows or keeps it: the window's factory panel,
// fendrix-cli's apply and the production journal.
#include <optional>
#include <string>
#include <string_view>

#include "factory/apply_reply.h"

namespace kestrel {

struct ApplyOutcome {
    // The controller says it wrote the brand and the MAC: result 2 with
    // apply status 2, or the plain successes 0 and 1.
    bool applied = false;
    // Result 2 is the apply outcome proper: "Apply [BRAND - TEXT]" with the
    // brand of the reply's OEM index ("" outside 1..7) and its reply text,
    // and the mark "[OK]" or "[Failed !]". Nothing for the other results.
    std::optional<std::string> result_line;
    std::string_view mark;
    // The box the window shows: "OK" or "Failed !" for result 2 (warning
    // icon), the result reply's text for 0, 1, 5 and 6 (information icon);
    // nothing for 3, 4 and above 6.
    std::optional<std::string_view> message;
    // One line for a report or a record: "Apply [QEL - 00:1a:2b:00:00:10] OK",
    // or "Result 5: The UserID or Password you typed do not match."
    std::string text;
};

ApplyOutcome applyOutcome(const ApplyReply& reply);

}  // namespace kestrel
