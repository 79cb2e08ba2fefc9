// Beggs & Brill: H. D. Beggs and J. P. Brill, "A Study of Two-Phase Flow in
// Inclined Pipes", J. Pet. Tech. 25 (May 1973) 607-617; the revised
// flow-pattern map with its transition zone as given by J. P. Brill and
// H. D. Beggs, "Two-Phase Flow in Pipes" (6th ed., U. of Tulsa, 1991) and by
// J. P. Brill and H. Mukherjee, "Multiphase Flow in Wells" (SPE Monograph 17,
// 1999), section 4.2; holdup factors of G. A. Payne, C. M. Palmer, J. P. Brill
// and H. D. Beggs, "Evaluation of Inclined-Pipe, Two-Phase Liquid Holdup and
// Pressure-Loss Correlations Using Experimental Data", J. Pet. Tech. 31 (Sept.
// 1979) 1198-1208 (uphill 0.924, downhill 0.685), or of C. M. Palmer (M.S.
// thesis, U. of Tulsa, 1975; uphill 0.918, downhill 0.541).
// Fitted on air and water in 1 and 1.5 in. acrylic pipe 90 ft long at -90 to
// +90 degrees, 35 to 95 psia. SI throughout: the groups are dimensionless.
#include <algorithm>
#include <cmath>

#include "common.hpp"

namespace flowmodel::classic {

namespace {

// Horizontal holdup HL(0) = a lambda^b / NFR^c of one pattern, not below lambda.
double horizontal_holdup(Pattern p, double lambda, double nfr) {
    double a = 1.065, b = 0.5824, c = 0.0609;  // distributed
    if (p == Pattern::Segregated) a = 0.98, b = 0.4846, c = 0.0868;
    if (p == Pattern::Intermittent) a = 0.845, b = 0.5351, c = 0.0173;
    return std::max(a * std::pow(lambda, b) / std::pow(nfr, c), lambda);
}

// The inclination factor psi = 1 + C (sin 1.8t - sin^3(1.8t)/3) with
// C = (1 - lambda) ln(e lambda^f NLV^g NFR^h), not below 0.
double inclination_factor(Pattern p, double lambda, double nlv, double nfr, double angle) {
    if (angle == 0) return 1.0;
    double e = 0, f = 0, g = 0, h = 0;
    if (angle < 0) {
        e = 4.70, f = -0.3692, g = 0.1244, h = -0.5056;
    } else if (p == Pattern::Segregated) {
        e = 0.011, f = -3.768, g = 3.539, h = -1.614;
    } else if (p == Pattern::Intermittent) {
        e = 2.96, f = 0.305, g = -0.4473, h = 0.0978;
    } else {
        return 1.0;  // distributed uphill: C = 0
    }
    const double c = std::max(0.0, (1 - lambda) * std::log(e * std::pow(lambda, f) * std::pow(nlv, g) * std::pow(nfr, h)));
    const double t = 1.8 * angle * kPi / 180.0;
    const double s = std::sin(t);
    return 1 + c * (s - 0.333 * s * s * s);
}

// The pattern of the revised map from lambda and the Froude number.
Pattern pattern_of(double lambda, double nfr) {
    const double l1 = 316 * std::pow(lambda, 0.302);
    const double l2 = 0.0009252 * std::pow(lambda, -2.4684);
    const double l3 = 0.10 * std::pow(lambda, -1.4516);
    const double l4 = 0.5 * std::pow(lambda, -6.738);
    if ((lambda < 0.01 && nfr < l1) || (lambda >= 0.01 && nfr < l2)) return Pattern::Segregated;
    if (lambda >= 0.01 && nfr <= l3) return Pattern::Transition;
    if ((lambda < 0.4 && nfr <= l1) || (lambda >= 0.4 && nfr <= l4)) {
        return lambda >= 0.01 ? Pattern::Intermittent : Pattern::Segregated;
    }
    return Pattern::Distributed;
}

// The holdup at the inclination for one pattern other than transition.
double inclined_holdup(Pattern p, double lambda, double nlv, double nfr, double angle) {
    return horizontal_holdup(p, lambda, nfr) * inclination_factor(p, lambda, nlv, nfr, angle);
}

// The ratio ftp/fn = e^S of the two-phase to the no-slip friction factor,
// y = lambda / HL^2.
double friction_ratio(double lambda, double holdup) {
    if (holdup <= 0) return 1.0;  // y infinite: S tends to 0
    const double y = lambda / (holdup * holdup);
    if (y > 1 && y < 1.2) return 2.2 * y - 1.2;  // e^S with S = ln(2.2 y - 1.2)
    const double x = std::log(y);
    const double s = x / (-0.0523 + 3.182 * x - 0.8725 * x * x + 0.01853 * x * x * x * x);
    return std::exp(s);
}

// The no-slip friction factor: Moody with the wall's roughness (revised), or
// the smooth-pipe curve of the 1973 paper, fn = 1/(2 log10(Re/(4.5223 log10 Re - 3.8215)))^2.
double no_slip_friction(const Inputs& in, const Mixture& mx, Method variant) {
    if (variant != Method::BeggsBrillOriginal) return moody(mx.re, in.rough / in.diam);
    const double lg = std::log10(mx.re);
    const double r = 2 * std::log10(mx.re / (4.5223 * lg - 3.8215));
    return 1 / (r * r);
}

}  // namespace

PointAnswer beggs_brill(const Inputs& in, Method variant) {
    const Mixture mx = mixture(in);
    PointAnswer a;
    if (single_phase(in, mx, a)) return a;
    const double nfr = mx.vm * mx.vm / (kG * in.diam);
    const double nlv = velocity_numbers(in).nlv;
    a.pattern = pattern_of(mx.lambda, nfr);
    double hl = 0;
    if (a.pattern == Pattern::Transition) {
        const double l2 = 0.0009252 * std::pow(mx.lambda, -2.4684);
        const double l3 = 0.10 * std::pow(mx.lambda, -1.4516);
        const double w = (l3 - nfr) / (l3 - l2);
        hl = w * inclined_holdup(Pattern::Segregated, mx.lambda, nlv, nfr, in.angle) +
             (1 - w) * inclined_holdup(Pattern::Intermittent, mx.lambda, nlv, nfr, in.angle);
    } else {
        hl = inclined_holdup(a.pattern, mx.lambda, nlv, nfr, in.angle);
    }
    if (variant == Method::BeggsBrill && in.angle != 0) hl *= in.angle > 0 ? 0.924 : 0.685;
    if (variant == Method::BeggsBrillPalmer && in.angle != 0) hl *= in.angle > 0 ? 0.918 : 0.541;
    // Downhill, a large C may turn psi negative: the holdup is kept a fraction.
    hl = std::clamp(hl, 0.0, 1.0);
    a.holdup = hl;
    const double rhos = in.rol * hl + in.rog * (1 - hl);
    const double f = no_slip_friction(in, mx, variant) * friction_ratio(mx.lambda, hl);
    a.dpf = f * mx.rhon * mx.vm * mx.vm / (2 * in.diam);
    a.dpg = rhos * kG * mx.sine;
    close_with_acceleration(a, rhos * mx.vm * in.usg / in.pres);
    return a;
}

}  // namespace flowmodel::classic
