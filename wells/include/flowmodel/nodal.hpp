// Nodal analysis at the bottom of a well: the outflow curve (the bottom-hole
// pressure the well needs to lift a rate against its wellhead pressure, one
// traverse per rate) crossed with the inflow curve of the reservoir. The
// crossing where the outflow rises through the inflow is the stable
// operating point; one where it falls through it (liquid loading at low
// rates) is unstable.
// An injection well the same way round: its outflow curve is the bottom-hole
// pressure the tubing gives from the wellhead pressure (the column gained,
// friction lost, falling with the rate), its inflow the pressure the
// reservoir needs to take the rate (rising with it); the stable crossing is
// where the tubing falls through the reservoir's need.
#ifndef FLOWMODEL_NODAL_HPP
#define FLOWMODEL_NODAL_HPP

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/ipr.hpp"
#include "flowmodel/lift_gas.hpp"
#include "flowmodel/outflow.hpp"
#include "flowmodel/traverse.hpp"

namespace flowmodel::nodal {

// How the swept rate splits: the water cut and the gas ratio (of the oil, or
// of the liquid). The swept rate is the liquid, or for a gas well's inflow
// the gas, whose liquid the gas ratio then gives.
struct Split {
    double water_cut = 0;
    double gas_ratio = 0;  // m3/m3 at standard conditions
    bool per_liquid = false;  // GLR rather than GOR
    bool gas_rate = false;    // the swept rate is the gas
    wells::Injected injected = wells::Injected::None;  // an injector: the swept rate is that fluid's alone
    // A gas well given by its yields: the swept rate is the gas, carrying
    // cgr of condensate and wgr of water per gas (m3/m3 at standard
    // conditions; both 0 for a dry gas).
    bool yields = false;
    double cgr = 0, wgr = 0;
};

// Oil, water and gas rates (m3/s at standard conditions) of swept rate q.
void split_rate(const Split& split, double q, double& oil, double& water, double& gas);

struct Point {
    double rate = 0;      // liquid (gas for a gas well), m3/s at standard conditions
    double outflow = 0;   // bottom-hole pressure the well needs, Pa; NaN where the traverse failed
    double inflow = 0;    // the reservoir's flowing bottom-hole pressure at that rate, Pa
    int regime_at_bottom = -1;
    double wellhead_temp = 0;  // K, the traverse's (with heat transfer it varies with the rate); NaN where it failed
    std::string failure;  // why the traverse failed
};

// The curves' columns as every face writes them, in this order: the swept
// rate (liquid_rate, or gas_rate where a gas well's inflow sweeps the gas),
// the outflow's and the inflow's bottom-hole pressures and the wellhead
// temperature; each number in SI, converted by the face in `measure`.
struct CurveColumn {
    const char* name;
    Dimension measure;
    double (*value)(const Point&);
};
std::vector<CurveColumn> curve_columns(bool gas_swept);

// A crossing is a point of the outflow curve: `rate` was marched, `bhp` is
// that traverse's bottom-hole pressure, and the inflow at `rate` lies within
// `mismatch` of it (at most kPressureMatch, or where the outflow jumps across
// the inflow, as close as a bracket of 1e-7 of the rate comes).
struct Crossing {
    double rate = 0, bhp = 0;  // m3/s, Pa
    double mismatch = 0;       // |inflow - outflow| at rate, Pa
    double other_side = 0;     // m3/s: the other end of the last bracket, where the outflow lies across the inflow
    int regime_at_bottom = -1;
    double wellhead_temp = 0;  // K
    double thp = 0;            // Pa, the wellhead pressure the well was marched from
    bool stable = false;
};

// A crossing's numbers as every face writes them, in this order: the swept
// rate, the bottom-hole and wellhead pressures, the wellhead temperature;
// each face adds the regime at the bottom and whether the crossing is stable.
struct CrossingColumn {
    const char* name;
    Dimension measure;
    double (*value)(const Crossing&);
};
std::vector<CrossingColumn> crossing_columns(bool gas_swept);

// Outflow and inflow agree within this, Pa (0.01 psi).
constexpr double kPressureMatch = 68.9476;

// Why there is no operating point.
// An injector's the same with the curves' roles swapped: the well falls
// short where the reservoir needs more than the tubing gives.
enum class NoFlow {
    None,          // there is one
    NoOutflow,     // no traverse reached the bottom at any rate
    OutflowAbove,  // the well falls short at every rate computed (the outflow above the inflow)
    InflowAbove,   // the well flows up to the largest rate (the inflow above the outflow): the crossing lies beyond
    OutflowStops,  // the well flows until the outflow stops (limit pressure, critical flow, ...)
};

struct Result {
    std::vector<Point> curve;          // by rising rate, the sweep and the refinement
    std::vector<Crossing> crossings;   // by rising rate
    bool injector = false;             // an injection well's: the inflow is the reservoir's need
    const Crossing* operating_point() const;  // the stable crossing of highest rate, or nullptr
    NoFlow why = NoFlow::None;
    double stop_rate = 0;    // m3/s: NoOutflow, OutflowStops: the first rate that failed; InflowAbove: the largest rate
    std::string stop_cause;  // NoOutflow, OutflowStops: why the outflow failed there
    std::vector<std::string> warnings;  // the fluid's correlations outside their ranges, each once
    long evaluations = 0;
    // Liquid loading, where asked for (loading.hpp), judged on the operating
    // point's traverse: the gas rate at standard conditions (m3/s) that keeps
    // the well's gas at its critical velocity (the larger of the wellhead's and
    // the bottom's), the same as a swept rate (the plot's line), and whether
    // the operating point lies below it. NaN without an operating point.
    LoadingCriterion loading = LoadingCriterion::None;
    double critical_gas_rate = std::numeric_limits<double>::quiet_NaN();
    double critical_rate = std::numeric_limits<double>::quiet_NaN();
    bool loads = false;
};

// Why there is no operating point in words, rates written by `rate_text`;
// "" when there is one.
std::string reason(const Result& r, const std::function<std::string(double)>& rate_text);

// The well listed from the wellhead down (its last station the perforations),
// the black oil of `fluid` with the swept rates split by `split`, `options`
// with the wellhead pressure (from_outlet). Rates: `rates`, or when empty a
// sweep from 1 % to 99 % of the inflow's absolute open flow. A crossing is
// looked for only between two rates whose outflow was computed, and refined
// by regula falsi (Illinois) on traverses; where the outflow stops while the
// inflow still lies above it, the stop is located to 0.1 % of its rate,
// since a crossing may lie just before it. With `lift` (a rate above 0) every
// outflow traverse is gas-lifted.
// An injector (`split.injected`, an injectivity inflow, the well with
// flow_decreasing false, `options` with the wellhead pressure at the inlet):
// the sweep runs from 1 % to 100 % of the largest rate the reservoir could
// take, the injectivity index times the excess of the tubing's bottom-hole
// pressure at a trickle (friction only lowers it) over the reservoir's.
Result analyse(const Line& well, const blackoil::BlackOilInputs& fluid, const Split& split,
               const TraverseOptions& options, const ipr::Inflow& inflow, std::vector<double> rates,
               unsigned jobs = 0, const LiftGas& lift = {});

}  // namespace flowmodel::nodal

#endif
