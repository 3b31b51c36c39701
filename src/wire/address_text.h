#pragma once
// The text rules of addresses, ports and letter case, in one place: which
// texts count as an IPv4 address, how the subnet and the broadcast address
// follow from an adapter's address, how a subnet mask reads, how a MAC
// address may be spelled, how a port edit reads, and ASCII case conversion
// that does not depend on the process locale.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The one IPv4 text rule: four decimal numbers 0..255 joined by dots, without
// leading zeros, signs, spaces or anything else. Only such a text is opened as
// a web page, written into an upgrade file or sent to by unicast: other
// programs read "010" as octal, so a text with leading zeros may name another
// host than the one the list shows.
bool isCanonicalIPv4(std::string_view text);

// Four dot-separated decimal numbers 0..255 of one to three digits each, with
// leading zeros read as decimal ("010" is 10), the way the window's address
// control reads a text; nothing for any other text.
std::optional<std::array<std::uint8_t, 4>> dottedNumbers(std::string_view text);

// "%u.%u.%u.%u": the canonical text of four numbers.
std::string ipv4Text(const std::array<std::uint8_t, 4>& numbers);

// True when the first three dotted numbers of both texts are equal; anything
// after the third number is ignored, so the texts need not be canonical. False
// when either text does not begin with three dotted numbers.
bool isSameSubnet(std::string_view a, std::string_view b);

// "%s.%s.%s.255" from the first three dot-separated fields, taken as text;
// nothing when the text has fewer than three fields.
std::optional<std::string> broadcastAddress(std::string_view adapterIp);

// The address as a 32-bit number, first number highest, read as
// dottedNumbers reads it; nothing for any other text.
std::optional<std::uint32_t> ipv4Value(std::string_view text);
std::string ipv4Text(std::uint32_t value);

// The prefix length of a subnet mask: ones, then zeros ("255.255.255.0" is
// 24). Nothing for a mask with a hole in it ("255.0.255.0") and for a text
// that is no address.
std::optional<int> maskPrefix(std::string_view mask);
// The subnet of an address as "192.168.0.0/24".
std::string subnetText(std::uint32_t address, int prefix);
// 169.254.0.0/16: what a DHCP client takes when no DHCP server answers.
constexpr bool isLinkLocal(std::uint32_t address) { return (address >> 16) == 0xA9FEu; }

// A MAC address as its 48 bits, the first pair highest.
using MacValue = std::uint64_t;
// Six hexadecimal pairs joined by colons or by hyphens (one separator
// throughout), or twelve digits without separators, in any letter case;
// spaces around it are ignored. Nothing otherwise.
std::optional<MacValue> parseMacAddress(std::string_view text);
// Six lower-case pairs joined by colons: the form requests carry.
std::string macAddressText(MacValue mac);

// The integer a port edit's text begins with (leading blanks, a sign, decimal
// digits), 0 without digits, kept to its low 16 bits: "80ab" -> 80,
// "70000" -> 4464.
std::uint16_t parsePortText(std::string_view text);

constexpr char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
// ASCII letters only; every other byte is kept as it is.
std::string lowerText(std::string_view text);
std::string upperText(std::string_view text);

}  // namespace kestrel
