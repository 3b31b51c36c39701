// The address and text rules: one table per rule.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "wire/address_text.h"

using namespace kestrel;

TEST(AddressText, CanonicalIPv4IsPlainDecimalWithoutLeadingZeros) {
    const std::string twentyDigits(20, '1');
    const struct {
        std::string_view text;
        bool canonical;
        std::optional<std::string> numbers;  // as the address control reads the text
    } cases[] = {
        {"10.0.0.7", true, "10.0.0.7"},
        {"192.168.0.10", true, "192.168.0.10"},
        {"0.0.0.0", true, "0.0.0.0"},
        {"255.255.255.255", true, "255.255.255.255"},
        // Leading zeros: octal to URL parsers and inet_aton, so no canonical address.
        {"192.168.000.010", false, "192.168.0.10"},
        {"01.2.3.4", false, "1.2.3.4"},
        {"001.002.003.004", false, "1.2.3.4"},
        {"1.2.3.00", false, "1.2.3.0"},
        {"", false, std::nullopt},
        {"..\\..\\x", false, std::nullopt},
        {"1.2.3.4 & del", false, std::nullopt},
        {"1.2.3.4\\..\\x", false, std::nullopt},
        {"256.1.1.1", false, std::nullopt},
        {"1.2.3.256", false, std::nullopt},
        {"1.2.3", false, std::nullopt},
        {"1.2.3.4.5", false, std::nullopt},
        {"1.2.3.", false, std::nullopt},
        {".1.2.3", false, std::nullopt},
        {"1..2.3", false, std::nullopt},
        {"0001.2.3.4", false, std::nullopt},
        {"1.2.3.4 ", false, std::nullopt},
        {" 1.2.3.4", false, std::nullopt},
        {"+1.2.3.4", false, std::nullopt},
        {"-1.2.3.4", false, std::nullopt},
        {"1.2.3.4/24", false, std::nullopt},
        {"a.b.c.d", false, std::nullopt},
        {twentyDigits, false, std::nullopt},
        {std::string_view("1.2.3.4\0x", 9), false, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isCanonicalIPv4(c.text), c.canonical) << c.text;
        const auto numbers = dottedNumbers(c.text);
        EXPECT_EQ(numbers ? std::optional(ipv4Text(*numbers)) : std::nullopt, c.numbers) << c.text;
    }
}

TEST(AddressText, SameSubnetByTheFirstThreeNumbers) {
    const struct {
        std::string_view a, b;
        bool same;
    } cases[] = {
        {"192.168.0.10", "192.168.0.200", true},
        {"192.168.0.10", "192.168.1.10", false},
        {"10.0.0.5", "10.0.0", true},             // fourth number not needed
        {"192.168.000.1", "192.168.0.77", true},  // numbers, not texts
        {"192.168.0.1x", "192.168.0.9", true},    // anything after is ignored
        // Texts that do not begin with three dotted numbers are never the same.
        {"", "", false},
        {"192.168.0.10", "", false},
        {"192.168", "192.168", false},
        {"a.b.c.d", "a.b.c.d", false},
        {" 192.168.0.1", " 192.168.0.1", false},
        {"192..168.0", "192..168.0", false},
        {"99999999999.1.1.1", "99999999999.1.1.1", false},  // no overflow
    };
    for (const auto& c : cases) EXPECT_EQ(isSameSubnet(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(AddressText, BroadcastIsTheFirstThreeFieldsAsTextAnd255) {
    const struct {
        std::string_view adapter;
        std::optional<std::string> broadcast;
    } cases[] = {
        {"192.168.10.25", "192.168.10.255"}, {"10.0.0.5", "10.0.0.255"},  // mask never consulted
        {"010.0.0.5", "010.0.0.255"},                                     // fields kept as text
        {"192.168.10", "192.168.10.255"},    {"192.168", std::nullopt},  {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(broadcastAddress(c.adapter), c.broadcast) << c.adapter;
}

TEST(AddressText, PortTextReadsLikeStrtolKeptToSixteenBits) {
    const struct {
        std::string_view text;
        std::uint16_t port;
    } cases[] = {
        {"443", 443},
        {"80ab", 80},
        {"abc", 0},
        {"", 0},
        {"70000", 4464},
        {"65535", 65535},
        {"65536", 0},
        {" -1", 65535},
        {"\t+8080", 8080},
        {"- 5", 0},  // no blank between sign and digits
        {"8 0", 8},
        {"0x50", 0},  // decimal only
        {"00080", 80},
        // Beyond the range of long: saturated, like strtol.
        {"99999999999999999999999", 65535},
        {"-99999999999999999999999", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(parsePortText(c.text), c.port) << c.text;
}

TEST(AddressText, CaseChangesOnlyAsciiLetters) {
    const struct {
        std::string_view text, lower, upper;
    } cases[] = {
        {"00:1A:2B:3C:4D:5E", "00:1a:2b:3c:4d:5e", "00:1A:2B:3C:4D:5E"},
        {"ab:cd:ef:0a:1b:2c", "ab:cd:ef:0a:1b:2c", "AB:CD:EF:0A:1B:2C"},
        {"\xC9Z@[", "\xC9z@[", "\xC9Z@["},
        {"\xe9z-`{", "\xe9z-`{", "\xe9Z-`{"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lowerText(c.text), c.lower) << c.text;
        EXPECT_EQ(upperText(c.text), c.upper) << c.text;
    }
}

TEST(AddressText, MacAddressInAnySpellingOfSixPairs) {
    const struct {
        std::string_view text;
        std::optional<MacValue> mac;
    } cases[] = {
        {"00:1a:2b:3c:4d:5e", 0x001A2B3C4D5EULL},
        {"00:1A:2B:3C:4D:5E", 0x001A2B3C4D5EULL},
        {"00-1a-2B-3c-4D-5e", 0x001A2B3C4D5EULL},
        {"001a2b3c4d5e", 0x001A2B3C4D5EULL},
        {"  00:1a:2b:3c:4d:5e ", 0x001A2B3C4D5EULL},
        {"00:1a-2b:3c:4d:5e", std::nullopt},  // one separator throughout
        {"00.1a.2b.3c.4d.5e", std::nullopt},
        {"00:1a:2b:3c:4d", std::nullopt},
        {"00:1a:2b:3c:4d:5g", std::nullopt},
        {"0:1a:2b:3c:4d:5e:f", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseMacAddress(c.text), c.mac) << c.text;
    EXPECT_EQ(macAddressText(0x001A2B3C4D5EULL), "00:1a:2b:3c:4d:5e");
}

TEST(AddressText, MaskPrefixOnlyForOnesThenZeros) {
    const struct {
        std::string_view mask;
        std::optional<int> prefix;
    } cases[] = {
        {"255.255.255.0", 24},
        {"255.255.255.255", 32},
        {"255.255.254.0", 23},
        {"255.0.0.0", 8},
        {"128.0.0.0", 1},
        {"0.0.0.0", 0},
        {"255.0.255.0", std::nullopt},
        {"255.255.255.1", std::nullopt},
        {"0.255.255.255", std::nullopt},
        {"", std::nullopt},
        {"255.255.255", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(maskPrefix(c.mask), c.prefix) << c.mask;
    EXPECT_EQ(subnetText(*ipv4Value("192.168.7.77"), 22), "192.168.4.0/22");
    EXPECT_EQ(ipv4Text(*ipv4Value("010.0.0.1")), "10.0.0.1");
    EXPECT_TRUE(isLinkLocal(*ipv4Value("169.254.3.4")));
    EXPECT_FALSE(isLinkLocal(*ipv4Value("169.253.3.4")));
}
