#pragma once

#include "link/Prompter.h"
#include "model/ConfigStore.h"

#include <functional>

namespace tqv {

// Before unsaved edits could be lost (New, Open, a recent file, closing the window): while
// configModified, `ask` puts the "Save Configuration" question. Yes runs `save` (Save, or Save As
// for an untitled document), which returns whether the document was written; No goes on
// without saving; Cancel stops. Returns whether the caller may go on.
bool confirmDiscardEdits(const ConfigStore &store, const std::function<Answer()> &ask,
                         const std::function<bool()> &save);

} // namespace tqv
