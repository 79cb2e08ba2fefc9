// Record, message fill, input test, inclination terms and numeric helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "intest.h"
#include "numeric.h"
#include "record.h"

using namespace flowmodel;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A valid air-water record; tests change one field at a time.
void fill_valid() {
    flowcom = FlowRecord{};
    flowcom.usl = 1.0;
    flowcom.usg = 5.0;
    flowcom.rol = 1000.0;
    flowcom.rog = 1.2;
    flowcom.visl = 1e-3;
    flowcom.visg = 1.8e-5;
    flowcom.rough = 1.5e-6;
    flowcom.sigma = 0.072;
    flowcom.diam = 0.05;
    flowcom.angle = 0.0;
    flowcom.pres = 101300.0;
}

struct IntestResult {
    int ierr;
    std::string msg;
};

IntestResult run_intest(int lmsg = 256) {
    char buf[300];
    std::memset(buf, '#', sizeof buf);
    int ierr = 0;
    intest(ierr, buf, lmsg);
    return {ierr, std::string(buf, buf + lmsg)};
}

}  // namespace

TEST(Strfill, PadsCutsAndTouchesExactlyNPlusOneBytes) {
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(strfill(buf, "abc", 6), buf);
    EXPECT_EQ(std::string(buf, 8), std::string("abc   \0#", 8));

    std::memset(buf, '#', sizeof buf);
    strfill(buf, "abcdefgh", 4);
    EXPECT_EQ(std::string(buf, 6), std::string("abcd\0#", 6));
}

TEST(Strfill, WritesNothingForAbsentBuffersOrNonPositiveLength) {
    char buf[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(strfill(buf, "x", 0), nullptr);
    EXPECT_EQ(strfill(buf, "x", -3), nullptr);
    EXPECT_EQ(strfill(buf, nullptr, 3), nullptr);
    EXPECT_EQ(strfill(nullptr, "x", 3), nullptr);
    EXPECT_EQ(std::string(buf, 4), "####");
}

TEST(Intest, BoundsPassAtEqualityAndFailJustBelowOrOnNaN) {
    struct Case {
        double FlowRecord::*field;
        double at_bound;
        double below;
    };
    const Case cases[] = {
        {&FlowRecord::usl, 0.0, -1e-300},     {&FlowRecord::usg, 0.0, -1e-300},
        {&FlowRecord::rog, 1e-10, 0.99e-10},  {&FlowRecord::rol, 1e-10, 0.99e-10},
        {&FlowRecord::visl, 1e-10, 0.99e-10}, {&FlowRecord::visg, 1e-10, 0.99e-10},
        {&FlowRecord::rough, 0.0, -1e-12},    {&FlowRecord::sigma, 1e-5, 0.99e-5},
        {&FlowRecord::pres, 100.0, 99.99},    {&FlowRecord::diam, 0.0, -1e-9},
    };
    for (const Case& c : cases) {
        fill_valid();
        flowcom.*c.field = c.at_bound;  // equal to the bound passes (rol may then be raised)
        EXPECT_NE(run_intest().ierr, 2) << c.at_bound;
        flowcom.*c.field = c.below;
        EXPECT_EQ(run_intest().ierr, 2) << c.below;
        flowcom.*c.field = kNaN;
        EXPECT_EQ(run_intest().ierr, 2);
    }
    fill_valid();
    flowcom.usl = -0.0;
    flowcom.usg = -0.0;
    EXPECT_EQ(run_intest().ierr, 0);
    fill_valid();
    flowcom.angle = kNaN;  // the angle is not tested
    EXPECT_EQ(run_intest().ierr, 0);
}

TEST(Intest, ImproperInputMessageIsExactAndListsTenValuesInOrder) {
    fill_valid();
    flowcom.usl = -1.0;
    flowcom.sigma = 1e-6;  // several bad values: one message, all ten shown
    const IntestResult r = run_intest(256);
    EXPECT_EQ(r.ierr, 2);
    const std::string expected =
        "WARNING! Improper input data:           -1            5          1.2         1000"
        "        0.001      1.8e-05      1.5e-06        1e-06         0.05    1.013e+05";
    ASSERT_EQ(expected.size(), 159u);
    EXPECT_EQ(r.msg.substr(0, 160), expected + std::string(1, '\0'));
    EXPECT_EQ(r.msg.substr(160), std::string(96, '#'));  // nothing written past the NUL
    EXPECT_EQ(flowcom.rol, 1000.0);
}

TEST(Intest, ImproperInputMessageNeverOverrunsShortBuffers) {
    fill_valid();
    flowcom.pres = 99.99;
    IntestResult r = run_intest(40);
    EXPECT_EQ(r.ierr, 2);
    EXPECT_EQ(r.msg, std::string("WARNING! Improper input data:          ") + std::string(1, 0));
    r = run_intest(1);
    EXPECT_EQ(r.msg[0], '\0');
    char guard = '#';
    int ierr = 0;
    intest(ierr, &guard, 0);  // no room at all: nothing written
    EXPECT_EQ(guard, '#');
    EXPECT_EQ(ierr, 2);
    ierr = 0;
    intest(ierr, nullptr, 160);
    EXPECT_EQ(ierr, 2);
}

TEST(Intest, EqualOrHeavierGasRaisesLiquidDensityWithWarning) {
    fill_valid();
    flowcom.rol = 800.0;
    flowcom.rog = 800.0;
    IntestResult r = run_intest(60);
    EXPECT_EQ(r.ierr, 1);
    EXPECT_EQ(flowcom.rol, 1.001 * 800.0);
    EXPECT_EQ(r.msg, std::string("*** Warning: rol is modified by intest routine") +
                         std::string(13, ' ') + '\0');
    fill_valid();
    flowcom.rol = 10.0;
    flowcom.rog = 20.0;
    r = run_intest(20);  // cut to 19 characters
    EXPECT_EQ(r.msg, std::string("*** Warning: rol is") + '\0');
    EXPECT_EQ(flowcom.rol, 1.001 * 20.0);
}

TEST(Setang, InclinationTermsAndVerticalCap) {
    fill_valid();
    setang();
    EXPECT_EQ(flowcom.s90, 1.0);
    EXPECT_NE(flowcom.c90, 0.0);  // cos of the approximate pi/2
    EXPECT_NEAR(flowcom.c90, 0.0, 1e-9);
    EXPECT_EQ(flowcom.rs90, 1.0);
    for (double a : {90.0, -90.0}) {
        flowcom.angle = a;
        setang();
        EXPECT_LE(std::fabs(flowcom.s90), 1e-6);
        EXPECT_EQ(flowcom.rs90, 1e6);
        EXPECT_NEAR(flowcom.c90, a > 0 ? -1.0 : 1.0, 1e-12);
    }
    flowcom.angle = 30.0;
    setang();
    EXPECT_NEAR(flowcom.c90, -0.5, 1e-9);
    EXPECT_DOUBLE_EQ(flowcom.rs90, 1.0 / std::fabs(flowcom.s90));
}

TEST(Numeric, PowiDsignAndTieRules) {
    EXPECT_EQ(powi(0.0, -2), 0.0);
    EXPECT_EQ(powi(0.0, 0), 0.0);
    EXPECT_EQ(powi(2.0, -2), 0.25);
    EXPECT_EQ(powi(-3.0, 3), -27.0);
    EXPECT_EQ(powi(1.5, 2), 2.25);
    EXPECT_EQ(powi(7.0, 0), 1.0);
    EXPECT_EQ(dsign(5.0, -0.0), 5.0);
    EXPECT_EQ(dsign(-5.0, 0.0), 5.0);
    EXPECT_EQ(dsign(5.0, -1e-300), -5.0);

    // Ties return the first argument: visible through the sign of zero.
    EXPECT_TRUE(std::signbit(dmax(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(dmin(-0.0, 0.0)));
    EXPECT_EQ(dmax(1.0, 2.0), 2.0);
    EXPECT_EQ(dmin(1.0, 2.0), 1.0);
    // Unordered: dmax yields b, dmin yields a.
    EXPECT_EQ(dmax(kNaN, 1e-9), 1e-9);
    EXPECT_TRUE(std::isnan(dmax(1.0, kNaN)));
    EXPECT_TRUE(std::isnan(dmin(kNaN, 1.0)));
    EXPECT_EQ(dmin(1.0, kNaN), 1.0);

    EXPECT_EQ(iseq(1.0, 1.0), 1);
    EXPECT_EQ(iseq(1.0, std::nextafter(1.0, 2.0)), 0);
    EXPECT_EQ(iseq(kNaN, 0.0), 1);
    EXPECT_EQ(isne(kNaN, 0.0), 0);
    EXPECT_EQ(isne(0.0, 1e-300), 1);
}

TEST(Record, EachThreadHasItsOwnRecord) {
    fill_valid();
    flowcom.usl = 111.0;
    double seen_in_thread = -1.0;
    std::thread t([&] {
        seen_in_thread = flowcom.usl;  // a fresh thread starts from a zero record
        for (int i = 0; i < 100000; ++i) flowcom.usl = i;
    });
    t.join();
    EXPECT_EQ(seen_in_thread, 0.0);
    EXPECT_EQ(flowcom.usl, 111.0);
}
