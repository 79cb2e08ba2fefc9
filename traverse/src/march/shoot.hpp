// Against the flow with heat transfer the pressure is known at the outlet
// and the temperature at the inlet. The outlet pressure of a march from the
// inlet rises with the inlet pressure, so the inlet pressure is found by
// secant steps until the root is bracketed (taken a little beyond it, the
// outlet's pressure moving by a fraction of the inlet's where gas expands on
// the way), then by regula falsi (Illinois), bisecting where a march fell
// short of the outlet for want of pressure; the march is held to meet the
// outlet within tol.
#ifndef FLOWMODEL_MARCH_SHOOT_HPP
#define FLOWMODEL_MARCH_SHOOT_HPP

#include <algorithm>
#include <functional>

#include "flowmodel/traverse.hpp"
#include "march/state.hpp"

namespace flowmodel::march {

// `from_inlet(p, budget)` marches (or composes marches) from the inlet at
// pressure p, each march spending at most `budget` evaluations (0: its own);
// `guess` is the first p, `evaluations` those spent on it already. The result
// is the march that met the outlet, its points listed from the outlet (as a
// march against the flow lists them), its evaluations all that were spent;
// where no inlet pressure up to opt.max_pres meets it, the last march with
// StopReason::MaxPressure at inlet_md.
TraverseResult shoot_inlet_pressure(const TraverseOptions& opt, double guess, long evaluations, double inlet_md,
                                    const std::function<TraverseResult(double, long)>& from_inlet,
                                    double response = 0);

// How much the outlet's pressure moves per pascal of the inlet's, from a
// march against the flow (its points from the outlet on): a perturbation
// of the pressure grows along the march as d(dp/ds)/dp, which over a line
// whose gradient is mostly the pressure's doing gives the ratio of the
// gradients at the two ends (a liquid's 1, an ideal gas column's p_out /
// p_in). 0 where the march gives no two ends.
double outlet_response(const TraverseResult& against_flow);

}  // namespace flowmodel::march

namespace flowmodel {

// `line` with the fluid's temperatures of Ramey's steady profile from the
// inlet (approximate_temperatures, m cp at the outlet's pressure): what the
// first march against the flow takes as given, so that the first guess of
// the inlet pressure is near the one the energy balance gives. The
// surroundings' temperatures where the fluid has no specific heat there.
Line guess_temperatures(const Line& line, const Fluid& fluid, const TraverseOptions& opt);

}  // namespace flowmodel

namespace flowmodel::march {

// A trial march's evaluations: the shooting's bound (0: none) within the
// caller's own (0: none).
inline long trial_budget(long shooting, long own) {
    if (shooting <= 0) return own;
    return own > 0 ? std::min(shooting, own) : shooting;
}

// The stop of a march against the flow at more than max_pres, at md.
Stop above_max_pres(double max_pres, double md);

}  // namespace flowmodel::march

#endif
