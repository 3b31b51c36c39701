#pragma once
// One run of the capture helper as a child process: started with a clean
// environment, its standard output and standard error on pipes, and reaped
// exactly once. POSIX only.
#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

namespace kestrel {

class HelperProcess {
public:
    HelperProcess() = default;
    ~HelperProcess();  // kills and reaps a helper still running, closes the pipes
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // Runs `path` with `args` and no environment, standard input from
    // /dev/null, no other inherited descriptor, default signal handling, in
    // a process group of its own (a terminal's Ctrl-C reaches only us, and we
    // stop the helper in order). Answers 0 or the errno of the failure
    // (EACCES: this user may not run it).
    int start(const std::string& path, const std::vector<std::string>& args);

    int streamFd() const { return stream_; }
    int statusFd() const { return status_; }
    // The stream's descriptor passes to the caller, who closes it.
    int releaseStream();

    // Sends `sig` unless the helper has been reaped (its pid may be reused).
    void signal(int sig);
    // Blocks until the helper ends; answers its wait status. Safe to call
    // again: later calls answer the same status.
    int reap();

private:
    std::mutex mutex_;  // pid_, reaped_ and waitStatus_ between signal() and reap()
    pid_t pid_ = -1;
    bool reaped_ = true;
    int waitStatus_ = 0;
    int stream_ = -1;
    int status_ = -1;
};

// "exit status 1", "killed by signal 9 (Killed)".
std::string describeWaitStatus(int status);

}  // namespace kestrel
