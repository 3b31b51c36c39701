// Texts that anyone on the segment chooses, written for a terminal, a
// spreadsheet and a JSON reader.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "output/safe_text.h"

using namespace kestrel;
using namespace std::string_literals;

TEST(SafeText, TerminalTextShowsEveryControlCharacterAsAnEscape) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"5.00.01l", "5.00.01l"},
        {"", ""},
        {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},          // OSC: set the window title
        {"\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},                // clear the screen
        {"1.2.3.4\r\n  2  OK", "1.2.3.4\\x0d\\x0a  2  OK"},  // a forged row
        {"a\tb\0c"s, "a\\x09b\\x00c"},
        {"\x7f", "\\x7f"},                    // DEL
        {"\x80\x9b\x9f", "\\x80\\x9b\\x9f"},  // C1, CSI among them
        {"\xa0\xe9\xff", "\xa0\xe9\xff"},     // printable single-byte texts stay
        {"C:\\x1b", "C:\\\\x1b"},             // an escape in the text stays text
    };
    for (const auto& c : cases) EXPECT_EQ(terminalText(c.in), c.out) << c.in;
}

TEST(SafeText, CsvFieldsShowControlsAreQuotedPerRfc4180AndNeverAFormula) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"  1", "  1"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        // Control characters and backslashes as the table shows them: no
        // cell breaks a line, rings a bell or sends an escape.
        {"line\nbreak", "line\\x0abreak"},
        {"cr\rhere", "cr\\x0dhere"},
        {"\x1b]0;pw\x07", "\\x1b]0;pw\\x07"},
        {"\x9b"
         "31m\x7f",
         "\\x9b31m\\x7f"},
        {"C:\\x1b", "C:\\\\x1b"},
        {"\xe9t\xe9", "\xe9t\xe9"},
        {"=cmd|'/c calc'!A1", "\"'=cmd|'/c calc'!A1\""},
        {"+1", "\"'+1\""},
        {"-2+3", "\"'-2+3\""},
        {"-2", "\"'-2\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"=\x1b", "\"'=\\x1b\""},
        // A tab or CR that would start a formula is shown, not written.
        {"\t=1", "\\x09=1"},
        {"\rx", "\\x0dx"},
        {"=\"x\",y", "\"'=\"\"x\"\",y\""},
        {"a=b", "a=b"},  // only the first character makes a formula
    };
    for (const auto& c : cases) EXPECT_EQ(csvField(c.in), c.out) << c.in;
}

TEST(SafeText, JsonTextIsAsciiWithControlsEscapedAndBadUtf8Replaced) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"\x1b[2J\r\n", "\"\\u001b[2J\\r\\n\""},
        {"caf\xc3\xa9", "\"caf\\u00e9\""},         // UTF-8 kept, written as an escape
        {"\xc2\x9b", "\"\\u009b\""},               // C1 in UTF-8
        {"bad\xff\xfe", "\"bad\\ufffd\\ufffd\""},  // not UTF-8: replaced, not thrown
    };
    for (const auto& c : cases) EXPECT_EQ(jsonText(nlohmann::json(c.in), -1), c.out) << c.in;
}
