#include <gtest/gtest.h>

#include <span>

#include "factory/apply_outcome.h"
#include "factory/apply_reply.h"
#include "factory/oem_table.h"
#include "test_frames.h"

using namespace kestrel;
namespace t = kestrel::testing;

TEST(ApplyReply, FieldsAtTheirOffsets) {
    const auto r = decodeApplyReply(t::applyReplyDatagram("00:1a:2b:3c:4d:5e", 2, 0, 7));
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, (ApplyReply{"00:1a:2b:3c:4d:5e", 2, 0, 7}));
}

TEST(ApplyReply, ReplyTextNeverPastItsTwentyBytes) {
    auto d = t::applyReplyDatagram(std::string(20, 'A'), 0x41, 0x41, 0x41);
    const auto r = decodeApplyReply(d);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->reply_text, std::string(20, 'A'));  // result byte 'A' not taken along
    EXPECT_EQ(decodeApplyReply(t::applyReplyDatagram("", 1, 1, 1))->reply_text, "");
}

TEST(ApplyReply, ShortDatagramGivesNothing) {
    const auto d = t::applyReplyDatagram("x", 2, 2, 2);
    EXPECT_FALSE(decodeApplyReply(std::span<const std::uint8_t>(d).first(114)));
    EXPECT_FALSE(decodeApplyReply({}));
}

TEST(OemTable, NamesAndCodesByIndex) {
    const char* names[] = {"KESTREL", "MARLO #1", "MARLO #2", "QEL", "RVM", "TALLIS", "ZANT"};
    const char* codes[] = {"KESTREL", "MARLO1", "MARLO2", "QEL", "RVM", "TALLIS", "ZANT"};
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(oemName(i), names[i - 1]);
        EXPECT_EQ(oemCode(i), codes[i - 1]);
    }
    for (int i : {0, -1, 8, 255, 256}) {
        EXPECT_EQ(oemName(i), "") << i;
        EXPECT_EQ(oemCode(i), "") << i;
    }
}

// What each answer means, as the panel shows it and fendrix-cli and the
// journal write it.
TEST(ApplyOutcome, OneMeaningPerAnswer) {
    const struct {
        const char* reply_text;
        std::uint8_t result, apply_status, oem_index;
        bool applied;
        const char* line;  // nullptr: none
        std::string_view mark;
        const char* message;  // nullptr: none
        std::string_view text;
    } cases[] = {
        {"00:1a:2b:3c:4d:5e", 2, 2, 2, true, "Apply [MARLO #1 - 00:1a:2b:3c:4d:5e]", "[OK]", "OK",
         "Apply [MARLO #1 - 00:1a:2b:3c:4d:5e] OK"},
        {"x", 2, 0, 4, false, "Apply [QEL - x]", "[Failed !]", "Failed !",
         "Apply [QEL - x] Failed !"},
        {"", 2, 2, 9, true, "Apply [ - ]", "[OK]", "OK", "Apply [ - ] OK"},
        {"", 0, 0, 0, true, nullptr, "", "Sucess", "Result 0: Sucess"},
        {"", 1, 0, 0, true, nullptr, "", "Sucess and System Reboot",
         "Result 1: Sucess and System Reboot"},
        {"", 5, 2, 1, false, nullptr, "", "The UserID or Password you typed do not match.",
         "Result 5: The UserID or Password you typed do not match."},
        {"", 6, 2, 1, false, nullptr, "", "Network Change not Use",
         "Result 6: Network Change not Use"},
        {"", 3, 2, 1, false, nullptr, "", nullptr, "Result 3: (no message)"},
        {"", 7, 2, 1, false, nullptr, "", nullptr, "Result 7: (no message)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto o = applyOutcome({c.reply_text, c.result, c.apply_status, c.oem_index});
        EXPECT_EQ(o.applied, c.applied);
        EXPECT_EQ(o.result_line, c.line ? std::optional<std::string>(c.line) : std::nullopt);
        EXPECT_EQ(o.mark, c.mark);
        EXPECT_EQ(o.message, c.message ? std::optional<std::string_view>(c.message) : std::nullopt);
        EXPECT_EQ(o.text, c.text);
    }
}
