#include "SimCommandLine.h"

#include "GatewayModel.h"
#include "GatewayResponder.h"
#include "StateFile.h"

#include <charconv>

namespace tqvsim {

namespace {

std::optional<std::uint32_t> wholeNumber(std::string_view text, std::uint32_t max)
{
    std::uint32_t value = 0;
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || ec != std::errc() || ptr != end || value > max)
        return std::nullopt;
    return value;
}

SimCommandLine::Parsed bad(std::string message) { return {std::nullopt, std::move(message)}; }

} // namespace

SimCommandLine::Parsed SimCommandLine::parse(std::span<const std::string_view> args)
{
    SimOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        static constexpr std::string_view kValued[] = {"--pty", "--gateway-type", "--reported-type", "--firmware", "--state",
                                                       "--save", "--fail", "--line-speed", "--lang"};
        bool known = false;
        for (std::string_view v : kValued)
            known = known || v == name;
        if (!known)
            return bad("unknown option \"" + std::string(arg) + "\"");
        if (!value) {
            if (i + 1 >= args.size())
                return bad("option " + std::string(name) + " needs a value");
            value = args[++i];
        }
        const std::string v(*value);

        if (name == "--pty") {
            if (v.empty())
                return bad("--pty needs a path");
            o.link = v;
        } else if (name == "--gateway-type") {
            const auto type = wholeNumber(v, GatewayModel::kHighestType);
            if (!type)
                return bad("--gateway-type \"" + v + "\" is not a gateway type from 0 to 6");
            o.gatewayType = *type;
        } else if (name == "--reported-type") {
            const auto type = wholeNumber(v, 255);
            if (!type || *type == 0)
                return bad("--reported-type \"" + v + "\" is not a type code from 1 to 255");
            o.reportedType = static_cast<std::uint8_t>(*type);
        } else if (name == "--firmware") {
            const auto dot = v.find('.');
            const auto major = dot == std::string::npos ? std::nullopt : wholeNumber(v.substr(0, dot), 255);
            const auto minor = dot == std::string::npos ? std::nullopt : wholeNumber(v.substr(dot + 1), 255);
            if (!major || !minor)
                return bad("--firmware \"" + v + "\" is not MAJOR.MINOR with each from 0 to 255");
            o.firmwareMajor = static_cast<std::uint8_t>(*major);
            o.firmwareMinor = static_cast<std::uint8_t>(*minor);
        } else if (name == "--state" || name == "--save") {
            if (!StateFile::kindOf(v))
                return bad(std::string(name) + " \"" + v + "\" must end in .tqv or .json");
            (name == "--state" ? o.stateFile : o.saveFile) = v;
        } else if (name == "--fail") {
            if (auto problem = o.failures.add(v))
                return bad(*problem);
        } else if (name == "--line-speed") {
            const auto baud = wholeNumber(v, kMaxLineSpeed);
            if (!baud || *baud == 0)
                return bad("--line-speed \"" + v + "\" is not a baud rate from 1 to " + std::to_string(kMaxLineSpeed));
            o.lineSpeed = *baud;
        } else if (name == "--lang") {
            if (v == "en")
                o.language = tqv::Language::English;
            else if (v == "zh")
                o.language = tqv::Language::Chinese;
            else
                return bad("--lang \"" + v + "\" is not en or zh");
        }
    }
    if (!o.help && o.link.empty())
        return bad("--pty LINK is required");
    return {std::move(o), {}};
}

std::string SimCommandLine::helpText()
{
    using R = RefusalCode;
    auto code = [](R r) { return std::to_string(static_cast<int>(r)); };
    return "Usage: tqv580-gateway-sim --pty LINK [--gateway-type N] [--reported-type N]\n"
           "                          [--firmware MAJOR.MINOR] [--state FILE] [--save FILE] [--fail MODE]...\n"
           "                          [--line-speed BAUD] [--lang en|zh]\n"
           "\n"
           "Plays a TQV-580 gateway on the serial configuration protocol over a pseudo-terminal.\n"
           "Prints \"ready LINK\" once it answers; runs until SIGINT or SIGTERM, then removes LINK,\n"
           "writes --save and exits 0.\n"
           "\n"
           "Options:\n"
           "  --pty LINK              create a pty pair and put a symbolic link to the program's side at\n"
           "                          LINK (a stale link there is replaced; any other file is refused)\n"
           "  --gateway-type N        gateway type 0..6; the gateway reports N+1 (default: the type of\n"
           "                          --state, else 3)\n"
           "  --reported-type N       the type code the identity reply reports instead of the gateway\n"
           "                          type + 1 (5 for the models that report 5 for every type)\n"
           "  --firmware MAJOR.MINOR  firmware version in the identity reply (default 5.0)\n"
           "  --state FILE            start holding what a download of this project (.tqv or .json)\n"
           "                          would have written (default: a new configuration of the type)\n"
           "  --save FILE             write what the gateway holds as a project (.tqv or .json) after\n"
           "                          every accepted write and at exit\n"
           "  --fail MODE             misbehave on purpose; repeatable, see below\n"
           "  --line-speed BAUD       pace outgoing bytes at BAUD, 10 bits per byte (default: no pacing)\n"
           "  --lang en|zh            language of the value texts in saved projects (default en)\n"
           "  --help                  show this help\n"
           "\n"
           "Failure modes (CODE is a hex request code such as 10 or 0x10, or all):\n"
           "  timeout:CODE            no reply at all; the request is not carried out\n"
           "  sum:CODE                the reply's checksum byte is wrong (one more than the sum)\n"
           "  split:CODE              the reply goes out in two pieces 20 ms apart\n"
           "  error:CODE:ERR          error reply CODE|0x80, 0x02, ERR, 0x00, sum; nothing is stored\n"
           "  slow:CODE:MS            the reply starts MS milliseconds after the request\n"
           "A mode naming a code wins over an all mode of the same kind; different kinds combine.\n"
           "\n"
           "Error codes of its own refusals (error reply code|0x80, 0x02, ERR, 0x00, sum):\n"
           "  " + code(R::UnknownCode) + "  unknown request code\n"
           "  " + code(R::BadLength) + "  data length that request never has\n"
           "  " + code(R::BadSum) + "  wrong checksum\n"
           "  " + code(R::OutOfRange) + "  subnet, command index or block out of range (a command may rewrite one it\n"
           "     holds or add the next one), PROFIBUS configuration count over 8, clear key not 55 AA\n"
           "  3 is never sent by itself: to a command write (0x10) it means \"one Modbus slave only\";\n"
           "     use --fail error:10:3 for that.\n"
           "A request left unfinished for 500 ms is dropped. Command blocks (0x16) hold 20 commands for\n"
           "type 2 and 6 for the other types.\n"
           "\n"
           "Exit status: 0 after SIGINT/SIGTERM, 1 on a runtime failure (pty, link, saving at exit),\n"
           "2 on bad usage or an unreadable --state file.\n";
}

} // namespace tqvsim
