// Gas lift in the traverse: the lifted part equals a traverse of that part
// alone with the combined gas; no lift gas changes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>

#include "flowmodel/lift_gas.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

TraverseRequest oil_well(const std::map<std::string, std::string>& more) {
    TraverseRequest r;
    r.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    r.flow_decreasing = true;
    std::map<std::string, std::string> o{{"diam", "2.441in"},     {"rough", "0.0006in"},   {"outlet-pres", "200psia"},
                                         {"temp-in", "180degF"},  {"temp-out", "100degF"}, {"api", "35"},
                                         {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"oil-rate", "1000 STB/d"},
                                         {"water-rate", "300 STB/d"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) set_option(r, k, v);
    return r;
}

TEST(LiftGas, NoLiftGasChangesNothing) {
    const TraverseResult plain = traverse(setup_traverse(oil_well({{"gor", "300 scf/STB"}})));
    const TraverseResult none = traverse(setup_traverse(
        oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "0 Mscf/d"}, {"injection-depth", "6000ft"}})));
    ASSERT_EQ(plain.points.size(), none.points.size());
    EXPECT_EQ(plain.summary.inlet_pres, none.summary.inlet_pres);
}

// Above the injection point (6,000 ft) the well carries 300 Mscf/d produced
// and 500 Mscf/d lift gas of the same gravity: the same as a well 6,000 ft
// deep producing at a GOR of 800 scf/STB. Below it the produced fluid alone.
TEST(LiftGas, TheLiftedPartIsAWellProducingTheCombinedGas) {
    const TraverseResult lifted = traverse(setup_traverse(
        oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"}, {"injection-depth", "6000ft"}})));
    ASSERT_TRUE(lifted.summary.complete);
    EXPECT_NEAR(lifted.summary.injection_md, 6000 * 0.3048, 1e-9);
    // The upper 6,000 ft alone, its temperature as in the whole well (180 -> 100 degF over 8,000 ft).
    const std::string upper = ::testing::TempDir() + "/upper-well.csv";
    {
        std::ofstream out(upper);
        out << "md_ft,tvd_ft\n";
        for (int ft = 0; ft <= 6000; ft += 1000) out << ft << "," << ft << "\n";
    }
    TraverseRequest r = oil_well({{"gor", "800 scf/STB"}, {"temp-in", "160degF"}});
    r.profile = upper;
    const TraverseResult alone = traverse(setup_traverse(r));
    EXPECT_NEAR(lifted.summary.injection_pres, alone.summary.inlet_pres, 1.0);  // Pa
    // Points on both sides of the injection point, the regime allowed to differ.
    int at_injection = 0;
    for (const TraversePoint& p : lifted.points) at_injection += std::fabs(p.md - 6000 * 0.3048) < 1e-9;
    EXPECT_EQ(at_injection, 2);
    // Lift gas lightens the column: a lower bottom-hole pressure than unlifted.
    const TraverseResult unlifted = traverse(setup_traverse(oil_well({{"gor", "300 scf/STB"}})));
    EXPECT_LT(lifted.summary.inlet_pres, unlifted.summary.inlet_pres - 500 * 6894.757);
}

TEST(LiftGas, TheMixtureGravityIsTheStandardVolumeAverage) {
    blackoil::BlackOilInputs produced;
    produced.gas_gravity = 0.7;
    produced.gas_rate = 3;
    LiftGas lift;
    lift.rate = 1;
    lift.md = 100;
    lift.gravity = 0.6;
    const blackoil::BlackOilInputs mixed = with_lift_gas(produced, lift);
    // Standard volumes add, and so does the mass they carry: a gravity is a
    // standard density over air's, so the mixture's mass per air's density
    // is the two gases'.
    EXPECT_DOUBLE_EQ(mixed.gas_rate, 4);
    EXPECT_NEAR(mixed.gas_gravity * mixed.gas_rate, 0.7 * 3 + 0.6 * 1, 1e-12);
}

// Lift gas as light as the lightest gas a black oil takes (0.55) mixed with a
// produced gas as light: the average must not round below it (a fuzz input
// had the traverse throw "below methane's 0.55" from inside the march).
TEST(LiftGas, AMixtureOfTwoGasesLiesBetweenThem) {
    blackoil::BlackOilInputs produced;
    produced.gas_gravity = 0.55;
    LiftGas lift;
    lift.gravity = 0.55;
    int rounded = 0;
    for (int k = 1; k < 2000; ++k) {
        produced.gas_rate = 0.0137 * k;
        lift.rate = 1.879 / k;
        const double plain = (0.55 * produced.gas_rate + 0.55 * lift.rate) / (produced.gas_rate + lift.rate);
        rounded += plain < 0.55;
        const blackoil::BlackOilInputs mixed = with_lift_gas(produced, lift);
        ASSERT_EQ(mixed.gas_gravity, 0.55) << k;
    }
    EXPECT_GT(rounded, 0);  // the rounding the clamp is for happens in this sweep
    lift.gravity = 0.8;
    EXPECT_GE(with_lift_gas(produced, lift).gas_gravity, 0.55);
    EXPECT_LE(with_lift_gas(produced, lift).gas_gravity, 0.8);
}

TEST(LiftGas, RefusesAnInjectionPointOutsideTheWell) {
    EXPECT_THROW(setup_traverse(oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"},
                                          {"injection-depth", "9000ft"}})),
                 std::invalid_argument);
    EXPECT_THROW(setup_traverse(oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"}})),
                 std::invalid_argument);
}

// The annulus column against a plain Euler integration of dp/dz = p M g /
// (Z R T) in 1 cm steps, Z by Hall and Yarborough at Sutton's
// pseudo-critical point, on a vertical well at 150 degF.
TEST(LiftGas, TheAnnulusColumnIsTheRealGasWeight) {
    const Line well = straight_line(2500, -90, 0.062, 1.5e-5, 338.7, 338.7);
    const double psi = 6894.757293168361, gravity = 0.7;
    const std::vector<double> p = annulus_pressures(well, 1000 * psi, gravity, {1000, 2500});
    const blackoil::PseudoCritical pc = blackoil::sutton(gravity);
    double pe = 1000 * psi;
    std::vector<double> hand;
    for (int cm = 0; cm < 250000; ++cm) {
        double z = 1;
        ASSERT_TRUE(blackoil::z_factor(blackoil::ZMethod::HallYarborough, 338.7 * 1.8 / pc.tpc, pe / psi / pc.ppc, z));
        pe += 0.01 * pe * 28.97 * gravity * 9.80665 / (z * 8314.462618 * 338.7);
        if (cm + 1 == 100000 || cm + 1 == 250000) hand.push_back(pe);
    }
    EXPECT_NEAR(p[0], hand[0], 2e-5 * hand[0]);
    EXPECT_NEAR(p[1], hand[1], 2e-5 * hand[1]);
    EXPECT_GT(p[1], 1000 * psi * 1.1);  // about 14 % heavier at the bottom of 2,500 m
}

// The injection point balances the casing against the tubing: the chosen
// mandrel injects (annulus above the tubing by the margin) and the next
// deeper one does not, with the tubing as the traverse lifted there gives it.
TEST(LiftGas, TheDeepestMandrelTheCasingCanInjectAt) {
    const std::map<std::string, std::string> lift = {{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"},
                                                     {"casing-pres", "1200psig"}};
    TraverseRequest r = oil_well(lift);
    set_option(r, "mandrels", "3000,4500,6000,7500ft");
    const TraverseSetup s = setup_traverse(r);
    const TraverseResult chosen = traverse(s);
    ASSERT_TRUE(chosen.summary.complete);
    const double margin = 100 * 6894.757293168361;
    EXPECT_NEAR(chosen.summary.injection_md, 6000 * 0.3048, 1e-9);
    EXPECT_GE(chosen.summary.casing_pres_at_injection - chosen.summary.injection_pres, margin);
    LiftGas deeper = *s.lift;
    deeper.mandrels.clear();
    deeper.md = 7500 * 0.3048;
    const TraverseResult at_7500 = traverse_lifted(s.line, s.black_oil()->inputs(), deeper, s.options);
    const double casing_7500 =
        annulus_pressures(s.line, s.lift->casing_pres, 0.65, {7500 * 0.3048}).front();
    EXPECT_LT(casing_7500 - at_7500.summary.injection_pres, margin);
    // A casing too weak for every mandrel: said, never treated as unlifted.
    TraverseRequest weak = oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"}, {"casing-pres", "300psig"}});
    set_option(weak, "mandrels", "3000,4500,6000,7500ft");
    const TraverseResult none = traverse(setup_traverse(weak));
    EXPECT_FALSE(none.summary.complete);
    EXPECT_EQ(none.summary.stop_reason, StopReason::NoInjection);
    EXPECT_NE(none.summary.message.find("no mandrel can inject"), std::string::npos);
    // The shallowest mandrel's pressures for the face to word, and no profile
    // of a well that cannot flow so.
    EXPECT_NEAR(none.summary.injection_md, 3000 * 0.3048, 1e-9);
    EXPECT_LT(none.summary.casing_pres_at_injection, none.summary.injection_pres + none.summary.injection_dp);
    EXPECT_TRUE(std::isfinite(none.summary.casing_pres_at_injection) && std::isfinite(none.summary.injection_pres));
    EXPECT_TRUE(none.points.empty());
    EXPECT_TRUE(std::isnan(none.summary.inlet_pres) && std::isnan(none.summary.dp_total));
}

}  // namespace
}  // namespace flowmodel
