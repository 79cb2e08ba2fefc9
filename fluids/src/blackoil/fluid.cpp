// The black-oil fluid: at each pressure and temperature, how much of the
// produced gas the oil holds (Standing), the phases' volumes, densities,
// viscosities and tensions, and the in-situ rates that follow, so that the
// mass of oil, water and gas is the same at every point of a line.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <stdexcept>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/option_error.hpp"

namespace flowmodel::blackoil {

namespace {

[[noreturn]] void bad(const std::string& what) { throw OptionError(what); }

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

}  // namespace

BlackOil::BlackOil(const BlackOilInputs& in) : in_(in) {
    static std::atomic<std::uint64_t> made{0};
    id_ = ++made;
    auto finite = [](double v) { return std::isfinite(v); };
    if (!finite(in.api) || !(in.api > 0 && in.api <= 100)) bad("{api} must be above 0 and at most 100 °API");
    if (!finite(in.gas_gravity) || !(in.gas_gravity > 0.5 && in.gas_gravity < 2)) {
        bad("{gas-gravity} must be between 0.5 and 2 (air = 1)");
    }
    for (double y : {in.co2, in.h2s, in.n2}) {
        if (!finite(y) || !(y >= 0 && y <= 1)) bad("{co2}, {h2s} and {n2} are mole fractions from 0 to 1");
    }
    if (!(in.co2 + in.h2s + in.n2 <= 1)) bad("{co2}, {h2s} and {n2} add up to more than 1");
    if (in.co2 + in.h2s + in.n2 < 1) {
        const double g_hc = hydrocarbon_gravity(in.gas_gravity, in.co2, in.h2s, in.n2);
        if (!(g_hc >= kLightestHydrocarbonGravity)) {
            bad("{gas-gravity} " + num(in.gas_gravity) + " with mole fractions CO2 " + num(in.co2) + ", H2S " +
                num(in.h2s) + ", N2 " + num(in.n2) + " leaves the hydrocarbon part a gravity of " + num(g_hc) +
                ", below methane's 0.55: the gravity is that of the whole gas, impurities included; check it and the fractions");
        }
    }
    for (double q : {in.oil_rate, in.water_rate, in.gas_rate}) {
        if (!finite(q) || q < 0) bad("rates and gas ratios must not be negative");
    }
    gamma_o_ = oil_specific_gravity(in.api);
    if (in.salinity >= 0) {
        if (!finite(in.salinity) || in.salinity > 0.3) bad("{salinity} is a mass fraction from 0 to 0.3 (300000 ppm)");
        salinity_pct_ = 100 * in.salinity;
        rho_water_sc_ = brine_density_sc(salinity_pct_) * kLbPerFt3;
    } else {
        if (!finite(in.water_gravity) || !(in.water_gravity > 0.9 && in.water_gravity < 1.3)) {
            bad("{water-gravity} must be between 0.9 and 1.3 (fresh water = 1)");
        }
        salinity_pct_ = salinity_from_gravity(in.water_gravity);
        rho_water_sc_ = in.water_gravity * kWaterDensitySc;
    }
    rho_gas_sc_ = gas_density_sc(in.gas_gravity) * kLbPerFt3;
    pc_ = gas_pseudo_critical(in.gas_gravity, in.co2, in.h2s, in.n2);
    if (!(pc_.tpc > 0 && pc_.ppc > 0)) bad("the gas's pseudo-critical point is not positive: check {gas-gravity} and the impurities");
    // Ranges that depend on the inputs alone.
    auto note = [this](Range r, double v) {
        if (!in_range(r, v)) inputs_log_.note(static_cast<int>(r), v);
    };
    note(Range::SuttonGravity, in.gas_gravity);
    if (in.co2 + in.h2s > 0) {
        note(Range::WichertAzizCo2, in.co2);
        note(Range::WichertAzizH2s, in.h2s);
    }
    if (in.oil_rate > 0) {
        note(Range::StandingApi, in.api);
        note(Range::StandingGravity, in.gas_gravity);
        note(in.dead_oil == DeadOil::Glaso ? Range::GlasoApi : Range::BeggsRobinsonDeadApi, in.api);
    }
    if (in.water_rate > 0) note(Range::McCainViscositySalinity, salinity_pct_);
}

std::vector<std::string> BlackOil::warnings(const RangeLog& log) const {
    std::vector<std::string> out;
    for (int k = 0; k < kRangeCount; ++k) {
        const std::uint64_t bit = std::uint64_t(1) << k;
        const RangeLog* from = inputs_log_.seen & bit ? &inputs_log_ : log.seen & bit ? &log : nullptr;
        if (!from) continue;
        const double low = from->low[static_cast<size_t>(k)], high = from->high[static_cast<size_t>(k)];
        if (well_beyond(static_cast<Range>(k), low, high)) out.push_back(range_warning(static_cast<Range>(k), low, high));
    }
    return out;
}

double BlackOil::standard_mass_rate() const {
    return in_.oil_rate * gamma_o_ * kWaterDensitySc + in_.water_rate * rho_water_sc_ + in_.gas_rate * rho_gas_sc_;
}

namespace {

void note(RangeLog* log, Range r, double v) {
    if (log && !in_range(r, v)) log->note(static_cast<int>(r), v);
}

// The gas: its Z factor, density and viscosity at pf psia, tf °F (T K).
void gas_state(const BlackOilInputs& in, const PseudoCritical& pc, double T, double pf, double tf, RangeLog* log,
               BlackOilState& s) {
    const double tpr = T * 1.8 / pc.tpc, ppr = pf / pc.ppc;
    const bool hy = in.z_method == ZMethod::HallYarborough;
    if (!z_factor(in.z_method, tpr, ppr, s.z)) {
        throw FluidError(std::string("the Z factor (") + (hy ? "Hall-Yarborough" : "Dranchuk-Abou-Kassem") +
                         ") has no solution at reduced temperature " + num(tpr) + " and pressure " + num(ppr));
    }
    note(log, hy ? Range::HallYarboroughTpr : Range::DranchukTpr, tpr);
    note(log, hy ? Range::HallYarboroughPpr : Range::DranchukPpr, ppr);
    const double rho_g_lb = gas_density(pf, tf, in.gas_gravity, s.z);
    s.rho_gas = rho_g_lb * kLbPerFt3;
    s.mu_gas = 1e-3 * gas_viscosity(tf, rho_g_lb, kAirMolarMass * in.gas_gravity);
    note(log, Range::LeeTemperature, tf);
    note(log, Range::LeePressure, pf);
}

// Oil with its gas all dissolved (at or below the bubble point's gas) or
// saturated; rs_f, the dissolved gas in scf/STB, is returned.
double live_oil_state(const BlackOilInputs& in, double pf, double tf, RangeLog* log, BlackOilState& s) {
    const double api = in.api, gg = in.gas_gravity;
    const double gor = in.gas_rate / in.oil_rate;  // m3/m3
    const double gor_f = gor / kScfPerStb;
    const double pb_f = standing_pb(gor_f, tf, api, gg);
    s.pb = std::max(pb_f, 0.0) * kPsi;
    note(log, Range::StandingTemperature, tf);
    const double rs_sat = standing_rs(pf, tf, api, gg);
    double mu_od = in.dead_oil == DeadOil::Glaso ? dead_oil_viscosity_glaso(tf, api)
                                                 : dead_oil_viscosity_beggs_robinson(tf, api);
    note(log, in.dead_oil == DeadOil::Glaso ? Range::GlasoTemperature : Range::BeggsRobinsonDeadTemperature, tf);
    if (!(mu_od > 0)) throw FluidError("the dead-oil viscosity is not positive at " + num(tf) + " °F");
    const bool cc = in.live_oil == LiveOil::ChewConnally;
    auto live = [&](double rs) {
        note(log, cc ? Range::ChewConnallyDissolvedGas : Range::BeggsRobinsonLiveDissolvedGas, rs);
        return cc ? live_oil_viscosity_chew_connally(mu_od, rs) : live_oil_viscosity_beggs_robinson(mu_od, rs);
    };
    if (gor_f > rs_sat) {
        s.rs = rs_sat * kScfPerStb;
        s.bo = standing_bo(rs_sat, tf, api, gg);
        s.mu_oil = 1e-3 * live(rs_sat);
        note(log, Range::StandingPressure, pf);
        return rs_sat;
    }
    // Undersaturated: all the gas dissolved; compressed from the bubble point
    // (from atmospheric pressure when the bubble point lies below it).
    s.rs = gor;
    const double bob = standing_bo(gor_f, tf, api, gg);
    const double mu_ob = live(gor_f);
    const double p_ref = std::max(pb_f, 14.696);
    s.bo = bob;
    s.mu_oil = 1e-3 * mu_ob;
    if (pf > p_ref) {
        // Vasquez-Beggs; a negative compressibility (light, cold, gas-poor oil,
        // outside the fit) is taken as none.
        const double a = std::max(0.0, vasquez_beggs_a(gor_f, tf, api, gg));
        note(log, Range::VasquezBeggsBoPressure, pf);
        note(log, Range::VasquezBeggsViscosityPressure, pf);
        s.bo = undersaturated_bo(bob, pf, p_ref, a);
        s.mu_oil = 1e-3 * undersaturated_oil_viscosity(mu_ob, pf, p_ref);
    }
    return gor_f;
}

// The oil and the gas it holds; without oil its properties only fill the
// mixture with weight 0.
void oil_state(const BlackOilInputs& in, double pf, double tf, RangeLog* log, BlackOilState& s) {
    const double api = in.api, gg = in.gas_gravity;
    if (in.oil_rate > 0) {
        const double rs_f = live_oil_state(in, pf, tf, log, s);
        note(log, Range::StandingDissolvedGas, rs_f);
        s.rho_oil = oil_density(api, gg, rs_f, s.bo) * kLbPerFt3;
    } else {
        s.bo = standing_bo(0, tf, api, gg);
        s.rho_oil = oil_density(api, gg, 0, s.bo) * kLbPerFt3;
        s.mu_oil = 1e-3 * std::max(dead_oil_viscosity_beggs_robinson(tf, api), 0.1);
    }
    s.sigma_oil = 1e-3 * gas_oil_tension(pf, tf, api);
}

// The water: formation volume factor, density, viscosity, tension.
void water_state(const BlackOilInputs& in, double rho_water_sc, double salinity_pct, double pf, double tf,
                 RangeLog* log, BlackOilState& s) {
    s.bw = water_fvf(pf, tf);
    s.rho_water = rho_water_sc / s.bw;
    s.mu_water = 1e-3 * water_viscosity(pf, tf, salinity_pct);
    s.sigma_water = 1e-3 * gas_water_tension(pf, tf);
    if (in.water_rate > 0) {
        note(log, Range::McCainBwTemperature, tf);
        note(log, Range::McCainBwPressure, pf);
        note(log, Range::McCainViscosityTemperature, tf);
        note(log, Range::McCainViscosityPressureFactorTemperature, tf);
    }
}

}  // namespace

BlackOilState BlackOil::state(double p, double T, RangeLog* log) const {
    // The same fluid, point and log as this thread's last state: the same
    // state, its ranges already noted.
    struct Last {
        std::uint64_t fluid = 0;
        const RangeLog* log = nullptr;
        double p = 0, T = 0;
        BlackOilState s;
    };
    thread_local Last last;
    if (last.fluid == id_ && last.log == log && last.p == p && last.T == T) return last.s;
    BlackOilState s;
    const double pf = to_psia(p), tf = to_degF(T);
    gas_state(in_, pc_, T, pf, tf, log, s);
    oil_state(in_, pf, tf, log, s);
    water_state(in_, rho_water_sc_, salinity_pct_, pf, tf, log, s);
    // Rates: the free gas is what the oil does not hold, never negative.
    const double qo_sc = in_.oil_rate, qw_sc = in_.water_rate;
    s.q_oil = qo_sc * s.bo;
    s.q_water = qw_sc * s.bw;
    const double free_sc = std::max(0.0, in_.gas_rate - s.rs * qo_sc);
    s.q_gas = free_sc * rho_gas_sc_ / s.rho_gas;
    last = {id_, log, p, T, s};
    return s;
}

FluidState BlackOil::at(double p, double T, RangeLog* log) const {
    const BlackOilState s = state(p, T, log);
    FluidState f;
    const double ql = s.q_oil + s.q_water;
    const double wo = ql > 0 ? s.q_oil / ql : 1.0, ww = 1 - wo;  // no-slip volume fractions in the liquid
    f.rol = wo * s.rho_oil + ww * s.rho_water;
    f.visl = wo * s.mu_oil + ww * s.mu_water;
    f.sigma = wo * s.sigma_oil + ww * s.sigma_water;
    f.rog = s.rho_gas;
    f.visg = s.mu_gas;
    f.ql = ql;
    f.qg = s.q_gas;
    return f;
}

}  // namespace flowmodel::blackoil

namespace flowmodel::blackoil {

ThermalState BlackOil::thermal(double p, double T, RangeLog* log) const {
    const BlackOilState s = state(p, T, log);
    const double m_oil = s.q_oil * s.rho_oil, m_water = s.q_water * s.rho_water, m_gas = s.q_gas * s.rho_gas;
    ThermalState th;
    th.mass_rate = m_oil + m_water + m_gas;
    if (!(th.mass_rate > 0)) throw FluidError("no flow: the energy balance has no mass to act on");
    const double cp_oil = oil_heat_capacity(to_degF(T), gamma_o_) * unit::kBtuPerLbF;
    const double cp_gas = gas_heat_capacity(T, in_.gas_gravity, in_.co2, in_.h2s, in_.n2);
    th.cp = (m_oil * cp_oil + m_water * water_heat_capacity() + m_gas * cp_gas) / th.mass_rate;
    double dh_dp_gas = 0;
    if (m_gas > 0) {
        // v = Z R T / (p M): (dh/dp)_T = v - T (dv/dT)_p = -R T² (dZ/dT)_p / (p M).
        const double tpc = pc_.tpc / 1.8;  // K
        double z = 0, dz_dtpr = 0;
        if (!z_factor(in_.z_method, T / tpc, to_psia(p) / pc_.ppc, z, &dz_dtpr)) {
            throw FluidError("the Z factor has no solution for the gas's Joule-Thomson effect");
        }
        const double molar_mass = kAirMolarMass * in_.gas_gravity;
        dh_dp_gas = -kGasConstant * T * T * (dz_dtpr / tpc) / (p * molar_mass);
    }
    // A liquid's (dh/dp)_T = v (1 - beta T), beta its thermal expansion from
    // its volume factor at a constant dissolved gas (Standing; McCain).
    const double tf = to_degF(T), pf = to_psia(p);
    const double beta_oil = m_oil > 0 ? 1.8 * standing_bo_dt(s.rs / kScfPerStb, tf, in_.api, in_.gas_gravity) /
                                            standing_bo(s.rs / kScfPerStb, tf, in_.api, in_.gas_gravity)
                                      : 0;
    const double beta_water = m_water > 0 ? 1.8 * water_fvf_dt(pf, tf) / water_fvf(pf, tf) : 0;
    const double dh_dp_oil = m_oil > 0 ? (1 - beta_oil * T) / s.rho_oil : 0;
    const double dh_dp_water = m_water > 0 ? (1 - beta_water * T) / s.rho_water : 0;
    th.dh_dp = (m_oil * dh_dp_oil + m_water * dh_dp_water + m_gas * dh_dp_gas) / th.mass_rate;
    if (in_.oil_rate > 0 && s.rs < in_.gas_rate / in_.oil_rate) {
        // Saturated: Standing's Rs = gamma_g [(p + 25.48)/18.2 10^(0.0125 API - 0.00091 T)]^(1/0.83)
        // moves with p and T, and the free gas's mass share w = (GOR - Rs) qo rho_g,sc / m against it.
        const double drs_dp = s.rs / 0.83 / (pf + 25.48) / kPsi;              // m3/m3 per Pa
        const double drs_dt = -s.rs / 0.83 * 0.00091 * std::log(10.0) * 1.8;  // m3/m3 per K
        const double per_rs = in_.oil_rate * rho_gas_sc_ / th.mass_rate;       // kg of gas per kg flowing, per m3/m3
        const double heat = solution_heat(pf, T, in_.gas_gravity);
        th.cp += heat * -per_rs * drs_dt;
        th.dh_dp += heat * -per_rs * drs_dp;
    }
    return th;
}

}  // namespace flowmodel::blackoil
