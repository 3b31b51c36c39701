#pragma once
// produce: a production run on the line (production/producer.h), wired to
// the session, the journal, standard output, a progress line and the signals.
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "session.h"

namespace fendrix_cli {

struct ProduceArgs {
    SessionOptions session;
    std::string receiver = "auto";
    std::string oem, macs, journal;
    std::vector<std::string> expect, expect_prefix;
    bool any_unit = false;
    int interval_ms = 1000, timeout_ms = 3000, confirm_ms = 10000, attempts = 2;
    std::string format = "text";
};

CLI::App* addProduceCommand(CLI::App& app, ProduceArgs& args);

// Runs until Ctrl+C or SIGTERM (after the unit in hand), the end of the
// range, or a failure; answers the exit code.
int runProduce(const ProduceArgs& args);

}  // namespace fendrix_cli
