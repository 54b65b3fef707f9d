// Sequence text: the lines of a sequence file, of the clipboard or of an
// array sent by another program, turned into the nodes the player steps
// through. Headless, so the command-line check reads files exactly as the
// program does.
//
// A line holds six joint values (a position) or an instruction code and six
// operands (a program line). The first line decides which the whole text is.
#pragma once

#include <QString>
#include <QVector>
#include <array>
#include <vector>

class Robot;

namespace sequences {

// No sequence grows beyond this many nodes, whether read or computed: two
// million positions are hours of robot motion, and a few more lines of text
// must never be able to exhaust the memory.
constexpr int kMaxNodes = 2000000;
// A sequence file is read up to this size; beyond it only its beginning counts.
constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;

// One node of the sequence list: what a text line, an array column or the
// path analysis produced.
struct Node
{
    // 1 for a position; the analysis also makes 5 (tool change) and values
    // in [4, 5) (work object and object placements).
    float type = 1.0f;
    // From text: the seven numbers of the line (the seventh 0 for a line of
    // six). From the analysis: six joint values and 0. Only these seven are
    // ever read, so an array column keeps no more than its first seven rows.
    std::array<float, 7> values{};
    // Problem code of the analysis; 0 = none.
    float problem = 0.0f;
};

// Splits one line at the first separator (tab, ",", " ", ", ", tried in this
// order on the whole line, empty fields dropped) that gives more than five
// fields, and reads the first seven of them as numbers independent of the
// locale; a field that is not a number reads as 0. Returns 6 or 7 (the
// seventh value is then 0 for 6), or 0 when no separator gives six fields.
int parseLine(const QString &line, std::array<float, 7> &values);
// The same; `allNumbers` (if given) says whether every field read was a
// number a float can hold ("inf", "nan" and 1e39 are not).
int parseLine(const QString &line, std::array<float, 7> &values, bool *allNumbers);

// A position of a plain list outside the robot's limits.
struct LimitProblem
{
    int node = 0; // index into ParsedText::nodes
    int axis = 0; // 1 to 6
};

// Problem code of a position outside the joint limits, beside the codes of
// the path analysis.
constexpr int kOutOfLimitsProblem = 100000;

struct ParsedText
{
    std::vector<Node> nodes;
    // File line (from 1) of each node, for messages.
    std::vector<int> lines;
    // The first line has more than six fields: the text is a program.
    bool program = false;
    // Lines beyond kMaxNodes usable ones were left out.
    bool truncated = false;
    // Set when a line is not what the first line made the text: six or
    // more numbers for a position list, seven or more for a program (a
    // comment, a header, a word, a missing value). The text is then no
    // sequence: `nodes` is empty. Names the first such line.
    QString error;
    // Filled by checkLimits for a position list.
    std::vector<LimitProblem> outOfLimits;
};

// The whole text: lines split at "\n" (a "\r" before it is dropped, so CR LF
// text reads as LF text), empty and blank lines dropped. Every node gets
// type 1 and problem 0. Every other line must be numbers: six or seven on
// the first, seven on the lines of a program, six or more on those of a
// position list. Anything else would turn a header, a comment or a typing
// slip into a joint position, so it refuses the whole text.
ParsedText parseText(const QString &text);

// For a position list: every node with a joint value outside the robot's
// limits (axis 3 of a coupled arm against its range at the node's axis 2)
// goes into `outOfLimits` and gets kOutOfLimitsProblem as problem code.
// Returns how many. A program is left alone: the path analysis judges it.
int checkLimits(ParsedText &parsed, const Robot &robot);

// Columns of a rows x cols array stored column by column (the rows of column
// 1 first), one node each. Returns false, leaving `out` empty, for fewer
// than one column, fewer than six rows, or fewer than rows x cols values.
bool parseArray(int rows, int cols, const double *columnMajor, qint64 valueCount,
                std::vector<Node> &out, bool *truncated = nullptr);

struct FileText
{
    bool ok = false;
    QString text;
    // The file was larger than kMaxFileBytes (before any NUL byte).
    bool truncated = false;
    QString error;
};

// A sequence file's text: its bytes up to the first NUL byte, if any, with
// CR LF read as LF, decoded as UTF-8.
FileText readSequenceFile(const QString &path);

} // namespace sequences
