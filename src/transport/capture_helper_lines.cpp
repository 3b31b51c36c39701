#include "transport/capture_helper_lines.h"

#include <array>
#include <charconv>
#include <utility>

namespace kestrel::helper {

namespace {

constexpr std::array<std::pair<ErrorKind, std::string_view>, 9> kKindWords{{
    {ErrorKind::Usage, "usage"},
    {ErrorKind::NoDevice, "no-device"},
    {ErrorKind::Down, "down"},
    {ErrorKind::Permission, "permission"},
    {ErrorKind::Open, "open"},
    {ErrorKind::Filter, "filter"},
    {ErrorKind::Privileges, "privileges"},
    {ErrorKind::Loop, "loop"},
    {ErrorKind::Output, "output"},
}};

std::string line(std::string_view word, std::string_view text) {
    std::string out(kLinePrefix);
    out += word;
    if (!text.empty()) {
        out += ' ';
        for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    out += '\n';
    return out;
}

// The next space-separated word of `rest`, which is advanced past it.
std::string_view nextWord(std::string_view& rest) {
    const auto end = rest.find(' ');
    const auto word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return word;
}

std::optional<std::uint64_t> number(std::string_view word) {
    std::uint64_t value = 0;
    const auto* end = word.data() + word.size();
    const auto [at, ec] = std::from_chars(word.data(), end, value);
    if (word.empty() || ec != std::errc() || at != end) return std::nullopt;
    return value;
}

}  // namespace

std::string_view errorKindWord(ErrorKind kind) {
    for (const auto& [k, word] : kKindWords)
        if (k == kind) return word;
    return "open";
}

std::string readyLine(std::string_view device) { return line("ready", device); }

std::string statsLine(const Counters& c) {
    return line("stats", std::to_string(c.received) + ' ' + std::to_string(c.dropped) + ' ' +
                             std::to_string(c.if_dropped));
}

std::string warningLine(std::string_view text) { return line("warning", text); }

std::string errorLine(ErrorKind kind, std::string_view text) {
    std::string kindAndText(errorKindWord(kind));
    kindAndText += ' ';
    kindAndText += text;
    return line("error", kindAndText);
}

std::optional<Line> parseLine(std::string_view text) {
    if (!text.starts_with(kLinePrefix)) return std::nullopt;
    std::string_view rest = text.substr(kLinePrefix.size());
    const auto word = nextWord(rest);
    Line out;
    if (word == "ready" && !rest.empty()) {
        out.type = Line::Type::Ready;
        out.text = rest;
        return out;
    }
    if (word == "warning") {
        out.type = Line::Type::Warning;
        out.text = rest;
        return out;
    }
    if (word == "stats") {
        const auto received = number(nextWord(rest));
        const auto dropped = number(nextWord(rest));
        const auto ifDropped = number(nextWord(rest));
        if (!received || !dropped || !ifDropped || !rest.empty()) return std::nullopt;
        out.type = Line::Type::Stats;
        out.counters = {*received, *dropped, *ifDropped};
        return out;
    }
    if (word == "error") {
        const auto kind = nextWord(rest);
        for (const auto& [k, w] : kKindWords) {
            if (w != kind) continue;
            out.type = Line::Type::Error;
            out.error = k;
            out.text = rest;
            return out;
        }
    }
    return std::nullopt;
}

}  // namespace kestrel::helper
