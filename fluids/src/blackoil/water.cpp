// Water (brine): formation volume factor, density and viscosity (McCain,
// "Reservoir-Fluid Property Correlations: State of the Art", SPE Reservoir
// Engineering, 1991, and "The Properties of Petroleum Fluids", 1990). Gas
// dissolved in the water is taken as none: the produced gas is shared
// between the oil and the free gas only.
#include <algorithm>
#include <cmath>

#include "flowmodel/blackoil.hpp"

namespace flowmodel::blackoil {

double water_fvf(double p, double t) {
    const double dvt = -1.0001e-2 + 1.33391e-4 * t + 5.50654e-7 * t * t;
    const double dvp = -1.95301e-9 * p * t - 1.72834e-13 * p * p * t - 3.58922e-7 * p - 2.25341e-10 * p * p;
    return (1 + dvt) * (1 + dvp);
}

double water_fvf_dt(double p, double t) {
    const double dvt = -1.0001e-2 + 1.33391e-4 * t + 5.50654e-7 * t * t;
    const double dvp = -1.95301e-9 * p * t - 1.72834e-13 * p * p * t - 3.58922e-7 * p - 2.25341e-10 * p * p;
    const double dvt_dt = 1.33391e-4 + 2 * 5.50654e-7 * t;
    const double dvp_dt = -1.95301e-9 * p - 1.72834e-13 * p * p;
    return dvt_dt * (1 + dvp) + (1 + dvt) * dvp_dt;
}

double brine_density_sc(double s) { return 62.368 + 0.438603 * s + 1.60074e-3 * s * s; }

double salinity_from_gravity(double gamma_w) {
    // The positive root of brine_density_sc(S) = 62.368 gamma_w; fresh water below gravity 1.
    const double a = 1.60074e-3, b = 0.438603, c = 62.368 * (gamma_w - 1);
    if (c <= 0) return 0;
    return (-b + std::sqrt(b * b + 4 * a * c)) / (2 * a);
}

double water_viscosity(double p, double t, double s) {
    const double a = 109.574 - 8.40564 * s + 0.313314 * s * s + 8.72213e-3 * s * s * s;
    const double b = 1.12166 - 2.63951e-2 * s + 6.79461e-4 * s * s + 5.47119e-5 * s * s * s - 1.55586e-6 * s * s * s * s;
    const double mu1 = a * std::pow(t, -b);
    return mu1 * (0.9994 + 4.0295e-5 * p + 3.1062e-9 * p * p);
}

}  // namespace flowmodel::blackoil
