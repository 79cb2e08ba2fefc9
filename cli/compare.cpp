// The `pipeflow compare` command: the eleven inputs of batch plus measured
// holdup, pressure gradient and flow pattern; the model on every row (all
// cores); the statistics per group and pooled as a table, JSON, the rows as
// CSV, or cross-plots as SVG.
#include "compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "flowmodel/batch/columns.hpp"
#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/validation.hpp"
#include "flowmodel/batch/format.hpp"
#include "json.h"
#include "options.h"
#include "output.h"
#include "verb.h"
#include "plot.h"

namespace pipeflow_cli {

using flowmodel::batch::InputColumns;
using flowmodel::batch::regime_label;
using flowmodel::batch::warning_word;

namespace {

namespace v = flowmodel::validation;

const char* kUsage =
    "usage: pipeflow compare [--input FILE] [--output FILE] [--json | --csv | --svg] [--jobs N]\n"
    "                        [--method NAME|all] [--NAME VALUE ...]\n"
    "FILE (CSV, default standard input) has the eleven input columns of batch (or constants given\n"
    "as --NAME VALUE) and any of hol_meas (liquid holdup, fraction), dpdx_meas (measured pressure\n"
    "gradient, Pa/m, positive when the pressure falls along the flow), regime_meas (observed regime\n"
    "0-4, or STRAT for stratified), and optionally source (a group name; a note in brackets\n"
    "is not part of it). The model runs on every row; the statistics per group and for\n"
    "all rows pooled: N, failed (no usable prediction: status 2 or 3, the critical-flow marker),\n"
    "E1 = 100 mean(e), E2 = 100 mean|e|, E3 = 100 std(e), E4 = mean(d), E5 = mean|d|, E6 = std(d)\n"
    "with e = (pred - meas)/meas, d = pred - meas, std with N - 1, and the shares within 20 % and\n"
    "30 %; for the regime the exact and the four-class agreement and the confusion matrix.\n"
    "--json writes {\"pooled\": {...}, \"groups\": {...}}, --csv every row with its prediction and\n"
    "errors, --svg the predicted against the measured gradient and holdup. E1-E3 and the shares\n"
    "leave out rows measured below the resolution (a holdup below 0.01, a gradient below 1 Pa/m in\n"
    "magnitude; counted as below_resolution), which E4-E6 keep. Malformed rows are named on stderr\n"
    "and counted (exit status 1); a column that nearly spells a measured one is refused.\n"
    "--method scores another method than the model (model, beggs-brill, beggs-brill-palmer,\n"
    "beggs-brill-original, hagedorn-brown, gray, mukherjee-brill, no-slip), or every one with\n"
    "'all': a report per method (--json: {\"methods\": [...]}), the CSV rows of each with a first\n"
    "column 'method'. Regimes are scored where a method names them: exactly for the model, in\n"
    "the four classes for Mukherjee & Brill; the others name none and are not scored for it.\n";

struct Row {
    flowmodel::Inputs in;
    v::Measurement meas;
    std::string source;  // as written
    std::string group;
};

Json errors_json(const v::ErrorStats& e) {
    return {{"n", e.n},           {"failed", e.failed}, {"below_resolution", e.below_resolution},
            {"separated_invalid", e.separated_invalid},
            {"e1", e.e1},         {"e2", e.e2},         {"e3", e.e3},
            {"e4", e.e4},         {"e5", e.e5},         {"e6", e.e6},
            {"within20", e.within20}, {"within30", e.within30}};
}

const char* const kObserved[6] = {"0", "1", "2", "3", "4", "STRAT"};

// The regime's scores and its confusion matrix: for each observed class
// with rows, the counts predicted as each of the model's five regimes.
Json regime_json(const v::RegimeStats& r) {
    Json confusion = Json::object();
    for (size_t o = 0; o < 6; ++o) {
        if (std::accumulate(r.confusion[o].begin(), r.confusion[o].end(), 0L) > 0) confusion[kObserved[o]] = r.confusion[o];
    }
    return {{"n", r.n}, {"failed", r.failed}, {"n_exact", r.n_exact}, {"exact", r.exact}, {"coarse", r.coarse},
            {"confusion", std::move(confusion)}};
}

Json stats_json(const v::Statistics& st) {
    Json j = Json::object();
    if (st.dpdx.present()) j["dpdx"] = errors_json(st.dpdx);
    if (st.holdup.present()) j["holdup"] = errors_json(st.holdup);
    if (st.regime.present()) j["regime"] = regime_json(st.regime);
    return j;
}

// With `method`, its name leads the object.
Json as_json(const v::Report& rep, size_t rows, size_t malformed, const flowmodel::Method* method) {
    Json j = Json::object();
    if (method) j["method"] = flowmodel::method_info(*method).name;
    j["rows"] = rows;
    j["malformed"] = malformed;
    j["pooled"] = stats_json(rep.pooled);
    Json groups = Json::object();
    for (const auto& [name, stats] : rep.groups) groups[name] = stats_json(stats);
    j["groups"] = std::move(groups);
    return j;
}

// A percentage in a column of `width`: one decimal while it fits, else in
// powers of ten, so that no value widens its column.
// "-" where there was no row to take a statistic over (never "nan").
std::string percent(double x, int width) {
    char buf[64];
    if (!std::isfinite(x)) {
        std::snprintf(buf, sizeof buf, "%*s", width, "-");
    } else {
        std::snprintf(buf, sizeof buf, std::fabs(x) < 1e5 ? "%*.1f" : "%*.2g", width, x);
    }
    return buf;
}

std::string general(double x) {
    char buf[64];
    if (std::isfinite(x)) {
        std::snprintf(buf, sizeof buf, "%11.4g", x);
    } else {
        std::snprintf(buf, sizeof buf, "%11s", "-");
    }
    return buf;
}

std::string errors_line(const char* what, const v::ErrorStats& e) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "  %-9s %6ld %6ld %6ld %s %s %s %s %s %s %s %s\n", what, e.n, e.failed,
                  e.below_resolution, percent(e.e1, 8).c_str(), percent(e.e2, 8).c_str(), percent(e.e3, 8).c_str(),
                  general(e.e4).c_str(), general(e.e5).c_str(), general(e.e6).c_str(), percent(e.within20, 7).c_str(),
                  percent(e.within30, 7).c_str());
    std::string line = buf;
    bool dash = false;
    for (double x : {e.e1, e.e2, e.e3, e.e4, e.e5, e.e6, e.within20, e.within30}) dash = dash || !std::isfinite(x);
    if (dash) line += "            (-: too few rows of this group above the measurement's resolution for the figure)\n";
    return line;
}

std::string stats_table(const std::string& name, const v::Statistics& st) {
    std::string s = name + "\n";
    if (st.dpdx.present()) s += errors_line("dpdx", st.dpdx);
    if (st.holdup.present()) s += errors_line("holdup", st.holdup);
    if (st.regime.present()) {
        char buf[200];
        std::snprintf(buf, sizeof buf, "  regime    %6ld %6ld          exact %s %% of %ld, four classes %s %% of %ld\n",
                      st.regime.n, st.regime.failed, percent(st.regime.exact, 1).c_str(), st.regime.n_exact,
                      percent(st.regime.coarse, 1).c_str(), st.regime.n);
        s += buf;
    }
    return s;
}

std::string as_table(const v::Report& rep, size_t rows, size_t malformed, flowmodel::Method method) {
    const std::string who = method == flowmodel::kDefaultMethod ? std::string("The model")
                                                               : flowmodel::method_description(method);
    std::string s = who + " against " + std::to_string(rows) + " measured rows" +
                    (malformed ? " (" + std::to_string(malformed) + " malformed, not scored)" : "") +
                    "; e = (pred - meas)/meas, d = pred - meas (Pa/m for dpdx, fraction for holdup);\n"
                    "E1-E3 and the shares leave out rows measured below the resolution (a holdup of " +
                    flowmodel::io::format_double(v::kHoldupResolution) + ", a gradient of " +
                    flowmodel::io::format_double(v::kGradientResolution) + " Pa/m), counted under 'below'\n\n"
                    "            N failed  below   E1 [%]   E2 [%]   E3 [%]          E4          E5          E6   <20 %   <30 %\n";
    s += stats_table("all rows", rep.pooled);
    for (const auto& [name, st] : rep.groups) s += stats_table(name.empty() ? "(no source)" : name, st);
    const v::RegimeStats& r = rep.pooled.regime;
    if (r.present()) {
        s += "\nregime confusion, all rows (observed down, predicted across)\n"
             "          strat.smooth strat.wavy  annular     slug  disp.bubble\n";
        const char* names[6] = {"0 smooth", "1 wavy", "2 annular", "3 slug", "4 bubble", "STRAT"};
        for (int o = 0; o < 6; ++o) {
            char buf[160];
            const auto& c = r.confusion[static_cast<size_t>(o)];
            std::snprintf(buf, sizeof buf, "%-10s %10ld %10ld %8ld %8ld %12ld\n", names[o], c[0], c[1], c[2], c[3], c[4]);
            s += buf;
        }
    }
    return s;
}

std::string csv_header(bool method_column) {
    std::string s = method_column ? "method,source," : "source,";
    for (const auto& f : flowmodel::kInputFields) s += std::string(f.name) + ",";
    return s + "hol_meas,dpdx_meas,regime_meas,hol,dpt,id,regime,ierr,warning,hol_err,hol_rel,dpdx_err,dpdx_rel\n";
}

// The rows with one method's answers; with `method`, a first column names it.
std::string csv_rows(const std::vector<Row>& rows, const std::vector<flowmodel::PointAnswer>& res, const char* method) {
    std::string s;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const flowmodel::PointAnswer& a = res[i];
        if (method) s += std::string(method) + ",";
        s += flowmodel::io::csv_quote(row.source) + ",";
        for (const auto& f : flowmodel::kInputFields) s += flowmodel::io::format_double(row.in.*f.member) + ",";
        auto opt = [](double x) { return std::isnan(x) ? std::string() : flowmodel::io::format_double(x); };
        s += opt(row.meas.hol) + "," + opt(row.meas.dpdx) + "," +
             (row.meas.regime == v::kNoObservation ? "" : kObserved[row.meas.regime]) + ",";
        const v::RowErrors e = v::row_errors(a, row.meas);
        const int id = a.pattern == flowmodel::Pattern::None ? 0 : static_cast<int>(a.pattern);
        s += flowmodel::io::format_double(a.holdup) + "," + flowmodel::io::format_double(a.dpt) + "," +
             std::to_string(id) + "," + flowmodel::pattern_name(a.pattern) + "," + std::to_string(a.model_status) + "," +
             (a.model_bridge ? "separated-invalid" : "") + "," + opt(e.hol_abs) + "," + opt(e.hol_rel) + "," +
             opt(e.dpdx_abs) + "," + opt(e.dpdx_rel) + "\n";
    }
    return s;
}

// What a cross-plot keeps of a row: measured and predicted, and its group.
struct PlotPoint {
    double measured, predicted;
    size_t group;
};

struct CrossPlots {
    std::vector<std::string> groups;  // in order of first appearance
    std::vector<PlotPoint> gradient, holdup;
    size_t rows = 0;
    void add(const Row& row, const flowmodel::PointAnswer& r) {
        ++rows;
        const size_t g = static_cast<size_t>(std::find(groups.begin(), groups.end(), row.group) - groups.begin());
        if (g == groups.size()) groups.push_back(row.group);
        if (!r.valid) return;
        // A log axis shows positive gradients only.
        if (!std::isnan(row.meas.dpdx) && row.meas.dpdx > 0 && r.dpt > 0) gradient.push_back({row.meas.dpdx, r.dpt, g});
        if (!std::isnan(row.meas.hol)) holdup.push_back({row.meas.hol, r.holdup, g});
    }
};

const char* const kColours[] = {"#0072b2", "#e69f00", "#009e73", "#cc79a7", "#d55e00", "#56b4e9", "#f0e442", "#000000"};
const char* const kMarkers[] = {"circle", "square", "triangle", "cross"};

// Predicted against measured, one marker and colour per group, with the
// line of agreement and ±20 % and ±30 % lines.
std::string cross_plot(const std::vector<PlotPoint>& pts, bool gradient, double left, double top) {
    plot::Frame f;
    f.left = left;
    f.top = top;
    f.width = 380;
    f.height = 380;
    if (gradient) {
        double lo = 1e300, hi = 0;
        for (const PlotPoint& p : pts) {
            lo = std::min({lo, p.measured, p.predicted});
            hi = std::max({hi, p.measured, p.predicted});
        }
        if (pts.empty()) lo = 1, hi = 10;
        f.x = plot::rounded({lo, hi, true, "measured pressure gradient, Pa/m"});
        f.y = plot::rounded({lo, hi, true, "predicted pressure gradient, Pa/m"});
    } else {
        f.x = {0, 1, false, "measured liquid holdup, -"};
        f.y = {0, 1, false, "predicted liquid holdup, -"};
    }
    std::string s = f.axes();
    s += "<svg x=\"" + flowmodel::io::format_double(f.left) + "\" y=\"" + flowmodel::io::format_double(f.top) +
         "\" width=\"380\" height=\"380\" viewBox=\"" + flowmodel::io::format_double(f.left) + " " +
         flowmodel::io::format_double(f.top) + " 380 380\">\n";
    // Agreement and the ±20 %, ±30 % lines, as polylines over the axis range.
    for (const auto& [factor, dash] : {std::pair{1.0, ""}, {1.2, "4 3"}, {0.8, "4 3"}, {1.3, "1 3"}, {0.7, "1 3"}}) {
        std::string line = "<polyline fill=\"none\" stroke=\"#555\"" +
                           std::string(*dash ? std::string(" stroke-dasharray=\"") + dash + "\"" : "") + " points=\"";
        for (int k = 0; k <= 40; ++k) {
            const double t = k / 40.0;
            const double xv = f.x.log ? std::pow(10, std::log10(f.x.lo) + t * (std::log10(f.x.hi) - std::log10(f.x.lo)))
                                      : f.x.lo + t * (f.x.hi - f.x.lo);
            char buf[48];
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", f.px(xv), f.py(xv * factor));
            line += buf;
        }
        s += line + "\"/>\n";
    }
    for (const PlotPoint& p : pts) {
        s += plot::marker(kMarkers[p.group / 8 % 4], f.px(p.measured), f.py(p.predicted), kColours[p.group % 8]);
    }
    return s + "</svg>\n";
}

std::string as_svg(const CrossPlots& plots, const std::string& name, flowmodel::Method method) {
    const std::vector<std::string>& groups = plots.groups;
    const double legend_h = 17.0 * static_cast<double>(groups.size() + 3);
    const double height = std::max(520.0, 90 + legend_h);
    const std::string who = method == flowmodel::kDefaultMethod ? "Model" : flowmodel::method_info(method).title;
    std::string s = plot::open_svg(1250, height, who + " against measurements: " + name + ", " +
                                                     std::to_string(plots.rows) + " rows");
    s += cross_plot(plots.gradient, true, 90, 50);
    s += cross_plot(plots.holdup, false, 560, 50);
    std::vector<plot::LegendEntry> entries = {
        {"agreement", "#555", "line"}, {"±20 %", "#555", "dash"}, {"±30 %", "#555", "dot"}};
    for (size_t g = 0; g < groups.size(); ++g) {
        entries.push_back({groups[g].empty() ? "(no source)" : groups[g], kColours[g % 8], kMarkers[g / 8 % 4]});
    }
    s += plot::legend(960, 60, entries);
    return s + "</svg>\n";
}

// The measured columns of a header; a column that nearly spells one is
// refused, since its values would be dropped without a word.
bool measured_columns(const flowmodel::io::CsvRecord& header, long (&col)[4], std::string& error) {
    for (size_t c = 0; c < header.size(); ++c) {
        std::string h = header[c];
        h.erase(0, h.find_first_not_of(" \t"));
        h.erase(h.find_last_not_of(" \t\r") + 1);
        for (int k = 0; k < 4; ++k) {
            if (h == v::kMeasuredColumns[k]) col[k] = static_cast<long>(c);
        }
        const std::string meant = v::near_miss(h);
        if (!meant.empty() && flowmodel::find_input(h) == nullptr) {
            error = "column '" + flowmodel::io::shorten(h) + "' is not one compare reads; did you mean '" + meant + "'?";
            return false;
        }
    }
    if (col[0] < 0 && col[1] < 0 && col[2] < 0) {
        error = "no measured column: give hol_meas, dpdx_meas or regime_meas";
        return false;
    }
    return true;
}

// Rows are read, evaluated and scored a block at a time: memory follows the
// block and the groups, not the file.
constexpr size_t kBlock = 16384;


// The rows of a file of measurements as they stream through: read, evaluated
// a block at a time, scored, and (for --csv) written, (for --svg) kept as points.
struct Stream {
    Stream(const VerbRun& r, Output& o) : run(r), out(o) {}
    const VerbRun& run;
    Output& out;
    InputColumns columns;
    long col[4] = {-1, -1, -1, -1};  // hol_meas, dpdx_meas, regime_meas, source
    std::vector<flowmodel::Method> methods{flowmodel::kDefaultMethod};  // scored in this order
    bool method_column = false;                                        // --method given: named in the CSV and reports
    std::vector<v::Scorer> scorers = std::vector<v::Scorer>(1);
    CrossPlots plots;
    std::vector<Row> block;
    size_t scored = 0, malformed = 0;

    void flush() {
        std::vector<flowmodel::Inputs> in;
        in.reserve(block.size());
        for (const Row& r : block) in.push_back(r.in);
        std::vector<flowmodel::PointAnswer> res(block.size());
        for (size_t k = 0; k < methods.size(); ++k) {
            flowmodel::evaluate_points(methods[k], in.data(), res.data(), in.size(), run.jobs);
            for (size_t i = 0; i < block.size(); ++i) {
                scorers[k].add(res[i], block[i].meas, block[i].group, col[3] >= 0);
                if (run.format == "svg") plots.add(block[i], res[i]);
            }
            if (run.format == "csv") {
                out.write(csv_rows(block, res, method_column ? flowmodel::method_info(methods[k]).name : nullptr));
            }
        }
        scored += block.size();
        block.clear();
    }

    // One data row: kept, or named on stderr and counted.
    void row(const flowmodel::io::CsvRecord& rec, const std::string& where) {
        Row row;
        std::string why = rec.error;
        auto field = [&](int k) -> std::string {
            return col[k] >= 0 && static_cast<size_t>(col[k]) < rec.size() ? rec[static_cast<size_t>(col[k])] : "";
        };
        const bool ok = rec.error.empty() && columns.parse_row(rec, row.in, why) &&
                        v::read_measurement(field(0), field(1), field(2), row.meas, why);
        if (!ok) {
            ++malformed;
            std::fprintf(stderr, "pipeflow compare: %s: line %zu: %s\n", where.c_str(), rec.line, why.c_str());
            return;
        }
        row.source = field(3);
        row.group = v::group_of(row.source);
        block.push_back(std::move(row));
        if (block.size() == kBlock) flush();
    }

    std::string report(const std::string& name) const {
        if (run.format == "csv") return std::string();
        if (run.format == "svg") return as_svg(plots, name, methods.front());
        if (run.format == "json") return json_report();
        std::string s;
        for (size_t k = 0; k < methods.size(); ++k) {
            s += (k ? "\n" : "") + as_table(scorers[k].report(), scored + malformed, malformed, methods[k]);
        }
        return s;
    }

    // One method's report, or {"methods": [...]} with a report per line.
    std::string json_report() const {
        Json reports = Json::array();
        for (size_t k = 0; k < methods.size(); ++k) {
            const flowmodel::Method m = methods[k];
            reports.push_back(as_json(scorers[k].report(), scored + malformed, malformed, method_column ? &m : nullptr));
        }
        if (methods.size() > 1) return json_text({{"methods", std::move(reports)}}, {"methods", "groups"});
        return json_text(reports.front(), {"groups"});
    }
};

// The methods --method names: one, or every one ("all").
struct MethodChoice {
    std::vector<flowmodel::Method> methods{flowmodel::kDefaultMethod};
    bool given = false;
};

int run_compare(const CaseFileOptions& files, const MethodChoice& choice, const VerbRun& run) {
    if (run.format == "svg" && choice.methods.size() > 1) {
        run.say("--svg draws one method: give --method NAME");
        return 2;
    }
    const std::string& input = files.input;
    Input in;
    Output out;
    if (!run.open(in, input, "--input", out)) return 2;
    std::istream& is = *in.stream;
    const std::string& where = in.where;
    std::string error;
    flowmodel::io::CsvReader reader(is);
    flowmodel::io::CsvRecord rec;
    if (!reader.next(rec)) {
        run.say(where + ": " + (reader.fatal().empty() ? std::string("empty; expected a header row") : reader.fatal()));
        return 2;
    }
    Stream stream(run, out);
    stream.methods = choice.methods;
    stream.method_column = choice.given;
    stream.scorers = std::vector<v::Scorer>(choice.methods.size());
    if (!stream.columns.read_header(rec, files.constants, files.given, error) || !measured_columns(rec, stream.col, error)) {
        run.say(where + ": line " + std::to_string(rec.line) + ": " + error);
        return 2;
    }
    if (run.format == "csv") out.write(csv_header(stream.method_column));
    while (reader.next(rec)) stream.row(rec, where);
    if (!reader.fatal().empty() || is.bad()) {
        run.say("cannot read '" + where + "': " + (reader.fatal().empty() ? std::string("read error") : reader.fatal()));
        return 2;
    }
    stream.flush();
    if (!run.finish(out, stream.report(input == "-" ? "standard input" : input.substr(input.find_last_of('/') + 1)))) {
        return 2;
    }
    if (stream.malformed > 0) {
        run.say(std::to_string(stream.malformed) + " of " + std::to_string(stream.scored + stream.malformed) +
                " rows were malformed and are not scored");
        return 1;
    }
    return 0;
}

}  // namespace

int compare_command(int argc, char** argv) {
    CaseFileOptions files;
    Verb verb = verb_named("compare", kUsage);
    verb.formats = {"--json", "--csv", "--svg"};
    verb.default_format = "table";
    verb.jobs = true;
    MethodChoice choice;
    verb.option = [&files, &choice](const std::string& name, const std::string& value) {
        if (name == "method") {
            choice.given = true;
            choice.methods.clear();
            if (flowmodel::names_all_methods(value)) {
                for (const flowmodel::MethodInfo& m : flowmodel::methods()) choice.methods.push_back(m.method);
            } else if (const flowmodel::MethodInfo* m = flowmodel::method_named(value)) {
                choice.methods.push_back(m->method);
            } else {
                throw std::invalid_argument("--method takes all, " + flowmodel::method_names() + "; '" + value +
                                            "' is none of them");
            }
            return true;
        }
        std::string error;
        if (!case_file_option(files, name, value, error)) return false;
        if (!error.empty()) throw std::invalid_argument(error);
        return true;
    };
    verb.run = [&files, &choice](VerbRun& run) { return run_compare(files, choice, run); };
    return run_verb(verb, argc, argv);
}

}  // namespace pipeflow_cli
