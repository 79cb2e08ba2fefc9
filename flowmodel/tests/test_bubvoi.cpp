// Dispersed-bubble gas fraction: worked values, guards, and the comparison
// with the independent reference table.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bubvoi.h"
#include "intest.h"
#include "record.h"
#include "reference.h"

using namespace flowmodel;

namespace {
// Fluid pair of the worked values, 10 cm pipe.
void worked_record(double usl, double usg, double angle) {
    flowcom = FlowRecord{};
    flowcom.usl = usl;
    flowcom.usg = usg;
    flowcom.rol = 1000.0;
    flowcom.rog = 20.0;
    flowcom.visl = 0.001;
    flowcom.visg = 1.5e-5;
    flowcom.rough = 1e-5;
    flowcom.sigma = 0.03;
    flowcom.diam = 0.1;
    flowcom.angle = angle;
    flowcom.pres = 1e6;
    setang();
}
}  // namespace

TEST(Bubvoi, WorkedValues) {
    worked_record(3.0, 0.5, 0.0);  // saturated slug: s below a
    EXPECT_NEAR(bubvoi(0.0, 0.95), 0.132479, 1e-6);
    worked_record(5.0, 0.5, 0.0);  // all gas dispersed: a below s
    EXPECT_NEAR(bubvoi(0.0, 0.95), 0.086364, 1e-6);
    worked_record(3.0, 0.5, 10.0);  // quadratic drift-flux root
    EXPECT_NEAR(bubvoi(0.3, 0.95), 0.126259, 1e-6);
    worked_record(1.0, 1.0, 90.0);  // inclination lower bound 0.25
    EXPECT_NEAR(bubvoi(0.25, 0.95), 0.25, 1e-12);
}

TEST(Bubvoi, GuardsAndCaps) {
    // No mixture flow: nothing dispersed (and no division by zero).
    worked_record(0.0, 0.0, 0.0);
    EXPECT_EQ(bubvoi(0.0, 0.95), 0.0);
    EXPECT_EQ(bubvoi(0.3, 0.95), 0.0);
    // No gas with a real drift velocity: the root is 0.
    worked_record(3.0, 0.0, 10.0);
    EXPECT_EQ(bubvoi(0.3, 0.95), 0.0);
    EXPECT_EQ(bubvoi(-0.3, 0.95), 0.0);
    // Drift against the flow takes the root, positive for positive usg.
    worked_record(3.0, 0.5, -10.0);
    const double v = bubvoi(-0.2, 0.95);
    EXPECT_GT(v, 0.0);
    EXPECT_LE(v, 0.78);
    // A bound below the computed value returns exactly amax - 1e-9
    // (vertical pipe, s >= 0.25, drift against the flow gives a ~ 0.168).
    worked_record(0.01, 1.0, 90.0);
    EXPECT_EQ(bubvoi(-0.5, 0.1), 0.1 - 1e-9);
    // Across a range of flows the result stays in [0, 0.78] with amax 0.95.
    for (double usl = 0.01; usl < 20.0; usl *= 1.7) {
        for (double usg = 0.01; usg < 50.0; usg *= 1.9) {
            for (double ang : {-90.0, -10.0, 0.0, 10.0, 90.0}) {
                worked_record(usl, usg, ang);
                for (double udb : {0.0, 0.3, -0.2}) {
                    const double b = bubvoi(udb, 0.95);
                    EXPECT_GE(b, 0.0);
                    EXPECT_LE(b, 0.78);
                }
            }
        }
    }
}

// Every row of the independent table: share of matching rows and the first
// mismatches.
TEST(Bubvoi, ReferenceTable) {
    const std::vector<reftest::Row> rows = reftest::load("bubvoi.csv");
    ASSERT_EQ(rows.size(), 17224u) << "reference table missing or changed";
    size_t ok = 0;
    std::string first;
    int shown = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const reftest::Row& row = rows[i];
        reftest::fill_record(row);
        const double got = bubvoi(reftest::num(row, "udb"), reftest::num(row, "amax"));
        const double want = reftest::num(row, "bubvoi");
        if (reftest::close(got, want)) {
            ++ok;
        } else if (shown < 10) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "row %zu: got %.17g want %.17g\n", i + 2, got, want);
            first += buf;
            ++shown;
        }
    }
    std::printf("bubvoi.csv: %zu/%zu rows match\n", ok, rows.size());
    EXPECT_EQ(ok, rows.size()) << first;
}
