#include "capture_args.h"

#include <cstdio>

#include "wire/address_text.h"

namespace fendrix_capture {

const char* const kUsage =
    "usage: fendrix-capture --interface NAME | --address A.B.C.D | --help | --version\n"
    "Captures IPv4 UDP datagrams to port 8911 on one network interface (or the\n"
    "one carrying the address; never loopback) and writes them as a pcap stream\n"
    "on standard output; status lines go to standard error. Meant to be started\n"
    "by fendrix and fendrix-cli.\n";

namespace {

constexpr std::size_t kMaxInterfaceName = 15;  // IFNAMSIZ - 1

// The refused text as it may be shown on one line: anything but plain
// printable ASCII becomes \xNN.
std::string shown(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return out;
}

Refusal refuse(std::string reason) { return {std::move(reason) + " (see fendrix-capture --help)"}; }

}  // namespace

bool isPlainInterfaceName(std::string_view name) {
    if (name.empty() || name.size() > kMaxInterfaceName) return false;
    if (name == "." || name == ".." || name.front() == '-') return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!plain) return false;
    }
    return true;
}

std::variant<CaptureArgs, Refusal> parseCaptureArgs(std::span<const std::string_view> args) {
    CaptureArgs out;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "--version")) {
        out.action = args[0] == "--help" ? CaptureArgs::Action::Help : CaptureArgs::Action::Version;
        return out;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view option = args[i];
        const bool isInterface = option == "--interface";
        if (!isInterface && option != "--address") {
            if (option == "--help" || option == "--version")
                return refuse(std::string(option) + " takes no other argument");
            return refuse("unknown argument: " + shown(option));
        }
        if (!out.interface_name.empty() || !out.address.empty())
            return refuse("only one --interface or --address may be given");
        if (i + 1 >= args.size())
            return refuse(std::string(option) +
                          (isInterface ? " needs a name" : " needs an address"));
        const std::string_view value = args[++i];
        if (isInterface) {
            if (!isPlainInterfaceName(value))
                return refuse("not an interface name: " + shown(value));
            out.interface_name = value;
        } else {
            if (!kestrel::isCanonicalIPv4(value))
                return refuse("not a dotted IPv4 address: " + shown(value));
            out.address = value;
        }
    }
    if (out.interface_name.empty() && out.address.empty())
        return refuse("name the interface (--interface NAME) or its address (--address A.B.C.D)");
    return out;
}

}  // namespace fendrix_capture
