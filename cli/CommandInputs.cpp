#include "cli/CommandInputs.h"

#include "cli/CommandLine.h"
#include "exchange/ExchangeView.h"
#include "files/ReadFile.h"
#include "instrument/SnapshotFile.h"
#include "pages/system/SystemCodec.h"
#include "profile/ProfileRun.h"
#include "session/ConverterSession.h"
#include "tools/TerminalText.h"

#include <QCoreApplication>
#include <cstdio>
#include <set>

namespace CommandInputs {

using CommandLine::say;


std::optional<Profile> loadProfile(const QByteArray& path, const QString& consequence)
{
    const ReadFile::Result file = ReadFile::read(path, ReadFile::kProfileLimit);
    if (!file.ok()) {
        say(file.error);
        return std::nullopt;
    }
    QStringList problems;
    auto profile = Profile::fromJson(file.bytes, problems);
    if (!profile) {
        say(QStringLiteral("%1 is not a profile this program can use%2:").arg(TerminalText::fileName(path), consequence));
        for (const QString& p : problems) std::fprintf(stderr, "  %s\n", qPrintable(p));
    }
    return profile;
}

std::optional<Snapshots> loadSnapshots(int argc, char** argv, const QStringList& files)
{
    Snapshots out;
    std::set<int> addresses;
    for (const QString& file : files) {
        const QByteArray path = CommandLine::rawArgument(argc, argv, file);
        QStringList problems;
        const auto snapshot = SnapshotFile::load(path, problems);
        if (!snapshot) {
            for (const QString& p : problems) say(p);
            return std::nullopt;
        }
        const QJsonValue address = snapshot->value(u"polling_address");
        if (!address.isDouble()) {
            say(QStringLiteral("%1 names no polling address").arg(TerminalText::fileName(path)));
            return std::nullopt;
        }
        if (!addresses.insert(address.toInt()).second) {
            say(QStringLiteral("%1 is a second snapshot of polling address %2; give one per address")
                    .arg(TerminalText::fileName(path))
                    .arg(address.toInt()));
            return std::nullopt;
        }
        out.emplace_back(path, *snapshot);
    }
    return out;
}

std::optional<Converter> readConverter(TComm& port, TrafficLogFile& log, bool askIdentity)
{
    NoView view;
    ConverterSession session(port, view);
    log.follow(session);
    ProfileRun run(session);
    QObject::connect(&run, &ProfileRun::progress, [](int step, int count, const QString& what) {
        std::fprintf(stderr, "[%d/%d] %s\n", step, count, qPrintable(what));
    });
    std::optional<Converter> out;
    Converter read;
    QObject::connect(&run, &ProfileRun::finished, [&](bool ok, const QString& message) {
        if (ok) {
            read.profile = run.result();
            out = read;
        } else {
            say(QStringLiteral("stopped at ") + TerminalText::escaped(message));
        }
        QCoreApplication::quit();
    });
    if (askIdentity) {
        SessionRequest check;
        check.frame = SystemCodec::linkCheckRequest();
        check.missing = [](const QByteArray& t) { return SystemCodec::linkCheckMissing(t); };
        std::fprintf(stderr, "link check\n");
        session.send(check, [&](const SessionOutcome& outcome) {
            if (outcome.ok()) read.identity = SystemCodec::linkCheckIdentity(outcome.reply);
            run.read();
        });
    } else {
        run.read();
    }
    QCoreApplication::exec();
    return out;
}

} // namespace CommandInputs
