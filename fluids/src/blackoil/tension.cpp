// Interfacial tension of the gas against oil and against water (Baker and
// Swerdloff, Oil Gas J., 1955-1956), dyn/cm. Between the two temperatures of
// each correlation the tension is interpolated linearly from the lower
// temperature's value towards the higher's; outside them the nearer value
// holds, so the tension is continuous in temperature.
#include <algorithm>
#include <cmath>

#include "flowmodel/blackoil.hpp"

namespace flowmodel::blackoil {

namespace {

// v_lo at t_lo, v_hi at t_hi, linear between, held beyond.
double between(double t, double t_lo, double v_lo, double t_hi, double v_hi) {
    if (t <= t_lo) return v_lo;
    if (t >= t_hi) return v_hi;
    return v_lo + (t - t_lo) * (v_hi - v_lo) / (t_hi - t_lo);
}

}  // namespace

double gas_oil_tension(double p, double t, double api) {
    const double dead = between(t, 68, 39 - 0.2571 * api, 100, 37.5 - 0.2571 * api);
    return std::max(1.0, dead * (1 - 0.024 * std::pow(std::max(p, 0.0), 0.45)));
}

double gas_water_tension(double p, double t) {
    p = std::max(p, 0.0);
    const double s = between(t, 74, 75 - 1.108 * std::pow(p, 0.349), 280, 53 - 0.1048 * std::pow(p, 0.637));
    return std::max(1.0, s);
}

}  // namespace flowmodel::blackoil
