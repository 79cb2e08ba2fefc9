// The no-slip mixture, the dimensionless numbers, the friction factor and
// the single-phase answer shared by the classic methods.
#include <cmath>

#include "common.hpp"

namespace flowmodel::classic {

Mixture mixture(const Inputs& in) {
    Mixture m{};
    m.vm = in.usl + in.usg;
    m.lambda = m.vm > 0 ? in.usl / m.vm : 1.0;
    m.rhon = in.rol * m.lambda + in.rog * (1 - m.lambda);
    m.mun = in.visl * m.lambda + in.visg * (1 - m.lambda);
    m.re = m.rhon * m.vm * in.diam / m.mun;
    m.sine = std::sin(in.angle * kPi / 180.0);
    return m;
}

VelocityNumbers velocity_numbers(const Inputs& in) {
    const double scale = std::pow(in.rol / (kG * in.sigma), 0.25);  // s/m
    return {in.usl * scale, in.usg * scale, in.visl * std::pow(kG / (in.rol * in.sigma * in.sigma * in.sigma), 0.25)};
}

double moody(double re, double rel_rough) {
    if (re <= 0) return 0;
    if (re < 2000) return 64 / re;
    // Swamee & Jain (1976) as the start, then Newton on x = 1/sqrt(f):
    // g(x) = x + 2 log10(a + b x), a = e/(3.7 d), b = 2.51/Re.
    const double a = rel_rough / 3.7, b = 2.51 / re;
    double x = -2 * std::log10(a + 5.74 / std::pow(re, 0.9));
    for (int k = 0; k < 6; ++k) {
        const double inner = a + b * x;
        const double g = x + 2 * std::log10(inner);
        const double dg = 1 + 2 * b / (inner * std::log(10.0));
        const double step = g / dg;
        x -= step;
        if (std::fabs(step) < 1e-12 * x) break;
    }
    return 1 / (x * x);
}

bool proper(const Inputs& in) {
    const double v[] = {in.usl, in.usg, in.rol, in.rog, in.visl, in.visg, in.rough, in.sigma, in.diam, in.angle, in.pres};
    for (double x : v) {
        if (!std::isfinite(x)) return false;
    }
    return in.usl >= 0 && in.usg >= 0 && in.usl + in.usg > 0 && in.rol > 0 && in.rog > 0 && in.rol > in.rog &&
           in.visl > 0 && in.visg > 0 && in.rough >= 0 && in.sigma > 0 && in.diam > 0 && in.pres > 0 &&
           std::fabs(in.angle) <= 90;
}

void close_with_acceleration(PointAnswer& a, double ek) {
    if (!(ek < 1)) {
        a.valid = false;
        a.critical = true;
        return;
    }
    a.dpt = (a.dpf + a.dpg) / (1 - ek);
    a.dpa = a.dpt - a.dpf - a.dpg;
    a.valid = std::isfinite(a.dpt);
}

PointAnswer homogeneous(const Inputs& in, const Mixture& mx, Pattern pattern) {
    PointAnswer a;
    a.pattern = pattern;
    a.holdup = mx.lambda;
    const double f = moody(mx.re, in.rough / in.diam);
    a.dpf = f * mx.rhon * mx.vm * mx.vm / (2 * in.diam);
    a.dpg = mx.rhon * kG * mx.sine;
    close_with_acceleration(a, mx.rhon * mx.vm * in.usg / in.pres);
    return a;
}

bool single_phase(const Inputs& in, const Mixture& mx, PointAnswer& out) {
    if (in.usg > 0 && in.usl > 0) return false;
    out = homogeneous(in, mx, in.usg > 0 ? Pattern::Gas : Pattern::Liquid);
    return true;
}

}  // namespace flowmodel::classic
