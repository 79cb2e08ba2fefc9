// Gas lift in the traverse: lift gas injected into the tubing at one
// measured depth. Downstream of the injection point (above it in a producing
// well) the line carries the produced fluid and the lift gas, with the gas
// mixture's gravity where the two gases differ; upstream of it the produced
// fluid alone. The traverse is the march of the two parts in turn, each with
// its own fluid, the second started from the pressure the first reached at
// the injection point.
#ifndef FLOWMODEL_LIFT_GAS_HPP
#define FLOWMODEL_LIFT_GAS_HPP

#include "flowmodel/blackoil.hpp"
#include "flowmodel/traverse.hpp"

namespace flowmodel {

struct LiftGas {
    double rate = 0;     // m3/s at standard conditions
    double md = 0;       // measured depth of the injection point, m
    double gravity = 0;  // air = 1; 0: the produced gas's
};

// The black oil downstream of the injection point: the produced gas plus the
// lift gas, their gravity the standard-volume average of the two.
blackoil::BlackOilInputs with_lift_gas(const blackoil::BlackOilInputs& produced, const LiftGas& lift);

// The traverse of `line` with `lift` injected. `lift.md` must lie inside the
// line (strictly between its ends); throws std::invalid_argument otherwise,
// or for a fluid the lift gas makes meaningless. The summary states the
// injection depth, the rate and the pressure in the tubing there; points are
// written at the injection depth on both sides.
TraverseResult traverse_lifted(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                               const TraverseOptions& opt);

}  // namespace flowmodel

#endif
