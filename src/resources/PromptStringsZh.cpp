// Prompt-pane explanations (Chinese set).
#include "Strings.h"

namespace tqv {

const std::vector<StringEntry> &chinesePromptStrings()
{
    static const std::vector<StringEntry> table = {
    };
    return table;
}

} // namespace tqv
