#pragma once

namespace tqv {

class CliApp;

// tqv580-cli monitor: watches a running gateway over the link the configuration calls for.
void addMonitorCommands(CliApp &app);

} // namespace tqv
