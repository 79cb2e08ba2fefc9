// The `pipeflow match` command: every method on a well's own measured
// pressures, ranked, and tuned with --tune.
#include "match.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flowmodel/batch/format.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/match.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/unit_system.hpp"
#include "json.h"
#include "output.h"
#include "plot.h"
#include "traverse.h"
#include "units.h"
#include "verb.h"

namespace pipeflow_cli {

namespace {

namespace fm = flowmodel::match;

const char* kUsage =
    "usage: pipeflow match --measured FILE [--tune] [--method NAME|all] WELL\n"
    "         [--csv | --json | --svg] [--output-units si|field] [--jobs N] [--output FILE]\n"
    "WELL is a well as for 'pipeflow traverse' listed from the wellhead down (--profile FILE,\n"
    "--diam, --rough, the black oil: --api, --gas-gravity, --water-gravity or --salinity, ...).\n"
    "FILE is a CSV of measured pressures, units in the header ('whp (barg)') or with the values:\n"
    "  a flowing gradient survey: md, pres, at the rates and from the boundary pressure given as\n"
    "  options (--oil-rate ..., --outlet-pres at the wellhead), produced upward unless\n"
    "  --flow-direction increasing (an injector: --inlet-pres at the wellhead);\n"
    "  or well tests, one row per test: date or test, the rates (oil_rate, water_rate, gas_rate,\n"
    "  or liquid_rate with water_cut and gor), whp, optionally wht, gauge_md, gauge_pres,\n"
    "  optionally gauge_temp: each test a traverse from its wellhead pressure down to its gauge,\n"
    "  the temperature linear from wht to gauge_temp (else the well's --temp-in/--temp-out).\n"
    "Gauge pressures (barg, psig) are read above --atm-pres. Every method runs on every row\n"
    "(--method chooses one); the methods are ranked by their mean absolute error in per cent of\n"
    "the measured drop (wellhead to gauge; rows with a drop under 0.1 psi are left out of the per-cent\n"
    "figures). Rows a method cannot compute are counted as failed; exit 3 where none computed any.\n"
    "--tune fits each method's holdup and friction multipliers (0.5 to 2) by least squares on up\n"
    "to 150 tests spread over the file and reports the error after tuning over all of them;\n"
    "traverse, nodal and vfp take them as --holdup-factor and --friction-factor.\n"
    "--csv writes one row per measurement and method, --json {\"methods\": [...]} best first\n"
    "(tuned with --tune; the untuned under \"untuned\"), --svg the predicted against the measured\n"
    "pressures and, for the best method and the model, along the tests.\n"
    "Exit status 2: a file or option that cannot be taken (named with its line and column).\n";

// Errors in a table in bar (SI people read bar, not Pa) or psi.
struct Units : OutUnits {
    double err(double pa) const { return field ? dp(pa) : pa / flowmodel::unit::kBar; }
    const char* err_unit() const { return field ? dp_unit() : "bar"; }
};

// A statistic in the table: "-" where there was no row to take it over.
std::string cell(double v, int decimals) {
    if (!std::isfinite(v)) return "-";
    char b[40];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

std::string method_lines(const std::vector<fm::MethodScore>& v, const Units& u, bool tuned) {
    std::string s;
    char line[300];
    std::snprintf(line, sizeof line, "%-4s %-21s %6s %6s %9s %9s %8s %8s %8s%s\n%-4s %-21s %6s %6s %9s %9s %8s %8s %8s\n",
                  "rank", "method", "n", "failed", "ME", "MAE", "ME", "MAE", "<=5 %", tuned ? "  holdup x  friction x" : "",
                  "", "", "", "", u.err_unit(), u.err_unit(), "% drop", "% drop", "of n");
    s += line;
    for (size_t k = 0; k < v.size(); ++k) {
        const fm::MethodScore& m = v[k];
        std::snprintf(line, sizeof line, "%-4zu %-21s %6ld %6ld %9s %9s %8s %8s %8s", k + 1,
                      flowmodel::method_info(m.method).name, m.n, m.failed, cell(u.err(m.me), 2).c_str(),
                      cell(u.err(m.mae), 2).c_str(), cell(m.me_drop, 2).c_str(), cell(m.mape_drop, 2).c_str(),
                      cell(m.within5, 1).c_str());
        s += line;
        if (tuned) {
            std::snprintf(line, sizeof line, "  %9.4f  %10.4f", m.holdup_factor, m.friction_factor);
            s += line;
        }
        s += "\n";
    }
    return s;
}

std::string as_table(const fm::MatchResult& r, bool survey, const Units& u) {
    std::string s = std::string(survey ? "A flowing gradient survey, " + std::to_string(r.rows) + " stations: "
                                       : std::to_string(r.rows) + " well tests: the gauge pressure ") +
                    (survey ? "each station's pressure predicted from the boundary pressure"
                              : "predicted from the wellhead pressure") +
                    "; error = predicted - measured\n\n";
    s += (r.tuned.empty() ? "" : "untuned\n") + method_lines(r.untuned, u, false);
    if (!r.tuned.empty()) s += "\ntuned (holdup and friction multipliers fitted by least squares, 0.5 to 2)\n" + method_lines(r.tuned, u, true);
    char line[160];
    std::snprintf(line, sizeof line, "\n%ld traverses\n", r.traverses);
    s += line;
    for (const std::string& w : r.warnings) s += "WARNING: " + w + "\n";
    return s;
}

// A method's statistics from the library's columns, in the output units.
Json score_json(const fm::MethodScore& m, const Units& u) {
    Json j = {{"method", flowmodel::method_info(m.method).name}};
    for (const fm::ScoreColumn& c : fm::score_columns()) {
        const double v = c.value(m);
        if (c.kind == fm::ScoreColumn::Count) {
            j[u.key(c.name, c.measure)] = static_cast<long>(v);
        } else {
            j[u.key(c.name, c.measure)] = u.to(c.measure, v);
        }
    }
    return j;
}

Json list_json(const std::vector<fm::MethodScore>& v, const Units& u) {
    Json a = Json::array();
    for (const fm::MethodScore& m : v) a.push_back(score_json(m, u));
    return a;
}

// The methods best first (tuned where tuned, the untuned beside them).
std::string as_json(const fm::MatchResult& r, bool survey, const Units& u) {
    Json j = {{"units", u.field ? "field" : "si"},
              {"kind", survey ? "survey" : "tests"},
              {"rows", r.rows},
              {"methods", list_json(r.tuned.empty() ? r.untuned : r.tuned, u)}};
    if (!r.tuned.empty()) j["untuned"] = list_json(r.untuned, u);
    j["traverses"] = r.traverses;
    j["warnings"] = json_texts(r.warnings);
    return json_text(j, {"methods", "untuned"});
}

std::string csv_header(const Units& u) {
    using D = flowmodel::Dimension;
    return "method,tuned,holdup_factor,friction_factor,row," + u.key("measured", D::Pressure) + "," +
           flowmodel::unit_key(u.system(), D::Pressure, "predicted") + "," +
           flowmodel::unit_key(u.system(), D::PressureStep, "error") + "," +
           flowmodel::unit_key(u.system(), D::PressureStep, "drop") + ",failure\n";
}

// One row of --csv, written as it is scored.
void csv_row(std::string& s, const fm::RowOut& r, const Units& u) {
    const fm::RowPrediction& row = r.prediction;
    const bool ok = std::isfinite(row.predicted);
    std::string failure = row.failure;
    std::replace(failure.begin(), failure.end(), '"', '\'');
    s += std::string(flowmodel::method_info(r.method).name) + "," + (r.tuned ? "true" : "false") + "," +
         flowmodel::io::format_double(r.holdup_factor) + "," + flowmodel::io::format_double(r.friction_factor) + "," +
         flowmodel::io::csv_quote(r.label) + "," + flowmodel::io::format_double(u.pres(row.measured)) + "," +
         (ok ? flowmodel::io::format_double(u.pres(row.predicted)) : "") + "," +
         (ok ? flowmodel::io::format_double(u.dp(row.predicted - row.measured)) : "") + "," +
         flowmodel::io::format_double(u.dp(row.drop)) + ",\"" + flowmodel::command_words(failure, u.system()) + "\"\n";
}

const char* const kColours[] = {"#000000", "#0072b2", "#56b4e9", "#009e73", "#e69f00", "#d55e00", "#cc79a7", "#777777"};

const char* colour_of(flowmodel::Method m) { return kColours[static_cast<size_t>(m) % 8]; }

// The pressures of a match's pictures: psia or bar, and their range over
// every method's sample.
struct Shown {
    const Units& u;
    double operator()(double pa) const { return u.field ? u.pres(pa) : pa / flowmodel::unit::kBar; }
    const char* unit() const { return u.field ? "psia" : "bar (absolute)"; }
    bool range(const std::vector<fm::MethodScore>& v, double& lo, double& hi) const {
        lo = INFINITY, hi = -INFINITY;
        for (const fm::MethodScore& m : v) {
            for (const auto& [index, row] : m.sample) {
                for (double x : {row.measured, row.predicted}) {
                    if (!std::isfinite(x)) continue;
                    lo = std::min(lo, (*this)(x));
                    hi = std::max(hi, (*this)(x));
                }
            }
        }
        return hi > lo;
    }
};

// Predicted against measured, a dot per sampled row and method, on the 1:1 line.
std::string cross_plot(const std::vector<fm::MethodScore>& v, const Shown& shown, const plot::Frame& cross,
                       std::vector<plot::LegendEntry>& legend) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#555\"/>\n",
                  cross.px(cross.x.lo), cross.py(cross.x.lo), cross.px(cross.x.hi), cross.py(cross.x.hi));
    std::string s = cross.axes() + buf;
    for (const fm::MethodScore& m : v) {
        for (const auto& [index, row] : m.sample) {
            if (!std::isfinite(row.predicted)) continue;
            std::snprintf(buf, sizeof buf, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"1.6\" fill=\"%s\" fill-opacity=\"0.6\"/>\n",
                          cross.px(shown(row.measured)), cross.py(shown(row.predicted)), colour_of(m.method));
            s += buf;
        }
        legend.push_back({std::string(flowmodel::method_info(m.method).name) + " (" +
                              flowmodel::io::format_double(std::round(m.mape_drop * 10) / 10) + " %)",
                          colour_of(m.method), "circle"});
    }
    return s;
}

// Along the rows: measured, the best method and the model.
std::string along_plot(const fm::MatchResult& r, const std::vector<fm::MethodScore>& v, const Shown& shown,
                       const plot::Axis& pressure, std::vector<plot::LegendEntry>& legend) {
    const size_t n = r.rows;
    const plot::Axis along{0, static_cast<double>(n > 1 ? n - 1 : 1), false,
                           "row, in the order of the file (" + r.first_label + " to " + r.last_label + ")"};
    plot::Frame time{plot::rounded(along), pressure, 620, 70, 520, 420};
    time.y.title = std::string("pressure, ") + shown.unit();
    std::string s = time.axes();
    char buf[160];
    auto trace = [&](const std::vector<std::pair<size_t, fm::RowPrediction>>& rows, bool use_measured, const char* colour) {
        s += std::string("<polyline fill=\"none\" stroke-width=\"1\" stroke=\"") + colour + "\" points=\"";
        for (const auto& [index, row] : rows) {
            const double y = use_measured ? row.measured : row.predicted;
            if (!std::isfinite(y)) continue;
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", time.px(static_cast<double>(index)), time.py(shown(y)));
            s += buf;
        }
        s += "\"/>\n";
    };
    const auto model = std::find_if(v.begin(), v.end(), [](const fm::MethodScore& m) { return m.method == flowmodel::kDefaultMethod; });
    if (model != v.end() && model != v.begin()) trace(model->sample, false, kColours[0]);
    trace(v.front().sample, false, colour_of(v.front().method));
    trace(v.front().sample, true, "#aaaaaa");
    legend.push_back({"measured", "#aaaaaa", "line"});
    std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"60\">along the tests: measured, the best method and the model</text>\n",
                  time.left);
    return s + buf;
}

// Predicted against measured for every method (at most 400 rows each,
// evenly spread), and along the rows the measured pressure with the best
// method's and the model's.
std::string as_svg(const fm::MatchResult& r, const Units& u, const std::string& title) {
    const std::vector<fm::MethodScore>& v = r.tuned.empty() ? r.untuned : r.tuned;
    const Shown shown{u};
    double lo = 0, hi = 0;
    if (!shown.range(v, lo, hi)) return plot::open_svg(900, 120, title + ": nothing computed") + "</svg>\n";
    const plot::Axis measured = plot::rounded({lo, hi, false, std::string("measured pressure, ") + shown.unit()});
    const plot::Axis predicted = plot::rounded({lo, hi, false, std::string("predicted pressure, ") + shown.unit()});
    std::vector<plot::LegendEntry> legend;
    std::string s = plot::open_svg(1440, 560, title);
    s += cross_plot(v, shown, plot::Frame{measured, predicted, 80, 70, 420, 420}, legend);
    s += along_plot(r, v, shown, measured, legend);
    return s + plot::legend(1160, 80, legend) + "</svg>\n";
}

int run_match(const flowmodel::TraverseRequest& request, const std::string& measured_path, fm::MatchOptions options,
              const VerbRun& run) {
    if (measured_path.empty()) throw std::invalid_argument("give --measured FILE");
    Units units;
    units.field = run.field_units;
    Output out;
    if (!run.open(out, {{request.profile, "--profile"}, {measured_path, "--measured"}})) return 2;
    const double atm = atmosphere(request);
    options.jobs = run.jobs;
    // --csv is written as the rows are scored: memory bounded by a block.
    std::string csv;
    if (run.format == "csv") {
        csv = csv_header(units);
        options.on_row = [&](const fm::RowOut& row) {
            csv_row(csv, row, units);
            if (csv.size() >= (1u << 16) && out.write(csv)) csv.clear();
        };
    }
    const fm::MatchResult r = fm::run_match(request, measured_path, atm, options);
    if (!r.computed()) {
        run.say(flowmodel::command_words(r.why_none(), units.system()));
        return 3;
    }
    const bool survey = r.survey;
    const std::string name = measured_path.substr(measured_path.find_last_of('/') + 1);
    const std::string text = run.format == "json"  ? as_json(r, survey, units)
                             : run.format == "csv" ? csv
                             : run.format == "svg" ? as_svg(r, units, (survey ? "Survey pressures predicted against measured: "
                                                                              : "Gauge pressure predicted from the wellhead against measured: ") +
                                                                     name + (options.tune ? ", tuned" : ""))
                                                   : as_table(r, survey, units);
    if (!run.finish(out, text)) return 2;
    if (run.format != "table" || run.output != "-") {
        for (const std::string& w : r.warnings) run.say("warning: " + w);
    }
    return 0;
}

}  // namespace

int match_command(int argc, char** argv) {
    flowmodel::TraverseRequest request;
    request.flow_decreasing = true;  // a producing well, unless --flow-direction increasing
    request.flow_direction_stated = true;
    std::string measured;
    fm::MatchOptions options;
    Verb verb = verb_named("match", kUsage);
    verb.usage = [] { return std::string(kUsage) + well_options_help(); };
    verb.formats = {"--csv", "--json", "--svg"};
    verb.default_format = "table";
    verb.output_units = true;
    verb.once = true;
    verb.flags = {{"--tune", [&options] { options.tune = true; }}};
    verb.option = [&](const std::string& name, const std::string& value) {
        if (line_file_option(request, name, value) || flow_direction_option(request, name, value)) return true;
        if (name == "measured") {
            measured = value;
        } else if (name == "method") {
            if (flowmodel::names_all_methods(value)) {
                options.methods.clear();
            } else {
                flowmodel::set_option(request, name, value);
                options.methods = {request.method};
            }
        } else {
            flowmodel::set_option(request, name, value);
        }
        return true;
    };
    verb.run = [&](VerbRun& run) { return run_match(request, measured, options, run); };
    return run_verb(verb, argc, argv);
}

}  // namespace pipeflow_cli
