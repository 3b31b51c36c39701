#pragma once
#include <string_view>

namespace kestrel {

enum class PromptIcon { Warning, Information };

// Modal message boxes with a single OK button.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void show(std::string_view text, PromptIcon icon) = 0;
};

}  // namespace kestrel
