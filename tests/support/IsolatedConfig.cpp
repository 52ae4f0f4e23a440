// Linked into every test: the process gets a configuration folder and a data folder of its
// own, made before main() runs, so nothing a test remembers or records (the audit log of
// instrument writes) reaches the user's real files or another test, and a user's own log
// does not reach a test.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

namespace {

struct IsolatedConfig {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/vk742b-test-config-XXXXXX")};
    IsolatedConfig()
    {
        if (!dir.isValid()) qFatal("cannot make a configuration folder for the test");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    }
};

const IsolatedConfig isolatedConfig;

} // namespace
