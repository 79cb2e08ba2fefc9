// `pipeflow vfp-check FILE`: every lift-curve table of a deck file read and
// checked, a summary line per table and what each check found.
#include "vfp_check.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/batch/format.hpp"
#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/vfp_deck.hpp"
#include "json.h"
#include "plot.h"
#include "verb.h"

namespace pipeflow_cli {

namespace {

namespace vfp = flowmodel::vfp;

const char* kUsage =
    "usage: pipeflow vfp-check FILE [--table N] [--at POINT | --at-file CSV | --against OTHER] [--json | --svg]\n"
    "         [--output FILE]\n"
    "Reads every VFPPROD and VFPINJ of the deck file FILE (and of the files it INCLUDEs, relative\n"
    "to the including file) as the simulator does: comments, repeats (3*250), defaulted items (1*),\n"
    "records over several lines, METRIC, FIELD or LAB units, comments in any 8-bit encoding. For each\n"
    "table (or table N only) it checks, in the deck's units:\n"
    "  axes_increasing     every axis strictly increasing\n"
    "  bhp_given           every BHP given and finite, every record present\n"
    "  bhp_rises_with_thp  at every node the BHP not lower at a higher THP\n"
    "  bhp_above_thp       the BHP not below its THP (in a VFPINJ noted, not failed: friction may\n"
    "                      outweigh the column)\n"
    "  bhp_along_flo       along FLO the BHP falls, then rises (a J-curve's minimum); a fall after\n"
    "                      a rise by more than 0.1 % of the BHP is a jump\n"
    "  wfr_curves_cross    neighbouring WFR curves that cross (noted, not failed)\n"
    "  gfr_curves_cross    neighbouring GFR curves that cross (noted: lift gas lightens the column\n"
    "                      at low rates and adds friction at high ones)\n"
    "--svg draws the table (one, chosen with --table where FILE holds several): BHP against FLO, a\n"
    "curve per THP, a panel per WFR, GFR and ALQ (the first 12), THP inversions ringed in red.\n"
    "--json writes each table (its axes, and its values in one list indexed THP, WFR, GFR, ALQ, FLO\n"
    "from the slowest; null where defaulted) with what each check found.\n"
    "--at \"flo=1000,thp=20,wfr=0.2,gfr=100,alq=0\" gives the table's BHP there as the simulator\n"
    "interpolates it (multilinear between the nodes, linear beyond each axis from its end values), in\n"
    "the deck's units; with bhp= instead of thp=, the THP that gives that BHP. An axis of one value may\n"
    "be left out; a VFPINJ takes flo and thp (or bhp). --at-file CSV: one point per row, the header\n"
    "naming the axes. Several tables in FILE: choose one with --table.\n"
    "--against OTHER compares FILE's table with OTHER's (table N of each, or their only ones; same\n"
    "keyword, units and kinds of axes): both interpolated on the union of their nodes within the range\n"
    "both cover, the largest difference (OTHER - FILE) and where, the mean absolute and mean difference;\n"
    "with --svg both drawn on those points (FILE solid, OTHER dashed), the largest difference ringed.\n"
    "Exit status: 0 every check holds, 1 a check fails, 2 the file cannot be read (line and column said).\n";

bool failed(const std::vector<vfp::Check>& checks) {
    for (const vfp::Check& c : checks) {
        if (c.fails && !c.found.empty()) return true;
    }
    return false;
}

std::string shape(const vfp::DeckTable& t) {
    const bool prod = t.keyword == "VFPPROD";
    std::string s = "FLO " + t.flo + " " + std::to_string(t.flo_axis.size()) + " x THP " + std::to_string(t.thp_axis.size());
    if (prod) {
        s += " x WFR " + t.wfr + " " + std::to_string(t.wfr_axis.size()) + " x GFR " + t.gfr + " " +
             std::to_string(t.gfr_axis.size()) + " x ALQ " + (t.alq.empty() ? std::string("none") : t.alq) + " " +
             std::to_string(t.alq_axis.size());
    }
    return s + " = " + std::to_string(t.bhp.size()) + " values";
}

std::string as_text(const std::vector<vfp::DeckTable>& tables, const std::vector<std::vector<vfp::Check>>& checks) {
    std::string s;
    size_t bad = 0;
    for (size_t i = 0; i < tables.size(); ++i) {
        const vfp::DeckTable& t = tables[i];
        const bool fail = failed(checks[i]);
        bad += fail ? 1 : 0;
        s += t.keyword + " " + std::to_string(t.number) + " (" + t.file + " line " + std::to_string(t.line) + ", " +
             t.units + ", " + t.quantity + "): " + shape(t) + ": " + (fail ? "FAILED" : "ok") + "\n";
        for (const vfp::Check& c : checks[i]) {
            if (c.found.empty()) continue;
            s += "  " + std::string(c.name) + (c.fails ? "" : " (noted)") + ": " + std::to_string(c.found.size()) + "\n";
            for (const vfp::Finding& f : c.found) s += "    " + f.text + "\n";
        }
    }
    s += std::to_string(tables.size()) + (tables.size() == 1 ? " table" : " tables") + ", " + std::to_string(bad) +
         " failed\n";
    return s;
}

// A finding: where (indices THP, WFR, GFR, ALQ, FLO), how large, what.
Json finding_json(const vfp::Finding& f) {
    return {{"thp", f.where[0]}, {"wfr", f.where[1]}, {"gfr", f.where[2]}, {"alq", f.where[3]},
            {"flo", f.where[4]}, {"size", f.size},     {"text", f.text}};
}

// A table as read (its words, axes and values) and its checks.
Json table_json(const vfp::DeckTable& t, const std::vector<vfp::Check>& checks) {
    Json j = {{"keyword", t.keyword}, {"number", t.number},  {"file", t.file},         {"line", t.line},
              {"units", t.units},     {"quantity", t.quantity}, {"datum", t.datum},    {"flo_type", t.flo},
              {"wfr_type", t.wfr},    {"gfr_type", t.gfr},   {"alq_type", t.alq},      {"flo", t.flo_axis},
              {"thp", t.thp_axis},    {"wfr", t.wfr_axis},   {"gfr", t.gfr_axis},      {"alq", t.alq_axis},
              {"bhp", t.bhp},         {"ok", !failed(checks)}};
    Json by_name = Json::object();
    for (const vfp::Check& c : checks) {
        Json found = Json::array();
        for (const vfp::Finding& f : c.found) found.push_back(finding_json(f));
        by_name[c.name] = {{"fails", c.fails}, {"found", std::move(found)}};
    }
    j["checks"] = std::move(by_name);
    return j;
}

std::string as_json(const std::vector<vfp::DeckTable>& tables, const std::vector<std::vector<vfp::Check>>& checks) {
    Json list = Json::array();
    bool all = true;
    for (size_t i = 0; i < tables.size(); ++i) {
        list.push_back(table_json(tables[i], checks[i]));
        all = all && !failed(checks[i]);
    }
    return json_text({{"tables", std::move(list)}, {"ok", all}});
}

// A point asked for: its axis values by name (flo, thp or bhp, wfr, gfr, alq).
using Asked = std::map<std::string, double>;

// "flo=1000, thp=20, wfr=0.2": the values by name, in the deck's units.
Asked read_point(const std::string& text, const std::string& where) {
    Asked at;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        const std::string item = text.substr(from, comma - from);
        from = comma + 1;
        if (item.find_first_not_of(" \t") == std::string::npos) continue;
        const size_t eq = item.find('=');
        std::string name = item.substr(0, eq == std::string::npos ? 0 : eq);
        std::string k;
        for (char c : name) {
            if (c != ' ' && c != '\t') k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        double v = 0;
        if (eq == std::string::npos || !flowmodel::io::parse_double(item.substr(eq + 1), v)) {
            throw std::invalid_argument(where + ": '" + item + "' is not NAME=NUMBER (names flo, thp or bhp, wfr, gfr, alq)");
        }
        if (k != "flo" && k != "thp" && k != "bhp" && k != "wfr" && k != "gfr" && k != "alq") {
            throw std::invalid_argument(where + ": '" + name + "' is no axis: flo, thp or bhp, wfr, gfr, alq");
        }
        at[k] = v;
    }
    if (!at.count("flo") || at.count("thp") == at.count("bhp")) {
        throw std::invalid_argument(where + ": give flo and one of thp (for the BHP) and bhp (for the THP that gives it)");
    }
    return at;
}

// The point's answer: the BHP at it, or the THP that gives its BHP, with the
// axes it lies beyond. A VFPINJ refuses wfr, gfr and alq; an axis not given
// is taken at its first value only where the table has one value on it.
std::string answer(const vfp::DeckTable& t, Asked at, const std::string& where, bool json) {
    const bool prod = t.keyword == "VFPPROD";
    const std::pair<const char*, const std::vector<double>*> others[] = {
        {"wfr", &t.wfr_axis}, {"gfr", &t.gfr_axis}, {"alq", &t.alq_axis}};
    for (const auto& [name, axis] : others) {
        if (!prod && at.count(name)) throw std::invalid_argument(where + ": a VFPINJ has no " + name + " axis");
        if (at.count(name)) continue;
        if (axis->size() > 1) throw std::invalid_argument(where + ": give " + std::string(name) + " (the table has " + std::to_string(axis->size()) + " values of it)");
        at[name] = axis->front();
    }
    vfp::DeckPoint p{at["flo"], at.count("thp") ? at["thp"] : 0.0, at["wfr"], at["gfr"], at["alq"]};
    std::vector<std::string> beyond;
    double thp = p.thp, bhp = 0;
    if (at.count("bhp")) {
        bhp = at["bhp"];
        thp = vfp::thp_for(t, p, bhp);
        p.thp = std::isfinite(thp) ? thp : t.thp_axis.front();
        vfp::value_at(t, p, &beyond);
    } else {
        bhp = vfp::value_at(t, p, &beyond);
    }
    auto n = [](double v) { return std::isfinite(v) ? flowmodel::io::format_double(v) : std::string("none"); };
    if (json) {
        Json j = {{"keyword", t.keyword}, {"number", t.number}, {"flo", p.flo}, {"thp", thp}, {"bhp", bhp}};
        if (prod) {
            j["wfr"] = p.wfr;
            j["gfr"] = p.gfr;
            j["alq"] = p.alq;
        }
        j["beyond"] = json_texts(beyond);
        return json_compact(j);
    }
    std::string s = t.keyword + " " + std::to_string(t.number) + ": " +
                    (at.count("bhp") ? "THP " + n(thp) + " gives BHP " + n(bhp) : "BHP " + n(bhp) + " at THP " + n(thp)) +
                    ", FLO " + n(p.flo);
    if (prod) s += ", WFR " + n(p.wfr) + ", GFR " + n(p.gfr) + ", ALQ " + n(p.alq);
    s += " (" + t.units + " units)";
    if (!std::isfinite(thp)) s += ": no THP gives it (the BHP does not rise with THP there)";
    if (!beyond.empty()) {
        s += "; extrapolated beyond";
        for (const std::string& b : beyond) s += " " + b;
    }
    return s;
}

// --at-file: the points of a CSV (a header naming the axes), one answer each.
std::vector<Asked> read_points(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot read (no such file, or not readable)");
    flowmodel::io::CsvReader reader(in);
    flowmodel::io::CsvRecord rec;
    std::vector<std::string> head;
    std::vector<Asked> out;
    while (reader.next(rec)) {
        const std::string where = path + ": line " + std::to_string(rec.line);
        if (!rec.error.empty()) throw std::runtime_error(where + ": " + rec.error);
        if (head.empty()) {
            for (size_t k = 0; k < rec.size(); ++k) head.push_back(rec[k]);
            continue;
        }
        if (rec.size() != head.size()) {
            throw std::runtime_error(where + ": " + std::to_string(rec.size()) + " fields where the header has " + std::to_string(head.size()));
        }
        std::string text;
        for (size_t k = 0; k < rec.size(); ++k) text += (k ? "," : "") + head[k] + "=" + rec[k];
        out.push_back(read_point(text, where));
    }
    if (!reader.fatal().empty()) throw std::runtime_error(path + ": " + reader.fatal());
    return out;
}

int run_at(const std::vector<vfp::DeckTable>& tables, const std::vector<Asked>& points, const std::string& file,
           const VerbRun& run) {
    if (tables.size() != 1) {
        run.say(file + " has " + std::to_string(tables.size()) + " tables: choose one with --table N");
        return 2;
    }
    if (!vfp::axes_rise(tables[0])) {
        run.say(tables[0].keyword + " " + std::to_string(tables[0].number) +
                ": an axis does not rise (see pipeflow vfp-check without --at): it cannot be interpolated");
        return 1;
    }
    std::string text = run.format == "json" ? "[" : "";
    for (size_t k = 0; k < points.size(); ++k) {
        const std::string one = answer(tables[0], points[k], points.size() > 1 ? "point " + std::to_string(k + 1) : "--at",
                                       run.format == "json");
        text += run.format == "json" ? (k ? "," : "") + one : one + "\n";
    }
    if (run.format == "json") text += "]\n";
    Output out;
    if (!run.open(out, {{file, "FILE"}})) return 2;
    return run.finish(out, text) ? 0 : 2;
}

// The table of `file` to compare: table N, or its only one.
const vfp::DeckTable* chosen(const std::vector<vfp::DeckTable>& tables, int number, const std::string& file,
                             const VerbRun& run) {
    const vfp::DeckTable* found = vfp::find_table(tables, number);
    if (!found) {
        run.say(file + (number == 0 ? " has " + std::to_string(tables.size()) + " tables: choose one with --table N"
                                    : " has no table " + std::to_string(number)));
    }
    return found;
}

// The comparison in words, and as JSON.
std::string comparison_json(const vfp::DeckTable& a, const vfp::Comparison& c) {
    const vfp::DeckPoint& w = c.where;
    Json where = {{"flo", w.flo}, {"thp", w.thp}};
    if (a.keyword == "VFPPROD") {
        where["wfr"] = w.wfr;
        where["gfr"] = w.gfr;
        where["alq"] = w.alq;
    }
    return json_text({{"points", c.points},
                      {"largest", c.largest},
                      {"where", std::move(where)},
                      {"mean_abs", c.mean_abs},
                      {"mean", c.mean},
                      {"units", a.units}});
}

std::string comparison_text(const vfp::DeckTable& a, const vfp::DeckTable& b, const vfp::Comparison& c,
                            const std::string& file, const std::string& other) {
    const bool prod = a.keyword == "VFPPROD";
    auto n = [](double v) { return flowmodel::io::format_double(v); };
    const vfp::DeckPoint& w = c.where;
    return a.keyword + " " + std::to_string(a.number) + " of " + file + " against " + b.keyword + " " +
           std::to_string(b.number) + " of " + other + ", on " + std::to_string(c.points) +
           " points (the union of their nodes within the range both cover), " + a.units + " units:\n" +
           "  largest difference (second - first) " + n(c.largest) + " at FLO " + n(w.flo) + ", THP " + n(w.thp) +
           (prod ? ", WFR " + n(w.wfr) + ", GFR " + n(w.gfr) + ", ALQ " + n(w.alq) : "") + "\n" +
           "  mean absolute difference " + n(c.mean_abs) + ", mean difference " + n(c.mean) + "\n";
}

// The families of curves engineers look at: BHP against FLO, one curve per
// THP, one panel per WFR, GFR and ALQ combination (at most kPanels, the
// first ones, said in the title), THP inversions marked with a red ring.
constexpr size_t kPanels = 12;
const char* const kCurveColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#9467bd", "#8c564b", "#e377c2", "#17becf", "#7f7f7f"};

// The unit names of a deck table's pressures and rates, as its units give them.
std::string pressure_unit(const vfp::DeckTable& t) { return t.units == "FIELD" ? "psia" : t.units == "LAB" ? "atma" : "barsa"; }
std::string flo_unit(const vfp::DeckTable& t) {
    const bool gas = t.flo == "GAS";
    return t.units == "FIELD" ? (gas ? "Mscf/day" : "stb/day") : t.units == "LAB" ? "scc/hr" : "sm3/day";
}

// A producer's panel says which WFR, GFR and ALQ it draws.
std::string panel_heading(double left, double top, double wfr, double gfr, double alq) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"%.0f\">WFR %s, GFR %s, ALQ %s</text>\n", left, top - 6,
                  flowmodel::io::format_double(wfr).c_str(), flowmodel::io::format_double(gfr).c_str(),
                  flowmodel::io::format_double(alq).c_str());
    return buf;
}

std::string panel(const vfp::DeckTable& t, size_t w, size_t g, size_t a, const std::vector<vfp::Finding>& inversions,
                  double left, double top, bool first) {
    double lo = INFINITY, hi = -INFINITY;
    for (double v : t.bhp) {
        if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    }
    if (!(hi > lo)) hi = lo + 1;
    plot::Frame f{plot::rounded({t.flo_axis.front(), t.flo_axis.back(), false, "FLO (" + t.flo + "), " + flo_unit(t)}),
                  plot::rounded({lo, hi, false, "BHP, " + pressure_unit(t)}), left, top, 300, 200};
    f.y_labels = first;
    f.x_count = 4;
    std::string s = f.axes();
    char buf[200];
    const bool prod = t.keyword == "VFPPROD";
    if (prod) s += panel_heading(left, top, t.wfr_axis[w], t.gfr_axis[g], t.alq_axis[a]);
    for (size_t i = 0; i < t.thp_axis.size(); ++i) {
        std::string path;
        for (size_t q = 0; q < t.flo_axis.size(); ++q) {
            const double v = t.at(i, w, g, a, q);
            if (!std::isfinite(v)) continue;
            std::snprintf(buf, sizeof buf, "%s%.1f,%.1f", path.empty() ? "" : " ", f.px(t.flo_axis[q]), f.py(v));
            path += buf;
        }
        s += "<polyline class=\"curve\" fill=\"none\" stroke=\"" + std::string(kCurveColours[i % 8]) + "\" points=\"" + path + "\"/>\n";
    }
    for (const vfp::Finding& x : inversions) {
        if (x.where[1] != w + 1 || x.where[2] != g + 1 || x.where[3] != a + 1) continue;
        const double v = t.at(x.where[0] - 1, w, g, a, x.where[4] - 1);
        std::snprintf(buf, sizeof buf, "<circle class=\"inversion\" cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"2\"/>\n",
                      f.px(t.flo_axis[x.where[4] - 1]), f.py(v));
        s += buf;
    }
    return s;
}

std::string as_svg(const vfp::DeckTable& t, const std::vector<vfp::Check>& checks) {
    std::vector<vfp::Finding> inversions;
    for (const vfp::Check& c : checks) {
        if (std::string(c.name) == "bhp_rises_with_thp") inversions = c.found;
    }
    std::vector<std::array<size_t, 3>> panels;
    for (size_t w = 0; w < t.wfr_axis.size(); ++w)
        for (size_t g = 0; g < t.gfr_axis.size(); ++g)
            for (size_t a = 0; a < t.alq_axis.size(); ++a) panels.push_back({w, g, a});
    const size_t shown = std::min(panels.size(), kPanels);
    const size_t columns = std::min<size_t>(shown, 3), rows = (shown + columns - 1) / columns;
    // The legend in a column of its own, right of the panels.
    const double width = 300 + 360.0 * static_cast<double>(columns), height = 110 + 270.0 * static_cast<double>(rows);
    std::string title = t.keyword + " " + std::to_string(t.number) + " (" + t.file + "): BHP against FLO for each THP";
    if (shown < panels.size()) title += " (the first " + std::to_string(shown) + " of " + std::to_string(panels.size()) + " panels)";
    std::string s = plot::open_svg(width, height, title);
    for (size_t k = 0; k < shown; ++k) {
        const double left = 90 + 360.0 * static_cast<double>(k % columns), top = 70 + 270.0 * static_cast<double>(k / columns);
        s += panel(t, panels[k][0], panels[k][1], panels[k][2], inversions, left, top, k % columns == 0);
    }
    std::vector<plot::LegendEntry> legend;
    for (size_t i = 0; i < t.thp_axis.size() && i < 8; ++i) {
        legend.push_back({"THP " + flowmodel::io::format_double(t.thp_axis[i]), kCurveColours[i], "line"});
    }
    if (!inversions.empty()) legend.push_back({"BHP below the lower THP's", "#d62728", "circle"});
    s += plot::legend(90 + 360.0 * static_cast<double>(columns), 80, legend);
    return s + "</svg>\n";
}

// One panel of the comparison: BHP against FLO on the compared points, a
// curve per compared THP (at most 8), FILE's solid and OTHER's dashed, the
// largest difference ringed where it lies in this panel.
std::string comparison_panel(const vfp::DeckTable& a, const vfp::DeckTable& b, const vfp::Comparison& c,
                             const std::array<double, 3>& wga, const std::array<double, 2>& bhp_range, double left,
                             double top, bool first) {
    auto at = [&](const vfp::DeckTable& t, double thp, double flo) {
        return vfp::value_at(t, {flo, thp, wga[0], wga[1], wga[2]});
    };
    const size_t curves = std::min<size_t>(c.thp.size(), 8);
    plot::Frame f{plot::rounded({c.flo.front(), c.flo.back(), false, "FLO (" + a.flo + "), " + flo_unit(a)}),
                  plot::rounded({bhp_range[0], bhp_range[1], false, "BHP, " + pressure_unit(a)}), left, top, 300, 200};
    f.y_labels = first;
    f.x_count = 4;
    std::string s = f.axes();
    char buf[240];
    if (a.keyword == "VFPPROD") s += panel_heading(left, top, wga[0], wga[1], wga[2]);
    for (size_t i = 0; i < curves; ++i) {
        for (const vfp::DeckTable* t : {&a, &b}) {
            std::string path;
            for (double q : c.flo) {
                const double v = at(*t, c.thp[i], q);
                if (!std::isfinite(v)) continue;
                std::snprintf(buf, sizeof buf, "%s%.1f,%.1f", path.empty() ? "" : " ", f.px(q), f.py(v));
                path += buf;
            }
            s += "<polyline class=\"curve\" fill=\"none\" stroke=\"" + std::string(kCurveColours[i]) + "\"" +
                 (t == &b ? " stroke-dasharray=\"6 4\"" : "") + " points=\"" + path + "\"/>\n";
        }
    }
    const vfp::DeckPoint& w = c.where;
    if (w.wfr == wga[0] && w.gfr == wga[1] && w.alq == wga[2]) {
        std::snprintf(buf, sizeof buf, "<circle class=\"largest\" cx=\"%.1f\" cy=\"%.1f\" r=\"7\" fill=\"none\" stroke=\"#d62728\" stroke-width=\"2\"/>\n",
                      f.px(w.flo), f.py(at(b, w.thp, w.flo)));
        s += buf;
    }
    return s;
}

// Both tables drawn on the points compared, a panel per compared WFR, GFR
// and ALQ (the first kPanels), the largest difference ringed.
std::string comparison_svg(const vfp::DeckTable& a, const vfp::DeckTable& b, const vfp::Comparison& c,
                           const std::string& file, const std::string& other) {
    std::vector<std::array<double, 3>> panels;
    for (double w : c.wfr)
        for (double g : c.gfr)
            for (double l : c.alq) panels.push_back({w, g, l});
    const size_t shown = std::min(panels.size(), kPanels);
    // One BHP scale for every panel drawn, so that they read alike.
    std::array<double, 2> range = {INFINITY, -INFINITY};
    for (size_t k = 0; k < shown; ++k)
        for (size_t i = 0; i < c.thp.size() && i < 8; ++i)
            for (double q : c.flo)
                for (const vfp::DeckTable* t : {&a, &b}) {
                    const double v = vfp::value_at(*t, {q, c.thp[i], panels[k][0], panels[k][1], panels[k][2]});
                    if (std::isfinite(v)) range = {std::min(range[0], v), std::max(range[1], v)};
                }
    if (!(range[1] > range[0])) range = {std::isfinite(range[0]) ? range[0] : 0.0, (std::isfinite(range[0]) ? range[0] : 0.0) + 1};
    const size_t columns = std::min<size_t>(shown, 3), rows = (shown + columns - 1) / columns;
    const double width = 300 + 360.0 * static_cast<double>(columns), height = 110 + 270.0 * static_cast<double>(rows);
    char largest[40];
    std::snprintf(largest, sizeof largest, "%.5g", c.largest);
    std::string title = a.keyword + " " + std::to_string(a.number) + " of " + file + " (solid) against " + other +
                        " (dashed): largest difference " + largest + " " + pressure_unit(a);
    if (shown < panels.size()) title += " (the first " + std::to_string(shown) + " of " + std::to_string(panels.size()) + " panels)";
    std::string s = plot::open_svg(width, height, title);
    for (size_t k = 0; k < shown; ++k) {
        const double left = 90 + 360.0 * static_cast<double>(k % columns), top = 70 + 270.0 * static_cast<double>(k / columns);
        s += comparison_panel(a, b, c, panels[k], range, left, top, k % columns == 0);
    }
    std::vector<plot::LegendEntry> legend;
    for (size_t i = 0; i < c.thp.size() && i < 8; ++i) {
        legend.push_back({"THP " + flowmodel::io::format_double(c.thp[i]), kCurveColours[i], "line"});
    }
    legend.push_back({"solid: " + file.substr(file.find_last_of('/') + 1), "#555555", "line"});
    legend.push_back({"dashed: " + other.substr(other.find_last_of('/') + 1), "#555555", "dash"});
    legend.push_back({"largest difference", "#d62728", "circle"});
    s += plot::legend(90 + 360.0 * static_cast<double>(columns), 80, legend);
    return s + "</svg>\n";
}

// --against B: the two tables on the union of their nodes within the range both cover.
int run_against(const std::string& file, const std::string& other, int table, const VerbRun& run) {
    const std::vector<vfp::DeckTable> as = vfp::read_vfp_deck(file), bs = vfp::read_vfp_deck(other);
    const vfp::DeckTable* a = chosen(as, table, file, run);
    const vfp::DeckTable* b = chosen(bs, table, other, run);
    if (!a || !b) return 2;
    const vfp::Comparison c = vfp::compare_tables(*a, *b);
    if (!c.refused.empty()) {
        run.say("cannot compare " + file + " and " + other + ": " + c.refused);
        return 2;
    }
    std::string text = run.format == "json" ? comparison_json(*a, c)
                       : run.format == "svg" ? comparison_svg(*a, *b, c, file, other)
                                             : comparison_text(*a, *b, c, file, other);
    Output out;
    if (!run.open(out, {{file, "FILE"}, {other, "--against"}})) return 2;
    return run.finish(out, text) ? 0 : 2;
}

int run_check(const std::string& file, int table, const std::vector<Asked>& points, const VerbRun& run) {
    if (file.empty()) throw std::invalid_argument("give the deck file to read: pipeflow vfp-check FILE");
    std::vector<vfp::DeckTable> tables = vfp::read_vfp_deck(file);
    if (table > 0) {
        std::vector<vfp::DeckTable> chosen;
        std::string present;
        for (vfp::DeckTable& t : tables) {
            present += (present.empty() ? "" : ", ") + t.keyword + " " + std::to_string(t.number);
            if (t.number == table) chosen.push_back(std::move(t));
        }
        if (chosen.empty()) {
            run.say(file + " has no table " + std::to_string(table) + (present.empty() ? ": it has none" : "; it has " + present));
            return 2;
        }
        tables = std::move(chosen);
    }
    if (tables.empty()) {
        run.say(file + " has no VFPPROD or VFPINJ");
        return 2;
    }
    if (!points.empty()) return run_at(tables, points, file, run);
    std::vector<std::vector<vfp::Check>> checks;
    bool fail = false;
    for (const vfp::DeckTable& t : tables) {
        checks.push_back(vfp::check_table(t));
        fail = fail || failed(checks.back());
    }
    Output out;
    if (!run.open(out, {{file, "FILE"}})) return 2;
    if (run.format == "svg" && tables.size() != 1) {
        run.say(file + " has " + std::to_string(tables.size()) + " tables: choose the one to draw with --table N");
        return 2;
    }
    const std::string text = run.format == "json" ? as_json(tables, checks)
                             : run.format == "svg" ? as_svg(tables[0], checks[0])
                                                   : as_text(tables, checks);
    if (!run.finish(out, text)) return 2;
    return fail ? 1 : 0;
}

}  // namespace

int vfp_check_command(int argc, char** argv) {
    // FILE may stand anywhere among the options: the one argument that is no option's value.
    std::string file;
    std::vector<char*> rest(argv, argv + std::min(argc, 2));
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool takes_value = a == "--table" || a == "--output" || a == "--at" || a == "--at-file" || a == "--against";
        if (a.rfind("-", 0) != 0 && file.empty() && a != "-") {
            file = a;
            continue;
        }
        rest.push_back(argv[i]);
        if (takes_value && i + 1 < argc) rest.push_back(argv[++i]);
    }
    int table = 0;
    std::string at, at_file, against;
    Verb verb = verb_named("vfp-check", kUsage);
    verb.formats = {"--json", "--svg"};
    verb.default_format = "table";
    verb.jobs = false;
    verb.once = true;
    verb.option = [&table, &at, &at_file, &against](const std::string& name, const std::string& value) {
        if (name == "at" || name == "at-file" || name == "against") {
            (name == "at" ? at : name == "at-file" ? at_file : against) = value;
            return true;
        }
        if (name != "table") return false;
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || n < 1 || n > 1000000) {
            throw std::invalid_argument("--table takes a table number from 1");
        }
        table = static_cast<int>(n);
        return true;
    };
    verb.run = [&file, &table, &at, &at_file, &against](VerbRun& run) {
        if ((!at.empty()) + (!at_file.empty()) + (!against.empty()) > 1) {
            throw std::invalid_argument("give one of --at, --at-file and --against");
        }
        if (run.format == "svg" && (!at.empty() || !at_file.empty())) {
            throw std::invalid_argument("--svg draws a table or a comparison: give it without --at or --at-file");
        }
        if (!against.empty()) {
            if (file.empty()) throw std::invalid_argument("give the deck file to read: pipeflow vfp-check FILE --against OTHER");
            return run_against(file, against, table, run);
        }
        std::vector<Asked> points;
        if (!at.empty()) points.push_back(read_point(at, "--at"));
        if (!at_file.empty()) points = read_points(at_file);
        return run_check(file, table, points, run);
    };
    return run_verb(verb, static_cast<int>(rest.size()), rest.data());
}

}  // namespace pipeflow_cli
