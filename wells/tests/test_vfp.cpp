// Lift-curve tables: the split of the axes into rates, the datum, the
// keyword's text, the fill, and the interpolation a simulator does.
#include <gtest/gtest.h>

#include <cmath>

#include "flowmodel/vfp.hpp"

namespace flowmodel::vfp {
namespace {

TEST(Vfp, AxesSplitIntoTheRatesTheyMean) {
    double o = 0, w = 0, g = 0;
    ASSERT_TRUE(split_rates(Flo::Liquid, Wfr::WaterCut, Gfr::GasOil, 100, 0.25, 50, o, w, g));
    EXPECT_NEAR(o, 75, 1e-12);
    EXPECT_NEAR(w, 25, 1e-12);
    EXPECT_NEAR(g, 3750, 1e-9);
    ASSERT_TRUE(split_rates(Flo::Oil, Wfr::WaterOil, Gfr::GasLiquid, 100, 0.5, 10, o, w, g));
    EXPECT_NEAR(w, 50, 1e-12);
    EXPECT_NEAR(g, 1500, 1e-9);
    ASSERT_TRUE(split_rates(Flo::Gas, Wfr::WaterGas, Gfr::OilGas, 1000, 0.001, 0.002, o, w, g));
    EXPECT_NEAR(o, 2, 1e-12);
    EXPECT_NEAR(w, 1, 1e-12);
    EXPECT_FALSE(split_rates(Flo::Liquid, Wfr::WaterCut, Gfr::GasOil, 100, 1.0, 50, o, w, g));  // all water, a GOR
    ASSERT_TRUE(split_rates(Flo::Liquid, Wfr::WaterCut, Gfr::GasLiquid, 100, 1.0, 50, o, w, g));  // all water, a GLR
    EXPECT_EQ(o, 0);
    EXPECT_NEAR(g, 5000, 1e-9);
    EXPECT_FALSE(split_rates(Flo::Liquid, Wfr::WaterCut, Gfr::GasOil, -1, 0.2, 50, o, w, g));
}

Table small() {
    Table t;
    t.axes = {{1, 2, 4}, {1e6, 2e6}, {0, 0.5}, {10}};
    t.bhp.resize(12);
    for (size_t k = 0; k < 2; ++k) {
        for (size_t w = 0; w < 2; ++w) {
            for (size_t f = 0; f < 3; ++f) t.at(k, w, 0, f) = 1e7 + 1e6 * static_cast<double>(k) + 2e5 * static_cast<double>(w) + 1e5 * t.axes.flo[f];
        }
    }
    return t;
}

TEST(Vfp, InterpolationIsMultilinearAndExtrapolatesLinearly) {
    const Table t = small();
    EXPECT_NEAR(interpolate(t, 2, 1e6, 0, 10), t.at(0, 0, 0, 1), 1e-6);
    EXPECT_NEAR(interpolate(t, 3, 1.5e6, 0.25, 10), 1e7 + 5e5 + 1e5 + 3e5, 1e-6);
    EXPECT_NEAR(interpolate(t, 6, 2.5e6, 0.5, 99), 1e7 + 1.5e6 + 2e5 + 6e5, 1e-6);  // beyond every end
}

TEST(Vfp, TheKeywordHasItsRecordsInTheDecksUnits) {
    Table t = small();
    t.datum = 2438.4;
    const std::string m = vfpprod(t, Units::Metric, {"made here"});
    EXPECT_EQ(m.rfind("-- made here\nVFPPROD\n", 0), 0u);
    EXPECT_NE(m.find("  1  2438.4  'LIQ'  'WCT'  'GOR'  'THP'  ' '  'METRIC'  'BHP' /"), std::string::npos) << m;
    EXPECT_NE(m.find("  86400 172800 345600 /"), std::string::npos) << m;  // sm3/day
    EXPECT_NE(m.find("  10 20 /"), std::string::npos) << m;               // barsa
    EXPECT_NE(m.find("  2 2 1 1  113 114 116 /"), std::string::npos) << m;  // barsa at each FLO
    const std::string f = vfpprod(t, Units::Field, {});
    EXPECT_NE(f.find("'FIELD'"), std::string::npos);
    EXPECT_NE(f.find("  8000 "), std::string::npos) << f;  // ft
}

TEST(Vfp, FailedEntriesFilledOnlyWhereBoundedOrRefused) {
    Table t = small();
    t.at(1, 1, 0, 2) = std::nan("");
    std::vector<std::string> filled;
    std::string error;
    ASSERT_TRUE(fill_from_rates(t, {{{1, 1, 0, 0, 2}, "critical flow"}}, Fill::Extrapolate, 1e9, filled, error));
    EXPECT_NEAR(t.at(1, 1, 0, 2), 1e7 + 1e6 + 2e5 + 4e5, 1e-6);  // linear in FLO through FLO 1 and 2, one step on
    ASSERT_EQ(filled.size(), 1u);
    EXPECT_NE(filled[0].find("FLO 3 filled from FLO 1 and 2"), std::string::npos) << filled[0];
    t.at(0, 0, 0, 0) = t.at(0, 0, 0, 1) = std::nan("");
    EXPECT_FALSE(fill_from_rates(t, {{{0, 0, 0, 0}, "x"}}, Fill::Extrapolate, 1e9, filled, error));
    // Two rates beyond the computed ones: the first is filled, the second is
    // two rate steps away and refused, or with Clamp takes FLO 2's value.
    Table v;
    v.axes = {{1, 2, 4, 8}, {1e6}, {0}, {10}};
    v.bhp = {1.01e7, 1.02e7, std::nan(""), std::nan("")};
    const std::vector<Failure> two = {{{0, 0, 0, 0, 2}, "a"}, {{0, 0, 0, 0, 3}, "b"}};
    filled.clear();
    Table refused = v;
    EXPECT_FALSE(fill_from_rates(refused, two, Fill::Extrapolate, 1e9, filled, error));
    EXPECT_NE(error.find("THP 1, WFR 1, GFR 1, FLO 4 (b) cannot be filled"), std::string::npos) << error;
    EXPECT_TRUE(std::isnan(refused.at(0, 0, 0, 2))) << "nothing written when the fill fails";
    filled.clear();
    ASSERT_TRUE(fill_from_rates(v, two, Fill::Clamp, 1e9, filled, error)) << error;
    EXPECT_NEAR(v.at(0, 0, 0, 2), 1.04e7, 1e-3);
    EXPECT_EQ(v.at(0, 0, 0, 3), 1.02e7);
    EXPECT_NE(filled[1].find("FLO 4 clamped to FLO 2"), std::string::npos) << filled[1];
    // Between computed neighbours, however far apart.
    Table between;
    between.axes = {{1, 2, 4, 8}, {1e6}, {0}, {10}};
    between.bhp = {1.0e7, std::nan(""), std::nan(""), 1.7e7};
    ASSERT_TRUE(fill_from_rates(between, {{{0, 0, 0, 0, 1}, "a"}, {{0, 0, 0, 0, 2}, "b"}}, Fill::Extrapolate, 1e9, filled,
                                error));
    EXPECT_NEAR(between.at(0, 0, 0, 2), 1.3e7, 1e-3);
    // A falling record extrapolated below the THP (rates 50, 100 computed,
    // 20000 not) is never written; nor one above the ceiling.
    Table falling;
    falling.axes = {{50, 100, 20000}, {1e6}, {0}, {10}};
    falling.bhp = {9e6, 8e6, std::nan("")};
    EXPECT_FALSE(fill_from_rates(falling, {{{0, 0, 0, 0, 2}, "x"}}, Fill::Extrapolate, 1e9, filled, error));
    falling.bhp = {9e6, 10e6, std::nan("")};
    EXPECT_FALSE(fill_from_rates(falling, {{{0, 0, 0, 0, 2}, "x"}}, Fill::Extrapolate, 1e8, filled, error));
    EXPECT_NE(error.find("ceiling of 100000000 Pa"), std::string::npos) << error;
    // A BHP falling as the THP rises is said.
    Table u = small();
    u.at(1, 0, 0, 0) = u.at(0, 0, 0, 0) - 1;
    ASSERT_EQ(check(u, Units::Metric).size(), 1u);
}

}  // namespace
}  // namespace flowmodel::vfp
