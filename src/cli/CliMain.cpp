#include "ApplyCommands.h"
#include "CliApp.h"
#include "EthernetCommands.h"
#include "MonitorCommands.h"
#include "PortCommands.h"
#include "TransferCommands.h"
#include "VerifyCommands.h"

#include <iostream>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    tqv::CliApp app(args, std::cout, std::cerr);
    tqv::addCoreCommands(app);
    tqv::addPortCommands(app);
    tqv::addTransferCommands(app);
    tqv::addEthernetCommands(app);
    tqv::addMonitorCommands(app);
    tqv::addVerifyCommands(app);
    tqv::addApplyCommands(app);
    return app.run();
}
