#include "lanreply.h"

#include <algorithm>
#include <cstring>

namespace lan {

std::size_t NumberReply::feed(const std::uint8_t *data, std::size_t size)
{
    const std::size_t take = std::min(size, std::size_t(kNumberSize) - m_have);
    std::copy(data, data + take, m_bytes.begin() + std::ptrdiff_t(m_have));
    m_have += take;
    return take;
}

std::size_t JointsReply::feed(const std::uint8_t *data, std::size_t size)
{
    std::size_t used = 0;
    Number echo;
    encode(9.0, echo);
    while (m_status == Status::SeekingEcho) {
        while (m_windowSize < std::size_t(kNumberSize)) {
            if (m_scanned >= kMaxSyncBytes) {
                m_status = Status::NoEcho;
                return used;
            }
            if (used == size)
                return used;
            m_window[m_windowSize++] = data[used++];
            ++m_scanned;
        }
        // Exactly the echo's five bytes: a window that merely decodes close
        // to 9 is a misaligned read.
        if (m_window == echo) {
            m_status = Status::ReadingJoints;
            break;
        }
        std::memmove(m_window.data(), m_window.data() + 1, kNumberSize - 1);
        --m_windowSize;
    }
    if (m_status == Status::ReadingJoints) {
        const std::size_t take = std::min(size - used, m_jointBytes.size() - m_jointHave);
        std::copy(data + used, data + used + take, m_jointBytes.begin() + std::ptrdiff_t(m_jointHave));
        m_jointHave += take;
        used += take;
        if (m_jointHave == m_jointBytes.size()) {
            for (int k = 0; k < 6; ++k)
                m_joints[std::size_t(k)] = decode(m_jointBytes.data() + k * kNumberSize);
            m_status = Status::Done;
        }
    }
    return used;
}

} // namespace lan
