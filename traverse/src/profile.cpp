// The line: a straight pipe, or a profile read from CSV.
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel {

Line straight_line(double length, double angle, double diam, double rough, double temp_in, double temp_out) {
    if (!(length > 0) || !std::isfinite(length)) throw std::runtime_error("--length must be a positive length");
    if (!(std::fabs(angle) <= 90)) throw std::runtime_error("--angle must be within -90 to 90 degrees");
    const double dz = length * std::sin(angle * 3.14159265358979323846 / 180.0);
    Line line;
    line.nodes = {{0.0, 0.0, diam, rough, temp_in}, {length, dz, diam, rough, temp_out}};
    return line;
}

Line read_profile(const std::string& path, double diam, double rough, double length_unit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot read");
    io::CsvReader reader(in);
    io::CsvRecord rec;
    if (!reader.next(rec)) throw std::runtime_error(path + ": empty; expected a header row with md");
    const std::string head = path + ": line " + std::to_string(rec.line);
    const char* known[] = {"md", "angle", "z", "tvd", "diam", "rough", "temp"};
    // A column may carry its unit after an underscore (md_ft, tvd_ft, diam_in,
    // temp_degF); md, z and tvd without one are in length_unit, the rest SI.
    long col[7];
    double factor[7], offset[7] = {0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 7; ++k) {
        col[k] = -1;
        factor[k] = k == 0 || k == 2 || k == 3 ? length_unit : 1.0;
    }
    for (size_t c = 0; c < rec.size(); ++c) {
        const std::string& name = rec[c];
        int k = 0;
        while (k < 7 && name != known[k] && name.rfind(std::string(known[k]) + "_", 0) != 0) ++k;
        if (k == 7) throw std::runtime_error(head + ": unknown column '" + io::shorten(name) + "'");
        if (col[k] >= 0) throw std::runtime_error(head + ": column '" + known[k] + "' given twice");
        col[k] = static_cast<long>(c);
        if (name != known[k]) {
            const std::string unit = name.substr(std::string(known[k]).size() + 1);
            const Dimension d = k == 6 ? Dimension::Temperature : k == 1 ? Dimension::Angle : Dimension::Length;
            if (!find_unit(d, unit, factor[k], offset[k])) {
                throw std::runtime_error(head + ": column '" + io::shorten(name) + "': unit '" + io::shorten(unit) +
                                         "' not known; it takes " + unit_names(d));
            }
        }
    }
    if (col[0] < 0) throw std::runtime_error(head + ": no column 'md'");
    const int shapes = (col[1] >= 0) + (col[2] >= 0) + (col[3] >= 0);
    if (shapes != 1) throw std::runtime_error(head + ": give exactly one of the columns angle, z, tvd");
    if (col[4] < 0 && !(diam > 0)) throw std::runtime_error(head + ": no column 'diam' and no --diam");
    Line line;
    std::vector<double> angles;
    while (reader.next(rec)) {
        const std::string at = path + ": line " + std::to_string(rec.line);
        if (!rec.error.empty()) throw std::runtime_error(at + ": " + rec.error);
        double v[7] = {0, 0, 0, 0, diam, rough, 0};
        for (int k = 0; k < 7; ++k) {
            if (col[k] < 0) continue;
            if (static_cast<size_t>(col[k]) >= rec.size() || !io::parse_double(rec[col[k]], v[k]) ||
                !std::isfinite(v[k])) {
                throw std::runtime_error(at + ": column '" + known[k] + "' is not a number");
            }
        }
        for (int k = 0; k < 7; ++k) {
            if (col[k] >= 0) v[k] = v[k] * factor[k] + offset[k];
        }
        LineNode n;
        n.md = v[0];
        n.z = col[2] >= 0 ? v[2] : -v[3];  // tvd is positive downward
        n.diam = v[4];
        n.rough = v[5];
        n.temp = v[6];
        if (!(n.diam > 0)) throw std::runtime_error(at + ": column 'diam' must be positive");
        if (!(n.rough >= 0)) throw std::runtime_error(at + ": column 'rough' must not be negative");
        if (col[6] >= 0 && !(n.temp > 0)) throw std::runtime_error(at + ": column 'temp' must be above 0 K");
        if (!line.nodes.empty()) {
            const LineNode& prev = line.nodes.back();
            if (!(n.md > prev.md)) throw std::runtime_error(at + ": column 'md' must increase strictly");
            if (col[1] < 0 && std::fabs(n.z - prev.z) > n.md - prev.md) {
                throw std::runtime_error(at + ": the elevation changes by more than the length (column '" +
                                         std::string(col[2] >= 0 ? "z" : "tvd") + "')");
            }
        }
        if (col[1] >= 0 && !(std::fabs(v[1]) <= 90)) {
            throw std::runtime_error(at + ": column 'angle' must be within -90 to 90 degrees");
        }
        angles.push_back(v[1]);
        line.nodes.push_back(n);
    }
    if (!reader.fatal().empty()) throw std::runtime_error(path + ": " + reader.fatal());
    if (line.nodes.size() < 2) throw std::runtime_error(path + ": a profile needs at least two points");
    if (col[1] >= 0) {
        // Elevations from the angle of each segment (the last row's angle is not used).
        line.nodes[0].z = 0;
        for (size_t i = 1; i < line.nodes.size(); ++i) {
            const double ds = line.nodes[i].md - line.nodes[i - 1].md;
            line.nodes[i].z = line.nodes[i - 1].z + ds * std::sin(angles[i - 1] * 3.14159265358979323846 / 180.0);
        }
    }
    return line;
}

}  // namespace flowmodel
