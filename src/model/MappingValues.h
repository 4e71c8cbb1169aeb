#pragma once

#include "model/ConfigStore.h"

#include <optional>
#include <string>

namespace tqv {

// How the mapping code reads the value texts of commands.

// A mapping address text as a number: its leading hexadecimal digits (either case), or nothing
// when it starts with none (empty, "-1", garbage). Values beyond 0x7FFFFFFF read as 0x7FFFFFFF.
std::optional<long> mappingAddressValue(const std::string &text);

// Whether a value is not set: "-1" or empty.
bool isVacant(const std::string &text);

// A mapping address as stored by the mapping pass: upper-case hexadecimal, no leading zeros.
std::string mappingAddressText(long address);

// The commands 1..commandCount of a subnet, with a count outside 0..128 kept within it.
int usedCommands(const CONFIG &subnet);

bool isModbusMaster(const CONFIG &subnet);

} // namespace tqv
