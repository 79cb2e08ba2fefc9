// The heat-transfer laws and the energy balance of the flowing mixture.
#include "flowmodel/heat.hpp"

#include "flowmodel/traverse.hpp"

#include <cmath>

namespace flowmodel {

namespace {
using constant::kPi;
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

double heat_conductance_per_length(const HeatTransfer& h, double diam) {
    const double r = 0.5 * diam;
    switch (h.law) {
        case HeatLaw::UValue: return 2 * kPi * r * h.u_value;
        case HeatLaw::Ramey: {
            // Two resistances in series per metre, K m/W: the completion,
            // 1 / (2 pi r U), and the formation, f(tD) / (2 pi k).
            const double td = h.diffusivity * h.producing_time / (h.hole_radius * h.hole_radius);
            const double completion = std::isinf(h.u_value) ? 0.0 : 1 / (2 * kPi * r * h.u_value);
            const double formation = ramey_time_function(td) / (2 * kPi * h.conductivity);
            const double total = completion + formation;
            return total > 0 ? 1 / total : 0.0;
        }
        default: return 0;
    }
}

double heat_loss_per_length(const HeatTransfer& h, double diam, double t, double t_surr) {
    if (h.law != HeatLaw::UValue && h.law != HeatLaw::Ramey) return 0;
    return heat_conductance_per_length(h, diam) * (t - t_surr);
}

double temperature_rate(const ThermalState& th, double heat_per_length, double angle_deg, double dpt, double dpa,
                        double volume_rate, double gravity) {
    const double m = th.mass_rate;
    const double potential = gravity * std::sin(angle_deg * kPi / 180.0);
    const double kinetic = dpa * volume_rate / m;
    return (-heat_per_length / m - potential - kinetic + th.dh_dp * dpt) / th.cp;
}

void approximate_temperatures(Line& line, const HeatTransfer& h, double mass_heat_capacity, double inlet_temp) {
    std::vector<LineNode>& n = line.nodes;
    if (n.empty()) return;
    const double k = heat_conductance_per_length(h, n.front().diam);  // W/(m K) (the inlet's diameter)
    const double a = k > 0 && mass_heat_capacity > 0 ? mass_heat_capacity / k : INFINITY;  // m
    // In flow order: from the inlet end.
    const long count = static_cast<long>(n.size());
    const long first = line.flow_decreasing ? count - 1 : 0, step = line.flow_decreasing ? -1 : 1;
    double surr_prev = n[static_cast<size_t>(first)].temp, y = inlet_temp - surr_prev;
    n[static_cast<size_t>(first)].temp = inlet_temp;
    for (long i = first + step; i >= 0 && i < count; i += step) {
        LineNode& node = n[static_cast<size_t>(i)];
        const double ds = std::fabs(node.md - n[static_cast<size_t>(i - step)].md);
        const double surr = node.temp, slope = ds > 0 ? (surr - surr_prev) / ds : 0.0;
        const double decay = std::isinf(a) ? 1.0 : std::exp(-ds / a);
        y = std::isinf(a) ? y - (surr - surr_prev) : y * decay - a * slope * (1 - decay);
        node.temp = surr + y;
        surr_prev = surr;
    }
}

}  // namespace flowmodel
