#pragma once
// Production batches of OEM brand and MAC writes: one job per controller,
// read from a CSV file of "target,brand,new MAC" rows (as a spreadsheet saves
// it) or given on a command line.
#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct ApplyJob {
    std::string target;
    int oem_index = 0;
    std::string brand;     // as the operator named it
    std::string new_mac;   // normalised; empty keeps the controller's own
    std::string problem;   // set when the job cannot be sent
    std::size_t line = 0;  // in the batch file; 0 for a job from the command line
};

// Brand by name ("MARLO #1"), code ("MARLO1") or number 1..7, any letter case.
std::optional<int> oemIndexFor(const std::string& brand);
// A job from its three texts; problem set when the brand or MAC is refused.
ApplyJob makeApplyJob(const std::string& target, const std::string& brand, const std::string& mac);
// Rows "target,brand,new MAC"; a UTF-8 byte-order mark, blank lines, lines
// starting with '#' and a first line naming the columns are skipped. Fields
// are quoted per RFC 4180 where they hold commas or quotes.
std::vector<ApplyJob> readApplyCsv(std::istream& in);
// Two rows that would write the same new MAC (any letter case) would leave
// two controllers with one address: the first such pair, as a message.
std::optional<std::string> repeatedNewMac(const std::vector<ApplyJob>& jobs);

}  // namespace kestrel
