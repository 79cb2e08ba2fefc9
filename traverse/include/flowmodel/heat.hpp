// Heat transfer between the flowing fluid and its surroundings (the rock
// around a well, the sea or soil around a line), and the energy balance that
// turns it into the fluid's temperature along the march.
//
// The surroundings' temperature is the line's own temperature (LineNode::temp)
// when heat transfer is on: the geothermal profile of a well or the ambient
// temperature of a line; the fluid's temperature is then marched, a second
// state of the same steps as the pressure.
#ifndef FLOWMODEL_HEAT_HPP
#define FLOWMODEL_HEAT_HPP

#include <limits>

#include "flowmodel/fluids.hpp"

namespace flowmodel {

struct Line;

enum class HeatLaw {
    Given,      // the temperature is the line's (constant, linear or a profile column): nothing is marched
    Adiabatic,  // no heat crosses the wall ("none")
    UValue,     // a steady overall coefficient per unit of inside wall area
    Ramey,      // transient conduction into the formation (Ramey 1962) in series with the completion's U
};
const char* heat_law_name(HeatLaw law);  // "given", "none", "u-value", "ramey"

struct HeatTransfer {
    HeatLaw law = HeatLaw::Given;
    // W/(m2 K) per unit of inside wall area: the pipe, its coating and the
    // film (u-value); with Ramey the completion's (tubing, annulus, casing,
    // cement), infinite for none.
    double u_value = std::numeric_limits<double>::infinity();
    // Ramey: how long the well has produced (s), the formation's conductivity
    // W/(m K) and diffusivity m2/s, and the radius of the hole (m), where the
    // completion meets the formation.
    double producing_time = 0, conductivity = 0, diffusivity = 0, hole_radius = 0;
    // The fluid's temperature where it enters the line, K.
    double inlet_temp = std::numeric_limits<double>::quiet_NaN();
    bool marched() const { return law != HeatLaw::Given; }
};

// Hasan & Kabir (1991, SPE 22866, "Heat transfer during two-phase flow in
// wellbores: Part I, formation temperature"), the dimensionless temperature
// of the formation at the hole for a constant heat flow, for all times:
// f = 1.1281 sqrt(tD) (1 - 0.3 sqrt(tD)) for tD <= 1.5,
// f = (0.4063 + 0.5 ln tD)(1 + 0.6 / tD) above, tD = alpha t / rw^2. At long
// times it is Ramey's (1962) 0.5 ln tD + 0.403, at short ones the plane
// conduction 2 sqrt(tD / pi).
double ramey_time_function(double td);

// The heat the fluid loses per metre of pipe of inner diameter `diam` (m)
// at fluid temperature t and surroundings t_surr (K), W/m; negative where it
// gains heat. Adiabatic and given: 0.
double heat_loss_per_length(const HeatTransfer& h, double diam, double t, double t_surr);

// The same per kelvin of the fluid over its surroundings, W/(m K): both laws
// are linear in the difference.
double heat_conductance_per_length(const HeatTransfer& h, double diam);

// Ramey's (1962) steady profile of the fluid's temperature along a line
// whose surroundings' temperature (the nodes' temp) is linear between
// nodes: from `inlet_temp` at the inlet, the difference to the
// surroundings relaxes over the length m cp / K (K the conductance per
// metre, `mass_heat_capacity` = m cp in W/K) and lags their slope by it:
// y(s + ds) = y e^{-ds/A} - A Ts' (1 - e^{-ds/A}). Friction and expansion
// are left out: a first guess, not the energy balance the march solves.
// Adiabatic (K = 0): the inlet's temperature throughout.
void approximate_temperatures(Line& line, const HeatTransfer& h, double mass_heat_capacity, double inlet_temp);

// dT/ds along the flow (K/m) from the steady energy balance of the mixture,
// dh/ds = -q/m - g sin(angle) - d(v^2/2)/ds with dh = cp dT + dh_dp dp:
//   cp dT/ds = -q/m - g sin(angle) - dpa (ql + qg) / m + dh_dp dpt,
// q the heat lost per metre (W/m), dpt the pressure gradient (Pa/m, dp/ds =
// -dpt), dpa its acceleration part, which for the mixture moving at its
// no-slip velocity is rho_ns v dv/ds, so the kinetic term is dpa / rho_ns.
// `gravity` is the one the gradient was computed with (method_gravity).
double temperature_rate(const ThermalState& th, double heat_per_length, double angle_deg, double dpt, double dpa,
                        double volume_rate, double gravity);

}  // namespace flowmodel

#endif
