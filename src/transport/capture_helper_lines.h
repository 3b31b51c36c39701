#pragma once
// The capture helper's status channel. fendrix-capture writes its frames as a
// pcap stream (Ethernet, snapshot length 65535) on standard output, flushed
// after every block libpcap delivers, and nothing else there. On standard
// error it writes one line per event, in this fixed format:
//
//   fendrix-capture: ready DEVICE
//       the capture is open on DEVICE, the filter is installed, every
//       capability is dropped; the stream's file header is already written
//   fendrix-capture: stats RECEIVED DROPPED IFDROPPED
//       libpcap's counters as decimal numbers (frames that passed the filter,
//       lost for lack of ring space, lost by the interface): whenever they
//       change, and once more as the helper ends on SIGTERM or SIGINT
//   fendrix-capture: warning TEXT
//       the device opened with a warning (e.g. promiscuous mode refused)
//   fendrix-capture: error KIND TEXT
//       the helper ends after this line; KIND is one of the words below
//
// TEXT never holds a line break. Exit status: 0 after SIGTERM or SIGINT, or
// when the reader went away; 1 after an error line; 2 for a refused command
// line (error usage). The helper and its reader share this file, so that the
// two ends cannot drift apart.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel::helper {

inline constexpr std::string_view kLinePrefix = "fendrix-capture: ";

enum class ErrorKind {
    Usage,       // the command line was refused (exit 2)
    NoDevice,    // no such interface, or no device carries the address
    Down,        // the interface is not up
    Permission,  // the capture may not be opened: no cap_net_raw
    Open,        // any other failure to open the device
    Filter,      // the filter could not be compiled or installed
    Privileges,  // the capabilities could not be dropped
    Loop,        // the running capture failed (the device went away)
    Output,      // the stream could not be written
};

struct Counters {
    std::uint64_t received = 0;
    std::uint64_t dropped = 0;
    std::uint64_t if_dropped = 0;
    bool operator==(const Counters&) const = default;
};

struct Line {
    enum class Type { Ready, Stats, Warning, Error };
    Type type = Type::Ready;
    ErrorKind error = ErrorKind::Open;  // Error lines
    Counters counters;                  // Stats lines
    std::string text;                   // device (Ready), or the text
};

std::string_view errorKindWord(ErrorKind kind);

// Whole lines, ending in '\n'; line breaks inside `text` become spaces.
std::string readyLine(std::string_view device);
std::string statsLine(const Counters& counters);
std::string warningLine(std::string_view text);
std::string errorLine(ErrorKind kind, std::string_view text);

// One line without its '\n'; nothing for anything not in the format above.
std::optional<Line> parseLine(std::string_view line);

}  // namespace kestrel::helper
