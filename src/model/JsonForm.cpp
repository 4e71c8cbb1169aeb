#include "JsonForm.h"

#include "../resources/Strings.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace tqv {

namespace {

// Ordered so that the keys come out in record order and errors name the first bad key as written.
using Json = nlohmann::ordered_json;

constexpr const char *kFlagNames[7] = {"modelFlag1", "modelFlag2", "modelFlag3", "modelFlag4",
                                       "modelFlag5", "modelFlag6", "modelFlag7"};

// The root has no name of its own; "$" is what JSON path tools call it.
constexpr const char *kRootPath = "$";

std::string childPath(const std::string &parent, std::string_view name)
{
    if (parent.empty())
        return std::string(name);
    std::string path = parent;
    path += '.';
    path += name;
    return path;
}

std::string indexPath(const std::string &parent, std::size_t index)
{
    return parent + '[' + std::to_string(index) + ']';
}

template <typename Record, std::size_t N>
void putTexts(Json &object, const Record &record, const std::array<TextField<Record>, N> &fields)
{
    for (const auto &f : fields)
        object[f.name] = record.*f.member;
}

// Walks a parsed document against the record layout. The first fault ends the walk and leaves its
// message in `error`; later checks are not run, so there is exactly one message.
class Reader {
public:
    std::string error;

    bool expectObject(const Json &value, const std::string &path)
    {
        if (value.is_object())
            return true;
        return wrongType(path, text(StrId::CliJsonTypeObject));
    }

    // Rejects any key not in `known`, in the order the document has them.
    bool onlyKnownKeys(const Json &object, const std::string &path,
                       const std::vector<std::string_view> &known)
    {
        for (const auto &item : object.items()) {
            bool found = false;
            for (std::string_view name : known)
                found = found || name == item.key();
            if (!found) {
                error = formatText(StrId::CliJsonUnknownField, {childPath(path, shownFileText(item.key()))});
                return false;
            }
        }
        return true;
    }

    const Json *field(const Json &object, const std::string &path, std::string_view name)
    {
        auto it = object.find(std::string(name));
        if (it != object.end())
            return &*it;
        error = formatText(StrId::CliJsonMissingField, {childPath(path, name)});
        return nullptr;
    }

    bool textField(const Json &object, const std::string &path, std::string_view name,
                   std::string &out)
    {
        const Json *v = field(object, path, name);
        if (!v)
            return false;
        if (!v->is_string())
            return wrongType(childPath(path, name), text(StrId::CliJsonTypeString));
        out = v->get<std::string>();
        return true;
    }

    bool boolField(const Json &object, const std::string &path, std::string_view name, bool &out)
    {
        const Json *v = field(object, path, name);
        if (!v)
            return false;
        if (!v->is_boolean())
            return wrongType(childPath(path, name), text(StrId::CliJsonTypeBoolean));
        out = v->get<bool>();
        return true;
    }

    // Integers must be written as integers (no 3.0) and fit the record's field exactly.
    template <typename Int>
    bool intField(const Json &object, const std::string &path, std::string_view name, Int &out)
    {
        const Json *v = field(object, path, name);
        if (!v)
            return false;
        constexpr auto lo = std::numeric_limits<Int>::min();
        constexpr auto hi = std::numeric_limits<Int>::max();
        bool fits = false;
        if (v->is_number_unsigned()) {
            fits = v->get<std::uint64_t>() <= static_cast<std::uint64_t>(hi);
        } else if (v->is_number_integer()) {
            const std::int64_t n = v->get<std::int64_t>();
            fits = n >= static_cast<std::int64_t>(lo) && n <= static_cast<std::int64_t>(hi);
        }
        if (!fits)
            return wrongType(childPath(path, name),
                             formatText(StrId::CliJsonTypeIntegerRange,
                                        {std::to_string(lo), std::to_string(hi)}));
        out = v->is_number_unsigned() ? static_cast<Int>(v->get<std::uint64_t>())
                                      : static_cast<Int>(v->get<std::int64_t>());
        return true;
    }

    // An array of at most `limit` entries (or exactly `limit` when `exact`).
    const Json *arrayField(const Json &object, const std::string &path, std::string_view name,
                           std::size_t limit, bool exact)
    {
        const Json *v = field(object, path, name);
        if (!v)
            return nullptr;
        const std::string here = childPath(path, name);
        if (!v->is_array()) {
            wrongType(here, text(StrId::CliJsonTypeArray));
            return nullptr;
        }
        const std::string count = std::to_string(v->size());
        if (exact && v->size() != limit) {
            error = formatText(StrId::CliJsonWrongLength, {here, std::to_string(limit)});
            return nullptr;
        }
        if (v->size() > limit) {
            error = formatText(StrId::CliJsonTooMany, {here, count});
            return nullptr;
        }
        return v;
    }

    template <typename Record, std::size_t N>
    bool texts(const Json &object, const std::string &path, Record &record,
               const std::array<TextField<Record>, N> &fields)
    {
        for (const auto &f : fields)
            if (!textField(object, path, f.name, record.*f.member))
                return false;
        return true;
    }

private:
    bool wrongType(const std::string &path, const std::string &what)
    {
        error = formatText(StrId::CliJsonWrongType, {path, what});
        return false;
    }
};

template <typename Record, std::size_t N>
std::vector<std::string_view> namesOf(const std::array<TextField<Record>, N> &fields,
                                      std::initializer_list<std::string_view> extra)
{
    std::vector<std::string_view> names;
    names.reserve(N + extra.size());
    for (const auto &f : fields)
        names.emplace_back(f.name);
    names.insert(names.end(), extra.begin(), extra.end());
    return names;
}

bool readNodes(Reader &r, const Json &subnet, const std::string &path, CONFIG &c)
{
    const Json *nodes = r.arrayField(subnet, path, "nodes", kMaxNodes, false);
    if (!nodes)
        return false;
    static const std::vector<std::string_view> known = namesOf(kNodeFields, {});
    const std::string arrayPath = childPath(path, "nodes");
    for (std::size_t i = 0; i < nodes->size(); ++i) {
        const Json &item = (*nodes)[i];
        const std::string here = indexPath(arrayPath, i);
        if (!r.expectObject(item, here) || !r.onlyKnownKeys(item, here, known) ||
            !r.texts(item, here, c.nodes[i], kNodeFields))
            return false;
    }
    c.nodeCount = static_cast<std::int32_t>(nodes->size());
    return true;
}

bool readCommands(Reader &r, const Json &subnet, const std::string &path, CONFIG &c)
{
    const Json *commands = r.arrayField(subnet, path, "commands", kMaxCommands, false);
    if (!commands)
        return false;
    static const std::vector<std::string_view> known = namesOf(kCommandFields, {"nodeNumber"});
    const std::string arrayPath = childPath(path, "commands");
    for (std::size_t i = 0; i < commands->size(); ++i) {
        const Json &item = (*commands)[i];
        const std::string here = indexPath(arrayPath, i);
        COMMAND &cmd = c.commands[i];
        if (!r.expectObject(item, here) || !r.onlyKnownKeys(item, here, known) ||
            !r.texts(item, here, cmd, kCommandFields) ||
            !r.intField(item, here, "nodeNumber", cmd.nodeNumber))
            return false;
    }
    c.commandCount = static_cast<std::int32_t>(commands->size());
    return true;
}

bool readSubnet(Reader &r, const Json &item, const std::string &path, CONFIG &c)
{
    static const std::vector<std::string_view> known =
        namesOf(kConfigFields, {"nodes", "commands"});
    return r.expectObject(item, path) && r.onlyKnownKeys(item, path, known) &&
           r.texts(item, path, c, kConfigFields) && readNodes(r, item, path, c) &&
           readCommands(r, item, path, c);
}

// The parser's own text starts with its exception id ("[json.exception.parse_error.101] "),
// which means nothing to a user.
std::string parserMessage(const char *what)
{
    std::string_view m(what);
    if (!m.empty() && m.front() == '[') {
        const auto close = m.find("] ");
        if (close != std::string_view::npos)
            m.remove_prefix(close + 2);
    }
    return std::string(m);
}

// The syntax error of `source` with the place the parser names ("parse error at line 3,
// column 7: ..."); without a place, the message as it is.
std::string syntaxError(std::string_view source, const char *what)
{
    const std::string m = parserMessage(what);
    constexpr std::string_view kAt = "at line ";
    constexpr std::string_view kColumn = ", column ";
    const auto at = m.find(kAt);
    const auto column = at == std::string::npos ? at : m.find(kColumn, at);
    const auto colon = column == std::string::npos ? column : m.find(": ", column);
    if (colon == std::string::npos)
        return formatText(StrId::CliJsonSyntax, {source, m});
    const std::string line = m.substr(at + kAt.size(), column - at - kAt.size());
    const std::string col = m.substr(column + kColumn.size(), colon - column - kColumn.size());
    return formatText(StrId::CliJsonSyntaxAt, {source, line, col, std::string_view(m).substr(colon + 2)});
}

} // namespace

std::string storeToJson(const ConfigStore &store)
{
    Json root = Json::object();
    root["gatewayType"] = store.gatewayType;
    for (int n = 1; n <= 7; ++n)
        root[kFlagNames[n - 1]] = store.modelFlag(n);
    root["fileVersion"] = store.fileVersion;

    Json fieldbus = Json::object();
    putTexts(fieldbus, store.fieldbus, kFieldbusFields);
    root["fieldbus"] = std::move(fieldbus);

    Json subnets = Json::array();
    for (const CONFIG &c : store.subnets) {
        Json subnet = Json::object();
        putTexts(subnet, c, kConfigFields);
        Json nodes = Json::array();
        for (int i = 0; i < c.nodeCount && i < kMaxNodes; ++i) {
            Json node = Json::object();
            putTexts(node, c.nodes[static_cast<std::size_t>(i)], kNodeFields);
            nodes.push_back(std::move(node));
        }
        Json commands = Json::array();
        for (int i = 0; i < c.commandCount && i < kMaxCommands; ++i) {
            const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            Json command = Json::object();
            putTexts(command, cmd, kCommandFields);
            command["nodeNumber"] = cmd.nodeNumber;
            commands.push_back(std::move(command));
        }
        subnet["nodes"] = std::move(nodes);
        subnet["commands"] = std::move(commands);
        subnets.push_back(std::move(subnet));
    }
    root["subnets"] = std::move(subnets);

    // Texts decoded from a project file are always valid UTF-8; `replace` only keeps a broken
    // text from aborting the whole dump.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

Status storeFromJson(std::string_view json, ConfigStore &store, std::string_view source)
{
    auto refused = [](std::string message) { return Status(Error{ErrorCode::FileFormat, std::move(message)}); };
    Json root;
    // The library reports syntax errors only by exception; this is the one place it may throw.
    try {
        root = Json::parse(json.begin(), json.end());
    } catch (const Json::exception &e) {
        return refused(syntaxError(source, e.what()));
    }

    Reader r;
    const std::string top;
    if (!r.expectObject(root, kRootPath))
        return refused(std::move(r.error));
    std::vector<std::string_view> known = {"gatewayType"};
    known.insert(known.end(), std::begin(kFlagNames), std::end(kFlagNames));
    known.insert(known.end(), {"fileVersion", "fieldbus", "subnets"});

    // Built aside (it is large) and moved into the store only once everything has been read.
    auto temp = std::make_unique<ConfigStore>();
    temp->fieldbus = FIELDBUS{};
    temp->subnets = {};
    bool ok = r.onlyKnownKeys(root, top, known) &&
              r.intField(root, top, "gatewayType", temp->gatewayType);
    if (ok && !isKnownGatewayType(temp->gatewayType)) {
        r.error = formatText(StrId::CliJsonBadGatewayType, {"gatewayType", std::to_string(temp->gatewayType)});
        ok = false;
    }
    for (int n = 1; ok && n <= 7; ++n) {
        bool value = false;
        ok = r.boolField(root, top, kFlagNames[n - 1], value);
        temp->setModelFlag(n, value);
    }
    ok = ok && r.intField(root, top, "fileVersion", temp->fileVersion);

    static const std::vector<std::string_view> fieldbusKnown = namesOf(kFieldbusFields, {});
    const Json *fieldbus = ok ? r.field(root, top, "fieldbus") : nullptr;
    ok = fieldbus && r.expectObject(*fieldbus, "fieldbus") &&
         r.onlyKnownKeys(*fieldbus, "fieldbus", fieldbusKnown) &&
         r.texts(*fieldbus, "fieldbus", temp->fieldbus, kFieldbusFields);

    const Json *subnets = ok ? r.arrayField(root, top, "subnets", kSubnetCount, true) : nullptr;
    ok = subnets != nullptr;
    for (std::size_t i = 0; ok && i < subnets->size(); ++i)
        ok = readSubnet(r, (*subnets)[i], indexPath("subnets", i), temp->subnets[i]);

    if (!ok)
        return refused(std::move(r.error));
    store.fieldbus = std::move(temp->fieldbus);
    store.subnets = std::move(temp->subnets);
    store.gatewayType = temp->gatewayType;
    for (int n = 1; n <= 7; ++n)
        store.setModelFlag(n, temp->modelFlag(n));
    store.fileVersion = temp->fileVersion;
    return {};
}

} // namespace tqv
