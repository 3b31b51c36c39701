#pragma once
// Collects what the process writes to standard output or standard error (at
// the file descriptor, so C stdio and everything else alike) while it lives.
#include <unistd.h>

#include <cstdio>
#include <string>

namespace fendrix::testing {

class StreamCapture {
public:
    explicit StreamCapture(std::FILE* stream) : stream_(stream), file_(std::tmpfile()) {
        std::fflush(stream_);
        saved_ = ::dup(::fileno(stream_));
        if (file_ != nullptr) ::dup2(::fileno(file_), ::fileno(stream_));
    }
    ~StreamCapture() {
        restore();
        if (file_ != nullptr) std::fclose(file_);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // Stops collecting and answers what was written.
    std::string take() {
        restore();
        std::string text;
        if (file_ == nullptr) return text;
        std::rewind(file_);
        char buffer[512];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
            text.append(buffer, n);
        return text;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stream_);
        ::dup2(saved_, ::fileno(stream_));
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE* stream_;
    std::FILE* file_;
    int saved_ = -1;
};

}  // namespace fendrix::testing
