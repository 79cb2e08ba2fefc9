// Shortest round-trip formatting (std::to_chars) and exact reading
// (std::from_chars, with strtod for the forms it does not take), each with a
// fast path for plain decimals of at most 15 significant digits, which is
// what people and spreadsheets write.
#include "flowmodel/io/numbers.hpp"

#include <cstdio>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace flowmodel::io {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && blank(t.front())) t.remove_prefix(1);
    while (!t.empty() && blank(t.back())) t.remove_suffix(1);
    return t;
}

// The same double to the bit (-0 is not 0, a NaN only itself).
bool same_bits(double a, double b) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, &a, sizeof a);
    std::memcpy(&y, &b, sizeof b);
    return x == y;
}

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Reads plain decimal text ([+-] digits [. digits] [(e|E) [+-] digits], or
// with the point first) into d, digits without trailing zeros. False when the
// text is another form or has more than 15 significant digits: the general
// path then decides.
bool read_decimal(std::string_view t, DecimalText& d) {
    const char* p = t.data();
    const char* const end = p + t.size();
    auto is_digit = [](char c) { return static_cast<unsigned>(static_cast<unsigned char>(c) - '0') < 10u; };
    if (p < end && (*p == '+' || *p == '-')) d.negative = *p++ == '-';
    const char* const start = p;
    while (p < end && *p == '0') ++p;  // leading zeros
    std::uint64_t m = 0;  // wraps past 19 digits, which are refused below
    const char* q = p;
    for (; q < end && is_digit(*q); ++q) m = m * 10 + static_cast<unsigned>(*q - '0');
    long count = q - p;  // significant digits
    long scale = 0;      // minus the digits after the point
    bool any = q > start;
    p = q;
    if (p < end && *p == '.') {
        const char* const frac = ++p;
        if (count == 0) {
            while (p < end && *p == '0') ++p;  // zeros before the first significant digit
        }
        q = p;
        for (; p < end && is_digit(*p); ++p) m = m * 10 + static_cast<unsigned>(*p - '0');
        count += p - q;
        scale = -(p - frac);
        any = any || p > frac;
    }
    if (!any || count > 19) return false;
    int e = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool neg = false;
        if (p < end && (*p == '+' || *p == '-')) neg = *p++ == '-';
        if (p == end || *p < '0' || *p > '9') return false;
        for (; p < end && *p >= '0' && *p <= '9'; ++p) {
            if (e < 100000) e = e * 10 + (*p - '0');
        }
        if (neg) e = -e;
    }
    if (p != end) return false;
    int exp10 = static_cast<int>(scale) + e;
    if (m == 0) {
        exp10 = 0;
    } else {
        while (m % 10 == 0) {
            m /= 10;
            --count;
            ++exp10;
        }
    }
    if (count > 15) return false;
    d.digits = m;
    d.exp10 = exp10;
    return true;
}

// The double nearest to d when one correctly rounded operation gives it
// (digits < 2^53 and a power of ten that is exact: |exp10| ≤ 22).
bool exact_value(const DecimalText& d, double& value) {
    if (d.exp10 < -22 || d.exp10 > 22) return false;
    const double m = static_cast<double>(d.digits);
    value = d.exp10 >= 0 ? m * kPow10[d.exp10] : m / kPow10[-d.exp10];
    if (d.negative) value = -value;
    return true;
}

// Writes d at p as std::to_chars writes the double it denotes when d's digits
// are that double's shortest digits: fixed or scientific, whichever is
// shorter, fixed on a tie; the exponent with a sign and at least two digits.
// Null, writing nothing, for an integer of more than 15 digits written
// fixed: to_chars writes such a double's exact value, not its shortest digits.
char* write_decimal(char* p, const DecimalText& d) {
    char digits[16];
    char* const dend = std::to_chars(digits, digits + sizeof digits, d.digits).ptr;
    const int n = static_cast<int>(dend - digits);
    const int k = d.exp10;
    const int x = k + n - 1;  // scientific exponent
    const int ax = x < 0 ? -x : x;
    const int sci_len = n + (n > 1 ? 1 : 0) + 2 + (ax >= 100 ? 3 : 2);
    const int fixed_len = k >= 0 ? n + k : (n + k > 0 ? n + 1 : 2 - k);
    if (fixed_len <= sci_len && n + k > 15) return nullptr;
    auto copy = [&p](const char* b, const char* e) {
        std::memcpy(p, b, static_cast<std::size_t>(e - b));
        p += e - b;
    };
    if (d.negative) *p++ = '-';
    if (fixed_len <= sci_len) {  // then at most 21 characters
        if (k >= 0) {
            copy(digits, dend);
            std::memset(p, '0', static_cast<std::size_t>(k));
            p += k;
        } else if (n + k > 0) {
            copy(digits, digits + n + k);
            *p++ = '.';
            copy(digits + n + k, dend);
        } else {
            *p++ = '0';
            *p++ = '.';
            std::memset(p, '0', static_cast<std::size_t>(-(n + k)));
            p += -(n + k);
            copy(digits, dend);
        }
        return p;
    }
    *p++ = digits[0];
    if (n > 1) {
        *p++ = '.';
        copy(digits + 1, dend);
    }
    *p++ = 'e';
    *p++ = x < 0 ? '-' : '+';
    if (ax < 10) *p++ = '0';
    return std::to_chars(p, p + 4, ax).ptr;
}

}  // namespace

char* write_double(char* p, double v) { return std::to_chars(p, p + kMaxDoubleText, v).ptr; }

char* write_double(char* p, double v, const DecimalText& text) {
    // A decimal of at most 15 significant digits is the shortest text of the
    // double nearest to it, and the only one that short (any two such
    // decimals read to different doubles), for doubles of the normal range.
    if (text.plain && same_bits(text.value, v)) {
        if (v == 0) {
            if (text.negative) *p++ = '-';
            *p++ = '0';
            return p;
        }
        if (std::fabs(v) >= std::numeric_limits<double>::min()) {
            if (char* e = write_decimal(p, text)) return e;
        }
    }
    return write_double(p, v);
}

void append_double(std::string& out, double v) {
    char buf[kMaxDoubleText];
    out.append(buf, write_double(buf, v));
}

void append_double(std::string& out, double v, const DecimalText& text) {
    char buf[kMaxDoubleText];
    out.append(buf, write_double(buf, v, text));
}

std::string format_double(double v) {
    std::string s;
    append_double(s, v);
    return s;
}

bool parse_double(std::string_view text, double& value, DecimalText* decimal) {
    if (decimal) *decimal = DecimalText();
    const std::string_view t = trimmed(text);
    if (t.empty()) return false;
    DecimalText d;
    if (read_decimal(t, d) && exact_value(d, value)) {
        if (decimal) {
            *decimal = d;
            decimal->value = value;
            decimal->plain = true;
        }
        return true;
    }
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
std::string format_rounded(double v, int significant) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", significant, v);
    return buf;
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
