// A result or apply reply answers a request only when the target sent it,
// of the awaited kind, after the request.
#include <gtest/gtest.h>

#include "dispatch/answer_match.h"

using namespace kestrel;

TEST(AnswerMatch, OnlyTheTargetsReplyOfTheAwaitedKindAfterTheRequest) {
    const AwaitedAnswer result{AnswerKind::Result, "00:1a:2b:3c:4d:5e", 10};
    const AwaitedAnswer apply{AnswerKind::Apply, "00:1a:2b:3c:4d:5e", 10};
    const ReplyEvent fromTarget = ResultReplyEvent{0, "00:1A:2B:3C:4D:5E"};
    const ReplyEvent fromOther = ResultReplyEvent{0, "02:fe:ed:be:ef:01"};
    ApplyReplyEvent applied;
    applied.reply.result = 2;
    applied.sender = "00:1a:2b:3c:4d:5e";
    const ReplyEvent applyFromTarget = applied;
    const ReplyEvent scan = ScanReplyEvent{};
    const ReplyEvent emptySender = ResultReplyEvent{0, ""};
    struct Case {
        const char* what;
        const AwaitedAnswer& awaited;
        const ReplyEvent& event;
        std::uint64_t position;
        AnswerVerdict verdict;
    } cases[] = {
        {"target, any case, after", result, fromTarget, 10, AnswerVerdict::Answer},
        {"target, later still", result, fromTarget, 99, AnswerVerdict::Answer},
        {"target, before the request", result, fromTarget, 9, AnswerVerdict::Ignored},
        {"another sender", result, fromOther, 10, AnswerVerdict::Ignored},
        {"empty sender", result, emptySender, 10, AnswerVerdict::Ignored},
        {"apply reply while a result is awaited", result, applyFromTarget, 10,
         AnswerVerdict::Ignored},
        {"apply reply from the target", apply, applyFromTarget, 10, AnswerVerdict::Answer},
        {"result reply while an apply is awaited", apply, fromTarget, 10, AnswerVerdict::Ignored},
        {"scan reply", result, scan, 10, AnswerVerdict::NotAnAnswer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(judgeReply(c.awaited, c.event, c.position), c.verdict) << c.what;
    // A request sent to a record without a MAC text has no answer.
    EXPECT_EQ(judgeReply({AnswerKind::Result, "", 0}, emptySender, 0), AnswerVerdict::Ignored);
}
