// Gas: pseudo-critical point with impurities, compressibility factor by two
// independent methods, density and viscosity. Field units as the sources.
#include <cmath>

#include "flowmodel/blackoil.hpp"

namespace flowmodel::blackoil {

namespace {

// Critical points (°R, psia) and molar masses (kg/kmol) of the non-hydrocarbons
// (GPSA Engineering Data Book, physical constants).
constexpr double kTcN2 = 227.16, kPcN2 = 493.1, kMN2 = 28.0134;
constexpr double kTcCO2 = 547.58, kPcCO2 = 1071.0, kMCO2 = 44.0095;
constexpr double kTcH2S = 672.12, kPcH2S = 1300.0, kMH2S = 34.081;

// A root of f in [lo, hi] with f(lo) < 0 < f(hi): Newton's steps, replaced by
// bisection whenever one would leave the bracket. False after 100 steps.
template <class F>
bool bracketed_newton(F f, double lo, double hi, double x, double& root) {
    for (int i = 0; i < 100; ++i) {
        double df = 0;
        const double v = f(x, df);
        if (v == 0) {
            root = x;
            return true;
        }
        if (v < 0) {
            lo = x;
        } else {
            hi = x;
        }
        double next = x - v / df;
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        // Converged when the step, or the bracket, is down to the last bits of x.
        if (std::fabs(next - x) <= 4e-15 * std::fabs(x) || hi - lo <= 4e-15 * std::fabs(x)) {
            root = next;
            return std::isfinite(root);
        }
        x = next;
    }
    root = x;
    return false;
}

// The smallest positive root of f (the gas's density; larger roots are
// liquid-like), f(0) < 0: the first change of sign on a grid of `step` up to
// `limit` brackets it, and Newton's steps from x0 (the ideal gas) refine it.
template <class F>
bool first_root(F f, double step, double limit, double x0, double& root) {
    double lo = 0, hi = 0, dummy = 0;
    for (double x = step; x < limit; x += step) {
        if (f(x, dummy) > 0) {
            hi = x;
            break;
        }
        lo = x;
    }
    if (hi == 0) return false;
    if (!(x0 > lo && x0 < hi)) x0 = 0.5 * (lo + hi);
    return bracketed_newton(f, lo, hi, x0, root) && root > 0;
}

bool hall_yarborough(double tpr, double ppr, double& z, double* dz_dtpr) {
    const double t = 1.0 / tpr;
    const double e = std::exp(-1.2 * (1 - t) * (1 - t));
    const double a = 0.06125 * t * e;
    const double b = t * (14.76 - 9.76 * t + 4.58 * t * t);
    const double c = t * (90.7 - 242.2 * t + 42.4 * t * t);
    const double d = 2.18 + 2.82 * t;
    // F(y) = -a Ppr + (y + y² + y³ - y⁴)/(1 - y)³ - b y² + c y^d in the reduced density y.
    auto f = [&](double y, double& df) {
        const double m = 1 - y;
        const double yd = std::pow(y, d);
        df = (1 + 4 * y + 4 * y * y - 4 * y * y * y + y * y * y * y) / (m * m * m * m) - 2 * b * y +
             c * d * yd / y;
        return -a * ppr + (y + y * y + y * y * y - y * y * y * y) / (m * m * m) - b * y * y + c * yd;
    };
    double y = 0;
    if (!first_root(f, 0.02, 1.0, a * ppr, y)) return false;
    z = a * ppr / y;
    if (dz_dtpr) {
        // The root moves with t = 1/Tpr as dy/dt = -F_t / F_y (implicit differentiation).
        const double a_t = 0.06125 * e * (1 + 2.4 * t * (1 - t));
        const double b_t = 14.76 - 19.52 * t + 13.74 * t * t;
        const double c_t = 90.7 - 484.4 * t + 127.2 * t * t;
        const double yd = std::pow(y, d);
        const double f_t = -a_t * ppr - b_t * y * y + c_t * yd + c * yd * std::log(y) * 2.82;
        double f_y = 0;
        f(y, f_y);
        const double y_t = -f_t / f_y;
        const double z_t = ppr * (a_t * y - a * y_t) / (y * y);
        *dz_dtpr = -z_t * t * t;
    }
    return std::isfinite(z) && z > 0;
}

bool dranchuk_abou_kassem(double tpr, double ppr, double& z, double* dz_dtpr) {
    constexpr double A1 = 0.3265, A2 = -1.0700, A3 = -0.5339, A4 = 0.01569, A5 = -0.05165, A6 = 0.5475,
                     A7 = -0.7361, A8 = 0.1844, A9 = 0.1056, A10 = 0.6134, A11 = 0.7210;
    const double t = tpr;
    const double c1 = A1 + A2 / t + A3 / (t * t * t) + A4 / (t * t * t * t) + A5 / (t * t * t * t * t);
    const double c2 = A6 + A7 / t + A8 / (t * t);
    const double c3 = A9 * (A7 / t + A8 / (t * t));
    const double c4 = A10 / (t * t * t);
    const double target = 0.27 * ppr / tpr;  // rho_r Z
    // g(rho) = rho Z(rho) - 0.27 Ppr / Tpr in the reduced density rho.
    auto g = [&](double r, double& dg) {
        const double r2 = r * r, e = std::exp(-A11 * r2);
        dg = 1 + 2 * c1 * r + 3 * c2 * r2 - 6 * c3 * r2 * r2 * r +
             c4 * e * (3 * r2 + 3 * A11 * r2 * r2 - 2 * A11 * A11 * r2 * r2 * r2);
        return r + c1 * r2 + c2 * r2 * r - c3 * r2 * r2 * r2 + c4 * (r2 * r + A11 * r2 * r2 * r) * e - target;
    };
    double r = 0;
    if (!first_root(g, 0.05, 6.0, target, r)) return false;
    z = target / r;
    if (dz_dtpr) {
        // dr/dTpr = -g_T / g_r (implicit differentiation), with Z = target / r.
        const double t2 = t * t;
        const double c1_t = -A2 / t2 - 3 * A3 / (t2 * t2) - 4 * A4 / (t2 * t2 * t) - 5 * A5 / (t2 * t2 * t2);
        const double c2_t = -A7 / t2 - 2 * A8 / (t2 * t);
        const double c3_t = A9 * c2_t;
        const double c4_t = -3 * A10 / (t2 * t2);
        const double target_t = -target / t;
        const double r2 = r * r, e = std::exp(-A11 * r2);
        const double g_t = c1_t * r2 + c2_t * r2 * r - c3_t * r2 * r2 * r2 + c4_t * (r2 * r + A11 * r2 * r2 * r) * e -
                           target_t;
        double g_r = 0;
        g(r, g_r);
        const double r_t = -g_t / g_r;
        *dz_dtpr = (target_t * r - target * r_t) / r2;
    }
    return std::isfinite(z) && z > 0;
}

}  // namespace

PseudoCritical sutton(double g) { return {169.2 + 349.5 * g - 74.0 * g * g, 756.8 - 131.07 * g - 3.6 * g * g}; }

PseudoCritical wichert_aziz(PseudoCritical pc, double y_co2, double y_h2s) {
    const double a = y_co2 + y_h2s, b = y_h2s;
    if (a <= 0) return pc;
    const double e = 120 * (std::pow(a, 0.9) - std::pow(a, 1.6)) + 15 * (std::sqrt(b) - b * b * b * b);
    const double tpc = pc.tpc - e;
    return {tpc, pc.ppc * tpc / (pc.tpc + b * (1 - b) * e)};
}

double hydrocarbon_gravity(double gamma, double y_co2, double y_h2s, double y_n2) {
    const double y_hc = 1 - y_co2 - y_h2s - y_n2;
    const double m_inert = y_n2 * kMN2 + y_co2 * kMCO2 + y_h2s * kMH2S;
    return (gamma * kAirMolarMass - m_inert) / (y_hc * kAirMolarMass);
}

PseudoCritical gas_pseudo_critical(double gamma, double y_co2, double y_h2s, double y_n2) {
    const double y_hc = 1 - y_co2 - y_h2s - y_n2;
    PseudoCritical pc{0, 0};
    if (y_hc > 0) {
        const double gamma_hc = hydrocarbon_gravity(gamma, y_co2, y_h2s, y_n2);
        const PseudoCritical hc = sutton(gamma_hc);
        pc = {y_hc * hc.tpc, y_hc * hc.ppc};
    }
    pc.tpc += y_n2 * kTcN2 + y_co2 * kTcCO2 + y_h2s * kTcH2S;
    pc.ppc += y_n2 * kPcN2 + y_co2 * kPcCO2 + y_h2s * kPcH2S;
    return wichert_aziz(pc, y_co2, y_h2s);
}

bool z_factor(ZMethod method, double tpr, double ppr, double& z, double* dz_dtpr) {
    if (!(tpr > 0) || !(ppr >= 0) || !std::isfinite(tpr) || !std::isfinite(ppr)) return false;
    if (ppr == 0) {
        z = 1;
        if (dz_dtpr) *dz_dtpr = 0;
        return true;
    }
    return method == ZMethod::HallYarborough ? hall_yarborough(tpr, ppr, z, dz_dtpr)
                                             : dranchuk_abou_kassem(tpr, ppr, z, dz_dtpr);
}

double gas_density(double p_psia, double t_degF, double gamma, double z) {
    return p_psia * kAirMolarMass * gamma / (z * 10.7316 * (t_degF + 459.67));
}

double gas_viscosity(double t_degF, double rho_lbft3, double m) {
    const double t = t_degF + 459.67;                 // °R
    const double rho = rho_lbft3 / 62.427960576;     // g/cm3
    const double k = (9.4 + 0.02 * m) * std::pow(t, 1.5) / (209 + 19 * m + t);
    const double x = 3.5 + 986 / t + 0.01 * m;
    const double y = 2.4 - 0.2 * x;
    return 1e-4 * k * std::exp(x * std::pow(rho, y));
}

}  // namespace flowmodel::blackoil
