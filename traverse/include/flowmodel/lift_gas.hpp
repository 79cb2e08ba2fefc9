// Gas lift in the traverse: lift gas injected into the tubing at one
// measured depth. Downstream of the injection point (above it in a producing
// well) the line carries the produced fluid and the lift gas, with the gas
// mixture's gravity where the two gases differ; upstream of it the produced
// fluid alone. The traverse is the march of the two parts in turn, each with
// its own fluid, the second started from the pressure the first reached at
// the injection point.
#ifndef FLOWMODEL_LIFT_GAS_HPP
#define FLOWMODEL_LIFT_GAS_HPP

#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/traverse.hpp"

namespace flowmodel {

struct LiftGas {
    double rate = 0;     // m3/s at standard conditions
    double md = 0;       // measured depth of the injection point, m (the chosen mandrel's with mandrels)
    double gravity = 0;  // air = 1; 0: the produced gas's
    // The injection point from the casing instead of a fixed depth: the
    // surface injection pressure (Pa absolute), the mandrels' md (m, any
    // order) and the least casing-over-tubing pressure that injects (Pa).
    double casing_pres = 0;
    std::vector<double> mandrels;
    double injection_dp = 0;
};

// The annulus gas column's pressure at each md of `mds`, from `casing_pres`
// (Pa) at the line's first node: dp/dz = rho g along the line's elevation,
// rho = p M / (Z R T) of a gas of gravity `gravity` (Sutton's pseudo-critical
// point, Hall and Yarborough's Z) at the line's temperature; integrated by
// fourth-order Runge-Kutta in steps of at most 5 m of elevation. NaN where
// the gas has no Z factor.
std::vector<double> annulus_pressures(const Line& line, double casing_pres, double gravity,
                                      const std::vector<double>& mds);

// The black oil downstream of the injection point: the produced gas plus the
// lift gas, their gravity the standard-volume average of the two.
blackoil::BlackOilInputs with_lift_gas(const blackoil::BlackOilInputs& produced, const LiftGas& lift);

// The traverse of `line` with `lift` injected. With mandrels, the injection
// point is the deepest mandrel where the annulus pressure exceeds the tubing's
// by at least lift.injection_dp, the tubing's as the lifted traverse through
// that mandrel gives it (tried from the deepest up: the two depend on each
// other); where none can inject the result is incomplete, its message naming
// the shallowest mandrel's pressures (StopReason::NoInjection). `lift.md` must lie inside the
// line (strictly between its ends); throws OptionError otherwise,
// or for a fluid the lift gas makes meaningless. The summary states the
// injection depth, the rate and the pressure in the tubing there; points are
// written at the injection depth on both sides.
TraverseResult traverse_lifted(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                               const TraverseOptions& opt);

}  // namespace flowmodel

#endif
