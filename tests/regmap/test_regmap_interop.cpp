// The register map against libmodbus: its own RTU slave, loaded with each row's example
// words at the row's address, is read by a libmodbus master with function 3, two registers
// at a time, and libmodbus's own float readers give 100 back in each row's word order.
#include "regmap/RegisterMap.h"
#include "tests/regmap/MapProfile.h"
#include "tests/support/LibmodbusSlave.h"
#include "tests/support/PtyPair.h"

#include <cmath>

namespace {

// libmodbus as the converter's MODBUS side, slave 17, on the far end of the pseudo-terminal.
struct Slave : LibmodbusSlave {
    Slave(int fd, const std::vector<RegisterMap::Row>& rows)
        : LibmodbusSlave(fd, 17, 50, [&](uint16_t* r) {
              for (int i = 0; i < 50; ++i) r[i] = 0xDEAD; // no row's word
              for (const RegisterMap::Row& row : rows) {
                  const QStringList words = row.example().split(' ');
                  r[row.address()] = words[0].toUShort(nullptr, 16);
                  r[row.address() + 1] = words[1].toUShort(nullptr, 16);
              }
          })
    {
    }
};

// The value two registers hold, read the way a MODBUS master reads the row's type and order.
double valueOf(const uint16_t words[2], const RegisterMap::Row& row)
{
    const bool abcd = row.wordOrder() == u"ABCD";
    if (row.type() == u"uint32") return abcd ? double(uint32_t(words[0]) << 16 | words[1]) : double(uint32_t(words[1]) << 16 | words[0]);
    const float f = abcd ? modbus_get_float_abcd(words) : modbus_get_float_cdab(words);
    return row.type() == u"float32 magnitude" ? std::fabs(f) : f;
}

} // namespace

class TestRegmapInterop : public QObject {
    Q_OBJECT

private slots:
    void libmodbusReadsOneHundredFromEveryRow()
    {
        const RegisterMap::Map map = RegisterMap::build(mapProfile());
        QCOMPARE(map.rows.size(), size_t(15));
        PtyPair pty;
        Slave slave(pty.master(), map.rows);
        modbus_t* master = modbus_new_rtu(pty.slavePath().c_str(), 9600, 'N', 8, 1);
        QVERIFY(master);
        modbus_set_slave(master, 17);
        modbus_set_response_timeout(master, 3, 0);
        QCOMPARE(modbus_connect(master), 0);
        for (const RegisterMap::Row& row : map.rows) {
            QCOMPARE(row.count, 2);
            QCOMPARE(row.function, 3); // modbus_read_registers reads holding registers
            uint16_t words[2] = {};
            QCOMPARE(modbus_read_registers(master, row.address(), row.count, words), 2);
            QVERIFY2(valueOf(words, row) == 100.0, qPrintable(QStringLiteral("register %1 (%2 %3): %4")
                                                                  .arg(row.holdingRegister())
                                                                  .arg(row.type(), row.wordOrder())
                                                                  .arg(valueOf(words, row))));
        }
        modbus_close(master);
        modbus_free(master);
    }
};

QTEST_MAIN(TestRegmapInterop)
#include "test_regmap_interop.moc"
