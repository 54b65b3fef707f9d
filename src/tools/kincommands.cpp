#include "kincommands.h"

#include "kinematics/matrixtoolbox.h"
#include "kinematics/robot.h"
#include "sequences/pathanalysis.h"
#include "sequences/sequenceparser.h"

#include <QFile>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace kin {

namespace {

constexpr std::size_t kJointCount = 6;
constexpr std::size_t kMatrixCount = 16;
constexpr std::size_t kPoseCount = 6;
// A token quoted back in an error message is cut to this length, so that a
// runaway line does not produce a runaway answer.
constexpr std::size_t kQuotedLength = 40;
// The rotation part of an ik target may carry the rounding of a printed
// matrix (six decimals) but must still be a rotation.
constexpr double kRotationTolerance = 1e-3;
constexpr double kBottomRowTolerance = 1e-6;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits off the first whitespace-separated token of `text`; empty at the end.
std::string_view nextToken(std::string_view &text)
{
    std::size_t b = 0;
    while (b < text.size() && isBlank(text[b]))
        ++b;
    std::size_t e = b;
    while (e < text.size() && !isBlank(text[e]))
        ++e;
    const std::string_view token = text.substr(b, e - b);
    text.remove_prefix(e);
    return token;
}

void appendQuoted(std::string &out, std::string_view token)
{
    out += '\'';
    if (token.size() > kQuotedLength) {
        out.append(token.substr(0, kQuotedLength));
        out += "...";
    } else {
        out.append(token);
    }
    out += '\'';
}

void appendInt(std::string &out, long value)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, std::size_t(r.ptr - buf));
}

// Room for the longest text writeFixed writes: FLT_MAX with its sign and
// six decimals, 47 characters.
constexpr std::size_t kFixedRoom = 48;

// "00" to "99": two digits at a time when a number is printed.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// "0." to "999.", four bytes each, unused bytes zero: the whole part of an
// angle or a length in millimetres with its point in one copy.
struct WholeTexts
{
    char text[1000][4];
    constexpr WholeTexts() : text()
    {
        for (int w = 0; w < 1000; ++w) {
            int k = 0;
            if (w >= 100)
                text[w][k++] = char('0' + w / 100);
            if (w >= 10)
                text[w][k++] = char('0' + w / 10 % 10);
            text[w][k++] = char('0' + w % 10);
            text[w][k] = '.';
        }
    }
};
constexpr WholeTexts kWholeTexts;

void copyPair(char *p, unsigned pair)
{
    std::memcpy(p, kDigitPairs + 2 * pair, 2);
}

// Rounds to the nearest integer, ties to even, as the current rounding mode
// (never changed here) has it: llrint without the library call.
long long roundToInteger(double v)
{
#if defined(__SSE2__) && defined(__x86_64__)
    return _mm_cvtsd_si64(_mm_set_sd(v));
#else
    return std::llrint(v);
#endif
}

// writeFixed for the values outside its short way: a whole part of four
// digits or more (lengths of a large arm), infinities and NaN.
[[gnu::noinline]] char *writeWideFixed(char *p, float value)
{
    const double scaled = double(value) * 1e6;
    if (!(std::fabs(scaled) < 9e18)) {
        // Beyond 64 bits, or not finite: the general conversion.
        char wide[64];
        const auto r =
            std::to_chars(wide, wide + sizeof wide, double(value), std::chars_format::fixed, 6);
        const std::size_t n = std::size_t(r.ptr - wide);
        std::memcpy(p, wide, n);
        return p + n;
    }
    const long long units = roundToInteger(scaled);
    if (units < 0)
        *p++ = '-';
    const unsigned long long u = units < 0 ? 0ull - static_cast<unsigned long long>(units)
                                           : static_cast<unsigned long long>(units);
    const unsigned long long whole = u / 1000000u;
    const unsigned fraction = unsigned(u - whole * 1000000u);
    p = std::to_chars(p, p + 20, whole).ptr;
    *p++ = '.';
    const unsigned hi = fraction / 10000u, rest = fraction % 10000u;
    copyPair(p, hi);
    copyPair(p + 2, rest / 100u);
    copyPair(p + 4, rest % 100u);
    return p + 6;
}

// `value` in fixed notation with six decimals at `p`; returns the end of the
// text.
char *writeFixed(char *p, float value)
{
    // A float carries 24 significant bits and 10^6 = 2^6 * 15625 adds 14, so
    // value * 10^6 is exact in double. Rounding it to an integer, ties to even
    // as a decimal conversion rounds them, gives exactly the digits of the
    // six-decimal text, at a fraction of the cost of a general conversion:
    // the batch answers of ik are mostly these numbers.
    const double scaled = double(value) * 1e6;
    if (!(std::fabs(scaled) < 999999999.0))
        return writeWideFixed(p, value);
    // Something that prints as zero is printed without a sign (an integer has
    // no negative zero): a sign there only makes two runs of the same
    // computation differ in text.
    const int units = int(roundToInteger(scaled));
    *p = '-';
    p += units < 0;
    const unsigned u = units < 0 ? 0u - unsigned(units) : unsigned(units);
    // u / 10^6 in fixed point with 52 fraction bits, rounded up: the integer
    // part is the whole part, and each multiplication of the fraction by 100
    // brings the next two decimals into the integer part. The rounding up
    // stays below the weight of the last decimal for every u below 10^9.
    constexpr std::uint64_t kFraction = (std::uint64_t(1) << 52) - 1;
    std::uint64_t y = std::uint64_t(u) * 4503599628u; // ceil(2^52 / 10^6)
    std::uint32_t wholeText;
    std::memcpy(&wholeText, kWholeTexts.text[y >> 52], 4);
    std::memcpy(p, &wholeText, 4);
    // Its length: up to the highest byte that is not zero.
    p += unsigned(31 - __builtin_clz(wholeText)) / 8u + 1u;
    y = (y & kFraction) * 100u;
    copyPair(p, unsigned(y >> 52));
    y = (y & kFraction) * 100u;
    copyPair(p + 2, unsigned(y >> 52));
    y = (y & kFraction) * 100u;
    copyPair(p + 4, unsigned(y >> 52));
    return p + 6;
}

// The numbers of a row, blank-separated, and the line end, appended at once.
void appendRow(std::string &out, const float *values, std::size_t count)
{
    char line[kMatrixCount * (kFixedRoom + 1)];
    char *p = line;
    for (std::size_t k = 0; k < count; ++k) {
        p = writeFixed(p, values[k]);
        *p++ = ' ';
    }
    p[-1] = '\n';
    out.append(line, std::size_t(p - line));
}

bool isRigid(const Matrix4 &m)
{
    for (int k = 12; k < 15; ++k)
        if (std::fabs(m[std::size_t(k)]) > kBottomRowTolerance)
            return false;
    if (std::fabs(m[15] - 1.0) > kBottomRowTolerance)
        return false;
    // Rows orthonormal...
    for (int i = 0; i < 3; ++i) {
        for (int j = i; j < 3; ++j) {
            double dot = 0.0;
            for (int k = 0; k < 3; ++k)
                dot += double(m[std::size_t(4 * i + k)]) * m[std::size_t(4 * j + k)];
            if (std::fabs(dot - (i == j ? 1.0 : 0.0)) > kRotationTolerance)
                return false;
        }
    }
    // ...and right-handed: a mirror image is no pose a robot can take.
    const double det = double(m[0]) * (double(m[5]) * m[10] - double(m[6]) * m[9]) -
                       double(m[1]) * (double(m[4]) * m[10] - double(m[6]) * m[8]) +
                       double(m[2]) * (double(m[4]) * m[9] - double(m[5]) * m[8]);
    return det > 0.0;
}

// The digit readers below take eight characters as one word, the first in
// the lowest byte.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "digits are read little-endian");

// Up to eight characters from `p` as one word, zero bytes for those at or
// past `end`. Only [`begin`, `end`) is read: near the end of a line the word
// is taken from further back and shifted into place.
[[gnu::always_inline]] inline std::uint64_t loadEight(const char *p, const char *const begin,
                                                      const char *const end)
{
    const std::size_t left = std::size_t(end - p);
    std::uint64_t x = 0;
    if (left >= 8) {
        std::memcpy(&x, p, 8);
    } else if (end - begin >= 8) {
        std::memcpy(&x, end - 8, 8);
        x = (x >> 8) >> (8 * (7 - left));
    } else {
        std::memcpy(&x, p, left);
    }
    return x;
}

constexpr std::uint64_t kZeroDigits = 0x3030303030303030u;

// How many bytes of `a` (characters minus '0' by xor), from the lowest, are
// digits 0 to 9.
[[gnu::always_inline]] inline unsigned leadingDigits(std::uint64_t a)
{
    // A byte above 9 either has its high bit set or reaches it when 0x76 is
    // added to its low seven bits; no sum carries into the next byte.
    const std::uint64_t other =
        (((a & 0x7f7f7f7f7f7f7f7fu) + 0x7676767676767676u) | a) & 0x8080808080808080u;
    return other ? unsigned(__builtin_ctzll(other)) / 8u : 8u;
}

// The value of the first `n` (1 to 8) digit bytes of `a`.
[[gnu::always_inline]] inline std::uint64_t digitsValue(std::uint64_t a, unsigned n)
{
    // Pushed to the top of the word, the digits are the last ones of an
    // eight-digit number; pairs, then fours, then all eight are combined.
    std::uint64_t v = a << (8 * (8 - n));
    v = v * 10u + (v >> 8);
    v = (((v & 0x000000ff000000ffu) * (100u + (1000000ull << 32))) +
         (((v >> 16) & 0x000000ff000000ffu) * (1u + (10000ull << 32)))) >>
        32;
    return v;
}

// A number of the plain form [-]digits[.digits], with one to seven digits
// before the point and up to eight after it, read from `p` up to the next
// blank or `end` (`begin`, at or before `p`, bounds what may be read);
// returns where it stopped, or nullptr for any other token, which the general
// conversion then reads to the same value. The digits are an integer m below
// 10^15, exact in double, and the value is m / 10^f with 10^f exact too, so
// one division, rounded as every double operation is, gives the correctly
// rounded value a decimal conversion gives. Tokenizing and reading in one
// pass, without a loop: batch lines are mostly such numbers.
const char *readPlain(const char *p, const char *const begin, const char *const end, double &value)
{
    static constexpr std::uint64_t kTens[] = {1,      10,      100,      1000,     10000,
                                              100000, 1000000, 10000000, 100000000};
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    const bool negative = *p == '-';
    p += negative;
    const std::uint64_t whole = loadEight(p, begin, end) ^ kZeroDigits;
    const unsigned wholeDigits = leadingDigits(whole);
    if (wholeDigits - 1u >= 7u)
        return nullptr; // none (".5", "-x"), or eight and more
    std::uint64_t m = digitsValue(whole, wholeDigits);
    p += wholeDigits;
    unsigned fractionDigits = 0;
    if (p != end && *p == '.') {
        ++p;
        const std::uint64_t fraction = loadEight(p, begin, end) ^ kZeroDigits;
        fractionDigits = leadingDigits(fraction);
        if (fractionDigits == 0)
            return nullptr;  // "5."
        p += fractionDigits; // a ninth digit is no blank: refused below
        m = m * kTens[fractionDigits] + digitsValue(fraction, fractionDigits);
    }
    if (p != end && !isBlank(*p))
        return nullptr;
    // The sign by a multiplication: signs of a batch follow no pattern a
    // branch could predict.
    static constexpr double kSigns[] = {1.0, -1.0};
    value = double(std::int64_t(m)) / kPowers[fractionDigits] * kSigns[negative];
    return p;
}

} // namespace

void appendFixed(std::string &out, float value)
{
    char buf[kFixedRoom];
    out.append(buf, std::size_t(writeFixed(buf, value) - buf));
}

bool parseNumber(std::string_view token, double &value)
{
    // from_chars takes no '+', but people and other programs write one.
    if (token.size() > 1 && token[0] == '+' && token[1] != '-' && token[1] != '+')
        token.remove_prefix(1);
    if (token.empty())
        return false;
    const char *end = token.data() + token.size();
    if (readPlain(token.data(), token.data(), end, value) == end)
        return true;
    const auto r = std::from_chars(token.data(), end, value, std::chars_format::general);
    return r.ec == std::errc() && r.ptr == end;
}

Interpreter::Interpreter(Robot &robot, int convention) : m_robot(robot), m_convention(convention)
{
    // Enough for every configuration and variant of any shipped arm.
    m_solutions.reserve(256);
}

bool Interpreter::readValues(std::string_view command, std::string_view rest, std::size_t count,
                             std::string &out)
{
    const char *p = rest.data();
    const char *const end = p + rest.size();
    std::size_t seen = 0;
    for (;;) {
        while (p != end && isBlank(*p))
            ++p;
        if (p == end)
            break;
        ++seen;
        if (seen > count) {
            // Only counted, for the message below.
            std::string_view more(p, std::size_t(end - p));
            nextToken(more);
            while (!nextToken(more).empty())
                ++seen;
            break;
        }
        double v = 0.0;
        // A plain number is always finite, in float too.
        if (const char *after = readPlain(p, rest.data(), end, v)) {
            m_values[seen - 1] = float(v);
            p = after;
            continue;
        }
        std::string_view more(p, std::size_t(end - p));
        const std::string_view token = nextToken(more);
        p = more.data();
        if (!parseNumber(token, v)) {
            out += "error: value ";
            appendInt(out, long(seen));
            out += " of ";
            out.append(command);
            out += " is not a number: ";
            appendQuoted(out, token);
            out += '\n';
            return false;
        }
        // Joint values and coordinates are single precision in the library;
        // a value beyond float range would turn into infinity there.
        if (!std::isfinite(v) || !std::isfinite(float(v))) {
            out += "error: value ";
            appendInt(out, long(seen));
            out += " of ";
            out.append(command);
            out += " is not finite: ";
            appendQuoted(out, token);
            out += '\n';
            return false;
        }
        m_values[seen - 1] = float(v);
    }
    if (seen != count) {
        out += "error: ";
        out.append(command);
        out += " takes ";
        appendInt(out, long(count));
        out += count == 1 ? " value, got " : " values, got ";
        appendInt(out, long(seen));
        out += '\n';
        return false;
    }
    return true;
}

bool Interpreter::execute(std::string_view line, std::string &out)
{
    std::string_view rest = line;
    const std::string_view command = nextToken(rest);
    if (command.empty() || command[0] == '#')
        return true;

    if (command == "set") {
        if (!readValues(command, rest, kJointCount, out))
            return false;
        setJoints(out);
    } else if (command == "fk") {
        if (!readValues(command, rest, kJointCount, out))
            return false;
        forward(out);
    } else if (command == "pose") {
        if (!readValues(command, rest, kJointCount, out))
            return false;
        pose(out);
    } else if (command == "ik") {
        if (!readValues(command, rest, kMatrixCount, out))
            return false;
        return solveMatrix(out);
    } else if (command == "ikpose") {
        if (!readValues(command, rest, kPoseCount, out))
            return false;
        return solvePose(out);
    } else if (command == "limits") {
        if (!readValues(command, rest, 0, out))
            return false;
        limits(out);
    } else {
        out += "error: unknown command ";
        appendQuoted(out, command);
        out += '\n';
        return false;
    }
    return true;
}

void Interpreter::setJoints(std::string &out)
{
    m_robot.setJointAngles(m_values.data());
    out += "ok\n";
}

void Interpreter::forward(std::string &out)
{
    // fk and pose look at other joint values without moving the robot: the
    // current values are what ik is seeded with, and only set changes them.
    const std::array<float, 6> current = m_robot.jointValues();
    m_robot.setJointAngles(m_values.data());
    const Matrix4 tcp = m_robot.tcpWorld();
    m_robot.setJointAngles(current);
    appendRow(out, tcp.data(), kMatrixCount);
}

void Interpreter::pose(std::string &out)
{
    const std::array<float, 6> current = m_robot.jointValues();
    m_robot.setJointAngles(m_values.data());
    const Pose6 p = m_robot.tcpPose(m_convention);
    m_robot.setJointAngles(current);
    appendRow(out, p.data(), kPoseCount);
}

bool Interpreter::solveMatrix(std::string &out)
{
    Matrix4 target = m_values;
    if (!isRigid(target)) {
        out += "error: the ik matrix is not a pose: its rotation part must be a rotation and "
               "its last row 0 0 0 1\n";
        return false;
    }
    if (!m_robot.hasInverseKinematics()) {
        out += "error: no inverse kinematics for this arm's geometry\n";
        return false;
    }
    int chosen = -1;
    m_robot.solveWorldPose(target, m_solutions, &chosen);
    // The answer is put together here and appended a few kilobytes at a time.
    constexpr std::size_t kRowRoom = kJointCount * (kFixedRoom + 1) + 6;
    char text[4096];
    char *p = text;
    p = std::to_chars(p, p + 24, m_solutions.size()).ptr;
    *p++ = ' ';
    p = std::to_chars(p, p + 24, chosen).ptr;
    *p++ = '\n';
    for (const IkConfiguration &c : m_solutions) {
        if (std::size_t(text + sizeof text - p) < kRowRoom) {
            out.append(text, std::size_t(p - text));
            p = text;
        }
        for (std::size_t k = 0; k < kJointCount; ++k) {
            p = writeFixed(p, c.q[k]);
            *p++ = ' ';
        }
        const char flags[6] = {c.basic ? '1' : '0', ' ', c.chosen ? '1' : '0', ' ',
                               c.near ? '1' : '0',  '\n'};
        std::memcpy(p, flags, sizeof flags);
        p += sizeof flags;
    }
    out.append(text, std::size_t(p - text));
    return true;
}

bool Interpreter::solvePose(std::string &out)
{
    const Pose6 p{m_values[0], m_values[1], m_values[2], m_values[3], m_values[4], m_values[5]};
    const Matrix4 target = toolbox::poseToMatrix(p, m_convention);
    // poseToMatrix builds a rotation, so the rigidity check cannot fail here.
    m_values = target;
    return solveMatrix(out);
}

sequences::FileText readSequenceForCheck(const QString &file, std::string &notes)
{
    const std::string name = QFile::encodeName(file).toStdString();
    sequences::FileText text = sequences::readSequenceFile(file);
    if (!text.ok)
        notes += "cannot read the sequence '" + name + "': " + text.error.toStdString() + '\n';
    else if (text.truncated)
        notes += "the sequence '" + name +
                 "' is larger than the program reads; only its beginning is checked\n";
    return text;
}

int checkSequence(Robot &robot, const QString &file, bool withPath, std::string &out,
                  std::string &notes, collision::CollisionWorld *world)
{
    const std::string name = QFile::encodeName(file).toStdString();
    const sequences::FileText text = readSequenceForCheck(file, notes);
    if (!text.ok)
        return kCheckUnreadable;
    sequences::ParsedText parsed = sequences::parseText(text.text);
    if (!parsed.error.isEmpty()) {
        notes += "'" + name + "' is no sequence: " + parsed.error.toStdString() + '\n';
        return kCheckUnreadable;
    }
    if (parsed.nodes.empty()) {
        notes += "'" + name + "' holds no sequence: no line has six or seven numbers\n";
        return kCheckUnreadable;
    }
    if (parsed.truncated) {
        notes += "only the first ";
        appendInt(notes, sequences::kMaxNodes);
        notes += " lines of the sequence are read\n";
    }

    std::vector<sequences::PathPosition> path;
    std::vector<sequences::PathProblem> problems;
    if (parsed.program) {
        std::vector<sequences::ProgramLine> program(parsed.nodes.size());
        for (std::size_t i = 0; i < program.size(); ++i) {
            program[i].code = double(parsed.nodes[i].values[0]);
            for (std::size_t k = 0; k < 6; ++k)
                program[i].operands[k] = double(parsed.nodes[i].values[k + 1]);
        }
        sequences::PathAnalyser analyser(robot);
        analyser.setCollisionWorld(world);
        sequences::PathAnalyser::Result result = analyser.analyse(program);
        for (int id : result.rejected) {
            notes += "line ";
            appendInt(notes, parsed.lines[std::size_t(id)]);
            notes += ": its numbers make no move; the instruction is skipped\n";
        }
        if (result.truncated) {
            notes += "the program asks for more than ";
            appendInt(notes, sequences::PathAnalyser::kMaxPositions);
            notes += " positions; the path ends there\n";
        }
        problems = sequences::PathAnalyser::problems(result);
        path = std::move(result.path);
    } else {
        // A position list plays as it stands, once every position is within
        // the joint limits.
        sequences::checkLimits(parsed, robot);
        path.resize(parsed.nodes.size());
        for (std::size_t i = 0; i < path.size(); ++i) {
            std::copy(parsed.nodes[i].values.begin(), parsed.nodes[i].values.begin() + 6,
                      path[i].joints.begin());
            path[i].pathId = int(i);
            path[i].problem = parsed.nodes[i].problem;
        }
        for (const sequences::LimitProblem &p : parsed.outOfLimits)
            problems.push_back({p.node + 1, p.node, sequences::kOutOfLimitsProblem, QString()});
    }

    out += "positions ";
    appendInt(out, long(path.size()));
    out += " problems ";
    appendInt(out, long(problems.size()));
    out += '\n';
    std::size_t limitIndex = 0;
    for (const sequences::PathProblem &p : problems) {
        appendInt(out, p.position);
        out += ' ';
        appendInt(out, p.pathId);
        out += ' ';
        appendInt(out, p.code);
        out += ' ';
        if (p.code == sequences::kOutOfLimitsProblem) {
            // Listed in the order checkLimits found them.
            out += "Joint ";
            appendInt(out, parsed.outOfLimits[limitIndex++].axis);
            out += " is outside its limits.";
        } else {
            out += sequences::PathAnalyser::problemTexts(p.code).trimmed().toStdString();
            if (!p.detail.isEmpty())
                out += ' ' + p.detail.toStdString();
        }
        out += '\n';
    }
    if (withPath) {
        for (const sequences::PathPosition &p : path) {
            appendFixed(out, p.type);
            for (float q : p.joints) {
                out += ' ';
                appendFixed(out, q);
            }
            out += ' ';
            appendInt(out, long(p.problem));
            out += '\n';
        }
    }
    return problems.empty() ? kCheckContinuous : kCheckProblems;
}

void Interpreter::limits(std::string &out)
{
    const std::vector<int> l = m_robot.getLimits();
    for (std::size_t k = 0; k < l.size(); ++k) {
        if (k)
            out += ' ';
        appendInt(out, l[k]);
    }
    out += '\n';
}

} // namespace kin
