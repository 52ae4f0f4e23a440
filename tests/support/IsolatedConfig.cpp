// Linked into every test: the process gets a configuration folder of its own, made before
// main() runs, so nothing a test remembers reaches the user's real settings or another test.
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
    }
};

const IsolatedConfig isolatedConfig;

} // namespace
