// LAN numbers and the controller's replies without a socket, against byte
// patterns worked out by hand from the field layout: A = I + 10000 in two
// bytes, B = F + 1000000 in three, big-endian.
#include "links/lanreply.h"

#include <QtTest>
#include <cmath>
#include <limits>

namespace {

QByteArray hexOf(const lan::Number &n)
{
    return QByteArray(reinterpret_cast<const char *>(n.data()), int(n.size())).toHex();
}

const QByteArray kNine = QByteArray::fromHex("27190f4240");
// 0, 90.25, -1.5, 1, 12, -0.5
const QByteArray kJoints =
    QByteArray::fromHex("27100f4240276a1312d0270f07a12027110f4240271c0f4240271007a120");

} // namespace

class TestLanNumber : public QObject
{
    Q_OBJECT
private slots:
    void encodes_data();
    void encodes();
    void decodesEveryPattern();
    void roundTripKeepsHundredths();
    void echoIsFoundOnlyWithinItsAllowance_data();
    void echoIsFoundOnlyWithinItsAllowance();
};

void TestLanNumber::encodes_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<int>("fit");
    const int exact = int(lan::Fit::Exact), clamped = int(lan::Fit::Clamped);
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("0") << 0.0 << QByteArray("27100f4240") << exact;
    QTest::newRow("-1") << -1.0 << QByteArray("270f0f4240") << exact;
    QTest::newRow("-1.5") << -1.5 << QByteArray("270f07a120") << exact;
    // -0.5: the integer part truncates to 0, so A = 10000 and B = 500000.
    QTest::newRow("-0.5") << -0.5 << QByteArray("271007a120") << exact;
    QTest::newRow("90.25") << 90.25 << QByteArray("276a1312d0") << exact;
    // -90.125: A = 9910 = 0x26B6, B = 875000 = 0x0D59F8.
    QTest::newRow("-90.125") << -90.125 << QByteArray("26b60d59f8") << exact;
    QTest::newRow("55535.5") << 55535.5 << QByteArray("ffff16e360") << exact;
    // Down to -10000.999999 the integer part stays -10000 (A = 0).
    QTest::newRow("-10000.75") << -10000.75 << QByteArray("000003d090") << exact;
    // 2.3 is held as 2.2999999999999998: still B = 1300000, not a millionth less.
    QTest::newRow("2.3") << 2.3 << QByteArray("271213d620") << exact;
    QTest::newRow("-7.1") << -7.1 << QByteArray("27090dbba0") << exact;
    // Millionths truncate toward zero: 0.9 of one is dropped.
    QTest::newRow("1.0000009") << 1.0000009 << QByteArray("27110f4240") << exact;
    QTest::newRow("-2.0000019") << -2.0000019 << QByteArray("270e0f423f") << exact;
    // Unclamped, 55536 would wrap A to 0 and arrive as -10000, -10001 as 55535.
    QTest::newRow("55536") << 55536.0 << QByteArray("ffff1e847f") << clamped;
    QTest::newRow("+inf") << inf << QByteArray("ffff1e847f") << clamped;
    QTest::newRow("-10001") << -10001.0 << QByteArray("0000000001") << clamped;
    QTest::newRow("-inf") << -inf << QByteArray("0000000001") << clamped;
    // NaN is refused and nothing is written over the old bytes.
    QTest::newRow("nan") << std::nan("") << QByteArray("0102030405") << int(lan::Fit::Refused);
}

void TestLanNumber::encodes()
{
    QFETCH(double, value);
    QFETCH(QByteArray, hex);
    QFETCH(int, fit);
    lan::Number n{1, 2, 3, 4, 5};
    QCOMPARE(int(lan::encode(value, n)), fit);
    QCOMPARE(hexOf(n), hex);
}

void TestLanNumber::decodesEveryPattern()
{
    auto decodeHex = [](const char *hex) {
        const QByteArray b = QByteArray::fromHex(hex);
        return lan::decode(reinterpret_cast<const std::uint8_t *>(b.constData()));
    };
    // A = 10001, B = 1000001: one and a millionth; A = 9999, B = 999999.
    QVERIFY(std::fabs(decodeHex("27110f4241") - 1.000001) < 1e-9);
    QVERIFY(std::fabs(decodeHex("270f0f423f") + 1.000001) < 1e-9);
    // The extremes of what a peer could send are finite.
    QCOMPARE(decodeHex("0000000000"), -10001.0);
    QVERIFY(std::fabs(decodeHex("ffffffffff") - 55550.777215) < 1e-9);
}

void TestLanNumber::roundTripKeepsHundredths()
{
    // Hundredths of a degree, as the panel makes them, are whole millionths.
    for (int h = -72000; h <= 72000; h += 7) {
        const double v = h / 100.0;
        lan::Number n{};
        QCOMPARE(lan::encode(v, n), lan::Fit::Exact);
        QVERIFY2(std::fabs(lan::decode(n) - v) <= 1e-9, qPrintable(QString::number(v)));
    }
}

void TestLanNumber::echoIsFoundOnlyWithinItsAllowance_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("found");
    QTest::newRow("echo at once") << kNine + kJoints << true;
    QTest::newRow("one stray byte") << QByteArray::fromHex("55") + kNine + kJoints << true;
    // The window 27 19 0F 42 27 reads 8.999975: no echo; the real one follows.
    QTest::newRow("false echo first") << QByteArray::fromHex("27190f42") + kNine + kJoints << true;
    QTest::newRow("30 stray bytes") << QByteArray(30, '\0') + kNine + kJoints << true;
    QTest::newRow("31 stray bytes") << QByteArray(31, '\0') + kNine + kJoints << false;
    // Zero bytes decode to -10001 however the window slides.
    QTest::newRow("only zeros") << QByteArray(200, '\0') << false;
}

void TestLanNumber::echoIsFoundOnlyWithinItsAllowance()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, found);
    const QByteArray tail("after");
    const QByteArray all = reply + tail;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(all.constData());
    // At once and one byte at a time: the same reply, and what follows is left.
    for (const std::size_t piece : {std::size_t(all.size()), std::size_t(1)}) {
        lan::JointsReply r;
        std::size_t used = 0;
        while (used < std::size_t(all.size())) {
            const std::size_t n = r.feed(bytes + used, std::min(piece, all.size() - used));
            if (n == 0)
                break;
            used += n;
        }
        if (!found) {
            QCOMPARE(r.status(), lan::JointsReply::Status::NoEcho);
            QCOMPARE(r.scanned(), lan::JointsReply::kMaxSyncBytes);
            continue;
        }
        QCOMPARE(r.status(), lan::JointsReply::Status::Done);
        QCOMPARE(all.mid(int(used)), tail);
        QCOMPARE(r.joints(), (std::array<double, 6>{0, 90.25, -1.5, 1, 12, -0.5}));
    }
}

QTEST_GUILESS_MAIN(TestLanNumber)
#include "tst_lannumber.moc"
