// The wells' options as users write them, a gas well on Fetkovich's inflow,
// and a lift curve with a minimum crossing the inflow twice.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <stdexcept>

#include "flowmodel/well_request.hpp"

namespace flowmodel {
namespace {

const double kPsiPa = blackoil::kPsi, kStbD = blackoil::kBarrel / 86400;
const double kMscfD = 1000 * 0.3048 * 0.3048 * 0.3048 / 86400;

TEST(InflowOptions, UnitsGaugeReadingsAndRefusals) {
    // C in Mscf/d per psi^2n: q = C (pr^2 - pwf^2)^n in those units.
    const ipr::Inflow f = wells::inflow_from("fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}},
                                             101325);
    EXPECT_NEAR(ipr::rate(f, 1000 * kPsiPa) / kMscfD, 0.01 * std::pow(2000.0 * 2000 - 1000.0 * 1000, 0.8), 1e-9);
    const ipr::Inflow m = wells::inflow_from("fetkovich", {{"res-pres", "100bar"}, {"c", "2 Sm3/d/bar2"}, {"n", "1"}}, 101325);
    EXPECT_NEAR(ipr::absolute_open_flow(m) * 86400, 2e4, 1e-8);
    // A gauge reservoir pressure takes the atmosphere given.
    EXPECT_NEAR(wells::inflow_from("pi", {{"res-pres", "100barg"}, {"pi", "1 Sm3/d/bar"}}, 95000).pr, 1e7 + 95000, 1e-6);
    // The composite asks the fluid for its bubble point when none is given.
    const ipr::Inflow c = wells::inflow_from("composite", {{"res-pres", "3000psia"}, {"pi", "1 STB/d/psi"}}, 101325,
                                             [](double pr) { return 0.5 * pr; });
    EXPECT_NEAR(c.pb, 1500 * kPsiPa, 1e-6);
    for (const auto& [kind, texts] : std::vector<std::pair<std::string, std::map<std::string, std::string>>>{
             {"fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 Mscf/d/psi"}, {"n", "0.8"}}},  // not squared
             {"fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 Mscf/d/psi2"}, {"n", "1.5"}}},
             {"composite", {{"res-pres", "3000psia"}, {"pi", "1 STB/d/psi"}}},  // no bubble point anywhere
             {"vogel", {{"res-pres", "3000psia"}, {"test-rate", "100 STB/d"}, {"test-pwf", "3100psia"}}},
             {"pi", {{"res-pres", "3000psia"}, {"pi", "-1 STB/d/psi"}}},
             {"pi", {{"pi", "1 STB/d/psi"}}},
             {"darcy", {{"res-pres", "3000psia"}}}}) {
        EXPECT_THROW(wells::inflow_from(kind, texts, 101325), std::invalid_argument) << kind;
    }
}

wells::NodalRequest oil_well(const std::map<std::string, std::string>& more) {
    wells::NodalRequest r;
    r.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::map<std::string, std::string> o = {{"diam", "2.441in"},     {"rough", "0.0006in"},  {"outlet-pres", "200psia"},
                                            {"temp-in", "180degF"},  {"temp-out", "100degF"}, {"api", "35"},
                                            {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"water-cut", "30%"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) {
        if (!wells::set_nodal_option(r, k, v)) set_option(r.traverse, k, v);
    }
    return r;
}

TEST(NodalOptions, AGasWellSweepsItsGasAndATraverseAgreesAtTheOperatingPoint) {
    const wells::NodalSetup s = wells::setup_nodal(oil_well(
        {{"gor", "20000 scf/STB"}, {"ipr", "fetkovich"}, {"res-pres", "3000psia"}, {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}}));
    ASSERT_TRUE(s.split.gas_rate);
    double oil = 0, water = 0, gas = 0;
    nodal::split_rate(s.split, 1000 * kMscfD, oil, water, gas);
    EXPECT_NEAR(gas / oil, 20000 * blackoil::kScfPerStb, 1e-9);
    EXPECT_NEAR(water / (oil + water), 0.3, 1e-12);
    const nodal::Result r = wells::analyse(s);
    const nodal::Crossing* op = r.operating_point();
    ASSERT_NE(op, nullptr);
    TraverseRequest at = oil_well({{"gor", "20000 scf/STB"}}).traverse;
    at.values["oil-rate"] = op->rate / (20000 * blackoil::kScfPerStb);
    at.values["water-rate"] = at.values["oil-rate"] * 0.3 / 0.7;
    at.values.erase("water-cut");
    const TraverseResult t = traverse(setup_traverse(at));
    ASSERT_TRUE(t.summary.complete);
    EXPECT_NEAR(t.summary.inlet_pres, op->bhp, 0.1 * kPsiPa) << op->rate / kMscfD << " Mscf/d";
    // Without liquid to carry there is nothing to split.
    EXPECT_THROW(wells::setup_nodal(oil_well({{"gor", "0"}, {"ipr", "fetkovich"}, {"res-pres", "3000psia"},
                                              {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}})),
                 std::invalid_argument);
    wells::NodalRequest r2;
    EXPECT_THROW(wells::set_nodal_option(r2, "liquid-rate", "100 STB/d"), std::invalid_argument);
}

TEST(NodalOptions, ALiftCurveWithAMinimumCrossesTwiceAndTheRisingBranchIsTheOperatingPoint) {
    // A weak straight-line inflow meets the falling (loading) branch at low
    // rate, then the rising branch.
    const nodal::Result r = wells::analyse(wells::setup_nodal(oil_well(
        {{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"}, {"pi", "0.6 STB/d/psi"}})));
    ASSERT_EQ(r.crossings.size(), 2u);
    EXPECT_FALSE(r.crossings[0].stable);
    EXPECT_TRUE(r.crossings[1].stable);
    EXPECT_EQ(r.operating_point(), &r.crossings[1]);
    EXPECT_LT(r.crossings[0].rate / kStbD, 100);
    EXPECT_GT(r.crossings[1].rate / kStbD, 300);
    // The refinement puts curve points within 0.1 % of each crossing's rate.
    for (const nodal::Crossing& c : r.crossings) {
        double nearest = 1e300;
        for (const nodal::Point& p : r.curve) nearest = std::min(nearest, std::fabs(p.rate - c.rate));
        EXPECT_LT(nearest, 1e-3 * c.rate);
    }
}

}  // namespace
}  // namespace flowmodel
