// Shortest round-trip formatting (std::to_chars) and exact reading
// (std::from_chars, with strtod for the forms it does not take).
#include "flowmodel/io/numbers.hpp"

#include <charconv>
#include <cstdlib>
#include <string>

namespace flowmodel::io {

void append_double(std::string& out, double v) {
    char buf[32];  // the longest shortest form, "-2.2250738585072014e-308", has 24
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string format_double(double v) {
    std::string s;
    append_double(s, v);
    return s;
}

bool parse_double(std::string_view t, double& value) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!t.empty() && blank(t.front())) t.remove_prefix(1);
    while (!t.empty() && blank(t.back())) t.remove_suffix(1);
    if (t.empty()) return false;
    std::string_view body = t;
    const bool plus = body.front() == '+';  // from_chars takes no plus sign
    if (plus) body.remove_prefix(1);
    if (!body.empty() && !(plus && (body.front() == '+' || body.front() == '-'))) {
        const std::from_chars_result r = std::from_chars(body.data(), body.data() + body.size(), value);
        if (r.ec == std::errc() && r.ptr == body.data() + body.size()) return true;
    }
    // Out of range (from_chars then leaves value unset), hexadecimal, or not
    // a number at all: strtod decides, on a terminated copy.
    const std::string copy(t);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size();
}

std::string shorten(std::string_view text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > limit) out += "...";
    return out;
}

}  // namespace flowmodel::io
