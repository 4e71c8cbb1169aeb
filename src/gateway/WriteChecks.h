#pragma once
// The checks before a configuration is written to a gateway: they ask the mapping rules (the
// completeness check, the mapping test), which sit above the wire, so they run in the session that
// drives a transfer and are handed to the procedures from there.
#include "link/Prompter.h"
#include "model/ConfigStore.h"

namespace tqv {

// Opening the download dialog: the completeness check, which fills in the commands' byte counts
// on the way. False when the configuration is not finished; its messages (the check's own, then
// "Configuration unfinished...") have been shown and the dialog does not open.
bool downloadDialogMayOpen(ConfigStore &configuration, Prompter &prompter);

// The checks of one press of "Download", in their order: equal PROFIBUS sizes, no vacant node
// address, then for a Modbus-master first subnet the invalid-node and mapping-test questions,
// then the incomplete-information question when `incompleteMark` is set. False when one stopped
// the press (its message shown, or its question answered No).
bool downloadPreChecks(const ConfigStore &configuration, bool incompleteMark, Prompter &prompter);

// The byte count of every command of subnets 1 and 2, from its function code and quantity (coils
// rounded up to whole bytes); a command with an unknown function code keeps its count.
void recomputeByteCounts(ConfigStore &configuration);

// The checks of a press of "Download", in their order: a command naming no node of its subnet
// (stop), a vacant node address of subnet 1 or 2
// (stop), the mapping test (question), the incomplete-information mark (stop), the byte counts
// recomputed into `configuration` (they stay there whatever follows), the mapping range, and a
// subnet with more commands than the image holds (stop). True when the write may go on; otherwise
// the message has been shown or the question answered No.
bool ethernetWriteChecks(ConfigStore &configuration, bool incompleteMark, Prompter &prompter);

} // namespace tqv
