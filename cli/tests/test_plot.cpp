// The plotting module: round tick values on linear, reversed and log axes,
// their texts, and what a frame draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "../plot.h"

namespace pipeflow_cli::plot {
namespace {

size_t count_of(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
    return n;
}

TEST(Plot, LinearAxesWidenToRoundTicks) {
    // The traverse's old labels: 106.6, 620.2, 1134 ... for a range like this one.
    const Axis a = rounded({106.6, 4713.2, false, "pressure, psia"});
    EXPECT_EQ(a.lo, 0);
    EXPECT_EQ(a.hi, 5000);
    const auto t = ticks(a);
    ASSERT_GE(t.size(), 4u);
    for (double v : t) EXPECT_EQ(std::fmod(v, 1000), 0) << v;
    EXPECT_EQ(tick_text(t[1]), "1000");
    // Small and negative ranges keep 1-2-5 steps, and 0 is written as 0.
    const auto h = ticks(rounded({-0.0312, 0.4631, false, ""}));
    EXPECT_EQ(tick_text(h.front()), "0");  // not "-0"
    for (double v : h) EXPECT_LE(tick_text(v).size(), 4u) << v;
    EXPECT_NE(std::find(h.begin(), h.end(), 0.0), h.end());
    // A depth axis runs high to low; its ticks are the same values.
    const auto d = ticks({2500, 0, false, "depth"});
    EXPECT_EQ(d.front(), 0);
    EXPECT_EQ(d.back(), 2500);
    // A range of one value still gives an axis with length.
    const Axis flat = rounded({5, 5, false, ""});
    EXPECT_GT(flat.hi, flat.lo);
    EXPECT_EQ(tick_text(1e5), "1e5");
    EXPECT_EQ(tick_text(2e-4), "2e-4");
    EXPECT_EQ(tick_text(0.2), "0.2");
}

TEST(Plot, LogAxesShowDecadesWithRaisedExponentsAndShortMarksBetween) {
    const Axis x = rounded({0.03, 450, true, "usg, m/s"});
    EXPECT_DOUBLE_EQ(x.lo, 0.01);
    EXPECT_DOUBLE_EQ(x.hi, 1000);
    EXPECT_EQ(ticks(x).size(), 6u);
    Frame f{x, {1, 10, false, "y"}, 100, 50, 500, 300};
    f.grid = false;
    f.id = "plot";
    const std::string s = f.axes();
    EXPECT_EQ(s.rfind("<rect id=\"plot\"", 0), 0u);
    EXPECT_EQ(count_of(s, "stroke=\"#ddd\""), 0u);
    EXPECT_NE(s.find(">10<tspan dy=\"-7\" font-size=\"10\">\u22122</tspan>"), std::string::npos);
    EXPECT_NE(s.find(">10<tspan dy=\"-7\" font-size=\"10\">3</tspan>"), std::string::npos);
    // Five decades, eight short marks each: 2..9.
    size_t short_marks = 0;
    for (size_t at = s.find("<line"); at != std::string::npos; at = s.find("<line", at + 1)) {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        if (std::sscanf(s.c_str() + at, "<line x1=\"%lf\" y1=\"%lf\" x2=\"%lf\" y2=\"%lf\"", &x1, &y1, &x2, &y2) == 4 &&
            x1 == x2 && std::fabs(y2 - y1 - 3) < 1e-9) {
            ++short_marks;
        }
    }
    EXPECT_EQ(short_marks, 40u);
    // Data at a decade sits on its tick.
    EXPECT_NEAR(f.px(1), 100 + 500 * 2.0 / 5, 1e-9);
}

}  // namespace
}  // namespace pipeflow_cli::plot
