#pragma once

namespace tqv {

class CliApp;

// The subcommands that edit a project through the property grid's own rules: rows, set.
void addGridCommands(CliApp &app);

} // namespace tqv
