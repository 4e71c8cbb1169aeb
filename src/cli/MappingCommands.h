#pragma once

namespace tqv {

class CliApp;

// The subcommands of the mapping addresses: map, check, conflicts.
void addMappingCommands(CliApp &app);

} // namespace tqv
