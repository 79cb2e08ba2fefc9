// Mukherjee & Brill: H. Mukherjee and J. P. Brill, "Liquid Holdup
// Correlations for Inclined Two-Phase Flow", J. Pet. Tech. 35 (May 1983)
// 1003-1008 (the holdup) and "Pressure Drop Correlations for Inclined
// Two-Phase Flow", J. Energy Res. Tech. 107 (Dec. 1985) 549-554 (the flow
// patterns and the gradient of each); as given by J. P. Brill and
// H. Mukherjee, "Multiphase Flow in Wells" (SPE Monograph 17, 1999), section 4.2.
// Fitted on air with kerosene and lube oil in a 1.5 in. steel pipe at -90 to
// +90 degrees. SI throughout: the groups are dimensionless. Horizontal and
// uphill the holdup is kept at or above the no-slip fraction (see below).
#include <algorithm>
#include <cmath>

#include "common.hpp"

namespace flowmodel::classic {

namespace {

// HL = exp[(c1 + c2 sin t + c3 sin^2 t + c4 NL^2) NGV^c5 / NLV^c6].
struct HoldupCoefficients {
    double c1, c2, c3, c4, c5, c6;
};
constexpr HoldupCoefficients kUphill{-0.380113, 0.129875, -0.119788, 2.343227, 0.475686, 0.288657};
constexpr HoldupCoefficients kDownhillStratified{-1.330282, 4.808139, 4.171584, 56.262268, 0.079951, 0.504887};
constexpr HoldupCoefficients kDownhillOther{-0.516644, 0.789805, 0.551627, 15.519214, 0.371771, 0.393952};

double holdup(const HoldupCoefficients& c, const VelocityNumbers& n, double sine) {
    const double e = (c.c1 + c.c2 * sine + c.c3 * sine * sine + c.c4 * n.nl * n.nl) * std::pow(n.ngv, c.c5) /
                     std::pow(n.nlv, c.c6);
    return std::min(std::exp(e), 1.0);
}

// The flow pattern from the transitions of the 1985 paper.
Pattern pattern_of(const VelocityNumbers& n, double sine, double angle) {
    const double ngv_sm = std::pow(10.0, 1.401 - 2.694 * n.nl + 0.521 * std::pow(n.nlv, 0.329));
    if (n.ngv > ngv_sm) return Pattern::AnnularMist;
    if (angle > 0) {
        const double x = std::log10(n.ngv) + 0.940 + 0.074 * sine - 0.855 * sine * sine + 3.695 * n.nl;
        return n.nlv > std::pow(10.0, x) ? Pattern::Bubble : Pattern::Slug;
    }
    const double lg = std::log10(n.ngv);
    const double nlv_st = std::pow(10.0, 0.321 - 0.017 * n.ngv - 4.267 * sine - 2.972 * n.nl - 0.033 * lg * lg -
                                             3.925 * sine * sine);
    if (n.nlv < nlv_st) return Pattern::Stratified;
    const double ll = std::log10(n.nlv);
    const double y = 0.431 - 3.003 * n.nl - 1.138 * ll * sine - 0.429 * ll * ll * sine + 1.132 * sine;
    return n.ngv < std::pow(10.0, y) ? Pattern::Bubble : Pattern::Slug;
}

// The annular friction-factor ratio fR against HR = lambda / HL (1985, Table 3),
// linear between the points, constant beyond them.
double annular_ratio(double hr) {
    static constexpr double kHr[] = {0.01, 0.20, 0.30, 0.40, 0.50, 0.70, 1.00, 10.0};
    static constexpr double kFr[] = {1.00, 0.98, 1.20, 1.25, 1.30, 1.25, 1.00, 1.00};
    if (hr <= kHr[0]) return kFr[0];
    for (int k = 1; k < 8; ++k) {
        if (hr <= kHr[k]) return kFr[k - 1] + (kFr[k] - kFr[k - 1]) * (hr - kHr[k - 1]) / (kHr[k] - kHr[k - 1]);
    }
    return kFr[7];
}

// The angle delta the liquid wets, from HL = (delta - sin delta) / (2 pi), by bisection.
double wetted_angle(double hl) {
    double lo = 0, hi = 2 * kPi;
    for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        ((mid - std::sin(mid)) / (2 * kPi) < hl ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// Stratified flow: the wall shear of each phase over its wetted perimeter,
// each phase's friction factor by Moody at its hydraulic diameter (1985, eqs. 14-19).
double stratified_friction(const Inputs& in, double hl) {
    const double d = in.diam, delta = wetted_angle(hl);
    const double dhl = d * (delta - std::sin(delta)) / (delta + 2 * std::sin(delta / 2));
    const double dhg = d * (2 * kPi - (delta - std::sin(delta))) / (2 * kPi - delta + 2 * std::sin(delta / 2));
    const double vl = in.usl / hl, vg = in.usg / (1 - hl);
    const double fl = moody(in.rol * vl * dhl / in.visl, in.rough / dhl);
    const double fg = moody(in.rog * vg * dhg / in.visg, in.rough / dhg);
    const double tau_l = fl * in.rol * vl * vl / 8, tau_g = fg * in.rog * vg * vg / 8;  // Pa
    const double area = kPi * d * d / 4;
    return (tau_l * delta * d / 2 + tau_g * (2 * kPi - delta) * d / 2) / area;
}

}  // namespace

PointAnswer mukherjee_brill(const Inputs& in) {
    const Mixture mx = mixture(in);
    PointAnswer a;
    if (single_phase(in, mx, a)) return a;
    const VelocityNumbers n = velocity_numbers(in);
    a.pattern = pattern_of(n, mx.sine, in.angle);
    // The uphill equation was fitted from horizontal up; downhill, stratified
    // flow has its own.
    const HoldupCoefficients& c = in.angle >= 0                        ? kUphill
                                  : a.pattern == Pattern::Stratified ? kDownhillStratified
                                                                     : kDownhillOther;
    // Horizontal and uphill, the liquid never runs faster than the gas: the
    // holdup not below the no-slip fraction. The equations, fitted at 1.5 in.,
    // fall towards zero at small NLV and would give a liquid velocity vsl/HL
    // without bound in the stratified momentum balance.
    a.holdup = holdup(c, n, mx.sine);
    if (in.angle >= 0) a.holdup = std::max(a.holdup, mx.lambda);
    const double hl = a.holdup;
    const double rhos = in.rol * hl + in.rog * (1 - hl);
    a.dpg = rhos * kG * mx.sine;
    if (a.pattern == Pattern::Stratified) {
        a.dpf = stratified_friction(in, std::clamp(hl, 1e-9, 1 - 1e-9));
        a.dpt = a.dpf + a.dpg;
        a.dpa = 0;
        a.valid = std::isfinite(a.dpt);
        return a;
    }
    double f = moody(mx.re, in.rough / in.diam);
    if (a.pattern == Pattern::AnnularMist) f *= annular_ratio(mx.lambda / hl);
    a.dpf = f * rhos * mx.vm * mx.vm / (2 * in.diam);
    close_with_acceleration(a, rhos * mx.vm * in.usg / in.pres);
    return a;
}

}  // namespace flowmodel::classic
