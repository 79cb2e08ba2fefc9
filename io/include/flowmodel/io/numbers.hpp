// Numbers as text: written in the shortest form that reads back to the same
// double (0.072 is "0.072"), read exactly to the nearest double.
#ifndef FLOWMODEL_IO_NUMBERS_HPP
#define FLOWMODEL_IO_NUMBERS_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace flowmodel::io {

// Appends the shortest round-trip text of v: "0.072", "1e-10", "101300",
// "nan" (or "-nan"), "inf", "-inf".
void append_double(std::string& out, double v);
std::string format_double(double v);

// v to `significant` digits, as a message shows a number (4491.667 -> "4492").
std::string format_rounded(double v, int significant = 4);

// What parse_double saw in a plain decimal of at most 15 significant
// digits: its digits, so that the number is written back without searching
// for its shortest digits. `plain` is false for any other text.
struct DecimalText {
    bool plain = false;
    bool negative = false;
    std::uint64_t digits = 0;  // without trailing zeros
    int exp10 = 0;             // the number is ± digits × 10^exp10
    double value = 0;          // what the text reads as
};

// Appends what append_double(v) appends, faster when `text` is the plain
// decimal v was read from (for any other v or text it changes nothing).
void append_double(std::string& out, double v, const DecimalText& text);

// The same written at p, which must have room for kMaxDoubleText characters
// (the longest shortest form, "-2.2250738585072014e-308", has 24); the end
// of what was written is returned.
constexpr std::size_t kMaxDoubleText = 32;
char* write_double(char* p, double v);
char* write_double(char* p, double v, const DecimalText& text);

// Reads a whole field as a number: surrounding blanks (space, tab, CR)
// allowed, a sign, decimals, exponents, "nan", "inf", "infinity" in any case,
// and hexadecimal floats. Overflow gives ±inf, underflow a denormal or 0: the
// caller decides what such values mean. False when the text is empty or
// anything is left over.
// With `decimal`, also what append_double needs to write the number back
// fast.
bool parse_double(std::string_view text, double& value, DecimalText* decimal = nullptr);

// The text cut to at most `limit` characters with "..." after the cut, and
// control characters written as \n, \r, \t or \xNN, for echoing what a
// user gave in a one-line message without echoing megabytes.
std::string shorten(std::string_view text, std::size_t limit = 40);

}  // namespace flowmodel::io

#endif
