#pragma once

namespace tqv {

class CliApp;

// The subcommand that reads a gateway's configuration and compares it with a file: verify.
void addVerifyCommands(CliApp &app);

} // namespace tqv
