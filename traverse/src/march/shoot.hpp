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

#include <functional>

#include "flowmodel/traverse.hpp"
#include "march/state.hpp"

namespace flowmodel::march {

// `from_inlet(p)` marches (or composes marches) from the inlet at pressure p;
// `guess` is the first p, `evaluations` those spent on it already. The result
// is the march that met the outlet, its points listed from the outlet (as a
// march against the flow lists them), its evaluations all that were spent;
// where no inlet pressure up to opt.max_pres meets it, the last march with
// StopReason::MaxPressure at inlet_md.
TraverseResult shoot_inlet_pressure(const TraverseOptions& opt, double guess, long evaluations, double inlet_md,
                                    const std::function<TraverseResult(double)>& from_inlet);

// The stop of a march against the flow at more than max_pres, at md.
Stop above_max_pres(double max_pres, double md);

}  // namespace flowmodel::march

#endif
