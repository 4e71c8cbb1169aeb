#include "ProjectDocument.h"

#include "ProjectArchive.h"
#include "../resources/Strings.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tqv::ProjectDocument {

namespace {

// The largest project the program can write (4 subnets of 128 nodes and 128 commands, every text
// at its longest in the grid) stays near 2 MiB; anything far larger is refused before it costs
// memory and time to read.
constexpr std::int64_t kMaxProjectFileBytes = 64 * 1024 * 1024;

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

Error saveFailed(const std::string &path, const std::string &reason, bool hadPreviousFile)
{
    std::string message = formatText(StrId::MsgFileSaveFailed, {path, reason});
    if (hadPreviousFile)
        message += text(StrId::MsgPreviousFileUnchanged);
    return Error{ErrorCode::FileWrite, std::move(message)};
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
    const Error openFailed{ErrorCode::FileOpen, formatText(StrId::MsgFileOpenFailed, {path})};
    std::string bytes;
    // Non-blocking, so that opening a FIFO or a device cannot hang before the type check.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return openFailed;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return openFailed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error{ErrorCode::FileOpen, formatText(StrId::MsgNotAFile, {path})};
    }
    if (st.st_size > kMaxProjectFileBytes) {
        ::close(fd);
        return Error{ErrorCode::FileOpen, formatText(StrId::MsgFileTooLarge, {path, std::to_string(st.st_size),
                                                                             std::to_string(kMaxProjectFileBytes)})};
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return openFailed;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::string replaceFileAtomically(const std::string &shownPath, const FileFiller &fill)
{
    const std::string path = saveTarget(shownPath);
    auto reason = [](int err) { return formatText(StrId::ReasonWriteError, {std::strerror(err)}); };
    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
    mode_t mode = 0;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return reason(errno);
    auto failWith = [&](std::string why) {
        ::close(fd);
        ::unlink(temp.c_str());
        return why;
    };
    if (std::string why = fill(fd, temp); !why.empty())
        return failWith(std::move(why));
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return failWith(reason(errno));
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return reason(err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return reason(err);
    }
    return {};
}

Status writeFileAtomically(const std::string &shownPath, const std::string &bytes)
{
    const bool hadPreviousFile = exists(saveTarget(shownPath));
    const std::string why = replaceFileAtomically(shownPath, [&bytes](int fd, const std::string &) {
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
    if (!why.empty())
        return saveFailed(shownPath, why, hadPreviousFile);
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
