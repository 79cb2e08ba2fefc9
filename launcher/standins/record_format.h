// Field formatting shared by the stand-in libraries' call records: text with
// its control characters escaped, and numbers that read back exactly.
#ifndef ZENTA_STANDINS_RECORD_FORMAT_H
#define ZENTA_STANDINS_RECORD_FORMAT_H

#include <math.h>
#include <stdio.h>

#include <string>

namespace standin {

// Text made safe for one record field: backslash, tab, CR and LF are escaped.
inline std::string Escaped(const char* text)
{
    if (text == nullptr) return "<null>";
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        switch (*p) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += *p; break;
        }
    }
    return out;
}

// A double with 17 significant digits; nan and inf spelled out.
inline std::string Number(double x)
{
    if (isnan(x)) return "nan";
    if (isinf(x)) return x > 0 ? "inf" : "-inf";
    char buf[40];
    snprintf(buf, sizeof buf, "%.17g", x);
    return buf;
}

}  // namespace standin

#endif
