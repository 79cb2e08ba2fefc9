// A line marched as legs joined in order, and the one place where a march
// against the flow with heat transfer shoots for its inlet pressure.
#include "flowmodel/legs.hpp"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "flowmodel/option_error.hpp"
#include "march/driver.hpp"
#include "march/shoot.hpp"

namespace flowmodel {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The next leg's summary added to the legs' so far: points in march order,
// the parts of the drop, the lengths and stretches, the warnings (each
// once), the effort; the stop is the next leg's. Every field of
// kSummaryFields that a leg contributes to is joined here (a test over that
// table checks that two legs of one fluid give the whole line's summary);
// the far end's pressure and temperature are set by the caller.
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

// The legs' lines in the direction of flow (the line itself for one leg).
struct Split {
    std::vector<Line> parts;  // empty for one leg
    const Line* whole = nullptr;
    const Line& leg(size_t i) const { return parts.empty() ? *whole : parts[i]; }
    size_t size() const { return parts.empty() ? 1 : parts.size(); }
};

Split split(const Line& line, const std::vector<Joint>& joints) {
    Split s;
    s.whole = &line;
    if (joints.empty()) return s;
    std::vector<double> cuts;  // in increasing md
    cuts.push_back(line.nodes.front().md);
    for (const Joint& j : joints) cuts.push_back(j.md);
    cuts.push_back(line.nodes.back().md);
    std::sort(cuts.begin(), cuts.end());
    for (size_t k = 0; k + 1 < cuts.size(); ++k) s.parts.push_back(line_between(line, cuts[k], cuts[k + 1]));
    if (line.flow_decreasing) std::reverse(s.parts.begin(), s.parts.end());
    return s;
}

void check(const Legs& legs) {
    const Line& line = legs.line;
    if (line.nodes.size() < 2) throw OptionError("a line needs at least two points");
    if (legs.fluids.size() != legs.joints.size() + 1) throw OptionError("a line of legs needs one fluid more than joints");
    const double lo = line.nodes.front().md, hi = line.nodes.back().md;
    const double sense = line.flow_decreasing ? -1 : 1;
    double last = line.flow_decreasing ? hi : lo;
    for (const Joint& j : legs.joints) {
        if (!(j.md > lo && j.md < hi)) throw OptionError("a joint (the injection point) must lie inside the line");
        if (!(sense * (j.md - last) > 0)) throw OptionError("the joints must follow each other along the flow");
        last = j.md;
    }
}

// The node where leg i + 1 starts, in the direction of flow.
const LineNode& joint_node(const Line& next) {
    return next.flow_decreasing ? next.nodes.back() : next.nodes.front();
}

// The march of every leg from the given end (with heat transfer, from the
// inlet only: against the flow it is shot for).
TraverseResult march_legs(const Legs& legs, const Split& lines, const TraverseOptions& opt) {
    const bool back = opt.from_outlet;
    const size_t n = lines.size();
    auto leg = [&](size_t i) { return back ? n - 1 - i : i; };  // the i-th leg marched
    TraverseResult r = march::march_once(lines.leg(leg(0)), *legs.fluids[leg(0)], opt);
    r.summary.joint_pres.assign(n - 1, kNaN);
    double& far_pres = back ? r.summary.inlet_pres : r.summary.outlet_pres;
    double& far_temp = back ? r.summary.inlet_temp : r.summary.outlet_temp;
    for (size_t i = 1; i < n && r.summary.complete; ++i) {
        const size_t joint = back ? n - 1 - i : i - 1;  // between legs joint and joint + 1
        TraverseOptions next = opt;
        next.pres = far_pres;
        r.summary.joint_pres[joint] = far_pres;
        if (opt.heat.marched()) {
            const Joint& j = legs.joints[joint];
            try {
                next.heat.inlet_temp = j.mixed_temp ? j.mixed_temp(far_pres, far_temp, joint_node(lines.leg(joint + 1)))
                                                    : far_temp;
            } catch (const FluidError& e) {
                r.summary.complete = false;
                r.summary.stop_reason = StopReason::NoFluidState;
                r.summary.message = e.what();
                r.summary.stop_md = j.md;
                r.summary.stop_pres = far_pres;
                break;
            }
        }
        TraverseResult rest = march::march_once(lines.leg(leg(i)), *legs.fluids[leg(i)], next);
        const double p = back ? rest.summary.inlet_pres : rest.summary.outlet_pres;
        const double t = back ? rest.summary.inlet_temp : rest.summary.outlet_temp;
        append(r, std::move(rest));
        far_pres = p;
        far_temp = t;
    }
    // A march that stopped did not reach its far end.
    if (!r.summary.complete) far_pres = kNaN;
    return r;
}

// Against the flow with heat transfer the outlet's pressure is given and the
// inlet's temperature: the inlet pressure is shot for over all the legs, the
// first guess from the march against the flow at Ramey's steady
// temperatures (coarse steps: its error below that of its temperatures).
TraverseResult shoot_legs(const Legs& legs, const Split& lines, const TraverseOptions& opt) {
    TraverseOptions given = opt;
    given.heat.law = HeatLaw::Given;
    given.tol = 100 * opt.tol;
    const Line guess_line = guess_temperatures(legs.line, *legs.fluids.front(), opt);
    const TraverseResult first = march_legs(legs, split(guess_line, legs.joints), given);
    TraverseOptions from_inlet = opt;
    from_inlet.from_outlet = false;
    const double inlet_md = legs.line.flow_decreasing ? legs.line.nodes.back().md : legs.line.nodes.front().md;
    TraverseResult r = march::shoot_inlet_pressure(
        opt, first.summary.complete ? first.summary.inlet_pres : opt.pres, first.summary.evaluations, inlet_md,
        [&](double p_in, long budget) {
            from_inlet.pres = p_in;
            from_inlet.max_evaluations = march::trial_budget(budget, opt.max_evaluations);
            return march_legs(legs, lines, from_inlet);
        },
        march::outlet_response(first));
    if (!r.summary.complete) r.summary.inlet_pres = kNaN;
    return r;
}

}  // namespace

TraverseResult traverse_legs(const Legs& legs, const TraverseOptions& opt) {
    check(legs);
    const Split lines = split(legs.line, legs.joints);
    if (opt.heat.marched() && opt.from_outlet) return shoot_legs(legs, lines, opt);
    return march_legs(legs, lines, opt);
}

TraverseResult traverse(const Line& line, const Fluid& fluid, const TraverseOptions& opt) {
    return traverse_legs(Legs{line, {&fluid}, {}}, opt);
}

}  // namespace flowmodel
