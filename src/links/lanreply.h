// The reads of the controller's replies on the LAN link, apart from the
// socket: bytes go in as they arrive, in pieces of any size, and each reader
// takes only what its reply needs, so what follows stays with the caller.
//
//   NumberReply  one LAN number (the version, the angle format)
//   JointsReply  the echo of the joint request (9), found by a window of five
//                bytes sliding one byte at a time over stray bytes, then six
//                LAN numbers; at most kMaxSyncBytes bytes are examined for the
//                echo before the search gives up
#pragma once

#include "lannumber.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace lan {

class NumberReply
{
public:
    // Takes at most what the number still needs; returns the bytes taken.
    std::size_t feed(const std::uint8_t *data, std::size_t size);
    bool complete() const { return m_have == kNumberSize; }
    // Valid once complete.
    double value() const { return decode(m_bytes.data()); }
    const Number &bytes() const { return m_bytes; }

private:
    Number m_bytes{};
    std::size_t m_have = 0;
};

class JointsReply
{
public:
    // The echo itself plus room for thirty stray bytes.
    static constexpr int kMaxSyncBytes = 35;

    enum class Status
    {
        SeekingEcho,
        ReadingJoints,
        Done,  // the six joints are in joints()
        NoEcho // kMaxSyncBytes bytes held no echo; nothing more is taken
    };

    // Takes bytes until the reply is done or given up; returns the bytes taken.
    std::size_t feed(const std::uint8_t *data, std::size_t size);
    Status status() const { return m_status; }
    // Bytes examined while seeking the echo (the echo's own five included).
    int scanned() const { return m_scanned; }
    // Joint 1 first, degrees; valid when Done.
    const std::array<double, 6> &joints() const { return m_joints; }
    // The thirty bytes the joints were decoded from; valid when Done.
    const std::array<std::uint8_t, 6 * kNumberSize> &jointBytes() const { return m_jointBytes; }

private:
    Status m_status = Status::SeekingEcho;
    Number m_window{};
    std::size_t m_windowSize = 0;
    int m_scanned = 0;
    std::array<std::uint8_t, 6 * kNumberSize> m_jointBytes{};
    std::size_t m_jointHave = 0;
    std::array<double, 6> m_joints{};
};

} // namespace lan
