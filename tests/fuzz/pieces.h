// Cuts an input into the pieces a socket might deliver it in: lengths from
// 1 to 16, chosen by the input itself so that a crash replays the same way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

class Pieces
{
public:
    Pieces(const std::uint8_t *data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            m_state = m_state * 31u + data[i];
    }
    std::size_t next()
    {
        m_state = m_state * 1103515245u + 12345u;
        return 1 + (m_state >> 16) % 16;
    }

private:
    std::uint32_t m_state = 2166136261u;
};

} // namespace fuzz
