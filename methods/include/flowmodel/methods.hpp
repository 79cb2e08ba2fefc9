// Methods of the pressure gradient at a point: this project's two-phase model
// and the classic well and pipeline correlations beside it. Each takes the
// same eleven properties the model takes (flowmodel::Inputs, SI) and gives
// the gradient with its friction, gravity and acceleration parts, the liquid
// holdup, a flow pattern in the method's own terms and whether the answer
// may be used. The march, nodal analysis, lift-curve tables and the
// comparison with measurements take a method as a value and never ask which
// one it is.
#ifndef FLOWMODEL_METHODS_HPP
#define FLOWMODEL_METHODS_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace flowmodel {

enum class Method {
    Model,               // this project's two-phase model (the default)
    BeggsBrill,          // Beggs & Brill, revised map and transition, rough pipe, Payne et al.'s holdup factors
    BeggsBrillPalmer,    // the same with Palmer's holdup factors
    BeggsBrillOriginal,  // the 1973 holdup without factors, the smooth-pipe friction factor of the paper
    HagedornBrown,       // Hagedorn & Brown (1965) as modified: Griffith & Wallis bubble flow, no-slip floor
    Gray,                // Gray (1974): vertical gas wells with condensate or water
    MukherjeeBrill,      // Mukherjee & Brill (1985): inclined flow
    NoSlip,              // the homogeneous mixture
};

// The method a request uses where none is named, and the one the faces call
// "the model" in their reports.
constexpr Method kDefaultMethod = Method::Model;

// Flow patterns, each method in its own terms. The first five are the
// model's regimes in its numbering (flowmodel::Regime).
enum class Pattern : int {
    StratifiedSmooth = 0,
    StratifiedWavy,
    Annular,
    Slug,             // also Mukherjee & Brill's
    DispersedBubble,
    Liquid,        // single-phase liquid
    Gas,           // single-phase gas
    Homogeneous,   // no-slip mixture
    Segregated,    // Beggs & Brill
    Transition,    // Beggs & Brill, between segregated and intermittent
    Intermittent,  // Beggs & Brill
    Distributed,   // Beggs & Brill
    Bubble,        // Mukherjee & Brill
    AnnularMist,   // Mukherjee & Brill
    Stratified,    // Mukherjee & Brill
    Mist,          // Gray: the one pattern of a gas well it describes
    GriffithBubble,  // Hagedorn & Brown as modified: Griffith & Wallis bubble flow
    NonBubble,       // Hagedorn & Brown: its own holdup, above the bubble boundary (no pattern named)
    None,          // no answer
};
constexpr int kPatternCount = static_cast<int>(Pattern::None) + 1;
const char* pattern_name(Pattern p);  // "stratified smooth", ..., "none"

// The coarse class of a pattern for comparison with observed regimes
// (0 stratified, 2 annular, 3 slug, 4 dispersed bubble), or -1 where the
// method's pattern is no such class (Beggs & Brill's, Hagedorn & Brown's,
// homogeneous, single phase).
int coarse_regime(Pattern p);

// The answer of a method at a point. Gradients in Pa/m, positive where the
// pressure falls along the flow (the gravity part is negative downhill).
struct PointAnswer {
    double dpt = 0, dpf = 0, dpg = 0, dpa = 0;
    double holdup = 0;
    Pattern pattern = Pattern::None;
    // False where the method has no answer: improper input, no flow, the
    // acceleration term reaching the whole gradient (critical flow).
    bool valid = false;
    bool critical = false;     // invalid because the flow is critical (the model's marker, or Ek >= 1)
    bool model_bridge = false; // the model's separated answer it marks invalid (iter 99): to bridge, not to trust
    int model_status = 0;      // the model's status (0-3); 0 for the classic methods
    int iterations = 0;        // the model's separated-solution iterations; 0 for the classic methods
    std::uint32_t outside = 0; // bit k: the method's fitted range k (MethodInfo::ranges[k]) left here
};

// What a fitted range is of.
enum class RangeOf { Diameter, Angle, MixtureVelocity, LiquidViscosity, Pressure };

// The range of data a method was fitted on, as published.
struct FittedRange {
    RangeOf of;
    double lo, hi;     // SI (m, degrees, m/s, Pa s, Pa)
    const char* text;  // as the source states it
    // False for information, never a warning: the 1 to 1.5 in. pipe some
    // methods were fitted on, where practice uses them on every tubing size.
    bool warns = true;
};

// A method is its row of the table (methods()): everything the march, the
// comparisons and the faces know of it. Adding a method is a file with its
// point function and one row.
struct MethodInfo {
    Method method;
    const char* name;    // as users write it: "model", "beggs-brill", ...
    const char* title;   // "Beggs & Brill (1973)"
    const char* source;  // the publication of its equations
    const char* options; // its variant, in words ("Payne et al. (1979) holdup factors, rough pipe")
    std::vector<FittedRange> ranges;
    // Its answer at a point (SI, as evaluate_point gives it but without the
    // fitted-range bits). Never throws.
    PointAnswer (*point)(const Inputs&);
    // The acceleration of gravity its gravity part is written with, m/s2.
    double gravity;
    // The flow patterns its answers name.
    std::vector<Pattern> patterns;
    // Whether its answers flagged model_bridge are bridged in pressure by the
    // march (the model's invalid separated solutions) rather than integrated.
    bool bridged;
    // Why it has no answer at a point, in its own words ("status 3, improper
    // input: ..."), or nullptr where "no answer" is all it says.
    std::string (*why_none)(const Inputs&);
};

// Every method in the order users see them: the model first.
const std::vector<MethodInfo>& methods();
const MethodInfo& method_info(Method m);
// The acceleration of gravity a method's gravity part is written with, m/s2:
// the model's own 9.81, the classic methods' standard 9.80665. The energy
// balance takes the same, so that a liquid's gravity work and its pressure
// change cancel exactly.
double method_gravity(Method m);
// The method a user's name gives (any case, blanks around, '_' for '-'), or
// nullptr. "all" is no method: faces that offer all methods treat it.
const MethodInfo* method_named(const std::string& name);
// Whether a user's text asks for every method ("all", any case, blanks around).
bool names_all_methods(const std::string& name);
// The method and its variant in words, for summaries and table headers:
// "Beggs & Brill (1973): revised map with transition, ...".
std::string method_description(Method m);
// The names, "model, beggs-brill, ...", for messages.
std::string method_names();

// The answer of method m at a point. Never throws; an answer that may not be
// used has valid = false. The model's answer is its own (through `pipeflow`).
PointAnswer evaluate_point(Method m, const Inputs& in);

// out[i] = evaluate_point(m, in[i]) for n points on the library's parallel
// loop (jobs 0: one thread per core); the same whatever the thread count.
void evaluate_points(Method m, const Inputs* in, PointAnswer* out, std::size_t n, unsigned jobs = 0);

// The model's result in the methods' terms (what evaluate_point(Model) gives).
PointAnswer model_point_answer(const Result& r);

// The warnings of the fitted ranges left at some point, with the lowest and
// highest value met outside each (low/high indexed like MethodInfo::ranges).
std::vector<std::string> range_warnings(Method m, std::uint32_t outside, const double* low, const double* high);
// The value of a range's quantity at a point.
double range_value(RangeOf of, const Inputs& in);

}  // namespace flowmodel

#endif
