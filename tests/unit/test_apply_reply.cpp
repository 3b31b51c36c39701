#include <gtest/gtest.h>

#include <span>

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
