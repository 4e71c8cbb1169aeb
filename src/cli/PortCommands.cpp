#include "PortCommands.h"

#include "CliApp.h"
#include "io/QtSerialPorts.h"
#include "resources/Strings.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace tqv {

void addPortCommands(CliApp &app, std::function<std::vector<std::string>()> listPorts)
{
    if (!listPorts)
        listPorts = systemSerialPorts;
    CLI::App &portsCommand = app.addCommand("ports", text(StrId::CliHelpPorts));
    app.setJob(portsCommand, [&app, listPorts] {
        for (const std::string &name : listPorts())
            app.out() << name << '\n';
        return kExitOk;
    });
}

} // namespace tqv
