// Replays every file of the given directories through a fuzz target, so the corpus runs as an
// ordinary test with any compiler. An empty or missing directory is an error: a corpus that
// silently vanished must not pass.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fs = std::filesystem;

namespace {

bool readWhole(const fs::path &path, std::vector<std::uint8_t> &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Returns the number of inputs replayed, or -1 when the directory cannot be listed.
long replayDirectory(const fs::path &dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return -1;
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    if (ec)
        return -1;
    std::sort(files.begin(), files.end()); // a stable order makes a failure easy to repeat
    long count = 0;
    std::vector<std::uint8_t> bytes;
    for (const fs::path &file : files) {
        if (!readWhole(file, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return -1;
        }
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
        // An empty vector's data() may be null; the target gets a valid pointer either way.
        static const std::uint8_t none = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const long count = replayDirectory(argv[i]);
        if (count < 0) {
            std::fprintf(stderr, "%s: not a readable directory\n", argv[i]);
            return 1;
        }
        if (count == 0) {
            std::fprintf(stderr, "%s: no inputs\n", argv[i]);
            return 1;
        }
        std::fprintf(stderr, "%s: %ld inputs replayed\n", argv[i], count);
    }
    return 0;
}
