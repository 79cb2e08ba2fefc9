// Inflow performance relationships and their inverses.
#include "flowmodel/ipr.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace flowmodel::ipr {

namespace {

// Vogel's fraction of qmax at x = pwf / p, and its inverse.
double vogel(double x) { return 1 - 0.2 * x - 0.8 * x * x; }
double vogel_inverse(double fraction) { return (-0.2 + std::sqrt(0.04 + 3.2 * (1 - fraction))) / 1.6; }

}  // namespace

Inflow vogel_from_test(double pr, double q_test, double pwf_test) {
    Inflow in;
    in.kind = Kind::Vogel;
    in.pr = pr;
    in.qmax = q_test / vogel(pwf_test / pr);
    return in;
}

double rate(const Inflow& in, double p) {
    if (injects(in)) return p > in.pr ? in.j * (p - in.pr) : 0.0;
    if (!(p < in.pr)) return 0;
    p = std::max(p, 0.0);
    switch (in.kind) {
        case Kind::Linear: return in.j * (in.pr - p);
        case Kind::Vogel: return in.qmax * vogel(p / in.pr);
        case Kind::Composite:
            if (in.pr <= in.pb) return in.j * in.pr / 1.8 * vogel(p / in.pr);
            if (p >= in.pb) return in.j * (in.pr - p);
            return in.j * (in.pr - in.pb) + in.j * in.pb / 1.8 * vogel(p / in.pb);
        case Kind::Fetkovich: return in.c * std::pow(in.pr * in.pr - p * p, in.n);
        case Kind::Injectivity: break;
    }
    return 0;
}

double absolute_open_flow(const Inflow& in) {
    return injects(in) ? std::numeric_limits<double>::infinity() : rate(in, 0);
}

double pwf(const Inflow& in, double q) {
    if (q <= 0) return in.pr;
    if (injects(in)) return in.pr + q / in.j;
    if (q > absolute_open_flow(in) * (1 + 1e-12)) return std::numeric_limits<double>::quiet_NaN();
    switch (in.kind) {
        case Kind::Linear: return in.pr - q / in.j;
        case Kind::Vogel: return in.pr * vogel_inverse(q / in.qmax);
        case Kind::Composite: {
            if (in.pr <= in.pb) return in.pr * vogel_inverse(q / (in.j * in.pr / 1.8));
            const double qb = in.j * (in.pr - in.pb);
            if (q <= qb) return in.pr - q / in.j;
            return in.pb * vogel_inverse((q - qb) / (in.j * in.pb / 1.8));
        }
        case Kind::Fetkovich: return std::sqrt(std::max(0.0, in.pr * in.pr - std::pow(q / in.c, 1 / in.n)));
        case Kind::Injectivity: break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace flowmodel::ipr
