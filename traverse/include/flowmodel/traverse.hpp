// The pressure traverse: the pressure profile along a pipeline or a well,
// marched from a known pressure at one end with the flow model evaluated at
// the local pressure and temperature, the fluid giving the local phase
// properties and in-situ rates.
#ifndef FLOWMODEL_TRAVERSE_HPP
#define FLOWMODEL_TRAVERSE_HPP

#include <array>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <limits>
#include <string>
#include <vector>

#include "flowmodel/fluids.hpp"
#include "flowmodel/heat.hpp"
#include "flowmodel/methods.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel {

// One point of the line as listed (a profile row). The segment from a node
// to the next has the node's diameter and roughness.
struct LineNode {
    double md = 0;     // measured depth/length along the pipe, m
    double z = 0;      // elevation, m, positive upward
    double diam = 0;   // inner diameter, m
    double rough = 0;  // absolute roughness, m
    double temp = 0;   // temperature, K (linear in md between nodes); with heat transfer the surroundings'
    double tsurr = 0;  // the surroundings' temperature as a profile gives it (tsurr column), K; 0 without
    std::size_t row = 0;  // line of the profile file it was read from; 0 when not from a file
};

struct Line {
    std::vector<LineNode> nodes;   // md strictly increasing
    bool flow_decreasing = false;  // the flow runs towards decreasing md
    bool surveyed = false;         // read from depths (tvd or inclinations): a well's survey
};

// A straight line of length L (m) at `angle` degrees, one diameter and roughness,
// temperature linear from temp_in (md 0) to temp_out (md L).
Line straight_line(double length, double angle, double diam, double rough, double temp_in, double temp_out);

// The line at md (within its first and last nodes): elevation and
// temperature linear between the nodes around it, the diameter and
// roughness of the segment it lies in.
LineNode node_at(const Line& line, double md);
// The part of the line from md a to md b (a < b, both within it), nodes
// placed at both ends.
Line line_between(const Line& line, double a, double b);

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
// unit; 0, not given: refused, metres and feet being both common), the others SI; a temp without a unit below 200 K is refused (°C or
// °F meant). A vertical segment written to two decimals may show up to 0.02
// of its unit more height than length: it is taken as vertical. Missing
// diam/rough take the given values; missing temp is left 0 for the caller to
// fill. Throws ReadError naming the file, line and column.
Line read_profile(const std::string& path, double diam, double rough, double length_unit = 0);
Line read_profile(std::istream& in, const std::string& name, double diam, double rough, double length_unit = 0);

// Minimum curvature: the true vertical depth gained between two survey
// stations ds apart along the hole (any length unit), inclinations inc1, inc2
// from vertical and azimuths azi1, azi2 (radians): the stations joined by a
// circular arc, dTVD = ds/2 (cos inc1 + cos inc2) RF, RF = 2/DL tan(DL/2),
// DL the dogleg angle.
double minimum_curvature_dtvd(double ds, double inc1, double inc2, double azi1, double azi2);

// The method in words with its multipliers where they are not 1:
// "Beggs & Brill (1973): ...; tuned: holdup x 1.08, friction x 0.93".
std::string method_text(Method m, double holdup_factor, double friction_factor);

// The multipliers a method may be tuned with, as a user may give them.
constexpr double kLeastFactor = 0.2, kMostFactor = 5.0;

struct TraverseOptions {
    bool from_outlet = false;   // the pressure given is the outlet's: march against the flow
    double pres = 0;            // the given end pressure, Pa
    double tol = 1.0;           // Pa per segment
    double max_pres = 1e9;      // Pa: against the flow, a higher inlet pressure stops the march
    // Largest distance between output points, m; 0: the shorter of 1/200 of
    // the line and 30 m. Points are also written at every station and where
    // the regime or the kind of answer changes.
    double output_step = 0;
    // Evaluations the march may spend at most; 0: the line's own budget (per
    // metre and per station). Shooting for an inlet pressure bounds its
    // trial marches by what a completed one spent.
    long max_evaluations = 0;
    // The method of the gradient at each point (the model by default).
    Method method = kDefaultMethod;
    // The method tuned to measured pressures: its liquid holdup times
    // holdup_factor (not above 1; the gravity part follows from the mixture
    // density it gives), its friction part times friction_factor. At 1 and 1
    // nothing is touched: the same numbers to the bit.
    double holdup_factor = 1.0, friction_factor = 1.0;
    // The fluid's temperature: the line's (Given), or marched with the
    // pressure by an energy balance against the line's temperature as the
    // surroundings'. Against the flow with heat transfer, the inlet pressure
    // is found so that the march from the inlet, where the temperature is
    // known, meets the outlet pressure given (within tol).
    HeatTransfer heat;
    // Polled every few hundred evaluations; true stops the march (StopReason::Interrupted).
    std::function<bool()> interrupted;
};

// How the gradient at a point was obtained. The model marks some of its
// separated solutions invalid (iter 99: its own critical-flow limit or no
// convergence); such an answer is not integrated. Where the model gives valid
// answers at nearby pressures (within 5 %) on either side, the gradient, holdup
// and regime are interpolated in pressure between the nearest of them
// (bridged); where it gives none, the model's own numbers are kept (invalid).
enum class Answer { Model = 0, Bridged = 1, Invalid = 2 };
const char* answer_name(Answer a);  // "", "bridged", "invalid"

struct TraversePoint {
    double md, z, angle, pres, temp, usl, usg, rol, rog;
    int id;          // flow pattern (Pattern): 0..4 the model's regimes (meaningful when ierr is 0 or 1)
    double hol, dpt, dpf, dpg, dpa;  // what was integrated
    int iter, ierr;
    bool separated_invalid;  // the model's own answer here is separated-invalid
    Answer answer = Answer::Model;
    // The model's own answer where it differs (answer == Bridged).
    int own_id = 0;
    double own_hol = 0, own_dpt = 0, own_dpf = 0, own_dpg = 0, own_dpa = 0;
    // With heat transfer: the surroundings' temperature, K, and the heat the
    // fluid loses through the wall, W per m2 of inside wall (NaN without).
    double tsurr = std::numeric_limits<double>::quiet_NaN();
    double heat_flux = std::numeric_limits<double>::quiet_NaN();
    double sigma = 0;  // N/m, the liquid's surface tension against the gas, as the method took it
    double diam = 0;   // m, the pipe's inside diameter here
    const char* regime() const;
};

// The named point fields, in the order every face writes them: one table for
// the CSV, JSON and Python faces. Numbers are SI; `measure` says which unit a
// face converts them to.
struct PointField {
    enum Kind { Number, Integer, Text, Flag };
    const char* name;
    Dimension measure;  // what the unit system converts it as (None: a pure number)
    Kind kind;
    const char* meaning;
    double (*number)(const TraversePoint&);     // Number, Integer, Flag
    const char* (*text)(const TraversePoint&);  // Text
    bool heat_only = false;                     // written only where the temperature was marched
};
// Whether a face writes field f for a traverse with this heat law.
inline bool point_field_written(const PointField& f, HeatLaw law) { return !f.heat_only || law != HeatLaw::Given; }
extern const std::vector<PointField> kPointFields;

enum class StopReason {
    None,           // the march reached the far end
    LowPressure,    // the pressure fell below the model's 100 Pa
    NoFluidState,   // the fluid has no state (outside a table, no Z factor)
    NoModelAnswer,  // improper input or no regime
    CriticalFlow,   // the model's critical-flow limit
    MaxPressure,    // against the flow, above max_pres
    Budget,         // the step control spent its evaluations
    Interrupted,    // options.interrupted said so
    NoInjection,    // gas lift from the casing: no mandrel can inject
    OutletNotMet,   // against the flow with heat transfer: no inlet pressure marches to the outlet's
};

// Why the step control could not meet the tolerance over a stretch, taking
// it at its shortest step, or (AnswersJump) taking steps over noise: the
// method's answer jumping back and forth from step to step (the model's
// separated solution converging to either of two roots with a small change
// of its input), which no step resolves.
enum class FloorCause { CriticalFlow, RegimeFlips, InvalidAnswers, SteepGradient, AnswersJump };
const char* floor_cause_text(FloorCause c);

// How liquid loading of a gas well is judged (loading.hpp).
enum class LoadingCriterion {
    None,
    Turner,   // the droplet model raised by 20 %, as Turner et al. (1969) recommend
    Coleman,  // the droplet model as derived (Turner et al. without their adjustment; Coleman et al. 1991)
};

struct FloorStretch {
    std::array<double, 2> md;
    FloorCause cause;
};

struct TraverseSummary {
    // Pa. A march that stopped early did not reach its far end: that end's
    // pressure is NaN, and stop_md, stop_pres say where it stopped; the drop
    // and its parts are then over the part marched.
    double inlet_pres = 0, outlet_pres = 0;
    double stop_md = std::numeric_limits<double>::quiet_NaN(), stop_pres = std::numeric_limits<double>::quiet_NaN();
    double dp_total = 0, dp_friction = 0, dp_gravity = 0, dp_acceleration = 0;  // inlet - outlet parts, Pa
    double liquid_inventory = 0;                 // m3
    // The fluid's temperature at both ends, K (NaN at an end not reached),
    // and the heat it lost to the surroundings, W (NaN without heat transfer).
    double inlet_temp = std::numeric_limits<double>::quiet_NaN();
    double outlet_temp = std::numeric_limits<double>::quiet_NaN();
    double heat_lost = std::numeric_limits<double>::quiet_NaN();
    HeatLaw heat_law = HeatLaw::Given;
    Method method = kDefaultMethod;                // the method integrated
    // Gas lift: the lift gas's rate (m3/s at standard conditions; 0 without),
    // the injection point's md and the tubing pressure there (NaN without, or
    // where the march did not reach it).
    double lift_gas_rate = 0;
    double injection_md = std::numeric_limits<double>::quiet_NaN();
    double injection_pres = std::numeric_limits<double>::quiet_NaN();
    double casing_pres_at_injection = std::numeric_limits<double>::quiet_NaN();  // the annulus there, with mandrels
    double injection_dp = std::numeric_limits<double>::quiet_NaN();  // Pa: the casing-over-tubing margin, with mandrels
    double holdup_factor = 1.0, friction_factor = 1.0;  // its multipliers
    // Against the flow with heat transfer (the inlet pressure shot for): how
    // far the outlet reached is from the pressure given, Pa, within tol per
    // step of the march (the accuracy its far end has either way); NaN for
    // a march that starts at the outlet.
    double outlet_miss = std::numeric_limits<double>::quiet_NaN();
    // A line marched as legs (legs.hpp): the pressure at each joint, in the
    // direction of flow, NaN where not reached; empty for a line of one leg.
    std::vector<double> joint_pres;
    std::array<double, kPatternCount> regime_length{};  // m of line in each flow pattern (Pattern)
    // md ranges, merged: invalid answers bridged, and kept (no valid answer near).
    std::vector<std::array<double, 2>> bridged_stretches, invalid_stretches;
    double bridged_length = 0, invalid_length = 0;  // m
    // md ranges taken at the shortest step without meeting the tolerance, merged, with their cause.
    std::vector<FloorStretch> floor_stretches;
    std::vector<std::string> warnings;           // the fluid's, each once (a correlation outside its range)
    double atm_pres = 0;                         // Pa: what gauge readings were converted with; 0 when none was given
    // Liquid loading, where asked for (loading.hpp): the criterion, the gas
    // rate at standard conditions (m3/s) that flows at the critical velocity
    // at the wellhead and at the bottom (NaN where not reached), and the md
    // ranges where the gas flows slower than that.
    LoadingCriterion loading = LoadingCriterion::None;
    double critical_gas_rate_wellhead = std::numeric_limits<double>::quiet_NaN();
    double critical_gas_rate_bottom = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::array<double, 2>> loading_stretches;
    bool complete = true;                        // false: stopped early (message says where and why)
    StopReason stop_reason = StopReason::None;
    std::string message;                         // options named as {name} (see option_error.hpp)
    long evaluations = 0;                        // model evaluations
    long steps = 0;                              // steps accepted (each within tol); its far end is good to tol per step
};

// The summary's fields, in the order every face writes them: one table for
// the command's JSON and the Python package. Numbers are SI (NaN where there
// is none: an end not reached, no stop); `measure` says which unit a face
// converts them and the md of stretches to.
struct SummaryValue {
    bool flag = false;                               // Flag
    double number = 0;                               // Number, Count
    std::string text;                                // Text
    std::vector<std::string> texts;                  // Texts
    std::vector<std::array<double, 2>> stretches;    // Stretches: md ranges
    std::array<double, kPatternCount> by_regime{};   // ByRegime: a number for each flow pattern (Pattern)
};
struct SummaryField {
    enum Kind { Flag, Text, Number, Count, Stretches, ByRegime, Texts };
    const char* name;
    Dimension measure;
    Kind kind;
    const char* meaning;
    SummaryValue (*get)(const TraverseSummary&);
    // Written only where this holds (the loading fields where loading was
    // assessed); null: always.
    bool (*shown)(const TraverseSummary&) = nullptr;
};
inline bool summary_field_shown(const SummaryField& f, const TraverseSummary& m) { return !f.shown || f.shown(m); }
extern const std::vector<SummaryField> kSummaryFields;

// Whether a face lists flow pattern k of a ByRegime value: the model's five
// regimes always (a fixed set of keys), any other pattern where it was met.
inline bool pattern_listed(int k, const std::array<double, kPatternCount>& v) {
    return k < 5 || v[static_cast<std::size_t>(k)] > 0;
}

struct TraverseResult {
    // In flow order from where the march started (with heat transfer against
    // the flow: the outlet first, the points of the march from the inlet
    // that met the outlet's pressure, in reverse).
    std::vector<TraversePoint> points;
    TraverseSummary summary;
};

// Marches along the line. Never throws for a line that cannot carry the
// flow: the result then has complete = false and the points computed so far.
// The fluid is only read: one fluid may serve many traverses at once.
TraverseResult traverse(const Line& line, const Fluid& fluid, const TraverseOptions& opt);

// Independent traverses on the library's parallel loop (jobs 0: one thread
// per core); results[i] is traverse(*cases[i]...) whatever the thread count.
struct TraverseCase {
    const Line* line;
    const Fluid* fluid;
    TraverseOptions options;
};
std::vector<TraverseResult> traverse_many(const std::vector<TraverseCase>& cases, unsigned jobs = 0);

}  // namespace flowmodel

#endif
