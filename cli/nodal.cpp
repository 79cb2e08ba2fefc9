// The `pipeflow nodal` command: the outflow curve of a well against the
// inflow of its reservoir, and the operating point where they cross.
#include "nodal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/loading.hpp"
#include "flowmodel/nodal.hpp"
#include "flowmodel/well_request.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/unit_system.hpp"
#include "flowmodel/batch/format.hpp"
#include "json.h"
#include "map.h"
#include "options.h"
#include "output.h"
#include "verb.h"
#include "traverse.h"
#include "plot.h"
#include "nodal_lift.h"

namespace pipeflow_cli {


namespace {

namespace bo = flowmodel::blackoil;

const char* kUsage =
    "usage: pipeflow nodal --profile FILE [--profile-unit m|ft] --diam D [--rough K] (--temp T | --temp-in T --temp-out T |\n"
    "         --heat LAW SURROUNDINGS [--temp-in T], as for pipeflow traverse)\n"
    "         --outlet-pres THP --api API --gas-gravity G [--water-gravity G | --salinity S] [--co2 Y] ...\n"
    "         --water-cut F (--gor R | --glr R) --res-pres P INFLOW [--rates LIST] [--tol DP] [--jobs N]\n"
    "         [--csv | --json | --svg] [--output-units si|field] [--output FILE]\n"
    "INFLOW is one of\n"
    "  --ipr pi --pi J                                 straight line, q = J (pr - pwf)\n"
    "  --ipr vogel (--q-max Q | --test-rate Q --test-pwf P)   Vogel (1968)\n"
    "  --ipr composite --pi J [--bubble-pres P]        line above the bubble point, Vogel below (the\n"
    "                                                  black oil's own bubble point at the bottom without it)\n"
    "  --ipr fetkovich --c C --n N                     gas backpressure, q = C (pr^2 - pwf^2)^n, C with its\n"
    "                                                  units as '0.02 Mscf/d/psi2' (or Sm3/d/bar2, m3/s/Pa2)\n"
    "The well is listed from the wellhead down, its last station the perforations; the swept rate is\n"
    "the liquid at standard conditions, split by --water-cut and --gor or --glr (for fetkovich the\n"
    "gas, carrying the liquid that --gor or --glr and --water-cut give). Rates: --rates\n"
    "'50,100,200 STB/d', or a sweep from 1 % to 99 % of the inflow's absolute open flow. Every\n"
    "crossing is looked for between rates whose outflow was computed and refined by traverses until\n"
    "the two curves agree within 0.01 psi (or to 1e-4 of the rate); the stable one (the outflow\n"
    "rising through the inflow) is the operating point, its bottom-hole pressure that of a traverse\n"
    "at its rate. None (the outflow above the inflow everywhere, the inflow above it up to the\n"
    "largest rate, or the outflow stopping first): exit 3 with the reason, the curves still written.\n"
    "Gas lift: --lift-gas-rate Q --injection-depth MD [--lift-gas-gravity G] lifts every outflow\n"
    "traverse (or, for --injection-depth, --casing-pres P --mandrels LIST [--injection-dp DP]: the\n"
    "deepest mandrel where the annulus exceeds the tubing by DP, default 100 psi);\n"
    "--lift-gas-rates LIST (with the injection options) gives instead the lift-gas performance\n"
    "curve: the operating point at each lift-gas rate, the maximum, and the economic optimum where\n"
    "one more unit of lift gas buys less oil than --min-gradient (oil per lift gas at standard\n"
    "conditions, default 0.001 Sm3/Sm3; STB/Mscf in field units).\n"
    "With --heat each outflow traverse computes its own temperature: the wellhead's rises with the\n"
    "rate (column 'wellhead temp', key wellhead_temp).\n"
    "An injection well: --injector water|gas|oil with the injected fluid's property (--water-gravity or\n"
    "--salinity, --gas-gravity, --api), the wellhead pressure as --inlet-pres (the injector's inlet),\n"
    "and the reservoir's injectivity, --ipr injectivity (the default then) --ii II --res-pres P: it\n"
    "takes q = II (pwf - pr), II with its units as '20 Sm3/d/bar' (Mscf/d/psi for gas). The outflow\n"
    "curve is the bottom-hole pressure the tubing gives (the column gained, friction lost), the\n"
    "inflow the pressure the reservoir needs; the sweep runs from 1 % to 100 % of the largest rate\n"
    "the reservoir could take (at the tubing's bottom-hole pressure at a trickle), and the operating\n"
    "point is where the tubing falls through the reservoir's need.\n";

struct Units {
    bool field = false;
    bool gas = false;  // the swept rate is the gas (a gas well's inflow)
    flowmodel::UnitSystem system() const { return field ? flowmodel::UnitSystem::Field : flowmodel::UnitSystem::SI; }
    flowmodel::Dimension rate_dim() const { return gas ? flowmodel::Dimension::GasRate : flowmodel::Dimension::LiquidRate; }
    double rate(double si) const { return flowmodel::to_system(system(), rate_dim(), si); }
    double pres(double pa) const { return flowmodel::to_system(system(), flowmodel::Dimension::Pressure, pa); }
    const char* rate_unit() const { return flowmodel::output_unit(system(), rate_dim()).name; }
    const char* pres_unit() const { return flowmodel::output_unit(system(), flowmodel::Dimension::Pressure).name; }
    double temp(double k) const { return flowmodel::to_system(system(), flowmodel::Dimension::Temperature, k); }
    const char* temp_unit() const { return flowmodel::output_unit(system(), flowmodel::Dimension::Temperature).name; }
    std::string temp_key(const char* name) const { return flowmodel::unit_key(system(), flowmodel::Dimension::Temperature, name); }
    const char* rate_name() const { return gas ? "gas rate" : "liquid rate"; }
    std::string pres_key(const char* name) const { return flowmodel::unit_key(system(), flowmodel::Dimension::Pressure, name); }
    std::string rate_key() const { return flowmodel::unit_key(system(), rate_dim(), gas ? "gas_rate" : "liquid_rate"); }
    std::string rate_text(double si) const {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.6g %s", rate(si), rate_unit());
        return buf;
    }
};

// Liquid loading at the operating point, where it was judged.
std::string loading_text(const flowmodel::nodal::Result& r, const Units& u) {
    if (r.loading == flowmodel::LoadingCriterion::None || !std::isfinite(r.critical_gas_rate)) return "";
    const flowmodel::UnitSystem sys = u.system();
    char line[400];
    std::snprintf(line, sizeof line,
                  "liquid loading (%s): the well carries its liquid above %.6g %s of gas (the larger of the wellhead's "
                  "and the bottom's critical rate at the operating point)%s\n",
                  flowmodel::loading_criterion_name(r.loading),
                  flowmodel::to_system(sys, flowmodel::Dimension::GasRate, r.critical_gas_rate),
                  flowmodel::output_unit(sys, flowmodel::Dimension::GasRate).name,
                  r.loads ? "; the operating point lies below it: the well loads up" : "; the operating point lies above it");
    return line;
}

std::string as_table(const flowmodel::nodal::Result& r, const Units& u, double thp, const flowmodel::TraverseOptions& o) {
    const bool heat = o.heat.marched();
    std::string s = "outflow by " + flowmodel::method_text(o.method, o.holdup_factor, o.friction_factor) + "\n";
    if (heat) s += std::string("temperature by heat transfer (") + flowmodel::heat_law_name(o.heat.law) + "): the wellhead's varies with the rate\n";
    char line[256];
    std::snprintf(line, sizeof line, "%12s %14s %14s %-17s%s\n%12s %14s %14s%s\n", u.rate_name(), "outflow BHP",
                  "inflow BHP", "regime at bottom", heat ? " wellhead temp" : "", u.rate_unit(), u.pres_unit(),
                  u.pres_unit(), heat ? (std::string(18, ' ') + " " + u.temp_unit()).c_str() : "");
    s += line;
    for (const auto& p : r.curve) {
        char temp[32] = "";
        if (heat) std::snprintf(temp, sizeof temp, " %13.2f", u.temp(p.wellhead_temp));
        std::snprintf(line, sizeof line, "%12.6g %14.6g %14.6g %-17s%s%s\n", u.rate(p.rate), u.pres(p.outflow),
                      u.pres(p.inflow),
                      p.regime_at_bottom >= 0 ? flowmodel::pattern_name(static_cast<flowmodel::Pattern>(p.regime_at_bottom)) : "",
                      temp, p.failure.empty() ? "" : ("  " + p.failure).c_str());
        s += line;
    }
    for (const auto& c : r.crossings) {
        std::snprintf(line, sizeof line, "\n%s crossing at %.6g %s, bottom-hole %.6g %s (wellhead %.6g %s",
                      c.stable ? "operating point: stable" : "unstable", u.rate(c.rate), u.rate_unit(), u.pres(c.bhp),
                      u.pres_unit(), u.pres(thp), u.pres_unit());
        s += line;
        if (heat) {
            std::snprintf(line, sizeof line, ", %.2f %s", u.temp(c.wellhead_temp), u.temp_unit());
            s += line;
        }
        s += ")";
    }
    return s + "\n" + loading_text(r, u);
}

Json crossing_json(const flowmodel::nodal::Crossing& c, const Units& u) {
    Json j = Json::object();
    for (const auto& col : flowmodel::nodal::crossing_columns(u.gas)) {
        j[flowmodel::unit_key(u.system(), col.measure, col.name)] =
            flowmodel::to_system(u.system(), col.measure, col.value(c));
    }
    j["regime_at_bottom"] =
        c.regime_at_bottom >= 0 ? flowmodel::pattern_name(static_cast<flowmodel::Pattern>(c.regime_at_bottom)) : "none";
    j["stable"] = c.stable;
    return j;
}

// The analysis's method, its curves (a point per line), crossings, operating
// point or the reason there is none, and the atmosphere gauge readings were
// taken against.
std::string as_json(const flowmodel::nodal::Result& r, const Units& u, const flowmodel::TraverseOptions& o, double atm) {
    Json curves = Json::array();
    const auto columns = flowmodel::nodal::curve_columns(u.gas);
    for (const flowmodel::nodal::Point& p : r.curve) {
        Json row = Json::object();
        for (const auto& c : columns) {
            row[flowmodel::unit_key(u.system(), c.measure, c.name)] = flowmodel::to_system(u.system(), c.measure, c.value(p));
        }
        curves.push_back(std::move(row));
    }
    Json crossings = Json::array();
    for (const auto& c : r.crossings) crossings.push_back(crossing_json(c, u));
    const auto* op = r.operating_point();
    Json doc = {{"units", u.field ? "field" : "si"},
                {"method", flowmodel::method_info(o.method).name},
                {"holdup_factor", o.holdup_factor},
                {"friction_factor", o.friction_factor},
                {"curves", std::move(curves)},
                {"crossings", std::move(crossings)},
                {"operating_point", op ? crossing_json(*op, u) : Json()}};
    if (!op) doc["reason"] = flowmodel::nodal::reason(r, [&](double q) { return u.rate_text(q); });
    if (r.loading != flowmodel::LoadingCriterion::None) {
        doc["loading"] = flowmodel::loading_criterion_name(r.loading);
        doc[flowmodel::unit_key(u.system(), flowmodel::Dimension::GasRate, "critical_gas_rate")] =
            flowmodel::to_system(u.system(), flowmodel::Dimension::GasRate, r.critical_gas_rate);
        doc["loads"] = r.loads;
    }
    doc["evaluations"] = r.evaluations;
    if (atm > 0) doc[u.pres_key("atm_pres")] = u.pres(atm);
    return json_text(doc, {"curves"});
}

std::string as_svg(const flowmodel::nodal::Result& r, const Units& u, const std::string& title) {
    double rmax = 0, pmax = 0;
    for (const auto& p : r.curve) {
        rmax = std::max(rmax, u.rate(p.rate));
        if (std::isfinite(p.outflow)) pmax = std::max(pmax, u.pres(p.outflow));
        if (std::isfinite(p.inflow)) pmax = std::max(pmax, u.pres(p.inflow));
    }
    if (std::isfinite(r.critical_rate)) rmax = std::max(rmax, 1.05 * u.rate(r.critical_rate));  // its line in view
    plot::Frame f{plot::rounded({0, std::max(rmax, 1e-9), false, std::string(u.rate_name()) + ", " + u.rate_unit()}),
                  plot::rounded({0, std::max(pmax, 1.0), false, std::string("bottom-hole pressure, ") + u.pres_unit()}),
                  100, 50, 620, 440};
    std::string s = plot::open_svg(960, 560, title) + f.axes();
    auto curve = [&](bool outflow, const char* colour) {
        std::string line = "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"2\" points=\"";
        for (const auto& p : r.curve) {
            const double v = outflow ? p.outflow : p.inflow;
            if (!std::isfinite(v)) continue;
            char buf[48];
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", f.px(u.rate(p.rate)), f.py(u.pres(v)));
            line += buf;
        }
        return line + "\"/>\n";
    };
    s += curve(true, "#0072b2") + curve(false, "#e69f00");
    const bool loading_line = std::isfinite(r.critical_rate);
    if (loading_line) {
        const double x = f.px(u.rate(r.critical_rate));
        char buf[320];
        std::snprintf(buf, sizeof buf,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#cc79a7\" stroke-width=\"2\" "
                      "stroke-dasharray=\"8 5\"/>\n",
                      x, f.py(f.y.lo), x, f.py(f.y.hi));
        s += buf;
    }
    for (const auto& c : r.crossings) {
        char buf[320];
        std::snprintf(buf, sizeof buf, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"6\" fill=\"%s\" stroke=\"black\"/>\n",
                      f.px(u.rate(c.rate)), f.py(u.pres(c.bhp)), c.stable ? "black" : "white");
        s += buf;
        std::snprintf(buf, sizeof buf, "<text x=\"%.1f\" y=\"%.1f\">%s %.4g %s, %.4g %s</text>\n", f.px(u.rate(c.rate)) + 10,
                      f.py(u.pres(c.bhp)) - 10, c.stable ? "operating point" : "unstable", u.rate(c.rate), u.rate_unit(),
                      u.pres(c.bhp), u.pres_unit());
        s += buf;
    }
    std::vector<plot::LegendEntry> entries =
        r.injector ? std::vector<plot::LegendEntry>{{"outflow (tubing)", "#0072b2", "line"}, {"inflow (injectivity)", "#e69f00", "line"}}
                   : std::vector<plot::LegendEntry>{{"outflow (lift curve)", "#0072b2", "line"}, {"inflow (reservoir)", "#e69f00", "line"}};
    if (loading_line) {
        entries.push_back({std::string("least rate that unloads (") + flowmodel::loading_criterion_name(r.loading) + ")",
                           "#cc79a7", "dash"});
    }
    s += plot::legend(740, 70, entries);
    return s + "</svg>\n";
}


// The title of the picture: the well, the wellhead pressure, the fluid's
// ratios and the inflow.
std::string picture_title(const flowmodel::wells::NodalSetup& nodal, const std::string& profile, const Units& units) {
    const double thp = nodal.setup.options.pres;
    const flowmodel::ipr::Inflow& inflow = nodal.inflow;
    const char* kinds[] = {"straight-line", "Vogel", "composite", "Fetkovich", "injectivity"};
    char title[400];
    const auto& split = nodal.split;
    const std::string well = profile.empty() ? "a straight well" : profile.substr(profile.find_last_of('/') + 1);
    const double shown_thp = units.field ? units.pres(thp) : thp / 1e3;
    const double shown_pr = units.field ? units.pres(inflow.pr) : inflow.pr / 1e3;
    const char* pres_unit = units.field ? "psia" : "kPa";
    if (split.injected != flowmodel::wells::Injected::None) {
        std::snprintf(title, sizeof title, "Nodal analysis of a %s injector, %s: wellhead %.5g %s; reservoir at %.5g %s",
                      flowmodel::wells::injected_name(split.injected), well.c_str(), shown_thp, pres_unit, shown_pr,
                      pres_unit);
    } else if (split.yields) {
        // Yields as engineers write them: STB per MMscf in field units.
        const flowmodel::Dimension d = flowmodel::Dimension::LiquidGasRatio;
        const double per = units.field ? 1000 : 1;
        std::snprintf(title, sizeof title, "Nodal analysis, %s: wellhead %.5g %s, CGR %.4g, WGR %.4g %s; %s inflow from %.5g %s",
                      well.c_str(), shown_thp, pres_unit, per * flowmodel::to_system(units.system(), d, split.cgr),
                      per * flowmodel::to_system(units.system(), d, split.wgr), units.field ? "STB/MMscf" : "Sm3/Sm3",
                      kinds[static_cast<int>(inflow.kind)], shown_pr, pres_unit);
    } else {
        const double ratio = flowmodel::to_system(units.system(), flowmodel::Dimension::GasRatio, split.gas_ratio);
        std::snprintf(title, sizeof title,
                      "Nodal analysis, %s: wellhead %.5g %s, water cut %.3g %%, %s %.5g %s; %s inflow from %.5g %s",
                      well.c_str(), shown_thp, pres_unit, 100 * split.water_cut, split.per_liquid ? "GLR" : "GOR", ratio,
                      flowmodel::output_unit(units.system(), flowmodel::Dimension::GasRatio).name,
                      kinds[static_cast<int>(inflow.kind)], shown_pr, pres_unit);
    }
    const flowmodel::Method method = nodal.setup.options.method;
    if (method != flowmodel::kDefaultMethod) return std::string(title) + "; " + flowmodel::method_info(method).title;
    return title;
}

// The curves' columns as the JSON writes them, an empty field where a number is none.
std::string as_csv(const flowmodel::nodal::Result& r, const Units& units) {
    const auto columns = flowmodel::nodal::curve_columns(units.gas);
    std::string text;
    for (size_t k = 0; k < columns.size(); ++k) {
        text += (k ? "," : "") + flowmodel::unit_key(units.system(), columns[k].measure, columns[k].name);
    }
    text += "\n";
    for (const auto& p : r.curve) {
        for (size_t k = 0; k < columns.size(); ++k) {
            const double v = columns[k].value(p);
            text += (k ? "," : "") + (std::isfinite(v) ? flowmodel::io::format_double(
                                                             flowmodel::to_system(units.system(), columns[k].measure, v))
                                                       : std::string());
        }
        text += "\n";
    }
    return text;
}

int run_nodal(const flowmodel::wells::NodalRequest& request, const VerbRun& run) {
    const flowmodel::wells::NodalSetup nodal = flowmodel::wells::setup_nodal(request);
    if (!nodal.lift_gas_rates.empty()) return run_lift_curve(nodal, request.traverse.profile, run);
    Units units;
    units.field = run.field_units;
    units.gas = nodal.split.gas_rate;
    Output out;
    if (!run.open(out, {{request.traverse.profile, "--profile"}})) return 2;
    flowmodel::nodal::Result r = flowmodel::wells::analyse(nodal, run.jobs);
    for (auto& p : r.curve) p.failure = flowmodel::command_words(p.failure, units.system());
    r.stop_cause = flowmodel::command_words(r.stop_cause, units.system());
    for (const std::string& w : r.warnings) run.say("warning: " + w);
    const double thp = nodal.setup.options.pres;
    const flowmodel::TraverseOptions& method = nodal.setup.options;
    const double atm = nodal.setup.atm_pres;
    std::string text = run.format == "json" ? as_json(r, units, method, atm)
                       : run.format == "svg" ? as_svg(r, units, picture_title(nodal, request.traverse.profile, units))
                       : run.format == "csv" ? as_csv(r, units)
                                             : as_table(r, units, thp, method);
    if (atm > 0 && run.format == "table") {
        text += "gauge pressures read with an atmospheric pressure of " +
                flowmodel::io::format_double(std::round(units.pres(atm) * 1000) / 1000) + " " + units.pres_unit() + "\n";
    }
    if (!run.finish(out, text)) return 2;
    // The picture, the CSV and the JSON are for programs and viewers: the
    // operating point is said on the error stream too, as the table says it.
    if (const auto* op = r.operating_point(); op && run.format != "table") {
        char said[240];
        std::snprintf(said, sizeof said, "operating point: stable crossing at %.6g %s, bottom-hole %.6g %s (wellhead %.6g %s)",
                      units.rate(op->rate), units.rate_unit(), units.pres(op->bhp), units.pres_unit(), units.pres(thp),
                      units.pres_unit());
        run.say(said);
    }
    if (!r.operating_point()) {
        char head[160];
        std::snprintf(head, sizeof head, "no operating point against a wellhead pressure of %.6g %s: ", units.pres(thp),
                      units.pres_unit());
        run.say(head + flowmodel::nodal::reason(r, [&](double q) { return units.rate_text(q); }));
        return 3;
    }
    return 0;
}

}  // namespace

int nodal_command(int argc, char** argv) {
    flowmodel::wells::NodalRequest request;
    Verb verb = verb_named("nodal", kUsage);
    verb.usage = [] { return std::string(kUsage) + well_options_help(); };
    verb.formats = {"--csv", "--json", "--svg"};
    verb.default_format = "table";
    verb.output_units = true;
    verb.once = true;
    verb.option = [&request](const std::string& name, const std::string& value) {
        if (!line_file_option(request.traverse, name, value) && !flowmodel::wells::set_nodal_option(request, name, value)) {
            flowmodel::set_option(request.traverse, name, value);
        }
        return true;
    };
    verb.run = [&request](VerbRun& run) { return run_nodal(request, run); };
    return run_verb(verb, argc, argv);
}

}  // namespace pipeflow_cli
