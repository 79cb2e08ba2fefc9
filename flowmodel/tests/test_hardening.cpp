// Inputs that passed the input test yet drove the arithmetic out of the double
// range (found by fuzzing the entry and by random sampling of extreme inputs):
// each is now improper input, and the limits that reject them leave every
// value up to the limit accepted with finite results.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "pipeflow.h"

namespace {

struct Out {
    double vers, dpt, hol, dpf, dpg, dpa;
    int id, iter, ierr;
    char msg[PIPEFLOW_MSG_SIZE];
};

Out call(const double (&v)[11]) {
    Out o{};
    pipeflow(&o.vers, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], &o.dpt,
             &o.hol, &o.id, &o.iter, &o.ierr, o.msg, PIPEFLOW_MSG_SIZE, &o.dpf, &o.dpg, &o.dpa);
    return o;
}

// Air-water in a 5 cm pipe at 1 atm, rising 10 degrees.
// usl, usg, rol, rog, visl, visg, rough, sigma, diam, angle, pres
constexpr double kTypical[11] = {0.1, 5.0, 1000.0, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 10.0, 101300.0};

struct Finding {
    const char* what;
    double in[11];
};

// The inputs exactly as found; before the limits each gave a NaN or infinite
// gradient with status 0 or 1.
const Finding kFindings[] = {
    {"liquid velocity 1e160 m/s: its cube overflows in the dispersed-bubble size",
     {0x1.52000001205p+531, 0x1.11121120f12p-750, 0x1.f4p+9, 0x1.3333333333333p+0,
      0x1.0624dd2f1a9fcp-10, 0x1.2dfd694ccab3fp-16, 0x1.92a737110e454p-20, 0x1.26e978d4fdf3bp-4,
      0x1.999999999999ap-5, 0x1.4p+3, 0x1.8bb4p+16}},
    {"largest liquid density: the mixture density overflows",
     {0x0p+0, 0x1.92929292929p-365, 0x1.fffffffffffffp+1023, 0x1.3333333333333p+0,
      0x1.0624dd2f1a9fcp-10, 0x1.2dfd694ccab3fp-16, 0x1.92a737110e454p-20, 0x1.26e978d4fdf3bp-4,
      0x1.999999999999ap-5, 0x1.4p+3, 0x1.8bb4p+16}},
    {"gas density 1e299 kg/m3, liquid density raised above it",
     {0x1.34d551dada2dbp+13, 0x1.efd4d0bac9f62p-1015, 0x1.c83b24ca48159p+13, 0x1.fedd2823056d4p+993,
      0x1.4a73d9bee12fdp+16, 0x1.07605a12a6396p-6, 0x1.fb07c2120c1e6p-502, 0x1.ec7cbf1a836c2p+3,
      0x1.3750aa07c751fp-17, 0x1.3e2d7375a8a54p+8, 0x1.af0f75b8ea19ep+19}},
    {"largest roughness: the relative roughness overflows the friction factor",
     {0x1.999999999999ap-4, 0x1.4p+2, 0x1.f4p+9, 0x1.325e8d9e61582p+0, 0x1.0624dd2f1a9fcp-10,
      0x1.2dfd694ccab3fp-16, 0x1.fffffffffffffp+1023, 0x1.26e978d4fdf3bp-4, 0x1.999999999999ap-5,
      0x1.4p+3, 0x1.8bb4p+16}},
    {"surface tension 1e299 N/m over a liquid of 1e-9 kg/m3: the bubble rise velocity overflows",
     {0x1.1a088fff300a1p-319, 0x1.f32bdfa69179bp-76, 0x1.46039ae733d7bp-32, 0x1.7fb566f769631p-33,
      0x1.16d3668b51734p+6, 0x1.3f5c78fe5e011p+15, 0x1.2ff3ccec6c417p-694, 0x1.0188e0e5ef816p+995,
      0x1.77370ec917f97p-18, -0x1.a3651a8950c8ep+7, 0x1.88576786b1514p+26}},
    {"denormal diameter: the wave friction divides by it",
     {0x1.999999999999ap-4, 0x1.4p+2, 0x1.f4p+9, 0x1.3333333333333p+0, 0x1.0624dd2f1a9fcp-10,
      0x1.e8fe1d776cc68p+20, 0x0.0000000602p-1022, 0x1.00000033fp-15, 0x0.000017effp-1022,
      0x1.21212e9ee1212p-734, 0x1.9f7755fcfe165p+16}},
    {"largest diameter: the drift velocity scale overflows",
     {0x1.999999999999ap-4, 0x1.4p+2, 0x1.f4p+9, 0x1.3333333333333p+0, 0x1.0624dd2f1a9fcp-10,
      0x1.2dfd694ccab3fp-16, 0x1.92a737110e454p-20, 0x1.26e978d4fdf3bp-4, 0x1.fffffffffffffp+1023,
      0x1.4p+3, 0x1.8bb4p+16}},
    {"gas velocity 1.5e153 m/s and viscosity 3e178 Pa s in a 10 um pipe: the laminar wall shear overflows",
     {0x1.0624dd2f1a9fcp-10, 0x1.ce5f7403dddb1p+508, 0x1.34p+4, 0x1.3363636363636p+0, 0x1.0624dd2f1a9fcp+817,
      0x1p+593, 0x1.92a73711p-20, 0x1.26e978d4fdf3bp-4, 0x1.4f8b588e368f1p-17, -0x1.68p+6,
      0x1.fffffffffffffp+1023}},
    {"largest angle: the conversion to radians overflows",
     {0x1.07b6ddaceee0fp-703, 0x1.37ae157ae470ep-11, 0x1.f4p+9, 0x1.3333333333333p+0,
      0x1.0624dd2f1a9fcp-10, 0x1.2dfd694ccab3fp-16, 0x1.92a737110e454p-20, 0x1.26e978d4fdf3bp-4,
      0x1.999999999999ap-5, 0x1.fffffffffffffp+1023, 0x1.8bb4p+16}},
};

void expect_improper(const Out& o, const std::string& what) {
    EXPECT_EQ(o.ierr, PIPEFLOW_IMPROPER_INPUT) << what;
    EXPECT_EQ(o.vers, 1.06) << what;
    EXPECT_TRUE(o.dpt == 0.0 && o.hol == 0.0 && o.dpf == 0.0 && o.dpg == 0.0 && o.dpa == 0.0 &&
                o.id == 0 && o.iter == 0)
        << what;
    EXPECT_EQ(std::string(o.msg).rfind("WARNING! Improper input data:", 0), 0u) << what;
    EXPECT_EQ(std::strlen(o.msg), 159u) << what;
}

// Status 0 or 1 with finite parts, or the critical-flow markers; holdup in [0, 1].
void expect_finite_answer(const Out& o, const std::string& what) {
    ASSERT_TRUE(o.ierr == PIPEFLOW_OK || o.ierr == PIPEFLOW_INPUT_CORRECTED) << what << " " << o.msg;
    const bool critical = o.dpt == PIPEFLOW_CRITICAL_DPT && o.dpa == PIPEFLOW_CRITICAL_DPT;
    EXPECT_TRUE(critical || (std::isfinite(o.dpt) && std::isfinite(o.dpf) &&
                             std::isfinite(o.dpg) && std::isfinite(o.dpa)))
        << what << ": dpt " << o.dpt << " dpf " << o.dpf << " dpg " << o.dpg << " dpa " << o.dpa;
    EXPECT_TRUE(o.hol >= 0.0 && o.hol <= 1.0) << what << ": hol " << o.hol;
}

}  // namespace

TEST(Hardening, InputsThatLeftTheDoubleRangeAreImproper) {
    for (const Finding& f : kFindings) expect_improper(call(f.in), f.what);
}

TEST(Hardening, LimitsAreInclusiveAndTheNextDoubleIsImproper) {
    struct Limit {
        const char* what;
        int k;         // input index
        double value;  // largest (or smallest) accepted value
        double past;   // direction of the rejected side
    };
    const Limit limits[] = {
        {"usl", 0, 1e4, 1e300},      {"usg", 1, 1e4, 1e300},       {"rol", 2, 1e5, 1e300},
        {"visl", 4, 1e8, 1e300},     {"visg", 5, 1e8, 1e300},      {"sigma", 7, 1e2, 1e300},
        {"diam", 8, 1e-6, 0.0},      {"diam", 8, 1e3, 1e300},      {"angle", 9, 360.0, 1e300},
        {"angle", 9, -360.0, -1e300},
    };
    for (const Limit& l : limits) {
        double in[11];
        std::memcpy(in, kTypical, sizeof in);
        in[l.k] = l.value;
        if (l.k == 8) in[6] = 0.0;  // keep the roughness within a micrometre pipe
        const std::string what = std::string(l.what) + " = " + std::to_string(l.value);
        expect_finite_answer(call(in), what);
        in[l.k] = std::nextafter(l.value, l.past);
        expect_improper(call(in), what + " and one ulp past it");
    }
    // Roughness up to the diameter itself.
    double in[11];
    std::memcpy(in, kTypical, sizeof in);
    in[6] = in[8];
    expect_finite_answer(call(in), "rough = diam");
    in[6] = std::nextafter(in[8], 1.0);
    expect_improper(call(in), "rough one ulp above diam");
    // A gas density that raises the liquid density past its limit.
    std::memcpy(in, kTypical, sizeof in);
    in[3] = 1e5;
    expect_improper(call(in), "rog = 1e5 with a lighter liquid");
}

TEST(Hardening, ExtremeValuesWithinTheLimitsGiveFiniteAnswers) {
    // The corners of the accepted range: the pressure has no upper limit and
    // reaches the largest double; velocities and viscosities their limits
    // (1e4 m/s, 1e8 Pa s) and their smallest values.
    const double big = 0x1.fffffffffffffp+1023;
    const double tiny = 0x0.0000000000001p-1022;  // smallest denormal
    const double usl[] = {0.0, tiny, 1e-6, 1e4};
    const double usg[] = {0.0, tiny, 1e-6, 5.0, 1e4};
    const double rog[] = {1e-10, 1.2, 9.99e4};  // the liquid is at its limit, 1e5
    const double visc[] = {1e-10, 1e-3, 1e8};
    const double diam[] = {1e-6, 0.05, 1e3};
    const double angle[] = {-360.0, -90.0, 0.0, 90.0, 360.0};
    const double pres[] = {100.0, 1e5, big};
    for (double a : usl)
        for (double b : usg)
            for (double g : rog)
                for (double mu : visc)
                    for (double d : diam)
                        for (double t : angle)
                            for (double p : pres) {
                                if (a + b <= 0.0) continue;
                                const double in[11] = {a, b, 1e5, g, mu, mu, d, 1e2, d, t, p};
                                char what[200];
                                std::snprintf(what, sizeof what, "%a %a %a %a %a %a %a", a, b, g, mu,
                                              d, t, p);
                                const Out o = call(in);
                                expect_finite_answer(o, what);
                            }
}
