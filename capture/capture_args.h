#pragma once
// The helper's whole command line. It names one interface or one adapter
// address and nothing else: the filter, the output and the options of the
// capture are fixed, so that whoever may run the helper gets no more than
// the capture of replies on one interface.
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace fendrix_capture {

struct CaptureArgs {
    enum class Action { Capture, Help, Version };
    Action action = Action::Capture;
    std::string interface_name;  // --interface NAME
    std::string address;         // --address A.B.C.D (exactly one of the two is set)
};

// Why the line was refused, as one line of text for standard error.
struct Refusal {
    std::string reason;
};

// `args` excludes the program name.
std::variant<CaptureArgs, Refusal> parseCaptureArgs(std::span<const std::string_view> args);

// An interface name as Linux allows it, narrowed to plain characters: 1 to 15
// of A-Z a-z 0-9 . _ -, not "." or "..", not beginning with '-'.
bool isPlainInterfaceName(std::string_view name);

extern const char* const kUsage;

}  // namespace fendrix_capture
