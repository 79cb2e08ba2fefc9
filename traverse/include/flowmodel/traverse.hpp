// The pressure traverse: the pressure profile along a pipeline or a well,
// marched from a known pressure at one end with the flow model evaluated at
// the local pressure and temperature, the fluid giving the local phase
// properties and in-situ rates.
#ifndef FLOWMODEL_TRAVERSE_HPP
#define FLOWMODEL_TRAVERSE_HPP

#include <array>
#include <string>
#include <vector>

#include "flowmodel/fluids.hpp"

namespace flowmodel {

// One point of the line as listed (a profile row). The segment from a node
// to the next has the node's diameter and roughness.
struct LineNode {
    double md = 0;     // measured depth/length along the pipe, m
    double z = 0;      // elevation, m, positive upward
    double diam = 0;   // inner diameter, m
    double rough = 0;  // absolute roughness, m
    double temp = 0;   // temperature, K (linear in md between nodes)
};

struct Line {
    std::vector<LineNode> nodes;   // md strictly increasing
    bool flow_decreasing = false;  // the flow runs towards decreasing md
};

// A straight line of length L (m) at `angle` degrees, one diameter and roughness,
// temperature linear from temp_in (md 0) to temp_out (md L).
Line straight_line(double length, double angle, double diam, double rough, double temp_in, double temp_out);

// Reads a profile CSV: md and one of angle, z, tvd, optional diam, rough,
// temp. A column may name its unit after an underscore (md_ft, tvd_ft,
// diam_in, temp_degF); md, z and tvd without one are in length_unit (m per
// unit), the others SI. Missing diam/rough take the given values; missing
// temp is left 0 for the caller to fill. Throws std::runtime_error naming
// the file, line and column.
Line read_profile(const std::string& path, double diam, double rough, double length_unit = 1.0);

struct TraverseOptions {
    bool from_outlet = false;   // the pressure given is the outlet's: march against the flow
    double pres = 0;            // the given end pressure, Pa
    double tol = 1.0;           // Pa per segment
    double max_pres = 1e9;      // Pa: against the flow, a higher inlet pressure stops the march
};

struct TraversePoint {
    double md, z, angle, pres, temp, usl, usg, rol, rog;
    int id;          // regime 0..4 (meaningful when ierr is 0 or 1)
    double hol, dpt, dpf, dpg, dpa;
    int iter, ierr;
    bool separated_invalid;
    const char* regime() const;
};

struct TraverseSummary {
    double inlet_pres = 0, outlet_pres = 0;      // Pa
    double dp_total = 0, dp_friction = 0, dp_gravity = 0, dp_acceleration = 0;  // inlet - outlet parts, Pa
    double liquid_inventory = 0;                 // m3
    std::array<double, 5> regime_length{};       // m of line in each regime
    std::vector<std::array<double, 2>> invalid_stretches;  // md ranges with invalid separated solutions
    // md ranges taken at the shortest step without meeting the tolerance: the
    // model's regime flips back and forth with the pressure there.
    std::vector<std::array<double, 2>> floor_stretches;
    std::vector<std::string> warnings;           // the fluid's, each once (a correlation outside its range)
    bool complete = true;                        // false: stopped early (message says where and why)
    std::string message;
    long evaluations = 0;                        // model evaluations
};

struct TraverseResult {
    std::vector<TraversePoint> points;  // in flow order from where the march started
    TraverseSummary summary;
};

// Marches along the line. Never throws for a line that cannot carry the
// flow: the result then has complete = false and the points computed so far.
TraverseResult traverse(const Line& line, const Fluid& fluid, const TraverseOptions& opt);

}  // namespace flowmodel

#endif
