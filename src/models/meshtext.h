// The line rule shared by robot link meshes and tool files: a keyword counts
// only when it starts at a character position from 1 to 999 (so keyword lines
// are indented, as in ASCII STL); the keyword and the one character after it
// are dropped, the rest is split at spaces and read as C numbers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class Joint;

namespace meshtext {

constexpr std::size_t kNotFound = std::string_view::npos;

// Position of `keyword` when it starts within columns 1..999 of the line.
std::size_t keywordAt(std::string_view line, std::string_view keyword);

// Reads up to `count` numbers after the keyword found at `pos`; pieces that
// are missing read as 0.
void numbersAfter(std::string_view line, std::size_t pos, std::size_t keywordLength, double *out,
                  int count);

// Handles a "vertex", "normal" or "color" line for `target`. Returns 'v',
// 'n', 'c' for the keyword that counted, or 0 when the line has none.
// Vertices also extend the box when `extendBox` is set.
char applyGeometryLine(std::string_view line, Joint &target, bool extendBox);

} // namespace meshtext
