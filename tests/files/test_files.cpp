// Saves that either complete or change nothing, and reads that take only small regular
// files: a failing disk (a file-size limit), names that are not UTF-8, devices and pipes.
#include "files/ReadFile.h"
#include "files/RecordFile.h"
#include "files/SaveFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// By the raw name: QFile would take a name that is not UTF-8 as a different one.
QByteArray bytesOf(const QByteArray& path)
{
    const ReadFile::Result r = ReadFile::read(path, ReadFile::kProfileLimit * 2);
    return r.ok() ? r.bytes : "(" + r.error.toUtf8() + ")";
}

void put(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    if (fd >= 0) ::close(fd);
    if (!written) qFatal("cannot set up %s", path.constData());
}

// The folder's entries as the file system holds them, "." and ".." left out.
QList<QByteArray> entries(const QByteArray& folder)
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << e->d_name;
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Files of this process may grow to `bytes` only, as on a nearly full disk; the kernel
// reports EFBIG instead of sending SIGXFSZ. Both are restored when it ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &limited) != 0) qFatal("cannot limit the file size");
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QByteArray in(const char* name) const { return QFile::encodeName(dir_.path()) + '/' + name; }

private slots:
    void init() { QVERIFY(dir_.isValid()); }
    void cleanup()
    {
        for (const QByteArray& name : entries(QFile::encodeName(dir_.path())))
            ::unlink(QByteArray(QFile::encodeName(dir_.path()) + '/' + name).constData());
    }

    void aSaveReplacesTheFileWholeAndKeepsItsPermissions()
    {
        const QByteArray path = in("profile.json");
        QCOMPARE(SaveFile::save(path, "first"), QString());
        QCOMPARE(bytesOf(path), QByteArray("first"));
        ::chmod(path.constData(), 0640);
        QCOMPARE(SaveFile::save(path, "second, longer"), QString());
        QCOMPARE(bytesOf(path), QByteArray("second, longer"));
        struct stat st {};
        QCOMPARE(::stat(path.constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        // No temporary file is left beside it.
        QCOMPARE(entries(QFile::encodeName(dir_.path())), QList<QByteArray>{"profile.json"});
    }

    void aSaveThroughALinkReplacesWhatItPointsTo()
    {
        put(in("real.json"), "old");
        QCOMPARE(::symlink("real.json", in("link.json").constData()), 0);
        QCOMPARE(SaveFile::save(in("link.json"), "new"), QString());
        struct stat st {};
        QCOMPARE(::lstat(in("link.json").constData(), &st), 0);
        QVERIFY(S_ISLNK(st.st_mode));
        QCOMPARE(bytesOf(in("real.json")), QByteArray("new"));
    }

    void aFailedSaveLeavesTheOldFileAndSaysWhy()
    {
        // A name that is not UTF-8: the message shows its byte, the file keeps its name.
        const QByteArray path = in("caf\xe9.json");
        const QByteArray old(300, 'o');
        put(path, old);
        QString error;
        {
            const FileSizeLimit limit(1000);
            error = SaveFile::save(path, QByteArray(5000, 'n'));
        }
        QVERIFY2(error.startsWith("cannot write "), qPrintable(error));
        QVERIFY2(error.contains("caf\\xe9.json: "), qPrintable(error));
        QVERIFY2(error.endsWith(qt_error_string(EFBIG)), qPrintable(error));
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(entries(QFile::encodeName(dir_.path())), QList<QByteArray>{"caf\xe9.json"});

        // Where no file can be made at all, nothing is made and the reason is given.
        QVERIFY(SaveFile::save(in("missing/x.json"), "x")
                    .endsWith("the folder " + dir_.path() + "/missing does not exist"));
        QCOMPARE(SaveFile::save(QFile::encodeName(dir_.path()), "x"),
                 "cannot write " + dir_.path() + ": it is a folder");
        QCOMPARE(SaveFile::save("/dev/null", "x"),
                 QString("cannot write /dev/null: it is not a regular file"));
    }

    // A record that does not fit is taken out again: the file ends with its last whole
    // record, and one that fits later follows it without a gap.
    void aRecordFileKeepsWholeRecordsOnly()
    {
        const QByteArray path = in("rows.csv");
        RecordFile file;
        QCOMPARE(file.open(path), QString());
        {
            const FileSizeLimit limit(100);
            QVERIFY(file.write(QByteArray(59, 'a') + '\n'));
            QVERIFY(!file.write(QByteArray(59, 'b') + '\n'));
            QCOMPARE(file.errorString(), qt_error_string(EFBIG));
            QVERIFY(file.write(QByteArray(29, 'c') + '\n'));
        }
        file.close();
        QCOMPARE(bytesOf(path), QByteArray(59, 'a') + '\n' + QByteArray(29, 'c') + '\n');
        // Appended to, a record that does not fit is cut back to what the file held.
        QCOMPARE(file.open(path, RecordFile::Opening::Append), QString());
        {
            const FileSizeLimit limit(100);
            QVERIFY(!file.write(QByteArray(19, 'd') + '\n'));
            QVERIFY(file.write(QByteArray(9, 'e') + '\n'));
        }
        file.close();
        QCOMPARE(bytesOf(path), QByteArray(59, 'a') + '\n' + QByteArray(29, 'c') + '\n' + QByteArray(9, 'e') + '\n');
        QCOMPARE(file.open(in("missing/rows.csv")), qt_error_string(ENOENT));
    }

    void aNameThatIsNotUtf8IsSavedUnchanged()
    {
        const QByteArray name = "caf\xe9\xff.json";
        QCOMPARE(SaveFile::save(in(name.constData()), "x"), QString());
        QCOMPARE(entries(QFile::encodeName(dir_.path())), QList<QByteArray>{name});
        const ReadFile::Result back = ReadFile::read(in(name.constData()), 10);
        QVERIFY(back.ok());
        QCOMPARE(back.bytes, QByteArray("x"));
    }

    void theFolderIsCheckedBeforeALongRun()
    {
        QCOMPARE(SaveFile::checkFolder(in("new.json")), QString());
        QCOMPARE(SaveFile::checkFolder("plain.json"), QString()); // the working folder
        QCOMPARE(SaveFile::checkFolder(in("missing/new.json")),
                 "cannot write " + dir_.path() + "/missing/new.json: the folder " + dir_.path() +
                     "/missing does not exist");
        put(in("file"), "x");
        QCOMPARE(SaveFile::checkFolder(in("file/new.json")), "cannot write " + dir_.path() +
                                                                 "/file/new.json: " + dir_.path() +
                                                                 "/file is not a folder");
        // Nothing was made by the checks.
        QCOMPARE(entries(QFile::encodeName(dir_.path())), QList<QByteArray>{"file"});
    }

    void aFolderWithoutWritePermissionIsRefused()
    {
        if (::geteuid() == 0) QSKIP("root may write into any folder");
        QCOMPARE(::mkdir(in("locked").constData(), 0500), 0);
        const QString expected =
            "cannot write " + dir_.path() + "/locked/x.json: " + qt_error_string(EACCES);
        QCOMPARE(SaveFile::checkFolder(in("locked/x.json")), expected);
        QCOMPARE(SaveFile::save(in("locked/x.json"), "x"), expected);
        ::rmdir(in("locked").constData());
    }

    void onlySmallRegularFilesAreRead()
    {
        const QByteArray full(ReadFile::kProfileLimit, '{');
        put(in("limit.json"), full);
        QCOMPARE(ReadFile::read(in("limit.json"), ReadFile::kProfileLimit).bytes, full);
        put(in("over.json"), full + ' ');
        const ReadFile::Result over = ReadFile::read(in("over.json"), ReadFile::kProfileLimit);
        QVERIFY(over.bytes.isEmpty());
        QCOMPARE(over.error, "cannot read " + dir_.path() +
                                 "/over.json: it is larger than 1 MiB, the most "
                                 "this program reads");
        QVERIFY(ReadFile::read(in("missing.json"), 10)
                    .error.endsWith("missing.json: " + qt_error_string(ENOENT)));
    }

    void devicesPipesAndFoldersAreRefusedAtOnce()
    {
        // A read that waited would hang the test: end it instead.
        ::alarm(20);
        QCOMPARE(ReadFile::read("/dev/zero", ReadFile::kProfileLimit).error,
                 QString("cannot read /dev/zero: it is a device, not a regular file"));
        QCOMPARE(::mkfifo(in("fifo").constData(), 0600), 0);
        QCOMPARE(ReadFile::read(in("fifo"), ReadFile::kProfileLimit).error,
                 "cannot read " + dir_.path() + "/fifo: it is a pipe, not a regular file");
        QCOMPARE(ReadFile::read(QFile::encodeName(dir_.path()), ReadFile::kProfileLimit).error,
                 "cannot read " + dir_.path() + ": it is a folder, not a file");
        ::alarm(0);
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
