// `pipeflow traverse --method all`: every method on the same line from the
// same boundary, the spread a user judges before choosing one.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flowmodel/batch/format.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/methods.hpp"
#include "flowmodel/option_error.hpp"
#include "output.h"
#include "plot.h"
#include "traverse_output.h"
#include "verb.h"

namespace pipeflow_cli {

namespace {

using flowmodel::batch::xml_text;

struct MethodRun {
    const flowmodel::MethodInfo* info;
    flowmodel::TraverseResult result;
};

// Every method on the library's parallel loop, in the order of the methods' table.
std::vector<MethodRun> run_every_method(const flowmodel::TraverseSetup& setup, flowmodel::UnitSystem system) {
    std::vector<flowmodel::Method> methods;
    for (const flowmodel::MethodInfo& info : flowmodel::methods()) methods.push_back(info.method);
    std::vector<flowmodel::TraverseResult> results = flowmodel::traverse_methods(setup, methods);
    std::vector<MethodRun> runs;
    for (size_t k = 0; k < results.size(); ++k) {
        results[k].summary.message = flowmodel::command_words(results[k].summary.message, system);
        runs.push_back({&flowmodel::methods()[k], std::move(results[k])});
    }
    return runs;
}

// A pressure for the table: blank where the march did not reach it.
std::string pressure_cell(double v, const OutUnits& u) {
    if (!std::isfinite(v)) return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", u.pres(v));
    return b;
}

std::string as_table(const std::vector<MethodRun>& runs, const OutUnits& u) {
    char line[400];
    std::string s;
    std::snprintf(line, sizeof line, "%-21s %10s %10s %10s %9s %9s %9s %10s  %s\n%-21s %10s %10s %10s %9s %9s %9s %10s\n",
                  "method", "inlet", "outlet", "drop", "friction", "gravity", "accel.", "liquid", "note", "",
                  u.pres_unit(), u.pres_unit(), u.dp_unit(), u.dp_unit(), u.dp_unit(), u.dp_unit(), u.vol_unit());
    s += line;
    for (const MethodRun& r : runs) {
        const flowmodel::TraverseSummary& m = r.result.summary;
        const size_t ranges = std::count_if(m.warnings.begin(), m.warnings.end(), [](const std::string& w) {
            return w.find("used outside the data it was fitted on") != std::string::npos;
        });
        const std::string note = !m.complete ? "stopped at md " + flowmodel::io::format_double(std::round(u.len(m.stop_md))) +
                                                   " " + u.len_unit()
                                 : ranges   ? "outside its fitted range (" + std::to_string(ranges) + ")"
                                            : "";
        std::snprintf(line, sizeof line, "%-21s %10s %10s %10.1f %9.1f %9.1f %9.1f %10.4g  %s\n", r.info->name,
                      pressure_cell(m.inlet_pres, u).c_str(), pressure_cell(m.outlet_pres, u).c_str(),
                      u.pres(m.dp_total), u.pres(m.dp_friction), u.pres(m.dp_gravity), u.pres(m.dp_acceleration),
                      u.vol(m.liquid_inventory), note.c_str());
        s += line;
    }
    s += "\nmethods:\n";
    for (const MethodRun& r : runs) s += "  " + std::string(r.info->name) + ": " + flowmodel::method_description(r.info->method) + "\n";
    // A warning every method gives (the fluid's) is said once; the others with their method.
    std::vector<std::vector<std::string>> said;
    for (const MethodRun& r : runs) said.push_back(stretch_warnings(r.result.summary, u));
    auto everyones = [&said](const std::string& w) {
        return std::all_of(said.begin(), said.end(),
                           [&w](const std::vector<std::string>& v) { return std::find(v.begin(), v.end(), w) != v.end(); });
    };
    for (const std::string& w : said.empty() ? std::vector<std::string>() : said.front()) {
        if (said.size() > 1 && everyones(w)) s += "WARNING: " + w + "\n";
    }
    for (size_t k = 0; k < runs.size(); ++k) {
        const MethodRun& r = runs[k];
        for (const std::string& w : said[k]) {
            if (said.size() < 2 || !everyones(w)) s += "WARNING (" + std::string(r.info->name) + "): " + w + "\n";
        }
        if (!r.result.summary.complete) s += "STOPPED (" + std::string(r.info->name) + "): " + r.result.summary.message + "\n";
    }
    return s;
}

std::string csv_number(double v) { return std::isfinite(v) ? flowmodel::io::format_double(v) : ""; }

std::string as_csv(const std::vector<MethodRun>& runs, const OutUnits& u) {
    using D = flowmodel::Dimension;
    std::string s = "method,complete," + u.key("inlet_pres", D::Pressure) + "," + u.key("outlet_pres", D::Pressure) + "," +
                    u.key("dp_total", D::PressureStep) + "," + u.key("dp_friction", D::PressureStep) + "," +
                    u.key("dp_gravity", D::PressureStep) + "," + u.key("dp_acceleration", D::PressureStep) + "," +
                    u.key("liquid_inventory", D::Volume) + ",message\n";
    for (const MethodRun& r : runs) {
        const flowmodel::TraverseSummary& m = r.result.summary;
        std::string message = m.message;
        std::replace(message.begin(), message.end(), '"', '\'');
        s += std::string(r.info->name) + "," + (m.complete ? "true" : "false") + "," + csv_number(u.pres(m.inlet_pres)) +
             "," + csv_number(u.pres(m.outlet_pres)) + "," + csv_number(u.to(D::PressureStep, m.dp_total)) + "," +
             csv_number(u.to(D::PressureStep, m.dp_friction)) + "," + csv_number(u.to(D::PressureStep, m.dp_gravity)) +
             "," + csv_number(u.to(D::PressureStep, m.dp_acceleration)) + "," + csv_number(u.vol(m.liquid_inventory)) +
             ",\"" + message + "\"\n";
    }
    return s;
}

std::string as_json(const std::vector<MethodRun>& runs, const OutUnits& u, const StandardRates& q) {
    Json methods = Json::array();
    for (const MethodRun& run : runs) methods.push_back(summary_json(run.result.summary, u, q));
    return json_text({{"units", u.field ? "field" : "si"}, {"methods", std::move(methods)}}, {"methods"});
}

// The pressure of every method against md in one picture: a well read
// downward, a line along its length.
std::string as_svg(const std::vector<MethodRun>& runs, const OutUnits& u, const std::string& title, bool well) {
    // One colour and dash per method (the model solid black).
    static const char* const colours[] = {"#000000", "#0072b2", "#56b4e9", "#009e73",
                                          "#e69f00", "#d55e00", "#cc79a7", "#777777"};
    static const char* const markers[] = {"line", "line", "dash", "dot", "line", "line", "dash", "dot"};
    constexpr size_t kStyles = sizeof colours / sizeof colours[0];
    double md_lo = INFINITY, md_hi = -INFINITY, p_lo = INFINITY, p_hi = -INFINITY;
    for (const MethodRun& r : runs) {
        for (const flowmodel::TraversePoint& p : r.result.points) {
            md_lo = std::min(md_lo, u.len(p.md));
            md_hi = std::max(md_hi, u.len(p.md));
            const double v = u.field ? u.pres(p.pres) : p.pres / 1000;
            p_lo = std::min(p_lo, v);
            p_hi = std::max(p_hi, v);
        }
    }
    if (!(md_hi > md_lo) || !(p_hi > p_lo)) {
        return plot::open_svg(900, 120, title + ": no profile computed") + "</svg>\n";
    }
    const plot::Axis md = plot::rounded({md_lo, md_hi, false, std::string(well ? "measured depth, " : "distance along the line, ") + u.len_unit()});
    const plot::Axis pres = plot::rounded({p_lo, p_hi, false, u.field ? "pressure, psia" : "pressure, kPa"});
    plot::Frame f{well ? pres : md, well ? md : pres, 90, 70, 560, well ? 600.0 : 420.0};
    if (well) f.y = {md.hi, md.lo, false, md.title};  // depth grows downward
    std::string s = plot::open_svg(960, well ? 740 : 560, title) + f.axes();
    std::vector<plot::LegendEntry> legend;
    char buf[64];
    for (size_t k = 0; k < runs.size(); ++k) {
        const char* colour = colours[k % kStyles];
        const char* dash = std::string(markers[k % kStyles]) == "dash" ? " stroke-dasharray=\"8 4\""
                           : std::string(markers[k % kStyles]) == "dot" ? " stroke-dasharray=\"2 3\""
                                                                  : "";
        s += "<polyline class=\"method\" fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"1.6\"" + dash +
             " points=\"";
        for (const flowmodel::TraversePoint& p : runs[k].result.points) {
            const double v = u.field ? u.pres(p.pres) : p.pres / 1000;
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", well ? f.px(v) : f.px(u.len(p.md)), well ? f.py(u.len(p.md)) : f.py(v));
            s += buf;
        }
        s += "\"/>\n";
        legend.push_back({std::string(runs[k].info->name) + (runs[k].result.summary.complete ? "" : " (stopped)"), colour,
                          markers[k % kStyles]});
    }
    return s + plot::legend(680, 90, legend) + "</svg>\n";
}

}  // namespace

int run_all_methods(const flowmodel::TraverseRequest& request, const VerbRun& run) {
    OutUnits units;
    units.field = run.field_units;
    Output out;
    if (!run.open(out, {{request.profile, "--profile"}, {request.fluid_table, "--fluid-table"}})) return 2;
    const flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
    const StandardRates rates = standard_rates(setup);
    const std::vector<MethodRun> runs = run_every_method(setup, units.system());
    const std::string text = run.format == "csv"    ? as_csv(runs, units)
                             : run.format == "json" ? as_json(runs, units, rates)
                             : run.format == "svg"  ? as_svg(runs, units, "Every method" + picture_title(request, setup, rates, units).substr(17),
                                                             is_well(setup.line))
                                                    : as_table(runs, units);
    if (!run.finish(out, text)) return 2;
    // Every method that stops is said; the exit is 3 only when none reached the far end.
    bool any = false;
    for (const MethodRun& r : runs) any = any || r.result.summary.complete;
    return any ? 0 : 3;
}

}  // namespace pipeflow_cli
