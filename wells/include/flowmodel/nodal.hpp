// Nodal analysis at the bottom of a well: the outflow curve (the bottom-hole
// pressure the well needs to lift a rate against its wellhead pressure, one
// traverse per rate) crossed with the inflow curve of the reservoir. The
// crossing where the outflow rises through the inflow is the stable
// operating point; one where it falls through it (liquid loading at low
// rates) is unstable.
#ifndef FLOWMODEL_NODAL_HPP
#define FLOWMODEL_NODAL_HPP

#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/ipr.hpp"
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
};

// Oil, water and gas rates (m3/s at standard conditions) of swept rate q.
void split_rate(const Split& split, double q, double& oil, double& water, double& gas);

struct Point {
    double rate = 0;      // liquid (gas for a gas well), m3/s at standard conditions
    double outflow = 0;   // bottom-hole pressure the well needs, Pa; NaN where the traverse failed
    double inflow = 0;    // the reservoir's flowing bottom-hole pressure at that rate, Pa
    int regime_at_bottom = -1;
    std::string failure;  // why the traverse failed
};

struct Crossing {
    double rate = 0, bhp = 0;  // m3/s, Pa
    int regime_at_bottom = -1;
    bool stable = false;
};

struct Result {
    std::vector<Point> curve;          // by rising rate, the sweep and the refinement
    std::vector<Crossing> crossings;   // by rising rate
    const Crossing* operating_point() const;  // the stable crossing of highest rate, or nullptr
    long evaluations = 0;
};

// The well listed from the wellhead down (its last station the perforations),
// the black oil of `fluid` with the swept rates split by `split`, `options`
// with the wellhead pressure (from_outlet). Rates: `rates`, or when empty a
// sweep from 1 % to 99 % of the inflow's absolute open flow. Each crossing is
// refined by bisection to 0.1 % of its rate.
Result analyse(const Line& well, const blackoil::BlackOilInputs& fluid, const Split& split,
               const TraverseOptions& options, const ipr::Inflow& inflow, std::vector<double> rates,
               unsigned jobs = 0);

}  // namespace flowmodel::nodal

#endif
