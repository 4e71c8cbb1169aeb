#pragma once

#include <iosfwd>

namespace tqv {

struct ConfigStore;

// The readable listing of `show`: type and flags, the fieldbus, then each subnet with its nodes and
// commands as tables. Names of fields are those of the JSON form, so both outputs read alike.
void printProject(const ConfigStore &store, std::ostream &out);

} // namespace tqv
