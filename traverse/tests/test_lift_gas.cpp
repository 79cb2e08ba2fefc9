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
    const blackoil::BlackOilInputs mixed = with_lift_gas(produced, {1, 100, 0.6});
    EXPECT_DOUBLE_EQ(mixed.gas_rate, 4);
    EXPECT_DOUBLE_EQ(mixed.gas_gravity, (0.7 * 3 + 0.6 * 1) / 4);
}

TEST(LiftGas, RefusesAnInjectionPointOutsideTheWell) {
    EXPECT_THROW(setup_traverse(oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"},
                                          {"injection-depth", "9000ft"}})),
                 std::invalid_argument);
    EXPECT_THROW(setup_traverse(oil_well({{"gor", "300 scf/STB"}, {"lift-gas-rate", "500 Mscf/d"}})),
                 std::invalid_argument);
}

}  // namespace
}  // namespace flowmodel
