#pragma once
// One JSON line per request received, flushed at once so that a test can
// read the file while the simulator runs.
#include <cstdio>
#include <string>

#include "frames.h"

namespace sim {

class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool open(const std::string& path);  // false when the file cannot be written
    // `answers`: how many replies the controllers made (before --drop).
    void write(const UdpFrame& request, std::size_t answers);

private:
    std::FILE* file_ = nullptr;
};

}  // namespace sim
