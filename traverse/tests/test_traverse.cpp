// The traverse against what no tuning can fake: the exact isothermal
// dry-gas line, a fine fixed-step march over the same model, the march back
// from the computed outlet, a line that chokes, and a property table holding
// the same constants as the direct fluid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "correlations.h"
#include "flowmodel/flowmodel.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse.hpp"

using namespace flowmodel;

namespace {

constexpr double kPi = 3.14159265358979323846;

ConstantLiquidRealGas natural_gas(double liquid_rate, double gas_rate) {
    ConstantLiquidRealGas f;
    f.liquid_rate = liquid_rate;
    f.gas_rate = gas_rate;
    f.rol = 850;
    f.visl = 5e-3;
    f.sigma = 0.02;
    f.visg = 1.2e-5;
    f.molar_mass = 18.0;
    f.z = 1.0;
    return f;
}

// A line of one diameter and roughness down a valley and up again, isothermal.
Line valley(double temp) {
    Line line;
    line.nodes = {{0, 0, 0.1, 4.6e-5, temp}, {800, -60, 0.1, 4.6e-5, temp}, {2000, 40, 0.1, 4.6e-5, temp}};
    return line;
}

}  // namespace

TEST(Traverse, DryGasLineMatchesTheExactIsothermalSolution) {
    const double D = 0.1, k = 4.6e-5, L = 10000, T = 288.15, p1 = 5e6, mg = 2.0;
    ConstantLiquidRealGas gas = natural_gas(0.0, mg);
    const Line line = straight_line(L, 0.0, D, k, T, T);
    TraverseOptions opt;
    opt.pres = p1;
    const TraverseResult r = traverse(line, gas, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    // (p1^2 - p2^2)/(2c) - G^2 ln(p1/p2) = f G^2 L/(2D), f at Re = G D / visg.
    const double c = gas.z * kGasConstant * T / gas.molar_mass;
    const double G = mg / (kPi * D * D / 4);
    const double rog1 = p1 / c;
    const double f = fricfa(D, G / rog1, rog1, gas.visg, k);  // Re = G D / visg whatever the density
    auto residual = [&](double p2) { return (p1 * p1 - p2 * p2) / (2 * c) - G * G * std::log(p1 / p2) - f * G * G * L / (2 * D); };
    double lo = 1e5, hi = p1;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (residual(mid) > 0 ? lo : hi) = mid;
    }
    const double exact = 0.5 * (lo + hi);
    const double dp = p1 - exact;
    EXPECT_GT(dp, 5e5);
    EXPECT_NEAR(r.summary.outlet_pres, exact, 1e-5 * dp) << "exact outlet " << exact;
    std::printf("dry gas: outlet %.3f Pa, exact %.3f Pa, error %.3g of the drop %.0f Pa, %ld evaluations\n",
                r.summary.outlet_pres, exact, std::fabs(r.summary.outlet_pres - exact) / dp, dp, r.summary.evaluations);
    EXPECT_NEAR(r.summary.dp_friction + r.summary.dp_gravity + r.summary.dp_acceleration, r.summary.dp_total,
                1e-6 * dp);
    EXPECT_EQ(r.summary.liquid_inventory, 0.0);
}

TEST(Traverse, TwoPhaseValleyMatchesAFineFixedStepMarch) {
    const double T = 300;
    ConstantLiquidRealGas fluid = natural_gas(2.0, 0.4);  // stratified downhill, slug uphill
    const Line line = valley(T);
    TraverseOptions opt;
    opt.pres = 2e6;
    const TraverseResult r = traverse(line, fluid, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    // The regime changes along the line.
    int regimes = 0;
    for (double len : r.summary.regime_length) regimes += len > 0;
    EXPECT_GE(regimes, 2);
    // Classical RK4 with 0.05 m steps over the same model, segment by segment.
    double p = opt.pres;
    for (size_t i = 0; i + 1 < line.nodes.size(); ++i) {
        const LineNode &a = line.nodes[i], &b = line.nodes[i + 1];
        const double len = b.md - a.md, angle = std::asin((b.z - a.z) / len) * 180 / kPi;
        auto dpds = [&](double pp) {
            const FluidState s = fluid.at(pp, T);
            const double A = kPi * a.diam * a.diam / 4;
            const Result m = evaluate({s.ql / A, s.qg / A, s.rol, s.rog, s.visl, s.visg, a.rough, s.sigma, a.diam, angle, pp});
            return -m.dpt;
        };
        const int n = static_cast<int>(len / 0.05);
        const double h = len / n;
        for (int j = 0; j < n; ++j) {
            const double k1 = dpds(p), k2 = dpds(p + 0.5 * h * k1), k3 = dpds(p + 0.5 * h * k2), k4 = dpds(p + h * k3);
            p += h * (k1 + 2 * k2 + 2 * k3 + k4) / 6;
        }
    }
    const double dp = opt.pres - p;
    EXPECT_GT(dp, 1e5);
    EXPECT_NEAR(r.summary.outlet_pres, p, 1e-4 * dp);
    std::printf("valley: outlet %.3f Pa, RK4 %.3f Pa, difference %.3g of the drop %.0f Pa, %ld evaluations\n",
                r.summary.outlet_pres, p, std::fabs(r.summary.outlet_pres - p) / dp, dp, r.summary.evaluations);
    // Halving the tolerance changes the end pressure by less than the tolerance.
    TraverseOptions fine = opt;
    fine.tol = 0.5 * opt.tol;
    EXPECT_NEAR(traverse(line, fluid, fine).summary.outlet_pres, r.summary.outlet_pres, opt.tol);
}

TEST(Traverse, MarchingBackFromTheOutletGivesTheInletAndDirectionMatters) {
    ConstantLiquidRealGas fluid = natural_gas(4.0, 0.4);
    const Line line = valley(300);
    TraverseOptions opt;
    opt.pres = 2e6;
    const TraverseResult down = traverse(line, fluid, opt);
    ASSERT_TRUE(down.summary.complete);
    TraverseOptions back = opt;
    back.from_outlet = true;
    back.pres = down.summary.outlet_pres;
    const TraverseResult up = traverse(line, fluid, back);
    ASSERT_TRUE(up.summary.complete) << up.summary.message;
    EXPECT_NEAR(up.summary.inlet_pres, opt.pres, 2 * opt.tol * 2);  // two segments' tolerance, both ways
    EXPECT_NEAR(up.summary.dp_gravity, down.summary.dp_gravity, 1e-3 * std::fabs(down.summary.dp_gravity));
    EXPECT_NEAR(up.summary.liquid_inventory, down.summary.liquid_inventory, 1e-3 * down.summary.liquid_inventory);
    // The same survey flowed the other way: another answer.
    Line reversed = line;
    reversed.flow_decreasing = true;
    const TraverseResult other = traverse(reversed, fluid, opt);
    ASSERT_TRUE(other.summary.complete);
    EXPECT_LT(other.summary.dp_gravity, down.summary.dp_gravity - 1e4);  // it descends 40 m net
    EXPECT_EQ(other.points.front().md, 2000);
}

TEST(Traverse, ALineThatCannotCarryTheFlowStopsWhereItChokes) {
    ConstantLiquidRealGas gas = natural_gas(0.0, 6.0);  // far too much gas for 10 cm at 10 bar
    const Line line = straight_line(5000, 0.0, 0.1, 4.6e-5, 288.15, 288.15);
    TraverseOptions opt;
    opt.pres = 1e6;
    const TraverseResult r = traverse(line, gas, opt);
    ASSERT_FALSE(r.summary.complete);
    EXPECT_NE(r.summary.message.find("cannot carry this flow"), std::string::npos) << r.summary.message;
    ASSERT_GE(r.points.size(), 2u);
    const double md = r.points.back().md;
    EXPECT_GT(md, 0);
    EXPECT_LT(md, 5000);
    // Just before the stop the flow is near its limit: the gradient has risen steeply.
    EXPECT_GT(r.points.back().dpt, 10 * r.points.front().dpt);
    // Against the flow, an inlet pressure above --max-pres stops the march too.
    TraverseOptions back;
    back.from_outlet = true;
    back.pres = 2e5;
    back.max_pres = 3e5;
    const TraverseResult b = traverse(straight_line(5000, 0.0, 0.1, 4.6e-5, 288.15, 288.15), natural_gas(0, 1.0), back);
    EXPECT_FALSE(b.summary.complete);
    EXPECT_NE(b.summary.message.find("max-pres"), std::string::npos) << b.summary.message;
}

TEST(Traverse, ATableOfTheSameConstantsGivesTheSameLine) {
    ConstantLiquidRealGas direct = natural_gas(4.0, 0.4);
    const std::string path = ::testing::TempDir() + "/fluid-table.csv";
    {
        // rog is linear in p at one temperature, so bilinear interpolation is exact.
        std::ofstream out(path);
        out << "pres,temp,rol,rog,visl,visg,sigma\n";
        for (double p : {1e5, 1e6, 3e6}) {
            for (double T : {290.0, 310.0}) {
                out << p << ',' << T << ",850," << direct.at(p, 300).rog << ",0.005,1.2e-05,0.02\n";
            }
        }
    }
    PropertyTable table = PropertyTable::read(path);
    table.liquid_rate = 4.0;
    table.gas_rate = 0.4;
    TraverseOptions opt;
    opt.pres = 2e6;
    const TraverseResult a = traverse(valley(300), direct, opt), b = traverse(valley(300), table, opt);
    ASSERT_TRUE(b.summary.complete) << b.summary.message;
    EXPECT_NEAR(a.summary.outlet_pres, b.summary.outlet_pres, 1e-6 * opt.pres);
    // Outside the table: an error naming pressure, temperature and md.
    const TraverseResult c = traverse(valley(330), table, opt);
    EXPECT_FALSE(c.summary.complete);
    // Where it stopped, marked for each face to write in its units.
    EXPECT_NE(plain_words(c.summary.message).find("md 0.0 m, 2000000 Pa"), std::string::npos) << c.summary.message;
    EXPECT_NE(command_words(c.summary.message, UnitSystem::Field).find("md 0.0 ft, 290.1 psia"), std::string::npos)
        << c.summary.message;
    EXPECT_NE(c.summary.message.find("330 K"), std::string::npos) << c.summary.message;
}

TEST(Traverse, BadProfilesAndTablesAreNamedByFileLineAndColumn) {
    const std::string dir = ::testing::TempDir();
    auto profile_error = [&](const std::string& text) {
        const std::string path = dir + "/profile.csv";
        std::ofstream(path) << text;
        try {
            read_profile(path, 0.1, 0.0, 1.0);  // lengths in metres
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(profile_error("md,z\n0,0\n10,1\n5,2\n").find("line 4: column 'md' must increase"), std::string::npos);
    EXPECT_NE(profile_error("md,z\n0,0\n").find("at least two points"), std::string::npos);
    EXPECT_NE(profile_error("md,elev\n0,0\n").find("unknown column 'elev'"), std::string::npos);
    EXPECT_NE(profile_error("md,z,tvd\n0,0,0\n").find("give one of the columns"), std::string::npos);
    EXPECT_NE(profile_error("md,z\n0,0\n10,x\n").find("line 3: column 'z' is not a number"), std::string::npos);
    EXPECT_NE(profile_error("md,z\n0,0\n10,11\n").find("line 3: from md 0 m to 10 m the z changes by 11 m, 1 m more"),
              std::string::npos);
    EXPECT_NE(profile_error("md,tvd,diam\n0,0,0.1\n10,5,-1\n").find("line 3: column 'diam'"), std::string::npos);
    // A well listed from the wellhead down: tvd positive downward.
    const std::string path = dir + "/well.csv";
    std::ofstream(path) << "md,tvd\n0,0\n1000,1000\n";
    const Line well = read_profile(path, 0.1, 0.0, 1.0);
    EXPECT_EQ(well.nodes[1].z, -1000);
    const std::string table = dir + "/table.csv";
    std::ofstream(table) << "pres,temp,rol,rog,visl,visg,sigma\n1e5,300,1000,1,1e-3,1e-5,0.07\n2e5,300,1000,2,1e-3,1e-5,0.07\n"
                            "2e5,310,1000,2,1e-3,1e-5,0.07\n";
    try {
        PropertyTable::read(table);
        ADD_FAILURE() << "a ragged grid was read";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("rectangular"), std::string::npos) << e.what();
    }
}
