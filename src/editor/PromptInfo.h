#pragma once

#include "ConfigTree.h"
#include "model/ConfigStore.h"
#include "resources/StringId.h"

namespace tqv {

// What a grid click does to the prompt pane: show a text, empty the pane, or leave it as it is.
enum class PromptAction { Set, Empty, Unchanged };

struct PromptChoice {
    PromptAction action = PromptAction::Unchanged;
    StrId text{}; // meaningful only for Set

    bool operator==(const PromptChoice &) const = default;
};

// The explanation for a click on `row` (label or value cell alike) of the grid of an item of `kind`.
// Conditions on "subnet 1" read the first subnet's protocol, compared with the active language's
// protocol names; the clicked subnet's own protocol never matters.
PromptChoice choosePrompt(const ConfigStore &store, ItemKind kind, int row);

} // namespace tqv
