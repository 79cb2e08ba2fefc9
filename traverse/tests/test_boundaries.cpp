// A march with a target pressure meets it or says it did not, and the
// fluid's temperature stays within what its sources and its own energy
// balance allow: over random lifted, heated and tuned wells, and for a heat
// transfer coefficient from the ordinary to the absurd.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>

#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

// What friction and Joule-Thomson cooling may add to or take from the
// temperatures of the sources over a well (K): generous, so that only a
// march gone wrong (a fluid at absolute zero, or hotter than anything
// around it) falls outside.
constexpr double kBalanceMargin = 40;

// The lowest and highest temperature the fluid's sources give: the
// surroundings along the line, the inlet's.
std::pair<double, double> source_bounds(const TraverseSetup& s) {
    double lo = s.options.heat.inlet_temp, hi = lo;
    for (const LineNode& n : s.line.nodes) {
        lo = std::min(lo, n.temp);
        hi = std::max(hi, n.temp);
    }
    return {lo, hi};
}

void expect_within_bounds(const TraverseSetup& s, const TraverseResult& r, const std::string& what) {
    const auto [lo, hi] = source_bounds(s);
    for (const TraversePoint& p : r.points) {
        ASSERT_TRUE(std::isfinite(p.temp) && std::isfinite(p.pres)) << what << " at md " << p.md;
        EXPECT_GE(p.temp, lo - kBalanceMargin) << what << " at md " << p.md;
        EXPECT_LE(p.temp, hi + kBalanceMargin) << what << " at md " << p.md;
    }
}

TraverseRequest request(const std::map<std::string, std::string>& options) {
    TraverseRequest r;
    for (const auto& [k, v] : options) set_option(r, k, v);
    r.flow_decreasing = true;
    return r;
}

// From the ordinary (100 W/m2/K) to the absurd (1e9): complete, every
// temperature within its bounds, and with a coefficient far past any
// completion's the wellhead at the rock's temperature (once -224 K in one
// step, and "inlet pressure would exceed 1e9 Pa" for 1e7).
TEST(Boundaries, AStiffHeatTermIsIntegratedStably) {
    double previous = 0;
    for (const char* u : {"100", "1e4", "1e6", "1e7", "1e9"}) {
        const TraverseRequest r = request({{"length", "2400"}, {"angle", "-90"}, {"diam", "2.441in"},
                                           {"rough", "0.0006in"}, {"outlet-pres", "200psia"}, {"heat", "u-value"},
                                           {"u-value", u}, {"temp-in", "180degF"},
                                           {"geothermal", "60degF, 1.5degF/100ft"}, {"api", "35"},
                                           {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
                                           {"oil-rate", "1000 STB/d"}, {"water-rate", "300 STB/d"},
                                           {"gor", "600 scf/STB"}});
        const TraverseSetup s = setup_traverse(r);
        const TraverseResult t = traverse(s);
        ASSERT_TRUE(t.summary.complete) << u << ": " << t.summary.message;
        EXPECT_NEAR(t.summary.inlet_temp, (180 - 32) / 1.8 + 273.15, 1e-9) << u;
        expect_within_bounds(s, t, std::string("U ") + u);
        // The wellhead nears the surface rock's 60 degF as the coefficient grows.
        const double above_rock = t.summary.outlet_temp - ((60 - 32) / 1.8 + 273.15);
        EXPECT_GE(above_rock, -0.5) << u;
        if (previous > 0) {
            EXPECT_LT(above_rock, previous + 1e-6) << u;
        }
        previous = std::max(above_rock, 1e-9);
    }
    EXPECT_LT(previous, 0.1);
}

// Random wells: a depth, a rate, water, gas, a wellhead pressure, lift gas
// at a random depth or none, a heat law or none, multipliers or none. Every
// march ends at the wellhead pressure given: exactly where it starts there,
// within tol per step (the accuracy of a march's far end) where the inlet
// pressure is shot for, the miss stated; or it is marked incomplete with a
// message. Every temperature lies within its sources' bounds.
TEST(Boundaries, RandomWellsMeetTheirWellheadOrSaySoAndStayWithinTheirTemperatures) {
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> u(0, 1);
    int complete = 0, heated = 0, lifted = 0;
    for (int k = 0; k < 100; ++k) {
        const double depth = 800 + 2400 * u(rng), whp = 8 + 40 * u(rng);
        std::map<std::string, std::string> o = {
            {"length", std::to_string(depth)}, {"angle", "-90"}, {"diam", u(rng) < 0.5 ? "2.441in" : "2.992in"},
            {"rough", "0.0006in"}, {"outlet-pres", std::to_string(whp) + "bar"}, {"api", std::to_string(20 + 25 * u(rng))},
            {"gas-gravity", "0.7"}, {"water-gravity", "1.05"}, {"oil-rate", std::to_string(30 + 400 * u(rng)) + " Sm3/d"},
            {"water-rate", std::to_string(300 * u(rng)) + " Sm3/d"}, {"gor", std::to_string(20 + 200 * u(rng)) + " Sm3/Sm3"},
            {"tol", std::to_string(1 + 100 * u(rng))}};
        const double law = u(rng);
        if (law < 0.3) {
            o.insert({{"heat", "ramey"}, {"producing-time", std::to_string(1 + 300 * u(rng)) + "d"}, {"hole-diam", "8.5in"},
                      {"geothermal", "12degC, " + std::to_string(1.5 + 2.5 * u(rng)) + "degC/100m"}});
        } else if (law < 0.6) {
            o.insert({{"heat", "u-value"}, {"u-value", std::to_string(std::pow(10, 1 + 6 * u(rng)))},
                      {"geothermal", "12degC, " + std::to_string(1.5 + 2.5 * u(rng)) + "degC/100m"}});
        } else {
            o.insert({{"temp-in", "90degC"}, {"temp-out", "40degC"}});
        }
        if (u(rng) < 0.5) {
            o.insert({{"lift-gas-rate", std::to_string(5000 + 60000 * u(rng)) + " Sm3/d"},
                      {"injection-depth", std::to_string(depth * (0.3 + 0.6 * u(rng)))}});
        }
        if (u(rng) < 0.3) o.insert({{"holdup-factor", "0.85"}, {"friction-factor", "1.3"}});
        const TraverseSetup s = setup_traverse(request(o));
        const TraverseResult t = traverse(s);
        const std::string what = "well " + std::to_string(k);
        heated += s.options.heat.marched();
        lifted += s.lift.has_value();
        if (!t.summary.complete) {
            EXPECT_FALSE(t.summary.message.empty()) << what;
            EXPECT_TRUE(std::isnan(t.summary.inlet_pres)) << what;
            continue;
        }
        ++complete;
        const double miss = std::fabs(t.summary.outlet_pres - s.options.pres);
        if (!s.options.heat.marched()) {
            EXPECT_EQ(t.summary.outlet_pres, s.options.pres) << what;  // marched from it
            EXPECT_TRUE(std::isnan(t.summary.outlet_miss)) << what;
        } else {
            // Shot for: within tol per step of the march, the miss stated.
            EXPECT_GT(t.summary.steps, 0) << what;
            EXPECT_LE(miss, s.options.tol * static_cast<double>(t.summary.steps)) << what;
            EXPECT_NEAR(miss, t.summary.outlet_miss, 1e-9 * whp * 1e5) << what;
        }
        if (s.options.heat.marched()) {
            expect_within_bounds(s, t, what);
        }
    }
    // The sample exercises what it claims to.
    EXPECT_GE(complete, 80);
    EXPECT_GE(heated, 40);
    EXPECT_GE(lifted, 30);
}

}  // namespace
}  // namespace flowmodel
