#pragma once
#include "seams/prompts.h"

namespace fendrix {

// Modal message boxes with one OK button and the save dialog, over the
// active window.
class SystemPrompts : public kestrel::Prompts {
public:
    void show(std::string_view text, kestrel::PromptIcon icon) override;
    std::optional<kestrel::SaveChoice> askSavePath(
        std::string_view title, const std::vector<std::string>& filters) override;
};

}  // namespace fendrix
