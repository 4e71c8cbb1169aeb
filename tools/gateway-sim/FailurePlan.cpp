#include "FailurePlan.h"

#include <charconv>

namespace tqvsim {

namespace {

std::vector<std::string_view> splitColons(std::string_view text)
{
    std::vector<std::string_view> parts;
    while (true) {
        const auto colon = text.find(':');
        parts.push_back(text.substr(0, colon));
        if (colon == std::string_view::npos)
            return parts;
        text.remove_prefix(colon + 1);
    }
}

// The whole of `text` as a number in `base`, at most `max`.
std::optional<std::uint32_t> number(std::string_view text, int base, std::uint32_t max)
{
    std::uint32_t value = 0;
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc() || ptr != end || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> byteValue(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return number(text.substr(2), 16, 0xFF);
    return number(text, 10, 0xFF);
}

struct KindName {
    const char *name;
    FailurePlan::Kind kind;
    bool hasValue;
};

constexpr KindName kKinds[] = {
    {"timeout", FailurePlan::Kind::Timeout, false}, {"sum", FailurePlan::Kind::Sum, false},
    {"split", FailurePlan::Kind::Split, false},     {"error", FailurePlan::Kind::Error, true},
    {"slow", FailurePlan::Kind::Slow, true},
};

} // namespace

std::optional<std::string> FailurePlan::add(std::string_view text)
{
    const auto parts = splitColons(text);
    const KindName *kind = nullptr;
    for (const KindName &k : kKinds)
        if (parts[0] == k.name)
            kind = &k;
    if (!kind)
        return "unknown failure mode \"" + std::string(text) +
               "\" (expected timeout, sum, split, error or slow)";
    const std::size_t expected = kind->hasValue ? 3 : 2;
    if (parts.size() != expected)
        return "failure mode \"" + std::string(text) + "\" must be written " + kind->name +
               (kind->hasValue ? (kind->kind == Kind::Error ? ":CODE:ERR" : ":CODE:MS") : ":CODE");

    Mode mode{kind->kind, std::nullopt, 0};
    if (parts[1] != "all") {
        std::string_view hex = parts[1];
        if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X'))
            hex.remove_prefix(2);
        const auto code = number(hex, 16, 0xFF);
        if (!code)
            return "request code \"" + std::string(parts[1]) + "\" in \"" + std::string(text) +
                   "\" is not a hex byte (like 10 or 0x10) or all";
        mode.code = static_cast<std::uint8_t>(*code);
    }
    if (kind->kind == Kind::Error) {
        const auto err = byteValue(parts[2]);
        if (!err)
            return "error code \"" + std::string(parts[2]) + "\" in \"" + std::string(text) +
                   "\" is not a number from 0 to 255";
        mode.value = *err;
    } else if (kind->kind == Kind::Slow) {
        const auto ms = number(parts[2], 10, kMaxDelayMs);
        if (!ms)
            return "delay \"" + std::string(parts[2]) + "\" in \"" + std::string(text) +
                   "\" is not a number of milliseconds from 0 to " + std::to_string(kMaxDelayMs);
        mode.value = *ms;
    }
    m_modes.push_back(mode);
    return std::nullopt;
}

FailureEffects FailurePlan::effectsFor(std::uint8_t code) const
{
    // The mode of each kind that applies: one naming the code, else an "all" one; the last given wins.
    auto pick = [&](Kind kind) -> const Mode * {
        const Mode *forAll = nullptr;
        const Mode *forCode = nullptr;
        for (const Mode &m : m_modes) {
            if (m.kind != kind)
                continue;
            if (!m.code)
                forAll = &m;
            else if (*m.code == code)
                forCode = &m;
        }
        return forCode ? forCode : forAll;
    };
    FailureEffects e;
    e.noReply = pick(Kind::Timeout) != nullptr;
    e.wrongSum = pick(Kind::Sum) != nullptr;
    e.split = pick(Kind::Split) != nullptr;
    if (const Mode *m = pick(Kind::Error))
        e.errorCode = static_cast<std::uint8_t>(m->value);
    if (const Mode *m = pick(Kind::Slow))
        e.delayMs = m->value;
    return e;
}

} // namespace tqvsim
