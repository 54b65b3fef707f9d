#include "lannumber.h"

#include <cmath>

namespace lan {

Fit encode(double value, std::uint8_t *out)
{
    if (std::isnan(value))
        return Fit::Refused;
    Fit fit = Fit::Exact;
    if (value < kLowest) {
        value = kLowest;
        fit = Fit::Clamped;
    } else if (value > kHighest) {
        value = kHighest;
        fit = Fit::Clamped;
    }
    const double whole = std::trunc(value);
    const double millionths = std::trunc((value - whole) * 1000000.0);
    // In range, whole + 10000 is in [0, 65535] and the fraction in
    // (-1000000, 1000000), so both fields fit without wrapping.
    const auto a = static_cast<std::uint32_t>(static_cast<std::int32_t>(whole) + 10000);
    const auto b = static_cast<std::uint32_t>(static_cast<std::int32_t>(millionths) + 1000000);
    out[0] = std::uint8_t((a >> 8) & 0xFF);
    out[1] = std::uint8_t(a & 0xFF);
    out[2] = std::uint8_t((b >> 16) & 0xFF);
    out[3] = std::uint8_t((b >> 8) & 0xFF);
    out[4] = std::uint8_t(b & 0xFF);
    return fit;
}

Fit encode(double value, Number &out)
{
    return encode(value, out.data());
}

double decode(const std::uint8_t *five)
{
    const int a = (int(five[0]) << 8) | int(five[1]);
    const long b = (long(five[2]) << 16) | (long(five[3]) << 8) | long(five[4]);
    return double(a - 10000) + double(b - 1000000) / 1000000.0;
}

} // namespace lan
