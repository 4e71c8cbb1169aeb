#include "SavePrompt.h"

namespace tqv {

bool confirmDiscardEdits(const ConfigStore &store, const std::function<Answer()> &ask,
                         const std::function<bool()> &save)
{
    if (!store.configModified)
        return true;
    switch (ask()) {
    case Answer::Yes:
        // A cancelled file dialog or a failed write keeps the edits where they are.
        return save();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

} // namespace tqv
