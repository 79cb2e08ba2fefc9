// Properties over random wells: every operating point nodal analysis reports
// is a point of both curves, confirmed by a traverse of its own and by the
// inflow; where it reports none, its reason holds on the curve it computed.
// Every entry of a random lift-curve table lies between its THP and the
// ceiling, and rises with the THP where both entries were computed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "flowmodel/nodal.hpp"
#include "flowmodel/vfp.hpp"
#include "flowmodel/vfp_deck.hpp"
#include "flowmodel/well_request.hpp"

namespace flowmodel {
namespace {

const double kPsiPa = blackoil::kPsi, kStbD = blackoil::kBarrel / 86400;

struct RandomWell {
    Line line;
    blackoil::BlackOilInputs fluid;
    TraverseOptions options;
    nodal::Split split;
    ipr::Inflow inflow;
};

// A straight well, vertical or deviated, 2 to 4.5 in tubing, an oil of 25
// to 45 API with water and gas over their usual ranges, and one of the four
// inflows; now and then a limit pressure that the outflow may reach.
RandomWell random_well(std::mt19937& rng) {
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    RandomWell w;
    const double depth = uniform(600, 3000);
    const double angle = -uniform(60, 90);  // from the wellhead down
    w.line = straight_line(depth / std::sin(-angle * M_PI / 180), angle, uniform(2, 4.5) * 0.0254, 1.5e-5,
                           uniform(330, 390), uniform(290, 330));
    w.line.flow_decreasing = true;
    w.fluid.api = uniform(25, 45);
    w.fluid.gas_gravity = uniform(0.6, 0.85);
    w.fluid.water_gravity = 1.05;
    w.options.from_outlet = true;
    w.options.tol = 100;  // Pa per segment: the property holds at any tolerance, and this one is quick
    w.options.pres = uniform(50, 500) * kPsiPa;
    if (uniform(0, 1) < 0.2) w.options.max_pres = uniform(1000, 4000) * kPsiPa;
    w.split.water_cut = uniform(0, 0.8);
    w.split.per_liquid = uniform(0, 1) < 0.3;
    w.split.gas_ratio = uniform(50, 3000) * blackoil::kScfPerStb;
    w.inflow.pr = uniform(1000, 6000) * kPsiPa;
    switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
        case 0:
            w.inflow.kind = ipr::Kind::Linear;
            w.inflow.j = uniform(0.2, 5) * kStbD / kPsiPa;
            break;
        case 1:
            w.inflow.kind = ipr::Kind::Vogel;
            w.inflow.qmax = uniform(200, 6000) * kStbD;
            break;
        case 2:
            w.inflow.kind = ipr::Kind::Composite;
            w.inflow.j = uniform(0.2, 5) * kStbD / kPsiPa;
            w.inflow.pb = uniform(0.3, 0.9) * w.inflow.pr;
            break;
        default:  // a gas well: the swept rate is the gas, the liquid it carries by its GOR
            w.inflow.kind = ipr::Kind::Fetkovich;
            w.inflow.n = uniform(0.5, 1);
            w.inflow.c = uniform(1e-4, 1e-2) * 1000 * std::pow(0.3048, 3) / 86400 / std::pow(kPsiPa * kPsiPa, w.inflow.n);
            w.split.gas_rate = true;
            w.split.per_liquid = false;
            w.split.gas_ratio = uniform(5000, 50000) * blackoil::kScfPerStb;
            break;
    }
    return w;
}

// The bottom-hole pressure of a traverse of its own at rate q: NaN where it
// does not reach the bottom.
double direct_traverse(const RandomWell& w, double q) {
    blackoil::BlackOilInputs in = w.fluid;
    nodal::split_rate(w.split, q, in.oil_rate, in.water_rate, in.gas_rate);
    const TraverseResult r = traverse(w.line, blackoil::BlackOil(in), w.options);
    return r.summary.complete ? r.summary.inlet_pres : std::nan("");
}

bool usable(const nodal::Point& p) { return std::isfinite(p.outflow) && std::isfinite(p.inflow); }

// The reason holds on the curve computed.
void expect_reason_holds(const nodal::Result& r, int k) {
    const std::vector<nodal::Point>& c = r.curve;
    EXPECT_FALSE(nodal::reason(r, [](double q) { return std::to_string(q); }).empty()) << "well " << k;
    switch (r.why) {
        case nodal::NoFlow::None: ADD_FAILURE() << "well " << k << ": no operating point and no reason"; break;
        case nodal::NoFlow::NoOutflow:
            EXPECT_TRUE(std::none_of(c.begin(), c.end(), usable)) << "well " << k;
            break;
        case nodal::NoFlow::OutflowAbove:
            for (const nodal::Point& p : c) {
                if (usable(p)) {
                    EXPECT_GE(p.outflow, p.inflow) << "well " << k << " at " << p.rate;
                }
            }
            break;
        case nodal::NoFlow::InflowAbove:
            ASSERT_TRUE(usable(c.back())) << "well " << k;
            EXPECT_LT(c.back().outflow, c.back().inflow) << "well " << k;
            break;
        case nodal::NoFlow::OutflowStops: {
            const auto stop = std::find_if(c.begin(), c.end(), [&](const nodal::Point& p) { return p.rate == r.stop_rate; });
            ASSERT_NE(stop, c.end()) << "well " << k;
            EXPECT_FALSE(usable(*stop)) << "well " << k;
            ASSERT_NE(stop, c.begin()) << "well " << k;
            EXPECT_TRUE(usable(*(stop - 1)) && (stop - 1)->outflow < (stop - 1)->inflow) << "well " << k;
            break;
        }
    }
}

TEST(Properties, EveryOperatingPointLiesOnBothCurvesOrTheReasonHolds) {
    std::mt19937 rng(20261210);
    int points = 0, none = 0, jumps = 0;
    for (int k = 0; k < 200; ++k) {
        const RandomWell w = random_well(rng);
        const nodal::Result r = nodal::analyse(w.line, w.fluid, w.split, w.options, w.inflow, {});
        for (const nodal::Crossing& c : r.crossings) {
            // A traverse at the crossing's rate needs its bottom-hole pressure ...
            const double bhp = direct_traverse(w, c.rate);
            ASSERT_TRUE(std::isfinite(bhp)) << "well " << k << ": a crossing where the outflow fails";
            EXPECT_NEAR(bhp, c.bhp, 0.1 * kPsiPa) << "well " << k;
            EXPECT_GE(c.bhp, w.options.pres) << "well " << k;
            EXPECT_LE(c.bhp, w.options.max_pres) << "well " << k;
            // ... and the reservoir gives it there, within the stated match.
            EXPECT_NEAR(ipr::pwf(w.inflow, c.rate), c.bhp, c.mismatch * (1 + 1e-9) + 1e-6) << "well " << k;
            if (c.mismatch > nodal::kPressureMatch) {
                // Apart by more than the match only where the outflow jumps
                // across the inflow: just beside the rate, on the other side.
                ++jumps;
                const double other = direct_traverse(w, c.other_side) - ipr::pwf(w.inflow, c.other_side);
                EXPECT_TRUE((other > 0) != (c.bhp - ipr::pwf(w.inflow, c.rate) > 0))
                    << "well " << k << ": curves " << c.mismatch << " Pa apart without a jump";
                EXPECT_LE(std::fabs(c.other_side - c.rate), 1e-7 * c.rate) << "well " << k;
            }
        }
        if (r.operating_point()) {
            ++points;
        } else {
            ++none;
            expect_reason_holds(r, k);
        }
    }
    // Both outcomes were met, and most crossings met within the match: the
    // property says something about each.
    std::printf("%d wells with an operating point, %d without; %d crossings at a jump\n", points, none, jumps);
    EXPECT_LT(jumps, points / 4);
    EXPECT_GT(points, 40);
    EXPECT_GT(none, 20);
}

TEST(Properties, EveryTableEntryLiesBetweenTheThpAndTheCeilingRisesWithItAndPassesItsOwnChecks) {
    std::mt19937 rng(1210);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    size_t jumps_along_flo = 0;
    for (int k = 0; k < 40; ++k) {
        RandomWell w = random_well(rng);
        w.options.max_pres = std::min(w.options.max_pres, wells::kTableCeiling);
        w.options.tol = 100;
        vfp::Table t;
        t.datum = w.line.nodes.front().z - w.line.nodes.back().z;
        const double thp = uniform(50, 200) * kPsiPa;
        t.axes.flo = {uniform(20, 200) * kStbD, uniform(500, 1500) * kStbD, uniform(3000, 20000) * kStbD};
        t.axes.thp = {thp, 2.5 * thp};
        t.axes.wfr = {0, uniform(0.2, 0.9)};
        t.axes.gfr = {uniform(50, 500) * blackoil::kScfPerStb, uniform(1000, 5000) * blackoil::kScfPerStb};
        vfp::Result r = vfp::compute(w.line, w.fluid, w.options, t);
        std::vector<bool> computed(r.table.bhp.size());
        for (size_t i = 0; i < computed.size(); ++i) computed[i] = std::isfinite(r.table.bhp[i]);
        std::vector<std::string> filled;
        std::string error;
        if (!r.failures.empty() &&
            !vfp::fill_from_rates(r.table, r.failures, vfp::Fill::Clamp, w.options.max_pres, filled, error)) {
            // Only a record with no computed rate at all cannot be clamped.
            EXPECT_NE(error.find("no rate of its record was computed"), std::string::npos) << error;
            continue;
        }
        // The table as the deck holds it passes vfp-check's checks (THP rising
        // only where both entries were computed: a clamped one may not).
        const std::vector<vfp::DeckTable> deck = vfp::read_vfp_text(vfp::vfpprod(r.table, vfp::Units::Field, {}), "own.inc");
        for (const vfp::Check& c : vfp::check_table(deck.at(0))) {
            if (!c.fails || std::string(c.name) == "bhp_rises_with_thp") continue;
            if (std::string(c.name) == "bhp_along_flo") {
                jumps_along_flo += c.found.size();
                continue;
            }
            EXPECT_TRUE(c.found.empty()) << "table " << k << ": " << c.name << ": " << c.found.front().text;
        }
        const vfp::Axes& a = r.table.axes;
        for (size_t ti = 0; ti < a.thp.size(); ++ti) {
            for (size_t wi = 0; wi < a.wfr.size(); ++wi) {
                for (size_t g = 0; g < a.gfr.size(); ++g) {
                    for (size_t f = 0; f < a.flo.size(); ++f) {
                        const double v = r.table.at(ti, wi, g, f);
                        EXPECT_GE(v, a.thp[ti]) << "table " << k;
                        EXPECT_LE(v, w.options.max_pres) << "table " << k;
                        if (ti == 0) continue;
                        const size_t lo = ((0 * a.wfr.size() + wi) * a.gfr.size() + g) * a.flo.size() + f;
                        const size_t hi = ((ti * a.wfr.size() + wi) * a.gfr.size() + g) * a.flo.size() + f;
                        if (computed[lo] && computed[hi]) {
                            EXPECT_GT(v, r.table.at(0, wi, g, f)) << "table " << k;
                        }
                    }
                }
            }
        }
    }
    std::printf("jumps along FLO in the project's own tables: %zu\n", jumps_along_flo);
    EXPECT_EQ(jumps_along_flo, 0u);
}

}  // namespace
}  // namespace flowmodel
