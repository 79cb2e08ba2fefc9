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

// How far the well falls short of flowing at a point, Pa: the pressure the
// tubing needs above what the reservoir gives (a producer), or the pressure
// the reservoir needs above what the tubing gives (an injector). Below 0 the
// rate can rise. NaN where either curve is missing (a failed traverse, a rate
// beyond the absolute open flow).
double shortfall(const Point& p, bool injector) { return injector ? p.inflow - p.outflow : p.outflow - p.inflow; }
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
    double falls_short_by(const Point& p) const { return shortfall(p, res.injector); }
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
        } else if (s.falls_short_by(m) >= 0) {
            other = m;
            return true;
        } else {
            lo = m;
        }
    }
    return false;
}

// Refines the crossing between computed points a and b whose shortfalls differ
// in sign: regula falsi with the Illinois halving, every trial a traverse,
// until the two curves agree within kPressureMatch or the bracket is
// kRateBracket of the rate (where the outflow jumps across the inflow). False when a trial's traverse fails: the outflow is broken inside
// the bracket and no crossing is claimed there.
bool refine(Sweep& s, const Point& a, const Point& b, Crossing& c) {
    Point lo = a, hi = b;
    double flo = s.falls_short_by(lo), fhi = s.falls_short_by(hi);
    int kept = 0;  // which end was kept twice running: -1 lo, +1 hi
    auto best = [&]() -> const Point& { return std::fabs(s.falls_short_by(lo)) <= std::fabs(s.falls_short_by(hi)) ? lo : hi; };
    for (int k = 0; k < 60; ++k) {
        if (std::fabs(s.falls_short_by(best())) <= kPressureMatch || hi.rate - lo.rate <= kRateBracket * hi.rate) break;
        const double w = hi.rate - lo.rate;
        double q = lo.rate + w * flo / (flo - fhi);
        q = std::min(std::max(q, lo.rate + 1e-3 * w), hi.rate - 1e-3 * w);
        const Point m = s.at(q);
        if (!usable(m)) return false;
        if ((s.falls_short_by(m) < 0) == (s.falls_short_by(lo) < 0)) {
            lo = m;
            flo = s.falls_short_by(m);
            if (kept == -1) fhi *= 0.5;
            kept = -1;
        } else {
            hi = m;
            fhi = s.falls_short_by(m);
            if (kept == 1) flo *= 0.5;
            kept = 1;
        }
    }
    const Point& at = best();
    c.other_side = &at == &lo ? hi.rate : lo.rate;
    c.rate = at.rate;
    c.bhp = at.outflow;
    c.mismatch = std::fabs(s.falls_short_by(at));
    c.regime_at_bottom = at.regime_at_bottom;
    c.wellhead_temp = at.wellhead_temp;
    c.thp = s.options.pres;
    c.stable = s.falls_short_by(a) < 0;  // flowing below the crossing, short above it
    return true;
}

// The rates swept where none are given: 1 % to 99 % of a producer's absolute
// open flow; for an injector 1 % to 100 % of the largest rate the reservoir
// could take, found from a traverse at a trickle (its point kept), none where
// the reservoir takes nothing at the trickle's bottom-hole pressure.
std::vector<double> swept_rates(Sweep& s) {
    double top = ipr::absolute_open_flow(s.inflow);
    double last = 0.99;
    if (s.res.injector) {
        const Point trickle = s.at(s.split.gas_rate ? 1e-4 : 1e-6);  // m3/s: 8.6 Sm3/d of gas, 0.086 m3/d of liquid
        top = usable(trickle) ? ipr::rate(s.inflow, trickle.outflow) : 0.0;
        if (!(top > trickle.rate)) return {};
        last = 1.0;
    }
    std::vector<double> rates;
    for (int k = 0; k < 24; ++k) rates.push_back(top * (0.01 + (last - 0.01) * k / 23.0));
    return rates;
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
        if (shortfall(c[i], res.injector) < 0) last_below = i;
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
    if (split.injected != wells::Injected::None) {
        blackoil::BlackOilInputs fluid;
        wells::inject(split.injected, q, fluid);
        oil = fluid.oil_rate;
        water = fluid.water_rate;
        gas = fluid.gas_rate;
        return;
    }
    if (split.yields) {
        gas = q;
        oil = q * split.cgr;
        water = q * split.wgr;
        return;
    }
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

namespace {

std::string injector_reason(const Result& r, const std::function<std::string(double)>& rate_text) {
    switch (r.why) {
        case NoFlow::None: return "";
        case NoFlow::NoOutflow:
            return "no traverse down the tubing at any rate: at " + rate_text(r.stop_rate) + ", " + r.stop_cause;
        case NoFlow::OutflowAbove:
            return "the well takes nothing: the reservoir needs a higher bottom-hole pressure than the tubing gives "
                   "at every rate computed";
        case NoFlow::InflowAbove:
            return "no crossing within the rates computed: the tubing gives more than the reservoir needs up to the "
                   "largest rate, " + rate_text(r.stop_rate) + "; the operating point lies beyond it";
        case NoFlow::OutflowStops:
            return "no crossing within the rates computed; the traverse down the tubing stops at " +
                   rate_text(r.stop_rate) + " because " + r.stop_cause;
    }
    return "";
}

}  // namespace

std::string reason(const Result& r, const std::function<std::string(double)>& rate_text) {
    if (r.injector) return injector_reason(r, rate_text);
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
    res.injector = ipr::injects(inflow);
    std::vector<Point> added;
    Sweep s{well, fluid, split, options, lift, inflow, res, added};
    if (rates.empty()) rates = swept_rates(s);
    res.curve = outflow(well, fluid, split, options, lift, inflow, rates, jobs, res);
    res.curve.insert(res.curve.end(), added.begin(), added.end());
    added.clear();
    sort_by_rate(res.curve);
    // Brackets between neighbouring computed points, and between the last
    // point below the inflow and a stop just after it.
    std::vector<std::pair<Point, Point>> brackets;
    for (size_t i = 1; i < res.curve.size(); ++i) {
        const Point& a = res.curve[i - 1];
        const Point& b = res.curve[i];
        if (!usable(a)) continue;
        Point other;
        if (usable(b) && (s.falls_short_by(a) < 0) != (s.falls_short_by(b) < 0)) {
            brackets.emplace_back(a, b);
        } else if (!usable(b) && s.falls_short_by(a) < 0 && locate_stop(s, a, b, other)) {
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

std::vector<CrossingColumn> crossing_columns(bool gas_swept) {
    return {
        {gas_swept ? "gas_rate" : "liquid_rate", gas_swept ? Dimension::GasRate : Dimension::LiquidRate,
         [](const Crossing& c) { return c.rate; }},
        {"bhp", Dimension::Pressure, [](const Crossing& c) { return c.bhp; }},
        {"thp", Dimension::Pressure, [](const Crossing& c) { return c.thp; }},
        {"wellhead_temp", Dimension::Temperature, [](const Crossing& c) { return c.wellhead_temp; }},
    };
}

}  // namespace flowmodel::nodal
