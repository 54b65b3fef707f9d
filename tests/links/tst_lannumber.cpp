// LAN numbers against byte patterns worked out by hand from the field
// layout: A = I + 10000 in two bytes, B = F + 1000000 in three, big-endian.
#include "links/lannumber.h"

#include <QtTest>
#include <cmath>
#include <limits>

namespace {

QByteArray bytesOf(const lan::Number &n)
{
    return QByteArray(reinterpret_cast<const char *>(n.data()), int(n.size()));
}

lan::Number numberFromHex(const char *hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    lan::Number n{};
    for (int k = 0; k < lan::kNumberSize; ++k)
        n[std::size_t(k)] = std::uint8_t(raw.at(k));
    return n;
}

} // namespace

class TestLanNumber : public QObject
{
    Q_OBJECT
private slots:
    void encodesExactly_data();
    void encodesExactly();
    void decodesExactly_data();
    void decodesExactly();
    void fractionsAreTruncatedTowardZero();
    void valuesOutOfRangeAreClamped_data();
    void valuesOutOfRangeAreClamped();
    void nanIsRefusedAndNothingIsWritten();
    void everyBytePatternDecodesToAFiniteValue();
    void roundTripKeepsMicroDegrees();
};

void TestLanNumber::encodesExactly_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("hex");
    // The examples of the message format.
    QTest::newRow("0") << 0.0 << QByteArray("27100f4240");
    QTest::newRow("1") << 1.0 << QByteArray("27110f4240");
    QTest::newRow("-1") << -1.0 << QByteArray("270f0f4240");
    QTest::newRow("-1.5") << -1.5 << QByteArray("270f07a120");
    QTest::newRow("9") << 9.0 << QByteArray("27190f4240");
    QTest::newRow("12") << 12.0 << QByteArray("271c0f4240");
    // -0.5: the integer part truncates to 0, so A = 10000 and B = 500000.
    QTest::newRow("-0.5") << -0.5 << QByteArray("271007a120");
    QTest::newRow("90.25") << 90.25 << QByteArray("276a1312d0");
    // 0.75: A = 10000 = 0x2710, B = 1750000 = 0x1AB3F0.
    QTest::newRow("0.75") << 0.75 << QByteArray("27101ab3f0");
    // -90.125: A = 9910 = 0x26B6, B = 875000 = 0x0D59F8.
    QTest::newRow("-90.125") << -90.125 << QByteArray("26b60d59f8");
    // The ends of the range: A = 0 and A = 65535.
    QTest::newRow("-10000") << -10000.0 << QByteArray("00000f4240");
    QTest::newRow("55535") << 55535.0 << QByteArray("ffff0f4240");
    // 55535.5: B = 1500000 = 0x16E360.
    QTest::newRow("55535.5") << 55535.5 << QByteArray("ffff16e360");
    // Below -10000 the integer part stays -10000 (A = 0) down to
    // -10000.999999: B = 1000000 - 500000 and 1000000 - 750000.
    QTest::newRow("-10000.5") << -10000.5 << QByteArray("000007a120");
    QTest::newRow("-10000.75") << -10000.75 << QByteArray("000003d090");
    // 2.3 is held as 2.2999999999999998: still B = 1300000 = 0x13D620, not
    // one millionth less.
    QTest::newRow("2.3") << 2.3 << QByteArray("271213d620");
    QTest::newRow("-7.1") << -7.1 << QByteArray("27090dbba0");
}

void TestLanNumber::encodesExactly()
{
    QFETCH(double, value);
    QFETCH(QByteArray, hex);
    lan::Number n{};
    QCOMPARE(lan::encode(value, n), lan::Fit::Exact);
    QCOMPARE(bytesOf(n).toHex(), hex);
}

void TestLanNumber::decodesExactly_data()
{
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<double>("value");
    QTest::newRow("0") << QByteArray("27100f4240") << 0.0;
    QTest::newRow("-1.5") << QByteArray("270f07a120") << -1.5;
    QTest::newRow("9") << QByteArray("27190f4240") << 9.0;
    QTest::newRow("90.25") << QByteArray("276a1312d0") << 90.25;
    QTest::newRow("-0.5") << QByteArray("271007a120") << -0.5;
    // A = 10001, B = 1000001: one and one millionth.
    QTest::newRow("1.000001") << QByteArray("27110f4241") << 1.000001;
    // A = 9999, B = 999999: -1 - 0.000001.
    QTest::newRow("-1.000001") << QByteArray("270f0f423f") << -1.000001;
}

void TestLanNumber::decodesExactly()
{
    QFETCH(QByteArray, hex);
    QFETCH(double, value);
    const double got = lan::decode(numberFromHex(hex.constData()));
    QVERIFY2(std::fabs(got - value) < 1e-9, qPrintable(QString::number(got, 'f', 9)));
}

void TestLanNumber::fractionsAreTruncatedTowardZero()
{
    lan::Number n{};
    // 0.9 millionths is dropped, not rounded up to one.
    QCOMPARE(lan::encode(1.0000009, n), lan::Fit::Exact);
    QCOMPARE(bytesOf(n).toHex(), QByteArray("27110f4240"));
    // -2.0000019: I = -2 (A = 9998), F = -1 (B = 999999), toward zero.
    QCOMPARE(lan::encode(-2.0000019, n), lan::Fit::Exact);
    QCOMPARE(bytesOf(n).toHex(), QByteArray("270e0f423f"));
}

void TestLanNumber::valuesOutOfRangeAreClamped_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("aBytes");
    QTest::addColumn<double>("decoded");
    const double inf = std::numeric_limits<double>::infinity();
    // Without clamping, 55536 would wrap A to 0 and arrive as -10000.
    QTest::newRow("55536") << 55536.0 << QByteArray("ffff") << 55535.999999;
    QTest::newRow("70000") << 70000.0 << QByteArray("ffff") << 55535.999999;
    QTest::newRow("+inf") << inf << QByteArray("ffff") << 55535.999999;
    // Without clamping, -10001 would wrap A to 65535 and arrive as 55535.
    QTest::newRow("-10001") << -10001.0 << QByteArray("0000") << -10000.999999;
    QTest::newRow("-20000") << -20000.0 << QByteArray("0000") << -10000.999999;
    QTest::newRow("-inf") << -inf << QByteArray("0000") << -10000.999999;
}

void TestLanNumber::valuesOutOfRangeAreClamped()
{
    QFETCH(double, value);
    QFETCH(QByteArray, aBytes);
    QFETCH(double, decoded);
    lan::Number n{};
    QCOMPARE(lan::encode(value, n), lan::Fit::Clamped);
    QCOMPARE(bytesOf(n).left(2).toHex(), aBytes);
    QVERIFY2(std::fabs(lan::decode(n) - decoded) < 2e-6,
             qPrintable(QString::number(lan::decode(n), 'f', 6)));
}

void TestLanNumber::nanIsRefusedAndNothingIsWritten()
{
    lan::Number n = numberFromHex("0102030405");
    QCOMPARE(lan::encode(std::nan(""), n), lan::Fit::Refused);
    QCOMPARE(bytesOf(n).toHex(), QByteArray("0102030405"));
}

void TestLanNumber::everyBytePatternDecodesToAFiniteValue()
{
    // The extremes of what a peer could send.
    QCOMPARE(lan::decode(numberFromHex("0000000000")), -10001.0);
    QVERIFY(std::fabs(lan::decode(numberFromHex("ffffffffff")) - 55550.777215) < 1e-9);
}

void TestLanNumber::roundTripKeepsMicroDegrees()
{
    // Joint values as the panel produces them, hundredths of a degree over
    // a range wider than any axis.
    for (int h = -72000; h <= 72000; h += 7) {
        const double v = h / 100.0;
        lan::Number n{};
        QCOMPARE(lan::encode(v, n), lan::Fit::Exact);
        const double back = lan::decode(n);
        // Hundredths are whole millionths: nothing of them is lost.
        QVERIFY2(std::fabs(back - v) <= 1e-9, qPrintable(QString::number(v)));
        // Truncation toward zero: never further from zero than the value.
        QVERIFY(std::fabs(back) <= std::fabs(v) + 1e-12);
    }
}

QTEST_GUILESS_MAIN(TestLanNumber)
#include "tst_lannumber.moc"
