#pragma once

namespace tqv {

class CliApp;

// fleet: apply runs for every gateway of a manifest, at most N at once, one per port.
void addFleetCommand(CliApp &app);

} // namespace tqv
