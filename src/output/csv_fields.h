#pragma once
// Reading the lines of a CSV file as a spreadsheet saves it: fields quoted
// per RFC 4180 where they hold the delimiter or quotes, and a UTF-8
// byte-order mark in front of "CSV UTF-8" files. Batch files and plan files
// read their lines through this one rule; output/csv_row.h writes lines.
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The fields of one line, each without the blanks around it ("" quotes
// keep what they hold, doubled quotes inside give one). A line without the
// delimiter is one field.
std::vector<std::string> csvFields(std::string_view line, char delimiter = ',');

// The text without blanks (spaces, tabs, CR, LF) at either end.
std::string trimmedBlanks(std::string_view text);

}  // namespace kestrel
