// Number parsing with the C rules the data files were written for (atoi and
// atof: leading blanks skipped, the longest numeric prefix taken, anything
// unparsable reads as 0), but always with "." as decimal separator whatever
// the process locale: a desktop running in German must read "12.5" as 12.5.
#pragma once

#include <string_view>

namespace cnumber {

double toDouble(std::string_view text);
int toInt(std::string_view text);

} // namespace cnumber
