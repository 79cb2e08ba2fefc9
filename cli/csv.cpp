// CSV reading of batch input.
#include "csv.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace pipeflow_cli {

const std::array<const char*, 11> kInputNames = {"usl",   "usg",   "rol",  "rog",   "visl", "visg",
                                                 "rough", "sigma", "diam", "angle", "pres"};

namespace {

double* field_of(flowmodel::Inputs& in, size_t k) {
    double* const f[11] = {&in.usl,   &in.usg,   &in.rol,  &in.rog,   &in.visl, &in.visg,
                           &in.rough, &in.sigma, &in.diam, &in.angle, &in.pres};
    return f[k];
}

std::string trim(const std::string& s) {
    const char* blanks = " \t\r";
    const size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    const size_t e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

}  // namespace

bool split_csv(const std::string& line, std::vector<std::string>& fields, std::string& error) {
    fields.clear();
    std::string cur;
    size_t i = 0;
    const size_t n = (!line.empty() && line.back() == '\r') ? line.size() - 1 : line.size();
    for (;;) {
        cur.clear();
        // Leading blanks before an opening quote are tolerated.
        size_t j = i;
        while (j < n && (line[j] == ' ' || line[j] == '\t')) ++j;
        if (j < n && line[j] == '"') {
            i = j + 1;
            bool closed = false;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        cur += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                cur += line[i++];
            }
            if (!closed) {
                error = "unterminated quoted field";
                return false;
            }
            while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
            if (i < n && line[i] != ',') {
                error = "text after a closing quote";
                return false;
            }
        } else {
            while (i < n && line[i] != ',') cur += line[i++];
        }
        fields.push_back(cur);
        if (i >= n) break;
        ++i;  // the comma
    }
    return true;
}

std::string csv_quote(const std::string& s) {
    const bool needs = s.find_first_of(",\"\r\n") != std::string::npos ||
                       (!s.empty() && (s.front() == ' ' || s.back() == ' '));
    if (!needs) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

bool parse_number(const std::string& text, double& value) {
    const std::string t = trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(t.c_str(), &end);
    // Overflow and underflow still give a number (±inf, a denormal or 0):
    // the model decides what to do with it.
    return end == t.c_str() + t.size();
}

bool InputColumns::read_header(const std::string& line, std::string& error) {
    std::vector<std::string> cols;
    if (!split_csv(line, cols, error)) {
        error = "header: " + error;
        return false;
    }
    width_ = cols.size();
    for (size_t k = 0; k < kInputNames.size(); ++k) {
        bool found = false;
        for (size_t c = 0; c < cols.size(); ++c) {
            if (trim(cols[c]) == kInputNames[k]) {
                if (found) {
                    error = std::string("header names column '") + kInputNames[k] + "' twice";
                    return false;
                }
                pos_[k] = c;
                found = true;
            }
        }
        if (!found) {
            error = std::string("header lacks the input column '") + kInputNames[k] + "'";
            return false;
        }
    }
    return true;
}

bool InputColumns::parse_row(const std::string& line, flowmodel::Inputs& in,
                             std::string& error) const {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (size_t k = 0; k < kInputNames.size(); ++k) *field_of(in, k) = nan;
    std::vector<std::string> f;
    if (!split_csv(line, f, error)) return false;
    bool ok = true;
    for (size_t k = 0; k < kInputNames.size(); ++k) {
        if (pos_[k] >= f.size()) {
            if (ok) error = std::string("missing field '") + kInputNames[k] + "'";
            ok = false;
            continue;
        }
        double v = 0.0;
        if (!parse_number(f[pos_[k]], v)) {
            if (ok) error = std::string("field '") + kInputNames[k] + "' is not a number: '" + f[pos_[k]] + "'";
            ok = false;
            continue;
        }
        *field_of(in, k) = v;
    }
    return ok;
}

}  // namespace pipeflow_cli
