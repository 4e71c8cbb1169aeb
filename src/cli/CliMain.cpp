#include "CliApp.h"
#include "PortCommands.h"
#include "ProjectCommands.h"

#include <iostream>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    tqv::CliApp app(args, std::cout, std::cerr);
    tqv::addProjectCommands(app);
    tqv::addPortCommands(app);
    return app.run();
}
