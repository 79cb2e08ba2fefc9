// The flow-regime map: a grid of superficial gas velocity (x) against
// superficial liquid velocity (y), both on logarithmic axes, evaluated with
// the model for one fluid, pipe and inclination, written as SVG or CSV.
#ifndef PIPEFLOW_CLI_MAP_H
#define PIPEFLOW_CLI_MAP_H

#include <iosfwd>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

struct MapOptions {
    flowmodel::Inputs base;  // fluid, pipe, angle and pressure; usl and usg are ignored
    double usg_min = 0.01;   // m/s, first column (> 0)
    double usg_max = 100.0;  // m/s, last column (> usg_min)
    double usl_min = 0.001;  // m/s, first row (> 0)
    double usl_max = 10.0;   // m/s, last row (> usl_min)
    int nx = 120;            // columns (usg points), 2 .. kMaxPoints
    int ny = 120;            // rows (usl points), 2 .. kMaxPoints
    unsigned jobs = 1;       // evaluation threads (0: one per core)
    bool progress = false;   // progress on stderr once the map takes over a second
};

constexpr int kMaxPoints = 2000;

// Why the options cannot make a map, or "" when they can.
std::string check_map_options(const MapOptions& opt);

// What a cell shows: the five regimes, the critical-flow limit (reported as
// annular with dpt = 1e10), and the two statuses without a regime.
enum class MapClass : int {
    StratifiedSmooth = 0,
    StratifiedWavy,
    Annular,
    Slug,
    DispersedBubble,
    CriticalFlow,
    ImproperInput,  // status 2
    NoRegime,       // status 3
};
constexpr int kMapClasses = 8;

MapClass classify(const flowmodel::Result& r);
const char* class_label(MapClass c);   // legend text
const char* class_colour(MapClass c);  // SVG fill, "#rrggbb"

struct RegimeMap {
    MapOptions opt;
    std::vector<double> usg;  // nx column values, m/s, rising
    std::vector<double> usl;  // ny row values, m/s, rising
    std::vector<flowmodel::Result> cells;  // row-major: cells[j * nx + i] at (usg[i], usl[j])

    const flowmodel::Result& at(int i, int j) const { return cells[static_cast<size_t>(j) * usg.size() + i]; }
};

// n values from lo to hi evenly spaced in log10, both ends exact.
std::vector<double> log_points(double lo, double hi, int n);

// Evaluates every cell; rows are shared out over opt.jobs threads. The result
// does not depend on the number of threads. Options must pass check_map_options.
RegimeMap compute_map(const MapOptions& opt);

// One line per cell, rows of rising usl, within a row rising usg:
// usg,usl,id,ierr,regime,hol,dpt (shortest round-trip floats; regime "none" for status 2 and 3).
void write_map_csv(const RegimeMap& map, std::ostream& out);

// The picture: cells coloured by class (runs of equal cells in a row are one
// rectangle), decade ticks and labels, axis titles with units, a title with
// the fluid, pipe and angle, and a legend of the classes.
void write_map_svg(const RegimeMap& map, std::ostream& out);

// The `pipeflow map` command (argv[1] is "map"); returns the exit status.
int map_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
