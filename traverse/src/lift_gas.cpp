// A gas-lifted traverse: two marches, one on each side of the injection point.
#include "flowmodel/lift_gas.hpp"

#include <algorithm>
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

// The part of the line from md a to md b (a < b), nodes placed at both ends.
Line part(const Line& line, double a, double b) {
    Line out;
    out.flow_decreasing = line.flow_decreasing;
    const auto& n = line.nodes;
    auto at = [&n](double md) {
        const auto hi = std::lower_bound(n.begin(), n.end(), md, [](const LineNode& x, double m) { return x.md < m; });
        if (hi->md == md || hi == n.begin()) return *hi;
        const LineNode& lo = *(hi - 1);
        const double w = (md - lo.md) / (hi->md - lo.md);
        LineNode node = lo;
        node.md = md;
        node.z = lo.z + w * (hi->z - lo.z);
        node.temp = lo.temp + w * (hi->temp - lo.temp);
        return node;
    };
    out.nodes.push_back(at(a));
    for (const LineNode& x : n) {
        if (x.md > a && x.md < b) out.nodes.push_back(x);
    }
    out.nodes.push_back(at(b));
    return out;
}

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
    s.complete = t.complete;
    s.stop_reason = t.stop_reason;
    s.message = t.message;
    s.stop_md = t.stop_md;
    s.stop_pres = t.stop_pres;
}

}  // namespace

TraverseResult traverse_lifted(const Line& line, const blackoil::BlackOilInputs& produced, const LiftGas& lift,
                               const TraverseOptions& opt) {
    const double lo = line.nodes.front().md, hi = line.nodes.back().md;
    if (!(lift.md > lo && lift.md < hi)) throw std::invalid_argument("the injection point must lie inside the line");
    const blackoil::BlackOil below(produced), above(with_lift_gas(produced, lift));
    // Downstream of the injection point: towards decreasing md where the flow runs that way.
    const Line low_md = part(line, lo, lift.md), high_md = part(line, lift.md, hi);
    const bool downstream_is_low = line.flow_decreasing;
    const Line& downstream = downstream_is_low ? low_md : high_md;
    const Line& upstream = downstream_is_low ? high_md : low_md;
    // The march goes from the given end: the part there first.
    const bool from_outlet = opt.from_outlet;
    TraverseResult r = traverse(from_outlet ? downstream : upstream, from_outlet ? above : below, opt);
    if (r.summary.complete) {
        const double at_injection = from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres;
        TraverseOptions second = opt;
        second.pres = at_injection;
        TraverseResult rest = traverse(from_outlet ? upstream : downstream, from_outlet ? below : above, second);
        const double far = from_outlet ? rest.summary.inlet_pres : rest.summary.outlet_pres;
        append(r, std::move(rest));
        (from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres) = far;
        r.summary.injection_pres = at_injection;
    } else {
        // Stopped before the injection point: the far end not reached.
        (from_outlet ? r.summary.inlet_pres : r.summary.outlet_pres) = std::numeric_limits<double>::quiet_NaN();
    }
    r.summary.lift_gas_rate = lift.rate;
    r.summary.injection_md = lift.md;
    return r;
}

}  // namespace flowmodel
