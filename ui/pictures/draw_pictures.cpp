// Draws the logo and the four wiring diagrams as JPEG files. Not part of the build:
//   cmake --build build --target draw-pictures && build/ui/pictures/draw-pictures ui/pictures
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <functional>

namespace {

const QColor kInk(20, 30, 60), kWire(180, 30, 30), kReturn(30, 60, 160), kBox(235, 240, 250);

void label(QPainter& p, const QRectF& r, const QString& text, int px, bool bold = false,
           int align = Qt::AlignCenter) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(r, align, text);
}

void block(QPainter& p, const QRectF& r, const QString& title, const QString& sub = {}) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(kBox);
    p.drawRoundedRect(r, 8, 8);
    label(p, r.adjusted(0, 6, 0, sub.isEmpty() ? -6 : -r.height() / 2), title, 17, true);
    if (!sub.isEmpty()) label(p, r.adjusted(6, r.height() / 2, -6, -6), sub, 12);
}

// A terminal: small circle with its name beside it.
QPointF terminal(QPainter& p, QPointF at, const QString& name, bool nameLeft) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawEllipse(at, 5, 5);
    const QRectF r =
        nameLeft ? QRectF(at.x() - 90, at.y() - 9, 82, 18) : QRectF(at.x() + 9, at.y() - 9, 90, 18);
    label(p, r, name, 12, false, (nameLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return at;
}

void wire(QPainter& p, const QColor& c, std::initializer_list<QPointF> points) {
    p.setPen(QPen(c, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        first = false;
    }
    p.drawPath(path);
}

void resistor(QPainter& p, QPointF top, double length, const QString& text) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(top.x() - 9, top.y(), 18, length));
    label(p, QRectF(top.x() + 14, top.y(), 80, length), text, 12, false,
          Qt::AlignLeft | Qt::AlignVCenter);
}

// The converter with its host and HART terminals; returns the HART+ and HART- points.
std::pair<QPointF, QPointF> converter(QPainter& p, bool builtIn24V) {
    const QRectF box(360, 100, 240, 190);
    block(p, box, QString());
    label(p, QRectF(box.left(), box.top() + 8, box.width(), 24), QStringLiteral("VK742-B"), 17,
          true);
    label(p, QRectF(box.left(), box.top() + 30, box.width(), 18),
          QStringLiteral("HART to MODBUS RTU converter"), 12);
    // Host side: RS232 and RS485 to the PC or PLC; names inside the box.
    terminal(p, {box.left(), 150}, QStringLiteral("RS232"), false);
    terminal(p, {box.left(), 180}, QStringLiteral("RS485A"), false);
    terminal(p, {box.left(), 210}, QStringLiteral("RS485B"), false);
    terminal(p, {box.left(), 240}, QStringLiteral("24V DC in"), false);
    block(p, QRectF(30, 140, 230, 80), QStringLiteral("PC / PLC"),
          QStringLiteral("USB-RS232 or USB-RS485"));
    wire(p, kReturn, {{260, 165}, {box.left() - 5, 165}, {box.left() - 5, 150}});
    wire(p, kReturn, {{260, 195}, {box.left() - 5, 195}, {box.left() - 5, 180}});
    const QPointF plus =
        terminal(p, {box.right(), 160},
                 builtIn24V ? QStringLiteral("24V+ OUT") : QStringLiteral("HART+"), true);
    const QPointF minus = terminal(p, {box.right(), 250}, QStringLiteral("HART-"), true);
    return {plus, minus};
}

// A white canvas with its title, on which `draw` adds the rest.
QImage diagram(int w, int h, const QString& title,
               const std::function<void(QPainter&, const QImage&)>& draw) {
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    label(p, QRectF(0, 10, w, 40), title, 24, true);
    draw(p, img);
    return img;
}

void footer(QPainter& p, const QImage& img, const QString& text) {
    label(p, QRectF(20, img.height() - 40, img.width() - 40, 30), text, 13);
}

// HART+ and HART- across a 250 ohm resistor between nodes A (top) and B (bottom).
void loopResistor(QPainter& p, QPointF plus, QPointF minus, QPointF a, QPointF b) {
    wire(p, kWire, {plus + QPointF(5, 0), a});
    wire(p, kReturn, {minus + QPointF(5, 0), b});
    wire(p, kInk, {a, {a.x(), a.y() + 20}});
    wire(p, kInk, {{b.x(), b.y() - 20}, b});
    resistor(p, {a.x(), a.y() + 20}, b.y() - a.y() - 40, QStringLiteral("250 \u03a9"));
}

QImage twoWire(bool withFourWire) {
    return diagram(
        1065, withFourWire ? 385 : 393,
        withFourWire ? QStringLiteral("2-Wire And 4-Wire Instruments")
                     : QStringLiteral("2-Wire Instruments"),
        [&](QPainter& p, const QImage& img) {
            const auto [plus, minus] = converter(p, false);
            const QPointF a(700, 160), b(700, 250);
            loopResistor(p, plus, minus, a, b);
            // Series loop: supply + to transmitter +, transmitter - to A, B to supply -.
            block(p, QRectF(820, 70, 200, 70), QStringLiteral("2-wire"),
                  QStringLiteral("transmitter 4-20 mA"));
            block(p, QRectF(820, withFourWire ? 270 : 260, 200, 60), QStringLiteral("24V DC"),
                  QStringLiteral("loop supply"));
            const double supplyY = withFourWire ? 300 : 290;
            wire(p, kWire, {{1020, supplyY}, {1045, supplyY}, {1045, 105}, {1020, 105}});
            wire(p, kWire, {{820, 105}, {760, 105}, {760, 160}, a});
            wire(p, kReturn, {{820, supplyY}, {700, supplyY}, b});
            if (withFourWire) {
                // A 4-wire instrument with its own power, in parallel on the same two nodes.
                block(p, QRectF(820, 160, 200, 80), QStringLiteral("4-wire"),
                      QStringLiteral("powered instrument"));
                wire(p, kWire, {{820, 185}, {760, 185}, {760, 160}});
                wire(p, kReturn, {{820, 220}, {780, 220}, {780, 250}, b});
            }
            footer(p, img,
                   QStringLiteral(
                       "The converter reads the HART signal across the 250 \u03a9 loop resistor."));
        });
}

QImage fourWire() {
    return diagram(1065, 393, QStringLiteral("4-Wire Instruments"),
                   [&](QPainter& p, const QImage& img) {
                       const auto [plus, minus] = converter(p, false);
                       const QPointF a(700, 160), b(700, 250);
                       loopResistor(p, plus, minus, a, b);
                       block(p, QRectF(820, 140, 200, 90), QStringLiteral("4-wire"),
                             QStringLiteral("instrument, own power supply"));
                       wire(p, kWire, {{820, 165}, {760, 165}, {760, 160}, a});
                       wire(p, kReturn, {{820, 210}, {760, 210}, {760, 250}, b});
                       footer(p, img,
                              QStringLiteral("The instrument drives its own 4-20 mA output; the "
                                             "converter listens across the resistor."));
                   });
}

QImage builtIn24V() {
    return diagram(
        1057, 393, QStringLiteral("Built In DC24V 2-Wire Instruments"),
        [&](QPainter& p, const QImage& img) {
            const auto [plus, minus] = converter(p, true);
            block(p, QRectF(820, 150, 200, 110), QStringLiteral("2-wire"),
                  QStringLiteral("transmitter 4-20 mA"));
            wire(p, kWire, {plus + QPointF(5, 0), {760, 160}, {760, 175}, {820, 175}});
            wire(p, kReturn, {minus + QPointF(5, 0), {760, 250}, {760, 235}, {820, 235}});
            footer(p, img,
                   QStringLiteral("The converter's own 24 V DC supply powers the transmitter: no "
                                  "external supply or resistor."));
        });
}

QImage logo() {
    QImage img(210, 82, QImage::Format_RGB888);
    img.fill(QColor(20, 60, 130));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(40);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(img.rect().adjusted(0, -10, 0, 0), Qt::AlignCenter, QStringLiteral("VK742"));
    f.setPixelSize(15);
    f.setBold(false);
    p.setFont(f);
    p.drawText(img.rect().adjusted(0, 44, 0, 0), Qt::AlignCenter,
               QStringLiteral("HART \u2194 MODBUS"));
    return img;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok = logo().save(dir + "/logo.jpg", "JPEG", 92) &&
                    twoWire(false).save(dir + "/two-wire.jpg", "JPEG", 90) &&
                    twoWire(true).save(dir + "/two-and-four-wire.jpg", "JPEG", 90) &&
                    fourWire().save(dir + "/four-wire.jpg", "JPEG", 90) &&
                    builtIn24V().save(dir + "/built-in-24v.jpg", "JPEG", 90);
    return ok ? 0 : 1;
}
