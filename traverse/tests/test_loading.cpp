// Liquid loading of a gas well: the droplet model's critical velocity
// against its own force balance and its published field-unit constants, and
// judged along a traverse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "flowmodel/constants.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/loading.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

using constant::kPi;
using constant::kStandardGravity;

struct Drop {
    double rho_l, rho_g, sigma;  // kg/m3, kg/m3, N/m
};
const Drop kFluids[] = {{1070, 5, 0.06}, {1070, 80, 0.05}, {720, 15, 0.02}, {850, 150, 0.008}};

// At the critical velocity the largest drop the gas sustains (Weber number
// 30: d = 30 sigma / (rho_g v^2)) hangs in the stream: its drag (drag
// coefficient 0.44) equals its weight less its buoyancy.
TEST(Loading, AtTheCriticalVelocityTheLargestDropHangsInTheGas) {
    for (const Drop& f : kFluids) {
        const double v = critical_gas_velocity(LoadingCriterion::Coleman, f.rho_l, f.rho_g, f.sigma);
        const double d = 30 * f.sigma / (f.rho_g * v * v);
        const double drag = 0.5 * 0.44 * f.rho_g * v * v * kPi * d * d / 4;
        const double weight = (f.rho_l - f.rho_g) * kStandardGravity * kPi * d * d * d / 6;
        EXPECT_NEAR(drag / weight, 1.0, 1e-12) << f.rho_g;
        // Turner et al.'s 20 % over it.
        EXPECT_NEAR(critical_gas_velocity(LoadingCriterion::Turner, f.rho_l, f.rho_g, f.sigma), 1.2 * v, 1e-12 * v);
    }
    // No drop where the liquid is no heavier than the gas or has no tension; none judged without a criterion.
    EXPECT_EQ(critical_gas_velocity(LoadingCriterion::Turner, 100, 100, 0.02), 0.0);
    EXPECT_EQ(critical_gas_velocity(LoadingCriterion::Turner, 1000, 10, 0), 0.0);
    EXPECT_EQ(critical_gas_velocity(LoadingCriterion::None, 1000, 10, 0.05), 0.0);
}

// The forms engineers use, ft/s with sigma in dyn/cm and densities in lbm/ft3:
// 1.593 (sigma (rho_l - rho_g))^(1/4) / rho_g^(1/2) as derived (Coleman et
// al. 1991), 1.912 with Turner et al.'s adjustment (1969); the constants are
// printed to four figures.
TEST(Loading, InFieldUnitsTheConstantsAreThePublishedOnes) {
    const double lb_ft3 = unit::kLbPerFt3;
    for (const double sigma_dyn : {20.0, 60.0}) {
        for (const double rho_l : {45.0, 67.0}) {
            for (const double rho_g : {0.5, 3.1, 12.0}) {
                const double coleman = critical_gas_velocity(LoadingCriterion::Coleman, rho_l * lb_ft3, rho_g * lb_ft3,
                                                             sigma_dyn * 1e-3) / unit::kFoot;
                const double turner = critical_gas_velocity(LoadingCriterion::Turner, rho_l * lb_ft3, rho_g * lb_ft3,
                                                            sigma_dyn * 1e-3) / unit::kFoot;
                const double form = std::pow(sigma_dyn * (rho_l - rho_g), 0.25) / std::sqrt(rho_g);
                EXPECT_NEAR(coleman / (1.593 * form), 1.0, 5e-4);
                EXPECT_NEAR(turner / (1.912 * form), 1.0, 5e-4);
            }
        }
    }
}

// A vertical gas well of 8000 ft in 2.441 in tubing, 300 psia at the
// wellhead, 5 STB/d of condensate and 10 STB/d of water.
TraverseRequest gas_well(double gas_mscf_d, const std::string& loading) {
    TraverseRequest r;
    const std::map<std::string, std::string> options = {
        {"length", "8000ft"}, {"angle", "90"}, {"diam", "2.441in"}, {"rough", "0.0006in"},
        {"outlet-pres", "300psia"}, {"temp-in", "180degF"}, {"temp-out", "100degF"}, {"api", "50"},
        {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"oil-rate", "5 STB/d"}, {"water-rate", "10 STB/d"},
        {"gor", io::format_double(gas_mscf_d * 1000 / 5) + " scf/STB"}, {"output-step", "100ft"}};
    for (const auto& [k, v] : options) set_option(r, k, v);
    if (!loading.empty()) set_option(r, "loading", loading);
    return r;
}

TEST(Loading, AWellAtItsCriticalRateHasItsGasAtTheCriticalVelocityAtTheWellhead) {
    const TraverseResult fast = traverse(setup_traverse(gas_well(1500, "coleman")));
    ASSERT_TRUE(fast.summary.complete) << fast.summary.message;
    const double top = fast.summary.critical_gas_rate_wellhead, bottom = fast.summary.critical_gas_rate_bottom;
    // The gas is denser at the bottom: it needs a larger rate there (v_c rho_g grows as rho_g^(1/2)).
    EXPECT_GT(bottom, top);
    EXPECT_TRUE(fast.summary.loading_stretches.empty());
    const double mscf_d = unit::kMscf / unit::kDay;
    EXPECT_GT(1500 * mscf_d, bottom);
    // Marched again at the wellhead's critical rate: the gas there flows at the critical velocity
    // (the condensate's dissolved gas aside: within 0.5 %).
    const TraverseResult at = traverse(setup_traverse(gas_well(top / mscf_d, "coleman")));
    ASSERT_TRUE(at.summary.complete) << at.summary.message;
    const TraversePoint& head = *std::max_element(at.points.begin(), at.points.end(),
                                                  [](const TraversePoint& a, const TraversePoint& b) { return a.md < b.md; });
    ASSERT_NEAR(head.md, 8000 * unit::kFoot, 1e-6);
    EXPECT_NEAR(head.usg / critical_gas_velocity(LoadingCriterion::Coleman, head.rol, head.rog, head.sigma), 1.0, 5e-3);
    // There the whole well lies below its critical velocity.
    ASSERT_EQ(at.summary.loading_stretches.size(), 1u);
    EXPECT_NEAR(at.summary.loading_stretches[0][0], 0.0, 1e-9);
    EXPECT_GT(at.summary.loading_stretches[0][1], 8000 * unit::kFoot - 40);
    // Between the two rates the well loads from the bottom up to where the gas is fast enough.
    const TraverseResult between = traverse(setup_traverse(gas_well(0.5 * (top + bottom) / mscf_d, "coleman")));
    ASSERT_EQ(between.summary.loading_stretches.size(), 1u);
    const auto& st = between.summary.loading_stretches[0];
    EXPECT_EQ(st[0], 0.0);
    EXPECT_GT(st[1], 30.0);
    EXPECT_LT(st[1], 8000 * unit::kFoot - 30);
    for (const TraversePoint& p : between.points) {
        const double vc = critical_gas_velocity(LoadingCriterion::Coleman, p.rol, p.rog, p.sigma);
        if (p.md < st[1] - 31) {
            EXPECT_LT(p.usg, vc) << p.md;
        } else if (p.md > st[1] + 31) {
            EXPECT_GT(p.usg, vc) << p.md;
        }
    }
    // Turner's criterion asks 20 % more of the same well.
    const TraverseResult turner = traverse(setup_traverse(gas_well(1500, "turner")));
    EXPECT_NEAR(turner.summary.critical_gas_rate_wellhead, 1.2 * top, 1e-9 * top);
    // A dry gas carries no liquid: nothing loads it up, whatever its rate.
    const TraverseResult dry = traverse(setup_traverse([] {
        TraverseRequest r = gas_well(100, "turner");
        r.given.oil_rate.reset();
        r.given.water_rate.reset();
        r.given.gor.reset();
        set_option(r, "gas-rate", "100 Mscf/d");
        return r;
    }()));
    ASSERT_TRUE(dry.summary.complete) << dry.summary.message;
    EXPECT_EQ(dry.summary.critical_gas_rate_wellhead, 0.0);
    EXPECT_TRUE(dry.summary.loading_stretches.empty());
    // Not asked for, not judged.
    EXPECT_TRUE(std::isnan(traverse(setup_traverse(gas_well(1500, ""))).summary.critical_gas_rate_wellhead));
}

TEST(Loading, JudgedOnlyForAWellsOwnGasFlowingUp) {
    auto refused = [](TraverseRequest r, const std::string& why) {
        try {
            setup_traverse(r);
            ADD_FAILURE() << "not refused: " << why;
        } catch (const OptionError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    };
    TraverseRequest down = gas_well(1500, "turner");
    set_option(down, "angle", "-90");
    refused(down, "flowing up");
    TraverseRequest lifted = gas_well(1500, "turner");
    set_option(lifted, "lift-gas-rate", "100 Mscf/d");
    set_option(lifted, "injection-depth", "7000ft");
    refused(lifted, "lift gas");
    TraverseRequest constant;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"length", "1000m"}, {"angle", "90"}, {"diam", "0.06"}, {"outlet-pres", "20bar"}, {"temp", "300K"},
             {"liquid-rate", "0.5"}, {"gas-rate", "0.05"}, {"loading", "turner"}}) {
        set_option(constant, k, v);
    }
    refused(constant, "black-oil");
    TraverseRequest word;
    EXPECT_THROW(set_option(word, "loading", "droplet"), OptionError);
}

}  // namespace
}  // namespace flowmodel
