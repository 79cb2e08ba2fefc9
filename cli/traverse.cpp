// The `pipeflow traverse` command: options, the line, the fluid, and the
// profile as a table, CSV or JSON.
#include "traverse.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_spec.hpp"
#include "format.h"
#include "map.h"
#include "options.h"
#include "output.h"

namespace pipeflow_cli {

namespace {

const char* kTraverseUsage =
    "usage: pipeflow traverse (--length L --angle A | --profile FILE) [--diam D] [--rough K]\n"
    "         [--flow-direction increasing|decreasing] --liquid-rate KG/S --gas-rate KG/S\n"
    "         (--rol R --visl V --sigma S --gas-molar-mass M [--z Z] --visg V | --fluid-table FILE)\n"
    "         (--temp T | --temp-in T --temp-out T) (--inlet-pres P | --outlet-pres P)\n"
    "         [--tol PA] [--max-pres PA] [--csv | --json | --svg] [--output FILE]\n"
    "SI units: m, degrees, kg/s, kg/m3, Pa s, N/m, kg/kmol, K, Pa. The profile CSV has md and one\n"
    "of angle, z, tvd, optionally diam, rough, temp. The fluid table has pres, temp, rol, rog,\n"
    "visl, visg, sigma on a rectangular grid. Exit status 3: the line cannot carry the flow.\n";

int traverse_error(const std::string& what) {
    std::fprintf(stderr, "pipeflow traverse: %s\n(try 'pipeflow traverse --help')\n", what.c_str());
    return 2;
}

std::string num(double v) { return flowmodel::io::format_double(v); }

std::string points_csv(const flowmodel::TraverseResult& r) {
    std::string s = "md,z,angle,pres,temp,usl,usg,rol,rog,regime,id,hol,dpt,dpf,dpg,dpa,ierr,warning\n";
    for (const flowmodel::TraversePoint& p : r.points) {
        for (double v : {p.md, p.z, p.angle, p.pres, p.temp, p.usl, p.usg, p.rol, p.rog}) s += num(v) + ",";
        s += std::string(p.regime()) + "," + std::to_string(p.id) + ",";
        for (double v : {p.hol, p.dpt, p.dpf, p.dpg, p.dpa}) s += num(v) + ",";
        s += std::to_string(p.ierr) + "," + (p.separated_invalid ? "separated-invalid" : "") + "\n";
    }
    return s;
}

std::string stretches_json(const std::vector<std::array<double, 2>>& v) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + std::string("[") + num(v[i][0]) + "," + num(v[i][1]) + "]";
    return s + "]";
}

std::string summary_json(const flowmodel::TraverseSummary& m) {
    std::string s = "{\"complete\":" + std::string(m.complete ? "true" : "false") +
                    ",\"message\":" + json_string(m.message) + ",\"inlet_pres\":" + num(m.inlet_pres) +
                    ",\"outlet_pres\":" + num(m.outlet_pres) + ",\"dp_total\":" + num(m.dp_total) +
                    ",\"dp_friction\":" + num(m.dp_friction) + ",\"dp_gravity\":" + num(m.dp_gravity) +
                    ",\"dp_acceleration\":" + num(m.dp_acceleration) + ",\"liquid_inventory\":" +
                    num(m.liquid_inventory) + ",\"regime_length\":{";
    for (int k = 0; k < 5; ++k) {
        s += (k ? "," : "") + json_string(flowmodel::regime_name(static_cast<flowmodel::Regime>(k))) + ":" +
             num(m.regime_length[static_cast<size_t>(k)]);
    }
    s += "},\"separated_invalid\":" + stretches_json(m.invalid_stretches) +
         ",\"tolerance_not_met\":" + stretches_json(m.floor_stretches) +
         ",\"evaluations\":" + std::to_string(m.evaluations) + "}";
    return s;
}

std::string as_json(const flowmodel::TraverseResult& r) {
    std::string s = "{\"summary\":" + summary_json(r.summary) + ",\"points\":[";
    for (size_t i = 0; i < r.points.size(); ++i) {
        const flowmodel::TraversePoint& p = r.points[i];
        s += i ? ",\n" : "\n";
        s += "{\"md\":" + num(p.md) + ",\"z\":" + num(p.z) + ",\"angle\":" + num(p.angle) + ",\"pres\":" +
             num(p.pres) + ",\"temp\":" + num(p.temp) + ",\"usl\":" + num(p.usl) + ",\"usg\":" + num(p.usg) +
             ",\"rol\":" + num(p.rol) + ",\"rog\":" + num(p.rog) + ",\"regime\":" + json_string(p.regime()) +
             ",\"id\":" + std::to_string(p.id) + ",\"hol\":" + num(p.hol) + ",\"dpt\":" + num(p.dpt) +
             ",\"dpf\":" + num(p.dpf) + ",\"dpg\":" + num(p.dpg) + ",\"dpa\":" + num(p.dpa) +
             ",\"ierr\":" + std::to_string(p.ierr) + ",\"separated_invalid\":" +
             (p.separated_invalid ? "true" : "false") + "}";
    }
    return s + "\n]}\n";
}

std::string as_table(const flowmodel::TraverseResult& r) {
    std::string s;
    char line[256];
    std::snprintf(line, sizeof line, "%10s %9s %7s %12s %7s %-17s %7s %11s\n", "md", "z", "angle", "pres", "temp",
                  "regime", "holdup", "dpt");
    s += line;
    std::snprintf(line, sizeof line, "%10s %9s %7s %12s %7s %-17s %7s %11s\n", "m", "m", "deg", "Pa", "K", "", "",
                  "Pa/m");
    s += line;
    for (const flowmodel::TraversePoint& p : r.points) {
        std::snprintf(line, sizeof line, "%10.1f %9.2f %7.2f %12.1f %7.2f %-17s %7.4f %11.5g%s\n", p.md, p.z, p.angle,
                      p.pres, p.temp, p.regime(), p.hol, p.dpt, p.separated_invalid ? "  separated-invalid" : "");
        s += line;
    }
    const flowmodel::TraverseSummary& m = r.summary;
    std::snprintf(line, sizeof line,
                  "\ninlet %.1f Pa, outlet %.1f Pa: drop %.1f Pa = friction %.1f + gravity %.1f + acceleration %.1f\n"
                  "liquid inventory %.4g m3; %ld model evaluations\n",
                  m.inlet_pres, m.outlet_pres, m.dp_total, m.dp_friction, m.dp_gravity, m.dp_acceleration,
                  m.liquid_inventory, m.evaluations);
    s += line;
    s += "length in each regime:";
    for (int k = 0; k < 5; ++k) {
        if (m.regime_length[static_cast<size_t>(k)] > 0) {
            std::snprintf(line, sizeof line, " %s %.1f m;", flowmodel::regime_name(static_cast<flowmodel::Regime>(k)),
                          m.regime_length[static_cast<size_t>(k)]);
            s += line;
        }
    }
    s += "\n";
    for (const auto& st : m.invalid_stretches) {
        std::snprintf(line, sizeof line, "WARNING: separated solution marked invalid by the model over md %.1f to %.1f m\n",
                      st[0], st[1]);
        s += line;
    }
    for (const auto& st : m.floor_stretches) {
        std::snprintf(line, sizeof line,
                      "WARNING: tolerance not met over md %.1f to %.1f m (the model's regime flips with the pressure)\n",
                      st[0], st[1]);
        s += line;
    }
    if (!m.complete) s += "STOPPED: " + m.message + "\n";
    return s;
}

// One panel of the picture: a curve of v against md, with its axis title and ticks.
struct Panel {
    double top, height;  // pixels
    const char* title;   // with unit
};

std::string as_svg(const flowmodel::TraverseResult& r) {
    const double W = 900, left = 90, right = 700, H = 620;
    const std::vector<flowmodel::TraversePoint>& pts = r.points;
    double md_lo = pts.front().md, md_hi = pts.front().md;
    for (const auto& p : pts) {
        md_lo = std::min(md_lo, p.md);
        md_hi = std::max(md_hi, p.md);
    }
    if (md_hi <= md_lo) md_hi = md_lo + 1;
    auto X = [&](double md) { return left + (right - left) * (md - md_lo) / (md_hi - md_lo); };
    char buf[256];
    std::string s;
    std::snprintf(buf, sizeof buf,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" font-family=\"sans-serif\" "
                  "font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                  W, H);
    s += buf;
    s += "<text x=\"90\" y=\"22\" font-size=\"15\">Pressure traverse: " + std::to_string(pts.size()) +
         " points" + (r.summary.complete ? "" : " (stopped early)") + "</text>\n";
    const Panel panels[3] = {{40, 200, "pressure, kPa"}, {270, 120, "elevation, m"}, {420, 100, "holdup, -"}};
    for (int k = 0; k < 3; ++k) {
        const Panel& pn = panels[k];
        auto value = [&](const flowmodel::TraversePoint& p) { return k == 0 ? p.pres / 1000 : k == 1 ? p.z : p.hol; };
        double lo = value(pts.front()), hi = lo;
        for (const auto& p : pts) {
            lo = std::min(lo, value(p));
            hi = std::max(hi, value(p));
        }
        if (k == 2) {
            lo = 0;
            hi = std::max(hi, 1e-3);
        }
        if (hi <= lo) hi = lo + 1;
        const double pad = 0.05 * (hi - lo);
        lo -= k == 2 ? 0 : pad;
        hi += pad;
        auto Y = [&](double v) { return pn.top + pn.height * (1 - (v - lo) / (hi - lo)); };
        std::snprintf(buf, sizeof buf,
                      "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" fill=\"none\" stroke=\"#888\"/>\n", left,
                      pn.top, right - left, pn.height);
        s += buf;
        for (int t = 0; t <= 4; ++t) {
            const double v = lo + (hi - lo) * t / 4;
            std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"%.1f\" text-anchor=\"end\">%.4g</text>\n", left - 6,
                          Y(v) + 4, v);
            s += buf;
        }
        std::snprintf(buf, sizeof buf,
                      "<text transform=\"translate(22,%.0f) rotate(-90)\" text-anchor=\"middle\">%s</text>\n",
                      pn.top + pn.height / 2, pn.title);
        s += buf;
        s += "<polyline fill=\"none\" stroke=\"#0072b2\" stroke-width=\"1.5\" points=\"";
        for (const auto& p : pts) {
            std::snprintf(buf, sizeof buf, "%.1f,%.1f ", X(p.md), Y(value(p)));
            s += buf;
        }
        s += "\"/>\n";
    }
    // The regime along the line as a band, one rectangle per step, coloured as in the map.
    const double band = 540, band_h = 24;
    bool shown[8] = {};
    for (size_t i = 1; i < pts.size(); ++i) {
        const flowmodel::TraversePoint& p = pts[i];
        const int c = p.ierr <= 1 ? p.id : static_cast<int>(MapClass::ImproperInput);
        shown[c] = true;
        const double x0 = std::min(X(pts[i - 1].md), X(p.md)), x1 = std::max(X(pts[i - 1].md), X(p.md));
        std::snprintf(buf, sizeof buf,
                      "<rect class=\"regime\" shape-rendering=\"crispEdges\" x=\"%.2f\" y=\"%.0f\" width=\"%.2f\" height=\"%.0f\" fill=\"%s\"/>\n", x0,
                      band, std::max(x1 - x0, 0.5), band_h, class_colour(static_cast<MapClass>(c)));
        s += buf;
    }
    std::snprintf(buf, sizeof buf, "<text transform=\"translate(22,%.0f) rotate(-90)\" text-anchor=\"middle\">regime</text>\n",
                  band + band_h / 2);
    s += buf;
    for (int t = 0; t <= 5; ++t) {
        const double md = md_lo + (md_hi - md_lo) * t / 5;
        std::snprintf(buf, sizeof buf, "<text x=\"%.1f\" y=\"%.0f\" text-anchor=\"middle\">%.5g</text>\n", X(md),
                      band + band_h + 16, md);
        s += buf;
    }
    std::snprintf(buf, sizeof buf, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\">measured depth md, m</text>\n",
                  (left + right) / 2, band + band_h + 34);
    s += buf;
    double ly = 60;
    s += "<text x=\"720\" y=\"48\" font-size=\"13\">regime</text>\n";
    for (int c = 0; c < 8; ++c) {
        if (!shown[c]) continue;
        std::snprintf(buf, sizeof buf,
                      "<rect x=\"720\" y=\"%.0f\" width=\"14\" height=\"14\" fill=\"%s\"/><text x=\"740\" y=\"%.0f\">%s</text>\n",
                      ly, class_colour(static_cast<MapClass>(c)), ly + 11, class_label(static_cast<MapClass>(c)));
        s += buf;
        ly += 20;
    }
    return s + "</svg>\n";
}

}  // namespace

int traverse_command(int argc, char** argv) {
    std::map<std::string, double> num_opt;
    std::string profile, table, output = "-", direction = "increasing", format = "table";
    const char* numeric[] = {"length", "angle", "diam", "rough", "liquid-rate", "gas-rate", "rol", "visl",
                             "sigma", "gas-molar-mass", "z", "visg", "temp", "temp-in", "temp-out",
                             "inlet-pres", "outlet-pres", "tol", "max-pres"};
    for (ArgWalker args(argc, argv, 2); !args.done();) {
        if (args.is_help()) {
            std::fputs(kTraverseUsage, stdout);
            return 0;
        }
        const std::string a = args.peek();
        if (a == "--csv" || a == "--json" || a == "--svg") {
            format = a.substr(2);
            args.skip();
            continue;
        }
        std::string name, value, error;
        if (!args.option(name, value, error)) return traverse_error(error);
        if (name == "profile") {
            profile = value;
        } else if (name == "fluid-table") {
            table = value;
        } else if (name == "output") {
            output = value;
        } else if (name == "flow-direction") {
            if (value != "increasing" && value != "decreasing") {
                return traverse_error("--flow-direction takes increasing or decreasing");
            }
            direction = value;
        } else {
            bool known = false;
            for (const char* n : numeric) known |= name == n;
            if (!known) return traverse_error("unknown option '--" + name + "'");
            double v = 0;
            if (!flowmodel::io::parse_double(value, v) || !std::isfinite(v)) {
                return traverse_error("--" + name + " is not a number: '" + flowmodel::io::shorten(value) + "'");
            }
            num_opt[name] = v;
        }
    }
    try {
        flowmodel::TraverseSpec spec;
        spec.values = num_opt;
        spec.profile = profile;
        spec.fluid_table = table;
        spec.flow_decreasing = direction == "decreasing";
        flowmodel::TraverseSetup setup = flowmodel::setup_traverse(spec);
        Output out;
        std::string error;
        if (!out.open(output, error)) {
            std::fprintf(stderr, "pipeflow traverse: %s\n", error.c_str());
            return 2;
        }
        const flowmodel::TraverseResult r = flowmodel::traverse(setup.line, *setup.fluid, setup.options);
        const std::string text = format == "csv"    ? points_csv(r)
                                 : format == "json" ? as_json(r)
                                 : format == "svg"  ? as_svg(r)
                                                    : as_table(r);
        if (!out.write(text) || !out.commit()) {
            std::fprintf(stderr, "pipeflow traverse: %s\n", out.error().c_str());
            return 2;
        }
        if (!r.summary.complete) {
            std::fprintf(stderr, "pipeflow traverse: %s\n", r.summary.message.c_str());
            return 3;
        }
        return 0;
    } catch (const std::invalid_argument& e) {
        return traverse_error(e.what());
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "pipeflow traverse: %s\n", e.what());
        return 2;
    }
}

}  // namespace pipeflow_cli
