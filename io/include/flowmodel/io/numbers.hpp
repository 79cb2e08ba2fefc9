// Numbers as text: written in the shortest form that reads back to the same
// double (0.072 is "0.072"), read exactly to the nearest double.
#ifndef FLOWMODEL_IO_NUMBERS_HPP
#define FLOWMODEL_IO_NUMBERS_HPP

#include <string>
#include <string_view>

namespace flowmodel::io {

// Appends the shortest round-trip text of v: "0.072", "1e-10", "101300",
// "nan" (or "-nan"), "inf", "-inf".
void append_double(std::string& out, double v);
std::string format_double(double v);

// Reads a whole field as a number: surrounding blanks (space, tab, CR)
// allowed, a sign, decimals, exponents, "nan", "inf", "infinity" in any case,
// and hexadecimal floats. Overflow gives ±inf, underflow a denormal or 0: the
// caller decides what such values mean. False when the text is empty or
// anything is left over.
bool parse_double(std::string_view text, double& value);

// The text cut to at most `limit` characters with "..." after the cut, and
// control characters written as \n, \r, \t or \xNN, for echoing what a
// user gave in a one-line message without echoing megabytes.
std::string shorten(std::string_view text, std::size_t limit = 40);

}  // namespace flowmodel::io

#endif
