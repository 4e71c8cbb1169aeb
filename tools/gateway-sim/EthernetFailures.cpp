#include "EthernetFailures.h"

#include <utility>

namespace tqvsim {

namespace {

constexpr std::pair<std::string_view, EthernetFailures::Mode> kNames[] = {
    {"no-answer", EthernetFailures::Mode::NoAnswer}, {"wrong-code", EthernetFailures::Mode::WrongCode},
    {"refuse", EthernetFailures::Mode::Refuse},      {"pieces", EthernetFailures::Mode::Pieces},
    {"short", EthernetFailures::Mode::Short},
};

} // namespace

std::optional<std::string> EthernetFailures::add(std::string_view text)
{
    for (const auto &[name, mode] : kNames) {
        if (name == text) {
            m_modes.insert(mode);
            return std::nullopt;
        }
    }
    return "unknown failure mode \"" + std::string(text) +
           "\" with --ethernet (expected no-answer, wrong-code, refuse, pieces or short)";
}

} // namespace tqvsim
