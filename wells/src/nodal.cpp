// Nodal analysis: outflow against inflow at the bottom of a well.
#include "flowmodel/nodal.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace flowmodel::nodal {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The outflow at each rate, on the parallel loop.
std::vector<Point> outflow(const Line& well, const blackoil::BlackOilInputs& fluid, const Split& split,
                           const TraverseOptions& options, const ipr::Inflow& inflow, const std::vector<double>& rates,
                           unsigned jobs, long& evaluations) {
    std::vector<std::unique_ptr<blackoil::BlackOil>> fluids;
    std::vector<TraverseCase> cases;
    for (double q : rates) {
        blackoil::BlackOilInputs in = fluid;
        split_rate(split, q, in.oil_rate, in.water_rate, in.gas_rate);
        fluids.push_back(std::make_unique<blackoil::BlackOil>(in));
        TraverseOptions o = options;
        o.from_outlet = true;
        o.output_step = 1e12;  // the bottom-hole pressure is what counts
        cases.push_back({&well, fluids.back().get(), o});
    }
    const std::vector<TraverseResult> r = traverse_many(cases, jobs);
    std::vector<Point> out;
    for (size_t i = 0; i < r.size(); ++i) {
        Point p;
        p.rate = rates[i];
        p.inflow = ipr::pwf(inflow, rates[i]);
        evaluations += r[i].summary.evaluations;
        if (r[i].summary.complete) {
            p.outflow = r[i].summary.inlet_pres;
            p.regime_at_bottom = r[i].points.back().id;
        } else {
            p.outflow = kNaN;
            p.failure = r[i].summary.message;
        }
        out.push_back(p);
    }
    return out;
}

// Outflow less inflow; a rate the well cannot lift, or the reservoir cannot give, is +inf.
double excess(const Point& p) {
    if (std::isnan(p.outflow) || std::isnan(p.inflow)) return std::numeric_limits<double>::infinity();
    return p.outflow - p.inflow;
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

Result analyse(const Line& well, const blackoil::BlackOilInputs& fluid, const Split& split,
               const TraverseOptions& options, const ipr::Inflow& inflow, std::vector<double> rates, unsigned jobs) {
    Result res;
    const double aof = ipr::absolute_open_flow(inflow);
    if (rates.empty()) {
        for (int k = 0; k < 24; ++k) rates.push_back(aof * (0.01 + 0.98 * k / 23.0));
    }
    res.curve = outflow(well, fluid, split, options, inflow, rates, jobs, res.evaluations);
    std::vector<Point> refined;
    for (size_t i = 1; i < res.curve.size(); ++i) {
        Point lo = res.curve[i - 1], hi = res.curve[i];
        const double a = excess(lo), b = excess(hi);
        if (!((a < 0) != (b < 0)) || (std::isinf(a) && std::isinf(b))) continue;
        // Bisection in rate to 0.1 % of it, one traverse a step.
        while (hi.rate - lo.rate > 1e-3 * hi.rate) {
            const double mid = 0.5 * (lo.rate + hi.rate);
            const Point m = outflow(well, fluid, split, options, inflow, {mid}, 1, res.evaluations).front();
            refined.push_back(m);
            ((excess(m) < 0) == (a < 0) ? lo : hi) = m;
        }
        const Point& at = std::isnan(hi.outflow) ? lo : hi;
        Crossing c;
        // The zero of outflow less inflow, linear between the bracket's ends.
        const double fa = excess(lo), fb = excess(hi);
        c.rate = std::isfinite(fa) && std::isfinite(fb) && fb != fa ? lo.rate + (hi.rate - lo.rate) * fa / (fa - fb)
                                                                     : 0.5 * (lo.rate + hi.rate);
        c.bhp = ipr::pwf(inflow, c.rate);
        c.regime_at_bottom = at.regime_at_bottom;
        c.stable = a < 0 && b >= 0;  // the outflow rises through the inflow
        res.crossings.push_back(c);
    }
    res.curve.insert(res.curve.end(), refined.begin(), refined.end());
    std::sort(res.curve.begin(), res.curve.end(), [](const Point& x, const Point& y) { return x.rate < y.rate; });
    return res;
}

}  // namespace flowmodel::nodal
