#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>

#include "production/mac_range.h"

using namespace kestrel;

namespace {
constexpr MacValue kBase = 0x001A2B000000ULL;
}

TEST(MacRange, AcceptedForms) {
    const struct {
        const char* text;
        MacValue first, last;
    } cases[] = {
        {"00:1a:2b:00:00:01-00:1a:2b:00:00:ff", kBase + 1, kBase + 0xFF},
        {"001A2B000001-001A2B0000FF", kBase + 1, kBase + 0xFF},
        {"00-1a-2b-00-00-01-00-1A-2B-00-00-FF", kBase + 1, kBase + 0xFF},  // label form
        {" 00:1a:2b:00:00:01 - 001a2b0000ff ", kBase + 1, kBase + 0xFF},
        {"00:1a:2b:00:00:05-00:1a:2b:00:00:05", kBase + 5, kBase + 5},  // a range of one
        {"00:1a:2b:00:00:05", kBase + 5, kBase + 5},                    // so is one address
        {"02:fc:00:00:00:00-02:fc:00:ff:ff:ff", 0x02FC00000000ULL, 0x02FC00FFFFFFULL},
    };
    for (const auto& c : cases) {
        const auto parsed = parseMacRange(c.text);
        ASSERT_TRUE(std::holds_alternative<MacRange>(parsed))
            << c.text << ": " << std::get<std::string>(parsed);
        EXPECT_EQ(std::get<MacRange>(parsed), (MacRange{c.first, c.last})) << c.text;
    }
}

TEST(MacRange, RefusedForms) {
    const struct {
        const char* text;
        const char* why;
    } cases[] = {
        {"", "not a MAC range"},
        {"00:1a:2b:00:00-00:1a:2b:00:00:ff", "not a MAC range"},
        {"00:1a-2b:00:00:01-00:1a:2b:00:00:ff", "not a MAC range"},  // mixed separators
        {"00:1a:2b:00:00:0g-00:1a:2b:00:00:ff", "not a MAC range"},
        {"AB12-001A2B000001-001A2B0000FF", "not a MAC range"},  // the panel's prefixed form
        {"00:1a:2b:00:00:ff-00:1a:2b:00:00:01", "above the last"},
        {"00:1a:2b:ff:ff:ff-00:1a:2c:00:00:10", "one maker's block"},
        {"01:00:5e:00:00:01-01:00:5e:00:00:ff", "multicast"},
        {"00:00:00:00:00:00-00:00:00:00:00:09", "no address"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseMacRange(c.text);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
        EXPECT_NE(std::get<std::string>(parsed).find(c.why), std::string::npos)
            << c.text << ": " << std::get<std::string>(parsed);
    }
}

TEST(MacRange, TextCountAndNext) {
    const MacRange range{kBase + 0xFE, kBase + 0x101};
    EXPECT_EQ(range.text(), "00:1a:2b:00:00:fe-00:1a:2b:00:01:01");
    EXPECT_EQ(range.count(), 4u);
    const struct {
        std::optional<MacValue> highest;
        std::optional<MacValue> next;
    } cases[] = {
        {std::nullopt, kBase + 0xFE},  // nothing handed out yet
        {kBase + 0xFE, kBase + 0xFF},
        {kBase + 0xFF, kBase + 0x100},  // carries into the next pair
        {kBase + 0x101, std::nullopt},  // used up
    };
    for (const auto& c : cases) EXPECT_EQ(nextMacAddress(range, c.highest), c.next);
    const MacRange one{kBase + 7, kBase + 7};
    EXPECT_EQ(nextMacAddress(one, std::nullopt), kBase + 7);
    EXPECT_EQ(nextMacAddress(one, kBase + 7), std::nullopt);
}

TEST(MacPrefix, AnyAddressSpellingOfOneToSixPairs) {
    const struct {
        const char* text;
        std::optional<std::string> prefix;  // as text(); nothing: refused
    } cases[] = {
        {"02:fc:00", "02:fc:00"},
        {"02-FC-00", "02:fc:00"},
        {" 02FC00 ", "02:fc:00"},
        {"02", "02"},
        {"00:1A:2B:00:00:10", "00:1a:2b:00:00:10"},
        {"", std::nullopt},
        {"2", std::nullopt},
        {"02fc0", std::nullopt},
        {"02:fc:", std::nullopt},
        {"02:fc-00", std::nullopt},
        {"02:fg", std::nullopt},
        {"00:1a:2b:00:00:10:ff", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = parseMacPrefix(c.text);
        EXPECT_EQ(parsed ? std::optional(parsed->text()) : std::nullopt, c.prefix) << c.text;
    }
    const auto oui = *parseMacPrefix("02:fc:00");
    EXPECT_TRUE(oui.covers(0x02FC00000001ULL));
    EXPECT_TRUE(oui.covers(0x02FC00FFFFFFULL));
    EXPECT_FALSE(oui.covers(0x02FC01000000ULL));
    EXPECT_TRUE(parseMacPrefix("02:fc:00:00:00:01")->covers(0x02FC00000001ULL));
    EXPECT_FALSE(parseMacPrefix("02:fc:00:00:00:01")->covers(0x02FC00000002ULL));
}
