#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace tqv {

// CLI11's help layout with its fixed headings taken from our string tables (in the active
// language) and the name column padded by terminal columns instead of bytes.
class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter();

    std::string make_option(const CLI::Option *option, bool isPositional) const override;
    std::string make_subcommand(const CLI::App *command) const override;

private:
    // "  name   description", the description starting at the column width (or on the next line
    // when the name is wider); continuation lines of the description are indented alike.
    std::string helpLine(const std::string &name, const std::string &description) const;
};

} // namespace tqv
