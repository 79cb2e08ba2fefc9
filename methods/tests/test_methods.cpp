// The classic methods at a point: the chapter-4 example well of Brill &
// Mukherjee, "Multiphase Flow in Wells" (SPE Monograph 17, 1999), and their
// behaviour at the limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "../src/common.hpp"
#include "flowmodel/methods.hpp"

namespace {

using flowmodel::Inputs;
using flowmodel::Method;
using flowmodel::Pattern;
using flowmodel::PointAnswer;
using flowmodel::evaluate_point;

constexpr double kFt = 0.3048, kLbFt3 = 16.018463, kPsi = 6894.757;
constexpr double kPsiPerFt = kPsi / kFt;  // Pa/m

// The example well of Brill & Mukherjee's chapter 4 (Examples 4.2 to 4.10):
// vertical 6 in. tubing, 1700 psia, 180 F; vsL 3.97 ft/s, vsg 3.86 ft/s;
// rhoL 47.61 and rhog 5.88 lbm/ft3; muL 0.97 and mug 0.016 cp; sigma 8.41
// dyn/cm; roughness 0.00006 ft.
Inputs example_well() {
    return {3.97 * kFt, 3.86 * kFt, 47.61 * kLbFt3, 5.88 * kLbFt3, 0.97e-3, 0.016e-3, 0.00006 * kFt,
            8.41e-3, 0.5 * kFt, 90.0, 1700 * kPsi};
}

// The expected values below were worked by hand from each source's equations
// in the field units the sources print them in (lbm, ft, psi, the constant
// 1.938 of the velocity numbers, 1488 of the Reynolds number), so that they
// also check the methods' SI forms. Beggs & Brill: lambda 0.507, NFR 3.81,
// intermittent (L3 0.268 < NFR <= L4 48.6), HL(0) 0.5741, C = 0 (its
// logarithm is negative), so HL(90) = HL(0).
struct Worked {
    Method method;
    Pattern pattern;
    double holdup;
    double dpt;  // psi/ft
};
constexpr Worked kWorked[] = {
    {Method::BeggsBrillOriginal, Pattern::Intermittent, 0.57407, 0.214663},
    {Method::BeggsBrill, Pattern::Intermittent, 0.53044, 0.202741},        // x 0.924 (Payne et al.)
    {Method::BeggsBrillPalmer, Pattern::Intermittent, 0.52700, 0.201754},  // x 0.918 (Palmer)
    {Method::Gray, Pattern::Mist, 0.51326, 0.195901},
    // HL/psi 0.282 (X2 7.31e-5), psi 1 (X3 5.1e-5): 0.282 < lambda, so the no-slip floor.
    {Method::HagedornBrown, Pattern::NonBubble, 0.50702, 0.192620},
    {Method::MukherjeeBrill, Pattern::Slug, 0.56023, 0.209208},            // NLV 11.87 < NLVBS 18.39
    {Method::NoSlip, Pattern::Homogeneous, 0.50702, 0.193331},
};

TEST(Methods, ExampleWellOfTheMonographWorkedByHand) {
    for (const Worked& w : kWorked) {
        const PointAnswer a = evaluate_point(w.method, example_well());
        SCOPED_TRACE(flowmodel::method_info(w.method).name);
        ASSERT_TRUE(a.valid);
        EXPECT_EQ(a.pattern, w.pattern);
        EXPECT_NEAR(a.holdup, w.holdup, 2e-5);
        EXPECT_NEAR(a.dpt / kPsiPerFt, w.dpt, 2e-4 * w.dpt);
        EXPECT_NEAR(a.dpt, a.dpf + a.dpg + a.dpa, 1e-9 * a.dpt);
    }
}

// The dimensionless numbers the monograph prints for this well (Example 4.2):
// NLV 11.87, NGV 11.54, NL 0.0118 (and ND 143.8, CNL 0.0022 from the chart).
TEST(Methods, VelocityNumbersOfTheExampleWell) {
    const Inputs in = example_well();
    const flowmodel::classic::VelocityNumbers n = flowmodel::classic::velocity_numbers(in);
    EXPECT_NEAR(n.nlv, 11.87, 0.005);
    EXPECT_NEAR(n.ngv, 11.54, 0.005);
    EXPECT_NEAR(n.nl, 0.0118, 0.00005);
    // The field form's 120.872 d (rhoL/sigma)^0.5 rounds its constant: 0.06 % apart.
    EXPECT_NEAR(in.diam * std::sqrt(in.rol * 9.80665 / in.sigma), 143.8, 0.1);
}

// Below Griffith & Wallis's boundary Hagedorn & Brown gives their bubble
// flow: the gas holdup from a slip of 0.8 ft/s, friction of the liquid alone.
TEST(Methods, HagedornBrownBubbleFlowOfGriffithAndWallis) {
    Inputs in = example_well();
    in.usg = 0.1 * kFt;
    in.usl = 0.5 * kFt;
    in.diam = 0.5 * kFt;
    // vm 0.6 ft/s: LB = 1.071 - 0.2218 0.36/0.5 = 0.911 > 0.167.
    const PointAnswer a = evaluate_point(Method::HagedornBrown, in);
    EXPECT_EQ(a.pattern, Pattern::GriffithBubble);
    const double r = 0.6 / 0.8;
    const double hg = 0.5 * (1 + r - std::sqrt((1 + r) * (1 + r) - 4 * 0.1 / 0.8));
    EXPECT_NEAR(a.holdup, 1 - hg, 1e-12);
    in.usg = 5.0 * kFt;  // vm 5.5 ft/s: LB at its floor 0.13 < 0.91
    EXPECT_EQ(evaluate_point(Method::HagedornBrown, in).pattern, Pattern::NonBubble);
}

TEST(Methods, MoodyFrictionFactorSolvesColebrookAndIsLaminarBelow2000) {
    EXPECT_DOUBLE_EQ(flowmodel::classic::moody(1000, 0.001), 0.064);
    for (double re : {3e3, 1e5, 1e7}) {
        for (double rr : {0.0, 1e-4, 1e-2}) {
            const double f = flowmodel::classic::moody(re, rr);
            const double residual = 1 / std::sqrt(f) + 2 * std::log10(rr / 3.7 + 2.51 / (re * std::sqrt(f)));
            EXPECT_NEAR(residual, 0, 1e-9) << re << " " << rr;
        }
    }
}

// One phase alone: every classic method gives that phase's own gradient.
TEST(Methods, SinglePhaseGivesTheSinglePhaseGradient) {
    Inputs liquid = example_well();
    liquid.usg = 0;
    Inputs gas = example_well();
    gas.usl = 0;
    for (Method m : {Method::BeggsBrill, Method::BeggsBrillPalmer, Method::BeggsBrillOriginal, Method::HagedornBrown,
                     Method::Gray, Method::MukherjeeBrill, Method::NoSlip}) {
        SCOPED_TRACE(flowmodel::method_info(m).name);
        const PointAnswer l = evaluate_point(m, liquid);
        const double re_l = liquid.rol * liquid.usl * liquid.diam / liquid.visl;
        const double f_l = flowmodel::classic::moody(re_l, liquid.rough / liquid.diam);
        EXPECT_EQ(l.pattern, Pattern::Liquid);
        EXPECT_DOUBLE_EQ(l.holdup, 1.0);
        EXPECT_NEAR(l.dpg, liquid.rol * 9.80665, 1e-9);
        EXPECT_NEAR(l.dpf, f_l * liquid.rol * liquid.usl * liquid.usl / (2 * liquid.diam), 1e-9);
        EXPECT_DOUBLE_EQ(l.dpa, 0);
        const PointAnswer g = evaluate_point(m, gas);
        EXPECT_EQ(g.pattern, Pattern::Gas);
        EXPECT_DOUBLE_EQ(g.holdup, 0.0);
        EXPECT_NEAR(g.dpg, gas.rog * 9.80665, 1e-9);
        const double ek = gas.rog * gas.usg * gas.usg / gas.pres;
        EXPECT_NEAR(g.dpt, (g.dpf + g.dpg) / (1 - ek), 1e-9);
    }
}

TEST(Methods, HorizontalNoSlipHasNoGravityPart) {
    Inputs in = example_well();
    in.angle = 0;
    const PointAnswer a = evaluate_point(Method::NoSlip, in);
    EXPECT_DOUBLE_EQ(a.dpg, 0);
    EXPECT_GT(a.dpf, 0);
}

// Downhill, Payne et al. take 0.685 of the holdup and Palmer 0.541, where the
// paper's own holdup is taken whole; the gravity part turns negative.
TEST(Methods, DownhillHoldupFactorsOfBeggsAndBrill) {
    Inputs in = example_well();
    in.angle = -30;
    in.usl = 0.5 * kFt;
    const PointAnswer bare = evaluate_point(Method::BeggsBrillOriginal, in);
    const PointAnswer payne = evaluate_point(Method::BeggsBrill, in);
    const PointAnswer palmer = evaluate_point(Method::BeggsBrillPalmer, in);
    EXPECT_NEAR(payne.holdup, 0.685 * bare.holdup, 1e-12);
    EXPECT_NEAR(palmer.holdup, 0.541 * bare.holdup, 1e-12);
    EXPECT_LT(payne.dpg, 0);
    in.angle = 30;
    EXPECT_NEAR(evaluate_point(Method::BeggsBrill, in).holdup, 0.924 * evaluate_point(Method::BeggsBrillOriginal, in).holdup,
                1e-12);
}

// The transition zone weighs the segregated and intermittent holdups so that
// the holdup is continuous at both of its edges, L2 and L3.
TEST(Methods, BeggsBrillTransitionIsContinuousAtItsEdges) {
    Inputs in = example_well();
    in.angle = 0;
    in.usl = 0.3;
    const double lambda_target = 0.1;
    const double l2 = 0.0009252 * std::pow(lambda_target, -2.4684);
    const double l3 = 0.10 * std::pow(lambda_target, -1.4516);
    for (double nfr : {l2, l3}) {
        // vm from NFR at fixed lambda.
        const double vm = std::sqrt(nfr * 9.80665 * in.diam);
        Inputs below = in, above = in;
        below.usl = lambda_target * vm * (1 - 1e-7);
        below.usg = (1 - lambda_target) * vm * (1 - 1e-7);
        above.usl = lambda_target * vm * (1 + 1e-7);
        above.usg = (1 - lambda_target) * vm * (1 + 1e-7);
        const PointAnswer a = evaluate_point(Method::BeggsBrill, below);
        const PointAnswer b = evaluate_point(Method::BeggsBrill, above);
        EXPECT_NE(a.pattern, b.pattern);
        EXPECT_NEAR(a.holdup, b.holdup, 1e-5) << nfr;
    }
}

TEST(Methods, MukherjeeBrillStratifiedDownhillByItsMomentumBalance) {
    Inputs in = example_well();
    in.angle = -10;
    in.usl = 0.02;
    in.usg = 1.0;
    const PointAnswer a = evaluate_point(Method::MukherjeeBrill, in);
    ASSERT_TRUE(a.valid);
    EXPECT_EQ(a.pattern, Pattern::Stratified);
    EXPECT_GT(a.dpf, 0);
    EXPECT_LT(a.dpg, 0);
    EXPECT_DOUBLE_EQ(a.dpa, 0);
    // Uphill at the same rates it is no longer stratified.
    in.angle = 10;
    EXPECT_NE(evaluate_point(Method::MukherjeeBrill, in).pattern, Pattern::Stratified);
}

TEST(Methods, FittedRangesFlaggedNeverRefused) {
    const PointAnswer bb = evaluate_point(Method::BeggsBrill, example_well());
    EXPECT_TRUE(bb.valid);
    EXPECT_FALSE(bb.outside & 1u);  // 6 in. against 1 and 1.5 in.: information, never a warning
    EXPECT_TRUE(bb.outside & 2u);   // 1700 psia against 35 to 95 psia
    Inputs lab = example_well();
    lab.diam = 0.0254;
    lab.pres = 50 * kPsi;
    lab.visl = 1e-3;
    EXPECT_EQ(evaluate_point(Method::BeggsBrill, lab).outside, 0u);
    EXPECT_EQ(evaluate_point(Method::NoSlip, example_well()).outside, 0u);
    const double low[] = {0, 1700 * kPsi, 0}, high[] = {0, 1800 * kPsi, 0};
    const auto w = flowmodel::range_warnings(Method::BeggsBrill, 2u, low, high);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], "Beggs & Brill (1973) used outside the data it was fitted on: pressure 1700 to 1800 psia (fitted: 35 "
                    "to 95 psia)");
    // Gray's tubing limit still warns; angles read as well people read them.
    Inputs wide = example_well();
    wide.diam = 4.5 * 0.0254;
    EXPECT_TRUE(evaluate_point(Method::Gray, wide).outside & 1u);
    const double a_low[] = {0, 0, 45}, a_high[] = {0, 0, 70};
    const auto h = flowmodel::range_warnings(Method::HagedornBrown, 4u, a_low, a_high);
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0], "Hagedorn & Brown (1965) used outside the data it was fitted on: inclination from vertical 20 to "
                    "45 deg (fitted: a vertical well)");
}

TEST(Methods, NamesAsUsersWriteThem) {
    EXPECT_EQ(flowmodel::method_named(" Beggs_Brill ")->method, Method::BeggsBrill);
    EXPECT_EQ(flowmodel::method_named("MODEL")->method, Method::Model);
    EXPECT_EQ(flowmodel::method_named("all"), nullptr);
    EXPECT_EQ(flowmodel::method_named("beggs"), nullptr);
}

// Whatever the inputs, a method answers or says it has none; never a holdup
// outside 0 to 1 or a non-finite gradient called valid.
TEST(Methods, AnyInputGivesAnAnswerOrNone) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto pick = [&](double lo, double hi) {
        const double r = u(rng);
        if (r < 0.03) return 0.0;
        if (r < 0.05) return -1.0;
        if (r < 0.06) return nan;
        return lo * std::pow(hi / lo, u(rng));
    };
    for (int k = 0; k < 20000; ++k) {
        Inputs in{pick(1e-4, 20), pick(1e-4, 100), pick(300, 1500), pick(0.05, 400), pick(1e-4, 1), pick(5e-6, 1e-4),
                  pick(1e-7, 1e-3), pick(1e-3, 0.1), pick(0.01, 1), -90 + 180 * u(rng), pick(1e4, 1e8)};
        // Every row of the table, so that a method added is held to it too.
        for (const flowmodel::MethodInfo& row : flowmodel::methods()) {
            const PointAnswer a = evaluate_point(row.method, in);
            if (!a.valid) continue;
            ASSERT_TRUE(std::isfinite(a.dpt) && std::isfinite(a.dpf) && std::isfinite(a.dpg) && std::isfinite(a.dpa))
                << row.name;
            ASSERT_GE(a.holdup, 0) << row.name;
            ASSERT_LE(a.holdup, 1) << row.name;
            // The pattern is one its row names: the faces draw and count patterns from the row.
            ASSERT_NE(std::find(row.patterns.begin(), row.patterns.end(), a.pattern), row.patterns.end())
                << row.name << ": " << flowmodel::pattern_name(a.pattern);
        }
    }
}

}  // namespace

namespace {

// The row is the dispatch: what evaluate_point gives is the row's point
// function's answer with the fitted-range bits, and the gravity the energy
// balance takes is the row's.
TEST(MethodTable, EachRowIsWhatTheMethodIs) {
    const Inputs in = example_well();
    for (const flowmodel::MethodInfo& row : flowmodel::methods()) {
        SCOPED_TRACE(row.name);
        const PointAnswer direct = row.point(in), dispatched = evaluate_point(row.method, in);
        EXPECT_EQ(direct.dpt, dispatched.dpt);
        EXPECT_EQ(direct.holdup, dispatched.holdup);
        EXPECT_EQ(direct.pattern, dispatched.pattern);
        EXPECT_EQ(flowmodel::method_gravity(row.method), row.gravity);
        EXPECT_EQ(&flowmodel::method_info(row.method), &row);
        EXPECT_EQ(flowmodel::method_named(row.name), &row);
        // Only the model's invalid separated answers are bridged, and only it says why it has none.
        EXPECT_EQ(row.bridged, row.method == Method::Model);
    }
    // The model's gravity part is written with its own 9.81, the correlations' with the standard 9.80665.
    EXPECT_EQ(flowmodel::method_info(Method::Model).gravity, 9.81);
    EXPECT_EQ(flowmodel::method_info(Method::Gray).gravity, 9.80665);
    Inputs none = example_well();
    none.pres = -1;
    EXPECT_FALSE(evaluate_point(Method::Model, none).valid);
    EXPECT_NE(flowmodel::method_info(Method::Model).why_none(none).find("status 2"), std::string::npos);
}

}  // namespace
