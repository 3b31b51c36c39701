#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

enum class PromptIcon { Warning, Information };

// Where the user chose to save a file (UTF-8), and the filter that the
// dialog showed when they did.
struct SaveChoice {
    std::string path;
    std::string filter;
};

// Modal dialogs: message boxes with a single OK button, and the save dialog.
class Prompts {
public:
    virtual ~Prompts() = default;
    virtual void show(std::string_view text, PromptIcon icon) = 0;
    // Asks where to save; `filters` as a file dialog takes them ("CSV
    // (*.csv)"), the first one selected. None when the user cancelled.
    virtual std::optional<SaveChoice> askSavePath(std::string_view title,
                                                  const std::vector<std::string>& filters) = 0;
};

}  // namespace kestrel
