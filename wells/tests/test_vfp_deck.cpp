// Lift-curve tables read from a deck as the simulator's parser reads them,
// and the checks an engineer makes of them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <array>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "flowmodel/option_error.hpp"
#include "flowmodel/vfp.hpp"
#include "flowmodel/vfp_deck.hpp"

namespace flowmodel::vfp {
namespace {

std::string write(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

const Check& check_named(const std::vector<Check>& checks, const std::string& name) {
    for (const Check& c : checks) {
        if (name == c.name) return c;
    }
    ADD_FAILURE() << "no check " << name;
    return checks.front();
}

// A table the project writes reads back to the values it holds, in the
// deck's units, and passes every check where its BHPs rise as they should.
TEST(VfpDeck, ATableWrittenReadsBackAsWritten) {
    Table t;
    t.number = 3;
    t.datum = 2438.4;  // 8000 ft
    t.axes.flo = {100 * 0.158987294928 / 86400, 1000 * 0.158987294928 / 86400};
    t.axes.thp = {100 * 6894.757293168, 300 * 6894.757293168};
    t.axes.wfr = {0, 0.5};
    t.axes.gfr = {300 * 0.028316846592 / 0.158987294928};
    t.bhp.resize(2 * 2 * 1 * 2);
    for (size_t i = 0; i < 2; ++i)
        for (size_t w = 0; w < 2; ++w)
            for (size_t f = 0; f < 2; ++f) t.at(i, w, 0, f) = (1500 + 200 * i + 300 * w + 50 * f) * 6894.757293168;
    const std::string path = write("written.inc", vfpprod(t, Units::Field, {"a comment"}));
    const std::vector<DeckTable> read = read_vfp_deck(path);
    ASSERT_EQ(read.size(), 1u);
    const DeckTable& d = read[0];
    EXPECT_EQ(d.keyword, "VFPPROD");
    EXPECT_EQ(d.number, 3);
    EXPECT_EQ(d.units, "FIELD");
    EXPECT_EQ(d.flo, "LIQ");
    EXPECT_EQ(d.wfr, "WCT");
    EXPECT_EQ(d.gfr, "GOR");
    EXPECT_EQ(d.alq, "");
    EXPECT_NEAR(d.datum, 8000, 1e-6);
    EXPECT_NEAR(d.flo_axis[1], 1000, 1e-6);
    EXPECT_NEAR(d.thp_axis[1], 300, 1e-6);
    EXPECT_NEAR(d.gfr_axis[0], 0.3, 1e-9);  // Mscf/stb
    for (size_t i = 0; i < 2; ++i)
        for (size_t w = 0; w < 2; ++w)
            for (size_t f = 0; f < 2; ++f) EXPECT_NEAR(d.at(i, w, 0, 0, f), 1500 + 200 * i + 300 * w + 50 * f, 1e-6);
    for (const Check& c : check_table(d)) EXPECT_TRUE(c.found.empty()) << c.name << ": " << c.found.front().text;
}

// A deck as operators' files are: comments in Latin-1, repeats and defaults,
// records over lines, Fortran exponents, an INCLUDE relative to the
// including file, units from the deck's METRIC, and a VFPINJ beside it.
// Its faults are each found where they are.
TEST(VfpDeck, AnOperatorsDeckIsReadAndItsFaultsFoundWhereTheyAre) {
    write("inj.inc",
          "-- injector table \xe9" "crit \xe0 la main (Latin-1)\n"
          "VFPINJ\n 7 1500.0 'WAT' 'THP' 1* 'BHP' /\n 100 500 1000 /\n 50 100 /\n"
          "1 210 200 190 /\n2 260 3*255 /\n");
    const std::string main = write("deck.data",
                                   "RUNSPEC\nMETRIC\n"
                                   "-- \xb0\xb1 8-bit bytes in a comment\n"
                                   "VFPPROD\n"
                                   "  5  2000.0 'liq' 'wct' 'gor' 'thp' ' ' 1* 'BHP' /\n"
                                   "  100 200 400 800 /  -- FLO\n"
                                   "  10 20 / THP\n 0 0.5 / after a record's end, a comment 1 2 /\n 100 /\n 0 /\n"
                                   "1 1 1 1  150 140 145 160 /\n"
                                   "1 2 1 1  170\n   160 1* 180 /\n"
                                   "2 1 1 1  155 2*150 1.7D+02 /\n"
                                   "2 2 1 1  165 150 155 19 /\n"
                                   "INCLUDE\n 'inj.inc' /\n");
    // The injector's last record (2 260 3*255) gives 4 values for 3 FLOs.
    try {
        read_vfp_deck(main);
        FAIL() << "accepted a record with more values than FLO has";
    } catch (const ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("inj.inc: line 7, column 7: VFPINJ 7: 4 values where FLO has 3"),
                  std::string::npos)
            << e.what();
    }
    write("inj.inc", "-- injector \xe9\nVFPINJ\n 7 1500.0 'WAT' 'THP' 1* 'BHP' /\n 100 500 1000 /\n 50 100 /\n"
                     "1 210 200 190 /\n2 260 2*255 /\n");
    const std::vector<DeckTable> read = read_vfp_deck(main);
    ASSERT_EQ(read.size(), 2u);
    const DeckTable& p = read[0];
    EXPECT_EQ(p.units, "METRIC");  // defaulted: the deck's
    EXPECT_EQ(p.flo, "LIQ");
    EXPECT_EQ(p.line, 4);
    EXPECT_EQ(p.wfr_axis, (std::vector<double>{0, 0.5}));
    EXPECT_EQ(p.at(1, 0, 0, 0, 3), 170);  // 1.7D+02
    EXPECT_EQ(p.at(1, 0, 0, 0, 2), 150);  // 2*150
    EXPECT_TRUE(std::isnan(p.at(0, 1, 0, 0, 2)));
    const std::vector<Check> checks = check_table(p);
    // THP 2 below THP 1 at WFR 2 (170, 160, 1*, 180 against 165, 150, 155, 19); the defaulted one not compared.
    const Check& thp = check_named(checks, "bhp_rises_with_thp");
    ASSERT_EQ(thp.found.size(), 3u);
    EXPECT_EQ(thp.found[0].text, "at THP 2, WFR 2, GFR 1, ALQ 1, FLO 1 the BHP 165 is below the 170 of THP 1 (by 5)");
    EXPECT_EQ(thp.found[1].where, (std::array<size_t, 5>{2, 2, 1, 1, 2}));
    EXPECT_DOUBLE_EQ(thp.found[1].size, 10);
    EXPECT_EQ(thp.found[2].where, (std::array<size_t, 5>{2, 2, 1, 1, 4}));
    EXPECT_TRUE(thp.fails);
    // WFR 1 and 2 cross at THP 2 (below, then above): noted, not failed.
    const Check& cross = check_named(checks, "wfr_curves_cross");
    EXPECT_EQ(cross.found.size(), 1u);
    EXPECT_FALSE(cross.fails);
    EXPECT_EQ(check_named(checks, "bhp_given").found.size(), 1u);
    const Check& below = check_named(checks, "bhp_above_thp");
    ASSERT_EQ(below.found.size(), 1u);
    EXPECT_EQ(below.found[0].text, "at THP 2, WFR 2, GFR 1, ALQ 1, FLO 4 the BHP 19 is below its THP 20");
    // 140, 145, 160 is a J-curve; 150, 150, 170 too; 165, 150, 155, 19 falls after rising: a jump.
    const Check& jump = check_named(checks, "bhp_along_flo");
    ASSERT_EQ(jump.found.size(), 1u);
    EXPECT_EQ(jump.found[0].where, (std::array<size_t, 5>{2, 2, 1, 1, 4}));
    const DeckTable& j = read[1];
    EXPECT_EQ(j.keyword, "VFPINJ");
    EXPECT_EQ(j.flo, "WAT");
    EXPECT_EQ(j.units, "METRIC");
    EXPECT_EQ(j.at(1, 0, 0, 0, 2), 255);
    // An injector's BHP falls along FLO (friction against the column): allowed.
    for (const Check& c : check_table(j)) EXPECT_TRUE(c.found.empty()) << c.name;
}

TEST(VfpDeck, WhatCannotBeReadIsRefusedWithWhereAndWhatWouldDo) {
    auto error_of = [](const std::string& text) {
        try {
            read_vfp_deck(write("bad.inc", text));
        } catch (const ReadError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(error_of("VFPPROD\n 1 2000 'LIQ' 'WCT' 'GOR' 'THP' ' ' 'METRIC' 'BHP' /\n 100 200 /\n 10 /\n 0 /\n 100 /\n"
                       " 0 /\n1 1 1 1 150 160\nVFPINJ\n"),
              ::testing::TempDir() + "bad.inc: line 9, column 1: VFPPROD: a record is not ended by '/' before VFPINJ");
    EXPECT_NE(error_of("VFPPROD\n 1 2000 'LIQUID' 'WCT' 'GOR' /\n").find("line 2, column 9: VFPPROD's FLO 'LIQUID' is none of OIL, LIQ, GAS"),
              std::string::npos);
    EXPECT_NE(error_of("VFPPROD\n 1 2000 'LIQ' 'WCT' 'GOR' 'THP' ' ' 1* /\n").find("VFPPROD's units is not given: write one of METRIC"),
              std::string::npos);
    EXPECT_NE(error_of("METRIC\nVFPPROD\n 1 2000 'LIQ' 'WCT' 'GOR' 'THP' ' ' 1* /\n 100 /\n 10 /\n 0 /\n 100 /\n 0 /\n"
                       "1 1 1 2 150 /\n").find("line 9, column 7: VFPPROD 1: ALQ index '2' must be 1 to 1"),
              std::string::npos);
    EXPECT_NE(error_of("VFPINJ\n 1 2000 'WAT' 'THP' 'METRIC' /\n 100 2*x /\n").find("line 3, column 6: VFPINJ FLO: 'x' is not a number"),
              std::string::npos);
    EXPECT_NE(error_of("INCLUDE\n 'missing.inc' /\n").find("missing.inc: cannot read"), std::string::npos);
    // An empty axis at the end of the file (once read beyond the file's tokens).
    EXPECT_EQ(error_of("VFPINJ\n 1 2000 'WAT' 'THP' 'METRIC' /\n /"),
              ::testing::TempDir() + "bad.inc: line 3, column 2: VFPINJ: the FLO axis has no value");
    EXPECT_NE(error_of("VFPINJ\n 1 2000 'WAT' 'THP' 'METRIC' /\n 100 1e999 /\n").find("line 3, column 6: VFPINJ FLO: '1e999' is not a finite number"),
              std::string::npos);
    // Axes repeated by mistake would take gigabytes: refused before.
    EXPECT_NE(error_of("VFPINJ\n 1 2000 'WAT' 'THP' 'METRIC' /\n 100000*5 /\n 1000*7 /\n").find(
                  "line 1, column 1: VFPINJ 1: its axes make 100000000 values, beyond the 2000000"),
              std::string::npos);
    // A vertical tab or form feed between items is a blank (once a word of no length, read forever).
    EXPECT_EQ(error_of("VFPINJ\n 1\v2000\f'WAT' 'THP' 'METRIC' /\n 100 /\n 10 /\n1 150 /\n"), "accepted");
    // A device would never end: only regular files are read.
    EXPECT_EQ(error_of("INCLUDE\n '/dev/zero' /\n"), "/dev/zero: not a regular file (a deck and what it INCLUDEs are files)");
    EXPECT_NE(error_of("VFPINJ\n 1 2000 'WAT' 'THP' 'METRIC' /\n 100 200").find("the file ends inside a record"),
              std::string::npos);
}

}  // namespace
}  // namespace flowmodel::vfp

namespace flowmodel::vfp {
namespace {

// The simulator's reading between and beyond the nodes: multilinear inside,
// linear from the end segments outside; the THP that gives a BHP its exact
// inverse along THP.
TEST(VfpDeck, ValuesBetweenAndBeyondTheNodesAndTheThpThatGivesABhp) {
    const std::string path = ::testing::TempDir() + "values.inc";
    std::ofstream(path) << "VFPINJ\n 1 1000 WAT THP METRIC BHP /\n 100 200 /\n 10 20 /\n1 150 140 /\n2 170 150 /\n";
    const DeckTable t = read_vfp_deck(path).at(0);
    EXPECT_DOUBLE_EQ(value_at(t, {200, 20}), 150);
    std::vector<std::string> beyond;
    EXPECT_DOUBLE_EQ(value_at(t, {150, 15}, &beyond), (150 + 140 + 170 + 150) / 4.0);
    EXPECT_TRUE(beyond.empty());
    // Beyond FLO and THP: the end segments carried on.
    EXPECT_DOUBLE_EQ(value_at(t, {300, 10}, &beyond), 130);
    EXPECT_EQ(beyond, (std::vector<std::string>{"FLO"}));
    EXPECT_DOUBLE_EQ(value_at(t, {100, 30}), 190);
    EXPECT_DOUBLE_EQ(value_at(t, {100, 0}), 130);
    // The inverse: inside, and beyond on either side.
    for (double thp : {10.0, 12.5, 20.0, 27.0, 4.0}) {
        const DeckPoint at{160, 0};
        EXPECT_NEAR(thp_for(t, at, value_at(t, {160, thp})), thp, 1e-12);
    }
    // A BHP that falls with THP has no THP that gives a BHP above both nodes.
    std::ofstream(path) << "VFPINJ\n 1 1000 WAT THP METRIC BHP /\n 100 200 /\n 10 20 /\n1 150 140 /\n2 145 130 /\n";
    EXPECT_TRUE(std::isnan(thp_for(read_vfp_deck(path).at(0), {100, 0}, 200)));
}

}  // namespace
}  // namespace flowmodel::vfp

namespace flowmodel::vfp {
namespace {

// A table against itself differs by nothing, against a copy shifted by 7
// by 7 everywhere; against one on other axes, on the union of the nodes
// within the range both cover; tables of other kinds are not compared.
TEST(VfpDeck, TwoTablesComparedOnTheUnionOfTheirNodes) {
    const std::string head = "VFPINJ\n 1 1000 WAT THP METRIC BHP /\n";
    const DeckTable a = read_vfp_text(head + " 100 200 400 /\n 10 20 /\n1 150 140 120 /\n2 170 160 140 /\n", "a.inc").at(0);
    EXPECT_EQ(compare_tables(a, a).largest, 0);
    EXPECT_EQ(compare_tables(a, a).points, 6u);
    const DeckTable shifted =
        read_vfp_text(head + " 100 200 400 /\n 10 20 /\n1 157 147 127 /\n2 177 167 147 /\n", "b.inc").at(0);
    const Comparison c = compare_tables(a, shifted);
    EXPECT_DOUBLE_EQ(c.largest, 7);
    EXPECT_DOUBLE_EQ(c.mean, 7);
    EXPECT_DOUBLE_EQ(c.mean_abs, 7);
    // Other nodes (FLO 150 and 300, THP 15 to 30): compared at FLO 150, 200, 300, 400 and THP 15, 20.
    const DeckTable other =
        read_vfp_text(head + " 150 300 400 /\n 15 30 /\n1 160 140 130 /\n2 175 155 145 /\n", "c.inc").at(0);
    const Comparison d = compare_tables(a, other);
    EXPECT_EQ(d.points, 8u);  // FLO 150, 200 (a's), 300, 400 by THP 15, 20
    double largest = 0;
    for (double q : {150.0, 200.0, 300.0, 400.0}) {
        for (double p : {15.0, 20.0}) {
            const double diff = value_at(other, {q, p}) - value_at(a, {q, p});
            if (std::fabs(diff) > std::fabs(largest)) largest = diff;
        }
    }
    EXPECT_DOUBLE_EQ(d.largest, largest);
    DeckTable field = a;
    field.units = "FIELD";
    EXPECT_EQ(compare_tables(a, field).refused, "one is in METRIC units, the other in FIELD");
}

}  // namespace
}  // namespace flowmodel::vfp

namespace flowmodel::vfp {
namespace {

// Inversions planted at random in a table whose BHP rises with THP: the
// check finds every one of them, and nothing else, with its indices and size.
TEST(VfpDeck, EveryPlantedInversionIsFoundAndNothingElse) {
    std::mt19937 rng(42);
    for (int round = 0; round < 50; ++round) {
        DeckTable t;
        t.keyword = "VFPPROD";
        t.quantity = "BHP";
        t.flo_axis = {100, 200, 400, 800};
        t.thp_axis = {10, 20, 40};
        t.wfr_axis = {0, 0.5};
        t.gfr_axis = {50, 100};
        t.bhp.resize(3 * 2 * 2 * 4);
        t.given.assign(3 * 2 * 2, true);
        for (size_t i = 0; i < 3; ++i)
            for (size_t w = 0; w < 2; ++w)
                for (size_t g = 0; g < 2; ++g)
                    for (size_t f = 0; f < 4; ++f) t.bhp[t.index(i, w, g, 0, f)] = 150 + 2 * t.thp_axis[i] + 20 * w + 0.01 * f * f;
        std::set<std::array<size_t, 5>> planted;  // ordered by THP first: each planted below its THP's neighbour as it then is
        const int count = std::uniform_int_distribution<int>(0, 6)(rng);
        for (int k = 0; k < count; ++k) {
            planted.insert({std::uniform_int_distribution<size_t>(2, 3)(rng), std::uniform_int_distribution<size_t>(1, 2)(rng),
                            std::uniform_int_distribution<size_t>(1, 2)(rng), 1, std::uniform_int_distribution<size_t>(1, 4)(rng)});
        }
        double by = 1;
        for (const std::array<size_t, 5>& at : planted) {
            const double below = t.at(at[0] - 2, at[1] - 1, at[2] - 1, 0, at[4] - 1);
            t.bhp[t.index(at[0] - 1, at[1] - 1, at[2] - 1, 0, at[4] - 1)] = below - by++;
        }
        // Lowering THP 2 at a node puts THP 3 further above it, never below: the planted set is the whole.
        std::set<std::array<size_t, 5>> found;
        for (const Check& c : check_table(t)) {
            if (std::string(c.name) != "bhp_rises_with_thp") continue;
            for (const Finding& f : c.found) {
                found.insert(f.where);
                EXPECT_GT(f.size, 0);
            }
        }
        EXPECT_EQ(found, planted) << "round " << round;
    }
}

}  // namespace
}  // namespace flowmodel::vfp
