#include "files/ReadFile.h"

#include "files/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ReadFile {

namespace {

Result refused(const QByteArray& path, const QString& why)
{
    return {QByteArray(), QStringLiteral("cannot read %1: %2").arg(FileNames::shown(path), why)};
}

QString tooLarge(qint64 limit)
{
    return QStringLiteral("it is larger than %1, the most this program reads")
        .arg(limitText(limit));
}

// What the file is when it is not a regular file.
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode)) return QStringLiteral("it is a pipe, not a regular file");
    if (S_ISSOCK(mode)) return QStringLiteral("it is a socket, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("it is a device, not a regular file");
    return QStringLiteral("it is not a regular file");
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

QString limitText(qint64 limit)
{
    if (limit > 0 && limit % (1 << 20) == 0) return QStringLiteral("%1 MiB").arg(limit >> 20);
    if (limit > 0 && limit % (1 << 10) == 0) return QStringLiteral("%1 KiB").arg(limit >> 10);
    return QStringLiteral("%1 bytes").arg(limit);
}

Result read(const QByteArray& path, qint64 limit)
{
    if (path.isEmpty()) return {QByteArray(), QStringLiteral("cannot read a file without a name")};
    // O_NONBLOCK: opening a pipe with no writer returns at once instead of waiting for one.
    // O_NOCTTY: a terminal named here does not become the program's controlling terminal.
    const Descriptor file{::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) return refused(path, FileNames::reason(errno));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) return refused(path, FileNames::reason(errno));
    if (!S_ISREG(st.st_mode)) return refused(path, kindOf(st.st_mode));
    if (st.st_size > limit) return refused(path, tooLarge(limit));
    // A regular file never blocks; blocking reads keep a file system's own quirks out.
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);

    // The size may have changed since fstat (or be 0, as in /proc): read to the end, but
    // never past one byte beyond the limit.
    const qint64 most = limit + 1;
    QByteArray bytes;
    bytes.resize(qsizetype(std::min(most, std::max<qint64>(st.st_size + 1, 4096))));
    qsizetype done = 0;
    while (done < most) {
        if (done == bytes.size()) bytes.resize(qsizetype(std::min(most, qint64(bytes.size()) * 2)));
        const ssize_t n = ::read(file.fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refused(path, FileNames::reason(errno));
        if (n == 0) break;
        done += n;
    }
    if (done > limit) return refused(path, tooLarge(limit));
    bytes.truncate(done);
    return {bytes, QString()};
}

} // namespace ReadFile
