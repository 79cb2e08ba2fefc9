// Droplet entrainment and layer velocity: worked values, relaxation rules,
// root selection and the zero-denominator guards.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "entrain.h"
#include "intest.h"
#include "record.h"

using namespace flowmodel;

namespace {

// A liquid/gas pair in a 10 cm pipe; sigma + 0.001 = 0.03 N/m.
void pair_record(double angle, bool exact_horizontal) {
    flowcom = FlowRecord{};
    flowcom.rol = 1000.0;
    flowcom.rog = 10.0;
    flowcom.sigma = 0.029;
    flowcom.diam = 0.1;
    flowcom.usl = 0.1;
    flowcom.angle = angle;
    if (exact_horizontal) {
        flowcom.s90 = 1.0;
        flowcom.c90 = 0.0;
        flowcom.rs90 = 1.0;
    } else {
        setang();
    }
}

// Entrainment at vg = vd = 10 m/s, alfg 0.8, alfl 0.2, kd 0.1 m/s, first evaluation.
double first(double vfe, double hl) { return entrain(10.0, vfe, hl, 0.8, 0.1, 0.2, 0.0, 0.0, 10.0, 1); }

void expect_rel(double got, double want) { EXPECT_NEAR(got, want, 1e-12 * std::fabs(want)); }

}  // namespace

TEST(Entrain, WorkedValuesOfTheBranches) {
    pair_record(0.0, true);
    // Layer faster than the threshold: mass flow from usl, droplet velocity in the denominator.
    expect_rel(first(0.5, 0.02), 0.00096011203163391852);
    // Backward layer: relative velocity vg - 2 vfe, mass flow from alfl and |vfe|.
    expect_rel(first(-0.5, 0.02), 0.0015605407739970041);
    // Dynamic head capped by the free height above a nearly full layer.
    expect_rel(first(0.5, 0.099), 2.2850681742600618e-05);
    // Rising pipe: threshold 1 m/s, so vfe = 0.5 uses the alfl branch; a falling
    // pipe of the same slope has threshold sin^2 and uses the usl branch.
    pair_record(10.0, false);
    expect_rel(first(0.5, 0.02), 0.0023345857884706869);
    pair_record(-10.0, false);
    expect_rel(first(0.5, 0.02), 0.0010455884054427318);
}

TEST(Entrain, NothingWithoutLiquidOrBelowTheMassFlowFloor) {
    pair_record(0.0, true);
    for (int iter : {1, 2, 60, 61}) {
        EXPECT_EQ(entrain(10.0, 0.5, 0.02, 1.0, 0.1, 0.0, 0.3, 0.2, 10.0, iter), 0.0) << iter;
    }
    // Horizontal pipe as setang leaves it (c90 about -2e-10) in the first
    // evaluation (vfe = 0): no mass flow is available, so nothing is torn off.
    pair_record(0.0, false);
    EXPECT_EQ(entrain(50.0, 0.0, 0.0, 0.7, 0.1, 0.3, 0.0, 0.0, 50.0, 1), 0.0);
}

TEST(Entrain, RelaxationAndFreeze) {
    pair_record(0.0, true);
    const double q1 = first(0.5, 0.02);
    ASSERT_GT(q1, 0.0);
    // Previous droplet fraction rescaled by the change of the liquid fraction.
    expect_rel(entrain(10.0, 0.5, 0.02, 0.8, 0.1, 0.2, 0.4, 0.1, 10.0, 2), 0.5 * (0.1 * 0.2 / 0.4 + q1));
    expect_rel(entrain(10.0, 0.5, 0.02, 0.8, 0.1, 0.2, 0.4, 0.1, 10.0, 60), 0.5 * (0.1 * 0.2 / 0.4 + q1));
    // No usable previous liquid fraction: plain average.
    expect_rel(entrain(10.0, 0.5, 0.02, 0.8, 0.1, 0.2, 1e-6, 0.1, 10.0, 2), 0.5 * (0.1 + q1));
    // From the 61st evaluation on the previous value is kept, within [0, alfl].
    EXPECT_EQ(entrain(10.0, 0.5, 0.02, 0.8, 0.1, 0.2, 0.4, 0.15, 10.0, 61), 0.15);
    EXPECT_EQ(entrain(10.0, 0.5, 0.02, 0.8, 0.1, 0.2, 0.4, 0.5, 10.0, 61), 0.2);
    EXPECT_EQ(entrain(10.0, 0.5, 0.02, 0.8, 0.1, 0.2, 0.4, -0.1, 10.0, 61), 0.0);
}

TEST(Entrain, ZeroDenominatorGivesZero) {
    // Chosen so that w ce e = -262144 and vd = 1/262144 exactly: the denominator
    // w ce e vd + 1 is exactly 0 while the numerator is positive. Unguarded, the
    // quotient would be +inf and be clamped to alfl.
    flowcom = FlowRecord{};
    flowcom.rol = 1000.0;
    flowcom.rog = 1.0;
    flowcom.sigma = 0.001;
    flowcom.diam = 0.512;
    flowcom.usl = 0.0;
    flowcom.s90 = 1.0;
    const double kd = -7e-6;  // negative only to reach the exact zero
    EXPECT_EQ(entrain(128.0, 1.0, 0.256, 1.0, kd, 0.3, 0.0, 0.0, 3.814697265625e-06, 1), 0.0);
}

TEST(Filmvel, LaterCasesReplaceEarlierOnes) {
    // Only the forward case has a root.
    EXPECT_NEAR(filmvel(0.5, 3.0, 40.0, 38.0, 10.0), 1.7207773584679245, 1e-12);
    // Forward root 6.67 replaced by the backward root -4.
    EXPECT_NEAR(filmvel(0.5, 2.0, -50.0, -20.0, 10.0), -4.0, 1e-12);
    // Forward root 6 replaced by the root 14 above the gas velocity.
    EXPECT_NEAR(filmvel(0.5, 0.0, -20.0, -2.0, 10.0), 14.0, 1e-12);
}

TEST(Filmvel, RootChoiceWithinOneCase) {
    // Both backward roots fit: (b - sqrt(disc)) / 2a is taken (-5.54, not -1.03);
    // the other cases' roots lie exactly on vg and are rejected.
    EXPECT_NEAR(filmvel(0.5, 3.0, -30.0, -33.0, 10.0), -5.5399619768656425, 1e-12);
    // Both roots above vg: again (b - sqrt(disc)) / 2a, here the larger (51.58, not 2.016).
    EXPECT_NEAR(filmvel(0.25, 1.0, -129.0, -66.0, 2.0), 51.58386571945547, 1e-12);
}

TEST(Filmvel, TangentRootAndLinearFallback) {
    // The faster-than-gas case touches zero (disc exactly 0, double root 4/3):
    // no root is taken, and the other cases only reach the bounds 0 and vg.
    EXPECT_EQ(filmvel(4.0, 0.5, -4.0, -4.0, 1.0), 0.0);
    EXPECT_GT(filmvel(4.0, 0.5, -3.9, -4.0, 1.0), 1.0);
    // Without shear the balance is linear, v = fcon / gam, in whichever case it fits.
    EXPECT_EQ(filmvel(0.0, 0.0, 3.0, 2.0, 10.0), 1.5);
    EXPECT_EQ(filmvel(0.0, 0.0, -3.0, 2.0, 10.0), -1.5);
    EXPECT_EQ(filmvel(0.0, 0.0, 30.0, 2.0, 10.0), 15.0);
    // A linear root exactly at vg fits no case.
    EXPECT_EQ(filmvel(0.0, 0.0, 20.0, 2.0, 10.0), 0.0);
    // Nearly linear with b exactly 0 and a positive discriminant: no candidate
    // (an unguarded c / b would return -inf as a backward root).
    EXPECT_EQ(filmvel(5e-7, 0.0, -1.0, -1e-6, 1.0), 0.0);
}
