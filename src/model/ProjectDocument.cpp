#include "ProjectDocument.h"

#include "ProjectArchive.h"
#include "../resources/Strings.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <cstring>
#include <ctime>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tqv::ProjectDocument {

namespace {

// The largest project the program can write (4 subnets of 128 nodes and 128 commands, every text
// at its longest in the grid) stays near 2 MiB; anything far larger is refused before it costs
// memory and time to read.
constexpr std::uint64_t kMaxProjectFileBytes = 64 * 1024 * 1024;

// How many symbolic links are followed before a path is taken as a loop.
constexpr int kMaxLinkDepth = 40;

// The file a save really writes: a symbolic link is followed (even when it dangles) so that the
// link stays and its target gets the new contents.
std::string saveTarget(const std::string &path)
{
    namespace fs = std::filesystem;
    fs::path p(path);
    std::error_code ec;
    for (int i = 0; i < kMaxLinkDepth && fs::is_symlink(fs::symlink_status(p, ec)); ++i) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p.string();
}

// The temporary files of a save of `target`: ".NAME.tqv-save-" and six characters of mkstemp.
constexpr std::string_view kTemporaryMark = ".tqv-save-";
constexpr std::size_t kTemporaryRandom = 6;
// A temporary file this old belongs to no save still running.
constexpr std::time_t kStaleSeconds = 60;

std::string temporaryPrefix(const std::string &target)
{
    return "." + std::filesystem::path(target).filename().string() + std::string(kTemporaryMark);
}

std::string temporaryPattern(const std::string &target)
{
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    return (folder / temporaryPrefix(target)).string() + std::string(kTemporaryRandom, 'X');
}

// Removes what a killed save of `target` left behind: regular files of exactly the temporary
// pattern, untouched for a minute. Failures are ignored; the save itself does not depend on it.
void removeStaleTemporaries(const std::string &target)
{
    namespace fs = std::filesystem;
    const fs::path parent = fs::path(target).parent_path();
    const fs::path folder = parent.empty() ? fs::path(".") : parent;
    const std::string prefix = temporaryPrefix(target);
    const std::time_t now = std::time(nullptr);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + kTemporaryRandom || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= kStaleSeconds)
            ::unlink(it->path().c_str());
    }
}

Error saveFailed(const std::string &path, const std::string &reason, bool hadPreviousFile)
{
    std::string message = formatText(StrId::MsgFileSaveFailed, {path, reason});
    if (hadPreviousFile)
        message += text(StrId::MsgPreviousFileUnchanged);
    return Error{ErrorCode::FileWrite, std::move(message)};
}

// Why a file could not be opened, in the user's words for the usual causes.
std::string openReason(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return text(StrId::ReasonFileMissing);
    case EACCES:
    case EPERM:
        return text(StrId::ReasonPermissionDenied);
    case ELOOP:
        return text(StrId::ReasonLinkLoop);
    case EISDIR:
        return text(StrId::ReasonNotRegularFile);
    default:
        return formatText(StrId::ReasonSystemError, {std::strerror(err)});
    }
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

void newDocument(ConfigStore &store)
{
    store.fileVersion = kCurrentRecordVersion;
    store.keepConfigOnNew = store.uploadPending;
    store.configModified = false;
    initialUpdate(store);
}

void initialUpdate(ConfigStore &store)
{
    if (!store.keepConfigOnNew)
        store.newConfiguration();
    store.uploadPending = false;
}

Result<std::string> readFile(const std::string &path)
{
    return readFile(path, kMaxProjectFileBytes, StrId::MsgFileTooLarge);
}

Result<std::string> readFile(const std::string &path, std::uint64_t maxBytes, StrId tooLarge)
{
    auto openFailed = [&path](int err) { return Error{ErrorCode::FileOpen, formatText(StrId::MsgFileOpenFailedWhy, {path, openReason(err)})}; };
    std::string bytes;
    // Non-blocking, so that opening a FIFO or a device cannot hang before the type check.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return openFailed(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return openFailed(err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error{ErrorCode::FileOpen, formatText(StrId::MsgNotAFile, {path})};
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return Error{ErrorCode::FileOpen, formatText(tooLarge, {path, std::to_string(st.st_size), std::to_string(maxBytes)})};
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return openFailed(err);
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

Status replaceFileAtomically(const std::string &shownPath, const FileFiller &fill)
{
    const std::string path = saveTarget(shownPath);
    auto failure = [](int err) { return Error{ErrorCode::FileWrite, formatText(StrId::ReasonWriteError, {std::strerror(err)})}; };
    // Keep the identity of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat st {};
    const bool replacing = ::stat(path.c_str(), &st) == 0;
    if (replacing && !S_ISREG(st.st_mode))
        return Error{ErrorCode::NotRegularFile, text(StrId::ReasonNotRegularFile)};
    mode_t mode = st.st_mode & 07777;
    if (!replacing) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    removeStaleTemporaries(path);
    std::string temp = temporaryPattern(path);
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int err = errno;
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        std::error_code ec;
        if ((err == ENOENT || err == ENOTDIR) && !folder.empty() && !std::filesystem::is_directory(folder, ec))
            return Error{ErrorCode::FileWrite, formatText(StrId::ReasonNoFolder, {folder.string()})};
        return failure(err);
    }
    auto failWith = [&](Error why) {
        ::close(fd);
        ::unlink(temp.c_str());
        return why;
    };
    if (std::string why = fill(fd, temp); !why.empty())
        return failWith(Error{ErrorCode::FileWrite, std::move(why)});
    // Owner and group first: a change of owner may clear the mode's set-id bits. Only root may
    // give a file away; anyone else keeps what mkstemp made, at least the group where allowed.
    if (replacing && ::fchown(fd, st.st_uid, st.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return failWith(failure(errno));
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failure(err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failure(err);
    }
    return {};
}

Status writeFileAtomically(const std::string &shownPath, const std::string &bytes)
{
    const bool hadPreviousFile = exists(saveTarget(shownPath));
    const Status replaced = replaceFileAtomically(shownPath, [&bytes](int fd, const std::string &) {
        const char *p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            ssize_t n = ::write(fd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return formatText(StrId::ReasonWriteError, {std::strerror(n < 0 ? errno : EIO)});
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        return std::string();
    });
    if (!replaced) {
        Error failed = saveFailed(shownPath, replaced.message(), hadPreviousFile);
        failed.code = replaced.error().code;
        return failed;
    }
    return {};
}

Status open(const std::string &path, ConfigStore &store, CodePage page)
{
    const Result<std::string> bytes = readFile(path);
    if (!bytes)
        return bytes.error();
    if (!bytes.value().empty()) {
        ArchiveStatus status = readProject(bytes.value(), page, store);
        if (!status.ok())
            return Error{ErrorCode::FileFormat, formatText(StrId::MsgFileReadFailed, {path, status.reason()})};
    }
    // What was just opened has no edits of its own, whatever the document held before.
    store.configModified = false;
    initialUpdate(store);
    return {};
}

Status save(const std::string &path, ConfigStore &store, CodePage page)
{
    std::string bytes;
    ArchiveStatus status = writeProject(store, page, bytes);
    if (!status.ok()) {
        Error refused = saveFailed(path, status.reason(), exists(saveTarget(path)));
        refused.code = ErrorCode::Unencodable;
        return refused;
    }
    if (Status written = writeFileAtomically(path, bytes); !written)
        return written;
    store.fileVersion = kCurrentRecordVersion;
    store.configModified = false;
    return {};
}

} // namespace tqv::ProjectDocument
