// Result formatting. Numbers are the shortest text that reads back to the
// same double.
#include "format.h"

#include <charconv>
#include <cmath>
#include <utility>
#include <cstdio>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"

namespace pipeflow_cli {

using flowmodel::io::append_double;

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

void append_result_row(std::string& s, const flowmodel::Inputs& in, const flowmodel::Result& r) {
    for (const flowmodel::InputField& f : flowmodel::kInputFields) {
        append_double(s, in.*f.member);
        s += ',';
    }
    for (double v : {r.version, r.dpt, r.holdup}) {
        append_double(s, v);
        s += ',';
    }
    for (int v : {static_cast<int>(r.regime), r.iterations, static_cast<int>(r.status)}) {
        char buf[16];
        s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
        s += ',';
    }
    for (double v : {r.dpf, r.dpg, r.dpa}) {
        append_double(s, v);
        s += ',';
    }
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

namespace {

void json_number(std::string& out, double v) {
    if (std::isfinite(v)) {
        append_double(out, v);
    } else {
        out += "null";
    }
}

}  // namespace

void append_result_json(std::string& s, const flowmodel::Inputs& in, const flowmodel::Result& r) {
    s += '{';
    for (const flowmodel::InputField& f : flowmodel::kInputFields) {
        s += '"';
        s += f.name;
        s += "\":";
        json_number(s, in.*f.member);
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

}  // namespace pipeflow_cli
