#pragma once
// The largest configuration the benchmarks measure: type 2 with four full subnets of 128 nodes and
// 128 commands each.
#include "model/ConfigStore.h"

#include <string>

inline void makeLargestProject(tqv::ConfigStore &store)
{
    using namespace tqv;
    store.newConfiguration();
    store.setTypeAndFlags(2, {false, true, false, false, false, false, false});
    for (int s = 0; s < kSubnetCount; ++s) {
        CONFIG &c = store.subnet(s);
        c.nodeCount = kMaxNodes;
        c.commandCount = kMaxCommands;
        for (int i = 0; i < kMaxCommands; ++i) {
            c.nodes[static_cast<std::size_t>(i)] = {std::to_string(i + 1), "Node-" + std::to_string(i + 1)};
            c.commands[static_cast<std::size_t>(i)] = {std::to_string(i + 1), i % 2 ? "3" : "16", std::to_string(i * 10),
                                                       "10", std::to_string(4000 + i * 20), "0", "20",
                                                       "No swap", "CRC", "Quick-scan", i + 1};
        }
    }
}
