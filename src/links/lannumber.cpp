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
    double whole = std::trunc(value);
    // The fraction in millionths, truncated toward zero. A value that is a
    // whole number of millionths (2.3) is held by a double a hair beside it
    // (2.29999999999999982), and value - whole times a million then lies up
    // to about 1e-5 below the whole count: that hair is the double's, not
    // the value's, and must not cost a millionth, or a decoded number would
    // not encode back to its own bytes.
    const double scaled = (value - whole) * 1000000.0;
    const double nearest = std::round(scaled);
    double millionths = std::fabs(scaled - nearest) < 1e-4 ? nearest : std::trunc(scaled);
    if (std::fabs(millionths) >= 1000000.0) {
        // A fraction that rounds up to one carries into the integer part.
        whole += millionths > 0 ? 1.0 : -1.0;
        millionths = 0.0;
    }
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
