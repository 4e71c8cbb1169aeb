#pragma once

#include "ConfigStore.h"
#include "Result.h"

#include <string>
#include <string_view>

namespace tqv {

// The JSON form of a configuration, for tools: gatewayType, modelFlag1..7, fileVersion, the
// fieldbus object and exactly four subnets with their nodes and commands (only the entries in
// use). Texts are UTF-8.
std::string storeToJson(const ConfigStore &store);

// Parses and validates the JSON form. Any unknown or missing field, wrong type, or more than 128
// nodes/commands fails with a message (active language) naming the field; the store is then
// unchanged. On success the records, gatewayType, flags and fileVersion are replaced; entries
// beyond the counts are left empty, as after reading a project file. A syntax error names
// `source` (the file) and the line and column where the parser stopped.
Status storeFromJson(std::string_view json, ConfigStore &store, std::string_view source = "JSON");

} // namespace tqv
