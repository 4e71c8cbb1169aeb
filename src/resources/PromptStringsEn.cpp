// Prompt-pane explanations (English set).
#include "Strings.h"

namespace tqv {

const std::vector<StringEntry> &englishPromptStrings()
{
    static const std::vector<StringEntry> table = {
    };
    return table;
}

} // namespace tqv
