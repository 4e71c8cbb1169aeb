// Appends 100,000 framed master records to the framed monitor list, as a long monitoring run
// does: parse the record, insert it at the top. Prints the median cost per record (over batches
// of 1,000, so a slowdown as the list grows shows up as a spread between first and last batch)
// and the heap the list holds per row.
//
//   tqv-bench-monitor-rows [records]   (default 100000)
#include "monitor/MonitorRecord.h"
#include "monitor/MonitorRows.h"
#include "resources/Strings.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    using namespace tqv;
    using Clock = std::chrono::steady_clock;
    const long records = argc > 1 ? std::atol(argv[1]) : 100000;
    constexpr long batch = 1000;
    setLanguage(Language::English);
    // 00 0A 00 05 03 00 10 04 12 34 56 78 plus its check byte; the slave address varies.
    std::string record("\x00\x0A\x00\x05\x03\x00\x10\x04\x12\x34\x56\x78\xE0", 13);

    const std::size_t heapBefore = mallinfo2().uordblks;
    FramedMonitorRows rows(FramedMode::Master);
    std::vector<double> perRecordNs;
    for (long done = 0; done < records; done += batch) {
        const auto start = Clock::now();
        for (long i = 0; i < batch && done + i < records; ++i) {
            record[3] = static_cast<char>(i & 0xFF);
            ParsedRecord parsed = parseFramedRecord(record, FramedMode::Master);
            rows.add(std::move(parsed.row));
        }
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        perRecordNs.push_back(ns / static_cast<double>(std::min(batch, records - done)));
    }
    const std::size_t heapAfter = mallinfo2().uordblks;
    std::vector<double> sorted = perRecordNs;
    std::sort(sorted.begin(), sorted.end());
    std::printf("records: %zu\n", rows.size());
    std::printf("median cost per record: %.0f ns (first batch %.0f ns, last batch %.0f ns)\n",
                sorted[sorted.size() / 2], perRecordNs.front(), perRecordNs.back());
    std::printf("memory per row: %.0f bytes\n",
                static_cast<double>(heapAfter - heapBefore) / static_cast<double>(rows.size()));
    return rows.size() == static_cast<std::size_t>(records) ? 0 : 1;
}
