// The LAN link's replies, as the bytes a controller sends: the version and
// the angle format, then the echo of the joint request among stray bytes and
// six joints. Read whole and in pieces they give the same result; the echo is
// the first place its five bytes occur; a well-formed number encodes back to
// the bytes it was decoded from.
#include "fuzzsupport.h"
#include "pieces.h"

#include "links/lannumber.h"
#include "links/lanreply.h"

#include <algorithm>
#include <cstring>

namespace {

struct Outcome
{
    double version = 0.0;
    double format = 0.0;
    lan::JointsReply joints;
    std::size_t used = 0;
};

// Feeds the readers one after the other, as the link does.
template <typename NextPiece>
Outcome run(const std::uint8_t *data, std::size_t size, NextPiece nextPiece)
{
    Outcome o;
    lan::NumberReply version, format;
    std::size_t offered = 0;
    while (o.used < size && o.joints.status() != lan::JointsReply::Status::Done &&
           o.joints.status() != lan::JointsReply::Status::NoEcho) {
        offered = std::min(size, std::max(offered, o.used) + nextPiece());
        while (o.used < offered) {
            const std::uint8_t *p = data + o.used;
            const std::size_t left = offered - o.used;
            std::size_t took = 0;
            if (!version.complete())
                took = version.feed(p, left);
            else if (!format.complete())
                took = format.feed(p, left);
            else
                took = o.joints.feed(p, left);
            o.used += took;
            if (took == 0)
                break;
        }
    }
    if (version.complete())
        o.version = version.value();
    if (format.complete())
        o.format = format.value();
    return o;
}

// Numbers that encode() makes: fraction within (-1, 1), with the sign of the
// integer part.
bool wellFormed(const std::uint8_t *b)
{
    const long a = (long(b[0]) << 8 | b[1]) - 10000;
    const long f = (long(b[2]) << 16 | long(b[3]) << 8 | b[4]) - 1000000;
    return f > -1000000 && f < 1000000 && !(a > 0 && f < 0) && !(a < 0 && f > 0);
}

void checkRoundTrip(const std::uint8_t *b)
{
    if (!wellFormed(b))
        return;
    lan::Number again;
    FUZZ_CHECK(lan::encode(lan::decode(b), again) == lan::Fit::Exact);
    FUZZ_CHECK(std::memcmp(again.data(), b, lan::kNumberSize) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Outcome whole = run(data, size, [size] { return size; });
    fuzz::Pieces pieces(data, size);
    const Outcome cut = run(data, size, [&pieces] { return pieces.next(); });
    FUZZ_CHECK(whole.used == cut.used);
    FUZZ_CHECK(whole.joints.status() == cut.joints.status());
    FUZZ_CHECK(whole.joints.scanned() == cut.joints.scanned());
    FUZZ_CHECK(std::memcmp(&whole.version, &cut.version, sizeof(double)) == 0);

    if (size >= 5)
        checkRoundTrip(data);
    if (size >= 10)
        checkRoundTrip(data + 5);
    if (size < 10)
        return 0;

    // The echo search looks at the bytes after the handshake.
    const lan::JointsReply &j = whole.joints;
    const std::uint8_t *region = data + 10;
    const int scanned = j.scanned();
    FUZZ_CHECK(scanned >= 0 && scanned <= lan::JointsReply::kMaxSyncBytes);
    lan::Number echo;
    lan::encode(9.0, echo);
    const std::uint8_t *first =
        std::search(region, region + scanned, echo.begin(), echo.end());
    switch (j.status()) {
    case lan::JointsReply::Status::SeekingEcho:
        FUZZ_CHECK(first == region + scanned && whole.used == size);
        break;
    case lan::JointsReply::Status::NoEcho:
        FUZZ_CHECK(scanned == lan::JointsReply::kMaxSyncBytes && first == region + scanned);
        break;
    case lan::JointsReply::Status::ReadingJoints:
    case lan::JointsReply::Status::Done:
        FUZZ_CHECK(first == region + scanned - lan::kNumberSize);
        break;
    }
    if (j.status() == lan::JointsReply::Status::Done) {
        const std::uint8_t *numbers = region + scanned;
        FUZZ_CHECK(whole.used == std::size_t(10 + scanned + 30));
        FUZZ_CHECK(std::memcmp(numbers, j.jointBytes().data(), 30) == 0);
        for (int k = 0; k < 6; ++k) {
            FUZZ_CHECK(j.joints()[std::size_t(k)] == lan::decode(numbers + 5 * k));
            checkRoundTrip(numbers + 5 * k);
        }
    }
    return 0;
}
