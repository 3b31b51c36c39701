#include "factory/apply_batch.h"

#include <string_view>
#include <unordered_map>

#include "factory/mac_text.h"
#include "factory/oem_table.h"
#include "output/csv_fields.h"
#include "wire/address_text.h"

namespace kestrel {

std::optional<int> oemIndexFor(const std::string& brand) {
    const std::string wanted = upperText(trimmedBlanks(brand));  // ASCII upper case
    for (const auto& b : kOemBrands) {
        if (wanted == upperText(b.name) || wanted == upperText(b.code) ||
            wanted == std::to_string(b.oem_index))
            return b.oem_index;
    }
    return std::nullopt;
}

ApplyJob makeApplyJob(const std::string& target, const std::string& brand, const std::string& mac) {
    ApplyJob job;
    job.target = trimmedBlanks(target);
    job.brand = trimmedBlanks(brand);
    if (const auto index = oemIndexFor(brand)) job.oem_index = *index;
    else job.problem = "unknown OEM brand \"" + job.brand + "\"";
    if (const auto normalised = normalizeMacText(mac)) job.new_mac = *normalised;
    else if (job.problem.empty()) job.problem = "Enter your Mac address correctly !";
    if (job.target.empty() && job.problem.empty()) job.problem = "no target";
    return job;
}

std::vector<ApplyJob> readApplyCsv(std::istream& in) {
    std::vector<ApplyJob> jobs;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        // A spreadsheet's "CSV UTF-8" begins with a byte-order mark.
        if (number == 1 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
        const std::string text = trimmedBlanks(line);
        if (text.empty() || text.front() == '#') continue;
        const auto fields = csvFields(text);
        if (jobs.empty() && number == 1 && upperText(fields.front()) == "TARGET") continue;
        ApplyJob job;
        if (fields.size() == 3) {
            job = makeApplyJob(fields[0], fields[1], fields[2]);
        } else {
            job.target = fields.front();
            job.problem = "line " + std::to_string(number) + ": expected target,brand,new MAC";
        }
        job.line = number;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::optional<std::string> repeatedNewMac(const std::vector<ApplyJob>& jobs) {
    std::unordered_map<std::string, std::size_t> firstLine;
    for (const auto& job : jobs) {
        if (!job.problem.empty() || job.new_mac.empty()) continue;
        const auto [at, added] = firstLine.emplace(upperText(job.new_mac), job.line);
        if (!added)
            return "lines " + std::to_string(at->second) + " and " + std::to_string(job.line) +
                   " would both write the MAC " + job.new_mac;
    }
    return std::nullopt;
}

}  // namespace kestrel
