// A gas-lifted traverse: two marches, one on each side of the injection point.
#include "flowmodel/lift_gas.hpp"
#include "march/shoot.hpp"

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
    if (total > 0) in.gas_gravity = (produced.gas_gravity * produced.gas_rate + gravity * lift.rate) / total;
    in.gas_rate = total;
    return in;
}

namespace {

// The second march's results added to the first's: points in march order,
// the parts of the drop, the lengths and stretches, the warnings, each once.
void append(TraverseResult& into, TraverseResult&& next) {
    TraverseSummary& s = into.summary;
    const TraverseSummary& t = next.summary;
    into.points.insert(into.points.end(), next.points.begin(), next.points.end());
    s.dp_total += t.dp_total;
    s.dp_friction += t.dp_friction;
    s.dp_gravity += t.dp_gravity;
    s.dp_acceleration += t.dp_acceleration;
    s.liquid_inventory += t.liquid_inventory;
    for (size_t k = 0; k < s.regime_length.size(); ++k) s.regime_length[k] += t.regime_length[k];
    s.bridged_stretches.insert(s.bridged_stretches.end(), t.bridged_stretches.begin(), t.bridged_stretches.end());
    s.invalid_stretches.insert(s.invalid_stretches.end(), t.invalid_stretches.begin(), t.invalid_stretches.end());
    s.floor_stretches.insert(s.floor_stretches.end(), t.floor_stretches.begin(), t.floor_stretches.end());
    s.bridged_length += t.bridged_length;
    s.invalid_length += t.invalid_length;
    for (const std::string& w : t.warnings) {
        if (std::find(s.warnings.begin(), s.warnings.end(), w) == s.warnings.end()) s.warnings.push_back(w);
    }
    s.evaluations += t.evaluations;
    s.steps += t.steps;
    s.heat_lost += t.heat_lost;
    s.complete = t.complete;
    s.stop_reason = t.stop_reason;
    s.message = t.message;
    s.stop_md = t.stop_md;
    s.stop_pres = t.stop_pres;
}

}  // namespace

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

// A well split at its injection point: upstream of it the produced fluid,
// downstream the fluid with the lift gas (downstream lies towards decreasing
// md where the flow runs that way).
struct LiftedWell {
    blackoil::BlackOil below, above;
    Line upstream, downstream;
    LiftedWell(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift)
        : below(produced), above(with_lift_gas(produced, lift)) {
        const double lo = line.nodes.front().md, hi = line.nodes.back().md;
        if (!(lift.md > lo && lift.md < hi)) throw std::invalid_argument("the injection point must lie inside the line");
        Line low_md = line_between(line, lo, lift.md), high_md = line_between(line, lift.md, hi);
        upstream = std::move(line.flow_decreasing ? high_md : low_md);
        downstream = std::move(line.flow_decreasing ? low_md : high_md);
    }
};

TraverseResult lifted_at(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                         const TraverseOptions& opt);
TraverseResult heated_from_inlet(const LiftedWell& well, double lift_gravity, TraverseOptions opt, double p_in);

// The lifted traverse with heat transfer: from the inlet, the two parts one
// after the other; against the flow, the inlet pressure shot for so that they
// meet the outlet's (the first guess from the lifted march at the
// surroundings' temperature).
TraverseResult heated_lifted_at(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                                const TraverseOptions& opt) {
    const LiftedWell well(line, produced, lift);
    const double gravity = lift.gravity > 0 ? lift.gravity : produced.gas_gravity;
    auto from_inlet = [&](double p_in, long budget) {
        TraverseOptions bounded = opt;
        bounded.max_evaluations = march::trial_budget(budget, opt.max_evaluations);
        return heated_from_inlet(well, gravity, bounded, p_in);
    };
    TraverseResult r;
    if (!opt.from_outlet) {
        r = from_inlet(opt.pres, 0);
    } else {
        TraverseOptions given = opt;
        given.heat.law = HeatLaw::Given;
        given.tol = 100 * opt.tol;  // a guess: coarse steps, its error below that of its temperatures
        const TraverseResult first = lifted_at(guess_temperatures(line, well.below, opt), produced, lift, given);
        const double inlet_md = line.flow_decreasing ? line.nodes.back().md : line.nodes.front().md;
        r = march::shoot_inlet_pressure(opt, first.summary.complete ? first.summary.inlet_pres : opt.pres,
                                        first.summary.evaluations, inlet_md, from_inlet, march::outlet_response(first));
    }
    if (!r.summary.complete) (opt.from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres) = std::numeric_limits<double>::quiet_NaN();
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

namespace {

// With heat transfer, from the inlet at p_in: the produced fluid marched
// to the injection point, the lift gas mixed in there at the surroundings'
// temperature (the annulus's gas taken as having come to the rock's
// temperature; the mixture's enthalpy that of its parts, at their specific
// heats), the mixture marched on to the outlet.
TraverseResult heated_from_inlet(const LiftedWell& well, double lift_gravity, TraverseOptions opt, double p_in) {
    const blackoil::BlackOil& below = well.below;
    opt.from_outlet = false;
    opt.pres = p_in;
    TraverseResult r = traverse(well.upstream, below, opt);
    if (!r.summary.complete) return r;
    const double p_inj = r.summary.outlet_pres, t_fluid = r.summary.outlet_temp;
    const Line& downstream = well.downstream;
    const LineNode& at = downstream.flow_decreasing ? downstream.nodes.back() : downstream.nodes.front();
    const double t_gas = at.temp;  // the surroundings' at the injection point
    const double m_fluid = below.standard_mass_rate(), m_gas = well.above.standard_mass_rate() - m_fluid;
    double cp_fluid = 0;
    try {
        cp_fluid = below.thermal(p_inj, t_fluid).cp;
    } catch (const FluidError& e) {
        r.summary.complete = false;
        r.summary.stop_reason = StopReason::NoFluidState;
        r.summary.message = std::string("the produced fluid has no specific heat at the injection point: ") + e.what();
        return r;
    }
    const double cp_gas = blackoil::gas_heat_capacity(t_gas, lift_gravity, 0, 0, 0);
    opt.pres = p_inj;
    opt.heat.inlet_temp = (m_fluid * cp_fluid * t_fluid + m_gas * cp_gas * t_gas) / (m_fluid * cp_fluid + m_gas * cp_gas);
    TraverseResult rest = traverse(downstream, well.above, opt);
    const double outlet_pres = rest.summary.outlet_pres, outlet_temp = rest.summary.outlet_temp;
    append(r, std::move(rest));
    r.summary.outlet_pres = outlet_pres;
    r.summary.outlet_temp = outlet_temp;
    r.summary.injection_pres = p_inj;
    return r;
}

TraverseResult lifted_at(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                         const TraverseOptions& opt) {
    if (opt.heat.marched()) return heated_lifted_at(line, produced, lift, opt);
    const LiftedWell well(line, produced, lift);
    // The march goes from the given end: the part there first.
    const bool from_outlet = opt.from_outlet;
    TraverseResult r = traverse(from_outlet ? well.downstream : well.upstream, from_outlet ? well.above : well.below, opt);
    if (r.summary.complete) {
        const double at_injection = from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres;
        TraverseOptions second = opt;
        second.pres = at_injection;
        TraverseResult rest =
            traverse(from_outlet ? well.upstream : well.downstream, from_outlet ? well.below : well.above, second);
        const double far = from_outlet ? rest.summary.inlet_pres : rest.summary.outlet_pres;
        const double far_temp = from_outlet ? rest.summary.inlet_temp : rest.summary.outlet_temp;
        append(r, std::move(rest));
        (from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres) = far;
        (from_outlet ? r.summary.inlet_temp : r.summary.outlet_temp) = far_temp;
        r.summary.injection_pres = at_injection;
    } else {
        // Stopped before the injection point: the far end not reached.
        (from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres) = std::numeric_limits<double>::quiet_NaN();
    }
    r.summary.lift_gas_rate = lift.rate;
    r.summary.injection_md = lift.md;
    return r;
}

}  // namespace

}  // namespace flowmodel
