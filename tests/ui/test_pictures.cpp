// The pictures: decoded by libjpeg, damaged data refused safely, shown on their pages.
#include "tests/support/WindowRig.h"
#include "ui/JpegDecoder.h"
#include "ui/Pictures.h"

#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QTabWidget>

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void picturesDecode()
    {
        const struct {
            const char* file;
            QSize size;
        } files[] = {{":/pictures/logo.jpg", {210, 82}},           {":/pictures/two-wire.jpg", {1065, 393}},
                     {":/pictures/two-and-four-wire.jpg", {1065, 385}}, {":/pictures/four-wire.jpg", {1065, 393}},
                     {":/pictures/built-in-24v.jpg", {1057, 393}}};
        for (const auto& f : files) {
            QFile file(f.file);
            QVERIFY2(file.open(QIODevice::ReadOnly), f.file);
            const QImage image = decodeJpeg(file.readAll());
            QCOMPARE(image.size(), f.size);
            QVERIFY(image.pixelColor(3, 3).lightness() > 0); // not left black
        }
    }

    void damagedDataIsRefused()
    {
        QFile file(":/pictures/two-wire.jpg");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        QVERIFY(decodeJpeg({}).isNull());
        QVERIFY(decodeJpeg("not a picture").isNull());
        QRandomGenerator rng(9);
        for (int i = 0; i < 200; ++i) {
            QByteArray bad = good.left(int(rng.bounded(0, int(good.size()))));
            if (!bad.isEmpty()) bad[int(rng.bounded(int(bad.size())))] = char(rng.bounded(256));
            decodeJpeg(bad); // must come back, image or not
        }
    }

    void imagesAboveTheLimitAreRefused()
    {
        QFile file(":/pictures/two-wire.jpg");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray wire = file.readAll();
        QCOMPARE(decodeJpeg(wire, 1065 * 393).size(), QSize(1065, 393));
        QVERIFY(decodeJpeg(wire, 1065 * 393 - 1).isNull());
    }

    // A progressive file 1 x 65500 pixels with its first component sampled 4 x 2, cut after
    // its first scans: libjpeg keeps about 5 MB of coefficients for it, some 80 bytes a pixel,
    // where the budget is 16 bytes for each pixel the limit allows.
    void decoderMemoryIsHeldToABudget()
    {
        QFile file(QFINDTESTDATA("tall-progressive.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray tall = file.readAll();
        QCOMPARE(decodeJpeg(tall).size(), QSize(1, 65500)); // the missing scans read as blank
        QCOMPARE(decodeJpeg(tall, 8 * 65500).size(), QSize(1, 65500));
        QVERIFY(decodeJpeg(tall, 65500).isNull());
    }

    void diagramPagesShowTheirPictures()
    {
        Rig rig;
        auto* pages = rig.get<QTabWidget>("PageControl1");
        rig.form.show();
        for (int tab = 4; tab < 8; ++tab) {
            pages->setCurrentIndex(tab);
            QCoreApplication::processEvents();
        }
        for (const char* name : {"Image2", "Image3", "Image4", "Image5"})
            QVERIFY2(!rig.get<QLabel>(name)->pixmap().isNull(), name);
        QCOMPARE(rig.get<QLabel>("Image4")->pixmap().width(), 1057);
        pages->setCurrentIndex(0);
        QCOMPARE(rig.get<QLineEdit>("Edit14")->text(), QString("001")); // nothing else changed
    }
};

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
