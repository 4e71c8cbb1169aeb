#pragma once

// Values a command holds that follow from others: kept up to date by one rule, whichever path set
// the values it follows from (the grid's commit, a take from another configuration, an upload, an
// Ethernet read, a paste, an import).

#include "ConfigRecords.h"

#include <string_view>

namespace tqv {

struct ConfigStore;

// Brings the values that follow from `command`'s function code and quantity up to date, as the
// grid stores them when the quantity is committed: a single write (5, 6) moves exactly one item,
// and byteCount is the buffer bytes the quantity occupies (bits rounded up to whole bytes, two
// bytes per register), printed in decimal. A quantity that is not a number above 0 occupies
// nothing yet: byteCount is emptied (not set). An unknown function code leaves the command as it is.
void updateDerivedValues(COMMAND &command);

// The same for every command of every subnet, up to each subnet's command count.
void updateDerivedValues(ConfigStore &store);

// Whether a command field is one of those derived values: it follows its sources and is never
// taken or compared on its own where the sources are.
bool isDerivedCommandField(std::string_view name);

} // namespace tqv
