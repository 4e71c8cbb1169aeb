#pragma once

#include "model/ConfigStore.h"
#include "support/StoreHelpers.h"
#include "resources/Strings.h"
#include "support/RecordingPrompter.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace tqv {

// A store of a chosen gateway type and model flags, with helpers that append nodes and commands
// the way the tree does, filled with the given field texts.
class MappingFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLanguage(Language::English);
        s = std::make_unique<ConfigStore>();
        s->newConfiguration();
        prompter = RecordingPrompter{};
    }

    // gatewayType and exactly the given model flags, with the defaults that follow.
    void setType(unsigned type, std::initializer_list<int> flags)
    {
        s->setTypeAndFlags(type, testing::flagsOf(flags));
    }

    int node(int subnet, const std::string &address)
    {
        CONFIG &c = s->subnet(subnet);
        const int n = ++c.nodeCount;
        c.nodes[static_cast<std::size_t>(n - 1)] = NODE{address, "Node-" + address};
        return n;
    }

    // A command of node 1 of `subnet` (the node is created when missing).
    COMMAND &command(int subnet, const std::string &code, const std::string &quantity,
                     const std::string &mapping = "", const std::string &bit = "")
    {
        CONFIG &c = s->subnet(subnet);
        if (c.nodeCount == 0)
            node(subnet, "5");
        const int p = ++c.commandCount;
        COMMAND &cmd = c.commands[static_cast<std::size_t>(p - 1)];
        cmd = COMMAND{c.nodes[0].address, code, "0", quantity, mapping, bit, "", s->newCommandDataFormat(),
                      "CRC", "Quick-scan", 1};
        return cmd;
    }

    std::unique_ptr<ConfigStore> s;
    RecordingPrompter prompter;
};

} // namespace tqv
