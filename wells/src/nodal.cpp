// Nodal analysis: outflow against inflow at the bottom of a well.
#include "flowmodel/nodal.hpp"

#include "flowmodel/outflow.hpp"

#include <algorithm>
#include <cmath>

namespace flowmodel::nodal {

namespace {

// The outflow at each rate, on the parallel loop.
std::vector<Point> outflow(const Line& well, const blackoil::BlackOilInputs& fluid, const Split& split,
                           const TraverseOptions& options, const LiftGas& lift, const ipr::Inflow& inflow,
                           const std::vector<double>& rates, unsigned jobs, Result& res) {
    std::vector<wells::OutflowCase> cases;
    for (double q : rates) {
        wells::OutflowCase c{fluid, options.pres};
        c.lift = lift;
        split_rate(split, q, c.fluid.oil_rate, c.fluid.water_rate, c.fluid.gas_rate);
        cases.push_back(c);
    }
    const wells::Outflow r = wells::bottom_hole_pressures(well, cases, options, jobs);
    res.evaluations += r.evaluations;
    wells::add_warnings(res.warnings, r.warnings);
    std::vector<Point> out;
    for (size_t i = 0; i < rates.size(); ++i) {
        Point p;
        p.rate = rates[i];
        p.inflow = ipr::pwf(inflow, rates[i]);
        p.outflow = r.at[i].bhp;
        p.regime_at_bottom = r.at[i].regime_at_bottom;
        p.wellhead_temp = r.at[i].wellhead_temp;
        p.failure = r.at[i].failure;
        out.push_back(p);
    }
    return out;
}

// Outflow less inflow, NaN where either is missing (a failed traverse, a
// rate beyond the absolute open flow).
double excess(const Point& p) { return p.outflow - p.inflow; }
bool usable(const Point& p) { return std::isfinite(p.outflow) && std::isfinite(p.inflow); }

// Narrower than any rate a meter reads: a bracket this narrow with the curves
// still apart straddles a jump of the outflow.
constexpr double kRateBracket = 1e-7;

// Marches at one rate.
struct Sweep {
    const Line& well;
    const blackoil::BlackOilInputs& fluid;
    const Split& split;
    const TraverseOptions& options;
    const LiftGas& lift;
    const ipr::Inflow& inflow;
    Result& res;
    std::vector<Point>& added;  // every point marched beyond the sweep
    Point at(double q) {
        added.push_back(outflow(well, fluid, split, options, lift, inflow, {q}, 1, res).front());
        return added.back();
    }
};

// Where the inflow still lies above the outflow at `lo` and the outflow stops
// (or the inflow ends) at `hi`: bisects the gap to 0.1 % of the rate. Returns
// a computed point with the outflow at or above the inflow, if one turns up,
// as the other end of a bracket with `lo`.
bool locate_stop(Sweep& s, Point lo, Point hi, Point& other) {
    for (int k = 0; k < 20 && hi.rate - lo.rate > 1e-3 * hi.rate; ++k) {
        const Point m = s.at(0.5 * (lo.rate + hi.rate));
        if (!usable(m)) {
            hi = m;
        } else if (excess(m) >= 0) {
            other = m;
            return true;
        } else {
            lo = m;
        }
    }
    return false;
}

// Refines the crossing between computed points a and b whose excesses differ
// in sign: regula falsi with the Illinois halving, every trial a traverse,
// until the two curves agree within kPressureMatch or the bracket is
// kRateBracket of the rate (where the outflow jumps across the inflow). False when a trial's traverse fails: the outflow is broken inside
// the bracket and no crossing is claimed there.
bool refine(Sweep& s, const Point& a, const Point& b, Crossing& c) {
    Point lo = a, hi = b;
    double flo = excess(lo), fhi = excess(hi);
    int kept = 0;  // which end was kept twice running: -1 lo, +1 hi
    auto best = [&]() -> const Point& { return std::fabs(excess(lo)) <= std::fabs(excess(hi)) ? lo : hi; };
    for (int k = 0; k < 60; ++k) {
        if (std::fabs(excess(best())) <= kPressureMatch || hi.rate - lo.rate <= kRateBracket * hi.rate) break;
        const double w = hi.rate - lo.rate;
        double q = lo.rate + w * flo / (flo - fhi);
        q = std::min(std::max(q, lo.rate + 1e-3 * w), hi.rate - 1e-3 * w);
        const Point m = s.at(q);
        if (!usable(m)) return false;
        if ((excess(m) < 0) == (excess(lo) < 0)) {
            lo = m;
            flo = excess(m);
            if (kept == -1) fhi *= 0.5;
            kept = -1;
        } else {
            hi = m;
            fhi = excess(m);
            if (kept == 1) flo *= 0.5;
            kept = 1;
        }
    }
    const Point& at = best();
    c.other_side = &at == &lo ? hi.rate : lo.rate;
    c.rate = at.rate;
    c.bhp = at.outflow;
    c.mismatch = std::fabs(excess(at));
    c.regime_at_bottom = at.regime_at_bottom;
    c.wellhead_temp = at.wellhead_temp;
    c.stable = excess(a) < 0;  // the outflow rises through the inflow
    return true;
}

void sort_by_rate(std::vector<Point>& curve) {
    std::sort(curve.begin(), curve.end(), [](const Point& x, const Point& y) { return x.rate < y.rate; });
}

// Why a curve without a stable crossing has none.
void explain(Result& res) {
    const std::vector<Point>& c = res.curve;
    size_t last_below = c.size();  // the last computed point with the outflow below the inflow
    bool any = false;
    for (size_t i = 0; i < c.size(); ++i) {
        if (!usable(c[i])) continue;
        any = true;
        if (excess(c[i]) < 0) last_below = i;
    }
    if (!any) {
        const auto failed = std::find_if(c.begin(), c.end(), [](const Point& p) { return !p.failure.empty(); });
        res.why = NoFlow::NoOutflow;
        res.stop_rate = failed == c.end() ? (c.empty() ? 0 : c.front().rate) : failed->rate;
        res.stop_cause = failed == c.end() ? "the reservoir gives none of the rates" : failed->failure;
    } else if (last_below == c.size()) {
        res.why = NoFlow::OutflowAbove;
    } else if (last_below + 1 == c.size()) {
        res.why = NoFlow::InflowAbove;
        res.stop_rate = c.back().rate;
    } else {
        const Point& stop = c[last_below + 1];
        res.why = NoFlow::OutflowStops;
        res.stop_rate = stop.rate;
        res.stop_cause = !stop.failure.empty() ? stop.failure : "beyond the inflow's absolute open flow";
    }
}

}  // namespace

void split_rate(const Split& split, double q, double& oil, double& water, double& gas) {
    if (split.gas_rate) {
        gas = q;
        // The liquid the gas carries: q / GLR, or the oil q / GOR with its water.
        const double ratio = split.gas_ratio > 0 ? q / split.gas_ratio : 0;
        const double liquid = split.per_liquid ? ratio : split.water_cut < 1 ? ratio / (1 - split.water_cut) : 0;
        oil = liquid * (1 - split.water_cut);
        water = liquid * split.water_cut;
        return;
    }
    oil = q * (1 - split.water_cut);
    water = q * split.water_cut;
    gas = split.gas_ratio * (split.per_liquid ? q : oil);
}

const Crossing* Result::operating_point() const {
    const Crossing* best = nullptr;
    for (const Crossing& c : crossings) {
        if (c.stable) best = &c;
    }
    return best;
}

std::string reason(const Result& r, const std::function<std::string(double)>& rate_text) {
    switch (r.why) {
        case NoFlow::None: return "";
        case NoFlow::NoOutflow:
            return "no outflow at any rate: at " + rate_text(r.stop_rate) + ", " + r.stop_cause;
        case NoFlow::OutflowAbove:
            return "the well does not flow: the outflow lies above the inflow at every rate computed";
        case NoFlow::InflowAbove:
            return "no crossing within the rates computed: the inflow lies above the outflow up to the largest "
                   "rate, " + rate_text(r.stop_rate) + "; the operating point lies beyond it";
        case NoFlow::OutflowStops:
            return "no crossing within the rates computed; the outflow stops at " + rate_text(r.stop_rate) +
                   " because " + r.stop_cause;
    }
    return "";
}

Result analyse(const Line& well, const blackoil::BlackOilInputs& fluid, const Split& split,
               const TraverseOptions& options, const ipr::Inflow& inflow, std::vector<double> rates, unsigned jobs,
               const LiftGas& lift) {
    Result res;
    const double aof = ipr::absolute_open_flow(inflow);
    if (rates.empty()) {
        for (int k = 0; k < 24; ++k) rates.push_back(aof * (0.01 + 0.98 * k / 23.0));
    }
    res.curve = outflow(well, fluid, split, options, lift, inflow, rates, jobs, res);
    std::vector<Point> added;
    Sweep s{well, fluid, split, options, lift, inflow, res, added};
    // Brackets between neighbouring computed points, and between the last
    // point below the inflow and a stop just after it.
    std::vector<std::pair<Point, Point>> brackets;
    for (size_t i = 1; i < res.curve.size(); ++i) {
        const Point& a = res.curve[i - 1];
        const Point& b = res.curve[i];
        if (!usable(a)) continue;
        Point other;
        if (usable(b) && (excess(a) < 0) != (excess(b) < 0)) {
            brackets.emplace_back(a, b);
        } else if (!usable(b) && excess(a) < 0 && locate_stop(s, a, b, other)) {
            brackets.emplace_back(a, other);
        }
    }
    for (const auto& [a, b] : brackets) {
        Crossing c;
        if (refine(s, a, b, c)) res.crossings.push_back(c);
    }
    res.curve.insert(res.curve.end(), added.begin(), added.end());
    sort_by_rate(res.curve);
    std::sort(res.crossings.begin(), res.crossings.end(),
              [](const Crossing& x, const Crossing& y) { return x.rate < y.rate; });
    if (!res.operating_point()) explain(res);
    return res;
}

std::vector<CurveColumn> curve_columns(bool gas_swept) {
    return {
        {gas_swept ? "gas_rate" : "liquid_rate", gas_swept ? Dimension::GasRate : Dimension::LiquidRate,
         [](const Point& p) { return p.rate; }},
        {"outflow_bhp", Dimension::Pressure, [](const Point& p) { return p.outflow; }},
        {"inflow_bhp", Dimension::Pressure, [](const Point& p) { return p.inflow; }},
        {"wellhead_temp", Dimension::Temperature, [](const Point& p) { return p.wellhead_temp; }},
    };
}

}  // namespace flowmodel::nodal
