#include "objectmesh.h"

#include "kinematics/logging.h"
#include "models/cnumber.h"
#include "models/datadirs.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kHeaderBytes = 80;
constexpr std::size_t kFirstRecord = 84; // header + triangle count
constexpr std::size_t kRecordBytes = 50; // 12 floats and 2 attribute bytes
// The first line decides ASCII or binary; like a fixed-size line buffer, only
// its first 80 bytes count, and the rest of a longer line is read as a line.
constexpr std::size_t kFirstLineLimit = 80;
// Files are read in blocks of up to this size, so that a big file is not
// first copied whole into fresh memory; a small file gets a small block.
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr std::size_t kSmallestBlock = 4096;

// ---------------------------------------------------------------------------
// Reading

// A window onto a random-access device, read forward in large blocks. The
// bytes from position() on are at data(); consume() moves past them.
class BlockReader
{
public:
    BlockReader(QIODevice &device, std::uint64_t size)
        : m_device(device),
          m_buffer(std::size_t(std::clamp<std::uint64_t>(size, kSmallestBlock, kBlockBytes)))
    {
    }

    const char *data() const { return m_buffer.data() + m_begin; }
    std::size_t available() const { return m_end - m_begin; }
    bool ended() const { return m_ended; }
    std::uint64_t position() const { return m_position; }
    void consume(std::size_t n)
    {
        m_begin += n;
        m_position += n;
    }
    // Reads more after what is available (at least `want` bytes in all,
    // unless the device ends first). The available bytes may move.
    void fill(std::size_t want)
    {
        while (available() < want && !m_ended) {
            if (m_begin > 0) {
                std::memmove(m_buffer.data(), data(), available());
                m_end -= m_begin;
                m_begin = 0;
            }
            if (m_end == m_buffer.size())
                m_buffer.resize(std::max(m_buffer.size() * 2, want));
            const qint64 got =
                m_device.read(m_buffer.data() + m_end, qint64(m_buffer.size() - m_end));
            if (got <= 0)
                m_ended = true;
            else
                m_end += std::size_t(got);
        }
    }
    // Starts again from the beginning of the device.
    bool rewind()
    {
        m_begin = m_end = 0;
        m_position = 0;
        m_ended = false;
        return m_device.seek(0);
    }

private:
    QIODevice &m_device;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0, m_end = 0;
    std::uint64_t m_position = 0;
    bool m_ended = false;
};

// Large result arrays are filled once, front to back. Where the kernel
// offers transparent huge pages on request, asking for them spares most of
// the page faults of touching fresh memory, which otherwise cost about as
// much as the reading itself.
void reserveFloats(std::vector<float> &v, std::size_t floats)
{
    v.reserve(floats);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(v.data());
    const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (begin + v.capacity() * sizeof(float)) & ~(kHuge - 1);
    if (v.capacity() * sizeof(float) >= 2 * kHuge && last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#endif
}

// Little-endian 32-bit values of the file, whatever the host's byte order.
std::uint32_t readU32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

void readFloats(const char *p, float *out, int count)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    for (int i = 0; i < count; ++i) {
        const std::uint32_t bits = readU32(p + 4 * i);
        std::memcpy(out + i, &bits, 4);
    }
#else
    std::memcpy(out, p, std::size_t(count) * 4);
#endif
}

void startMesh(ObjectEntry &entry)
{
    entry.vertices.clear();
    entry.normals.clear();
    entry.runs.clear();
    entry.runs.push_back(ColourRun());
}

// A corner farther than this from the origin (in the file's units, a
// thousand kilometres in millimetres) is no object of a robot cell: it is
// what random bytes read as floats give about half of the time.
constexpr float kFarthest = 1e9f;

// Whether a binary triangle's corners are coordinates at all. The stored
// normal is not judged: exporters write zero, unnormalised or even NaN
// normals for slivers, and the file's own normals are drawn as they are.
bool plausibleCorners(const float *p)
{
    // Without a branch per value (NaN compares false): the check costs next
    // to nothing beside the copy of the record.
    bool plausible = true;
    for (int i = 0; i < 9; ++i)
        plausible &= std::fabs(p[i]) <= kFarthest;
    return plausible;
}

struct BinaryRead
{
    std::uint32_t said = 0;   // the count in the header
    std::size_t done = 0;     // whole records read
    std::size_t absurd = 0;   // first record whose corners are no coordinates, from 1; 0 = none
    float absurdValue = 0.0f; // the value that gave it away
};

// Fixed 50-byte records after the count, read from the start of the device.
// The count is believed only as far as the file's size backs it, so a wrong
// count never reserves more memory than the file allows nor reads on; bytes
// after the last record the count announces are padding.
BinaryRead readBinary(BlockReader &in, std::uint64_t fileSize, ObjectEntry &entry)
{
    BinaryRead r;
    startMesh(entry);
    in.fill(kFirstRecord);
    if (in.available() < kFirstRecord)
        return r;
    r.said = readU32(in.data() + kHeaderBytes);
    in.consume(kFirstRecord);
    const std::uint64_t room =
        fileSize > kFirstRecord ? (fileSize - kFirstRecord) / kRecordBytes : 0;
    const std::size_t expected = std::size_t(std::min<std::uint64_t>(r.said, room));
    reserveFloats(entry.vertices, expected * 9);
    reserveFloats(entry.normals, expected * 9);

    std::size_t done = 0;
    while (done < r.said) {
        // One read refills the whole block behind the partial record left over.
        if (in.available() < kRecordBytes)
            in.fill(kRecordBytes);
        const std::size_t whole =
            std::min<std::size_t>(in.available() / kRecordBytes, r.said - done);
        if (whole == 0)
            break;
        const char *record = in.data();
        for (std::size_t k = 0; k < whole; ++k, record += kRecordBytes) {
            float f[12];
            readFloats(record, f, 12);
            if (r.absurd == 0 && !plausibleCorners(f + 3)) {
                r.absurd = done + k + 1;
                r.absurdValue = *std::find_if(f + 3, f + 12,
                                              [](float v) { return !(std::fabs(v) <= kFarthest); });
            }
            entry.vertices.insert(entry.vertices.end(), f + 3, f + 12);
            const float n[9] = {f[0], f[1], f[2], f[0], f[1], f[2], f[0], f[1], f[2]};
            entry.normals.insert(entry.normals.end(), n, n + 9);
        }
        in.consume(whole * kRecordBytes);
        done += whole;
        if (r.absurd != 0)
            break; // no use reading on: the file is refused
    }
    r.done = done;
    entry.runs.back().count = std::uint32_t(done);
    return r;
}

// ASCII letters compared without regard to case; `keyword` is lower case.
bool sameLetters(const char *at, const char *keyword, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if ((at[i] | 0x20) != keyword[i])
            return false;
    return true;
}

// Position of `keyword` (lower case letters) in [begin, end) in any case, or null.
const char *find(const char *begin, const char *end, const char *keyword, std::size_t length)
{
    // OR-ing 0x20 maps an upper-case letter to its lower-case one, and no
    // other byte to a letter.
    const char first = keyword[0];
    for (; std::size_t(end - begin) >= length; ++begin)
        if ((*begin | 0x20) == first && sameLetters(begin + 1, keyword + 1, length - 1))
            return begin;
    return nullptr;
}

// Blanks separate the words of a line: spaces and tabs.
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The number that begins at `p` and ends at a blank or at `end`: a sign,
// digits, a point, an exponent and nothing else. What no float holds (1e39,
// "inf", "nan") is no number either; a value too small for a float is 0.
// Returns where it ends, or null.
const char *readNumber(const char *p, const char *end, float &out)
{
    const char *b = p < end && *p == '+' ? p + 1 : p;
    if (b == end || *b == '+' || (b != p && *b == '-'))
        return nullptr;
    const auto r = std::from_chars(b, end, out);
    if (r.ptr == b || (r.ptr != end && !isBlank(*r.ptr)))
        return nullptr;
    if (r.ec == std::errc::result_out_of_range) {
        double wide = 0.0;
        const auto d = std::from_chars(b, r.ptr, wide);
        if (d.ec != std::errc() || !(std::fabs(wide) < 1.0))
            return nullptr;
        out = float(wide);
        return r.ptr;
    }
    return r.ec == std::errc() && std::isfinite(out) ? r.ptr : nullptr;
}

struct AsciiState
{
    std::uint64_t line = 0; // of the line being read, from 1
    // The first line went on beyond the bytes that decide the variant: the
    // rest of it is the solid's name as well.
    bool nameGoesOn = false;
    float corners[9]; // of the triangle being collected
    int corner = 0;
    bool anyVertex = false;
    // Between a "facet" line and its "endfacet": its vertices are counted,
    // as a facet is exactly one triangle.
    bool inFacet = false;
    std::uint64_t facetLine = 0;
    int facetVertices = 0;
    QString error; // the first fault, naming its line; reading stops there
};

// Exactly three numbers in [p, end), separated by blanks. `what` names the
// line's kind for the message.
bool threeNumbers(const char *p, const char *end, float *out, const char *what, AsciiState &st)
{
    int found = 0;
    for (;;) {
        while (p < end && isBlank(*p))
            ++p;
        if (p == end)
            break;
        if (found == 3) {
            st.error = QStringLiteral("line %1: a %2 line holds three numbers, this one more")
                           .arg(st.line)
                           .arg(QLatin1String(what));
            return false;
        }
        const char *next = readNumber(p, end, out[found]);
        if (!next) {
            const char *pieceEnd = p;
            while (pieceEnd < end && !isBlank(*pieceEnd))
                ++pieceEnd;
            constexpr std::ptrdiff_t kQuoted = 40;
            const QString piece = QString::fromUtf8(p, int(std::min(pieceEnd - p, kQuoted)));
            st.error = QStringLiteral("line %1: \"%2\" is not a number").arg(st.line).arg(piece);
            return false;
        }
        ++found;
        p = next;
    }
    if (found < 3) {
        st.error = QStringLiteral("line %1: a %2 line holds three numbers, this one %3")
                       .arg(st.line)
                       .arg(QLatin1String(what))
                       .arg(found);
        return false;
    }
    return true;
}

void appendTriangle(ObjectEntry &entry, const float *p)
{
    entry.vertices.insert(entry.vertices.end(), p, p + 9);
    // In double, so that a tiny but real triangle still gets its direction.
    const double ux = double(p[3]) - p[0], uy = double(p[4]) - p[1], uz = double(p[5]) - p[2];
    const double vx = double(p[6]) - p[0], vy = double(p[7]) - p[1], vz = double(p[8]) - p[2];
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > 0.0) {
        nx /= length;
        ny /= length;
        nz /= length;
    } else {
        // No area, no direction: the triangle covers no pixel anyway.
        nx = ny = nz = 0.0;
    }
    const float n[9] = {float(nx), float(ny), float(nz), float(nx), float(ny),
                        float(nz), float(nx), float(ny), float(nz)};
    entry.normals.insert(entry.normals.end(), n, n + 9);
    ++entry.runs.back().count;
}

// The facet being read ends (its "endfacet", the next "facet", the end of
// the solid or of the file): it must have made exactly one triangle.
bool closeFacet(AsciiState &st)
{
    if (st.inFacet && st.facetVertices != 3) {
        st.error = QStringLiteral("line %1: the facet that begins there has %2 vertices; a facet "
                                  "is one triangle")
                       .arg(st.facetLine)
                       .arg(st.facetVertices);
        return false;
    }
    st.inFacet = false;
    return true;
}

enum class LineKind
{
    Other,
    Vertex,
    Colour,
    Facet,
    EndFacet,
    Loop,
    Solid
};

// What a line is by its first word, as nearly every line of a file begins
// with its keyword; Other when that word is none of them. A "color" line is
// left to the search, since a "vertex" anywhere in it wins.
LineKind kindOfWord(const char *word, std::size_t length)
{
    switch (length) {
    case 5:
        if (sameLetters(word, "facet", 5))
            return LineKind::Facet;
        if (sameLetters(word, "outer", 5))
            return LineKind::Loop;
        if (sameLetters(word, "solid", 5))
            return LineKind::Solid;
        break;
    case 6:
        if (sameLetters(word, "vertex", 6))
            return LineKind::Vertex;
        break;
    case 7:
        if (sameLetters(word, "endloop", 7))
            return LineKind::Loop;
        break;
    case 8:
        if (sameLetters(word, "endfacet", 8))
            return LineKind::EndFacet;
        if (sameLetters(word, "endsolid", 8))
            return LineKind::Solid;
        break;
    default:
        break;
    }
    return LineKind::Other;
}

// One ASCII line without its line break. Keywords count in any case and
// anywhere in the line; a line that begins with one is that keyword's line,
// so a "solid" or "endsolid" line is only a name, which may hold any word.
// Returns false at the first fault.
bool asciiLine(const char *p, const char *end, ObjectEntry &entry, AsciiState &st)
{
    ++st.line;
    if (st.nameGoesOn) {
        st.nameGoesOn = false;
        return true;
    }
    while (end > p && end[-1] == '\r')
        --end;
    const char *word = p;
    while (word < end && isBlank(*word))
        ++word;
    const char *wordEnd = word;
    while (wordEnd < end && !isBlank(*wordEnd))
        ++wordEnd;
    LineKind kind = kindOfWord(word, std::size_t(wordEnd - word));
    const char *at = word;
    if (kind == LineKind::Other) {
        if ((at = find(p, end, "vertex", 6)))
            kind = LineKind::Vertex;
        else if ((at = find(p, end, "color", 5)))
            kind = LineKind::Colour;
        else if (find(p, end, "endfacet", 8))
            kind = LineKind::EndFacet;
        else if (find(p, end, "facet", 5))
            kind = LineKind::Facet;
    }
    switch (kind) {
    case LineKind::Vertex:
        st.anyVertex = true;
        if (st.inFacet && st.facetVertices == 3) {
            st.error = QStringLiteral("line %1: a fourth vertex in the facet of line %2; a facet "
                                      "is one triangle")
                           .arg(st.line)
                           .arg(st.facetLine);
            return false;
        }
        if (!threeNumbers(at + 6, end, st.corners + 3 * st.corner, "vertex", st))
            return false;
        if (st.inFacet)
            ++st.facetVertices;
        if (++st.corner == 3) {
            appendTriangle(entry, st.corners);
            st.corner = 0;
        }
        return true;
    case LineKind::Colour: {
        ColourRun run;
        run.hasColour = true;
        if (!threeNumbers(at + 5, end, run.fileValues.data(), "color", st))
            return false;
        run.first = std::uint32_t(entry.triangleCount());
        entry.runs.push_back(run);
        return true;
    }
    case LineKind::Facet:
        if (!closeFacet(st))
            return false;
        st.inFacet = true;
        st.facetLine = st.line;
        st.facetVertices = 0;
        // Corners of vertex lines outside any facet that make no whole
        // triangle are left behind, as at the end of the file.
        st.corner = 0;
        return true;
    case LineKind::EndFacet:
    case LineKind::Solid: // a solid's end ends its facet; a next one begins without one
        return closeFacet(st);
    case LineKind::Loop: // "outer loop", "endloop": nothing to read
    case LineKind::Other:
        break;
    }
    return true;
}

// The lines after the first one, to the end of the device, from line
// `firstLine` on.
void readAscii(BlockReader &in, std::uint64_t fileSize, std::uint64_t firstLine, ObjectEntry &entry,
               AsciiState &st)
{
    startMesh(entry);
    st.line = firstLine - 1;
    st.nameGoesOn = firstLine == 1;
    // A facet takes some 250 bytes in common files; the arrays grow beyond
    // this guess if needed.
    const std::size_t guess = std::size_t(std::min<std::uint64_t>(fileSize / 256, 1u << 26));
    reserveFloats(entry.vertices, guess * 9);
    reserveFloats(entry.normals, guess * 9);

    std::size_t scanned = 0; // bytes already known to hold no line break
    for (;;) {
        const char *p = in.data();
        const void *newline = std::memchr(p + scanned, '\n', in.available() - scanned);
        if (!newline) {
            if (in.ended()) {
                if (in.available() > 0 && !asciiLine(p, p + in.available(), entry, st))
                    return;
                in.consume(in.available());
                break;
            }
            scanned = in.available();
            in.fill(in.available() + 1);
            continue;
        }
        const char *lineEnd = static_cast<const char *>(newline);
        // Whole lines in the buffer are handled without going back to the device.
        const char *blockEnd = p + in.available();
        for (;;) {
            if (!asciiLine(p, lineEnd, entry, st))
                return;
            p = lineEnd + 1;
            newline = std::memchr(p, '\n', std::size_t(blockEnd - p));
            if (!newline)
                break;
            lineEnd = static_cast<const char *>(newline);
        }
        in.consume(std::size_t(p - in.data()));
        scanned = std::size_t(blockEnd - p);
    }
    // One or two corners left over at the end make no triangle; a facet
    // left open must have made one.
    if (st.inFacet && st.facetVertices != 3) {
        st.error = QStringLiteral("the facet of line %1 has %2 vertices when the file ends; a "
                                  "facet is one triangle")
                       .arg(st.facetLine)
                       .arg(st.facetVertices);
    }
}

// Only regular files are read: a pipe or a device is never an object file,
// and opening a pipe would wait for a writer. An empty name is a directory
// once Objects/ is put in front of it, and is refused the same way.
bool openRegularFile(QFile &file, const QString &name)
{
    if (name.isEmpty() || !QFileInfo(name).isFile())
        return false;
    file.setFileName(name);
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

} // namespace

ObjectEntry::ObjectEntry() : pose(toolbox::identity()) {}

int readObjectMesh(const QString &fileName, ObjectEntry &entry, QString *why, QString *note)
{
    entry.path = DataDirs::resolveStoredPath(fileName);
    entry.vertices.clear();
    entry.normals.clear();
    entry.runs.clear();
    ++entry.meshReadings;
    if (note)
        note->clear();
    auto refuse = [&](const QString &reason) {
        if (why)
            *why = reason;
        entry.vertices.clear();
        entry.normals.clear();
        entry.runs.clear();
        return -1;
    };
    // A file read in full whose mesh says something the user should know.
    auto accept = [&](const QString &remark) {
        if (note)
            *note = remark.isEmpty() && entry.triangleCount() == 0
                        ? QStringLiteral("it holds no triangles")
                        : remark;
        return 0;
    };

    QFile file;
    if (!openRegularFile(file, entry.path) &&
        !openRegularFile(file, DataDirs::objectDir() + QFileInfo(entry.path).fileName()))
        return refuse(QStringLiteral("the file cannot be opened"));
    const std::uint64_t size = std::uint64_t(std::max<qint64>(file.size(), 0));

    BlockReader in(file, size);
    in.fill(kFirstRecord);
    if (in.available() == 0) {
        startMesh(entry);
        return accept(QStringLiteral("the file is empty, it holds no triangles"));
    }
    std::size_t firstLine = std::min(in.available(), kFirstLineLimit);
    bool firstLineEnded = false;
    if (const void *newline = std::memchr(in.data(), '\n', firstLine)) {
        firstLine = std::size_t(static_cast<const char *>(newline) - in.data()) + 1;
        firstLineEnded = true;
    }
    // Whether the records a binary count announces are all there (bytes
    // after them are padding).
    const std::uint32_t count =
        in.available() >= kFirstRecord ? readU32(in.data() + kHeaderBytes) : 0;
    const bool recordsPresent =
        size >= kFirstRecord && size - kFirstRecord >= kRecordBytes * std::uint64_t(count);

    if (!find(in.data(), in.data() + firstLine, "solid", 5)) {
        if (size < kFirstRecord)
            return refuse(QStringLiteral("a binary STL file of %1 bytes is shorter than its "
                                         "84-byte header")
                              .arg(size));
        // What the triangles hold tells a mesh from bytes that are none (a
        // picture, random data): their sizes rarely fit either way.
        const BinaryRead r = readBinary(in, size, entry);
        if (r.absurd != 0)
            return refuse(QStringLiteral("this is no STL file: read as a binary one, its "
                                         "triangle %1 has a corner at %2")
                              .arg(r.absurd)
                              .arg(double(r.absurdValue)));
        if (r.done == 0 && r.said > 0)
            return refuse(QStringLiteral("this is no STL file: read as a binary one, it "
                                         "announces %1 triangles and ends before the first is "
                                         "whole")
                              .arg(r.said));
        if (r.done < r.said) {
            qCWarning(lcMesh) << "STL file does not have the triangles that it says that it has:"
                              << r.said << "said," << r.done << "present";
            return accept(QStringLiteral("the file is cut short: it holds %1 whole triangles of "
                                         "the %2 it announces, %3 are missing")
                              .arg(r.done)
                              .arg(r.said)
                              .arg(std::uint64_t(r.said) - r.done));
        }
        return accept(QString());
    }
    in.consume(firstLine);
    AsciiState ascii;
    readAscii(in, size, firstLineEnded ? 2 : 1, entry, ascii);
    // Many CAD exporters start the header of a binary file with "solid". Such
    // a file reads as no text mesh (no vertex line, or bytes that happen to
    // spell one with no numbers after it) and holds every record its count
    // announces, each of them a triangle.
    if ((!ascii.error.isEmpty() || !ascii.anyVertex) && count > 0 && recordsPresent &&
        in.rewind()) {
        ObjectEntry binary;
        const BinaryRead r = readBinary(in, size, binary);
        if (r.absurd == 0 && r.done == r.said) {
            entry.vertices = std::move(binary.vertices);
            entry.normals = std::move(binary.normals);
            entry.runs = std::move(binary.runs);
            return accept(QString());
        }
    }
    if (!ascii.error.isEmpty())
        return refuse(ascii.error);
    return accept(QString());
}
