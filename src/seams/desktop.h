#pragma once
#include <string>

namespace kestrel {

// What the tool asks of the desktop and the process around it.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void openUrl(const std::string& url) = 0;
    // Full path of the running program file.
    virtual std::string programPath() = 0;
    // Ends the process at once with the given code.
    virtual void exitProcess(int code) = 0;
};

}  // namespace kestrel
