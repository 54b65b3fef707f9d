// Number parsing with the C rules the data files were written for (atoi and
// atof: leading blanks skipped, the longest numeric prefix taken, anything
// unparsable reads as 0), but always with "." as decimal separator whatever
// the process locale: a desktop running in German must read "12.5" as 12.5.
#pragma once

#include <QString>
#include <string_view>

namespace cnumber {

double toDouble(std::string_view text);
float toFloat(std::string_view text); // read in float precision, as meshes are
int toInt(std::string_view text);

} // namespace cnumber

// What people type into the window's number fields. One reader for all of
// them, so every field agrees on what a number is:
//  - finite numbers only ("inf", "nan", letters, 1e39 for a float: refused);
//  - "5,5" and "5.5" are both 5.5: users of the French, German, Spanish and
//    Catalan interfaces write decimal commas. A comma is never a separator
//    of thousands, and a number with two separators is refused;
//  - a unit may follow: "mm" after lengths, "°" or "º" (or nothing) after
//    angles.

namespace typed {

enum class Unit { None, Length, Angle };

// True and `*value` set when `text` is one number (with its optional unit).
bool number(const QString &text, double *value, Unit unit = Unit::None);

// A list of `count` numbers: `units[i]` says what may follow number i.
// Numbers are separated by ";" or by ","; when plain commas give the wrong
// count, only a comma followed by a blank separates, so "5,5, 3,2, 1" reads
// as 5.5, 3.2, 1. On failure `*error` says what is wrong ("\"4OO\" is not a
// number", "3 numbers expected, 2 found") and `values` is left alone.
bool list(const QString &text, int count, const Unit *units, double *values, QString *error);

// The same degree sign in every read-out.
QChar degreeSign();

} // namespace typed
