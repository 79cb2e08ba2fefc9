// The homogeneous (no-slip) mixture: both phases at one velocity, the
// mixture's density and viscosity weighted by the no-slip fractions
// (G. B. Wallis, "One-dimensional Two-phase Flow", McGraw-Hill, 1969,
// chapter 2). The baseline for dry-gas and single-phase lines; no fitted range.
#include "common.hpp"

namespace flowmodel::classic {

PointAnswer no_slip(const Inputs& in) {
    const Mixture mx = mixture(in);
    PointAnswer a;
    if (single_phase(in, mx, a)) return a;
    return homogeneous(in, mx, Pattern::Homogeneous);
}

}  // namespace flowmodel::classic
