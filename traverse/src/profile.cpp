// The line: a straight pipe, or a profile read from CSV as engineers export
// it (a pipeline's stations, a well survey with MD and TVD or inclination).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel {

namespace {

using constant::kPi;
constexpr double kDeg = kPi / 180.0;

// The columns a profile may have; a few more are read and ignored.
enum Col { kMd, kAngle, kZ, kTvd, kInc, kAzi, kDiam, kRough, kTemp, kTsurr, kCols };

struct ColumnKind {
    const char* name;              // as messages name it
    std::vector<const char*> also; // other names exporters use
    Dimension dim;
};
const ColumnKind kKinds[kCols] = {
    {"md", {}, Dimension::Length},
    {"angle", {}, Dimension::Angle},
    {"z", {}, Dimension::Length},
    {"tvd", {}, Dimension::Length},
    {"inc", {"incl", "inclination"}, Dimension::Angle},
    {"azi", {"az", "azim", "azimuth"}, Dimension::Angle},
    {"diam", {}, Dimension::Length},
    {"rough", {}, Dimension::Length},
    {"temp", {}, Dimension::Temperature},
    {"tsurr", {"t_surr", "ambient"}, Dimension::Temperature},
};

// What survey exports carry beside the stations and the traverse does not use.
const char* const kIgnored[] = {"ns", "ew", "n/s", "e/w", "north", "east", "northing", "easting", "dls", "dogleg",
                                "vs", "vsec", "build", "turn", "tf", "toolface", "closure", "comment", "comments",
                                "remark", "remarks", "note", "notes", "name", "station"};

const char* const kAccepted =
    "a profile takes md and one of tvd, z, angle or inc (inclination, degrees; with azi for the azimuth), "
    "and optionally diam, rough, temp (or tsurr, the surroundings' temperature, for heat transfer); a name may carry its unit (md_ft, MD (ft), TVD [m], Inc (deg)); "
    "ns, ew, dls, vs, build, turn, comment and the like are ignored";

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// A header name split into its column and unit: "MD (ft)", "TVD [m]" and
// "md_ft" give the unit; names match without regard to case. kind is kCols
// for a column that is ignored, -1 for one not known.
struct Header {
    int kind = -1;
    std::string unit;
};

Header read_name(std::string_view raw) {
    const std::string_view t = trim(raw);
    std::string_view base = t, unit;
    if (!t.empty() && (t.back() == ')' || t.back() == ']')) {
        const size_t open = t.rfind(t.back() == ')' ? '(' : '[');
        if (open != std::string_view::npos) {
            base = trim(t.substr(0, open));
            unit = trim(t.substr(open + 1, t.size() - open - 2));
        }
    }
    const std::string b = lower(base);
    Header h;
    auto matches = [&](const char* name) {
        const size_t n = std::strlen(name);
        if (b == name) return true;
        // name_unit, with the unit as written (temp_degF)
        if (unit.empty() && b.size() > n + 1 && b.compare(0, n, name) == 0 && b[n] == '_') {
            h.unit = std::string(base.substr(n + 1));
            return true;
        }
        return false;
    };
    for (int k = 0; k < kCols && h.kind < 0; ++k) {
        if (matches(kKinds[k].name)) h.kind = k;
        for (const char* a : kKinds[k].also) {
            if (h.kind < 0 && matches(a)) h.kind = k;
        }
    }
    for (const char* name : kIgnored) {
        if (h.kind < 0 && matches(name)) h.kind = kCols;
    }
    if (h.kind >= 0 && h.unit.empty()) h.unit = std::string(unit);
    return h;
}

// A unit of a profile column: as written, or in another case when that
// names one unit of the dimension only ("FT", "Deg").
bool profile_unit(Dimension d, const std::string& unit, double& factor, double& offset) {
    if (find_unit(d, unit, factor, offset)) return true;
    const std::string names = unit_names(d);
    std::string match;
    int found = 0;
    for (size_t a = 0; a < names.size();) {
        size_t e = names.find(", ", a);
        if (e == std::string::npos) e = names.size();
        const std::string name = names.substr(a, e - a);
        if (lower(name) == lower(unit)) {
            match = name;
            ++found;
        }
        a = e + 2;
    }
    return found == 1 && find_unit(d, match, factor, offset);
}

// The separator of the header: ',', ';' or tab; refused where two are as frequent.
char separator_of(std::istream& in, const std::string& path) {
    char tie = 0;
    const char sep = io::header_separator(in, &tie);
    if (sep == 0) {
        throw ReadError(path + ": the header has as many of two separators ('" +
                                 (tie == '\t' ? std::string("tab") : std::string(1, tie)) +
                                 "' and another): separate the columns with one of ',', ';' or tab");
    }
    return sep;
}

// The number in a field; with ';' or tab between fields, a decimal comma
// (25,5) is read as a decimal point.
bool field_number(std::string_view text, char sep, double& v) {
    return io::parse_double(io::decimal_point(trim(text), sep), v) && std::isfinite(v);
}

// A length as the file writes it, for messages.
std::string in_unit(double metres, double factor, const std::string& unit) {
    return io::format_double(std::round(metres / factor * 1000) / 1000) + " " + unit;
}

}  // namespace

double minimum_curvature_dtvd(double ds, double inc1, double inc2, double azi1, double azi2) {
    const double si = std::sin(0.5 * (inc2 - inc1)), sa = std::sin(0.5 * (azi2 - azi1));
    const double h = std::min(1.0, si * si + std::sin(inc1) * std::sin(inc2) * sa * sa);
    const double dogleg = 2 * std::asin(std::sqrt(std::max(0.0, h)));
    // Ratio factor 2/DL tan(DL/2) of the circular arc; 1 + DL²/12 near 0.
    const double rf = dogleg > 1e-4 ? 2 / dogleg * std::tan(0.5 * dogleg) : 1 + dogleg * dogleg / 12;
    return 0.5 * ds * (std::cos(inc1) + std::cos(inc2)) * rf;
}

LineNode node_at(const Line& line, double md) {
    const auto& n = line.nodes;
    const auto hi = std::lower_bound(n.begin(), n.end(), md, [](const LineNode& x, double m) { return x.md < m; });
    if (hi == n.end()) return n.back();
    if (hi->md == md || hi == n.begin()) return *hi;
    const LineNode& lo = *(hi - 1);
    const double w = (md - lo.md) / (hi->md - lo.md);
    LineNode node = lo;
    node.md = md;
    node.z = lo.z + w * (hi->z - lo.z);
    node.temp = lo.temp + w * (hi->temp - lo.temp);
    node.tsurr = lo.tsurr + w * (hi->tsurr - lo.tsurr);
    return node;
}

Line line_between(const Line& line, double a, double b) {
    Line out;
    out.flow_decreasing = line.flow_decreasing;
    out.nodes.push_back(node_at(line, a));
    for (const LineNode& x : line.nodes) {
        if (x.md > a && x.md < b) out.nodes.push_back(x);
    }
    out.nodes.push_back(node_at(line, b));
    return out;
}

Line straight_line(double length, double angle, double diam, double rough, double temp_in, double temp_out) {
    if (!(length > 0) || !std::isfinite(length)) throw ReadError("{length} must be a positive length");
    if (!(std::fabs(angle) <= 90)) throw ReadError("{angle} must be within -90 to 90 degrees");
    const double dz = length * std::sin(angle * kDeg);
    Line line;
    line.nodes = {{0.0, 0.0, diam, rough, temp_in}, {length, dz, diam, rough, temp_out}};
    return line;
}

Line read_profile(const std::string& path, double diam, double rough, double length_unit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ReadError(path + ": cannot read");
    return read_profile(in, path, diam, rough, length_unit);
}

namespace {

// What the header says: which column holds what, in which unit, and the
// shape of the line (z, tvd, angle or inc).
struct ProfileColumns {
    long col[kCols];
    double factor[kCols], offset[kCols] = {};
    std::string unit_text[kCols];
    size_t width = 0;
    bool trailing_empty = false;  // a trailing empty column, as spreadsheets export a trailing separator
    int shape = kZ;
    bool by_tvd = false, by_inc = false, temp_unit = false, tsurr_unit = false;
};

ProfileColumns read_header(const io::CsvRecord& rec, const std::string& head, double length_unit, double diam) {
    ProfileColumns pc;
    for (int k = 0; k < kCols; ++k) {
        pc.col[k] = -1;
        pc.factor[k] = k == kMd || k == kZ || k == kTvd ? length_unit : 1.0;
        if ((k == kMd || k == kZ || k == kTvd) && length_unit > 0) {
            const std::string named = unit_name(Dimension::Length, length_unit);
            pc.unit_text[k] = !named.empty() ? named : "x " + io::format_double(length_unit) + " m";
        }
    }
    pc.width = rec.size();
    pc.trailing_empty = pc.width > 1 && trim(rec[pc.width - 1]).empty();
    if (pc.trailing_empty) --pc.width;
    for (size_t c = 0; c < pc.width; ++c) {
        if (trim(rec[c]).empty()) throw ReadError(head + ": column " + std::to_string(c + 1) + " has no name; " + kAccepted);
        const Header h = read_name(rec[c]);
        if (h.kind < 0) throw ReadError(head + ": unknown column '" + io::shorten(trim(rec[c])) + "'; " + kAccepted);
        if (h.kind == kCols) continue;
        const int k = h.kind;
        if (pc.col[k] >= 0) throw ReadError(head + ": column '" + kKinds[k].name + "' given twice");
        pc.col[k] = static_cast<long>(c);
        if (!h.unit.empty()) {
            const Dimension d = kKinds[k].dim;
            if (!profile_unit(d, h.unit, pc.factor[k], pc.offset[k])) {
                throw ReadError(head + ": column '" + io::shorten(trim(rec[c])) + "': unit '" + io::shorten(h.unit) +
                                         "' not known; it takes " + unit_names(d));
            }
            pc.unit_text[k] = h.unit;
        }
    }
    if (pc.col[kMd] < 0) throw ReadError(head + ": no column 'md'; " + kAccepted);
    // Lengths without a unit: metres and feet are both common, and the
    // one taken for the other gives another well (8,000 ft read as 8,000 m).
    for (int k : {kMd, kZ, kTvd}) {
        if (pc.col[k] >= 0 && !(pc.factor[k] > 0)) {
            throw ReadError(head + ": column '" + io::shorten(trim(rec[static_cast<size_t>(pc.col[k])])) +
                            "' has no length unit, and metres and feet would give different lines: name it in "
                            "the header (" + kKinds[k].name + "_ft, '" + kKinds[k].name + " (m)') or give {profile-unit} m or ft");
        }
    }
    // The shape: z, tvd, angle or inc; tvd with inc is the survey's own TVD,
    // the inclinations then only checked against it.
    pc.by_tvd = pc.col[kTvd] >= 0;
    pc.by_inc = pc.col[kInc] >= 0;
    const int shapes = (pc.col[kAngle] >= 0) + (pc.col[kZ] >= 0) + (pc.by_tvd || pc.by_inc);
    if (shapes != 1 || (pc.by_inc && (pc.col[kAngle] >= 0 || pc.col[kZ] >= 0))) {
        throw ReadError(head + ": give one of the columns tvd, z, angle or inc (inc may go with tvd); " + kAccepted);
    }
    pc.shape = pc.col[kZ] >= 0 ? kZ : pc.by_tvd ? kTvd : pc.col[kAngle] >= 0 ? kAngle : kInc;
    if (pc.col[kDiam] < 0 && !(diam > 0)) throw ReadError(head + ": no column 'diam' and no {diam}");
    pc.temp_unit = pc.col[kTemp] >= 0 && !pc.unit_text[kTemp].empty();
    pc.tsurr_unit = pc.col[kTsurr] >= 0 && !pc.unit_text[kTsurr].empty();
    if (pc.col[kTemp] >= 0 && pc.col[kTsurr] >= 0) {
        throw ReadError(head + ": give temp (the fluid's temperature) or tsurr (the surroundings', for heat "
                                        "transfer), not both");
    }
    return pc;
}

// The rows as read, before the elevations are worked out.
struct Survey {
    Line line;
    std::vector<double> angle, inc, azi, tvd_given;
};

// One data row into the survey, checked.
void read_row(const io::CsvRecord& rec, const ProfileColumns& pc, const std::string& path, char sep, double diam,
              double rough, Survey& sv) {
    const std::string at = path + ": line " + std::to_string(rec.line);
    if (!rec.error.empty()) throw ReadError(at + ": " + rec.error);
    size_t n = rec.size();
    if (pc.trailing_empty && n == pc.width + 1 && trim(rec[pc.width]).empty()) n = pc.width;
    if (n != pc.width) {
        throw ReadError(at + ": " + std::to_string(n) + " fields where the header has " + std::to_string(pc.width) +
                                 (sep == ',' ? " (a decimal comma? with ',' between the columns, write decimals "
                                               "with a point, or separate the columns with ';')"
                                             : ""));
    }
    double v[kCols] = {0, 0, 0, 0, 0, 0, diam, rough, 0, 0};
    for (int k = 0; k < kCols; ++k) {
        if (pc.col[k] < 0) continue;
        if (!field_number(rec[static_cast<size_t>(pc.col[k])], sep, v[k])) {
            throw ReadError(at + ": column '" + kKinds[k].name + "' is not a number: '" +
                                     io::shorten(trim(rec[static_cast<size_t>(pc.col[k])])) + "'");
        }
        if ((k == kTemp && !pc.temp_unit) || (k == kTsurr && !pc.tsurr_unit)) {
            if (v[k] < 200) {
                const std::string name = kKinds[k].name;
                throw ReadError(at + ": column '" + name + "' is " + io::format_double(v[k]) +
                                         " K without a unit, below 200 K: name its unit in the header (" + name +
                                         "_degC, " + name + "_degF, '" + name + " (degF)'; K for a cryogenic line)");
            }
        }
        v[k] = v[k] * pc.factor[k] + pc.offset[k];
    }
    LineNode node;
    node.md = v[kMd];
    node.z = pc.shape == kZ ? v[kZ] : -v[kTvd];  // tvd grows downward
    node.diam = v[kDiam];
    node.rough = v[kRough];
    node.temp = v[kTemp];
    node.tsurr = v[kTsurr];
    node.row = rec.line;
    if (!(node.diam > 0)) throw ReadError(at + ": column 'diam' must be positive");
    if (!(node.rough >= 0)) throw ReadError(at + ": column 'rough' must not be negative");
    if (pc.col[kTemp] >= 0 && !(node.temp > 0)) throw ReadError(at + ": column 'temp' must be above 0 K");
    if (pc.col[kTsurr] >= 0 && !(node.tsurr > 0)) throw ReadError(at + ": column 'tsurr' must be above 0 K");
    if (pc.col[kAngle] >= 0 && !(std::fabs(v[kAngle]) <= 90)) {
        throw ReadError(at + ": column 'angle' must be within -90 to 90 degrees");
    }
    if (pc.by_inc && !(v[kInc] >= 0 && v[kInc] <= 180)) {
        throw ReadError(at + ": column 'inc' must be within 0 (vertical) and 180 degrees");
    }
    const std::vector<LineNode>& nodes = sv.line.nodes;
    if (!nodes.empty() && !(node.md > nodes.back().md)) {
        throw ReadError(at + ": column 'md' must increase strictly (" +
                                 in_unit(node.md, pc.factor[kMd], pc.unit_text[kMd]) + " after " +
                                 in_unit(nodes.back().md, pc.factor[kMd], pc.unit_text[kMd]) + ")");
    }
    sv.angle.push_back(v[kAngle]);
    sv.inc.push_back(v[kInc] * kDeg);
    sv.azi.push_back(v[kAzi] * kDeg);
    sv.tvd_given.push_back(v[kTvd]);
    sv.line.nodes.push_back(node);
}

// The elevations from the angles or the inclinations, and the check that
// no segment rises or falls by more than its length.
void elevations(Survey& sv, const ProfileColumns& pc, const std::string& path) {
    std::vector<LineNode>& nodes = sv.line.nodes;
    const bool use_azi = pc.col[kAzi] >= 0;
    const double md_unit = pc.factor[kMd];
    const std::string& md_name = pc.unit_text[kMd];
    for (size_t i = 1; i < nodes.size(); ++i) {
        LineNode& b = nodes[i];
        const LineNode& a = nodes[i - 1];
        const double ds = b.md - a.md;
        const std::string at = path + ": line " + std::to_string(b.row);
        if (pc.shape == kAngle) {
            // From the angle of each segment (the last row's angle is not used).
            b.z = a.z + ds * std::sin(sv.angle[i - 1] * kDeg);
        } else if (pc.by_inc) {
            const double dtvd = minimum_curvature_dtvd(ds, sv.inc[i - 1], sv.inc[i], use_azi ? sv.azi[i - 1] : 0,
                                                       use_azi ? sv.azi[i] : 0);
            const double given = sv.tvd_given[i] - sv.tvd_given[i - 1];
            if (!pc.by_tvd) {
                b.z = a.z - dtvd;
            } else if (std::fabs(dtvd - given) > 0.02 * pc.factor[kTvd] + 0.01 * ds) {
                throw ReadError(
                    at + ": from md " + in_unit(a.md, md_unit, md_name) + " to " + in_unit(b.md, md_unit, md_name) +
                    " the tvd changes by " + in_unit(given, pc.factor[kTvd], pc.unit_text[kTvd]) +
                    ", but the inclinations give " + in_unit(dtvd, pc.factor[kTvd], pc.unit_text[kTvd]) +
                    " (minimum curvature): the tvd and inc columns disagree");
            }
        }
        // A segment cannot rise or fall more than its length; a survey written
        // to two decimals may show a vertical segment up to 0.02 of its unit
        // (and the round-off of the subtraction) longer: that is vertical (the
        // march takes the segment's slope as at most 1).
        if (pc.shape == kZ || pc.shape == kTvd) {
            const double excess = std::fabs(b.z - a.z) - ds;
            const double unit = pc.factor[pc.shape];
            const double slack = 0.02 * unit + 1e-12 * (std::fabs(a.z) + std::fabs(b.z) + std::fabs(b.md));
            if (excess > slack) {
                const std::string& u = pc.unit_text[pc.shape];
                throw ReadError(at + ": from md " + in_unit(a.md, md_unit, md_name) + " to " +
                                         in_unit(b.md, md_unit, md_name) + " the " + kKinds[pc.shape].name + " changes by " +
                                         in_unit(std::fabs(b.z - a.z), unit, u) + ", " + in_unit(excess, unit, u) +
                                         " more than the md: a segment cannot rise or fall by more than its length");
            }
        }
    }
}

}  // namespace

Line read_profile(std::istream& in, const std::string& path, double diam, double rough, double length_unit) {
    const char sep = separator_of(in, path);
    io::CsvReader reader(in, io::CsvReader::kMaxRecord, sep);
    io::CsvRecord rec;
    if (!reader.next(rec)) {
        if (!reader.fatal().empty()) throw ReadError(path + ": " + reader.fatal());
        throw ReadError(path + ": empty; " + kAccepted);
    }
    const std::string head = path + ": line " + std::to_string(rec.line);
    if (!rec.error.empty()) throw ReadError(head + ": " + rec.error);
    const ProfileColumns pc = read_header(rec, head, length_unit, diam);
    Survey sv;
    while (reader.next(rec)) read_row(rec, pc, path, sep, diam, rough, sv);
    if (!reader.fatal().empty()) throw ReadError(path + ": " + reader.fatal());
    if (sv.line.nodes.size() < 2) throw ReadError(path + ": a profile needs at least two points");
    elevations(sv, pc, path);
    sv.line.surveyed = pc.by_tvd || pc.by_inc;
    return sv.line;
}

}  // namespace flowmodel
