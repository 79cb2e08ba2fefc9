// Inflow curves against a published worked example and their own algebra,
// and the operating point of the oil well checked by a traverse at its rate.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/nodal.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

TEST(Inflow, VogelAgainstAWorkedExample) {
    // T. Ahmed, Reservoir Engineering Handbook, oil well performance: a
    // saturated reservoir at 2500 psig tested at 350 STB/d and 2000 psig gives
    // qmax = 1067.1 STB/d and 441.7 STB/d at 1850 psig (the ratios are Vogel's).
    const ipr::Inflow v = ipr::vogel_from_test(2500, 350, 2000);
    EXPECT_NEAR(v.qmax, 1067.1, 0.05);
    EXPECT_NEAR(ipr::rate(v, 1850), 441.7, 0.05);
    EXPECT_NEAR(ipr::rate(v, 1250), 0.7 * v.qmax, 1e-9);  // half the reservoir pressure: 70 %
    EXPECT_EQ(ipr::rate(v, 2600), 0);
}

TEST(Inflow, EveryKindInvertsAndTheCompositeIsSmoothAtTheBubblePoint) {
    ipr::Inflow lin{ipr::Kind::Linear, 2e7, 1e-9};
    ipr::Inflow comp{ipr::Kind::Composite, 2e7, 1e-9, 0, 1.2e7};
    ipr::Inflow fet{ipr::Kind::Fetkovich, 2e7, 0, 0, 0, 1e-17, 0.8};
    const ipr::Inflow vog = ipr::vogel_from_test(2e7, 0.01, 1e7);
    for (const ipr::Inflow& in : {lin, comp, fet, vog}) {
        for (double p : {0.0, 3e6, 1.1e7, 1.2e7, 1.3e7, 1.9e7}) {
            EXPECT_NEAR(ipr::pwf(in, ipr::rate(in, p)), p, 1e-6 * 2e7) << static_cast<int>(in.kind) << " at " << p;
        }
        EXPECT_TRUE(std::isnan(ipr::pwf(in, 1.01 * ipr::absolute_open_flow(in))));
    }
    // Rate and slope continuous at the bubble point; the slope there is -J.
    const double e = 1.0;
    EXPECT_NEAR(ipr::rate(comp, 1.2e7 - e), ipr::rate(comp, 1.2e7 + e) + 2 * e * comp.j, 1e-12);
    const double below = (ipr::rate(comp, 1.2e7 - 2 * e) - ipr::rate(comp, 1.2e7 - e)) / e;
    const double above = (ipr::rate(comp, 1.2e7 + e) - ipr::rate(comp, 1.2e7 + 2 * e)) / e;
    EXPECT_NEAR(below, comp.j, 1e-6 * comp.j);
    EXPECT_NEAR(above, comp.j, 1e-6 * comp.j);
    // Fetkovich's absolute open flow is C pr^2n.
    EXPECT_NEAR(ipr::absolute_open_flow(fet), 1e-17 * std::pow(4e14, 0.8), 1e-12);
}

TEST(Nodal, TheOperatingPointIsWhereATraverseMeetsTheInflow) {
    TraverseRequest r;
    r.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    r.flow_decreasing = true;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"diam", "2.441in"}, {"rough", "0.0006in"}, {"outlet-pres", "200psia"}, {"temp-in", "180degF"},
             {"temp-out", "100degF"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
             {"liquid-rate", "1000 STB/d"}, {"water-cut", "30%"}, {"gor", "600 scf/STB"}}) {
        set_option(r, k, v);
    }
    const TraverseSetup s = setup_traverse(r);
    const auto& oil = s.black_oil()->inputs();
    const double psi = blackoil::kPsi, stb_d = blackoil::kBarrel / 86400;
    const ipr::Inflow vogel{ipr::Kind::Vogel, 3000 * psi, 0, 2500 * stb_d};
    const nodal::Split split{0.3, 600 * blackoil::kScfPerStb, false};
    const nodal::Result res = nodal::analyse(s.line, oil, split, s.options, vogel, {});
    const nodal::Crossing* op = res.operating_point();
    ASSERT_NE(op, nullptr);
    // A traverse at the operating rate needs the bottom-hole pressure the reservoir gives there.
    TraverseRequest at = r;
    set_option(at, "liquid-rate", io::format_double(op->rate) + " Sm3/s");
    const TraverseResult t = traverse(setup_traverse(at));
    ASSERT_TRUE(t.summary.complete);
    EXPECT_NEAR(t.summary.inlet_pres, op->bhp, 0.1 * psi) << "at " << op->rate / stb_d << " STB/d";
    // ... and the inflow at that rate gives it within the stated match.
    EXPECT_LE(op->mismatch, nodal::kPressureMatch);
    EXPECT_NEAR(ipr::pwf(vogel, op->rate), op->bhp, nodal::kPressureMatch);
    // Against a reservoir too weak to lift the column, there is none.
    const ipr::Inflow weak{ipr::Kind::Vogel, 1500 * psi, 0, 500 * stb_d};
    EXPECT_EQ(nodal::analyse(s.line, oil, split, s.options, weak, {}).operating_point(), nullptr);
}

}  // namespace
}  // namespace flowmodel
