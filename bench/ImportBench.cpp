// Importing the largest configuration's workbook: four subnets of 128 commands each, exported
// once, then read and imported again and again. Prints the median, fastest and slowest of reading
// the file, of the import alone and of both together (the goal: under 100 ms), and checks that
// what was imported is what was exported.
//
//   tqv-bench-import [runs] [directory]   (default 21 runs in /tmp)
#include "LargestProject.h"
#include "RunTimes.h"
#include "compare/ConfigDiff.h"
#include "export/Workbook.h"
#include "export/WorkbookImport.h"
#include "export/WorkbookReader.h"
#include "model/ConfigStore.h"
#include "resources/Strings.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    using namespace tqv;
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 21);
    const std::string dir = argc > 2 ? argv[2] : "/tmp";
    setLanguage(Language::English);
    ConfigStore store;
    makeLargestProject(store);
    // Values the grid takes: this type's data-format texts, reads mapped into the input buffer.
    for (CONFIG &c : store.subnets)
        for (int i = 0; i < c.commandCount; ++i) {
            COMMAND &command = c.commands[static_cast<std::size_t>(i)];
            char hex[12];
            std::snprintf(hex, sizeof hex, "%X", (command.functionCode == "3" ? 0 : 0x4000) + i * 20);
            command.mappingAddress = hex;
            command.dataFormat = store.newCommandDataFormat();
        }
    const std::string path = dir + "/tqv-bench-import-" + std::to_string(::getpid()) + ".xlsx";
    if (const Status written = exportWorkbook(store, path); !written) {
        std::fprintf(stderr, "%s\n", written.message().c_str());
        return 1;
    }
    const Result<ReadBook> book = readImportFile(path);
    if (!book) {
        std::fprintf(stderr, "%s\n", book.message().c_str());
        ::unlink(path.c_str());
        return 1;
    }
    const Spread read = timeRuns(runs, [&] { (void)readImportFile(path).ok(); });
    const Spread import = timeRuns(runs, [&] { (void)importBook(book.value(), nullptr, ImportOptions{}).ok(); });
    bool same = true;
    const Spread whole = timeRuns(runs, [&] {
        const Result<ReadBook> again = readImportFile(path);
        const Result<ImportOutcome> outcome = again ? importBook(again.value(), nullptr, ImportOptions{})
                                                    : Result<ImportOutcome>(again.error());
        same = same && outcome && outcome.value().applied() &&
               compareConfigurations(store, *outcome.value().store, Carried::Everything).empty();
    });
    ::unlink(path.c_str());
    if (!same) {
        const Result<ImportOutcome> outcome = importBook(book.value(), nullptr, ImportOptions{});
        for (const RefusedCell &cell : outcome ? outcome.value().refused : std::vector<RefusedCell>{})
            std::fprintf(stderr, "%s\n", describeRefusal(cell).c_str());
        for (const Difference &d : outcome ? compareConfigurations(store, *outcome.value().store, Carried::Everything)
                                           : std::vector<Difference>{})
            std::fprintf(stderr, "%s\t%s\t%s\n", d.path.c_str(), d.projectText.c_str(), d.otherText.c_str());
        std::fprintf(stderr, "the import does not give the exported configuration back\n");
        return 1;
    }
    int commands = 0;
    for (const CONFIG &c : store.subnets)
        commands += c.commandCount;
    std::printf("%d commands, %d runs\n", commands, runs);
    printSpread("read file", read);
    printSpread("import", import);
    printSpread("read + import", whole);
    return whole.median < 100.0 ? 0 : 1;
}
