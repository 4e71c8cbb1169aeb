// Fuzz target for the project-file reader: arbitrary bytes under both code pages must either be
// refused without touching the store, or be read into a store that writes back and reads again
// to the same configuration.
#include "model/ConfigStore.h"
#include "model/ProjectArchive.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace tqv;

// Aborts with a message, so that both libFuzzer and the replay driver see the broken invariant.
[[noreturn]] void violated(const char *what, CodePage page)
{
    std::fprintf(stderr, "invariant violated (%s): %s\n",
                 page == CodePage::Gbk ? "GBK" : "Windows-1252", what);
    std::abort();
}

void check(bool condition, const char *what, CodePage page)
{
    if (!condition)
        violated(what, page);
}

// Three stores per code page, built once and reused: building, copying and destroying full
// stores for every input cost far more than reading it. Between inputs `store` equals `fresh`,
// the store a new document has in the language whose code page is being read.
struct Stores {
    ConfigStore fresh;
    ConfigStore store; // read into
    ConfigStore again; // the written file read back
};

Stores &storesFor(CodePage page)
{
    setLanguage(page == CodePage::Gbk ? Language::Chinese : Language::English);
    static std::unique_ptr<Stores> prepared[2];
    auto &slot = prepared[page == CodePage::Gbk ? 1 : 0];
    if (!slot) {
        slot = std::make_unique<Stores>();
        slot->fresh.newConfiguration();
        slot->store = slot->fresh;
    }
    return *slot;
}

void readUnderPage(std::string_view bytes, CodePage page)
{
    Stores &s = storesFor(page);
    ConfigStore &store = s.store;
    const ConfigStore &before = s.fresh;

    const ArchiveStatus status = readProject(bytes, page, store);
    if (!status.ok()) {
        // Checked whole, so `store` is still a fresh store for the next input.
        check(store == before, "a refused file changed the store", page);
        check(status.error != ArchiveError::Unencodable, "reading reported Unencodable", page);
        check(status.offset <= bytes.size(), "fault offset lies beyond the data", page);
        return;
    }

    for (const CONFIG &c : store.subnets) {
        check(c.nodeCount >= 0 && c.nodeCount <= kMaxNodes, "nodeCount outside 0..128", page);
        check(c.commandCount >= 0 && c.commandCount <= kMaxCommands,
              "commandCount outside 0..128", page);
    }
    check(store.keepConfigOnNew, "a read file did not set keepConfigOnNew", page);
    check(store.configModified == before.configModified, "reading changed configModified", page);
    check(store.uploadPending == before.uploadPending, "reading changed uploadPending", page);

    // Decoding keeps every byte (undefined ones as escapes), so whatever was read has a form in
    // the same code page.
    std::string written;
    const ArchiveStatus writeStatus = writeProject(store, page, written);
    check(writeStatus.ok(), "a text read from a file cannot be written back", page);

    ConfigStore &again = s.again;
    again = before;
    const ArchiveStatus reread = readProject(written, page, again);
    check(reread.ok(), "a written file cannot be read back", page);
    check(again.fileVersion == kCurrentRecordVersion, "written file has an old record version",
          page);
    // Writing always uses the current record version; everything else must survive.
    again.fileVersion = store.fileVersion;
    check(again == store, "write + read changed the configuration", page);
    store = before;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    readUnderPage(bytes, CodePage::Windows1252);
    readUnderPage(bytes, CodePage::Gbk);
    return 0;
}
