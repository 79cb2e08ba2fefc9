// The heat-transfer laws and the energy balance of the flowing mixture.
#include "flowmodel/heat.hpp"

#include <cmath>

namespace flowmodel {

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

const char* heat_law_name(HeatLaw law) {
    switch (law) {
        case HeatLaw::Adiabatic: return "none";
        case HeatLaw::UValue: return "u-value";
        case HeatLaw::Ramey: return "ramey";
        default: return "given";
    }
}

double ramey_time_function(double td) {
    if (!(td > 0)) return 0;
    if (td <= 1.5) {
        const double r = std::sqrt(td);
        return 1.1281 * r * (1 - 0.3 * r);
    }
    return (0.4063 + 0.5 * std::log(td)) * (1 + 0.6 / td);
}

double heat_loss_per_length(const HeatTransfer& h, double diam, double t, double t_surr) {
    const double r = 0.5 * diam;
    switch (h.law) {
        case HeatLaw::UValue: return 2 * kPi * r * h.u_value * (t - t_surr);
        case HeatLaw::Ramey: {
            // Two resistances in series per metre, K m/W: the completion,
            // 1 / (2 pi r U), and the formation, f(tD) / (2 pi k).
            const double td = h.diffusivity * h.producing_time / (h.hole_radius * h.hole_radius);
            const double completion = std::isinf(h.u_value) ? 0.0 : 1 / (2 * kPi * r * h.u_value);
            const double formation = ramey_time_function(td) / (2 * kPi * h.conductivity);
            const double total = completion + formation;
            return total > 0 ? (t - t_surr) / total : 0.0;
        }
        default: return 0;
    }
}

double temperature_rate(const ThermalState& th, double heat_per_length, double angle_deg, double dpt, double dpa,
                        double volume_rate, double gravity) {
    const double m = th.mass_rate;
    const double potential = gravity * std::sin(angle_deg * kPi / 180.0);
    const double kinetic = dpa * volume_rate / m;
    return (-heat_per_length / m - potential - kinetic + th.dh_dp * dpt) / th.cp;
}

}  // namespace flowmodel
