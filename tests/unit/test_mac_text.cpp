#include <gtest/gtest.h>

#include <string>

#include "factory/mac_text.h"

using namespace kestrel;

namespace {
std::string accepted(std::string_view typed) {
    const auto r = normalizeMacText(typed);
    EXPECT_TRUE(r.has_value()) << typed;
    return r.value_or("<rejected>");
}
}  // namespace

TEST(MacText, AcceptedShapes) {
    EXPECT_EQ(accepted(""), "");
    EXPECT_EQ(accepted("   "), "");
    EXPECT_EQ(accepted(" 00 1a 2b 3c 4d 5e "), "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(accepted("001A2B3C4D5E"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(accepted("00:1A:2B:3C:4D:5E"), "00:1A:2B:3C:4D:5E");  // case kept
    EXPECT_EQ(accepted("AB12-001A2B3C4D5E"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(accepted("AB12-00:1A:2B:3C:4D:5E"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(accepted("0a0b0c0d0e0f"), "0a:0b:0c:0d:0e:0f");
    // The four characters before the hyphen are dropped, not checked.
    EXPECT_EQ(accepted("ZZ12-001A2B3C4D5E"), "00:1A:2B:3C:4D:5E");
}

TEST(MacText, EveryPairMustBeHexadecimal) {
    for (std::string_view typed : {
             "001A2B3C4DZZ",            // 12
             "zz:zz:zz:zz:zz:zz",       // 17 with colons
             "AB12-001A2B3C4D5G",       // 17 with the hyphen at 4
             "AB12-00:1A:2B:3C:4D:5g",  // 22
             "00-1A-2B-3C-",            // hyphens and colons pass the character set
             "00<1A>2B[3C]",            // so do other characters outside it
             "00:1A:2B:3C:4D:5\x85",    // bytes above ASCII
         })
        EXPECT_FALSE(normalizeMacText(typed).has_value()) << typed;
}

TEST(MacText, RejectedShapes) {
    for (std::string_view typed : {
             "00:1A:2B:3C:4D-5E",       // 17, first hyphen at 14
             "00-1A-2B-3C-4D-5E",       // 17, first hyphen at 2
             "001A:2B3C4D5E:ab",        // 17, no hyphen, colons misplaced
             "AB12-00:1A:2B:3C:4DX5E",  // 22, colon at 19 replaced
             "AB1200:1A:2B:3C:4D:5E:",  // 22 without hyphen at 4
             "ABC-100:1A:2B:3C:4D:5E",  // 22, hyphen at 3
             "001A2B3C4D5",             // 11
             "001A2B3C4D5E0",           // 13
             "00:1A:2B:3C:4D:5E:6F",    // 20
             "\t001A2B3C4D5E",          // tab is not removed: 13
         })
        EXPECT_FALSE(normalizeMacText(typed).has_value()) << typed;
}

TEST(MacText, EachOfTheTwentyFourCharactersRejects) {
    const std::string bad = "`~!@#$%^&*()_=+|;/.,\\'?\"";
    ASSERT_EQ(bad.size(), 24u);
    for (char c : bad) {
        std::string typed = "001A2B3C4D5E";
        typed[5] = c;  // still 12 characters
        EXPECT_FALSE(normalizeMacText(typed).has_value()) << c;
    }
    EXPECT_FALSE(normalizeMacText("00.1A.2B.3C.4D.5E"));
    EXPECT_FALSE(normalizeMacText("00_1A_2B_3C_4D_5E"));
}
