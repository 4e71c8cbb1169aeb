#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tqv {

class CliApp;

// The subcommands on the serial link: ports (the serial ports the program would offer, one per
// line). `listPorts` gives the system's ports; without it, the Qt port list is used.
void addPortCommands(CliApp &app, std::function<std::vector<std::string>()> listPorts = {});

} // namespace tqv
