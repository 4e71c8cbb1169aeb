#pragma once

#include "compare/ConfigDiff.h"

#include <optional>
#include <string>
#include <vector>

namespace tqv {

class CliApp;

// The subcommand that compares two configuration files: diff.
void addCompareCommands(CliApp &app);

// `serial` / `ethernet` as --carried takes them; nothing for any other word.
std::optional<Carried> carriedFromWord(const std::string &word);

// Prints differences: one line per difference on stdout (path, first text, second text,
// separated by tabs) and the count on stderr, or with `json` one JSON document whose entries name
// the two texts `firstName` and `secondName`. Returns 0 when there are none, else 1.
int reportDifferences(CliApp &app, const std::vector<Difference> &differences, bool json, const char *firstName,
                      const char *secondName, const std::string &equalText);

} // namespace tqv
