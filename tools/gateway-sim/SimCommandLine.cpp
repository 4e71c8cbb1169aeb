#include "SimCommandLine.h"

#include "EthernetImageCodec.h"
#include "GatewayModel.h"
#include "GatewayResponder.h"
#include "StateFile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <vector>

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

// Six pairs of hexadecimal digits separated by '-' (or ':').
std::optional<std::array<std::uint8_t, 6>> macAddress(std::string_view text)
{
    std::array<std::uint8_t, 6> mac{};
    if (text.size() != 17)
        return std::nullopt;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string_view pair = text.substr(3 * i, 2);
        std::uint32_t value = 0;
        const auto [ptr, ec] = std::from_chars(pair.data(), pair.data() + 2, value, 16);
        if (ec != std::errc() || ptr != pair.data() + 2)
            return std::nullopt;
        if (i < 5 && text[3 * i + 2] != '-' && text[3 * i + 2] != ':')
            return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

} // namespace

SimCommandLine::Parsed SimCommandLine::parse(std::span<const std::string_view> args)
{
    // CLI11 reads the words (--name VALUE or --name=VALUE, repeats, unknown options); the values are
    // judged below, once every option is known, with the messages of this program's own.
    CLI::App app("tqv580-gateway-sim");
    app.set_help_flag();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    SimOptions o;
    app.add_flag("-h,--help", o.help);
    app.add_flag("--ethernet", o.ethernet);
    std::map<std::string, std::string> given;
    static constexpr std::string_view kValued[] = {"--pty",      "--gateway-type", "--reported-type", "--firmware",
                                                   "--state",    "--save",         "--line-speed",    "--lang",
                                                   "--ip",       "--mac",          "--permission",    "--monitor",
                                                   "--monitor-type", "--monitor-resend"};
    for (std::string_view name : kValued)
        app.add_option(std::string(name), given[std::string(name)]);
    std::vector<std::string> failModes; // read once the kind of gateway is known
    app.add_option("--fail", failModes)->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    std::vector<std::string> words(args.begin(), args.end());
    std::reverse(words.begin(), words.end()); // CLI11 takes them last first
    try {
        app.parse(words);
    } catch (const CLI::ParseError &e) {
        return bad(e.what());
    }
    const auto has = [&](const char *name) { return app.count(name) > 0; };

    if (has("--pty")) {
        if (given["--pty"].empty())
            return bad("--pty needs a path");
        o.link = given["--pty"];
    }
    if (const std::string &v = given["--gateway-type"]; has("--gateway-type")) {
        const auto type = wholeNumber(v, GatewayModel::kHighestType);
        if (!type)
            return bad("--gateway-type \"" + v + "\" is not a gateway type from 0 to 6");
        o.gatewayType = *type;
    }
    if (const std::string &v = given["--reported-type"]; has("--reported-type")) {
        const auto type = wholeNumber(v, 255);
        if (!type || *type == 0)
            return bad("--reported-type \"" + v + "\" is not a type code from 1 to 255");
        o.reportedType = static_cast<std::uint8_t>(*type);
    }
    if (const std::string &v = given["--firmware"]; has("--firmware")) {
        const auto dot = v.find('.');
        // The serial identity carries bytes, the search reply 16-bit numbers; checked below.
        const auto major = dot == std::string::npos ? std::nullopt : wholeNumber(v.substr(0, dot), 65535);
        const auto minor = dot == std::string::npos ? std::nullopt : wholeNumber(v.substr(dot + 1), 65535);
        if (!major || !minor)
            return bad("--firmware \"" + v + "\" is not MAJOR.MINOR with each from 0 to 255 (65535 with --ethernet)");
        o.firmwareMajor = static_cast<std::uint16_t>(*major);
        o.firmwareMinor = static_cast<std::uint16_t>(*minor);
    }
    for (const char *name : {"--state", "--save"}) {
        const std::string &v = given[name];
        if (!has(name))
            continue;
        if (!StateFile::kindOf(v))
            return bad(std::string(name) + " \"" + v + "\" must end in .tqv or .json");
        (name == std::string_view("--state") ? o.stateFile : o.saveFile) = v;
    }
    if (const std::string &v = given["--ip"]; has("--ip")) {
        const auto ip = EthernetImageCodec::parseAddress(v);
        if (!ip)
            return bad("--ip \"" + v + "\" is not an IPv4 address A.B.C.D");
        o.ip = *ip;
    }
    if (const std::string &v = given["--mac"]; has("--mac")) {
        const auto mac = macAddress(v);
        if (!mac)
            return bad("--mac \"" + v + "\" is not a MAC address XX-XX-XX-XX-XX-XX");
        o.mac = *mac;
    }
    if (const std::string &v = given["--permission"]; has("--permission")) {
        const auto permission = wholeNumber(v, 0xFFFFFFFFu);
        if (!permission)
            return bad("--permission \"" + v + "\" is not a number from 0 to 4294967295");
        o.permission = *permission;
    }
    if (const std::string &v = given["--line-speed"]; has("--line-speed")) {
        const auto baud = wholeNumber(v, kMaxLineSpeed);
        if (!baud || *baud == 0)
            return bad("--line-speed \"" + v + "\" is not a baud rate from 1 to " + std::to_string(kMaxLineSpeed));
        o.lineSpeed = *baud;
    }
    if (const std::string &v = given["--monitor"]; has("--monitor")) {
        if (v == "framed")
            o.monitor = MonitorLinkKind::Framed;
        else if (v == "record")
            o.monitor = MonitorLinkKind::Record;
        else
            return bad("--monitor \"" + v + "\" is not framed or record");
    }
    if (const std::string &v = given["--monitor-type"]; has("--monitor-type")) {
        const auto type = wholeNumber(v, 255);
        if (!type)
            return bad("--monitor-type \"" + v + "\" is not a subnet type from 0 to 255");
        o.monitorType = static_cast<std::uint8_t>(*type);
    }
    if (const std::string &v = given["--monitor-resend"]; has("--monitor-resend")) {
        const auto ms = wholeNumber(v, kMaxResendMs);
        if (!ms || *ms == 0)
            return bad("--monitor-resend \"" + v + "\" is not a time from 1 to " + std::to_string(kMaxResendMs) + " ms");
        o.monitorResendMs = *ms;
    }
    if (const std::string &v = given["--lang"]; has("--lang")) {
        if (v == "en")
            o.language = tqv::Language::English;
        else if (v == "zh")
            o.language = tqv::Language::Chinese;
        else
            return bad("--lang \"" + v + "\" is not en or zh");
    }
    if (o.ethernet)
        for (const char *name : {"--pty", "--gateway-type", "--reported-type", "--line-speed", "--monitor"})
            if (has(name))
                return bad(std::string(name) + " is for the serial gateway, not with --ethernet");
    if (!o.ethernet)
        for (const char *name : {"--ip", "--mac", "--permission"})
            if (has(name))
                return bad(std::string(name) + " needs --ethernet");
    if (!o.ethernet && (o.firmwareMajor > 255 || o.firmwareMinor > 255))
        return bad("--firmware " + std::to_string(o.firmwareMajor) + "." + std::to_string(o.firmwareMinor) +
                   " does not fit the serial identity: each from 0 to 255");
    for (const std::string &mode : failModes) {
        auto problem = o.ethernet ? o.ethernetFailures.add(mode) : o.failures.add(mode);
        if (problem)
            return bad(*problem);
    }
    if (o.monitor) {
        for (const auto &mode : o.failures.modes())
            if (mode.kind == FailurePlan::Kind::Error)
                return bad("--fail error: has no meaning with --monitor");
        if (o.reportedType || !o.saveFile.empty())
            return bad(std::string(o.reportedType ? "--reported-type" : "--save") + " has no meaning with --monitor");
    }
    if (o.monitorType && o.monitor != MonitorLinkKind::Framed)
        return bad("--monitor-type needs --monitor framed");
    if (!o.help && !o.ethernet && o.link.empty())
        return bad("--pty LINK or --ethernet is required");
    return {std::move(o), {}};
}

std::string SimCommandLine::helpText()
{
    using R = RefusalCode;
    auto code = [](R r) { return std::to_string(static_cast<int>(r)); };
    return "Usage: tqv580-gateway-sim --pty LINK [--gateway-type N] [--reported-type N]\n"
           "                          [--firmware MAJOR.MINOR] [--state FILE] [--save FILE] [--fail MODE]...\n"
           "                          [--line-speed BAUD] [--lang en|zh]\n"
           "       tqv580-gateway-sim --pty LINK --monitor framed|record [--monitor-type N]\n"
           "                          [--monitor-resend MS] [--gateway-type N] [--state FILE] [--fail MODE]...\n"
           "                          [--line-speed BAUD]\n"
           "       tqv580-gateway-sim --ethernet [--ip A.B.C.D] [--mac XX-XX-XX-XX-XX-XX]\n"
           "                          [--firmware MAJOR.MINOR] [--permission N] [--state FILE] [--save FILE]\n"
           "                          [--fail MODE]... [--monitor-resend MS] [--lang en|zh]\n"
           "\n"
           "With --pty it plays a TQV-580 gateway on the serial configuration protocol over a\n"
           "pseudo-terminal; with --ethernet it plays the Ethernet gateway (type 4) on 127.0.0.1.\n"
           "\n"
           "Serial gateway (--pty)\n"
           "\n"
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
           "I/O monitoring on the serial line (--monitor)\n"
           "\n"
           "With --monitor the pty carries the gateway's monitor side instead of the configuration\n"
           "protocol. The records are built from the commands of the configuration (--state, else a\n"
           "new one of the type): subnet 1's commands for the serial types, both subnets' for type 4,\n"
           "in order; without commands: slave 1, function 3, start 0, quantity 2.\n"
           "\n"
           "  --monitor framed        the framed link (frames code, length, data, 8-bit sum):\n"
           "                          D0 00 D0 is answered with 16 bytes: D0, 13 zeros, the subnet type,\n"
           "                          the sum; subnet type from subnet 1's protocol: Modbus master 0,\n"
           "                          Modbus slave 1, User Config and Self-defining protocol 3.\n"
           "                          D2 01 EA BD starts the run at record 0 and sends it; each\n"
           "                          D4 01 00 D5 and each write D4 N+3 01 AH AL DATA.. SUM is answered\n"
           "                          with the next record; D2 01 F0 C3 stops the run. A frame with a\n"
           "                          wrong sum is ignored.\n"
           "                          Records, Modbus master (subnet type 0): 00, L=6+N, status, slave,\n"
           "                          function, start high, start low, N, N data bytes, sum.\n"
           "                          Modbus slave and user types: 00, F5, direction, data, sum.\n"
           "  --monitor record        the record link (unframed): records status, slave, start high,\n"
           "                          start low, N, N data bytes, the first one at once; 00 asks for\n"
           "                          the next, a write 01 AH AL N DATA.. also gets the next.\n"
           "  --monitor-type N        the subnet type the handshake reports instead (0..255), for the\n"
           "                          program's mismatch messages; the records keep their form\n"
           "  --monitor-resend MS     a record left unanswered MS ms (default 1000) is given up on: one\n"
           "                          with status 0..3 (direction 0 or 1) goes out again, as the program\n"
           "                          may have purged it on opening; after any other the next follows\n"
           "\n"
           "Record sequence, position 0, 1, 2, ... (every start begins at 0; command = position modulo\n"
           "the number of commands):\n"
           "  status = 0 0 1 2 3 255 4 by position modulo 7 (4 stands for an out-of-range status);\n"
           "  status 0, 2, 4: the data of a reply to the command: function 1, 2, 15 one bit per\n"
           "    quantity, 3, 4, 16 two bytes per quantity, others 2 bytes; data byte i is\n"
           "    (position + i) modulo 256; cut to what the program reads (framed 240 bytes, record\n"
           "    195, UDP 280);\n"
           "  status 1: the exception code 2 + (position / 7) modulo 8 (9 is sent as 1) as the only\n"
           "    data byte (UDP: four data bytes 00 00 00 and the code, so the code is byte 23);\n"
           "  status 3 and 255: no data.\n"
           "  Framed slave and user form: direction = 0 1 0 1 255 2 by position modulo 6; direction 0\n"
           "    and 2 carry the request slave, function, start (2 bytes), quantity (2 bytes);\n"
           "    direction 1 the answer slave, function, byte count, data as above; 255 nothing.\n"
           "\n"
           "Every write received is printed as a line \"write ADDR DATA\": ADDR four upper-case hex\n"
           "digits, then each data byte as a blank and two upper-case hex digits (\"write 40F3 0A 1B\";\n"
           "\"write 4000\" for a write without data).\n"
           "\n"
           "--fail MODE with --monitor: CODE names the request whose answer misbehaves: D0 the\n"
           "handshake, D2 the first record after the start, D4 the record after a next-record or write\n"
           "frame; on the record link 00 and 01. timeout: nothing is sent (the record then goes out\n"
           "when its resend time is up), sum: the last byte is one more (framed only), split, slow as\n"
           "above; error: is refused. --save and --reported-type are refused.\n"
           "\n"
           "Ethernet gateway (--ethernet)\n"
           "\n"
           "Listens on 127.0.0.1 only, at the port TQV580_GATEWAY_PORT names (default 18801): UDP for\n"
           "the device search, TCP on the same port number for reading (command 5) and writing (6) the\n"
           "configuration image and for the restart (10). Replies go to the sender's address and port,\n"
           "and only to senders on 127.0.0.1. Prints \"ready\" once both sockets listen and a line\n"
           "\"restart\" for every restart with the right key; runs until SIGINT or SIGTERM, then\n"
           "writes --save and exits 0.\n"
           "\n"
           "Options:\n"
           "  --ethernet              play the Ethernet gateway (not with --pty, --gateway-type,\n"
           "                          --reported-type or --line-speed)\n"
           "  --ip A.B.C.D            the address the search reply reports (default 127.0.0.1; it\n"
           "                          listens on 127.0.0.1 whatever this says)\n"
           "  --mac XX-XX-XX-XX-XX-XX the MAC address the search reply reports (default 02-00-00-00-05-80)\n"
           "  --firmware MAJOR.MINOR  firmware version in the search reply, each 0..65535 (default 5.0)\n"
           "  --permission N          remote-configuration permission in the search reply, 1 allowed,\n"
           "                          anything else prohibited (default 1)\n"
           "  --state FILE            start holding the image a download of this project (.tqv or\n"
           "                          .json, gateway type 4, at most 48 commands per subnet) writes\n"
           "                          (default: a new type-4 configuration)\n"
           "  --save FILE             write the held image as a project (.tqv or .json), applied the\n"
           "                          way an upload applies it, after every accepted write and at exit\n"
           "  --fail MODE             misbehave on purpose; repeatable, see below\n"
           "  --lang en|zh            language of the value texts in saved projects (default en)\n"
           "\n"
           "Monitoring: UDP on 127.0.0.1 at the port TQV580_MONITOR_PORT names (default 18802),\n"
           "from senders on 127.0.0.1 only; every datagram is an 8-byte header (command, payload\n"
           "length, big-endian) and the payload, and a datagram whose length is not its header's is\n"
           "ignored. Command 14 with EA EA EA EA 00 00 00 00 starts a run at record 0 for the sender\n"
           "(address and port) and sends the record; 14 with F0 F0 F0 F0 00 00 00 00 stops it. Command\n"
           "16 with 00 00 00 00 (next record) or 00 00 00 01 AH AL DATA.. (a write, printed as above)\n"
           "gets the next record. Records go to the sender of the start only: header (command 16,\n"
           "length L = 12 + N), subnet index (4 bytes), status (4 bytes), function, slave, start\n"
           "(2 bytes), N data bytes; the sequence and the resend rule are those of --monitor (status\n"
           "0..3 goes out again, any other is followed by the next). Under --fail no-answer no record\n"
           "is sent.\n"
           "\n"
           "Messages: a write (00 00 00 06, length 1264, 1272 bytes in all, in as many TCP segments as\n"
           "it comes) replaces the image and is acknowledged with 16 bytes 00 00 00 06 00 00 00 08 and\n"
           "eight zeros. A write that cannot be held (another length, more than 48 commands in a subnet)\n"
           "is refused with 16 bytes starting 00 00 00 00 and changes nothing. A read (00 00 00 05)\n"
           "gets 00 00 00 05 00 00 04 F0 and the image as the last write carried it. A restart\n"
           "(00 00 00 0A 00 00 00 08 \"Kelmarox\") gets no reply. Other commands are ignored; a header\n"
           "announcing more than 1264 bytes closes the connection.\n"
           "\n"
           "Failure modes:\n"
           "  no-answer               no reply to searches or TCP requests; nothing is stored or restarted\n"
           "  wrong-code              replies carry another command code: the search reply and the\n"
           "                          write acknowledgement 00 00 00 05, the read reply 00 00 00 06;\n"
           "                          a write answered so is not kept\n"
           "  refuse                  nothing listens on TCP: connections are refused (search still answers)\n"
           "  pieces                  the read reply goes out in four TCP segments (8, 292, 400 and 572\n"
           "                          bytes), 20 ms apart\n"
           "  short                   the read reply stops after its first 636 bytes and the connection\n"
           "                          is closed\n"
           "\n"
           "Exit status: 0 after SIGINT/SIGTERM, 1 on a runtime failure (pty, link, sockets, saving at\n"
           "exit), 2 on bad usage, a bad TQV580_GATEWAY_PORT or TQV580_MONITOR_PORT or an unreadable\n"
           "--state file.\n";
}

} // namespace tqvsim
