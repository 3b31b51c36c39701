#pragma once
// Which reply answers a request sent to one controller. Anyone on the segment
// can send to the reply port, and other PCs' commands are answered there too:
// a result or apply reply is the answer only when the controller the request
// went to sent it, and only when it arrived after the request was sent.
#include <cstdint>
#include <string>

#include "dispatch/reply_event.h"

namespace kestrel {

enum class AnswerKind { Result, Apply };

struct AwaitedAnswer {
    AnswerKind kind = AnswerKind::Result;
    std::string controller_mac;  // the target's MAC text; compared in any letter case
    // Arrival position (in the order replies were handed over) of the first
    // reply that can answer: replies before it were there before the request.
    std::uint64_t first_position = 0;
};

enum class AnswerVerdict {
    NotAnAnswer,  // a scan reply: it answers no command
    Answer,
    Ignored,  // a result or apply reply from another sender, of the other kind, or too early
};

AnswerVerdict judgeReply(const AwaitedAnswer& awaited, const ReplyEvent& event,
                         std::uint64_t position);

}  // namespace kestrel
