// The regime map: grid points, cells against direct evaluations, thread-count
// independence, run merging in the SVG and the status classes.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/batch/format.hpp"
#include "map.h"

using namespace pipeflow_cli;
using flowmodel::batch::regime_label;

namespace {

std::string svg_of(const RegimeMap& m) {
    std::ostringstream s;
    write_map_svg(m, s);
    return s.str();
}

std::string csv_of(const RegimeMap& m) {
    std::ostringstream s;
    write_map_csv(m, s);
    return s.str();
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

// A non-square inclined grid over ranges other than the defaults.
MapOptions small_options(unsigned jobs) {
    MapOptions o;
    o.base = flowmodel::default_inputs();
    o.base.angle = 10.0;
    o.usg_min = 0.05;
    o.usg_max = 50.0;
    o.usl_min = 0.002;
    o.usl_max = 4.0;
    o.nx = 37;
    o.ny = 23;
    o.jobs = jobs;
    return o;
}

}  // namespace

TEST(Map, LogPointsAreEvenInLogWithExactEnds) {
    const std::vector<double> v = log_points(0.01, 100.0, 9);
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(v.front(), 0.01);
    EXPECT_EQ(v.back(), 100.0);
    for (size_t k = 1; k < v.size(); ++k) EXPECT_NEAR(v[k] / v[k - 1], std::sqrt(10.0), 1e-12);
}

TEST(Map, OptionsOutsideTheirRangesAreRejected) {
    MapOptions o;
    EXPECT_NO_THROW(check_map_options(o));
    // Each refusal names the options it is about, for each face to spell.
    auto refused = [](const MapOptions& bad) {
        try {
            check_map_options(bad);
        } catch (const flowmodel::OptionError& e) {
            return e.text();
        }
        return std::string("accepted");
    };
    o.usg_min = 0.0;
    EXPECT_NE(refused(o).find("{usg-min}"), std::string::npos);
    o = MapOptions();
    o.usl_max = o.usl_min;
    EXPECT_NE(refused(o).find("{usl-max}"), std::string::npos);
    o = MapOptions();
    o.usg_max = NAN;
    EXPECT_NE(refused(o).find("{usg-max}"), std::string::npos);
    o = MapOptions();
    o.ny = 1;
    EXPECT_NE(refused(o).find("{ny}"), std::string::npos);
}

TEST(Map, CellsEqualDirectEvaluationsAtTheirVelocities) {
    const MapOptions o = small_options(3);
    const RegimeMap m = compute_map(o);
    ASSERT_EQ(m.usg.size(), 37u);
    ASSERT_EQ(m.usl.size(), 23u);
    EXPECT_EQ(m.usg.front(), 0.05);
    EXPECT_EQ(m.usl.back(), 4.0);
    std::istringstream csv(csv_of(m));
    std::vector<std::string> lines;
    for (std::string l; std::getline(csv, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 1u + 37u * 23u);
    int regimes_seen = 0;
    std::vector<bool> seen(5, false);
    for (int j = 0; j < 23; j += 2) {
        for (int i = 0; i < 37; i += 3) {
            flowmodel::Inputs in = o.base;
            in.usg = m.usg[i];
            in.usl = m.usl[j];
            const flowmodel::Result want = flowmodel::evaluate(in);
            const flowmodel::Result& got = m.at(i, j);
            EXPECT_EQ(got.regime, want.regime) << "usg " << in.usg << " usl " << in.usl;
            EXPECT_EQ(got.status, want.status);
            EXPECT_EQ(got.holdup, want.holdup);
            EXPECT_EQ(got.dpt, want.dpt);
            // The CSV row of the cell: rows of rising usl, within them rising usg.
            const std::string row = flowmodel::io::format_double(in.usg) + "," + flowmodel::io::format_double(in.usl) + "," +
                                    std::to_string(static_cast<int>(want.regime)) + "," +
                                    std::to_string(static_cast<int>(want.status)) + "," + regime_label(want) +
                                    "," + flowmodel::io::format_double(want.holdup) + "," + flowmodel::io::format_double(want.dpt);
            EXPECT_EQ(lines[1 + j * 37 + i], row);
            if (!seen[static_cast<int>(want.regime)]) ++regimes_seen;
            seen[static_cast<int>(want.regime)] = true;
        }
    }
    EXPECT_GE(regimes_seen, 3);  // the samples cross regime boundaries
}

TEST(Map, OutputDoesNotDependOnTheNumberOfThreads) {
    const RegimeMap one = compute_map(small_options(1));
    const RegimeMap four = compute_map(small_options(4));
    EXPECT_EQ(svg_of(one), svg_of(four));
    EXPECT_EQ(csv_of(one), csv_of(four));
}

TEST(Map, SvgHasOneRectanglePerRunAndALegendEntryPerClassShown) {
    const RegimeMap m = compute_map(small_options(2));
    size_t runs = 0;
    for (int j = 0; j < 23; ++j) {
        for (int i = 0; i < 37; ++i) {
            if (i == 0 || classify(m.at(i, j)) != classify(m.at(i - 1, j))) ++runs;
        }
    }
    const std::string svg = svg_of(m);
    const size_t b = svg.find("<g id=\"cells\""), e = svg.find("<rect id=\"plot\"");
    ASSERT_NE(b, std::string::npos);
    ASSERT_NE(e, std::string::npos);
    EXPECT_EQ(count_of(svg.substr(b, e - b), "<rect "), runs);
    EXPECT_LT(runs, 37u * 23u / 4);
    for (const char* name : {"stratified smooth", "stratified wavy", "annular", "slug", "dispersed bubble"}) {
        EXPECT_NE(svg.find(std::string(">") + name + "</text>"), std::string::npos) << name;
    }
    EXPECT_EQ(svg.find("improper input"), std::string::npos);
    EXPECT_NE(svg.find(">superficial gas velocity usg, m/s<"), std::string::npos);
    EXPECT_NE(svg.find(">10<tspan dy=\"-7\" font-size=\"10\">\u22122</tspan>"), std::string::npos);  // 10^-2
}

TEST(Map, StatusesWithoutARegimeHaveTheirOwnClass) {
    MapOptions o = small_options(2);
    o.base.sigma = 0.0;  // below the smallest surface tension: improper everywhere
    const RegimeMap bad = compute_map(o);
    for (const flowmodel::Result& r : bad.cells) ASSERT_EQ(classify(r), MapClass::ImproperInput);
    const std::string svg = svg_of(bad);
    EXPECT_NE(svg.find(">improper input (status 2)</text>"), std::string::npos);
    EXPECT_EQ(count_of(svg, "<rect "), 1u + 23u + 1u + 6u);  // background, a run per row, frame, 6 swatches
    EXPECT_NE(csv_of(bad).find(",2,none,0,0\n"), std::string::npos);

    // A trickle of gas and liquid down a dry downhill pipe has no regime (status 3).
    o = small_options(2);
    o.base.angle = -10.0;
    o.usg_min = 1e-8;
    o.usg_max = 1e-7;
    o.usl_min = 1e-9;
    o.usl_max = 1e-8;
    o.nx = o.ny = 2;
    const RegimeMap tiny = compute_map(o);
    for (const flowmodel::Result& r : tiny.cells) ASSERT_EQ(classify(r), MapClass::NoRegime);
    EXPECT_NE(svg_of(tiny).find(">no regime (status 3)</text>"), std::string::npos);
}
