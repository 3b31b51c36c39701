#pragma once
// An exclusive lock on a file for as long as this object lives, taken
// without waiting. The lock is the kernel's (flock): it goes with the
// process, also when the process is killed.
#include <string>

namespace kestrel {

class ExclusiveFileLock {
public:
    // Opens the file (creating it when missing) and tries to lock it.
    explicit ExclusiveFileLock(const std::string& path);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    bool held() const { return held_; }
    bool busy() const { return busy_; }                  // another open of the file holds it
    const std::string& error() const { return error_; }  // why not held, when not busy

private:
    int fd_ = -1;
    bool held_ = false, busy_ = false;
    std::string error_;
};

}  // namespace kestrel
