// Result formatting. Numbers are the shortest text that reads back to the
// same double.
#include "flowmodel/batch/format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>
#include <cstdio>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "pipeflow.h"

namespace flowmodel::batch {

using flowmodel::io::append_double;

namespace {

// The model's version, the same in every row: its text is made once.
const std::string& model_version() {
    static const std::string text = flowmodel::io::format_double(PIPEFLOW_VERSION);
    return text;
}

}  // namespace

const char* regime_label(const flowmodel::Result& r) {
    return r.has_regime() ? flowmodel::regime_name(r.regime) : "none";
}

const char* warning_word(const flowmodel::Result& r) { return r.separated_invalid() ? "separated-invalid" : ""; }

std::string result_header() {
    std::string s;
    for (const flowmodel::InputField& f : flowmodel::kInputFields) {
        s += f.name;
        s += ',';
    }
    return s + "vers,dpt,hol,id,iter,ierr,dpf,dpg,dpa,msg,regime,warning";
}

void append_result_row(std::string& s, const flowmodel::Inputs& in, const flowmodel::Result& r,
                       const InputDecimals& decimals) {
    // The numbers go into one buffer, appended at once: a row is some thirty
    // short pieces, and appending each to the string costs more than writing it.
    using flowmodel::io::write_double;
    constexpr size_t kInts = 3;
    char buf[(flowmodel::kInputCount + 6) * (flowmodel::io::kMaxDoubleText + 1) + kInts * 12];
    char* p = buf;
    for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
        p = write_double(p, in.*flowmodel::kInputFields[k].member, decimals[k]);
        *p++ = ',';
    }
    p = r.version == PIPEFLOW_VERSION ? std::copy(model_version().begin(), model_version().end(), p)
                                      : write_double(p, r.version);
    *p++ = ',';
    for (double v : {r.dpt, r.holdup}) {
        p = write_double(p, v);
        *p++ = ',';
    }
    for (int v : {static_cast<int>(r.regime), r.iterations, static_cast<int>(r.status)}) {
        p = std::to_chars(p, p + 11, v).ptr;
        *p++ = ',';
    }
    for (double v : {r.dpf, r.dpg, r.dpa}) {
        p = write_double(p, v);
        *p++ = ',';
    }
    s.append(buf, p);
    if (!r.message.empty()) s += flowmodel::io::csv_quote(r.message);
    s += ',';
    s += regime_label(r);
    s += ',';
    s += warning_word(r);
}

std::string result_row(const flowmodel::Inputs& in, const flowmodel::Result& r) {
    std::string s;
    append_result_row(s, in, r);
    return s;
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string xml_text(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

void json_number(std::string& out, double v) {
    if (std::isfinite(v)) {
        append_double(out, v);
    } else {
        out += "null";
    }
}

std::string json_number(double v) {
    std::string s;
    json_number(s, v);
    return s;
}

void append_result_json(std::string& s, const flowmodel::Inputs& in, const flowmodel::Result& r,
                        const InputDecimals& decimals) {
    s += '{';
    for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
        s += '"';
        s += flowmodel::kInputFields[k].name;
        s += "\":";
        const double v = in.*flowmodel::kInputFields[k].member;
        if (std::isfinite(v)) {
            append_double(s, v, decimals[k]);
        } else {
            s += "null";
        }
        s += ',';
    }
    s += "\"vers\":";
    json_number(s, r.version);
    s += ",\"regime\":" + json_string(regime_label(r));
    s += ",\"id\":" + std::to_string(static_cast<int>(r.regime));
    const std::pair<const char*, double> nums[] = {
        {"hol", r.holdup}, {"dpt", r.dpt}, {"dpf", r.dpf}, {"dpg", r.dpg}, {"dpa", r.dpa}};
    for (const auto& [name, v] : nums) {
        s += ",\"";
        s += name;
        s += "\":";
        json_number(s, v);
    }
    s += ",\"iter\":" + std::to_string(r.iterations);
    s += ",\"ierr\":" + std::to_string(static_cast<int>(r.status));
    s += ",\"status\":" + json_string(flowmodel::status_name(r.status));
    s += ",\"msg\":" + json_string(r.message);
    s += ",\"warning\":" + json_string(warning_word(r));
    s += '}';
}

}  // namespace flowmodel::batch
