#include "ProjectDocument.h"

#include "ProjectArchive.h"
#include "../resources/Strings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tqv::ProjectDocument {

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
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return openFailed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return openFailed;
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

Status writeFileAtomically(const std::string &path, const std::string &bytes)
{
    auto writeError = [&path](int err) {
        return Error{ErrorCode::FileWrite,
                     formatText(StrId::MsgFileSaveFailed, {path, formatText(StrId::ReasonWriteError, {std::strerror(err)})})};
    };
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
        return writeError(errno);
    auto failWith = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return writeError(err);
    };
    const char *p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status(failWith(n < 0 ? errno : EIO));
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return failWith(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return writeError(err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return writeError(err);
    }
    return {};
}

Status open(const std::string &path, ConfigStore &store, CodePage page)
{
    const Result<std::string> bytes = readFile(path);
    if (!bytes)
        return bytes.error();
    if (bytes.value().empty()) {
        initialUpdate(store);
        return {};
    }
    ArchiveStatus status = readProject(bytes.value(), page, store);
    if (!status.ok())
        return Error{ErrorCode::FileFormat, formatText(StrId::MsgFileReadFailed, {path, status.reason()})};
    initialUpdate(store);
    return {};
}

Status save(const std::string &path, ConfigStore &store, CodePage page)
{
    std::string bytes;
    ArchiveStatus status = writeProject(store, page, bytes);
    if (!status.ok())
        return Error{ErrorCode::Unencodable, formatText(StrId::MsgFileSaveFailed, {path, status.reason()})};
    if (Status written = writeFileAtomically(path, bytes); !written)
        return written;
    store.fileVersion = kCurrentRecordVersion;
    store.configModified = false;
    return {};
}

} // namespace tqv::ProjectDocument
