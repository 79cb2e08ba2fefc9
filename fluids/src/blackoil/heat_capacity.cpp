// Specific heats of the black oil's phases.
#include <algorithm>
#include <cmath>

#include "flowmodel/blackoil.hpp"

namespace flowmodel::blackoil {

namespace {

struct Polynomial {
    double a, b, c, d;  // cp = a + b T + c T² + d T³, J/(mol K)
    double molar_mass;  // kg/kmol
};

// Reid, Prausnitz & Poling (1987), Appendix A.
constexpr Polynomial kPolynomials[] = {
    {19.25, 5.213e-2, 1.197e-5, -1.132e-8, 16.043},    // methane
    {5.409, 1.781e-1, -6.938e-5, 8.713e-9, 30.070},    // ethane
    {-4.224, 3.063e-1, -1.586e-4, 3.215e-8, 44.097},   // propane
    {31.15, -1.357e-2, 2.680e-5, -1.168e-8, 28.014},   // nitrogen
    {19.80, 7.344e-2, -5.602e-5, 1.715e-8, 44.010},    // carbon dioxide
    {31.94, 1.436e-3, 2.432e-5, -1.176e-8, 34.082},    // hydrogen sulfide
};

const Polynomial& polynomial(Component c) { return kPolynomials[static_cast<int>(c)]; }

}  // namespace

double solution_heat(double p_psia, double t, double gamma_g) {
    const double dlnpb_dt = 1.8 * 0.00091 * std::log(10.0) * (p_psia + 25.48) / p_psia;  // per K
    return kGasConstant / (kAirMolarMass * gamma_g) * t * t * dlnpb_dt;
}

double ideal_gas_heat_capacity(Component c, double t) {
    const Polynomial& p = polynomial(c);
    return p.a + t * (p.b + t * (p.c + t * p.d));
}

double oil_heat_capacity(double t_degF, double gamma_o) { return (0.388 + 0.00045 * t_degF) / std::sqrt(gamma_o); }

double water_heat_capacity() { return unit::kBtuPerLbF; }

double gas_heat_capacity(double t, double gamma, double y_co2, double y_h2s, double y_n2) {
    const double y_hc = 1 - y_co2 - y_h2s - y_n2;
    double cp = 0, mass = 0;  // J/(mol K) and kg/kmol of the mixture
    if (y_hc > 0) {
        // The hydrocarbon part as two neighbours of the paraffin series with
        // its molar mass, heavier than propane taken as propane per mole.
        const double m = kAirMolarMass * std::max(kLightestHydrocarbonGravity, hydrocarbon_gravity(gamma, y_co2, y_h2s, y_n2));
        const bool light = m <= polynomial(Component::Ethane).molar_mass;
        const Component lo = light ? Component::Methane : Component::Ethane;
        const Component hi = light ? Component::Ethane : Component::Propane;
        const double m_lo = polynomial(lo).molar_mass, m_hi = polynomial(hi).molar_mass;
        const double x = std::min(1.0, std::max(0.0, (m - m_lo) / (m_hi - m_lo)));  // mole fraction of the heavier
        cp += y_hc * ((1 - x) * ideal_gas_heat_capacity(lo, t) + x * ideal_gas_heat_capacity(hi, t));
        mass += y_hc * m;
    }
    const std::pair<Component, double> inert[] = {
        {Component::Nitrogen, y_n2}, {Component::CarbonDioxide, y_co2}, {Component::HydrogenSulfide, y_h2s}};
    for (const auto& [c, y] : inert) {
        cp += y * ideal_gas_heat_capacity(c, t);
        mass += y * polynomial(c).molar_mass;
    }
    return cp / mass * 1000;  // J/(mol K) / (g/mol) -> J/(kg K)
}

}  // namespace flowmodel::blackoil
