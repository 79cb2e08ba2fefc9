// The lift-gas performance curve as a table, CSV, JSON and a picture.
#include "nodal_lift.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "flowmodel/batch/format.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/unit_system.hpp"
#include "json.h"
#include "output.h"
#include "plot.h"
#include "units.h"

namespace pipeflow_cli {

namespace {

namespace fw = flowmodel::wells;

// Rates per day in a table (SI people read Sm3/d, not m3/s).
struct Units : OutUnits {
    double rate(D d, double si) const { return field ? to(d, si) : si * flowmodel::unit::kDay; }
    const char* rate_unit(D d) const { return field ? unit(d) : "Sm3/d"; }
};

std::string table(const fw::LiftCurve& c, const Units& u) {
    std::string s;
    char line[300];
    std::snprintf(line, sizeof line, "%14s %14s %14s %14s %12s\n%14s %14s %14s %14s %12s\n", "lift gas", "liquid rate",
                  "oil rate", "bottom-hole", "injection md", u.rate_unit(D::GasRate), u.rate_unit(D::LiquidRate),
                  u.rate_unit(D::LiquidRate), u.unit(D::Pressure), u.unit(D::Length));
    s += line;
    for (const fw::LiftPoint& p : c.points) {
        if (p.why.empty()) {
            std::snprintf(line, sizeof line, "%14.6g %14.6g %14.6g %14.6g %12.1f\n", u.rate(D::GasRate, p.lift_gas_rate),
                          u.rate(D::LiquidRate, p.liquid_rate), u.rate(D::LiquidRate, p.oil_rate), u.to(D::Pressure, p.bhp),
                          u.to(D::Length, p.injection_md));
        } else {
            std::snprintf(line, sizeof line, "%14.6g %14s %14s %14s %12.1f  %s\n", u.rate(D::GasRate, p.lift_gas_rate), "-",
                          "-", "-", u.to(D::Length, p.injection_md), flowmodel::command_words(p.why, u.system()).c_str());
        }
        s += line;
    }
    auto say = [&](const char* what, int k) {
        if (k < 0) return std::string(what) + ": none (the well does not flow)\n";
        const fw::LiftPoint& p = c.points[static_cast<size_t>(k)];
        std::snprintf(line, sizeof line, "%s: %.6g %s of lift gas, oil %.6g %s, liquid %.6g %s\n", what,
                      u.rate(D::GasRate, p.lift_gas_rate), u.rate_unit(D::GasRate), u.rate(D::LiquidRate, p.oil_rate),
                      u.rate_unit(D::LiquidRate), u.rate(D::LiquidRate, p.liquid_rate), u.rate_unit(D::LiquidRate));
        return std::string(line);
    };
    return s + "\n" + say("maximum", c.maximum) + say("economic optimum", c.economic_optimum);
}

// A point in the output units, each key with its unit's suffix outside SI
// (lift_gas_rate_mscf_d), as every JSON of the command and Python's nodal.
Json point_json(const fw::LiftPoint& p, const Units& u) {
    Json j = Json::object();
    for (const fw::LiftPointColumn& c : fw::lift_point_columns()) j[u.key(c.name, c.measure)] = u.to(c.measure, c.value(p));
    if (!p.why.empty()) j["reason"] = flowmodel::command_words(p.why, u.system());
    return j;
}

std::string json(const fw::LiftCurve& c, double min_gradient, const Units& u) {
    Json points = Json::array();
    for (const fw::LiftPoint& p : c.points) points.push_back(point_json(p, u));
    auto pick = [&](int k) { return k < 0 ? Json() : point_json(c.points[static_cast<size_t>(k)], u); };
    const Json doc = {{"units", u.field ? "field" : "si"},
                      {u.key("min_gradient", D::LiquidGasRatio), u.to(D::LiquidGasRatio, min_gradient)},
                      {"lift_gas_curve", std::move(points)},
                      {"maximum", pick(c.maximum)},
                      {"economic_optimum", pick(c.economic_optimum)},
                      {"warnings", json_texts(c.warnings)},
                      {"evaluations", c.evaluations}};
    return json_text(doc, {"lift_gas_curve"});
}

std::string csv(const fw::LiftCurve& c, const Units& u) {
    std::string s;
    for (const fw::LiftPointColumn& col : fw::lift_point_columns()) s += (s.empty() ? "" : ",") + u.key(col.name, col.measure);
    s += "\n";
    auto num = [](double v) { return std::isfinite(v) ? flowmodel::io::format_double(v) : std::string(); };
    for (const fw::LiftPoint& p : c.points) {
        std::string row;
        for (const fw::LiftPointColumn& col : fw::lift_point_columns()) {
            row += (row.empty() ? "" : ",") + num(u.to(col.measure, col.value(p)));
        }
        s += row + "\n";
    }
    return s;
}

// Oil and liquid rate against lift gas, the maximum and the economic optimum marked.
std::string svg(const fw::LiftCurve& c, const Units& u, const std::string& title) {
    double g_hi = 0, q_hi = 0;
    for (const fw::LiftPoint& p : c.points) {
        g_hi = std::max(g_hi, u.rate(D::GasRate, p.lift_gas_rate));
        if (std::isfinite(p.liquid_rate)) q_hi = std::max(q_hi, u.rate(D::LiquidRate, p.liquid_rate));
    }
    if (!(g_hi > 0) || !(q_hi > 0)) return plot::open_svg(900, 120, title + ": the well flows at none") + "</svg>\n";
    const plot::Axis gas = plot::rounded({0, g_hi, false, std::string("lift gas, ") + u.rate_unit(D::GasRate)});
    const plot::Axis rate = plot::rounded({0, q_hi, false, std::string("rate, ") + u.rate_unit(D::LiquidRate)});
    plot::Frame f{gas, rate, 90, 70, 600, 420};
    std::string s = plot::open_svg(960, 560, title) + f.axes();
    char buf[160];
    auto curve = [&](bool oil, const char* colour) {
        s += std::string("<polyline fill=\"none\" stroke-width=\"1.8\" stroke=\"") + colour + "\" points=\"";
        for (const fw::LiftPoint& p : c.points) {
            const double q = oil ? p.oil_rate : p.liquid_rate;
            if (!std::isfinite(q)) continue;
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", f.px(u.rate(D::GasRate, p.lift_gas_rate)), f.py(u.rate(D::LiquidRate, q)));
            s += buf;
        }
        s += "\"/>\n";
    };
    curve(false, "#0072b2");
    curve(true, "#000000");
    auto mark = [&](int k, const char* kind, const char* colour) {
        if (k < 0) return;
        const fw::LiftPoint& p = c.points[static_cast<size_t>(k)];
        s += plot::marker(kind, f.px(u.rate(D::GasRate, p.lift_gas_rate)), f.py(u.rate(D::LiquidRate, p.oil_rate)), colour);
    };
    mark(c.maximum, "square", "#d55e00");
    mark(c.economic_optimum, "circle", "#009e73");
    return s + plot::legend(710, 90, {{"liquid rate", "#0072b2", "line"}, {"oil rate", "#000000", "line"},
                                      {"maximum (oil)", "#d55e00", "square"}, {"economic optimum", "#009e73", "circle"}}) +
           "</svg>\n";
}

}  // namespace

int run_lift_curve(const fw::NodalSetup& setup, const std::string& profile, const VerbRun& run) {
    Units u;
    u.field = run.field_units;
    Output out;
    if (!run.open(out, {{profile, "--profile"}})) return 2;
    const fw::LiftCurve c = fw::lift_gas_curve(setup, run.jobs);
    for (const std::string& w : c.warnings) run.say("warning: " + w);
    const std::string name = profile.empty() ? "a straight well" : profile.substr(profile.find_last_of('/') + 1);
    const std::string text = run.format == "json"  ? json(c, setup.min_gradient, u)
                             : run.format == "csv" ? csv(c, u)
                             : run.format == "svg" ? svg(c, u, "Lift-gas performance, " + name)
                                                   : table(c, u);
    if (!run.finish(out, text)) return 2;
    if (c.maximum < 0) {
        run.say("the well flows at none of the lift-gas rates");
        return 3;
    }
    return 0;
}

}  // namespace pipeflow_cli
