#pragma once

namespace tqv {

class CliApp;

// The subcommands on project files, all within the core: new, show, convert.
void addProjectCommands(CliApp &app);

} // namespace tqv
