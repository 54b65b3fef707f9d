// RAPID text without a window: the tokeniser, the three declarations, the
// number formats and the work-object report, against hand-worked values.
#include "rapid/rapidparser.h"
#include "support/refmath.h"

#include <QtTest>
#include <cmath>
#include <random>

using rapid::TextError;

namespace {

const QString kInitialTool = QStringLiteral(
    "PERS tooldata tool1:= [TRUE, [[0, 0, 0], [1, 0, 0, 0]], [0.001, [0, 0, 0.001],[1, 0, 0, 0], "
    "0, 0, 0]];");
const QString kInitialWorkObject = QStringLiteral(
    "PERS wobjdata wobj1 := [FALSE, TRUE, \"\", [[0, 0, 0],[1, 0, 0, 0]],[[0, 0, 0],[1, 0, 0, "
    "0]]];");
const QString kInitialTarget =
    QStringLiteral("PERS robtarget target1:=[[0, 0, 0],[1, 0, 0, 0],[0, 0, 0, "
                   "0],[9E+09,9E+09,9E+09,9E+09,9E+09,9E+09]];");

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

void compareMatrix(const Matrix4 &actual, const Matrix4 &expected, float tolerance)
{
    for (std::size_t k = 0; k < 16; ++k)
        QVERIFY2(std::fabs(actual[k] - expected[k]) <= tolerance,
                 qPrintable(QStringLiteral("element %1: %2 vs %3")
                                .arg(k)
                                .arg(double(actual[k]))
                                .arg(double(expected[k]))));
}

Matrix4 translationColumn(float x, float y, float z)
{
    Matrix4 m = toolbox::identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

} // namespace

class TestRapidParser : public QObject
{
    Q_OBJECT
private slots:
    void initialTextsParse();
    void toolInAnyBracketing_data();
    void toolInAnyBracketing();
    void keywordsAndNamesAreSkipped();
    void onlyTwentyOneNumbersAreKept();
    void nonFiniteNumbersKeepTheirPlace();
    void quaternionAndAngleAxis();
    void unsafePoses_data();
    void unsafePoses();
    void workObjectWithOnlyTheUserFrame();
    void workObjectIsUserTimesObject();
    void robtargetResults();
    void unsafeConfigurationData();
    void numberFormats();
    void generatedTextsReadBack();
    void xyzwprAngles();
    void reportParagraphs();
    void reportOfARotatedUserFrame();
    void randomTextsAreSafe();
    void underflowIsZeroAndZeroOrientationIsTheIdentity();
};

void TestRapidParser::initialTextsParse()
{
    // 7 frame numbers, the mass, 3 for the centre of gravity, 4 for the
    // axes of moment and 3 moments: 18.
    QCOMPARE(int(rapid::tokenizeNumbers(kInitialTool).size()), 18);
    QCOMPARE(int(rapid::tokenizeNumbers(kInitialWorkObject).size()), 14);
    QCOMPARE(int(rapid::tokenizeNumbers(kInitialTarget).size()), 17);

    Matrix4 tool;
    QCOMPARE(rapid::parseTool(kInitialTool, tool), TextError::None);
    compareMatrix(tool, toolbox::identity(), 1e-7f);

    Matrix4 user, object;
    QCOMPARE(rapid::parseWorkObject(kInitialWorkObject, user, object), TextError::None);
    compareMatrix(rapid::workObjectFrame(user, object), toolbox::identity(), 1e-7f);

    Matrix4 pose;
    ConfData conf;
    conf.cf1 = 7;
    TextError e = TextError::OutOfRange;
    QCOMPARE(rapid::parseRobtarget(kInitialTarget, pose, conf, &e), 0);
    QCOMPARE(e, TextError::None);
    compareMatrix(pose, toolbox::identity(), 1e-7f);
    QCOMPARE(conf.cf1, 0.0f);
    QCOMPARE(conf.cf4, 0.0f);
    QCOMPARE(conf.cf6, 0.0f);
    QCOMPARE(conf.cfx, 0.0f);
}

void TestRapidParser::toolInAnyBracketing_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("RAPID") << "[[100, 0, 50], [1, 0, 0, 0]]";
    QTest::newRow("declaration")
        << "PERS tooldata pen:=[TRUE,[[100,0,50],[1,0,0,0]],[1,[0,0,1],[1,0,0,0],0,0,0]];";
    QTest::newRow("no brackets") << "100 0 50 1 0 0 0";
    QTest::newRow("unbalanced") << "100,0,50]],[[[1,0,0,0";
    QTest::newRow("tabs and semicolons") << "100\t0;50;;1\t\t0 , 0 ,0";
    QTest::newRow("only opening") << "[[[[[100,[0,[50,[1,[0,[0,[0";
}

void TestRapidParser::toolInAnyBracketing()
{
    QFETCH(QString, text);
    Matrix4 tool;
    QCOMPARE(rapid::parseTool(text, tool), TextError::None);
    compareMatrix(tool, translationColumn(100, 0, 50), 1e-6f);
}

void TestRapidParser::keywordsAndNamesAreSkipped()
{
    const std::vector<float> n = rapid::tokenizeNumbers(
        QStringLiteral("PERS tooldata tool1:=[TRUE,\"ROB_1\",x2, 1.5, -2e1, +3, .25, 9E+09, 7.]"));
    const std::vector<float> expected{1.5f, -20.0f, 3.0f, 0.25f, 9e9f, 7.0f};
    QCOMPARE(n, expected);
    // Digits of other scripts are words here, not numbers.
    QCOMPARE(rapid::tokenizeNumbers(QString::fromUtf8("\xd9\xa1\xd9\xa2, 5")),
             std::vector<float>{5.0f});
    QVERIFY(rapid::tokenizeNumbers(QString()).empty());
    QVERIFY(rapid::tokenizeNumbers(QStringLiteral("[[[ ]]];;, ,")).empty());
}

void TestRapidParser::onlyTwentyOneNumbersAreKept()
{
    QString text;
    for (int i = 1; i <= 40; ++i)
        text += QString::number(i) + QLatin1Char(',');
    text += QStringLiteral("nan");
    const std::vector<float> n = rapid::tokenizeNumbers(text);
    QCOMPARE(int(n.size()), 21);
    QCOMPARE(n.front(), 1.0f);
    QCOMPARE(n.back(), 21.0f);
}

void TestRapidParser::nonFiniteNumbersKeepTheirPlace()
{
    const std::vector<float> n =
        rapid::tokenizeNumbers(QStringLiteral("[1, nan, 1e39, -inf, Infinity, -1e400, 1e-50, 8]"));
    QCOMPARE(int(n.size()), 8);
    QCOMPARE(n[0], 1.0f);
    QVERIFY(std::isnan(n[1]));
    QVERIFY(std::isinf(n[2]) && n[2] > 0);
    QVERIFY(std::isinf(n[3]) && n[3] < 0);
    QVERIFY(std::isinf(n[4]) && n[4] > 0);
    QVERIFY(std::isinf(n[5]) && n[5] < 0);
    QCOMPARE(n[6], 0.0f); // below float's range: zero, not a lost place
    QCOMPARE(n[7], 8.0f);
}

void TestRapidParser::quaternionAndAngleAxis()
{
    // 90 degrees about z: x goes to y, y to -x.
    const Matrix4 expected = columnOf(ref::mul(ref::trans(1, 2, 3), ref::rotZ(90)));
    Matrix4 q, aa;
    QCOMPARE(rapid::poseFromNumbers({1, 2, 3, 0.7071068f, 0, 0, 0.7071068f}, 0, q),
             TextError::None);
    compareMatrix(q, expected, 1e-6f);
    // Not of unit length: an angle in degrees and an axis of any length.
    QCOMPARE(rapid::poseFromNumbers({1, 2, 3, 90, 0, 0, 5}, 0, aa), TextError::None);
    compareMatrix(aa, expected, 1e-6f);
    // A quaternion typed with few decimals is still a quaternion.
    QCOMPARE(rapid::poseFromNumbers({0, 0, 0, 0.707f, 0, 0.707f, 0}, 0, q), TextError::None);
    compareMatrix(q, columnOf(rotY(90)), 1e-4f);
    // Seven numbers starting further on.
    QCOMPARE(rapid::poseFromNumbers({9, 9, 1, 2, 3, 0.7071068f, 0, 0, 0.7071068f}, 2, q),
             TextError::None);
    compareMatrix(q, expected, 1e-6f);
    QCOMPARE(rapid::poseFromNumbers({9, 9, 1, 2, 3, 1, 0, 0}, 2, q), TextError::TooFewNumbers);
}

void TestRapidParser::unsafePoses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");
    QTest::newRow("six numbers") << "[[1,2,3],[1,0,0]]" << int(TextError::TooFewNumbers);
    QTest::newRow("empty") << "" << int(TextError::TooFewNumbers);
    QTest::newRow("only brackets") << "[[[[]]]]]]" << int(TextError::TooFewNumbers);
    QTest::newRow("nan position") << "[[nan,0,0],[1,0,0,0]]" << int(TextError::NotFinite);
    QTest::newRow("inf quaternion") << "[[0,0,0],[inf,0,0,0]]" << int(TextError::NotFinite);
    QTest::newRow("float overflow") << "[[1e39,0,0],[1,0,0,0]]" << int(TextError::NotFinite);
    QTest::newRow("huge position") << "[[0,2e5,0],[1,0,0,0]]" << int(TextError::OutOfRange);
    QTest::newRow("huge angle") << "[[0,0,0],[1e30,0,0,1]]" << int(TextError::OutOfRange);
    QTest::newRow("huge axis") << "[[0,0,0],[90,0,3e38,0]]" << int(TextError::OutOfRange);
}

void TestRapidParser::unsafePoses()
{
    QFETCH(QString, text);
    QFETCH(int, error);
    Matrix4 m = translationColumn(1, 2, 3);
    const Matrix4 before = m;
    QCOMPARE(int(rapid::parseTool(text, m)), error);
    QCOMPARE(m, before); // nothing written on a refusal
    Matrix4 user = before, object = before;
    QCOMPARE(int(rapid::parseWorkObject(text, user, object)), error);
    QCOMPARE(user, before);
    QCOMPARE(object, before);
    ConfData conf;
    conf.cf1 = 3;
    TextError e = TextError::None;
    QCOMPARE(rapid::parseRobtarget(text, m, conf, &e), -2);
    QCOMPARE(int(e), error);
    QCOMPARE(m, before);
    QCOMPARE(conf.cf1, 3.0f);
}

void TestRapidParser::workObjectWithOnlyTheUserFrame()
{
    Matrix4 user, object;
    QCOMPARE(rapid::parseWorkObject(QStringLiteral("[[10, 20, 30],[0.7071068, 0, 0, 0.7071068]]"),
                                    user, object),
             TextError::None);
    compareMatrix(object, toolbox::identity(), 0.0f);
    const Matrix4 w = rapid::workObjectFrame(user, object); // row-major
    QCOMPARE(w[3], 10.0f);
    QCOMPARE(w[7], 20.0f);
    QCOMPARE(w[11], 30.0f);
    QVERIFY(std::fabs(w[1] + 1.0f) < 1e-6f); // row 0, column 1: -sin 90
    QVERIFY(std::fabs(w[4] - 1.0f) < 1e-6f);
    // A second frame of fewer than seven numbers is no frame at all.
    QCOMPARE(rapid::parseWorkObject(QStringLiteral("[[10,20,30],[1,0,0,0]],[[1,2,3],[1,0,0]]"),
                                    user, object),
             TextError::None);
    compareMatrix(object, toolbox::identity(), 0.0f);
}

void TestRapidParser::workObjectIsUserTimesObject()
{
    // User frame turned 90 degrees about z at (100, 0, 0); object frame 200
    // along the user frame's y, which the turn points along World -x.
    Matrix4 user, object;
    QCOMPARE(rapid::parseWorkObject(
                 QStringLiteral("[FALSE, TRUE, \"\", [[100,0,0],[0.7071068,0,0,0.7071068]],"
                                "[[0,200,0],[1,0,0,0]]]"),
                 user, object),
             TextError::None);
    const Matrix4 w = rapid::workObjectFrame(user, object);
    QVERIFY(std::fabs(w[3] + 100.0f) < 1e-3f);
    QVERIFY(std::fabs(w[7]) < 1e-3f);
    QVERIFY(std::fabs(w[11]) < 1e-3f);
    // An unsafe object frame refuses the whole text.
    QCOMPARE(rapid::parseWorkObject(QStringLiteral("[[100,0,0],[1,0,0,0]],[[0,nan,0],[1,0,0,0]]"),
                                    user, object),
             TextError::NotFinite);
}

void TestRapidParser::robtargetResults()
{
    Matrix4 pose;
    ConfData conf;
    TextError e = TextError::NotFinite;
    QCOMPARE(rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1,0]]"), pose, conf, &e), -1);
    QCOMPARE(e, TextError::None);
    QCOMPARE(pose[12], 400.0f);
    QCOMPARE(conf.cf1 + conf.cf4 + conf.cf6 + conf.cfx, 0.0f);
    // Ten numbers still lack the fourth configuration value.
    QCOMPARE(
        rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1,0],[1,2,3]]"), pose, conf, &e),
        -1);
    QCOMPARE(rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1,0],[-2,1,-3,5]]"), pose,
                                   conf, &e),
             0);
    QCOMPARE(conf.cf1, -2.0f);
    QCOMPARE(conf.cf4, 1.0f);
    QCOMPARE(conf.cf6, -3.0f);
    QCOMPARE(conf.cfx, 5.0f);
    // External axes are not ours to check.
    QCOMPARE(rapid::parseRobtarget(
                 QStringLiteral("[[400,10,500],[0,0,1,0],[0,0,0,1],[nan,inf,1e39,9E9,9E9,9E9]]"),
                 pose, conf, &e),
             0);
    QCOMPARE(conf.cfx, 1.0f);
    QCOMPARE(rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1]]"), pose, conf, &e), -2);
    QCOMPARE(e, TextError::TooFewNumbers);
    QCOMPARE(rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1,0]]"), pose, conf, nullptr),
             -1);
}

void TestRapidParser::unsafeConfigurationData()
{
    Matrix4 pose = toolbox::identity();
    ConfData conf;
    conf.cf6 = 2;
    TextError e = TextError::None;
    QCOMPARE(rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1,0],[0,nan,0,1]]"), pose,
                                   conf, &e),
             -2);
    QCOMPARE(e, TextError::NotFinite);
    QCOMPARE(rapid::parseRobtarget(QStringLiteral("[[400,10,500],[0,0,1,0],[0,0,-1e9,1]]"), pose,
                                   conf, &e),
             -2);
    QCOMPARE(e, TextError::OutOfRange);
    QCOMPARE(pose, toolbox::identity());
    QCOMPARE(conf.cf6, 2.0f);
}

void TestRapidParser::numberFormats()
{
    QCOMPARE(rapid::fixed(100, 5), QStringLiteral("100.00000"));
    QCOMPARE(rapid::fixed(-0.000001, 5), QStringLiteral("0.00000"));
    QCOMPARE(rapid::fixed(-0.4, 0), QStringLiteral("0"));
    QCOMPARE(rapid::fixed(-1, 0), QStringLiteral("-1"));
    QCOMPARE(rapid::fixed(-0.000051, 4), QStringLiteral("-0.0001"));
    QCOMPARE(rapid::fixed(0.70710678, 7), QStringLiteral("0.7071068"));

    QCOMPARE(rapid::frameText(translationColumn(100, 200, -0.5f)),
             QStringLiteral("[100.00000,200.00000,-0.50000],[1.0000000,0.0000000,0.0000000,"
                            "0.0000000]"));
    // Row-major frames are shown through their column-major form.
    Matrix4 hb = toolbox::identity();
    hb[3] = 10;
    hb[7] = -20;
    hb[11] = 30.125f;
    QCOMPARE(rapid::workObjectText(hb),
             QStringLiteral("[[10.00000,-20.00000,30.12500],[1.0000000,0.0000000,0.0000000,"
                            "0.0000000]],[[0, 0, 0],[1, 0, 0, 0]]"));
    QCOMPARE(rapid::toolText(hb), QStringLiteral("[10.00000,-20.00000,30.12500],[1.0000000,"
                                                 "0.0000000,0.0000000,0.0000000]"));
    ConfData conf;
    conf.cf1 = -2;
    conf.cf4 = -0.0f;
    conf.cf6 = -3;
    conf.cfx = 5;
    QCOMPARE(rapid::robtargetText(columnOf(rotY(180)), conf),
             QStringLiteral("[[0.00000,0.00000,0.00000],[0.0000000,0.0000000,1.0000000,"
                            "0.0000000],[-2,0,-3,5],[9E9,9E9,9E9,9E9,9E9,9E9]];"));
}

void TestRapidParser::generatedTextsReadBack()
{
    // A frame turned 30 degrees about y at (12.5, -40, 300).
    const Matrix4 column = columnOf(ref::mul(ref::trans(12.5, -40, 300), rotY(30)));
    const Matrix4 row = toolbox::transpose(column);
    Matrix4 tool;
    QCOMPARE(rapid::parseTool(rapid::toolText(row), tool), TextError::None);
    compareMatrix(tool, column, 1e-5f);
    Matrix4 user, object;
    QCOMPARE(rapid::parseWorkObject(rapid::workObjectText(row), user, object), TextError::None);
    compareMatrix(toolbox::transpose(rapid::workObjectFrame(user, object)), column, 1e-5f);
    ConfData conf;
    conf.cf1 = -1;
    conf.cf4 = 2;
    conf.cf6 = -4;
    conf.cfx = 3;
    Matrix4 pose;
    ConfData back;
    QCOMPARE(rapid::parseRobtarget(rapid::robtargetText(column, conf), pose, back, nullptr), 0);
    compareMatrix(pose, column, 1e-5f);
    QCOMPARE(back.cf1, -1.0f);
    QCOMPARE(back.cf4, 2.0f);
    QCOMPARE(back.cf6, -4.0f);
    QCOMPARE(back.cfx, 3.0f);
}

void TestRapidParser::xyzwprAngles()
{
    // w about z, then p about the new y, then r about the newest x.
    const ref::M r =
        ref::mul(ref::mul(ref::mul(ref::trans(1, 2, 3), ref::rotZ(30)), rotY(20)), ref::rotX(10));
    std::array<double, 6> v = rapid::xyzwpr(columnOf(r));
    const std::array<double, 6> expected{1, 2, 3, 30, 20, 10};
    for (std::size_t i = 0; i < 6; ++i)
        QVERIFY2(std::fabs(v[i] - expected[i]) < 1e-4, qPrintable(QString::number(v[i])));
    // Pitch of -90: the turn about the common axis is reported as w.
    v = rapid::xyzwpr(columnOf(ref::mul(rotY(-90), ref::rotX(40))));
    QVERIFY(std::fabs(v[3] - 40) < 1e-4);
    QCOMPARE(v[4], -90.0);
    QCOMPARE(v[5], 0.0);
    v = rapid::xyzwpr(columnOf(ref::mul(rotY(90), ref::rotX(40))));
    QVERIFY(std::fabs(v[3] + 40) < 1e-4);
    QCOMPARE(v[4], 90.0);
    QCOMPARE(v[5], 0.0);
}

void TestRapidParser::reportParagraphs()
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
    QCOMPARE(rapid::workObjectReport(translationColumn(100, 0, 0), translationColumn(0, 200, 0)),
             expected);
}

void TestRapidParser::reportOfARotatedUserFrame()
{
    Matrix4 user, object;
    QCOMPARE(rapid::parseWorkObject(
                 QStringLiteral("[[100,0,0],[0.7071068,0,0,0.7071068]],[[0,200,0],[1,0,0,0]]"),
                 user, object),
             TextError::None);
    const QStringList report = rapid::workObjectReport(user, object);
    QCOMPARE(report.size(), 10);
    QCOMPARE(report.at(1), QStringLiteral("[x y z w p r] : [100.00000  0.00000  0.00000  90.00000  "
                                          "0.00000  0.00000]"));
    QCOMPARE(report.at(7), QStringLiteral("[x y z w p r] : [-100.00000  0.00000  0.00000  "
                                          "90.00000  0.00000  0.00000]"));
    QCOMPARE(report.at(9), QStringLiteral("[[-100.00000,0.00000,0.00000],[0.7071068,0.0000000,"
                                          "0.0000000,0.7071068]],[[0,0,0],[1,0,0,0]]"));
}

void TestRapidParser::randomTextsAreSafe()
{
    // Pasted garbage of every shape: numbers of any size, words, specials
    // and separators in any order. Whatever is accepted is a finite frame
    // within range; the rest is refused without writing anything.
    const QStringList specials{"nan",  "-inf",  "Infinity", "1e39",    "-1e400", "0",  "0.0", "1",
                               "TRUE", "FALSE", "\"\"",     "tool1:=", "PERS",   "e5", ".",   "-"};
    const QStringList separators{"[", "]", ",", ";", " ", "\t", "],[", "[[", "]]"};
    std::mt19937 random(20240613);
    std::uniform_int_distribution<int> kind(0, 9), count(0, 40), exponent(-45, 45);
    std::uniform_real_distribution<double> mantissa(-9.99, 9.99);
    int accepted = 0, withConfiguration = 0;
    for (int i = 0; i < 4000; ++i) {
        QString text;
        for (int n = count(random); n > 0; --n) {
            const int k = kind(random);
            if (k < 5)
                text += QString::number(mantissa(random), 'g', 6) +
                        (k == 0 ? QStringLiteral("e%1").arg(exponent(random)) : QString());
            else if (k < 7)
                text += specials.at(int(random() % unsigned(specials.size())));
            text += separators.at(int(random() % unsigned(separators.size())));
        }
        QVERIFY(rapid::tokenizeNumbers(text).size() <= std::size_t(rapid::kMaxNumbers));
        const Matrix4 untouched = translationColumn(7, 7, 7);
        Matrix4 a = untouched, b = untouched;
        const TextError e = rapid::parseWorkObject(text, a, b);
        for (const Matrix4 *m : {&a, &b}) {
            if (e != TextError::None)
                QCOMPARE(*m, untouched);
            for (float v : *m)
                QVERIFY2(std::isfinite(v) && std::fabs(v) <= 2 * rapid::kMaxMagnitude,
                         qPrintable(text));
        }
        ConfData conf;
        Matrix4 pose = untouched;
        const int r = rapid::parseRobtarget(text, pose, conf, nullptr);
        QVERIFY(r == 0 || r == -1 || r == -2);
        for (float v : {conf.cf1, conf.cf4, conf.cf6, conf.cfx})
            QVERIFY(std::isfinite(v) && std::fabs(v) <= rapid::kMaxMagnitude);
        if (e == TextError::None) {
            ++accepted;
            const QString report = rapid::workObjectReport(a, b).join(QString());
            QVERIFY2(!report.contains(QStringLiteral("nan")) &&
                         !report.contains(QStringLiteral("inf")),
                     qPrintable(text));
        }
        withConfiguration += r == 0;
    }
    // The generator does reach the accepting paths.
    QVERIFY(accepted > 200);
    QVERIFY(withConfiguration > 50);
}

void TestRapidParser::underflowIsZeroAndZeroOrientationIsTheIdentity()
{
    // Too small for a double is zero (with its sign); too large is infinite.
    const std::vector<float> n = rapid::tokenizeNumbers(
        QStringLiteral("[1e-400, -1e-400, 0.00001e-305, 123456789e-400, 0.0e99999, 1e400, "
                       "-100000000000e-315, 1000e-400]"));
    QCOMPARE(int(n.size()), 8);
    for (int k : {0, 1, 2, 3, 4, 7})
        QCOMPARE(n[std::size_t(k)], 0.0f);
    QVERIFY(std::signbit(n[1]));
    QVERIFY(std::isinf(n[5]) && n[5] > 0);
    QCOMPARE(n[6], -0.0f);
    Matrix4 m = translationColumn(9, 9, 9);
    QCOMPARE(rapid::parseTool(QStringLiteral("[[1e-400,2,3],[1,0,0,0]]"), m), TextError::None);
    compareMatrix(m, translationColumn(0, 2, 3), 0.0f);

    // Four zeros (or denormals) cannot be normalised: the identity, and the
    // caller learns that it was taken.
    for (const char *text : {"[[1,2,3],[0,0,0,0]]", "[[1,2,3],[1e-40,0,0,-1e-40]]"}) {
        bool identity = false;
        QCOMPARE(rapid::parseTool(QLatin1String(text), m, &identity), TextError::None);
        QVERIFY(identity);
        compareMatrix(m, translationColumn(1, 2, 3), 0.0f);
        Matrix4 user, object;
        identity = false;
        QCOMPARE(rapid::parseWorkObject(QLatin1String(text), user, object, &identity),
                 TextError::None);
        QVERIFY(identity);
        ConfData conf;
        identity = false;
        QCOMPARE(rapid::parseRobtarget(QLatin1String(text), m, conf, nullptr, &identity), -1);
        QVERIFY(identity);
    }
    bool identity = true;
    QCOMPARE(rapid::parseTool(QStringLiteral("[[1,2,3],[1,0,0,0]]"), m, &identity),
             TextError::None);
    QVERIFY(!identity);
}

QTEST_APPLESS_MAIN(TestRapidParser)
#include "tst_rapidparser.moc"
