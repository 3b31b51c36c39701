#pragma once
// Texts from the wire (and from files) as they may be written out. Anyone on
// the segment chooses what a controller's reply says; none of it may steer
// the terminal, the spreadsheet or the JSON reader that shows it.
#include <string>
#include <string_view>

namespace kestrel {

// For a terminal or a log line: C0 controls (ESC, CR and LF among them),
// DEL and C1 controls (the bytes 0x80 to 0x9F, as the wire's single-byte
// texts hold them) become "\xNN"; a backslash becomes "\\", so that an
// escape in the text cannot pass for one made here. Other bytes are kept.
std::string terminalText(std::string_view text);

// One CSV field: control characters and backslashes shown as terminalText
// shows them (a cell holds no line end, no ESC, no BEL; a tab or CR that
// would start a formula is "\x09" or "\x0d"), then quoted per RFC 4180 when
// it holds a comma or a quote (quotes doubled). A field that a spreadsheet
// would take for a formula (first character =, +, - or @) gets a leading
// apostrophe, which spreadsheets show as text, and is quoted.
std::string csvField(std::string_view text);

// JSON text of a nlohmann::json value: every non-ASCII character and every
// control character escaped (\u001b), bytes that are not UTF-8 replaced by
// U+FFFD rather than thrown at the reader. Header-only so that the core
// does not depend on the JSON library.
template <class Json>
std::string jsonText(const Json& value, int indent = 2) {
    return value.dump(indent, ' ', true, Json::error_handler_t::replace);
}

}  // namespace kestrel
