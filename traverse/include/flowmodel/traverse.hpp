// The pressure traverse: the pressure profile along a pipeline or a well,
// marched from a known pressure at one end with the flow model evaluated at
// the local pressure and temperature, the fluid giving the local phase
// properties and in-situ rates.
#ifndef FLOWMODEL_TRAVERSE_HPP
#define FLOWMODEL_TRAVERSE_HPP

#include <array>
#include <cstddef>
#include <iosfwd>
#include <limits>
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
    std::size_t row = 0;  // line of the profile file it was read from; 0 when not from a file
};

struct Line {
    std::vector<LineNode> nodes;   // md strictly increasing
    bool flow_decreasing = false;  // the flow runs towards decreasing md
};

// A straight line of length L (m) at `angle` degrees, one diameter and roughness,
// temperature linear from temp_in (md 0) to temp_out (md L).
Line straight_line(double length, double angle, double diam, double rough, double temp_in, double temp_out);

// Reads a profile CSV as survey tools and spreadsheets export it. Columns:
// md and one of z (elevation), tvd (true vertical depth), angle (degrees from
// horizontal of the segment to the next row) or inc (inclination from
// vertical, degrees, 0 vertical, above 90 rising; with optional azi, the
// azimuth; the elevations by minimum curvature); tvd with inc takes the tvd
// and checks the inclinations against it; optional diam, rough, temp.
// Names match without regard to case or surrounding blanks and may carry
// their unit (md_ft, "MD (ft)", "TVD [m]", "Inc (deg)"); ns, ew, dls, vs,
// comments and such are ignored; a trailing empty column is ignored. The
// separator is the header's ',', ';' or tab; with ';' or tab a decimal comma
// reads as a point. md, z and tvd without a unit are in length_unit (m per
// unit), the others SI; a temp without a unit below 200 K is refused (°C or
// °F meant). A vertical segment written to two decimals may show up to 0.02
// of its unit more height than length: it is taken as vertical. Missing
// diam/rough take the given values; missing temp is left 0 for the caller to
// fill. Throws std::runtime_error naming the file, line and column.
Line read_profile(const std::string& path, double diam, double rough, double length_unit = 1.0);
Line read_profile(std::istream& in, const std::string& name, double diam, double rough, double length_unit = 1.0);

// Minimum curvature: the true vertical depth gained between two survey
// stations ds apart along the hole (any length unit), inclinations inc1, inc2
// from vertical and azimuths azi1, azi2 (radians): the stations joined by a
// circular arc, dTVD = ds/2 (cos inc1 + cos inc2) RF, RF = 2/DL tan(DL/2),
// DL the dogleg angle.
double minimum_curvature_dtvd(double ds, double inc1, double inc2, double azi1, double azi2);

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
    // Pa. A march that stopped early did not reach its far end: that end's
    // pressure is NaN, and stop_md, stop_pres say where it stopped; the drop
    // and its parts are then over the part marched.
    double inlet_pres = 0, outlet_pres = 0;
    double stop_md = std::numeric_limits<double>::quiet_NaN(), stop_pres = std::numeric_limits<double>::quiet_NaN();
    double dp_total = 0, dp_friction = 0, dp_gravity = 0, dp_acceleration = 0;  // inlet - outlet parts, Pa
    double liquid_inventory = 0;                 // m3
    std::array<double, 5> regime_length{};       // m of line in each regime
    std::vector<std::array<double, 2>> invalid_stretches;  // md ranges with invalid separated solutions
    // md ranges taken at the shortest step without meeting the tolerance: the
    // model's regime flips back and forth with the pressure there.
    std::vector<std::array<double, 2>> floor_stretches;
    std::vector<std::string> warnings;           // the fluid's, each once (a correlation outside its range)
    double atm_pres = 0;                         // Pa: what gauge readings were converted with; 0 when none was given
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
