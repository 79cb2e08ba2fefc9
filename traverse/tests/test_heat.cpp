// Heat transfer: the marched temperature against the closed forms it must
// reduce to (Ramey's relaxation toward the geothermal line, the exponential
// approach to ambient along a line, adiabatic liquid and gas), the gas's
// Joule-Thomson effect against a finite difference of its Z factor, the
// sources' own values of the specific heats and the time function, and the
// requests that heat transfer refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "flowmodel/option_error.hpp"
#include "flowmodel/blackoil.hpp"
#include "flowmodel/heat.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Water at 0.2 m/s in a 0.1 m pipe: slow enough that its friction heats it
// by little, though the closed forms below carry that heating too.
ConstantLiquidRealGas water() {
    ConstantLiquidRealGas f;
    f.liquid_rate = 1000 * 0.2 * kPi * 0.01 / 4;  // kg/s
    f.gas_rate = 0;
    f.rol = 1000;
    f.visl = 1e-3;
    f.cpl = 4186.8;
    return f;
}

// A straight line of length L rising at `angle` degrees from md 0, where
// the fluid enters; the surroundings' temperature linear from t0 to t1.
Line pipe(double length, double angle, double t0, double t1) {
    return straight_line(length, angle, 0.1, 0.0, t0, t1);
}

TraverseOptions heated(HeatLaw law, double inlet_temp, double u_value) {
    TraverseOptions opt;
    opt.pres = 400e5;
    opt.heat.law = law;
    opt.heat.inlet_temp = inlet_temp;
    opt.heat.u_value = u_value;
    return opt;
}

// The relaxation length m cp / (2 pi r U_overall), m.
double relaxation(const ConstantLiquidRealGas& f, double per_metre_resistance) {
    return f.liquid_rate * f.cpl * per_metre_resistance;
}

// dT/ds = -(T - Te)/A + c along the flow, Te = T0 - G s, T(0) = Tin: with
// theta = T - Te, theta(s) = theta0 e^(-s/A) + (G + c) A (1 - e^(-s/A)).
double closed_form(double s, double t_in, double t0, double gradient, double a, double c) {
    const double e = std::exp(-s / a);
    return t0 - gradient * s + (t_in - t0) * e + (gradient + c) * a * (1 - e);
}

// Friction heating of a liquid, K/m: its friction loss over rho cp.
double friction_heating(const TraverseResult& r, double length, const ConstantLiquidRealGas& f) {
    return r.summary.dp_friction / length / (f.rol * f.cpl);
}

TEST(Heat, VerticalLiquidWellFollowsRameysRelaxationTowardTheGeothermalLine) {
    // 3000 m vertical, the fluid entering at the bottom at the rock's 120 degC,
    // the geothermal gradient 0.03 K/m; U = 20 W/m2/K per inside area.
    const ConstantLiquidRealGas f = water();
    const double length = 3000, t_bottom = 393.15, gradient = 0.03;
    const Line line = pipe(length, 90, t_bottom, t_bottom - gradient * length);
    const TraverseResult r = traverse(line, f, heated(HeatLaw::UValue, t_bottom, 20));
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    const double a = relaxation(f, 1 / (2 * kPi * 0.05 * 20));
    const double c = friction_heating(r, length, f);
    EXPECT_LT(c * a, 0.01);  // the heating is small beside the relaxation, as in Ramey's wells
    for (const TraversePoint& p : r.points) {
        EXPECT_NEAR(p.temp, closed_form(p.md, t_bottom, t_bottom, gradient, a, c), 0.01) << "md " << p.md;
    }
    // Far above the bottom the fluid runs hotter than the rock by G A.
    EXPECT_NEAR(r.summary.outlet_temp - line.nodes.back().temp, (gradient + c) * a * (1 - std::exp(-length / a)), 0.01);
}

// The same well described as users write it: a profile whose tsurr column
// gives the surroundings (here the same geothermal line, written as the
// well is listed, from the wellhead down), read through the request, the
// fluid entering at the bottom: the closed form again.
TEST(Heat, AProfilesTsurrColumnGivesTheSurroundingsOfTheClosedForm) {
    const double length = 3000, t_bottom = 393.15, gradient = 0.03;
    const std::string profile = ::testing::TempDir() + "/tsurr-well.csv";
    {
        std::ofstream out(profile);
        out << "md (m),z (m),tsurr (K)\n";
        for (int md = 0; md <= 3000; md += 250) out << md << "," << -md << "," << t_bottom - gradient * (length - md) << "\n";
    }
    TraverseRequest req;
    req.profile = profile;
    req.flow_decreasing = true;
    const ConstantLiquidRealGas f = water();
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"diam", "0.1"}, {"rough", "0"}, {"liquid-rate", std::to_string(f.liquid_rate)}, {"gas-rate", "0"},
             {"rol", "1000"}, {"visl", "1e-3"}, {"sigma", "0.07"}, {"gas-molar-mass", "18"}, {"visg", "1e-5"},
             {"cpl", "4186.8"}, {"cpg", "2000"}, {"inlet-pres", "400bar"}, {"heat", "u-value"}, {"u-value", "20"},
             {"temp-in", "393.15K"}}) {
        set_option(req, k, v);
    }
    const TraverseSetup s = setup_traverse(req);
    const TraverseResult r = traverse(s);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    const double a = relaxation(f, 1 / (2 * kPi * 0.05 * 20));
    const double c = friction_heating(r, length, f);
    for (const TraversePoint& p : r.points) {
        const double from_inlet = length - p.md;  // the flow runs up from md 3000
        EXPECT_NEAR(p.tsurr, t_bottom - gradient * from_inlet, 1e-9) << "md " << p.md;
        EXPECT_NEAR(p.temp, closed_form(from_inlet, t_bottom, t_bottom, gradient, a, c), 0.01) << "md " << p.md;
    }
}

TEST(Heat, RameysFormationResistanceInSeriesWithTheCompletion) {
    // The same well after 30 days: the rock's transient resistance
    // f(tD) / (2 pi k) with k 2.4 W/m/K, alpha 1e-6 m2/s, an 8.5 in. hole.
    const ConstantLiquidRealGas f = water();
    const double length = 3000, t_bottom = 393.15, gradient = 0.03;
    const Line line = pipe(length, 90, t_bottom, t_bottom - gradient * length);
    TraverseOptions opt = heated(HeatLaw::Ramey, t_bottom, 20);
    opt.heat.producing_time = 30 * 86400.0;
    opt.heat.conductivity = 2.4;
    opt.heat.diffusivity = 1e-6;
    opt.heat.hole_radius = 0.5 * 8.5 * 0.0254;
    const TraverseResult r = traverse(line, f, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    const double td = 1e-6 * 30 * 86400.0 / (opt.heat.hole_radius * opt.heat.hole_radius);
    const double resistance = 1 / (2 * kPi * 0.05 * 20) + ramey_time_function(td) / (2 * kPi * 2.4);
    const double a = relaxation(f, resistance);
    const double c = friction_heating(r, length, f);
    for (const TraversePoint& p : r.points) {
        EXPECT_NEAR(p.temp, closed_form(p.md, t_bottom, t_bottom, gradient, a, c), 0.01) << "md " << p.md;
    }
    // The heat lost is what the fluid's enthalpy gives up, less the friction's work.
    const double enthalpy = f.liquid_rate * f.cpl * (r.summary.inlet_temp - r.summary.outlet_temp);
    EXPECT_NEAR(r.summary.heat_lost, enthalpy + f.liquid_rate * r.summary.dp_friction / f.rol, 1e-4 * enthalpy);
}

TEST(Heat, HorizontalLiquidLineApproachesAmbientExponentially) {
    const ConstantLiquidRealGas f = water();
    const double length = 5000, ambient = 277.15, t_in = 343.15, u = 5;
    const TraverseResult r = traverse(pipe(length, 0, ambient, ambient), f, heated(HeatLaw::UValue, t_in, u));
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    const double a = relaxation(f, 1 / (kPi * 0.1 * u));
    const double c = friction_heating(r, length, f);
    for (const TraversePoint& p : r.points) {
        EXPECT_NEAR(p.temp, closed_form(p.md, t_in, ambient, 0, a, c), 0.01) << "md " << p.md;
        EXPECT_NEAR(p.heat_flux, u * (p.temp - ambient), 1e-9 * u * (t_in - ambient));
        EXPECT_EQ(p.tsurr, ambient);
    }
}

TEST(Heat, AdiabaticLiquidKeepsItsTemperatureButForItsFrictionHeat) {
    // Up a well, down a well and along a line: without friction the liquid's
    // temperature would not move (its gravity work and pressure change cancel);
    // it rises by exactly its friction loss over rho cp.
    const ConstantLiquidRealGas f = water();
    for (double angle : {90.0, -60.0, 0.0}) {
        const TraverseResult r = traverse(pipe(2000, angle, 300, 300), f, heated(HeatLaw::Adiabatic, 330, 0));
        ASSERT_TRUE(r.summary.complete) << r.summary.message;
        const double rise = r.summary.outlet_temp - r.summary.inlet_temp;
        EXPECT_NEAR(rise, r.summary.dp_friction / (f.rol * f.cpl), 1e-7) << "angle " << angle;
        EXPECT_GT(rise, 0);
        EXPECT_EQ(r.summary.heat_lost, 0);
    }
}

TEST(Heat, AdiabaticIdealGasKeepsItsEnthalpyAndKineticEnergy) {
    // Air as an ideal gas (constant Z) along a level line: cp T + v^2/2 holds.
    ConstantLiquidRealGas air;
    air.liquid_rate = 0;
    air.gas_rate = 2.0;
    air.molar_mass = 28.97;
    air.z = 1;
    air.visg = 1.8e-5;
    air.cpg = 1006;
    TraverseOptions opt = heated(HeatLaw::Adiabatic, 300, 0);
    opt.pres = 20e5;
    const TraverseResult r = traverse(pipe(2000, 0, 300, 300), air, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    const TraversePoint& in = r.points.front();
    const TraversePoint& out = r.points.back();
    EXPECT_GT(out.usg, in.usg * 1.05);  // the gas speeds up as it expands
    const double energy = air.cpg * (out.temp - in.temp) + 0.5 * (out.usg * out.usg - in.usg * in.usg);
    EXPECT_NEAR(energy, 0, 0.02 * 0.5 * (out.usg * out.usg - in.usg * in.usg) + 1e-6);
}

// A dry gas of gravity 0.65 through the black oil's correlations.
blackoil::BlackOil dry_gas(double rate_sm3_s) {
    blackoil::BlackOilInputs in;
    in.gas_gravity = 0.65;
    in.oil_rate = 0;
    in.water_rate = 0;
    in.gas_rate = rate_sm3_s;
    return blackoil::BlackOil(in);
}

TEST(Heat, RealGasCoolsByTheJouleThomsonCoefficientOfItsZFactor) {
    // A short level line of gas at 100 bar and 320 K, insulated: the
    // temperature falls with the pressure at mu_JT = R T^2 (dZ/dT)_p / (p M cp).
    const blackoil::BlackOil gas = dry_gas(2.0);
    TraverseOptions opt = heated(HeatLaw::Adiabatic, 320, 0);
    opt.pres = 100e5;
    const TraverseResult r = traverse(straight_line(500, 0, 0.1, 0, 320, 320), gas, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    const double dp = r.summary.dp_total, dt = r.summary.inlet_temp - r.summary.outlet_temp;
    EXPECT_GT(dt, 0);  // it cools
    // The finite-difference derivative of Z at the line's mean state.
    const double p = opt.pres - 0.5 * dp, t = 320 - 0.5 * dt;
    const blackoil::PseudoCritical pc = blackoil::gas_pseudo_critical(0.65, 0, 0, 0);
    const double tpc = pc.tpc / 1.8, ppr = p / blackoil::kPsi / pc.ppc, h = 1e-4;
    double z_hi = 0, z_lo = 0;
    ASSERT_TRUE(blackoil::z_factor(blackoil::ZMethod::HallYarborough, (t + h) / tpc, ppr, z_hi));
    ASSERT_TRUE(blackoil::z_factor(blackoil::ZMethod::HallYarborough, (t - h) / tpc, ppr, z_lo));
    const double dz_dt = (z_hi - z_lo) / (2 * h);
    const double cp = blackoil::gas_heat_capacity(t, 0.65, 0, 0, 0);
    const double mu_jt = kGasConstant * t * t * dz_dt / (p * 28.97 * 0.65 * cp);  // K/Pa
    EXPECT_GT(mu_jt * 1e5, 0.3);  // about half a kelvin per bar, as natural gas at these conditions
    EXPECT_NEAR(dt / dp, mu_jt, 0.02 * mu_jt);
}

TEST(Heat, ZFactorTemperatureDerivativeMatchesAFiniteDifference) {
    for (blackoil::ZMethod m : {blackoil::ZMethod::HallYarborough, blackoil::ZMethod::DranchukAbouKassem}) {
        for (double tpr : {1.2, 1.5, 2.0, 2.8}) {
            for (double ppr : {0.5, 2.0, 5.0, 10.0}) {
                double z = 0, dz = 0, z_hi = 0, z_lo = 0;
                ASSERT_TRUE(blackoil::z_factor(m, tpr, ppr, z, &dz));
                ASSERT_TRUE(blackoil::z_factor(m, tpr + 1e-5, ppr, z_hi));
                ASSERT_TRUE(blackoil::z_factor(m, tpr - 1e-5, ppr, z_lo));
                EXPECT_NEAR(dz, (z_hi - z_lo) / 2e-5, 1e-5) << "Tpr " << tpr << " Ppr " << ppr;
            }
        }
    }
}

TEST(Heat, SpecificHeatsReproduceTheirSourcesValues) {
    // Ideal-gas heat capacities at 298.15 K, J/(mol K), as the JANAF tables
    // give them, which the polynomials of Reid, Prausnitz & Poling were fitted to.
    using blackoil::Component;
    const std::map<Component, double> janaf = {{Component::Methane, 35.69},      {Component::Ethane, 52.49},
                                               {Component::Propane, 73.60},      {Component::Nitrogen, 29.12},
                                               {Component::CarbonDioxide, 37.12}, {Component::HydrogenSulfide, 34.23}};
    for (const auto& [c, cp] : janaf) EXPECT_NEAR(blackoil::ideal_gas_heat_capacity(c, 298.15), cp, 0.01 * cp);
    // Gambill: a 0.85 oil at 100 degF, (0.388 + 0.045) / sqrt(0.85) = 0.4697 Btu/(lb degF).
    EXPECT_NEAR(blackoil::oil_heat_capacity(100, 0.85), 0.4697, 5e-5);
    // A methane gas is methane per kilogram; a heavier gas has less per kilogram.
    const double methane = blackoil::gas_heat_capacity(298.15, 16.043 / 28.97, 0, 0, 0);
    EXPECT_NEAR(methane, 35.69 / 16.043 * 1000, 0.01 * 2225);
    EXPECT_LT(blackoil::gas_heat_capacity(298.15, 0.8, 0, 0, 0), methane);
}

TEST(Heat, SolutionHeatAndThermalExpansionFollowTheirCorrelations) {
    // The heat of solution is the van 't Hoff slope of Standing's bubble point
    // at a constant dissolved gas: L M / (R T^2) = d ln pb / dT.
    for (double rs : {100.0, 600.0}) {
        const double t_f = 200, h = 1e-3;
        const double pb = blackoil::standing_pb(rs, t_f, 35, 0.65);
        const double dlnpb_dt = 1.8 * (std::log(blackoil::standing_pb(rs, t_f + h, 35, 0.65)) -
                                       std::log(blackoil::standing_pb(rs, t_f - h, 35, 0.65))) / (2 * h);
        const double t = (t_f + 459.67) / 1.8;
        const double l = blackoil::solution_heat(pb, t, 0.65);
        EXPECT_NEAR(l * 28.97 * 0.65 / (kGasConstant * t * t), dlnpb_dt, 1e-7 * dlnpb_dt) << "Rs " << rs;
        EXPECT_GT(l, 1e5);  // of the order of 100 kJ per kg of gas
        EXPECT_LT(l, 3e5);
    }
    // Thermal expansion: the derivatives of the volume factors in temperature.
    const double h = 1e-3;
    EXPECT_NEAR(blackoil::standing_bo_dt(500, 180, 35, 0.65),
                (blackoil::standing_bo(500, 180 + h, 35, 0.65) - blackoil::standing_bo(500, 180 - h, 35, 0.65)) / (2 * h),
                1e-9);
    EXPECT_NEAR(blackoil::water_fvf_dt(3000, 180),
                (blackoil::water_fvf(3000, 180 + h) - blackoil::water_fvf(3000, 180 - h)) / (2 * h), 1e-9);
}

TEST(Heat, AnAdiabaticOilColumnCoolsAsItsGasComesOutAndItExpands) {
    // A saturated black oil flowing up a vertical well with no heat lost:
    // its gas leaving solution and its own expansion cool it, though friction heats it.
    blackoil::BlackOilInputs in;
    in.api = 35;
    in.gas_gravity = 0.65;
    in.oil_rate = 1000 * 0.158987294928 / 86400;
    in.gas_rate = in.oil_rate * 600 * 0.028316846592 / 0.158987294928;
    const blackoil::BlackOil oil(in);
    TraverseOptions opt = heated(HeatLaw::Adiabatic, 355, 0);
    opt.pres = 100e5;  // below the bubble point of 600 scf/STB at 180 degF
    const TraverseResult r = traverse(straight_line(1500, 90, 0.062, 1.5e-5, 355, 355), oil, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    EXPECT_LT(r.summary.outlet_temp, r.summary.inlet_temp - 1.0);
    // Its specific heat counts the gas that warming drives out of the oil.
    const ThermalState th = oil.thermal(100e5, 355);
    const blackoil::BlackOilState s = oil.state(100e5, 355);
    const double m_oil = s.q_oil * s.rho_oil, m_gas = s.q_gas * s.rho_gas;
    const double sensible = (m_oil * blackoil::oil_heat_capacity(179.33, blackoil::oil_specific_gravity(35)) * 4186.8 +
                             m_gas * blackoil::gas_heat_capacity(355, 0.65, 0, 0, 0)) / (m_oil + m_gas);
    EXPECT_GT(th.cp, sensible * 1.01);
}

TEST(Heat, HasanKabirTimeFunctionHasBothOfItsLimits) {
    // Long times: Ramey's 0.5 ln tD + 0.403; short: plane conduction 2 sqrt(tD / pi).
    for (double td : {1e3, 1e4, 1e5}) EXPECT_NEAR(ramey_time_function(td), 0.5 * std::log(td) + 0.403, 0.006);
    for (double td : {1e-6, 1e-4}) EXPECT_NEAR(ramey_time_function(td), 2 * std::sqrt(td / kPi), 5e-3 * std::sqrt(td));
    // Both branches meet near tD = 1.5 within the fit's few per cent.
    EXPECT_NEAR(ramey_time_function(1.5), ramey_time_function(1.5000001), 0.03);
}

TEST(Heat, AgainstTheFlowTheInletPressureIsFoundSoThatTheMarchMeetsTheOutlet) {
    // A black-oil well from its wellhead pressure, the reservoir's temperature
    // at the bottom: the same as marching up from the inlet pressure found.
    TraverseRequest req;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"length", "2500"}, {"angle", "-90"}, {"diam", "2.441in"}, {"rough", "0.0006in"},
             {"outlet-pres", "15bar"}, {"heat", "ramey"}, {"producing-time", "30d"}, {"hole-diam", "8.5in"},
             {"geothermal", "15degC, 3degC/100m"}, {"api", "35"}, {"gas-gravity", "0.65"},
             {"water-gravity", "1.05"}, {"oil-rate", "150 Sm3/d"}, {"water-rate", "50 Sm3/d"}, {"gor", "100 Sm3/Sm3"}}) {
        set_option(req, k, v);
    }
    req.flow_decreasing = true;
    const TraverseSetup s = setup_traverse(req);
    EXPECT_NEAR(s.options.heat.inlet_temp, 288.15 + 75, 1e-9);  // the rock's at the bottom, 2500 m down
    const TraverseResult up = traverse(s);
    ASSERT_TRUE(up.summary.complete) << up.summary.message;
    // Met within tol per step of the march (the accuracy of its far end), the miss stated.
    EXPECT_NEAR(up.summary.outlet_pres, 15e5, s.options.tol * static_cast<double>(up.summary.steps));
    EXPECT_EQ(up.summary.outlet_miss, std::fabs(up.summary.outlet_pres - 15e5));
    EXPECT_NEAR(up.points.front().md, 0, 1e-9);  // the outlet first, as marched against the flow
    TraverseOptions from_inlet = s.options;
    from_inlet.from_outlet = false;
    from_inlet.pres = up.summary.inlet_pres;
    const TraverseResult check = traverse(s.line, s.fluid(), from_inlet);
    EXPECT_EQ(check.summary.outlet_pres, up.summary.outlet_pres);  // the same march
    EXPECT_NEAR(check.summary.outlet_temp, up.summary.outlet_temp, 1e-9);
    EXPECT_GT(up.summary.outlet_temp, 288.15 + 10);  // the wellhead far warmer than the surface rock
    EXPECT_LT(up.summary.outlet_temp, up.summary.inlet_temp);
    // More pressure than the line may hold: refused as without heat transfer.
    TraverseOptions low_cap = s.options;
    low_cap.max_pres = 50e5;
    const TraverseResult capped = traverse(s.line, s.fluid(), low_cap);
    EXPECT_FALSE(capped.summary.complete);
    EXPECT_EQ(capped.summary.stop_reason, StopReason::MaxPressure);
}

TEST(Heat, LiftGasMixesInAtTheRocksTemperatureAndTheLiftedWellMeetsItsWellhead) {
    TraverseRequest req;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"length", "2500"}, {"angle", "-90"}, {"diam", "2.441in"}, {"rough", "0.0006in"},
             {"outlet-pres", "15bar"}, {"heat", "ramey"}, {"producing-time", "30d"}, {"hole-diam", "8.5in"},
             {"geothermal", "15degC, 3degC/100m"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.05"},
             {"oil-rate", "150 Sm3/d"}, {"water-rate", "50 Sm3/d"}, {"gor", "50 Sm3/Sm3"}, {"lift-gas-rate", "20000 Sm3/d"},
             {"injection-depth", "1800"}}) {
        set_option(req, k, v);
    }
    req.flow_decreasing = true;
    const TraverseSetup s = setup_traverse(req);
    const TraverseResult r = traverse(s);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    EXPECT_NEAR(r.summary.outlet_pres, 15e5, s.options.tol * static_cast<double>(r.summary.steps));
    EXPECT_NEAR(r.summary.inlet_temp, 288.15 + 75, 1e-9);
    // At the injection point (two points at md 1800: below, then above it as
    // listed from the wellhead down) the gas, at the rock's 69 degC, cools the
    // hotter well stream to between the two.
    const TraversePoint* above = nullptr;
    const TraversePoint* below = nullptr;
    for (const TraversePoint& p : r.points) {
        if (std::fabs(p.md - 1800) > 1e-6) continue;
        (above ? below : above) = &p;
    }
    ASSERT_TRUE(above && below);
    const double rock = 288.15 + 0.03 * 1800;
    EXPECT_GT(below->temp, rock);
    EXPECT_LT(above->temp, below->temp);
    EXPECT_GT(above->temp, rock);
    EXPECT_NEAR(above->pres, below->pres, 1e-6 * below->pres);
    // The enthalpy balance of the mixing: what the well stream gives up the
    // lift gas (at the rock's temperature, its own specific heat) takes up.
    const blackoil::BlackOil produced(s.black_oil()->inputs());
    const blackoil::BlackOil lifted(with_lift_gas(s.black_oil()->inputs(), *s.lift));
    const double m_fluid = produced.standard_mass_rate(), m_gas = lifted.standard_mass_rate() - m_fluid;
    const double cp_fluid = produced.thermal(below->pres, below->temp).cp;
    const double cp_gas = blackoil::gas_heat_capacity(rock, s.black_oil()->inputs().gas_gravity, 0, 0, 0);
    EXPECT_NEAR(m_fluid * cp_fluid * (below->temp - above->temp), m_gas * cp_gas * (above->temp - rock),
                1e-9 * m_fluid * cp_fluid * below->temp);
    // The lift gas lightens the column: a lower bottom-hole pressure than without it.
    TraverseRequest plain = req;
    plain.given.lift_gas_rate.reset();
    plain.given.injection_depth.reset();
    const TraverseResult unlifted = traverse(setup_traverse(plain));
    ASSERT_TRUE(unlifted.summary.complete) << unlifted.summary.message;
    EXPECT_LT(r.summary.inlet_pres, unlifted.summary.inlet_pres);
}

// A method in a list gets what it gets alone: gas lift (at a depth, or
// from the casing through mandrels), heat transfer and the multipliers
// reach every method of `traverse_methods`, to the bit.
TEST(Heat, EveryMethodInAListGetsWhatItGetsAlone) {
    std::vector<Method> all;
    for (const MethodInfo& m : methods()) all.push_back(m.method);
    TraverseRequest heated;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"length", "2500"}, {"angle", "-90"}, {"diam", "2.441in"}, {"rough", "0.0006in"},
             {"outlet-pres", "15bar"}, {"heat", "ramey"}, {"producing-time", "30d"}, {"hole-diam", "8.5in"},
             {"geothermal", "15degC, 3degC/100m"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.05"},
             {"oil-rate", "150 Sm3/d"}, {"water-rate", "50 Sm3/d"}, {"gor", "50 Sm3/Sm3"}, {"lift-gas-rate", "20000 Sm3/d"},
             {"injection-depth", "1800"}, {"holdup-factor", "1.07"}, {"friction-factor", "0.93"}}) {
        set_option(heated, k, v);
    }
    heated.flow_decreasing = true;
    TraverseRequest casing;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"length", "2500"}, {"angle", "-90"}, {"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp", "330"},
             {"outlet-pres", "15bar"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.05"},
             {"oil-rate", "150 Sm3/d"}, {"water-rate", "50 Sm3/d"}, {"gor", "50 Sm3/Sm3"}, {"lift-gas-rate", "20000 Sm3/d"},
             {"casing-pres", "90bar"}, {"mandrels", "900,1500,2100"}}) {
        set_option(casing, k, v);
    }
    casing.flow_decreasing = true;
    for (const TraverseRequest& req : {heated, casing}) {
        const TraverseSetup s = setup_traverse(req);
        const std::vector<TraverseResult> listed = traverse_methods(s, all);
        ASSERT_EQ(listed.size(), all.size());
        for (size_t k = 0; k < all.size(); ++k) {
            TraverseSetup one = s;
            one.options.method = all[k];
            const TraverseResult alone = traverse(one);
            EXPECT_EQ(listed[k].summary.complete, alone.summary.complete) << method_info(all[k]).name;
            EXPECT_EQ(listed[k].summary.inlet_pres, alone.summary.inlet_pres) << method_info(all[k]).name;
            EXPECT_EQ(listed[k].summary.injection_md, alone.summary.injection_md) << method_info(all[k]).name;
            EXPECT_EQ(listed[k].points.size(), alone.points.size()) << method_info(all[k]).name;
            EXPECT_EQ(listed[k].summary.lift_gas_rate, 20000.0 / 86400) << method_info(all[k]).name;
            EXPECT_EQ(listed[k].summary.holdup_factor, req.given.holdup_factor ? 1.07 : 1.0);
        }
    }
}

TEST(Heat, RequestsThatCannotMeanHeatTransferAreRefused) {
    auto request = [](const std::map<std::string, std::string>& extra) {
        TraverseRequest r;
        std::map<std::string, std::string> o = {{"length", "1000"}, {"angle", "0"},      {"diam", "0.1"},
                                                {"inlet-pres", "20bar"}, {"liquid-rate", "5"}, {"gas-rate", "0"},
                                                {"rol", "1000"},  {"visl", "1cP"},     {"sigma", "0.07"},
                                                {"gas-molar-mass", "20"}, {"visg", "1e-5"}};
        for (const auto& [k, v] : extra) o[k] = v;
        for (const auto& [k, v] : o) set_option(r, k, v);
        return r;
    };
    auto refused = [&](const std::map<std::string, std::string>& extra, const std::string& says) {
        try {
            setup_traverse(request(extra));
            ADD_FAILURE() << "accepted; expected: " << says;
        } catch (const OptionError& e) {
            EXPECT_NE(e.text().find(says), std::string::npos) << e.text();
        }
    };
    refused({{"temp", "300"}, {"u-value", "5"}}, "give {heat} too");
    refused({{"temp", "300"}, {"geothermal", "15degC, 3degC/100m"}}, "give {heat} too");
    refused({{"heat", "u-value"}, {"u-value", "5"}, {"ambient", "4degC"}, {"temp-in", "60degC"}}, "{cpl}");
    refused({{"heat", "u-value"}, {"ambient", "4degC"}, {"temp-in", "60degC"}, {"cpl", "4180"}}, "needs {u-value}");
    refused({{"heat", "u-value"}, {"u-value", "5"}, {"temp", "300"}, {"cpl", "4180"}}, "computed");
    refused({{"heat", "u-value"}, {"u-value", "5"}, {"ambient", "4degC"}, {"cpl", "4180"}}, "{temp-in}");
    refused({{"heat", "ramey"}, {"ambient", "4degC"}, {"temp-in", "60degC"}, {"cpl", "4180"}}, "{producing-time}");
    refused({{"heat", "none"}, {"u-value", "5"}, {"ambient", "4degC"}, {"temp-in", "60degC"}, {"cpl", "4180"}}, "not none");
    // Units as engineers write them, each its own conversion.
    for (const auto& [text, si] : std::map<std::string, double>{{"1 Btu/hr/ft2/F", 5.678263}, {"5 W/(m2 K)", 5.0},
                                                                {"1 Btu/hr/ft2/degF", 5.678263}}) {
        EXPECT_NEAR(parse_quantity("u-value", text, Dimension::HeatTransferCoefficient).value, si, 1e-6) << text;
    }
    EXPECT_NEAR(parse_quantity("t", "1.5F/100ft", Dimension::TemperatureGradient).value, 1.5 / 1.8 / 30.48, 1e-12);
    EXPECT_NEAR(parse_quantity("k", "1 Btu/hr/ft/F", Dimension::Conductivity).value, 1.730735, 1e-6);
    EXPECT_NEAR(parse_quantity("t", "2 years", Dimension::Time).value, 2 * 365.25 * 86400, 1e-6);
    TraverseRequest blank;
    EXPECT_THROW(set_option(blank, "geothermal", "60degF"), std::invalid_argument);
    EXPECT_THROW(set_option(blank, "heat", "ramy"), std::invalid_argument);
    const TraverseSetup ok = setup_traverse(
        request({{"heat", "u-value"}, {"u-value", "5"}, {"ambient", "4degC"}, {"temp-in", "60degC"}, {"cpl", "4180"}}));
    EXPECT_NEAR(ok.options.heat.inlet_temp, 333.15, 1e-9);
    EXPECT_NEAR(ok.line.nodes.back().temp, 277.15, 1e-9);
}

TEST(Heat, APropertyTableNeedsBothSpecificHeatsForHeatTransfer) {
    const std::string head = "pres,temp,rol,rog,visl,visg,sigma";
    const std::string rows = "1e5,280,1000,1.2,1e-3,1e-5,0.07\n1e5,320,990,1.1,1e-3,1e-5,0.07\n"
                             "1e7,280,1000,120,1e-3,1e-5,0.07\n1e7,320,990,110,1e-3,1e-5,0.07\n";
    std::istringstream without(head + "\n" + rows);
    const PropertyTable t = PropertyTable::read(without, "plain.csv");
    EXPECT_TRUE(t.cpl.empty());
    EXPECT_THROW(t.thermal(5e6, 300), FluidError);
    std::istringstream one(head + ",cpl\n");
    EXPECT_THROW(PropertyTable::read(one, "one.csv"), std::runtime_error);
    std::string with = head + ",cpl,cpg\n";
    for (const char* r : {"1e5,280,1000,1.2,1e-3,1e-5,0.07,4200,2000\n", "1e5,320,990,1.1,1e-3,1e-5,0.07,4200,2000\n",
                          "1e7,280,1000,120,1e-3,1e-5,0.07,4200,2400\n", "1e7,320,990,110,1e-3,1e-5,0.07,4200,2400\n"}) {
        with += r;
    }
    std::istringstream in(with);
    PropertyTable h = PropertyTable::read(in, "heats.csv");
    h.liquid_rate = 1;
    h.gas_rate = 1;
    const ThermalState th = h.thermal(5.05e6, 300);
    EXPECT_NEAR(th.cp, 0.5 * (4200 + 2200), 1e-9);
    // (dh/dp)_T = (1 + (T / rho) d rho/dT) / rho of each phase, from the
    // table's densities halfway in pressure at 300 K.
    const double rol = 995, drol = -10.0 / 40, rog = 0.5 * (60.6 + 55.55), drog = (55.55 - 60.6) / 40;
    const double expected = 0.5 * ((1 + 300 / rol * drol) / rol + (1 + 300 / rog * drog) / rog);
    EXPECT_NEAR(th.dh_dp, expected, 1e-9 * expected);
}

}  // namespace
}  // namespace flowmodel
