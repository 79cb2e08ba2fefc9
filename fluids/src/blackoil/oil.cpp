// Oil: bubble point and dissolved gas, formation volume factor below and
// above the bubble point, viscosity dead, live and undersaturated, density.
// Field units as the sources: psia, °F, scf/STB, bbl/STB, cP, lb/ft³.
#include <cmath>

#include "flowmodel/blackoil.hpp"

namespace flowmodel::blackoil {

double oil_specific_gravity(double api) { return 141.5 / (131.5 + api); }

double standing_pb(double rs, double t_degF, double api, double gamma_g) {
    return 18.2 * (std::pow(rs / gamma_g, 0.83) * std::pow(10.0, 0.00091 * t_degF - 0.0125 * api) - 1.4);
}

double standing_rs(double p_psia, double t_degF, double api, double gamma_g) {
    const double base = (p_psia / 18.2 + 1.4) * std::pow(10.0, 0.0125 * api - 0.00091 * t_degF);
    return gamma_g * std::pow(base, 1.0 / 0.83);  // 1/0.83 = 1.2048, the inverse of standing_pb exactly
}

double standing_bo(double rs, double t_degF, double api, double gamma_g) {
    const double f = rs * std::sqrt(gamma_g / oil_specific_gravity(api)) + 1.25 * t_degF;
    return 0.9759 + 0.000120 * std::pow(f, 1.2);
}

double standing_bo_dt(double rs, double t_degF, double api, double gamma_g) {
    const double f = rs * std::sqrt(gamma_g / oil_specific_gravity(api)) + 1.25 * t_degF;
    return 0.000120 * 1.2 * std::pow(f, 0.2) * 1.25;
}

double vasquez_beggs_a(double rsb, double t_degF, double api, double gamma_g) {
    return (-1433 + 5 * rsb + 17.2 * t_degF - 1180 * gamma_g + 12.61 * api) * 1e-5;
}

double undersaturated_bo(double bob, double p_psia, double pb_psia, double a) {
    // dBo/dp = -co Bo with co = a/p: Bo = Bob exp(a ln(pb/p)).
    return bob * std::exp(a * std::log(pb_psia / p_psia));
}

double dead_oil_viscosity_beggs_robinson(double t_degF, double api) {
    const double x = std::pow(10.0, 3.0324 - 0.02023 * api) * std::pow(t_degF, -1.163);
    return std::pow(10.0, x) - 1;
}

double dead_oil_viscosity_glaso(double t_degF, double api) {
    const double a = 10.313 * std::log10(t_degF) - 36.447;
    return 3.141e10 * std::pow(t_degF, -3.444) * std::pow(std::log10(api), a);
}

double live_oil_viscosity_beggs_robinson(double mu_od, double rs) {
    const double a = 10.715 * std::pow(rs + 100, -0.515);
    const double b = 5.44 * std::pow(rs + 150, -0.338);
    return a * std::pow(mu_od, b);
}

double live_oil_viscosity_chew_connally(double mu_od, double rs) {
    const double a = 0.2 + 0.8 * std::pow(10.0, -0.00081 * rs);
    const double b = 0.43 + 0.57 * std::pow(10.0, -0.00072 * rs);
    return a * std::pow(mu_od, b);
}

double undersaturated_oil_viscosity(double mu_ob, double p_psia, double pb_psia) {
    const double m = 2.6 * std::pow(p_psia, 1.187) * std::exp(-11.513 - 8.98e-5 * p_psia);
    return mu_ob * std::pow(p_psia / pb_psia, m);
}

double gas_density_sc(double gamma) { return gas_density(14.696, 60.0, gamma, 1.0); }

double oil_density(double api, double gamma_g, double rs, double bo) {
    const double dissolved = gas_density_sc(gamma_g) * rs / kFt3PerBarrel;  // lb of gas per ft3 of stock-tank oil
    return (kWaterDensityScField * oil_specific_gravity(api) + dissolved) / bo;
}

}  // namespace flowmodel::blackoil
