// The flow-regime map: grid evaluation over threads, CSV and SVG output, and
// the `pipeflow map` command.
#include "map.h"

#include "plot.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

#include <sstream>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/batch/format.hpp"
#include "flowmodel/batch/regime_map.hpp"
#include "options.h"
#include "output.h"
#include "verb.h"
#include "pipeflow.h"

namespace pipeflow_cli {

using flowmodel::batch::regime_label;

const char* class_colour(MapClass c) {
    // Colours that stay apart for the common kinds of colour blindness.
    static const char* const colours[kMapClasses] = {
        "#9ad0f0",  // stratified smooth: light blue
        "#0072b2",  // stratified wavy: blue
        "#e69f00",  // annular: orange
        "#009e73",  // slug: green
        "#cc79a7",  // dispersed bubble: pink
        "#d55e00",  // critical-flow limit: vermilion
        "#4d4d4d",  // improper input: dark grey
        "#d9d9d9",  // no regime: light grey
    };
    return colours[static_cast<int>(c)];
}

void write_map_csv(const RegimeMap& map, std::ostream& out) {
    out << "usg,usl,id,ierr,regime,hol,dpt\n";
    for (size_t j = 0; j < map.usl.size(); ++j) {
        for (size_t i = 0; i < map.usg.size(); ++i) {
            const flowmodel::Result& r = map.at(static_cast<int>(i), static_cast<int>(j));
            using flowmodel::io::format_double;
            out << format_double(map.usg[i]) << ',' << format_double(map.usl[j]) << ',' << static_cast<int>(r.regime)
                << ',' << static_cast<int>(r.status) << ',' << regime_label(r) << ',' << format_double(r.holdup)
                << ',' << format_double(r.dpt) << '\n';
        }
    }
}

namespace {

// Coordinates with at most two decimals and no trailing zeros.
std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string gfmt(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// A logarithmic axis over the points, extended half a cell beyond the first
// and last so that every cell is centred on its value.
plot::Axis cell_axis(const std::vector<double>& pts, const std::string& title) {
    const double lo = std::log10(pts.front()), hi = std::log10(pts.back());
    const double half = pts.size() > 1 ? (hi - lo) / static_cast<double>(pts.size() - 1) / 2.0 : 0.5;
    return {std::pow(10.0, lo - half), std::pow(10.0, hi + half), true, title};
}

}  // namespace

namespace {

// The cells, one group per class, one rectangle per run of equal cells in a row.
void write_cells(const RegimeMap& map, const plot::Frame& f, const std::vector<int>& count, std::ostream& out) {
    const size_t nx = map.usg.size(), ny = map.usl.size();
    auto x_edge = [&](size_t k) { return f.left + f.width * static_cast<double>(k) / static_cast<double>(nx); };
    auto y_edge = [&](size_t k) { return f.top + f.height * (1 - static_cast<double>(k) / static_cast<double>(ny)); };
    out << "<g id=\"cells\" shape-rendering=\"crispEdges\">\n";
    for (int c = 0; c < kMapClasses; ++c) {
        if (count[c] == 0) continue;
        const MapClass mc = static_cast<MapClass>(c);
        out << "<g fill=\"" << class_colour(mc) << "\">\n";
        for (size_t j = 0; j < ny; ++j) {
            const std::string y = num(y_edge(j + 1)), h = num(y_edge(j) - y_edge(j + 1));
            for (size_t i = 0; i < nx;) {
                if (classify(map.at(static_cast<int>(i), static_cast<int>(j))) != mc) {
                    ++i;
                    continue;
                }
                size_t e = i + 1;
                while (e < nx && classify(map.at(static_cast<int>(e), static_cast<int>(j))) == mc) ++e;
                out << "<rect x=\"" << num(x_edge(i)) << "\" y=\"" << y << "\" width=\"" << num(x_edge(e) - x_edge(i))
                    << "\" height=\"" << h << "\"/>\n";
                i = e;
            }
        }
        out << "</g>\n";
    }
    out << "</g>\n";
}

// The legend: the five regimes always, the other classes when the map has
// them; then the grid's size and the cells whose liquid density was raised.
void write_map_legend(const RegimeMap& map, const plot::Frame& f, const std::vector<int>& count, size_t corrected,
                      std::ostream& out) {
    std::vector<plot::LegendEntry> entries;
    for (int c = 0; c < kMapClasses; ++c) {
        if (c >= 5 && count[c] == 0) continue;
        entries.push_back({class_label(static_cast<MapClass>(c)), class_colour(static_cast<MapClass>(c)), "box"});
    }
    const double lx = f.left + f.width + 30;
    double ly = f.top + 8;
    out << "<g id=\"legend\">\n" << plot::legend(lx, ly, entries) << "</g>\n";
    ly += 17.0 * static_cast<double>(entries.size()) + 12;
    out << "<text x=\"" << num(lx) << "\" y=\"" << num(ly) << "\" font-size=\"11\" fill=\"#555555\">" << map.usg.size()
        << " \u00d7 " << map.usl.size() << " points</text>\n";
    if (corrected > 0) {
        out << "<text x=\"" << num(lx) << "\" y=\"" << num(ly + 16) << "\" font-size=\"11\" fill=\"#555555\">"
            << "liquid density raised to 1.001 \u00d7 gas</text>\n"
            << "<text x=\"" << num(lx) << "\" y=\"" << num(ly + 30) << "\" font-size=\"11\" fill=\"#555555\">"
            << "density in " << corrected << " cells</text>\n";
    }
}

}  // namespace

void write_map_svg(const RegimeMap& map, std::ostream& out) {
    // Layout in pixels: title band, square plot, legend on the right.
    plot::Frame f{cell_axis(map.usg, "superficial gas velocity usg, m/s"),
                  cell_axis(map.usl, "superficial liquid velocity usl, m/s"), 90, 70, 480, 480};
    f.grid = false;  // the cells fill the area
    f.id = "plot";
    std::vector<int> count(kMapClasses, 0);
    size_t corrected = 0;
    for (const flowmodel::Result& r : map.cells) {
        ++count[static_cast<int>(classify(r))];
        if (r.status == flowmodel::Status::InputCorrected) ++corrected;
    }
    const flowmodel::Inputs& b = map.opt.base;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << plot::open_svg(840, f.top + f.height + 70,
                          "Flow-regime map: " + gfmt(b.diam) + " m pipe, inclination " + gfmt(b.angle) +
                              "\u00b0, roughness " + gfmt(b.rough) + " m");
    out << "<text x=\"20\" y=\"46\" font-size=\"12\">liquid " << gfmt(b.rol) << " kg/m\u00b3, " << gfmt(b.visl)
        << " Pa\u00b7s; gas " << gfmt(b.rog) << " kg/m\u00b3, " << gfmt(b.visg) << " Pa\u00b7s; surface tension "
        << gfmt(b.sigma) << " N/m; pressure " << gfmt(b.pres) << " Pa</text>\n";
    write_cells(map, f, count, out);
    out << f.axes();
    write_map_legend(map, f, count, corrected, out);
    out << "</svg>\n";
}


namespace {

// Takes an option of the map: an input of the model (the fluid, pipe, angle
// and pressure), a range of the axes or a number of points.
bool map_option(MapOptions& opt, const std::string& name, const std::string& value) {
    double* range = name == "usg-min"   ? &opt.usg_min
                    : name == "usg-max" ? &opt.usg_max
                    : name == "usl-min" ? &opt.usl_min
                    : name == "usl-max" ? &opt.usl_max
                                        : nullptr;
    long n = 0;
    std::string error;
    if (name == "usl" || name == "usg") {
        throw std::invalid_argument("--" + name + " is an axis of the map; set its range with --" + name + "-min and --" +
                                    name + "-max");
    } else if (set_input(opt.base, name, value, error)) {
        if (!error.empty()) throw std::invalid_argument(error);
    } else if (range != nullptr) {
        if (!flowmodel::io::parse_double(value, *range)) {
            throw std::invalid_argument("--" + name + " is not a number: '" + flowmodel::io::shorten(value) + "'");
        }
    } else if (name == "nx" || name == "ny") {
        if (!parse_count(value, 2, kMaxPoints, n)) {
            throw std::invalid_argument("--" + name + " takes a whole number from 2 to " + std::to_string(kMaxPoints));
        }
        (name == "nx" ? opt.nx : opt.ny) = static_cast<int>(n);
    } else {
        return false;
    }
    return true;
}

int run_map(MapOptions opt, const VerbRun& run) {
    opt.jobs = run.jobs;
    check_map_options(opt);
    Output out;
    if (!run.open(out)) return 2;
    if (isatty(STDERR_FILENO) != 0) {
        opt.progress = [](size_t rows, size_t all) {
            std::fprintf(stderr, rows < all ? "\rpipeflow map: %zu of %zu rows" : "\rpipeflow map: %zu of %zu rows\n",
                         rows, all);
            std::fflush(stderr);
        };
    }
    const RegimeMap map = compute_map(opt);
    std::ostringstream text;
    if (run.format == "csv") {
        write_map_csv(map, text);
    } else {
        write_map_svg(map, text);
    }
    return run.finish(out, text.str()) ? 0 : 2;
}

}  // namespace

int map_command(int argc, char** argv) {
    MapOptions opt;
    opt.base = flowmodel::default_inputs();
    Verb verb;
    verb.name = "map";
    verb.usage = [] {
        return std::string("usage: pipeflow map [--NAME VALUE]... [RANGE OPTIONS] [--output FILE|-] [--csv] [--jobs N]\n"
                           "(see 'pipeflow --help')\n");
    };
    verb.usage_prefix = "pipeflow map: ";
    verb.hint = "(try 'pipeflow --help')";
    verb.formats = {"--csv"};
    verb.default_format = "svg";
    verb.option = [&opt](const std::string& name, const std::string& value) { return map_option(opt, name, value); };
    verb.run = [&opt](VerbRun& run) { return run_map(opt, run); };
    return run_verb(verb, argc, argv);
}

}  // namespace pipeflow_cli
