// A gas-lifted traverse: two marches, one on each side of the injection point.
#include "flowmodel/lift_gas.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/legs.hpp"

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace flowmodel {

blackoil::BlackOilInputs with_lift_gas(const blackoil::BlackOilInputs& produced, const LiftGas& lift) {
    blackoil::BlackOilInputs in = produced;
    const double gravity = lift.gravity > 0 ? lift.gravity : produced.gas_gravity;
    const double total = produced.gas_rate + lift.rate;
    if (total > 0) {
        // The mixture's gravity lies between its two gases' (rounding could put
        // 0.55 and 0.55 at 0.5499999..., below the lightest gas a black oil takes).
        const double mixed = (produced.gas_gravity * produced.gas_rate + gravity * lift.rate) / total;
        in.gas_gravity = std::clamp(mixed, std::min(produced.gas_gravity, gravity), std::max(produced.gas_gravity, gravity));
    }
    in.gas_rate = total;
    return in;
}

std::vector<double> annulus_pressures(const Line& line, double casing_pres, double gravity,
                                      const std::vector<double>& mds) {
    constexpr double kG = constant::kStandardGravity, kR = constant::kGasConstant;  // m/s2; J/(kmol K)
    using unit::kPsi;
    const blackoil::PseudoCritical pc = blackoil::sutton(gravity);
    const double molar_mass = constant::kAirMolarMass * gravity;  // kg/kmol
    const auto& n = line.nodes;
    // The temperature at an md and the fall of its segment (dz/dmd), linear between nodes.
    auto at = [&n](double md, double& t, double& dz) {
        auto hi = std::upper_bound(n.begin() + 1, n.end() - 1, md, [](double m, const LineNode& x) { return m < x.md; });
        const LineNode& lo = *(hi - 1);
        const double w = std::clamp((md - lo.md) / (hi->md - lo.md), 0.0, 1.0);
        t = lo.temp + w * (hi->temp - lo.temp);
        dz = (hi->z - lo.z) / (hi->md - lo.md);
    };
    // dp/dmd: the gas's weight along the fall of the line, Pa/m.
    auto slope = [&](double md, double p) {
        double t, dz;
        at(md, t, dz);
        double zf = 1;
        if (!blackoil::z_factor(blackoil::ZMethod::HallYarborough, t * 1.8 / pc.tpc, p / kPsi / pc.ppc, zf)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        return -p * molar_mass / (zf * kR * t) * kG * dz;
    };
    std::vector<double> out;
    double md = n.front().md, p = casing_pres;
    for (double target : mds) {
        // March from where the last target left off, or restart from the top for one above it.
        if (target < md) md = n.front().md, p = casing_pres;
        while (md < target && std::isfinite(p)) {
            const double h = std::min(5.0, target - md);
            const double k1 = slope(md, p), k2 = slope(md + h / 2, p + h / 2 * k1), k3 = slope(md + h / 2, p + h / 2 * k2),
                         k4 = slope(md + h, p + h * k3);
            p += h / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
            md += h;
        }
        out.push_back(p);
    }
    return out;
}

namespace {

// The well as two legs joined at the injection point: upstream of it the
// produced fluid, downstream the fluid with the lift gas, which mixes in at
// the surroundings' temperature there (the annulus's gas taken as having
// come to the rock's temperature; the mixture's enthalpy that of its parts,
// at their specific heats).
TraverseResult lifted_at(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                         const TraverseOptions& opt) {
    const double lo = line.nodes.front().md, hi = line.nodes.back().md;
    if (!(lift.md > lo && lift.md < hi)) throw OptionError("the injection point must lie inside the line");
    const blackoil::BlackOil below(produced), above(with_lift_gas(produced, lift));
    const double gravity = lift.gravity > 0 ? lift.gravity : produced.gas_gravity;
    const double m_fluid = below.standard_mass_rate(), m_gas = above.standard_mass_rate() - m_fluid;
    Joint injection;
    injection.md = lift.md;
    injection.mixed_temp = [&](double p, double t_fluid, const LineNode& at) {
        double cp_fluid = 0;
        try {
            cp_fluid = below.thermal(p, t_fluid).cp;
        } catch (const FluidError& e) {
            throw FluidError(std::string("the produced fluid has no specific heat at the injection point: ") + e.what());
        }
        const double cp_gas = blackoil::gas_heat_capacity(at.temp, gravity, 0, 0, 0);
        return (m_fluid * cp_fluid * t_fluid + m_gas * cp_gas * at.temp) / (m_fluid * cp_fluid + m_gas * cp_gas);
    };
    TraverseResult r = traverse_legs(Legs{line, {&below, &above}, {injection}}, opt);
    r.summary.injection_pres = r.summary.joint_pres.front();
    r.summary.lift_gas_rate = lift.rate;
    r.summary.injection_md = lift.md;
    return r;
}

}  // namespace

TraverseResult traverse_lifted(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                               const TraverseOptions& opt) {
    if (lift.mandrels.empty()) return lifted_at(line, produced, lift, opt);
    std::vector<double> mandrels = lift.mandrels;
    std::sort(mandrels.begin(), mandrels.end());
    const double gravity = lift.gravity > 0 ? lift.gravity : produced.gas_gravity;
    const std::vector<double> casing = annulus_pressures(line, lift.casing_pres, gravity, mandrels);
    TraverseResult shallowest;
    for (size_t k = mandrels.size(); k-- > 0;) {
        LiftGas at = lift;
        at.md = mandrels[k];
        TraverseResult r = lifted_at(line, produced, at, opt);
        r.summary.casing_pres_at_injection = casing[k];
        r.summary.injection_dp = lift.injection_dp;
        if (!r.summary.complete || r.summary.injection_pres + lift.injection_dp <= casing[k]) return r;
        if (k == 0) shallowest = std::move(r);
    }
    // No mandrel can inject: said, never treated as unlifted, and no profile
    // reported (the well cannot flow so). The summary keeps the shallowest
    // mandrel's md and both pressures there for the face to word.
    TraverseSummary& m = shallowest.summary;
    m.complete = false;
    m.stop_reason = StopReason::NoInjection;
    m.message = "no mandrel can inject: at none does the casing exceed the tubing by {injection-dp}";
    m.injection_md = mandrels.front();
    m.stop_md = mandrels.front();
    m.stop_pres = m.injection_pres;
    m.inlet_pres = m.outlet_pres = std::numeric_limits<double>::quiet_NaN();
    (opt.from_outlet ? m.outlet_pres : m.inlet_pres) = opt.pres;
    m.dp_total = m.dp_friction = m.dp_gravity = m.dp_acceleration = std::numeric_limits<double>::quiet_NaN();
    m.liquid_inventory = std::numeric_limits<double>::quiet_NaN();
    m.regime_length = {};
    shallowest.points.clear();
    return shallowest;
}

}  // namespace flowmodel
