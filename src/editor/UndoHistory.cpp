#include "UndoHistory.h"

#include <array>
#include <tuple>
#include <utility>

namespace tqv {

namespace {

// Heap storage of a text; nothing for a short text kept inside the string object itself.
std::size_t heapBytes(const std::string &s)
{
    const char *data = s.data();
    const char *self = reinterpret_cast<const char *>(&s);
    if (data >= self && data < self + sizeof(std::string))
        return 0;
    return s.capacity() + 1;
}

template <typename Record, std::size_t N>
std::size_t recordBytes(const Record &r, const std::array<TextField<Record>, N> &fields)
{
    std::size_t bytes = sizeof(Record);
    for (const TextField<Record> &f : fields)
        bytes += heapBytes(r.*f.member);
    return bytes;
}

std::size_t bytesOf(const NODE &n) { return recordBytes(n, kNodeFields); }
std::size_t bytesOf(const COMMAND &c) { return recordBytes(c, kCommandFields); }
std::size_t bytesOf(const FIELDBUS &f) { return recordBytes(f, kFieldbusFields); }

// The gateway type and model flags.
struct Identity {
    std::uint32_t gatewayType = 0;
    std::array<bool, 7> flags{};

    bool operator==(const Identity &) const = default;
};

Identity identityOf(const ConfigStore &s)
{
    Identity id{s.gatewayType, {}};
    for (int n = 1; n <= 7; ++n)
        id.flags[static_cast<std::size_t>(n - 1)] = s.modelFlag(n);
    return id;
}

void setIdentity(ConfigStore &s, const Identity &id)
{
    s.gatewayType = id.gatewayType;
    for (int n = 1; n <= 7; ++n)
        s.setModelFlag(n, id.flags[static_cast<std::size_t>(n - 1)]);
}

// A subnet's own parameters and counts, without its node and command tables.
struct SubnetHead {
    std::array<std::string, std::tuple_size_v<decltype(kConfigFields)>> texts;
    std::int32_t nodeCount = 0;
    std::int32_t commandCount = 0;
};

bool sameHead(const CONFIG &a, const CONFIG &b)
{
    if (a.nodeCount != b.nodeCount || a.commandCount != b.commandCount)
        return false;
    for (const TextField<CONFIG> &f : kConfigFields)
        if (a.*f.member != b.*f.member)
            return false;
    return true;
}

SubnetHead takeHead(CONFIG &c)
{
    SubnetHead h;
    for (std::size_t i = 0; i < kConfigFields.size(); ++i)
        h.texts[i] = std::move(c.*kConfigFields[i].member);
    h.nodeCount = c.nodeCount;
    h.commandCount = c.commandCount;
    return h;
}

void swapHead(CONFIG &c, SubnetHead &h)
{
    for (std::size_t i = 0; i < kConfigFields.size(); ++i)
        std::swap(c.*kConfigFields[i].member, h.texts[i]);
    std::swap(c.nodeCount, h.nodeCount);
    std::swap(c.commandCount, h.commandCount);
}

std::size_t bytesOf(const SubnetHead &h)
{
    std::size_t bytes = sizeof(SubnetHead);
    for (const std::string &t : h.texts)
        bytes += heapBytes(t);
    return bytes;
}

// One record of a subnet's table: subnet index and slot index (0-based, counted or not).
template <typename Record> struct Slot {
    std::uint8_t subnet = 0;
    std::uint8_t index = 0;
    Record value;
};

} // namespace

struct UndoHistory::Step {
    std::optional<Identity> identity;
    std::optional<FIELDBUS> fieldbus;
    std::vector<Slot<SubnetHead>> heads;
    std::vector<Slot<NODE>> nodes;
    std::vector<Slot<COMMAND>> commands;
    EditorMarks marks;
    std::size_t bytes = 0;

    bool empty() const { return !identity && !fieldbus && heads.empty() && nodes.empty() && commands.empty(); }

    void count()
    {
        bytes = sizeof(Step);
        if (identity)
            bytes += sizeof(Identity);
        if (fieldbus)
            bytes += bytesOf(*fieldbus);
        for (const auto &h : heads)
            bytes += bytesOf(h.value) + sizeof(h) - sizeof(h.value);
        for (const auto &n : nodes)
            bytes += bytesOf(n.value) + sizeof(n) - sizeof(n.value);
        for (const auto &c : commands)
            bytes += bytesOf(c.value) + sizeof(c) - sizeof(c.value);
    }
};

UndoHistory::UndoHistory(UndoLimits limits) : m_limits(limits)
{
    if (m_limits.maxSteps == 0)
        m_limits.maxSteps = 1;
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::reset(bool matchesFile)
{
    m_steps.clear();
    m_applied = 0;
    m_dropped = 0;
    m_bytes = 0;
    m_saved = matchesFile ? std::optional<std::size_t>(0) : std::nullopt;
    m_before.reset();
}

void UndoHistory::begin(const ConfigStore &store, const EditorMarks &marks)
{
    m_before = std::make_unique<ConfigStore>(store);
    m_marksBefore = marks;
}

bool UndoHistory::commit(const ConfigStore &store, const EditorMarks &marks)
{
    if (!m_before)
        return false;
    const std::unique_ptr<ConfigStore> before = std::move(m_before);
    auto step = std::make_unique<Step>();
    if (identityOf(*before) != identityOf(store))
        step->identity = identityOf(*before);
    if (before->fieldbus != store.fieldbus)
        step->fieldbus = std::move(before->fieldbus);
    for (int s = 0; s < kSubnetCount; ++s) {
        CONFIG &was = before->subnet(s);
        const CONFIG &now = store.subnet(s);
        const auto subnet = static_cast<std::uint8_t>(s);
        if (!sameHead(was, now))
            step->heads.push_back({subnet, 0, takeHead(was)});
        for (std::size_t i = 0; i < was.nodes.size(); ++i)
            if (was.nodes[i] != now.nodes[i])
                step->nodes.push_back({subnet, static_cast<std::uint8_t>(i), std::move(was.nodes[i])});
        for (std::size_t i = 0; i < was.commands.size(); ++i)
            if (was.commands[i] != now.commands[i])
                step->commands.push_back({subnet, static_cast<std::uint8_t>(i), std::move(was.commands[i])});
    }
    if (step->empty() && m_marksBefore == marks)
        return false;
    step->marks = m_marksBefore;
    step->count();

    // A new edit ends the redo branch, and with it a saved point that lay on it.
    while (m_steps.size() > m_applied) {
        m_bytes -= m_steps.back()->bytes;
        m_steps.pop_back();
    }
    if (m_saved && *m_saved > position())
        m_saved.reset();
    m_bytes += step->bytes;
    m_steps.push_back(std::move(step));
    ++m_applied;
    trim();
    return true;
}

void UndoHistory::trim()
{
    while (m_steps.size() > 1 && (m_steps.size() > m_limits.maxSteps || m_bytes > m_limits.maxBytes)) {
        m_bytes -= m_steps.front()->bytes;
        m_steps.pop_front();
        ++m_dropped;
        --m_applied;
    }
}

void UndoHistory::apply(Step &step, ConfigStore &store, EditorMarks &marks)
{
    if (step.identity) {
        const Identity now = identityOf(store);
        setIdentity(store, *step.identity);
        *step.identity = now;
    }
    if (step.fieldbus)
        std::swap(store.fieldbus, *step.fieldbus);
    for (auto &h : step.heads)
        swapHead(store.subnet(h.subnet), h.value);
    for (auto &n : step.nodes)
        std::swap(store.subnet(n.subnet).nodes[n.index], n.value);
    for (auto &c : step.commands)
        std::swap(store.subnet(c.subnet).commands[c.index], c.value);
    std::swap(marks, step.marks);
    // The step now holds the other side, whose texts may need more or less storage.
    m_bytes -= step.bytes;
    step.count();
    m_bytes += step.bytes;
}

bool UndoHistory::undo(ConfigStore &store, EditorMarks &marks)
{
    if (!canUndo())
        return false;
    --m_applied;
    apply(*m_steps[m_applied], store, marks);
    return true;
}

bool UndoHistory::redo(ConfigStore &store, EditorMarks &marks)
{
    if (!canRedo())
        return false;
    apply(*m_steps[m_applied], store, marks);
    ++m_applied;
    return true;
}

void UndoHistory::markSaved() { m_saved = position(); }

bool UndoHistory::modified() const { return !m_saved || *m_saved != position(); }

std::size_t storeBytes(const ConfigStore &store)
{
    std::size_t bytes = sizeof(ConfigStore) + bytesOf(store.fieldbus) - sizeof(FIELDBUS);
    for (const CONFIG &c : store.subnets) {
        for (const TextField<CONFIG> &f : kConfigFields)
            bytes += heapBytes(c.*f.member);
        for (const NODE &n : c.nodes)
            bytes += bytesOf(n) - sizeof(NODE);
        for (const COMMAND &cmd : c.commands)
            bytes += bytesOf(cmd) - sizeof(COMMAND);
    }
    return bytes;
}

} // namespace tqv
