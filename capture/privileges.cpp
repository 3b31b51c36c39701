#include "privileges.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace fendrix_capture {

namespace {

std::string failed(const char* step) { return std::string(step) + ": " + std::strerror(errno); }

// glibc has no capset/capget of its own; libcap is not linked on purpose.
long capabilityCall(long number, __user_cap_data_struct* data) {
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    return syscall(number, &header, data);
}

}  // namespace

std::string makeUndumpable() {
    if (prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) return failed("making the helper undumpable");
    return {};
}

std::string dropAllCapabilities() {
    // Kernels without ambient capabilities have none to clear.
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL)
        return failed("clearing the ambient capabilities");
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (capabilityCall(SYS_capset, data) != 0) return failed("capset");
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return failed("setting no-new-privileges");

    __user_cap_data_struct check[_LINUX_CAPABILITY_U32S_3] = {};
    if (capabilityCall(SYS_capget, check) != 0) return failed("capget");
    for (const auto& set : check)
        if (set.effective != 0 || set.permitted != 0 || set.inheritable != 0)
            return "capabilities still held after capset";
    if (prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0) return "the helper is dumpable";
    return {};
}

bool tieToParent(pid_t parent) {
    if (prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0) != 0) return false;
    // A parent that died before the request left us with another one.
    return getppid() == parent;
}

}  // namespace fendrix_capture
