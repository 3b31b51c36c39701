#include "production/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kestrel {

ExclusiveFileLock::ExclusiveFileLock(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return;
    }
    // flock locks belong to the open file, not the process: a second open in
    // this very process is refused as well, and SQLite's own record locks on
    // the same file are a separate kind that this never touches.
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return;
    }
    busy_ = errno == EWOULDBLOCK;
    error_ = std::strerror(errno);
}

ExclusiveFileLock::~ExclusiveFileLock() {
    // Closing releases the lock. It must be the last descriptor of ours on
    // the file to close: closing any descriptor drops the process's record
    // locks on it, so the database connection is closed first.
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace kestrel
