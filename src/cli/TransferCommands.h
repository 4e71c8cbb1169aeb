#pragma once

namespace tqv {

class CliApp;

// The subcommands that talk to a gateway over a serial port: upload and download.
void addTransferCommands(CliApp &app);

} // namespace tqv
