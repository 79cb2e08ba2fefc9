// Loading the independent reference tables (CSV with a header row) for the
// comparison tests, and filling the model record from one of their rows.
#ifndef FLOWMODEL_TESTS_REFERENCE_H
#define FLOWMODEL_TESTS_REFERENCE_H

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "intest.h"
#include "record.h"

namespace reftest {

// One table row by column name; values kept as text so integers and
// messages compare exactly.
using Row = std::map<std::string, std::string>;

inline std::vector<std::string> split_csv_line(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cur += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.push_back(cur);
            cur.clear();
        } else if (c != '\r') {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

// Reads FLOWMODEL_REFERENCE_DIR/name; empty when the file is missing.
inline std::vector<Row> load(const std::string& name) {
    std::vector<Row> rows;
    std::ifstream in(std::string(FLOWMODEL_REFERENCE_DIR) + "/" + name);
    std::string line;
    if (!std::getline(in, line)) return rows;
    const std::vector<std::string> head = split_csv_line(line);
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const std::vector<std::string> f = split_csv_line(line);
        Row r;
        for (size_t i = 0; i < head.size() && i < f.size(); ++i) r[head[i]] = f[i];
        rows.push_back(r);
    }
    return rows;
}

inline double num(const Row& r, const std::string& k) { return std::strtod(r.at(k).c_str(), nullptr); }

// The table's match criterion: within 1e-9 relative or 1e-12 absolute, NaN
// equal to NaN, infinities exactly.
inline bool close(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(a - b) <= std::fmax(1e-12, 1e-9 * std::fmax(std::fabs(a), std::fabs(b)));
}

// Fills `flowcom` with the row's eleven inputs and sets the inclination terms,
// as the entry does before it calls the solutions.
inline void fill_record(const Row& r) {
    flowmodel::FlowRecord& f = flowmodel::flowcom;
    f = flowmodel::FlowRecord{};
    f.usl = num(r, "usl");
    f.usg = num(r, "usg");
    f.rol = num(r, "rol");
    f.rog = num(r, "rog");
    f.visl = num(r, "visl");
    f.visg = num(r, "visg");
    f.rough = num(r, "rough");
    f.sigma = num(r, "sigma");
    f.diam = num(r, "diam");
    f.angle = num(r, "angle");
    f.pres = num(r, "pres");
    flowmodel::setang();
}

}  // namespace reftest

#endif
