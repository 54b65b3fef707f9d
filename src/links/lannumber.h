// The five-byte fixed-point numbers of the LAN link to a robot controller.
//
// Every value on the wire, in both directions, is one LAN number:
//   bytes 0-1  A = I + 10000          (unsigned 16-bit, big-endian)
//   bytes 2-4  B = F + 1000000        (unsigned 24-bit, big-endian)
// where I is the integer part of the value truncated toward zero and F the
// fractional part in millionths, also truncated toward zero. A peer decodes
// (A - 10000) + (B - 1000000) / 1000000.
//
// A is sixteen bits, so a value whose integer part lies outside
// [-10000, 55535] (the value outside [-10000.999999, 55535.999999]) wraps around and reaches the controller as a different
// number. Such a value is never written as it is: it is clamped to the
// nearest value that can be carried, and NaN is refused outright.
#pragma once

#include <array>
#include <cstdint>

namespace lan {

constexpr int kNumberSize = 5;
using Number = std::array<std::uint8_t, kNumberSize>;

// The carriable range: [kLowest, kHighest], with a resolution of 1e-6.
constexpr double kLowest = -10000.999999;
constexpr double kHighest = 55535.999999;

enum class Fit
{
    Exact,   // carried as it is
    Clamped, // out of range (or infinite): the nearest carriable value was written
    Refused  // NaN: nothing was written
};

// Encodes `value` into `out`. On Refused, `out` is left untouched.
Fit encode(double value, Number &out);
// Same, into five bytes at `out`.
Fit encode(double value, std::uint8_t *out);

// Decodes five bytes. Every byte pattern decodes to some finite value.
double decode(const std::uint8_t *five);
inline double decode(const Number &n)
{
    return decode(n.data());
}

} // namespace lan
