#pragma once
// Where the capture helper fendrix-capture is looked for: only relative to
// the running program's own folder, never where the environment points.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// In the order searched, for a program in `programDir`:
//   ../libexec/fendrix/fendrix-capture   installed (/usr/bin -> /usr/libexec/fendrix)
//   ../capture/fendrix-capture           build tree: cli/, src/, tests/, bench/
//   ../../capture/fendrix-capture        build tree: tests/e2e/
//   fendrix-capture                      beside the program
std::vector<std::string> captureHelperCandidates(std::string_view programDir);

// The first candidate that is a regular file.
std::optional<std::string> findCaptureHelper(std::string_view programDir);

// The folder of the running program (/proc/self/exe); empty when unknown.
std::string runningProgramDir();

}  // namespace kestrel
