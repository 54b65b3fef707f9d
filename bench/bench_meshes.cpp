// Reading static objects on one core: a binary STL of 1,000,000 triangles and
// an ASCII STL of 200,000 triangles with colour lines, both written once into
// a temporary directory before the timing starts. Throughput is the file's
// size over the processor time of one readObjectMesh (the reading thread's
// time, kernel work such as page faults included), so other programs busy on
// the machine do not lower it; the wall time is shown beside it.
//
//   build/bin/bench_meshes
//   build/bin/bench_meshes --benchmark_filter=Ascii --benchmark_repetitions=5
#include "scene/objectmesh.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kBinaryTriangles = 1000000;
constexpr std::uint32_t kAsciiTriangles = 200000;
constexpr std::uint32_t kTrianglesPerColour = 5000;

struct Files
{
    QTemporaryDir dir;
    QString binary, ascii;
    std::int64_t binaryBytes = 0, asciiBytes = 0;
};

Files *g_files = nullptr;

// Corners of triangle k: a jittered strip, so that every number differs.
void corners(std::mt19937 &random, float *p)
{
    std::uniform_real_distribution<float> coordinate(-500.0f, 500.0f);
    for (int i = 0; i < 9; ++i)
        p[i] = coordinate(random);
}

std::int64_t writeBinary(const QString &path)
{
    std::FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return -1;
    char header[80] = "binary STL written by bench_meshes";
    std::fwrite(header, 1, 80, f);
    const std::uint32_t n = kBinaryTriangles; // the host is little-endian, as the file
    std::fwrite(&n, 4, 1, f);
    std::mt19937 random(7);
    std::vector<char> record(50, 0);
    for (std::uint32_t k = 0; k < n; ++k) {
        float v[12] = {0.0f, 0.0f, 1.0f};
        corners(random, v + 3);
        std::memcpy(record.data(), v, 48);
        std::fwrite(record.data(), 1, 50, f);
    }
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

// Formatted the way common exporters write: scientific notation, indented.
std::int64_t writeAscii(const QString &path)
{
    std::FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return -1;
    std::fputs("solid bench\n", f);
    std::mt19937 random(11);
    for (std::uint32_t k = 0; k < kAsciiTriangles; ++k) {
        if (k % kTrianglesPerColour == 0)
            std::fprintf(f, "  color %.3f %.3f %.3f\n", (k % 7) / 7.0, (k % 5) / 5.0,
                         (k % 3) / 3.0);
        float p[9];
        corners(random, p);
        std::fputs("  facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n    outer loop\n", f);
        for (int c = 0; c < 3; ++c)
            std::fprintf(f, "      vertex %e %e %e\n", double(p[3 * c]), double(p[3 * c + 1]),
                         double(p[3 * c + 2]));
        std::fputs("    endloop\n  endfacet\n", f);
    }
    std::fputs("endsolid bench\n", f);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

void read(benchmark::State &state, const QString &path, std::int64_t bytes, std::size_t triangles)
{
    for (auto _ : state) {
        ObjectEntry entry;
        const int result = readObjectMesh(path, entry);
        if (result != 0 || entry.triangleCount() != triangles) {
            state.SkipWithError("the file did not read back whole");
            break;
        }
        benchmark::DoNotOptimize(entry.vertices.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = double(bytes) / 1e6;
}

void BM_ReadBinaryStl(benchmark::State &state)
{
    read(state, g_files->binary, g_files->binaryBytes, kBinaryTriangles);
}
BENCHMARK(BM_ReadBinaryStl)->Unit(benchmark::kMillisecond);

void BM_ReadAsciiStl(benchmark::State &state)
{
    read(state, g_files->ascii, g_files->asciiBytes, kAsciiTriangles);
}
BENCHMARK(BM_ReadAsciiStl)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Files files;
    if (!files.dir.isValid())
        return 1;
    files.binary = files.dir.filePath(QStringLiteral("million.stl"));
    files.ascii = files.dir.filePath(QStringLiteral("ascii.stl"));
    files.binaryBytes = writeBinary(files.binary);
    files.asciiBytes = writeAscii(files.ascii);
    if (files.binaryBytes <= 0 || files.asciiBytes <= 0) {
        std::fprintf(stderr, "could not write the test files\n");
        return 1;
    }
    g_files = &files;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_files = nullptr;
    return 0;
}
