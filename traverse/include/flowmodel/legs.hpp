// A line marched as legs: the flow passes along the line in order, and at
// joints (measured depths strictly inside it) something joins it — lift gas
// mixing in today; a choke or a pump are joints of the same kind. Each leg
// carries its own fluid. The composition is done here once, for any number of
// legs: the march of each leg from where the last one ended, the temperature
// carried across a joint, the summaries merged, and, against the flow with
// heat transfer, the inlet pressure shot for over all the legs together.
#ifndef FLOWMODEL_LEGS_HPP
#define FLOWMODEL_LEGS_HPP

#include <functional>
#include <vector>

#include "flowmodel/traverse.hpp"

namespace flowmodel {

struct Joint {
    double md = 0;  // m, strictly inside the line
    // With heat transfer: the fluid's temperature after the joint (K) from
    // the pressure there (Pa), the arriving fluid's temperature (K) and the
    // joint's node (its surroundings' temperature); throws FluidError where
    // it has none, which stops the march there. Empty: the arriving
    // temperature carries on.
    std::function<double(double pres, double temp, const LineNode& at)> mixed_temp;
};

struct Legs {
    const Line& line;
    // One fluid per leg in the direction of flow, one more than the joints;
    // only read, as by traverse().
    std::vector<const Fluid*> fluids;
    std::vector<Joint> joints;  // in the direction of flow
};

// Marches the legs as traverse() marches a line (which is a line of one
// leg): from the given end, each leg from the pressure the last reached; the
// points of all of them in march order, the summary over the whole line
// (the drop and its parts, lengths, stretches, warnings and evaluations
// summed, the far end's pressure and temperature, the stop of the leg that
// stopped). summary.joint_pres holds the pressure at each joint, in the
// direction of flow, NaN where the march did not reach it. Throws
// OptionError for joints outside the line or out of order, or fluids that
// do not match them.
TraverseResult traverse_legs(const Legs& legs, const TraverseOptions& opt);

}  // namespace flowmodel

#endif
