#include "files/SaveFile.h"

#include "files/FileNames.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SaveFile {

namespace {

const QString kNoName = QStringLiteral("cannot write a file without a name");

QString cannotWrite(const QByteArray& path, const QString& why)
{
    return QStringLiteral("cannot write %1: %2").arg(FileNames::shown(path), why);
}

QString cannotWrite(const QByteArray& path, int error)
{
    return cannotWrite(path, FileNames::reason(error));
}

// The file a save replaces: the end of a chain of symbolic links, so that the link stays a
// link; the path itself when it is no link or the link leads nowhere yet.
QByteArray resolved(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) return path;
    const QByteArray out(real);
    std::free(real);
    return out;
}

// Why nothing can be saved at `target` as it stands: an existing folder, device or pipe
// there, or a folder that is missing, is no folder, or is not writable. Empty when fine.
QString targetProblem(const QByteArray& target)
{
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return QStringLiteral("it is a folder");
        if (!S_ISREG(st.st_mode)) return QStringLiteral("it is not a regular file");
    }
    const QByteArray folder = FileNames::folderOf(target);
    if (::stat(folder.constData(), &st) != 0) {
        if (errno == ENOENT)
            return QStringLiteral("the folder %1 does not exist").arg(FileNames::shown(folder));
        return FileNames::reason(errno);
    }
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(FileNames::shown(folder));
    if (::access(folder.constData(), W_OK | X_OK) != 0) return FileNames::reason(errno);
    return {};
}

// A new file beside the target that no other process has: O_EXCL under a random name.
int createTemporary(const QByteArray& folder, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/.vk742b-save-" +
               QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Every byte, however the kernel splits the writes; false with errno set otherwise.
bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// After the rename, so that the new name itself survives a power cut. Some file systems
// cannot sync a folder; the file is already complete and in place, so this is best effort.
void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

QString save(const QByteArray& path, const QByteArray& bytes)
{
    if (path.isEmpty()) return kNoName;
    const QByteArray target = resolved(path);
    if (const QString problem = targetProblem(target); !problem.isEmpty())
        return cannotWrite(path, problem);

    const QByteArray folder = FileNames::folderOf(target);
    QByteArray temporary;
    const int fd = createTemporary(folder, temporary);
    if (fd < 0) return cannotWrite(path, errno);

    int error = 0;
    struct stat old {};
    // The replacement keeps the old file's permissions; a new file gets the umask's.
    if (::stat(target.constData(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    else if (!writeAll(fd, bytes))
        error = errno;
    else if (::fsync(fd) != 0)
        error = errno;
    // close() may report a write error of its own (network file systems do).
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return cannotWrite(path, error);
    }
    syncFolder(folder);
    return {};
}

QString checkFolder(const QByteArray& path)
{
    if (path.isEmpty()) return kNoName;
    const QString problem = targetProblem(resolved(path));
    return problem.isEmpty() ? problem : cannotWrite(path, problem);
}

} // namespace SaveFile
