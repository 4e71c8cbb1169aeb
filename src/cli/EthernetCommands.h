#pragma once

namespace tqv {

class CliApp;

// The subcommands that talk to an Ethernet gateway: search, eth-download and eth-upload.
void addEthernetCommands(CliApp &app);

} // namespace tqv
