#include "files/RecordFile.h"

#include "files/FileNames.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

QString RecordFile::open(const QByteArray& path, Opening opening)
{
    close();
    const int how = opening == Opening::Append ? O_APPEND : O_TRUNC;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | how | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return error_ = FileNames::reason(errno);
    fd_ = fd;
    owned_ = true;
    // A record cut short is cut back to here, after what the file held.
    const off_t end = ::lseek(fd, 0, SEEK_END);
    size_ = end > 0 ? end : 0;
    return {};
}

void RecordFile::openStandardOutput()
{
    close();
    fd_ = STDOUT_FILENO;
    owned_ = false;
}

void RecordFile::close()
{
    if (fd_ >= 0 && owned_) ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool RecordFile::write(const QByteArray& record)
{
    if (fd_ < 0) {
        error_ = FileNames::reason(EBADF);
        return false;
    }
    qsizetype done = 0;
    while (done < record.size()) {
        const ssize_t n = ::write(fd_, record.constData() + done, size_t(record.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // A write of nothing with room asked for is the file-size limit's way of refusing.
        error_ = FileNames::reason(n < 0 ? errno : EFBIG);
        // A cut record would be read as a whole one; a pipe or terminal cannot be cut, and
        // a failed cut leaves the file as the write left it.
        if (done > 0 && owned_ && ::ftruncate(fd_, size_) == 0) ::lseek(fd_, size_, SEEK_SET);
        return false;
    }
    size_ += done;
    return true;
}
