#pragma once
#include "seams/prompts.h"

namespace fendrix {

// Modal message boxes with one OK button, over the active window.
class SystemPrompts : public kestrel::Prompts {
public:
    void show(std::string_view text, kestrel::PromptIcon icon) override;
};

}  // namespace fendrix
