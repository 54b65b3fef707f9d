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

// Fixed 50-byte records after the count, read from the start of the device.
// The count is believed only as far as the file's size backs it, so a wrong
// count never reserves more memory than the file allows nor reads on.
void readBinary(BlockReader &in, std::uint64_t fileSize, ObjectEntry &entry)
{
    startMesh(entry);
    in.fill(kFirstRecord);
    if (in.available() < kFirstRecord) {
        if (in.available() > 0)
            qCWarning(lcMesh) << "STL file ends before its triangle count";
        return;
    }
    const std::uint32_t said = readU32(in.data() + kHeaderBytes);
    in.consume(kFirstRecord);
    const std::uint64_t room =
        fileSize > kFirstRecord ? (fileSize - kFirstRecord) / kRecordBytes : 0;
    const std::size_t expected = std::size_t(std::min<std::uint64_t>(said, room));
    reserveFloats(entry.vertices, expected * 9);
    reserveFloats(entry.normals, expected * 9);

    std::size_t done = 0;
    while (done < said) {
        // One read refills the whole block behind the partial record left over.
        if (in.available() < kRecordBytes)
            in.fill(kRecordBytes);
        const std::size_t whole = std::min<std::size_t>(in.available() / kRecordBytes, said - done);
        if (whole == 0)
            break;
        const char *record = in.data();
        for (std::size_t k = 0; k < whole; ++k, record += kRecordBytes) {
            float f[12];
            readFloats(record, f, 12);
            entry.vertices.insert(entry.vertices.end(), f + 3, f + 12);
            const float n[9] = {f[0], f[1], f[2], f[0], f[1], f[2], f[0], f[1], f[2]};
            entry.normals.insert(entry.normals.end(), n, n + 9);
        }
        in.consume(whole * kRecordBytes);
        done += whole;
    }
    if (done < said)
        qCWarning(lcMesh) << "STL file does not have the triangles that it says that it has:"
                          << said << "said," << done << "present";
    entry.runs.back().count = std::uint32_t(done);
}

// Position of `keyword` in [begin, end), or null.
const char *find(const char *begin, const char *end, const char *keyword, std::size_t length)
{
    while (std::size_t(end - begin) >= length) {
        const void *hit = std::memchr(begin, keyword[0], std::size_t(end - begin) - length + 1);
        if (!hit)
            return nullptr;
        const char *at = static_cast<const char *>(hit);
        if (std::memcmp(at + 1, keyword + 1, length - 1) == 0)
            return at;
        begin = at + 1;
    }
    return nullptr;
}

// The first three space-separated pieces of [p, end) as numbers; missing
// pieces read as 0.
void threeNumbers(const char *p, const char *end, float *out)
{
    out[0] = out[1] = out[2] = 0.0f;
    for (int found = 0; found < 3; ++found) {
        while (p < end && *p == ' ')
            ++p;
        if (p == end)
            return;
        const void *space = std::memchr(p, ' ', std::size_t(end - p));
        const char *pieceEnd = space ? static_cast<const char *>(space) : end;
        out[found] = cnumber::toFloat(std::string_view(p, std::size_t(pieceEnd - p)));
        p = pieceEnd;
    }
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

// One ASCII line without its line break.
void asciiLine(const char *p, const char *end, ObjectEntry &entry, float *corners, int &corner,
               bool &anyVertex)
{
    while (end > p && end[-1] == '\r')
        --end;
    if (const char *at = find(p, end, "vertex", 6)) {
        anyVertex = true;
        // The keyword and the one character after it are dropped.
        threeNumbers(std::min(at + 7, end), end, corners + 3 * corner);
        if (++corner == 3) {
            appendTriangle(entry, corners);
            corner = 0;
        }
    } else if (const char *at = find(p, end, "color", 5)) {
        ColourRun run;
        run.hasColour = true;
        threeNumbers(std::min(at + 6, end), end, run.fileValues.data());
        run.first = std::uint32_t(entry.triangleCount());
        entry.runs.push_back(run);
    }
}

// The lines after the first one, to the end of the device. Returns whether
// any line held "vertex".
bool readAscii(BlockReader &in, std::uint64_t fileSize, ObjectEntry &entry)
{
    startMesh(entry);
    // A facet takes some 250 bytes in common files; the arrays grow beyond
    // this guess if needed.
    const std::size_t guess = std::size_t(std::min<std::uint64_t>(fileSize / 256, 1u << 26));
    reserveFloats(entry.vertices, guess * 9);
    reserveFloats(entry.normals, guess * 9);

    bool anyVertex = false;
    float corners[9];
    int corner = 0;
    std::size_t scanned = 0; // bytes already known to hold no line break
    for (;;) {
        const char *p = in.data();
        const void *newline = std::memchr(p + scanned, '\n', in.available() - scanned);
        if (!newline) {
            if (in.ended()) {
                if (in.available() > 0)
                    asciiLine(p, p + in.available(), entry, corners, corner, anyVertex);
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
            asciiLine(p, lineEnd, entry, corners, corner, anyVertex);
            p = lineEnd + 1;
            newline = std::memchr(p, '\n', std::size_t(blockEnd - p));
            if (!newline)
                break;
            lineEnd = static_cast<const char *>(newline);
        }
        in.consume(std::size_t(p - in.data()));
        scanned = std::size_t(blockEnd - p);
    }
    // One or two corners left over at the end make no triangle.
    return anyVertex;
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

int readObjectMesh(const QString &fileName, ObjectEntry &entry, QString *why)
{
    entry.path = DataDirs::resolveStoredPath(fileName);
    entry.vertices.clear();
    entry.normals.clear();
    entry.runs.clear();
    ++entry.meshReadings;

    QFile file;
    if (!openRegularFile(file, entry.path) &&
        !openRegularFile(file, DataDirs::objectDir() + QFileInfo(entry.path).fileName())) {
        if (why)
            *why = QStringLiteral("the file cannot be opened");
        return -1;
    }
    const std::uint64_t size = std::uint64_t(std::max<qint64>(file.size(), 0));

    BlockReader in(file, size);
    in.fill(kFirstRecord);
    std::size_t firstLine = std::min(in.available(), kFirstLineLimit);
    if (const void *newline = firstLine ? std::memchr(in.data(), '\n', firstLine) : nullptr)
        firstLine = std::size_t(static_cast<const char *>(newline) - in.data()) + 1;
    if (!find(in.data(), in.data() + firstLine, "solid", 5)) {
        // A binary file is exactly its header, its count and its records;
        // anything else is damaged or is not a mesh at all, and drawing
        // whatever its bytes say would cover the scene with random triangles.
        const std::uint64_t said =
            in.available() >= kFirstRecord ? readU32(in.data() + kHeaderBytes) : 0;
        if (size < kFirstRecord || size != kFirstRecord + kRecordBytes * said) {
            if (why)
                *why = size < kFirstRecord
                           ? QStringLiteral("a binary STL file of %1 bytes is shorter than "
                                            "its 84-byte header")
                                 .arg(size)
                           : QStringLiteral("a binary STL file that says %1 triangles needs %2 "
                                            "bytes, it has %3")
                                 .arg(said)
                                 .arg(kFirstRecord + kRecordBytes * said)
                                 .arg(size);
            entry.runs.clear();
            return -1;
        }
        readBinary(in, size, entry);
        return 0;
    }
    const bool canMend = in.available() >= kFirstRecord;
    const std::uint32_t count = canMend ? readU32(in.data() + kHeaderBytes) : 0;
    in.consume(firstLine);
    const bool anyVertex = readAscii(in, size, entry);
    // Many CAD exporters start the header of a binary file with "solid". Such
    // a file has no vertex line and exactly the size its count calls for.
    const std::uint64_t seen = in.position();
    if (!anyVertex && canMend && seen == kFirstRecord + kRecordBytes * std::uint64_t(count) &&
        in.rewind())
        readBinary(in, seen, entry);
    return 0;
}
