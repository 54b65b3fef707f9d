// RAPID text without a window: the tokeniser, the three declarations, the
// number formats and the work-object report, against hand-worked values.
#include "rapid/rapidparser.h"
#include "support/refmath.h"
#include <QtTest>
#include <cmath>
using rapid::TextError;
namespace {
// A row-major reference matrix stored column-major, as the parser's output.
Matrix4 columnOf(const ref::M &rowMajor)
{
    Matrix4 m{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[std::size_t(4 * c + r)] = float(rowMajor[std::size_t(4 * r + c)]);
    return m;
}
ref::M rotY(double deg)
{
    const double t = deg * M_PI / 180, c = std::cos(t), s = std::sin(t);
    return {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1};
}
Matrix4 at(float x, float y, float z)
{
    return columnOf(ref::trans(x, y, z));
}
void compareMatrix(const Matrix4 &actual, const Matrix4 &expected, float tolerance)
{
    for (std::size_t k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(actual[k] - expected[k]) <= tolerance, qPrintable(QString::number(k)));
}
} // namespace
class TestRapidParser : public QObject
{
    Q_OBJECT
private slots:
    void tokens_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("numbers"); // as QString::number writes them
        QTest::newRow("keywords and names")
            << "PERS tooldata tool1:=[TRUE,\"ROB_1\",x2, 1.5, -2e1, +3, .25, 9E+09, 7.]"
            << "1.5 -20 3 0.25 9e+09 7";
        // Non-finite numbers keep their place; below float's range is zero.
        QTest::newRow("non-finite") << "[1, nan, 1e39, -inf, Infinity, -1e400, 1e-50, 8]"
                                    << "1 nan inf -inf inf -inf 0 8";
        // Too small for a double is zero, with its sign; too large is infinite.
        QTest::newRow("underflow") << "[1e-400, -1e-400, 0.00001e-305, 123456789e-400, 0.0e99999, "
                                      "1e400, -100000000000e-315, 1000e-400, 0.000e-99999]"
                                   << "0 -0 0 0 0 inf -0 0 0";
    }
    void tokens()
    {
        QFETCH(QString, text);
        QFETCH(QString, numbers);
        QStringList got;
        for (float v : rapid::tokenizeNumbers(text))
            got << (std::signbit(v) && v == 0 ? QStringLiteral("-0") : QString::number(double(v)));
        QCOMPARE(got.join(' '), numbers);
        // Only the first 21 numbers are kept.
        QCOMPARE(int(rapid::tokenizeNumbers(text + QString(" 1").repeated(30)).size()),
                 rapid::kMaxNumbers);
    }
    void toolInAnyBracketing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("RAPID") << "[[100, 0, 50], [1, 0, 0, 0]]";
        QTest::newRow("declaration")
            << "PERS tooldata pen:=[TRUE,[[100,0,50],[1,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]];";
        QTest::newRow("no brackets") << "100 0 50 1 0 0 0";
        QTest::newRow("unbalanced") << "100,0,50]],[[[1,0,0,0";
    }
    void toolInAnyBracketing()
    {
        QFETCH(QString, text);
        Matrix4 tool;
        QCOMPARE(rapid::parseTool(text, tool), TextError::None);
        compareMatrix(tool, at(100, 0, 50), 1e-6f);
    }
    void quaternionAndAngleAxis()
    {
        // 90 degrees about z: x goes to y, y to -x.
        const Matrix4 expected = columnOf(ref::mul(ref::trans(1, 2, 3), ref::rotZ(90)));
        Matrix4 m;
        QCOMPARE(rapid::poseFromNumbers({1, 2, 3, 0.7071068f, 0, 0, 0.7071068f}, 0, m),
                 TextError::None);
        compareMatrix(m, expected, 1e-6f);
        // Not of unit length: an angle in degrees and an axis of any length.
        QCOMPARE(rapid::poseFromNumbers({1, 2, 3, 90, 0, 0, 5}, 0, m), TextError::None);
        compareMatrix(m, expected, 1e-6f);
        // A quaternion typed with few decimals is still a quaternion.
        QCOMPARE(rapid::poseFromNumbers({0, 0, 0, 0.707f, 0, 0.707f, 0}, 0, m), TextError::None);
        compareMatrix(m, columnOf(rotY(90)), 1e-4f);
        QCOMPARE(rapid::poseFromNumbers({9, 9, 1, 2, 3, 1, 0, 0}, 2, m), TextError::TooFewNumbers);
    }
    void unsafePoses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        QTest::newRow("six numbers") << "[[1,2,3],[1,0,0]]" << int(TextError::TooFewNumbers);
        QTest::newRow("nan position") << "[[nan,0,0],[1,0,0,0]]" << int(TextError::NotFinite);
        QTest::newRow("inf quaternion") << "[[0,0,0],[inf,0,0,0]]" << int(TextError::NotFinite);
        QTest::newRow("float overflow") << "[[1e39,0,0],[1,0,0,0]]" << int(TextError::NotFinite);
        QTest::newRow("huge position") << "[[2e5,0,0],[1,0,0,0]]" << int(TextError::OutOfRange);
        QTest::newRow("huge angle") << "[[0,0,0],[1e30,0,0,1]]" << int(TextError::OutOfRange);
        QTest::newRow("nan object")
            << "[[0,0,0],[1,0,0,0]],[[0,nan,0],[1,0,0,0]]" << int(TextError::NotFinite);
    }
    void unsafePoses()
    {
        QFETCH(QString, text);
        QFETCH(int, error);
        const Matrix4 before = at(1, 2, 3);
        Matrix4 m = before, user = before, object = before;
        QCOMPARE(int(rapid::parseWorkObject(text, user, object)), error);
        QVERIFY(user == before && object == before); // nothing written on a refusal
        if (text.contains(QLatin1String("]],[[")))
            return; // a second frame is a work object's only
        QCOMPARE(int(rapid::parseTool(text, m)), error);
        ConfData conf{3, 0, 0, 0};
        TextError e = TextError::None;
        QCOMPARE(rapid::parseRobtarget(text, m, conf, &e), -2);
        QCOMPARE(int(e), error);
        QVERIFY(m == before && conf.cf1 == 3.0f);
    }
    void workObjectIsUserTimesObject()
    {
        // User frame turned 90 degrees about z at (100, 0, 0); object frame 200
        // along the user frame's y, which the turn points along World -x.
        Matrix4 user, object;
        QCOMPARE(rapid::parseWorkObject("[FALSE, TRUE, \"\", [[100,0,0],[0.7071068,0,0,0.7071068]],"
                                        "[[0,200,0],[1,0,0,0]]]",
                                        user, object),
                 TextError::None);
        const ref::M turned = ref::mul(ref::trans(100, 0, 0), ref::rotZ(90));
        compareMatrix(toolbox::transpose(rapid::workObjectFrame(user, object)),
                      columnOf(ref::mul(turned, ref::trans(0, 200, 0))), 1e-3f);
        // A second frame of fewer than seven numbers: the object frame is the identity.
        QCOMPARE(rapid::parseWorkObject("[[100,0,0],[0.7071068,0,0,0.7071068]],[[1,2,3],[1,0,0]]",
                                        user, object),
                 TextError::None);
        compareMatrix(toolbox::transpose(rapid::workObjectFrame(user, object)), columnOf(turned),
                      1e-6f);
    }
    void robtargets_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("conf"); // cf1 cf4 cf6 cfx after the call, from 7 7 7 7
        const int none = int(TextError::None);
        QTest::newRow("pose only") << "[[400,10,500],[0,0,1,0]]" << -1 << none << "0 0 0 0";
        // Ten numbers still lack the fourth configuration value.
        QTest::newRow("configuration")
            << "[[400,10,500],[0,0,1,0],[-2,1,-3,5]]" << 0 << none << "-2 1 -3 5";
        // External axes are not ours to check.
        QTest::newRow("external axes")
            << "[[400,10,500],[0,0,1,0],[0,0,0,1],[nan,inf,1e39,9E9]]" << 0 << none << "0 0 0 1";
        QTest::newRow("too few") << "[[400,10,500],[0,0,1]]" << -2 << int(TextError::TooFewNumbers)
                                 << "7 7 7 7";
        QTest::newRow("nan conf") << "[[400,10,500],[0,0,1,0],[0,nan,0,1]]" << -2
                                  << int(TextError::NotFinite) << "7 7 7 7";
        QTest::newRow("huge conf") << "[[400,10,500],[0,0,1,0],[0,0,-1e9,1]]" << -2
                                   << int(TextError::OutOfRange) << "7 7 7 7";
    }
    void robtargets()
    {
        QFETCH(QString, text);
        QFETCH(int, result);
        QFETCH(int, error);
        QFETCH(QString, conf);
        Matrix4 pose = at(7, 7, 7);
        ConfData c{7, 7, 7, 7};
        TextError e = TextError::ZeroQuaternion;
        QCOMPARE(rapid::parseRobtarget(text, pose, c, &e), result);
        QCOMPARE(int(e), error);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(c.cf1).arg(c.cf4).arg(c.cf6).arg(c.cfx), conf);
        QCOMPARE(pose[12], result == -2 ? 7.0f : 400.0f);
        QCOMPARE(rapid::parseRobtarget(text, pose, c, nullptr), result); // no error wanted
    }
    void numberFormats()
    {
        QCOMPARE(rapid::fixed(100, 5), QStringLiteral("100.00000"));
        QCOMPARE(rapid::fixed(-0.000001, 5), QStringLiteral("0.00000"));
        QCOMPARE(rapid::fixed(-0.000051, 4), QStringLiteral("-0.0001"));
        // Row-major frames are shown through their column-major form.
        const Matrix4 hb = toolbox::transpose(at(10, -20, 30.125f));
        QCOMPARE(rapid::workObjectText(hb),
                 QStringLiteral("[[10.00000,-20.00000,30.12500],[1.0000000,0.0000000,0.0000000,"
                                "0.0000000]],[[0, 0, 0],[1, 0, 0, 0]]"));
        QCOMPARE(rapid::toolText(hb), QStringLiteral("[10.00000,-20.00000,30.12500],[1.0000000,"
                                                     "0.0000000,0.0000000,0.0000000]"));
        // Half a turn about y: the quaternion (0, 0, 1, 0).
        const ConfData conf{-2, -0.0f, -3, 5};
        QCOMPARE(rapid::robtargetText(columnOf(rotY(180)), conf),
                 QStringLiteral("[[0.00000,0.00000,0.00000],[0.0000000,0.0000000,1.0000000,"
                                "0.0000000],[-2,0,-3,5],[9E9,9E9,9E9,9E9,9E9,9E9]];"));
    }
    void generatedTextsReadBack()
    {
        // A frame turned 30 degrees about y at (12.5, -40, 300).
        const Matrix4 column = columnOf(ref::mul(ref::trans(12.5, -40, 300), rotY(30)));
        const Matrix4 row = toolbox::transpose(column);
        Matrix4 tool, user, object, pose;
        QCOMPARE(rapid::parseTool(rapid::toolText(row), tool), TextError::None);
        compareMatrix(tool, column, 1e-5f);
        QCOMPARE(rapid::parseWorkObject(rapid::workObjectText(row), user, object), TextError::None);
        compareMatrix(toolbox::transpose(rapid::workObjectFrame(user, object)), column, 1e-5f);
        const ConfData conf{-1, 2, -4, 3};
        ConfData back;
        QCOMPARE(rapid::parseRobtarget(rapid::robtargetText(column, conf), pose, back, nullptr), 0);
        compareMatrix(pose, column, 1e-5f);
        QVERIFY(back.cf1 == -1 && back.cf4 == 2 && back.cf6 == -4 && back.cfx == 3);
    }
    void xyzwprAngles()
    {
        // w about z, then p about the new y, then r about the newest x.
        const ref::M r = ref::mul(ref::mul(ref::mul(ref::trans(1, 2, 3), ref::rotZ(30)), rotY(20)),
                                  ref::rotX(10));
        std::array<double, 6> v = rapid::xyzwpr(columnOf(r));
        const std::array<double, 6> expected{1, 2, 3, 30, 20, 10};
        for (std::size_t i = 0; i < 6; ++i)
            QVERIFY2(std::fabs(v[i] - expected[i]) < 1e-4, qPrintable(QString::number(v[i])));
        // Pitch of -90 or +90: the turn about the common axis is reported as w.
        for (const double pitch : {-90.0, 90.0}) {
            v = rapid::xyzwpr(columnOf(ref::mul(rotY(pitch), ref::rotX(40))));
            QVERIFY(std::fabs(v[3] + pitch / 90 * 40) < 1e-4 && v[4] == pitch && v[5] == 0.0);
        }
    }
    void reports()
    {
        const QStringList expected{
            "USER FRAME:",
            "[x y z w p r] : [100.00000  0.00000  0.00000  0.00000  0.00000  0.00000]",
            "",
            "OBJECT FRAME:",
            "[x y z w p r] : [0.00000  200.00000  0.00000  0.00000  0.00000  0.00000]",
            "",
            "WORK OBJECT:",
            "[x y z w p r] : [100.00000  200.00000  0.00000  0.00000  0.00000  0.00000]",
            "Equivalent Work Object:",
            "[[100.00000,200.00000,0.00000],[1.0000000,0.0000000,0.0000000,0.0000000]],"
            "[[0,0,0],[1,0,0,0]]"};
        QCOMPARE(rapid::workObjectReport(at(100, 0, 0), at(0, 200, 0)), expected);
    }
    void zeroOrientationIsTheIdentity()
    {
        // Four zeros (or denormals) cannot be normalised: the identity, and the
        // caller learns that it was taken.
        for (const char *text : {"[[1,2,3],[0,0,0,0]]", "[[1,2,3],[1e-40,0,0,-1e-40]]"}) {
            bool tool = false, wobj = false, target = false;
            Matrix4 m, user, object;
            ConfData conf;
            QCOMPARE(rapid::parseTool(QLatin1String(text), m, &tool), TextError::None);
            compareMatrix(m, at(1, 2, 3), 0.0f);
            QCOMPARE(rapid::parseWorkObject(QLatin1String(text), user, object, &wobj),
                     TextError::None);
            QCOMPARE(rapid::parseRobtarget(QLatin1String(text), m, conf, nullptr, &target), -1);
            QVERIFY(tool && wobj && target);
        }
    }
};
QTEST_APPLESS_MAIN(TestRapidParser)
#include "tst_rapidparser.moc"
