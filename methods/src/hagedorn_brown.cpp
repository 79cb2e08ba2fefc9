// Hagedorn & Brown: A. R. Hagedorn and K. E. Brown, "Experimental Study of
// Pressure Gradients Occurring During Continuous Two-Phase Flow in
// Small-Diameter Vertical Conduits", J. Pet. Tech. 17 (April 1965) 475-484;
// as modified in practice (J. P. Brill and H. Mukherjee, "Multiphase Flow in
// Wells", SPE Monograph 17, 1999, section 4.2): bubble flow by Griffith &
// Wallis below its boundary, and the no-slip holdup as a floor. The three
// charts of the paper (CNL against NL, HL/psi, psi) as the curve fits of
// B. Guo, W. C. Lyons and A. Ghalambor, "Petroleum Production Engineering"
// (Elsevier, 2007), section 4.3, quoted by B. Guo and G. Liu, "Applied
// Drilling Circulation Systems" (2011), eqs. 9.29-9.35, each held to the range
// of its chart. Griffith & Wallis (J. Heat Transfer 83, 1961, 307-320) in the
// form of J. Orkiszewski, J. Pet. Tech. (June 1967): bubble flow where
// vsg/vm < LB = 1.071 - 0.2218 vm^2/d (ft/s, ft), LB >= 0.13, with a slip
// velocity of 0.8 ft/s. Fitted on a 1,500 ft vertical well with 1 to 1.5 in.
// tubing, air with water and oils of 10 to 110 cp.
#include <algorithm>
#include <cmath>

#include "common.hpp"

namespace flowmodel::classic {

namespace {

constexpr double kFt = unit::kFoot;
constexpr double kAtmosphere = constant::kStandardAtmosphere;  // Pa: the pa of HB's pressure group
constexpr double kBubbleSlip = 0.8 * kFt; // m/s: Griffith's slip velocity

// CNL against NL (chart 1): CNL = 10^Y, Y a quartic in X1 = log10 NL + 3,
// NL held to the chart's 0.001 to 1.
double cnl(double nl) {
    const double x = std::clamp(std::log10(nl) + 3, 0.0, 3.0);
    const double y = -2.69851 + x * (0.15841 + x * (-0.55100 + x * (0.54785 - 0.12195 * x)));
    return std::pow(10.0, y);
}

// HL/psi against X2 = NLV p^0.1 CNL / (NGV^0.575 pa^0.1 ND) (chart 2): a
// quartic in t = log10 X2 + 6, within 0 and 1.
double holdup_over_psi(double x2) {
    const double t = std::clamp(std::log10(x2) + 6, 0.0, 4.5);
    const double v = -0.10307 + t * (0.61777 + t * (-0.63295 + t * (0.29598 - 0.0401 * t)));
    return std::clamp(v, 0.0, 1.0);
}

// psi against X3 = NGV NL^0.38 / ND^2.14 (chart 3): 1 up to 0.01, the
// quartic above it held to the chart's end at 0.09, never below 1.
double psi(double x3) {
    if (x3 <= 0.01) return 1.0;
    const double x = std::min(x3, 0.09);
    const double v = 0.91163 + x * (-4.82176 + x * (1232.25 + x * (-22253.6 + 116174.3 * x)));
    return std::max(v, 1.0);
}

// Griffith & Wallis bubble flow: the holdup, and the friction of the liquid
// alone at its in-situ velocity.
PointAnswer bubble(const Inputs& in, const Mixture& mx) {
    PointAnswer a;
    a.pattern = Pattern::GriffithBubble;
    const double r = mx.vm / kBubbleSlip;
    const double hg = 0.5 * (1 + r - std::sqrt((1 + r) * (1 + r) - 4 * in.usg / kBubbleSlip));
    a.holdup = 1 - hg;
    const double vl = in.usl / a.holdup;
    const double f = moody(in.rol * vl * in.diam / in.visl, in.rough / in.diam);
    a.dpf = f * in.rol * vl * vl / (2 * in.diam);
    const double rhos = in.rol * a.holdup + in.rog * hg;
    a.dpg = rhos * kG * mx.sine;
    close_with_acceleration(a, rhos * mx.vm * in.usg / in.pres);
    return a;
}

}  // namespace

PointAnswer hagedorn_brown(const Inputs& in) {
    const Mixture mx = mixture(in);
    PointAnswer a;
    if (single_phase(in, mx, a)) return a;
    const double vm_ft = mx.vm / kFt, d_ft = in.diam / kFt;
    const double lb = std::max(1.071 - 0.2218 * vm_ft * vm_ft / d_ft, 0.13);
    if (in.usg / mx.vm < lb) return bubble(in, mx);
    const VelocityNumbers n = velocity_numbers(in);
    const double nd = in.diam * std::sqrt(in.rol * kG / in.sigma);
    const double x2 = n.nlv * std::pow(in.pres / kAtmosphere, 0.1) * cnl(n.nl) / (std::pow(n.ngv, 0.575) * nd);
    const double x3 = n.ngv * std::pow(n.nl, 0.38) / std::pow(nd, 2.14);
    a.pattern = Pattern::NonBubble;
    a.holdup = std::min(std::max(holdup_over_psi(x2) * psi(x3), mx.lambda), 1.0);
    const double rhos = in.rol * a.holdup + in.rog * (1 - a.holdup);
    // The two-phase Reynolds number of the mass flux with mus = muL^HL mug^(1-HL).
    const double mus = std::pow(in.visl, a.holdup) * std::pow(in.visg, 1 - a.holdup);
    const double f = moody(mx.rhon * mx.vm * in.diam / mus, in.rough / in.diam);
    a.dpf = f * mx.rhon * mx.rhon * mx.vm * mx.vm / (2 * rhos * in.diam);
    a.dpg = rhos * kG * mx.sine;
    close_with_acceleration(a, rhos * mx.vm * in.usg / in.pres);
    return a;
}

}  // namespace flowmodel::classic
