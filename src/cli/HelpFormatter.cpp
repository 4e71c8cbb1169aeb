#include "HelpFormatter.h"

#include "resources/TextWidth.h"
#include "resources/Strings.h"

namespace tqv {

HelpFormatter::HelpFormatter()
{
    // The keys are the words CLI11 asks its formatter for.
    label("Usage", text(StrId::CliHelpUsage));
    label("OPTIONS", text(StrId::CliHelpOptionsBadge));
    label("SUBCOMMAND", text(StrId::CliHelpSubcommandBadge));
    label("SUBCOMMANDS", text(StrId::CliHelpSubcommandsBadge));
    label("Positionals", text(StrId::CliHelpPositionals));
    label("REQUIRED", text(StrId::CliHelpRequired));
    column_width(28);
}

std::string HelpFormatter::make_option(const CLI::Option *option, bool isPositional) const
{
    return helpLine(make_option_name(option, isPositional) + make_option_opts(option), make_option_desc(option));
}

std::string HelpFormatter::make_subcommand(const CLI::App *command) const
{
    return helpLine(command->get_display_name(true), command->get_description());
}

std::string HelpFormatter::helpLine(const std::string &name, const std::string &description) const
{
    std::string line = "  " + name;
    if (!description.empty()) {
        const std::size_t used = displayWidth(line);
        if (used >= column_width_)
            line += '\n' + std::string(column_width_, ' ');
        else
            line.append(column_width_ - used, ' ');
        for (char c : description) {
            line += c;
            if (c == '\n')
                line.append(column_width_, ' ');
        }
    }
    return line + '\n';
}

} // namespace tqv
