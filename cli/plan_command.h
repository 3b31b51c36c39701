#pragma once
// netcfg --plan: a site's address plan, checked whole against one scan, then
// applied row by row, each row's change confirmed by the scans that follow.
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "command_support.h"
#include "session.h"
#include "site/plan_file.h"

namespace fendrix_cli {

struct PlanArgs {
    std::string file;
    bool dry_run = false;
    bool json = false;
    std::chrono::milliseconds confirm_timeout{10000};
    std::string user, password;
};

// Ctrl+C or SIGTERM while a row is in hand lets that row finish (its change,
// its answer and its confirmation) and starts no further one; outside a row
// the waiting ends at once. The second signal ends the process
// (InterruptWatch).
class RowInHand {
public:
    explicit RowInHand(Session& session) : session_(session) {}
    void signal(int signal);  // from the signal watcher's thread
    // False, and no row begins, once a signal has asked to stop.
    bool begin();
    void end();
    std::optional<int> signalled() const;

private:
    Session& session_;
    mutable std::mutex mutex_;
    bool inRow_ = false;
    std::optional<int> signal_;
};

// Reads the plan; nothing when the file cannot be read.
std::optional<kestrel::PlanFile> readPlanFile(const std::string& path);

int runPlan(Session& session, const PlanArgs& args, const kestrel::PlanFile& plan,
            const Timing& timing, RowInHand& rows);

// The problems of a plan on standard output, one line or JSON object each;
// for a plan whose header already fails, before any scan.
void printPlanProblems(const std::vector<kestrel::PlanProblem>& problems, bool json);

}  // namespace fendrix_cli
