// The statistics against a small set computed by hand.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "flowmodel/validation.hpp"

namespace flowmodel::validation {
namespace {

Result result(Regime id, double hol, double dpt, int iter = 20, Status status = Status::Ok) {
    Result r;
    r.regime = id;
    r.holdup = hol;
    r.dpt = dpt;
    r.iterations = iter;
    r.status = status;
    return r;
}

Measurement measured(double hol, double dpdx, int regime) {
    Measurement m;
    m.hol = hol;
    m.dpdx = dpdx;
    m.regime = regime;
    return m;
}

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

TEST(Statistics, ASmallSetComputedByHand) {
    const std::vector<Result> r = {
        result(Regime::Slug, 0.3, 110),                       // e = 0.1
        result(Regime::StratifiedWavy, 0.1, 150),             // e = -0.25
        result(Regime::Annular, 0.05, 80, 99),                // e = 0.6, separated-invalid
        result(Regime::StratifiedSmooth, 0, 0, 0, Status::ImproperInput),
        result(Regime::Annular, 0.02, 1e10),                  // the critical-flow marker
        result(Regime::StratifiedSmooth, 0.4, 5),             // holdup e = -0.2
        result(Regime::Slug, 0.25, 5),                        // holdup e = 0.25
    };
    const std::vector<Measurement> m = {
        measured(kNone, 100, 3), measured(kNone, 200, kStratified), measured(kNone, 50, kNoObservation),
        measured(kNone, 100, 3), measured(kNone, 100, 2), measured(0.5, kNone, 1), measured(0.2, kNone, 2),
    };
    const Report rep = compare(r, m, {"A", "A", "A", "B", "B", "B", "B"});
    const ErrorStats& g = rep.pooled.dpdx;
    EXPECT_EQ(g.n, 3);
    EXPECT_EQ(g.failed, 2);  // status 2 and the critical-flow marker
    EXPECT_EQ(g.separated_invalid, 1);
    EXPECT_NEAR(g.e1, 15.0, 1e-9);
    EXPECT_NEAR(g.e2, 31.666666666666667, 1e-9);
    EXPECT_NEAR(g.e3, 100 * std::sqrt(0.365 / 2), 1e-9);  // n - 1
    EXPECT_NEAR(g.e4, -10.0 / 3, 1e-9);
    EXPECT_NEAR(g.e5, 30.0, 1e-9);
    EXPECT_NEAR(g.e6, std::sqrt(3466.6666666666667 / 2), 1e-9);
    EXPECT_NEAR(g.within20, 100.0 / 3, 1e-9);
    EXPECT_NEAR(g.within30, 200.0 / 3, 1e-9);
    const ErrorStats& h = rep.pooled.holdup;
    EXPECT_EQ(h.n, 2);
    EXPECT_EQ(h.failed, 0);
    EXPECT_NEAR(h.e1, 2.5, 1e-9);
    EXPECT_NEAR(h.e2, 22.5, 1e-9);
    EXPECT_NEAR(h.e3, 100 * std::sqrt(0.10125), 1e-9);
    EXPECT_NEAR(h.e4, -0.025, 1e-12);
    EXPECT_NEAR(h.e5, 0.075, 1e-12);
    EXPECT_NEAR(h.e6, std::sqrt(0.01125), 1e-12);
    EXPECT_NEAR(h.within20, 50, 1e-9);
    EXPECT_NEAR(h.within30, 100, 1e-9);
    const RegimeStats& g2 = rep.pooled.regime;
    EXPECT_EQ(g2.n, 5);        // the critical-flow marker's regime counts
    EXPECT_EQ(g2.failed, 1);   // no regime from the model: apart, not a disagreement
    EXPECT_EQ(g2.n_exact, 4);  // STRAT is not scored exactly
    EXPECT_NEAR(g2.exact, 50, 1e-9);
    EXPECT_NEAR(g2.coarse, 80, 1e-9);
    EXPECT_EQ(g2.confusion[kStratified][1], 1);
    EXPECT_EQ(g2.confusion[1][0], 1);
    EXPECT_EQ(g2.confusion[2][3], 1);
    EXPECT_EQ(g2.confusion[2][2], 1);
    ASSERT_EQ(rep.groups.size(), 2u);
    EXPECT_EQ(rep.groups[0].first, "A");
    EXPECT_EQ(rep.groups[0].second.dpdx.n, 3);
    EXPECT_FALSE(rep.groups[0].second.holdup.present());
    EXPECT_EQ(rep.groups[1].second.dpdx.failed, 2);
    EXPECT_EQ(rep.groups[1].second.holdup.n, 2);
}

TEST(Statistics, RegimesGroupsAndRowErrorsAsWritten) {
    int id = 0;
    EXPECT_TRUE(parse_regime(" strat ", id));
    EXPECT_EQ(id, kStratified);
    EXPECT_TRUE(parse_regime("3", id));
    EXPECT_EQ(id, 3);
    EXPECT_TRUE(parse_regime("", id));
    EXPECT_EQ(id, kNoObservation);
    EXPECT_FALSE(parse_regime("5", id));
    EXPECT_FALSE(parse_regime("slug", id));
    EXPECT_TRUE(parse_regime("3.0", id));  // as a data frame with blanks writes its codes
    EXPECT_EQ(id, 3);
    EXPECT_FALSE(parse_regime("3.5", id));
    EXPECT_EQ(group_of("Payne et al [flowtech Flow_Database.xlsx Pressure!1261]"), "Payne et al");
    EXPECT_EQ(group_of("  loop B  "), "loop B");
    EXPECT_EQ(group_of("Jia et al. (2015) [sheet Pressure!2260] + Holdup!2377"), "Jia et al. (2015)");
    EXPECT_EQ(group_of("[only a note]"), "[only a note]");
    const RowErrors e = row_errors(result(Regime::Slug, 0.3, 90), measured(0.25, 100, 3));
    EXPECT_NEAR(e.dpdx_rel, -0.1, 1e-12);
    EXPECT_NEAR(e.hol_abs, 0.05, 1e-12);
    EXPECT_TRUE(std::isnan(row_errors(result(Regime::Annular, 0, 1e10), measured(0.2, 100, 2)).dpdx_rel));
}

TEST(Statistics, RowsBelowTheResolutionHaveAbsoluteErrorsOnly) {
    // Holdups 0 and 1e-300 measured: in E4-E6, counted apart from E1-E3.
    const std::vector<Result> r = {result(Regime::Slug, 0.3, 110), result(Regime::StratifiedWavy, 0.02, 5),
                                   result(Regime::StratifiedWavy, 0.01, 0.7)};
    const std::vector<Measurement> m = {measured(0.25, 100, 3), measured(0, 0.5, 1), measured(1e-300, 1, 1)};
    const Report rep = compare(r, m, {});
    const ErrorStats& h = rep.pooled.holdup;
    EXPECT_EQ(h.n, 3);
    EXPECT_EQ(h.below_resolution, 2);
    EXPECT_NEAR(h.e1, 20, 1e-9);  // only 0.3 against 0.25
    EXPECT_TRUE(std::isnan(h.e3));  // one relative error has no spread
    EXPECT_NEAR(h.e4, (0.05 + 0.02 + 0.01) / 3, 1e-12);
    EXPECT_NEAR(h.within30, 100, 1e-9);
    const ErrorStats& g = rep.pooled.dpdx;
    EXPECT_EQ(g.below_resolution, 1);  // 0.5 Pa/m; 1 Pa/m is at the resolution and scored
    EXPECT_NEAR(g.e1, 100 * (0.1 - 0.3) / 2, 1e-9);
    EXPECT_TRUE(std::isnan(row_errors(r[1], m[1]).hol_rel));
    EXPECT_NEAR(row_errors(r[1], m[1]).hol_abs, 0.02, 1e-12);
    // Rows streamed into a scorer give the same statistics as the whole set.
    Scorer scorer;
    for (size_t i = 0; i < r.size(); ++i) scorer.add(r[i], m[i]);
    EXPECT_EQ(scorer.report().pooled.holdup.e6, rep.pooled.holdup.e6);
}

TEST(Statistics, MeasuredFieldsAndColumnsAsWritten) {
    Measurement m;
    std::string why;
    ASSERT_TRUE(read_measurement(" 0.25 ", "", "STRAT", m, why)) << why;
    EXPECT_EQ(m.hol, 0.25);
    EXPECT_TRUE(std::isnan(m.dpdx));
    EXPECT_EQ(m.regime, kStratified);
    for (const auto& [hol, dpdx, regime, word] : std::vector<std::array<std::string, 4>>{
             {"-0.2", "", "", "hol_meas -0.2 is not a holdup"},
             {"", "abc", "", "dpdx_meas is not a number"},
             {"", "nan", "", "dpdx_meas is not a number"},
             {"", "1e999", "", "dpdx_meas is not a number"},
             {"", "", "slug", "regime_meas 'slug'"}}) {
        EXPECT_FALSE(read_measurement(hol, dpdx, regime, m, why));
        EXPECT_NE(why.find(word), std::string::npos) << why;
    }
    EXPECT_EQ(near_miss("hol_mesa"), "hol_meas");
    EXPECT_EQ(near_miss(" dpdx_mea "), "dpdx_meas");
    EXPECT_EQ(near_miss("hol_meas"), "");
    EXPECT_EQ(near_miss("notes"), "");
}

}  // namespace
}  // namespace flowmodel::validation
