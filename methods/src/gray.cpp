// Gray: H. E. Gray, "Vertical Flow Correlation in Gas Wells", in User's Manual
// for API 14B, Subsurface Controlled Safety Valve Sizing Computer Program,
// App. B (API, 1974); in the form of J. P. Brill and H. Mukherjee,
// "Multiphase Flow in Wells" (SPE Monograph 17, 1999), section 4.2.
// Fitted on vertical gas wells producing condensate or water: mixture
// velocity below 50 ft/s, tubing below 3.5 in., condensate below 50 bbl/MMscf
// and water below 5 bbl/MMscf. The acceleration part is neglected, as Gray
// neglects it. SI throughout: the groups are dimensionless.
#include <algorithm>
#include <cmath>

#include "common.hpp"

namespace flowmodel::classic {

namespace {

constexpr double kSmallestRoughness = 2.77e-5 * unit::kFoot;  // m: Gray's floor on the effective roughness, 2.77e-5 ft
constexpr double kFullyRoughRe = 1e7;                     // Gray takes the friction factor of fully turbulent flow

// The liquid holdup: HL = 1 - (1 - lambda)(1 - exp(A)), A = -2.314 [Nv (1 + 205/ND)]^B,
// B = 0.0814 [1 - 0.0554 ln(1 + 730 R/(R + 1))], R = vsl/vsg,
// Nv = rhon^2 vm^4 / (g sigma (rol - rog)), ND = g (rol - rog) d^2 / sigma.
double holdup(const Inputs& in, const Mixture& mx) {
    const double drho = in.rol - in.rog;
    const double nv = mx.rhon * mx.rhon * std::pow(mx.vm, 4) / (kG * in.sigma * drho);
    const double nd = kG * drho * in.diam * in.diam / in.sigma;
    const double r = in.usl / in.usg;
    const double b = 0.0814 * (1 - 0.0554 * std::log(1 + 730 * r / (r + 1)));
    const double a = -2.314 * std::pow(nv * (1 + 205 / nd), b);
    return 1 - (1 - mx.lambda) * (1 - std::exp(a));
}

// The effective roughness of the liquid film: 28.5 sigma / (rhon vm^2) where
// R >= 0.007, between it and the wall's below, not below 2.77e-5 ft.
double effective_roughness(const Inputs& in, const Mixture& mx) {
    const double film = 28.5 * in.sigma / (mx.rhon * mx.vm * mx.vm);
    const double r = in.usl / in.usg;
    const double k = r >= 0.007 ? film : in.rough + r * (film - in.rough) / 0.007;
    return std::max(k, kSmallestRoughness);
}

}  // namespace

PointAnswer gray(const Inputs& in) {
    const Mixture mx = mixture(in);
    PointAnswer a;
    if (single_phase(in, mx, a)) return a;
    a.pattern = Pattern::Mist;
    a.holdup = holdup(in, mx);
    const double rhos = in.rol * a.holdup + in.rog * (1 - a.holdup);
    const double f = moody(kFullyRoughRe, effective_roughness(in, mx) / in.diam);
    a.dpf = f * mx.rhon * mx.vm * mx.vm / (2 * in.diam);
    a.dpg = rhos * kG * mx.sine;
    a.dpt = a.dpf + a.dpg;
    a.dpa = 0;
    a.valid = std::isfinite(a.dpt);
    return a;
}

}  // namespace flowmodel::classic
