// The flow-regime map as numbers: a grid of superficial gas velocity (x)
// against superficial liquid velocity (y), both on logarithmic axes, every
// cell evaluated with the model for one fluid, pipe and inclination, rows
// shared out on the parallel loop. The faces draw it and write it.
#ifndef FLOWMODEL_BATCH_REGIME_MAP_HPP
#define FLOWMODEL_BATCH_REGIME_MAP_HPP

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace flowmodel::batch {

struct MapOptions {
    flowmodel::Inputs base;  // fluid, pipe, angle and pressure; usl and usg are ignored
    double usg_min = 0.01;   // m/s, first column (> 0)
    double usg_max = 100.0;  // m/s, last column (> usg_min)
    double usl_min = 0.001;  // m/s, first row (> 0)
    double usl_max = 10.0;   // m/s, last row (> usl_min)
    int nx = 120;            // columns (usg points), 2 .. kMaxPoints
    int ny = 120;            // rows (usl points), 2 .. kMaxPoints
    unsigned jobs = 1;       // evaluation threads (0: one per core)
    // Told (rows done, rows) on the calling thread, at most five times a
    // second once the map has taken a second, and once at the end after that.
    std::function<void(std::size_t, std::size_t)> progress;
};

constexpr int kMaxPoints = 2000;

// Throws OptionError saying why the options cannot make a map.
void check_map_options(const MapOptions& opt);

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

}  // namespace flowmodel::batch

#endif
