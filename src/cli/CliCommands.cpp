#include "CliCommands.h"

#include <ostream>

namespace tqv {

int runCli(const std::vector<std::string> &, std::ostream &, std::ostream &err)
{
    err << "not yet\n";
    return 2;
}

} // namespace tqv
