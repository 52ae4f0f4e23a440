#include "ui/ProfileCommand.h"

#include "exchange/Exchange.h"
#include "exchange/Messages.h"
#include "exchange/PortList.h"
#include "exchange/PortPanel.h"
#include "profile/Profile.h"
#include "profile/ProfileRun.h"
#include "serial/Comm.h"
#include "ui/CommandLine.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSaveFile>
#include <cstdio>
#include <cstring>

namespace {

const char* const kCommands[] = {"read", "write", "compare"};

void say(const QString& text) { std::fprintf(stderr, "vk742b-config: %s\n", qPrintable(text)); }

// Messages the window would show in boxes, as lines on stderr.
class StderrMessages : public MessageSink {
public:
    void inform(const QString& text) override { say(text); }
    void error(const QString& text, const QString& detail) override
    {
        say(detail.isEmpty() ? text : text + u' ' + detail);
    }
};

std::optional<Profile> loadProfile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QStringList problems;
    auto profile = Profile::fromJson(file.readAll(), problems);
    if (!profile) {
        say(QStringLiteral("%1 is not a profile this program can use; nothing was sent:").arg(path));
        for (const QString& p : problems) std::fprintf(stderr, "  %s\n", qPrintable(p));
    }
    return profile;
}

bool saveProfile(const Profile& profile, const QString& path)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(profile.toJson()) >= 0 && file.commit()) return true;
    say(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return false;
}

// Prints the settings that differ; returns how many.
int printDifferences(const Profile& profile, const Profile& converter)
{
    int count = 0;
    for (const ProfileDifference& d : compareProfiles(profile, converter)) {
        if (d.same) continue;
        if (count++ == 0) std::printf("%-48s %-22s %s\n", "setting", "profile", "converter");
        std::printf("%-48s %-22s %s\n", qPrintable(d.key), qPrintable(d.profile), qPrintable(d.converter));
    }
    return count;
}

} // namespace

namespace ProfileCommand {

bool requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* c : kCommands)
            if (std::strcmp(argv[i], c) == 0) return true;
        if (std::strncmp(argv[i], "--port", 6) == 0) return true;
    }
    return false;
}

int run(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // no window is shown: no display is needed
    QApplication app(argc, argv);
    CommandLine::ProfileArguments args;
    if (const auto refusal = CommandLine::readProfileArguments(app.arguments(), args))
        return CommandLine::deliver(*refusal);
    std::optional<Profile> profile;
    if (args.command != u"read" && !(profile = loadProfile(args.file))) return 2;

    StderrMessages messages;
    TForm1 form(&messages);
    PortPanel& panel = form.portPanel();
    panel.SPREALCOM->setEditText(args.port);
    panel.ComboBox11->setEditText(args.baud);
    panel.ComboBox10->setCurrentIndex(panel.ComboBox10->findText(args.parity));
    panel.Button1->click();
    if (!form.exchange().portOpen()) return 1;

    ProfileRun run(form, form.exchange(), form.modbusPage());
    QObject::connect(&run, &ProfileRun::progress, [](int step, int count, const QString& what) {
        std::fprintf(stderr, "[%d/%d] %s\n", step, count, qPrintable(what));
    });
    int code = 1;
    QObject::connect(&run, &ProfileRun::finished, [&](bool ok, const QString& message) {
        if (!ok) {
            say(QStringLiteral("stopped at ") + message);
        } else if (args.command == u"read") {
            code = saveProfile(run.result(), args.file) ? 0 : 1;
        } else if (args.command == u"compare") {
            const int differences = printDifferences(*profile, run.result());
            say(differences ? QStringLiteral("%1 settings differ").arg(differences)
                            : QStringLiteral("the converter matches the profile"));
            code = differences ? 1 : 0;
        } else {
            say(QStringLiteral("written; the converter's RS232/RS485A port now runs at %1 baud, parity %2: "
                               "reopen at that speed")
                    .arg(profile->text("system.rs232_rs485a.baud"), profile->text("system.rs232_rs485a.parity")));
            code = 0;
        }
        app.quit();
    });
    if (args.command == u"write") run.write(*profile);
    else run.read();
    app.exec();
    form.comm().ClosePort();
    return code;
}

} // namespace ProfileCommand
