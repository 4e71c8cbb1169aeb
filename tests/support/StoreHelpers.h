#pragma once

// Small helpers the core tests share for setting up and comparing stores.

#include "model/ConfigStore.h"

#include <array>
#include <cstddef>
#include <initializer_list>

namespace tqv::testing {

// Exactly the given model flags (numbers 1..7) set, the rest clear.
template <typename Numbers = std::initializer_list<int>>
std::array<bool, 7> flagsOf(const Numbers &numbers)
{
    std::array<bool, 7> f{};
    for (int n : numbers)
        f[static_cast<std::size_t>(n - 1)] = true;
    return f;
}

// The part of a store the undo history answers for: everything but the document flags.
inline ConfigStore historyContent(const ConfigStore &s)
{
    ConfigStore c = s;
    c.configModified = false;
    c.uploadPending = false;
    c.keepConfigOnNew = false;
    c.fileVersion = 500;
    return c;
}

} // namespace tqv::testing
