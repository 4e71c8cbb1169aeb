#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tqv {

// tqv580-cli: new / show / convert. Exit codes: 0 success, 1 the job ran and found a problem,
// 2 bad usage or unreadable input. Messages go to `err` in the active language.
int runCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace tqv
