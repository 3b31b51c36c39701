#include "dispatch/answer_match.h"

#include "wire/address_text.h"

namespace kestrel {

AnswerVerdict judgeReply(const AwaitedAnswer& awaited, const ReplyEvent& event,
                         std::uint64_t position) {
    const std::string* sender = nullptr;
    AnswerKind kind = AnswerKind::Result;
    if (const auto* result = std::get_if<ResultReplyEvent>(&event)) {
        sender = &result->sender;
    } else if (const auto* apply = std::get_if<ApplyReplyEvent>(&event)) {
        sender = &apply->sender;
        kind = AnswerKind::Apply;
    } else {
        return AnswerVerdict::NotAnAnswer;
    }
    const bool answers = kind == awaited.kind && position >= awaited.first_position &&
                         !awaited.controller_mac.empty() &&
                         upperText(*sender) == upperText(awaited.controller_mac);
    return answers ? AnswerVerdict::Answer : AnswerVerdict::Ignored;
}

}  // namespace kestrel
