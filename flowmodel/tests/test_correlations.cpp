// Closure correlations against their worked values and guard rules.
#include <gtest/gtest.h>

#include <cmath>

#include "correlations.h"
#include "record.h"

using namespace flowmodel;

namespace {
// Horizontal pipe with the fluid pair of the worked wave-amplitude values.
void horizontal_record() {
    flowcom = FlowRecord{};
    flowcom.rol = 1000.0;
    flowcom.rog = 10.0;
    flowcom.sigma = 0.03;
    flowcom.s90 = 1.0;
    flowcom.c90 = 0.0;
    flowcom.rs90 = 1.0;
}
}  // namespace

TEST(Wetang, WorkedValuesAndRange) {
    EXPECT_EQ(wetang(1.0, 0.0), 0.0);
    EXPECT_EQ(wetang(0.0, 1.0), 3.141592654);
    EXPECT_NEAR(wetang(0.5, 0.5), 1.570796327, 1e-9);
    EXPECT_NEAR(wetang(0.75, 0.25), 1.156231, 1e-6);
    EXPECT_NEAR(wetang(0.25, 0.75), 1.985361, 1e-6);
    for (double ag = 0.0; ag <= 1.0; ag += 0.01) {
        const double a = wetang(ag, 1.0 - ag);
        EXPECT_GE(a, 0.0);
        EXPECT_LE(a, 3.141592654);
        EXPECT_NEAR(a + wetang(1.0 - ag, ag), 3.141592654, 1e-9) << ag;
    }
}

TEST(Wavamp, WorkedValuesThresholdSymmetryAndClamp) {
    horizontal_record();
    EXPECT_EQ(wavamp(0.0), 0.0);
    EXPECT_EQ(wavamp(2.0), 0.0);
    EXPECT_NEAR(wavamp(5.0), 0.012629, 1e-6);
    EXPECT_NEAR(wavamp(10.0), 0.051423, 1e-6);
    EXPECT_EQ(wavamp(-10.0), wavamp(10.0));
    EXPECT_EQ(wavamp(2.19), 0.0);
    EXPECT_GT(wavamp(2.2), 0.0);
    const double f = 1.0 / (990.0 * 9.81);
    EXPECT_EQ(wavamp(1e12), std::sqrt(1e32 - 4.0 * (0.5 * 0.03 * f)));
}

TEST(Hyddia, FloorAndCeiling) {
    EXPECT_EQ(hyddia(0.1, 0.0, 0.5), 1e-9);
    EXPECT_EQ(hyddia(0.1, 0.4, 0.4), 0.1);
    EXPECT_EQ(hyddia(0.1, 0.9, 0.4), 0.1);
    EXPECT_DOUBLE_EQ(hyddia(0.1, 0.25, 0.5), 0.05);
}

TEST(Fricfa, WorkedValuesLaminarAndZeroVelocity) {
    EXPECT_NEAR(fricfa(0.1, 1.0, 1000.0, 0.001, 0.0), 0.017340, 1e-6);
    EXPECT_NEAR(fricfa(0.1, 1.0, 1000.0, 0.001, 1e-4), 0.022570, 1e-6);
    EXPECT_DOUBLE_EQ(fricfa(0.1, 0.01, 1000.0, 0.001, 0.0), 0.064);
    EXPECT_DOUBLE_EQ(fricfa(0.1, 0.0, 1000.0, 0.001, 0.0), 6.4e7);
    EXPECT_EQ(fricfa(0.1, -1.0, 1000.0, 0.001, 0.0), fricfa(0.1, 1.0, 1000.0, 0.001, 0.0));
    EXPECT_NEAR(fricfa(0.1, 1e9, 1000.0, 0.001, 0.0), 0.0055, 2e-5);
}

TEST(Fricho, HoldupCapAndHorizontalValue) {
    horizontal_record();
    flowcom.rog = 1.2;
    EXPECT_EQ(fricho(0.0), 0.02);
    EXPECT_EQ(fricho(0.9), fricho(0.5));
    EXPECT_NEAR(fricho(0.5), 0.02 * (1.0 + 1.3 * std::sqrt(1000.0 / 1.2)), 1e-12);
    flowcom.s90 = 0.0;  // vertical: only the inclination term
    flowcom.c90 = -1.0;
    EXPECT_DOUBLE_EQ(fricho(0.2), 0.02 * (1.0 + 0.2 * 75.0));
}

TEST(Fricwa, WorkedValueAndZeroAmplitude) {
    EXPECT_NEAR(fricwa(0.001, 0.1), 0.042462, 1e-6);
    EXPECT_EQ(fricwa(0.0, 0.1), 0.0);
}
