// tqv580-cli ports, in-process with a given port list: one name per line in the system's order,
// its help in both languages, and what it refuses.
#include "cli/PortCommands.h"
#include "support/CliFixture.h"

namespace tqv {
namespace {

Outcome ports(std::vector<std::string> args, std::vector<std::string> listed)
{
    std::ostringstream out, err;
    CliApp app(std::move(args), out, err);
    addPortCommands(app, [listed] { return listed; });
    const int code = app.run();
    return {code, out.str(), err.str()};
}

TEST(PortsCommand, OnePortPerLineInTheSystemsOrder)
{
    const Outcome r = ports({"--lang", "en", "ports"}, {"ttyS0", "ttyUSB1", "ttyUSB0"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "ttyS0\nttyUSB1\nttyUSB0\n");
    EXPECT_EQ(r.err, "");
}

TEST(PortsCommand, NoPortsPrintsNothing)
{
    const Outcome r = ports({"ports"}, {});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
}

TEST(PortsCommand, HelpInBothLanguages)
{
    for (const auto &[word, language] : {std::pair{"en", Language::English}, std::pair{"zh", Language::Chinese}}) {
        const Outcome r = ports({"--lang", word, "ports", "--help"}, {"ttyS0"});
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find(text(StrId::CliHelpPorts, language)), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("ttyS0"), std::string::npos); // help only, no listing
    }
    setLanguage(Language::English);
}

TEST(PortsCommand, RefusesOperandsAndUnknownOptions)
{
    const Outcome extra = ports({"--lang", "en", "ports", "COM1"}, {"ttyS0"});
    EXPECT_EQ(extra.code, 2);
    EXPECT_EQ(extra.out, "");
    EXPECT_EQ(extra.err, text(StrId::CliUsage, Language::English));
    const Outcome option = ports({"--lang", "en", "ports", "--all"}, {"ttyS0"});
    EXPECT_EQ(option.code, 2);
    EXPECT_EQ(option.err, formatText(StrId::CliUnknownOption, {"--all"}) + "\n" + text(StrId::CliUsage, Language::English));
}

} // namespace
} // namespace tqv
