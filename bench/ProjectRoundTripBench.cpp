// Cost of the project file at its largest: 4 subnets x 128 nodes x 128 commands, every text 40 to
// 200 characters. Measures writing to bytes, reading from bytes, and Save + Open through a file,
// under both code pages (the GBK document holds Chinese texts), then prints the peak RSS.
#include "model/ConfigStore.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace tqv;

// Deterministic texts, so that every run measures the same file.
class TextMaker {
public:
    explicit TextMaker(CodePage page) : m_page(page) {}

    std::string next()
    {
        const std::size_t length = 40 + random() % 161; // characters, 40..200
        static const char *const chinese[] = {"网", "关", "配", "置", "节", "点", "命", "令",
                                              "从", "站", "地", "址", "数", "据", "格", "式"};
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint32_t r = random();
            if (m_page == CodePage::Gbk && r % 3 == 0)
                text += chinese[r / 3 % 16];
            else if (m_page == CodePage::Windows1252 && r % 29 == 0)
                text += "\xC3\xA9"; // é: one byte in the file, two in memory
            else
                text += static_cast<char>('a' + r / 7 % 26);
        }
        return text;
    }

private:
    std::uint32_t random()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }

    CodePage m_page;
    std::uint32_t m_state = 12345;
};

std::unique_ptr<ConfigStore> buildMaximalStore(CodePage page)
{
    setLanguage(page == CodePage::Gbk ? Language::Chinese : Language::English);
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    TextMaker texts(page);
    for (const auto &f : kFieldbusFields)
        store->fieldbus.*f.member = texts.next();
    for (CONFIG &c : store->subnets) {
        for (const auto &f : kConfigFields)
            c.*f.member = texts.next();
        c.nodeCount = kMaxNodes;
        c.commandCount = kMaxCommands;
        for (NODE &n : c.nodes)
            for (const auto &f : kNodeFields)
                n.*f.member = texts.next();
        int number = 0;
        for (COMMAND &cmd : c.commands) {
            for (const auto &f : kCommandFields)
                cmd.*f.member = texts.next();
            cmd.nodeNumber = number++ % kMaxNodes + 1;
        }
    }
    return store;
}

const ConfigStore &maximalStore(CodePage page)
{
    static const auto western = buildMaximalStore(CodePage::Windows1252);
    static const auto gbk = buildMaximalStore(CodePage::Gbk);
    return page == CodePage::Gbk ? *gbk : *western;
}

CodePage pageOf(const benchmark::State &state)
{
    return state.range(0) == 0 ? CodePage::Windows1252 : CodePage::Gbk;
}

// What a read of the maximal store must give: the store itself, marked as read from a file.
bool readsBackAsWritten(const ConfigStore &read, const ConfigStore &written)
{
    ConfigStore expected = written;
    expected.keepConfigOnNew = read.keepConfigOnNew;
    expected.configModified = read.configModified;
    expected.uploadPending = read.uploadPending;
    return read == expected;
}

void BM_WriteProject(benchmark::State &state)
{
    const CodePage page = pageOf(state);
    const ConfigStore &store = maximalStore(page);
    std::string bytes;
    for (auto _ : state) {
        const ArchiveStatus status = writeProject(store, page, bytes);
        if (!status.ok()) {
            state.SkipWithError("writeProject failed");
            break;
        }
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

void BM_ReadProject(benchmark::State &state)
{
    const CodePage page = pageOf(state);
    const ConfigStore &source = maximalStore(page);
    std::string bytes;
    if (!writeProject(source, page, bytes).ok()) {
        state.SkipWithError("writeProject failed");
        return;
    }
    auto store = std::make_unique<ConfigStore>();
    store->newConfiguration();
    for (auto _ : state) {
        const ArchiveStatus status = readProject(bytes, page, *store);
        if (!status.ok()) {
            state.SkipWithError("readProject failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    if (!readsBackAsWritten(*store, source))
        state.SkipWithError("the read store differs from the written one");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
}

// A directory of its own for the saved file, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tqv-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempDir()
    {
        if (!m_path.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_path, ec);
        }
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    bool ok() const { return !m_path.empty(); }
    std::string file(const char *name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void BM_SaveOpenRoundTrip(benchmark::State &state)
{
    const CodePage page = pageOf(state);
    TempDir dir;
    if (!dir.ok()) {
        state.SkipWithError("cannot create a temporary directory");
        return;
    }
    const std::string path = dir.file("maximal.tqv");
    auto saved = std::make_unique<ConfigStore>(maximalStore(page));
    auto opened = std::make_unique<ConfigStore>();
    opened->newConfiguration();
    for (auto _ : state) {
        const Status save = ProjectDocument::save(path, *saved, page);
        const Status open = ProjectDocument::open(path, *opened, page);
        if (!save || !open) {
            state.SkipWithError((save ? open.message() : save.message()).c_str());
            break;
        }
    }
    if (!readsBackAsWritten(*opened, *saved))
        state.SkipWithError("the opened store differs from the saved one");
}

// Argument 0: Windows-1252, 1: GBK.
BENCHMARK(BM_WriteProject)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadProject)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveOpenRoundTrip)->ArgName("gbk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    struct rusage usage {};
    if (::getrusage(RUSAGE_SELF, &usage) == 0)
        std::printf("peak RSS: %ld KiB (%.1f MiB)\n", usage.ru_maxrss, usage.ru_maxrss / 1024.0);
    return 0;
}
