// Nodal analysis and lift-curve tables as a user states them: the options of
// a traverse (the well and the black oil) and those of the inflow, the rates
// and the table's axes, each a text with or without a unit; checked and
// turned into what the wells library takes. Shared by the command and the
// Python package, so that both read and refuse the same things.
#ifndef FLOWMODEL_WELL_REQUEST_HPP
#define FLOWMODEL_WELL_REQUEST_HPP

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "flowmodel/ipr.hpp"
#include "flowmodel/nodal.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/vfp.hpp"

namespace flowmodel::wells {

// The inflow from its kind ("pi", "vogel", "composite", "fetkovich",
// "injectivity") and the texts of its options: res-pres, pi, q-max,
// test-rate, test-pwf, bubble-pres, c, n, ii. Gauge pressures take `atm`
// (Pa). A composite inflow without bubble-pres asks `own_bubble_point` (Pa at
// the reservoir pressure), or is refused when there is none. An injectivity
// index is a rate of gas per pressure where `gas_rates`, else of liquid.
// Throws OptionError naming the option.
ipr::Inflow inflow_from(const std::string& kind, const std::map<std::string, std::string>& texts, double atm,
                        const std::function<double(double pr)>& own_bubble_point = nullptr, bool gas_rates = false);

// The names inflow_from reads.
const std::vector<std::string>& inflow_option_names();

struct NodalRequest {
    TraverseRequest traverse;  // the well, listed from the wellhead down, and the black oil
    std::string ipr;           // pi, vogel, composite, fetkovich
    std::map<std::string, std::string> inflow;
    std::string rates;  // a list with units ("50,100 STB/d"), or "" for the sweep
    std::string lift_gas_rates;  // the lift-gas performance curve: a list of lift-gas rates, or ""
    std::string min_gradient;    // its economic optimum: oil per lift gas, "" for the default
    std::string injector;        // an injection well: "water", "gas" or "oil"; "" for a producer
    std::string inlet_pres;      // an injection well's wellhead pressure, its inlet
    NodalRequest() { traverse.flow_decreasing = traverse.flow_direction_stated = true; }
};

// Takes an option of nodal analysis that is not a traverse's (ipr, the
// inflow's, rates, injector, and inlet-pres, an injector's wellhead
// pressure); false for any other name. Refuses (OptionError) the traverse
// options the analysis sets itself: the rates and the flow direction.
bool set_nodal_option(NodalRequest& request, const std::string& name, const std::string& text);

struct NodalSetup {
    TraverseSetup setup;     // the well and the fluid, with the wellhead pressure
    ipr::Inflow inflow;
    nodal::Split split;
    std::vector<double> rates;  // m3/s at standard conditions, rising; empty for the sweep
    std::vector<double> lift_gas_rates;  // m3/s at standard conditions, rising; empty without the curve
    double min_gradient = 0;             // m3 oil per m3 lift gas at standard conditions
};

// Throws OptionError saying what is missing or wrong.
NodalSetup setup_nodal(NodalRequest request);

nodal::Result analyse(const NodalSetup& setup, unsigned jobs = 0);

// Without --min-gradient, the economic optimum of the lift gas is where one
// more Sm3 of it buys less than this much oil (Sm3/Sm3; about 0.18 STB/Mscf).
constexpr double kMinGradient = 1e-3;

// One point of the lift-gas performance curve: the operating point with
// that much lift gas (rates NaN where the well does not flow).
struct LiftPoint {
    double lift_gas_rate = 0;                 // m3/s at standard conditions
    double liquid_rate = 0, oil_rate = 0;     // m3/s at standard conditions
    double bhp = 0;                           // Pa
    double injection_md = 0;                  // m
    std::string why;                          // why the well does not flow, "" where it does
};

// A lift point's numbers as every face writes them, in this order; each
// face adds the reason where the well does not flow.
struct LiftPointColumn {
    const char* name;
    Dimension measure;
    double (*value)(const LiftPoint&);
};
const std::vector<LiftPointColumn>& lift_point_columns();

struct LiftCurve {
    std::vector<LiftPoint> points;  // by lift-gas rate, rising
    int maximum = -1;               // the point of the most oil; -1 where none flows
    // The last point before which each further unit of lift gas still
    // bought at least min_gradient of oil; -1 where none flows.
    int economic_optimum = -1;
    std::vector<std::string> warnings;
    long evaluations = 0;
};

// The operating point at each of the setup's lift-gas rates (with its
// injection point), the maximum and the economic optimum.
LiftCurve lift_gas_curve(const NodalSetup& setup, unsigned jobs = 0);

struct VfpRequest {
    TraverseRequest traverse;
    std::string rates, thp, water_cut, gas;  // the axes as lists with units
    std::string gas_option;                  // "gor" or "glr": the option the gas axis came with
    bool gfr_given = false;
    vfp::Table table;  // number and kinds of the axes
    vfp::Units units = vfp::Units::Metric;
    bool datum_given = false;
    vfp::Fill fill = vfp::Fill::None;  // how entries that fail are filled
    std::string max_entries;           // the largest table computed, default kMaxEntries
    std::string alq;                   // the ALQ axis as a list with units, "" for none
    bool kinds_given = false;          // --flo or --wfr given (a producer's axes)
    std::string axes_from;             // a deck file whose table gives the axes, kinds, units, datum
    bool table_given = false;          // --table given: with axes_from, the table read
    VfpRequest() { traverse.flow_decreasing = traverse.flow_direction_stated = true; }
};

// A table of more entries than this is refused before any work unless
// --max-entries allows it: each entry is a traverse.
constexpr double kMaxEntries = 100000;

// Without --max-pres, no traverse of a table marches beyond this (Pa, about
// 29,000 psi, above any produced reservoir's pressure): the ceiling of its
// entries, filled ones included.
constexpr double kTableCeiling = 2e8;

// Without --tol, a table's traverses take this fraction of its lowest THP as
// their tolerance per segment (at least 1 Pa).
constexpr double kTableTolerance = 1e-4;
// The tolerance per segment of many traverses read to a fraction of their
// pressures: kTableTolerance of the lowest boundary pressure, to one
// significant digit rounded down, at least 1 Pa.
double many_traverse_tolerance(double lowest_pressure);

// Takes an option of a table that is not a traverse's (rates, thp, water-cut,
// gor, glr, flo, wfr, gfr, alq, alq-kind, table, deck-units, datum-depth,
// fill, max-entries); false for any other name. Refuses those the axes give (rates
// and boundary pressures).
bool set_vfp_option(VfpRequest& request, const std::string& name, const std::string& text);

struct VfpSetup {
    TraverseSetup setup;
    vfp::Table table;  // axes and datum set, no BHP yet
    vfp::Units units = vfp::Units::Metric;
    vfp::Fill fill = vfp::Fill::None;
    std::string well;  // the profile as given, or "" for a straight line
};

VfpSetup setup_vfp(VfpRequest request);

struct VfpOutcome {
    vfp::Result result;
    std::vector<std::string> filled;    // entries filled from their rate neighbours
    std::vector<std::string> warnings;  // the fluid's correlations outside their ranges, BHP not rising with THP
    std::string error;                  // entries not computed and not filled: no keyword
    std::string keyword;                // the comment block and VFPPROD
};

VfpOutcome make_table(const VfpSetup& setup, unsigned jobs = 0);

}  // namespace flowmodel::wells

#endif
