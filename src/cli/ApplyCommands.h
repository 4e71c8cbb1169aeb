#pragma once

namespace tqv {

class CliApp;

// The subcommands that bring gateways to a configuration idempotently: apply (one gateway) and
// fleet (a manifest of them, several at once).
void addApplyCommands(CliApp &app);

} // namespace tqv
