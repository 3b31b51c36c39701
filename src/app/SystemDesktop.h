#pragma once
#include "seams/desktop.h"

namespace fendrix {

// The browser, the program's own path and the end of the process.
class SystemDesktop : public kestrel::Desktop {
public:
    void openUrl(const std::string& url) override;
    std::string programPath() override;
    [[noreturn]] void exitProcess(int code) override;
};

}  // namespace fendrix
