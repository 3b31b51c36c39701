#include "transport/helper_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace kestrel {

namespace {

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// posix_spawn's attributes and file actions, released on every path.
struct SpawnSetup {
    posix_spawnattr_t attr{};
    posix_spawn_file_actions_t actions{};
    SpawnSetup() {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
};

}  // namespace

HelperProcess::~HelperProcess() {
    signal(SIGKILL);
    reap();
    closeFd(stream_);
    closeFd(status_);
}

int HelperProcess::start(const std::string& path, const std::vector<std::string>& args) {
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) return errno;
    if (pipe2(err, O_CLOEXEC) != 0) {
        const int e = errno;
        closeFd(out[0]);
        closeFd(out[1]);
        return e;
    }

    SpawnSetup s;
    posix_spawn_file_actions_addopen(&s.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&s.actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&s.actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&s.actions, 3);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&s.attr, &none);
    posix_spawnattr_setsigdefault(&s.attr, &defaults);
    posix_spawnattr_setpgroup(&s.attr, 0);
    posix_spawnattr_setflags(
        &s.attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    char* noEnvironment[] = {nullptr};

    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &s.actions, &s.attr, argv.data(), noEnvironment);
    closeFd(out[1]);
    closeFd(err[1]);
    if (rc != 0) {
        closeFd(out[0]);
        closeFd(err[0]);
        return rc;
    }
    std::lock_guard lock(mutex_);
    pid_ = pid;
    reaped_ = false;
    stream_ = out[0];
    status_ = err[0];
    return 0;
}

int HelperProcess::releaseStream() {
    const int fd = stream_;
    stream_ = -1;
    return fd;
}

void HelperProcess::signal(int sig) {
    std::lock_guard lock(mutex_);
    if (!reaped_) ::kill(pid_, sig);
}

int HelperProcess::reap() {
    std::lock_guard lock(mutex_);
    if (reaped_) return waitStatus_;
    while (::waitpid(pid_, &waitStatus_, 0) < 0 && errno == EINTR) {}
    reaped_ = true;
    return waitStatus_;
}

std::string describeWaitStatus(int status) {
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    return "wait status " + std::to_string(status);
}

}  // namespace kestrel
