// Guarded writes to the stand-in's instruments: a write is read back and logged; a
// write-protected instrument, a value that cannot be sent and a plan not confirmed send no
// write at all.
#include "instrument/InstrumentWriteRun.h"
#include "pages/hart/HartReply.h"
#include "serial/Comm.h"
#include "tests/support/BinaryPort.h"
#include "tests/support/StandIn.h"

#include <QtTest>

namespace {

struct Writing {
    TComm comm;
    NoView view;
    QTemporaryDir dir;
    std::unique_ptr<ConverterSession> session;
    std::unique_ptr<InstrumentWriteRun> run;
    std::optional<InstrumentWriteRun::End> end;
    QList<int> commandsSent;
    bool go = true;

    Writing(const QString& path, int address, const QStringList& assignments, bool resetFlag = false)
    {
        openBinary(comm, path);
        session = std::make_unique<ConverterSession>(comm, view, InstrumentRead::sessionOptions(1000, 9600));
        QObject::connect(session.get(), &PortTraffic::frameWritten, [this](const QByteArray& f) {
            if (const auto r = HartReply::request(f)) commandsSent << r->command;
        });
        InstrumentWriteRun::Options options;
        options.read.pollingAddress = address;
        options.port = path;
        options.auditPath = QFile::encodeName(dir.filePath("audit.log"));
        options.resetChangedFlag = resetFlag;
        run = std::make_unique<InstrumentWriteRun>(*session, options, [assignments](const QJsonObject&) {
            WritableSettings::Settings s;
            for (const QString& a : assignments) WritableSettings::assign(s, a);
            return s;
        });
        QObject::connect(run.get(), &InstrumentWriteRun::planned, [this] { run->confirm(go); });
        QObject::connect(run.get(), &InstrumentWriteRun::finished, [this](InstrumentWriteRun::End e) { end = e; });
    }
    bool finish()
    {
        run->start();
        return QTest::qWaitFor([&] { return end.has_value(); }, 60000);
    }
    QStringList audit() const
    {
        QFile f(dir.filePath("audit.log"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // The write commands among what was sent: anything but the reading ones.
    QList<int> writes() const
    {
        static const QList<int> reading{0, 3, 7, 8, 9, 12, 13, 14, 15, 16, 20, 33, 48, 50};
        QList<int> out;
        for (int c : commandsSent)
            if (!reading.contains(c)) out << c;
        return out;
    }
};

} // namespace

class TestInstrumentWriting : public QObject {
    Q_OBJECT

private slots:
    // A HART 7 instrument: the tag and message are written, read back as asked (in upper case,
    // as packed ASCII carries them), the change counter moves, and each setting has its line.
    void aWriteIsReadBackAndLogged()
    {
        StandIn sim;
        Writing w(sim.link, 5, {"tag=lt-506", "message=Spare level radar"}, true);
        QVERIFY(w.finish());
        QVERIFY2(*w.end == InstrumentWriteRun::End::Written, qPrintable(w.run->messages().join('\n')));
        QCOMPARE(w.writes(), QList<int>({18, 17, 38}));
        QCOMPARE(w.run->after().value("tag").toString(), QString("LT-506"));
        QCOMPARE(w.run->after().value("message").toString(), QString("SPARE LEVEL RADAR"));
        const int before = w.run->before().value("identity").toObject().value("config_change_counter").toInt();
        QVERIFY(w.run->after().value("identity").toObject().value("config_change_counter").toInt() > before);
        const QStringList lines = w.audit();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT[0-9:]+Z\t\\S+\t5\t00A1B2\ttag\t\"LT-505\"\t\"LT-506\"\twritten$")
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));
        QVERIFY(lines[1].contains("\tmessage\t"));
    }

    void nothingIsWritten_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<QStringList>("assignments");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("message");
        QTest::newRow("write-protected") << 2 << QStringList{"tag=TT-302"} << true << int(InstrumentWriteRun::End::Refused)
                                         << "the instrument is write-protected (command 15 says so); nothing was written";
        QTest::newRow("a value that cannot be sent")
            << 1 << QStringList{"tag=PT-202", "damping=-1"} << true << int(InstrumentWriteRun::End::Refused)
            << "the damping is seconds from 0, not -1";
        QTest::newRow("the long tag before HART 6") << 0 << QStringList{"long_tag=Feed flow"} << true
                                                    << int(InstrumentWriteRun::End::Refused)
                                                    << "the long tag needs HART 6 or later; this instrument speaks HART 5";
        QTest::newRow("not confirmed") << 1 << QStringList{"tag=PT-202"} << false << int(InstrumentWriteRun::End::Declined)
                                       << "not confirmed; nothing was written";
        QTest::newRow("already so") << 1 << QStringList{"tag=pt-201"} << true << int(InstrumentWriteRun::End::NothingToWrite)
                                    << "";
    }
    void nothingIsWritten()
    {
        QFETCH(int, address);
        QFETCH(QStringList, assignments);
        QFETCH(bool, confirmed);
        QFETCH(int, end);
        QFETCH(QString, message);
        StandIn sim;
        Writing w(sim.link, address, assignments);
        w.go = confirmed;
        QVERIFY(w.finish());
        QCOMPARE(int(*w.end), end);
        QCOMPARE(w.run->messages().value(0), message);
        QCOMPARE(w.writes(), QList<int>());
        QCOMPARE(w.audit(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestInstrumentWriting)
#include "test_instrument_writing.moc"
