#include "cnumber.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace cnumber {

namespace {

std::string_view skipBlanksAndPlus(std::string_view t, bool &negative)
{
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r' ||
                            t[i] == '\f' || t[i] == '\v'))
        ++i;
    negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    return t.substr(i);
}

} // namespace

double toDouble(std::string_view text)
{
    bool negative = false;
    const std::string_view t = skipBlanksAndPlus(text, negative);
    if (t.empty() || t.front() == '+' || t.front() == '-')
        return 0.0;
    double value = 0.0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    if (res.ec == std::errc::invalid_argument)
        return 0.0;
    // Out of range: from_chars leaves the value alone; atof gives 0 on
    // underflow and HUGE_VAL on overflow.
    if (res.ec == std::errc::result_out_of_range) {
        const std::string_view parsed = t.substr(0, static_cast<std::size_t>(res.ptr - t.data()));
        const auto e = parsed.find_first_of("eE");
        const bool underflow =
            e != std::string_view::npos && e + 1 < parsed.size() && parsed[e + 1] == '-';
        value = underflow ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

int toInt(std::string_view text)
{
    bool negative = false;
    const std::string_view t = skipBlanksAndPlus(text, negative);
    if (t.empty() || t.front() == '+' || t.front() == '-')
        return 0;
    long long value = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    if (res.ec == std::errc::invalid_argument)
        return 0;
    if (res.ec == std::errc::result_out_of_range)
        return negative ? INT_MIN : INT_MAX;
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace cnumber
