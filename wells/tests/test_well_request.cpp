// The wells' options as users write them, a gas well on Fetkovich's inflow,
// and a lift curve with a minimum crossing the inflow twice.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/outflow.hpp"
#include "flowmodel/vfp_deck.hpp"
#include "flowmodel/well_request.hpp"

namespace flowmodel {
namespace {

const double kPsiPa = blackoil::kPsi, kStbD = blackoil::kBarrel / 86400;
const double kMscfD = 1000 * 0.3048 * 0.3048 * 0.3048 / 86400;

TEST(InflowOptions, UnitsGaugeReadingsAndRefusals) {
    // C in Mscf/d per psi^2n: q = C (pr^2 - pwf^2)^n in those units.
    const ipr::Inflow f = wells::inflow_from("fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}},
                                             101325);
    EXPECT_NEAR(ipr::rate(f, 1000 * kPsiPa) / kMscfD, 0.01 * std::pow(2000.0 * 2000 - 1000.0 * 1000, 0.8), 1e-9);
    const ipr::Inflow m = wells::inflow_from("fetkovich", {{"res-pres", "100bar"}, {"c", "2 Sm3/d/bar2"}, {"n", "1"}}, 101325);
    EXPECT_NEAR(ipr::absolute_open_flow(m) * 86400, 2e4, 1e-8);
    // A gauge reservoir pressure takes the atmosphere given.
    EXPECT_NEAR(wells::inflow_from("pi", {{"res-pres", "100barg"}, {"pi", "1 Sm3/d/bar"}}, 95000).pr, 1e7 + 95000, 1e-6);
    // The composite asks the fluid for its bubble point when none is given.
    const ipr::Inflow c = wells::inflow_from("composite", {{"res-pres", "3000psia"}, {"pi", "1 STB/d/psi"}}, 101325,
                                             [](double pr) { return 0.5 * pr; });
    EXPECT_NEAR(c.pb, 1500 * kPsiPa, 1e-6);
    for (const auto& [kind, texts] : std::vector<std::pair<std::string, std::map<std::string, std::string>>>{
             {"fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 Mscf/d/psi"}, {"n", "0.8"}}},  // not squared
             {"fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 Mscf/d/psi2"}, {"n", "1.5"}}},
             {"composite", {{"res-pres", "3000psia"}, {"pi", "1 STB/d/psi"}}},  // no bubble point anywhere
             {"vogel", {{"res-pres", "3000psia"}, {"test-rate", "100 STB/d"}, {"test-pwf", "3100psia"}}},
             {"pi", {{"res-pres", "3000psia"}, {"pi", "-1 STB/d/psi"}}},
             {"pi", {{"pi", "1 STB/d/psi"}}},
             {"darcy", {{"res-pres", "3000psia"}}},
             {"vogel", {{"res-pres", "3000psia"}, {"q-max", "2500 STB/d"}, {"pi", "1 STB/d/psi"}}},  // pi unread
             {"vogel", {{"res-pres", "3000psia"}, {"q-max", "2500 Mscf/d"}}},                      // a gas rate
             {"fetkovich", {{"res-pres", "2000psia"}, {"c", "0.01 STB/d/psi2"}, {"n", "0.8"}}}}) {  // a liquid rate
        EXPECT_THROW(wells::inflow_from(kind, texts, 101325), std::invalid_argument) << kind;
    }
}

wells::NodalRequest oil_well(const std::map<std::string, std::string>& more) {
    wells::NodalRequest r;
    r.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::map<std::string, std::string> o = {{"diam", "2.441in"},     {"rough", "0.0006in"},  {"outlet-pres", "200psia"},
                                            {"temp-in", "180degF"},  {"temp-out", "100degF"}, {"api", "35"},
                                            {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"water-cut", "30%"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) {
        if (!wells::set_nodal_option(r, k, v)) set_option(r.traverse, k, v);
    }
    return r;
}

// A traverse of the example well, as a user would ask for it to check an
// operating point: flowing up (a producer) or down (an injector).
TraverseResult direct_traverse(bool producer, const std::map<std::string, std::string>& options) {
    TraverseRequest at;
    at.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    at.flow_decreasing = producer;
    at.flow_direction_stated = true;
    for (const auto& [k, v] : options) set_option(at, k, v);
    return traverse(setup_traverse(at));
}

TEST(NodalOptions, AGasWellSweepsItsGasAndATraverseAgreesAtTheOperatingPoint) {
    const wells::NodalSetup s = wells::setup_nodal(oil_well(
        {{"gor", "20000 scf/STB"}, {"ipr", "fetkovich"}, {"res-pres", "3000psia"}, {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}}));
    ASSERT_TRUE(s.split.gas_rate);
    double oil = 0, water = 0, gas = 0;
    nodal::split_rate(s.split, 1000 * kMscfD, oil, water, gas);
    EXPECT_NEAR(gas / oil, 20000 * blackoil::kScfPerStb, 1e-9);
    EXPECT_NEAR(water / (oil + water), 0.3, 1e-12);
    const nodal::Result r = wells::analyse(s);
    const nodal::Crossing* op = r.operating_point();
    ASSERT_NE(op, nullptr);
    TraverseRequest at = oil_well({{"gor", "20000 scf/STB"}}).traverse;
    set_number(at, &TraverseNumbers::oil_rate, op->rate / (20000 * blackoil::kScfPerStb));
    set_number(at, &TraverseNumbers::water_rate, at.given.oil_rate->value * 0.3 / 0.7);
    at.given.water_cut.reset();
    const TraverseResult t = traverse(setup_traverse(at));
    ASSERT_TRUE(t.summary.complete);
    EXPECT_NEAR(t.summary.inlet_pres, op->bhp, 0.1 * kPsiPa) << op->rate / kMscfD << " Mscf/d";
    // Without liquid to carry there is nothing to split.
    EXPECT_THROW(wells::setup_nodal(oil_well({{"gor", "0"}, {"ipr", "fetkovich"}, {"res-pres", "3000psia"},
                                              {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}})),
                 std::invalid_argument);
    wells::NodalRequest r2;
    EXPECT_THROW(wells::set_nodal_option(r2, "liquid-rate", "100 STB/d"), std::invalid_argument);
}

// Liquid loading judged at the operating point of a gas well: the critical
// rate is the larger of a direct traverse's at the operating rate, and the
// well loads where its operating point lies below it.
TEST(NodalOptions, AGasWellsLoadingIsItsOperatingPointsTraverseJudged) {
    auto gas_well = [](const std::string& c) {
        return oil_well({{"gor", "100000 scf/STB"}, {"water-cut", "60%"}, {"api", "50"}, {"outlet-pres", "300psia"},
                         {"ipr", "fetkovich"}, {"res-pres", "1500psia"}, {"c", c}, {"n", "0.9"}, {"loading", "turner"}});
    };
    for (const char* c : {"0.0015 Mscf/d/psi2", "0.003 Mscf/d/psi2"}) {
        const nodal::Result r = wells::analyse(wells::setup_nodal(gas_well(c)));
        const nodal::Crossing* op = r.operating_point();
        ASSERT_NE(op, nullptr) << c;
        EXPECT_EQ(r.loading, LoadingCriterion::Turner);
        TraverseRequest at = oil_well({{"gor", "100000 scf/STB"}, {"api", "50"}, {"outlet-pres", "300psia"},
                                       {"loading", "turner"}})
                                 .traverse;
        const double oil = op->rate / (100000 * blackoil::kScfPerStb);
        set_number(at, &TraverseNumbers::oil_rate, oil);
        set_number(at, &TraverseNumbers::water_rate, oil * 0.6 / 0.4);
        at.given.water_cut.reset();
        const TraverseResult t = traverse(setup_traverse(at));
        ASSERT_TRUE(t.summary.complete);
        const double critical = std::max(t.summary.critical_gas_rate_wellhead, t.summary.critical_gas_rate_bottom);
        EXPECT_NEAR(r.critical_gas_rate, critical, 1e-3 * critical) << c;
        EXPECT_EQ(r.critical_rate, r.critical_gas_rate);  // the swept rate is the gas
        EXPECT_EQ(r.loads, op->rate < critical) << c;
    }
    // The weaker well flows below its critical rate (loads), the stronger above it.
    EXPECT_TRUE(wells::analyse(wells::setup_nodal(gas_well("0.0015 Mscf/d/psi2"))).loads);
    EXPECT_FALSE(wells::analyse(wells::setup_nodal(gas_well("0.003 Mscf/d/psi2"))).loads);
}

// A gas well by its yields sweeps its gas as the same well by GOR and water
// cut does; a dry gas (no yields) has its operating point where a traverse of
// the gas alone at that rate gives the inflow's pressure.
TEST(NodalOptions, AGasWellByItsYieldsAndADryGasWell) {
    auto gas_well = [](const std::map<std::string, std::string>& liquid) {
        std::map<std::string, std::string> o = {{"api", "50"},       {"outlet-pres", "300psia"}, {"ipr", "fetkovich"},
                                                {"res-pres", "1500psia"}, {"c", "0.0015 Mscf/d/psi2"}, {"n", "0.9"},
                                                {"method", "gray"},  {"water-cut", ""}};
        for (const auto& [k, v] : liquid) o[k] = v;
        wells::NodalRequest r;
        r.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
        for (const auto& [k, v] : std::map<std::string, std::string>{{"diam", "2.441in"}, {"rough", "0.0006in"},
                                                                      {"temp-in", "180degF"}, {"temp-out", "100degF"},
                                                                      {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}}) {
            set_option(r.traverse, k, v);
        }
        for (const auto& [k, v] : o) {
            if (v.empty()) continue;
            if (!wells::set_nodal_option(r, k, v)) set_option(r.traverse, k, v);
        }
        return wells::setup_nodal(r);
    };
    const wells::NodalSetup yields = gas_well({{"cgr", "10 STB/MMscf"}, {"wgr", "15 STB/MMscf"}});
    double oil = 0, water = 0, gas = 0;
    nodal::split_rate(yields.split, 1000 * kMscfD, oil, water, gas);
    EXPECT_NEAR(oil, 10 * kStbD, 1e-12);
    EXPECT_NEAR(water, 15 * kStbD, 1e-12);
    const nodal::Result by_yields = wells::analyse(yields);
    const nodal::Result by_ratio = wells::analyse(gas_well({{"water-cut", "60%"}, {"gor", "100000 scf/STB"}}));
    const nodal::Crossing* a = by_yields.operating_point();
    const nodal::Crossing* b = by_ratio.operating_point();
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(a->rate, b->rate, 1e-9 * b->rate);
    const wells::NodalSetup dry = gas_well({{"cgr", "0 STB/MMscf"}});
    const nodal::Result r = wells::analyse(dry);
    const nodal::Crossing* op = r.operating_point();
    ASSERT_NE(op, nullptr);
    const TraverseResult t = direct_traverse(
        true, {{"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "180degF"}, {"temp-out", "100degF"},
               {"api", "50"}, {"gas-gravity", "0.65"}, {"outlet-pres", "300psia"}, {"method", "gray"},
               {"gas-rate", io::format_double(op->rate) + " Sm3/s"}});
    ASSERT_TRUE(t.summary.complete) << t.summary.message;
    EXPECT_NEAR(t.summary.inlet_pres, op->bhp, 0.1 * kPsiPa);
    EXPECT_NEAR(ipr::pwf(dry.inflow, op->rate), op->bhp, nodal::kPressureMatch);
    // Yields are a gas well's: with a liquid inflow, or beside a gas ratio, refused.
    EXPECT_THROW(gas_well({{"cgr", "10 STB/MMscf"}, {"ipr", "pi"}, {"pi", "1 STB/d/psi"}, {"c", ""}, {"n", ""}}),
                 std::invalid_argument);
    EXPECT_THROW(gas_well({{"cgr", "10 STB/MMscf"}, {"gor", "5000 scf/STB"}}), std::invalid_argument);
}

TEST(NodalOptions, ALiftCurveWithAMinimumCrossesTwiceAndTheRisingBranchIsTheOperatingPoint) {
    // A weak straight-line inflow meets the falling (loading) branch at low
    // rate, then the rising branch.
    const nodal::Result r = wells::analyse(wells::setup_nodal(oil_well(
        {{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"}, {"pi", "0.6 STB/d/psi"}})));
    ASSERT_EQ(r.crossings.size(), 2u);
    EXPECT_FALSE(r.crossings[0].stable);
    EXPECT_TRUE(r.crossings[1].stable);
    EXPECT_EQ(r.operating_point(), &r.crossings[1]);
    EXPECT_LT(r.crossings[0].rate / kStbD, 100);
    EXPECT_GT(r.crossings[1].rate / kStbD, 300);
    // The refinement puts curve points within 0.1 % of each crossing's rate.
    for (const nodal::Crossing& c : r.crossings) {
        double nearest = 1e300;
        for (const nodal::Point& p : r.curve) nearest = std::min(nearest, std::fabs(p.rate - c.rate));
        EXPECT_LT(nearest, 1e-3 * c.rate);
    }
}

std::string refusal(const std::function<void()>& f) {
    try {
        f();
    } catch (const OptionError& e) {
        return e.text();
    }
    return "accepted";
}

// The bottom-hole pressure of a direct traverse of the setup's well at
// liquid rate q (and lift gas `lift`), NaN where it does not reach the bottom.
double direct_bhp(const wells::NodalSetup& s, double q, const LiftGas& lift = {}) {
    wells::OutflowCase c;
    c.fluid = s.setup.black_oil()->inputs();
    nodal::split_rate(s.split, q, c.fluid.oil_rate, c.fluid.water_rate, c.fluid.gas_rate);
    c.thp = s.setup.options.pres;
    c.lift = lift;
    return wells::bottom_hole_pressures(s.setup.line, {c}, s.setup.options).at[0].bhp;
}

TEST(NodalOptions, NoOperatingPointWhereTheOutflowStopsAndTheReasonSaysWhere) {
    // The outflow ends at the limit pressure while the inflow still lies above it.
    const wells::NodalSetup s = wells::setup_nodal(oil_well(
        {{"gor", "600 scf/STB"}, {"ipr", "vogel"}, {"res-pres", "3000psia"}, {"q-max", "2500 STB/d"},
         {"max-pres", "2145psia"}}));
    const nodal::Result capped = wells::analyse(s);
    EXPECT_EQ(capped.operating_point(), nullptr);
    EXPECT_EQ(capped.why, nodal::NoFlow::OutflowStops);
    // Where the outflow stops, a direct traverse reaches the limit: just below
    // that rate it arrives under it, just above it stops.
    EXPECT_LE(direct_bhp(s, 0.99 * capped.stop_rate), 2145 * kPsiPa);
    EXPECT_TRUE(std::isnan(direct_bhp(s, 1.01 * capped.stop_rate)));
    for (const nodal::Crossing& c : capped.crossings) EXPECT_LE(c.bhp, 2145 * kPsiPa);
    const std::string why = nodal::reason(capped, [](double q) { return std::to_string(q / kStbD) + " STB/d"; });
    EXPECT_NE(why.find("the outflow stops at 10"), std::string::npos) << why;
    EXPECT_NE(why.find("max-pres"), std::string::npos) << why;
    // A gas-rich well chokes before its outflow meets the inflow.
    const nodal::Result choked = wells::analyse(wells::setup_nodal(oil_well(
        {{"glr", "20000 scf/STB"}, {"outlet-pres", "50psia"}, {"ipr", "pi"}, {"res-pres", "3000psia"},
         {"pi", "5 STB/d/psi"}})));
    EXPECT_EQ(choked.operating_point(), nullptr);
    EXPECT_EQ(choked.why, nodal::NoFlow::OutflowStops);
    EXPECT_NE(choked.stop_cause.find("critical flow"), std::string::npos) << choked.stop_cause;
    // A reservoir of 1e6 psia: the outflow chokes long before any crossing,
    // and no point is invented between a computed rate and a failed one.
    const nodal::Result huge = wells::analyse(wells::setup_nodal(oil_well(
        {{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "1e6psia"}, {"pi", "1 STB/d/psi"}})));
    EXPECT_EQ(huge.operating_point(), nullptr);
    EXPECT_EQ(huge.why, nodal::NoFlow::OutflowStops);
    EXPECT_NE(huge.stop_cause.find("critical flow"), std::string::npos) << huge.stop_cause;
    // The inflow above the outflow up to the last rate given: the crossing lies beyond.
    const nodal::Result short_rates = wells::analyse(wells::setup_nodal(oil_well(
        {{"gor", "600 scf/STB"}, {"ipr", "vogel"}, {"res-pres", "3000psia"}, {"q-max", "2500 STB/d"},
         {"rates", "200,400,600 STB/d"}})));
    EXPECT_EQ(short_rates.why, nodal::NoFlow::InflowAbove);
    EXPECT_NEAR(short_rates.stop_rate / kStbD, 600, 1e-9);
}

TEST(NodalOptions, RatesInTheUnitsOfTheSweptPhaseAndAWellGoingDown) {
    EXPECT_NE(refusal([] {
                  wells::setup_nodal(oil_well({{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"},
                                               {"pi", "1 STB/d/psi"}, {"rates", "500,1000 Mscf/d"}}));
              }).find("another quantity"),
              std::string::npos);
    EXPECT_NE(refusal([] {
                  wells::setup_nodal(oil_well({{"gor", "20000 scf/STB"}, {"ipr", "fetkovich"}, {"res-pres", "3000psia"},
                                               {"c", "0.01 Mscf/d/psi2"}, {"n", "0.8"}, {"rates", "100,400 STB/d"}}));
              }).find("another quantity"),
              std::string::npos);
    // The fluid is checked without a rate of its own: a water cut above 1 is named.
    EXPECT_NE(refusal([] {
                  wells::setup_nodal(oil_well({{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"},
                                               {"pi", "1 STB/d/psi"}, {"water-cut", "120%"}}));
              }).find("{water-cut} must be from 0 to 1"),
              std::string::npos);
    const wells::NodalSetup no_rates = wells::setup_nodal(
        oil_well({{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"}, {"pi", "1 STB/d/psi"}}));
    EXPECT_EQ(no_rates.setup.black_oil()->inputs().oil_rate, 0);  // no placeholder rate: the analysis sets each
    // A straight well rising from its wellhead is written the wrong way round.
    wells::NodalRequest up = oil_well({{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"},
                                       {"pi", "1 STB/d/psi"}, {"length", "2000"}, {"angle", "90"}});
    up.traverse.profile.clear();
    EXPECT_NE(refusal([&] { wells::setup_nodal(up); }).find("does not lie below the wellhead"), std::string::npos);
    set_option(up.traverse, "angle", "-90");
    EXPECT_EQ(refusal([&] { wells::setup_nodal(up); }), "accepted");
}

wells::VfpRequest table(const std::map<std::string, std::string>& more) {
    wells::VfpRequest r;
    r.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::map<std::string, std::string> o = {
        {"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "180degF"}, {"temp-out", "100degF"},
        {"api", "35"},       {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"rates", "100,400 STB/d"},
        {"thp", "100,200 psia"}, {"water-cut", "0,50%"}, {"gor", "300,900 scf/STB"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) {
        if (v.empty()) continue;
        if (!wells::set_vfp_option(r, k, v)) set_option(r.traverse, k, v);
    }
    return r;
}

std::string table_refusal(const std::map<std::string, std::string>& more) {
    return refusal([&] { wells::setup_vfp(table(more)); });
}

TEST(VfpOptions, AxesInTheUnitsAndRangesOfTheirKinds) {
    EXPECT_EQ(table_refusal({}), "accepted");
    EXPECT_NE(table_refusal({{"rates", "-1000,400,1600 STB/d"}}).find("{rates} must be above 0"), std::string::npos);
    EXPECT_NE(table_refusal({{"rates", "0,400 STB/d"}}).find("{rates} must be above 0"), std::string::npos);
    EXPECT_NE(table_refusal({{"water-cut", "0,120%"}}).find("from 0 to 1"), std::string::npos);
    EXPECT_NE(table_refusal({{"water-cut", "0,100%"}}).find("leaves no oil"), std::string::npos);
    // All water with a gas-liquid ratio is a well that produces.
    EXPECT_EQ(table_refusal({{"water-cut", "0,100%"}, {"gor", ""}, {"glr", "300,900 scf/STB"}}), "accepted");
    // OGR and WGR take liquid per gas, with their unit: the deck's own STB/Mscf.
    EXPECT_NE(table_refusal({{"gfr", "ogr"}}).find("another quantity"), std::string::npos);
    EXPECT_NE(table_refusal({{"gfr", "ogr"}, {"gor", "0.1,0.2"}}).find("has no unit"), std::string::npos);
    const wells::VfpSetup ogr = wells::setup_vfp(table({{"gfr", "ogr"}, {"gor", "0.01,0.02 STB/Mscf"}}));
    EXPECT_NEAR(vfp::to_deck(vfp::Units::Field, "gfr", ogr.table.flo, ogr.table.wfr, ogr.table.gfr,
                             ogr.table.axes.gfr[1]),
                0.02, 1e-12);
    EXPECT_NE(table_refusal({{"wfr", "wgr"}, {"water-cut", "0,0.1"}}).find("has no unit"), std::string::npos);
    const wells::VfpSetup wgr = wells::setup_vfp(table({{"wfr", "wgr"}, {"water-cut", "0,0.1 STB/Mscf"}}));
    EXPECT_NEAR(vfp::to_deck(vfp::Units::Field, "wfr", wgr.table.flo, wgr.table.wfr, wgr.table.gfr,
                             wgr.table.axes.wfr[1]),
                0.1, 1e-12);
    EXPECT_NE(table_refusal({{"flo", "gas"}, {"rates", "100,400 STB/d"}}).find("another quantity"), std::string::npos);
    EXPECT_EQ(table_refusal({{"flo", "gas"}, {"rates", "100,400 Mscf/d"}}), "accepted");
    // A gas rate with no gas to carry the liquid gives no rates.
    EXPECT_NE(table_refusal({{"flo", "gas"}, {"rates", "100,400 Mscf/d"}, {"gor", "0,300 scf/STB"}}).find("gives no rates"),
              std::string::npos);
    // Values the keyword would write alike.
    EXPECT_NE(table_refusal({{"rates", "100,100.000000001 STB/d"}, {"deck-units", "field"}}).find("written alike"),
              std::string::npos);
    // A table too large is refused before any work; --max-entries raises the bound.
    EXPECT_NE(table_refusal({{"max-entries", "15"}}).find("16 entries"), std::string::npos);
    EXPECT_EQ(table_refusal({{"max-entries", "16"}}), "accepted");
}

// A gas well's table (FLO GAS, WFR WGR, GFR OGR), a dry gas at its first
// node included: each entry is the traverse of the gas well given by its gas
// rate and yields, marched alone.
TEST(VfpOptions, AGasWellsTableIsItsTraversesByRateAndYieldsADryGasIncluded) {
    const wells::VfpSetup s = wells::setup_vfp(
        table({{"flo", "gas"}, {"wfr", "wgr"}, {"gfr", "ogr"}, {"rates", "500,2000 Mscf/d"}, {"thp", "300 psia"},
               {"water-cut", "0,0.015 STB/Mscf"}, {"gor", "0,0.01 STB/Mscf"}, {"method", "gray"}, {"api", "50"},
               {"tol", "10"}}));
    const wells::VfpOutcome out = wells::make_table(s, 1);
    ASSERT_TRUE(out.error.empty()) << out.error;
    const vfp::Table& t = out.result.table;
    for (size_t w = 0; w < 2; ++w) {
        for (size_t g = 0; g < 2; ++g) {
            for (size_t f = 0; f < 2; ++f) {
                const TraverseResult d = direct_traverse(
                    true, {{"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "180degF"}, {"temp-out", "100degF"},
                           {"api", "50"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"method", "gray"},
                           {"outlet-pres", "300psia"}, {"tol", "10"},
                           {"gas-rate", io::format_double(t.axes.flo[f]) + " Sm3/s"},
                           {"wgr", io::format_double(t.axes.wfr[w]) + " Sm3/Sm3"},
                           {"cgr", io::format_double(t.axes.gfr[g]) + " Sm3/Sm3"}});
                ASSERT_TRUE(d.summary.complete) << d.summary.message;
                EXPECT_NEAR(t.bhp[t.index(0, w, g, 0, f)], d.summary.inlet_pres, 1e-6 * d.summary.inlet_pres)
                    << w << g << f;
            }
        }
    }
}

TEST(VfpOptions, DatumBelowTheDeepestPointIsNamedAsSuch) {
    // A well whose last station is not its deepest: the error names the deepest.
    Line l;
    l.flow_decreasing = true;
    for (const auto& [md, z] : std::vector<std::pair<double, double>>{{0, 0}, {1000, -1000}, {1200, -900}}) {
        LineNode n;
        n.md = md;
        n.z = z;
        n.diam = 0.06;
        l.nodes.push_back(n);
    }
    const std::string e = refusal([&] { vfp::to_datum(l, 1500); });
    EXPECT_NE(e.find("deepest station (1000 m"), std::string::npos) << e;
}

}  // namespace
}  // namespace flowmodel

namespace flowmodel {
namespace {

// The README's oil well at a GOR of 300 scf/STB does not flow on its own
// (Vogel, 3,000 psia, 2,500 STB/d): lift gas at 7,500 ft makes it flow, more
// lift gas more oil up to about 2,000 Mscf/d (1,104 STB/d), then less as the
// friction of the gas outweighs its lightening. A higher minimum gradient
// puts the economic optimum at less lift gas.
TEST(LiftGasCurve, RisesFlattensAndFallsAndItsOptimumFollowsTheMinimumGradient) {
    auto curve = [](const char* gradient) {
        wells::NodalRequest r = oil_well({{"gor", "300 scf/STB"}, {"ipr", "vogel"}, {"res-pres", "3000psia"},
                                          {"q-max", "2500 STB/d"}, {"injection-depth", "7500ft"}, {"tol", "100"},
                                          {"lift-gas-rates", "0,250,500,1000,2000,4000 Mscf/d"}, {"min-gradient", gradient}});
        return wells::lift_gas_curve(wells::setup_nodal(r));
    };
    const wells::LiftCurve c = curve("0.2 STB/Mscf");
    ASSERT_EQ(c.points.size(), 6u);
    EXPECT_FALSE(c.points[0].why.empty());  // no lift gas: the well does not flow
    EXPECT_TRUE(std::isnan(c.points[0].oil_rate));
    const double stb_d = unit::kBarrel / unit::kDay;  // m3/s per STB/d
    for (size_t k = 2; k <= 4; ++k) EXPECT_GT(c.points[k].oil_rate, c.points[k - 1].oil_rate);  // rises
    EXPECT_LT(c.points[5].oil_rate, c.points[4].oil_rate);                                         // falls
    EXPECT_EQ(c.maximum, 4);
    EXPECT_NEAR(c.points[4].injection_md, 7500 * 0.3048, 1e-9);
    // The maximum is an operating point: on the inflow (Vogel at its
    // bottom-hole pressure) and on a direct lifted traverse at its rate.
    const wells::NodalSetup s = wells::setup_nodal(oil_well(
        {{"gor", "300 scf/STB"}, {"ipr", "vogel"}, {"res-pres", "3000psia"}, {"q-max", "2500 STB/d"},
         {"injection-depth", "7500ft"}, {"tol", "100"}, {"lift-gas-rates", "2000 Mscf/d"}}));
    const wells::LiftPoint& top = c.points[4];
    EXPECT_NEAR(ipr::rate(s.inflow, top.bhp), top.liquid_rate, 1e-4 * top.liquid_rate);
    LiftGas lift = *s.setup.lift;
    lift.rate = top.lift_gas_rate;
    EXPECT_NEAR(direct_bhp(s, top.liquid_rate, lift), top.bhp, 0.02 * kPsiPa);
    EXPECT_GT(top.oil_rate / stb_d, 500);  // the well lifted, not a trickle
    // The economic optimum from the curve's own points: every step up to it
    // buys at least the minimum gradient of oil, the step after it less.
    const wells::LiftCurve loose = curve("0.02 STB/Mscf");
    const double mscf = 1000 * unit::kFt3;
    for (const auto& [curve_of, gradient] : {std::pair{&c, 0.2 * unit::kBarrel / mscf}, {&loose, 0.02 * unit::kBarrel / mscf}}) {
        const std::vector<wells::LiftPoint>& p = curve_of->points;
        const int opt = curve_of->economic_optimum;
        ASSERT_GE(opt, 1);
        for (int k = 2; k <= opt; ++k) {
            EXPECT_GE((p[k].oil_rate - p[k - 1].oil_rate) / (p[k].lift_gas_rate - p[k - 1].lift_gas_rate), gradient) << k;
        }
        if (opt + 1 < static_cast<int>(p.size())) {
            EXPECT_LT((p[opt + 1].oil_rate - p[opt].oil_rate) / (p[opt + 1].lift_gas_rate - p[opt].lift_gas_rate), gradient);
        }
    }
    EXPECT_LT(c.economic_optimum, loose.economic_optimum);
    EXPECT_LE(loose.economic_optimum, loose.maximum);
}

}  // namespace
}  // namespace flowmodel

namespace flowmodel {
namespace {

// A table with an ALQ axis of lift-gas rates: each node is the traverse
// lifted with that gas; the injected GLR gives the same node where it names
// the same gas; a total GLR below the gas produced is no entry.
TEST(VfpAlq, ANodeIsTheTraverseLiftedWithItsGas) {
    wells::VfpRequest r = table({{"rates", "400,1600 STB/d"}, {"thp", "200 psia"}, {"water-cut", "30%"},
                                 {"gor", "300 scf/STB"}, {"tol", "100"}, {"injection-depth", "7500ft"},
                                 {"alq", "0,500,2000 Mscf/d"}, {"alq-kind", "grat"}, {"deck-units", "field"}});
    const wells::VfpSetup s = wells::setup_vfp(r);
    const wells::VfpOutcome o = wells::make_table(s);
    ASSERT_TRUE(o.error.empty()) << o.error;
    const vfp::Table& t = o.result.table;
    ASSERT_EQ(t.bhp.size(), 6u);
    EXPECT_NE(o.keyword.find("'THP'  'GRAT'  'FIELD'"), std::string::npos);
    // A field deck says where in feet, as the user gave it.
    EXPECT_NE(o.keyword.find("-- lift gas: ALQ GRAT (Mscf/day), injected at md 7500 ft"), std::string::npos);
    // The node at 1,600 STB/d with 500 Mscf/d against a traverse lifted with it.
    TraverseRequest direct;
    direct.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    direct.flow_decreasing = true;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "180degF"}, {"temp-out", "100degF"}, {"api", "35"},
             {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"liquid-rate", "1600 STB/d"}, {"water-cut", "30%"},
             {"gor", "300 scf/STB"}, {"outlet-pres", "200psia"}, {"tol", "100"}, {"max-pres", "2e8"},
             {"lift-gas-rate", "500 Mscf/d"}, {"injection-depth", "7500ft"}}) {
        set_option(direct, k, v);
    }
    const TraverseResult d = traverse(setup_traverse(direct));
    EXPECT_NEAR(t.at(0, 0, 0, 1, 1), d.summary.inlet_pres, 1e-3);  // Pa: the rates split by other roundings
    EXPECT_LT(t.at(0, 0, 0, 1, 1), t.at(0, 0, 0, 0, 1));  // lift gas lightens the column
    // Interpolating at a node gives the node.
    EXPECT_NEAR(vfp::interpolate(t, t.axes.flo[1], t.axes.thp[0], 0.3, t.axes.gfr[0], t.axes.alq[1]), t.at(0, 0, 0, 1, 1),
                1e-6);
    // IGLR: 500 Mscf/d over 1,600 STB/d is 0.3125 Mscf/STB.
    wells::VfpRequest iglr = table({{"rates", "1600 STB/d"}, {"thp", "200 psia"}, {"water-cut", "30%"},
                                    {"gor", "300 scf/STB"}, {"tol", "100"}, {"injection-depth", "7500ft"},
                                    {"alq", "0.3125 Mscf/STB"}, {"alq-kind", "iglr"}});
    EXPECT_NEAR(wells::make_table(wells::setup_vfp(iglr)).result.table.at(0, 0, 0, 0, 0), t.at(0, 0, 0, 1, 1), 1e-3);
    // TGLR below the produced 0.3 * 0.7 Mscf/STB of liquid: no entry.
    wells::VfpRequest low = table({{"rates", "1600 STB/d"}, {"thp", "200 psia"}, {"water-cut", "30%"},
                                   {"gor", "300 scf/STB"}, {"tol", "100"}, {"injection-depth", "7500ft"},
                                   {"alq", "0.1,0.5 Mscf/STB"}, {"alq-kind", "tglr"}});
    const wells::VfpOutcome lo = wells::make_table(wells::setup_vfp(low));
    // Named by its values in the deck's units, the record's indices after them.
    EXPECT_NE(lo.error.find("the first, THP 13.7895 barsa, WFR 0.3 fraction"), std::string::npos) << lo.error;
    EXPECT_NE(lo.error.find("(record 1 1 1 1, FLO 1): the total GLR is below the gas the well produces"), std::string::npos)
        << lo.error;
    EXPECT_NE(table_refusal({{"alq", "0,500 Mscf/d"}}).find("{alq} and {alq-kind} go together"), std::string::npos);
    EXPECT_NE(table_refusal({{"alq", "0,500 Mscf/d"}, {"alq-kind", "grat"}}).find("needs where the lift gas enters"),
              std::string::npos);
}

// Nodal analysis with lift gas from the casing: at every crossing a direct
// lifted traverse through the mandrels injects where the annulus exceeds
// the tubing by the margin, and gives the crossing's bottom-hole pressure.
TEST(NodalOptions, EveryCrossingsMandrelCanInject) {
    const wells::NodalSetup s = wells::setup_nodal(oil_well(
        {{"gor", "300 scf/STB"}, {"ipr", "vogel"}, {"res-pres", "3000psia"}, {"q-max", "2500 STB/d"}, {"tol", "100"},
         {"lift-gas-rate", "1000 Mscf/d"}, {"casing-pres", "1100psia"}, {"mandrels", "3000,4500,6000,7500ft"}}));
    const nodal::Result r = wells::analyse(s);
    ASSERT_FALSE(r.crossings.empty());
    for (const nodal::Crossing& c : r.crossings) {
        wells::OutflowCase oc;
        oc.fluid = s.setup.black_oil()->inputs();
        nodal::split_rate(s.split, c.rate, oc.fluid.oil_rate, oc.fluid.water_rate, oc.fluid.gas_rate);
        TraverseOptions o = s.setup.options;
        o.from_outlet = true;
        const TraverseResult t = traverse_lifted(s.setup.line, oc.fluid, *s.setup.lift, o);
        ASSERT_TRUE(t.summary.complete) << t.summary.message;
        EXPECT_GE(t.summary.casing_pres_at_injection, t.summary.injection_pres + s.setup.lift->injection_dp);
        EXPECT_NEAR(t.summary.inlet_pres, c.bhp, 0.02 * kPsiPa);
    }
}

}  // namespace
}  // namespace flowmodel

namespace flowmodel {
namespace {

wells::VfpRequest injector(const std::string& kind, const std::map<std::string, std::string>& more) {
    wells::VfpRequest r;
    r.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::map<std::string, std::string> o = {{"diam", "2.441in"},      {"rough", "0.0006in"}, {"temp-in", "100degF"},
                                            {"temp-out", "180degF"},   {"injector", kind},   {"tol", "10"},
                                            {"thp", "500,1000 psia"},  {"deck-units", "field"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) {
        if (v.empty()) continue;
        if (!wells::set_vfp_option(r, k, v)) set_option(r.traverse, k, v);
    }
    return r;
}

// A water injector's table: each entry the traverse of water alone flowing
// down from its THP; at a low rate the column's weight, at higher rates less
// by friction; no oil property enters; the VFPINJ written reads back and
// passes its own checks.
TEST(VfpInjector, EachEntryIsWaterFlowingDownFromItsThp) {
    const std::map<std::string, std::string> water = {{"water-gravity", "1.03"}, {"rates", "200,5000,10000 STB/d"}};
    const wells::VfpOutcome o = wells::make_table(wells::setup_vfp(injector("water", water)));
    ASSERT_TRUE(o.error.empty()) << o.error;
    const vfp::Table& t = o.result.table;
    ASSERT_EQ(t.bhp.size(), 6u);
    EXPECT_NE(o.keyword.find("VFPINJ\n"), std::string::npos);
    EXPECT_NE(o.keyword.find("  1  8000  'WAT'  'THP'  'FIELD'  'BHP' /"), std::string::npos) << o.keyword;
    EXPECT_NE(o.keyword.find("-- fluid: injected water, gravity 1.03"), std::string::npos);
    // 200 STB/d in 2.441 in. (0.02 m/s): the column alone, 8000 ft of water 1.03 times as dense as fresh
    // water at the mean 140 degF (983.2 kg/m3, steam tables), within its compression at 500 to 4000 psia
    // and a brine's other expansion (1.5 %).
    const double column = 1.03 * 983.2 * 9.80665 * 2438.4;
    EXPECT_NEAR(t.at(0, 0, 0, 0, 0) - t.axes.thp[0], column, 0.015 * column);
    EXPECT_NEAR(t.at(1, 0, 0, 0, 0) - t.axes.thp[1], column, 0.015 * column);
    EXPECT_GT(t.at(0, 0, 0, 0, 0), t.at(0, 0, 0, 0, 1));  // friction grows with the rate
    EXPECT_GT(t.at(0, 0, 0, 0, 1), t.at(0, 0, 0, 0, 2));
    // A node is the traverse of water flowing down from 1000 psia at 5000 STB/d.
    TraverseRequest direct;
    direct.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    direct.flow_decreasing = false;
    direct.flow_direction_stated = true;
    for (const auto& [k, v] : std::map<std::string, std::string>{
             {"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "100degF"}, {"temp-out", "180degF"},
             {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.03"}, {"oil-rate", "0 STB/d"},
             {"water-rate", "5000 STB/d"}, {"gor", "0 scf/STB"}, {"inlet-pres", "1000psia"}, {"tol", "10"}}) {
        set_option(direct, k, v);
    }
    const TraverseResult d = traverse(setup_traverse(direct));
    ASSERT_TRUE(d.summary.complete) << d.summary.message;
    EXPECT_NEAR(t.at(1, 0, 0, 0, 1), d.summary.outlet_pres, 1e-6 * d.summary.outlet_pres);
    // No oil property enters an injection of water.
    std::map<std::string, std::string> heavy = water;
    heavy["api"] = "12";
    heavy["gas-gravity"] = "1.1";
    EXPECT_EQ(wells::make_table(wells::setup_vfp(injector("water", heavy))).result.table.bhp, t.bhp);
    // Read back as a deck, it passes its own checks.
    const std::string path = ::testing::TempDir() + "injector.vfp";
    std::ofstream(path) << o.keyword;
    const std::vector<vfp::DeckTable> read = vfp::read_vfp_deck(path);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].keyword, "VFPINJ");
    EXPECT_NEAR(read[0].at(1, 0, 0, 0, 1), t.at(1, 0, 0, 0, 1) / 6894.757293168, 1e-5);
    for (const vfp::Check& c : vfp::check_table(read[0])) EXPECT_TRUE(c.found.empty()) << c.name;
}

TEST(VfpInjector, AGasInjectorGainsItsColumnAndTheAxesAreRatesAndThpOnly) {
    const wells::VfpOutcome o =
        wells::make_table(wells::setup_vfp(injector("gas", {{"gas-gravity", "0.65"}, {"rates", "500,3000 Mscf/d"}})));
    ASSERT_TRUE(o.error.empty()) << o.error;
    EXPECT_NE(o.keyword.find("'GAS'  'THP'  'FIELD'"), std::string::npos);
    EXPECT_NE(o.keyword.find("-- FLO (Mscf/day)"), std::string::npos);
    const vfp::Table& t = o.result.table;
    // A gas column of 8000 ft at 500 psia weighs some 10 to 25 % of the THP.
    EXPECT_GT(t.at(0, 0, 0, 0, 0), 1.1 * t.axes.thp[0]);
    EXPECT_LT(t.at(0, 0, 0, 0, 0), 1.25 * t.axes.thp[0]);
    auto refused = [](const wells::VfpRequest& r) { return refusal([&] { wells::setup_vfp(r); }); };
    EXPECT_NE(refused(injector("water", {{"rates", "100 STB/d"}})).find("give {water-gravity} or {salinity}"),
              std::string::npos);
    EXPECT_NE(refused(injector("water", {{"rates", "100 STB/d"}, {"water-gravity", "1"}, {"water-cut", "0"}}))
                  .find("has the axes {rates} and {thp} only"),
              std::string::npos);
    EXPECT_NE(refused(injector("gas", {{"rates", "100 STB/d"}, {"gas-gravity", "0.7"}})).find("another quantity"),
              std::string::npos);
    EXPECT_NE(refusal([] { injector("steam", {{"rates", "100 STB/d"}}); }).find("{injector} takes water, gas or oil"),
              std::string::npos);
}

}  // namespace
}  // namespace flowmodel

namespace flowmodel {
namespace {

// A table made on the axes of an existing one (--axes-from): its axes,
// kinds, units, datum and number are the other's, so that the same well and
// method give the same values; the axes are not given twice.
// A water injector's nodal analysis: the reservoir takes q = II (pwf - pr);
// the tubing gives its column at a trickle and less with the rate; they
// cross once, stably, where a traverse of water down the well meets the
// reservoir's need.
wells::NodalRequest nodal_injector(const std::map<std::string, std::string>& more) {
    wells::NodalRequest r;
    r.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::map<std::string, std::string> o = {{"diam", "2.441in"},       {"rough", "0.0006in"},   {"temp-in", "80degF"},
                                            {"temp-out", "180degF"},     {"injector", "water"},   {"tol", "10"},
                                            {"water-gravity", "1.03"},   {"inlet-pres", "70bar"}, {"res-pres", "250bar"},
                                            {"ii", "20 Sm3/d/bar"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) {
        if (v.empty()) continue;
        if (!wells::set_nodal_option(r, k, v)) set_option(r.traverse, k, v);
    }
    return r;
}

TEST(NodalInjector, TheTubingFallsThroughTheReservoirsNeedOnceAndATraverseAgrees) {
    const wells::NodalSetup s = wells::setup_nodal(nodal_injector({}));
    EXPECT_NEAR(s.inflow.j, 20 / 86400.0 / 1e5, 1e-18);
    const nodal::Result r = wells::analyse(s);
    ASSERT_EQ(r.crossings.size(), 1u);
    const nodal::Crossing* op = r.operating_point();
    ASSERT_NE(op, nullptr);
    EXPECT_TRUE(r.injector);
    // The reservoir's need at the rate: pr + q / II, within the stated match of the tubing's.
    EXPECT_NEAR(250e5 + op->rate / s.inflow.j, op->bhp, nodal::kPressureMatch);
    // At a trickle the tubing gives the water column: 8000 ft of water 1.03 times as dense as
    // fresh water at the mean 130 degF (986 kg/m3), within compression and expansion (1.5 %).
    const nodal::Point& trickle = r.curve.front();
    const double column = 1.03 * 986 * 9.80665 * 2438.4;
    EXPECT_NEAR(trickle.outflow - 70e5, column, 0.015 * column);
    // Beyond it, friction lowers the tubing's bottom-hole pressure at every rate.
    for (size_t i = 1; i < r.curve.size(); ++i) EXPECT_LT(r.curve[i].outflow, r.curve[i - 1].outflow) << i;
    // The sweep ends where the reservoir would need the trickle's pressure.
    EXPECT_NEAR(r.curve.back().inflow, trickle.outflow, 1e-6 * trickle.outflow);
    // A traverse of water alone flowing down from the wellhead at the operating rate.
    const TraverseResult d = direct_traverse(
        false, {{"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "80degF"}, {"temp-out", "180degF"},
                {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.03"}, {"oil-rate", "0 STB/d"},
                {"water-rate", io::format_double(op->rate) + " Sm3/s"}, {"gor", "0 scf/STB"}, {"inlet-pres", "70bar"},
                {"tol", "10"}});
    ASSERT_TRUE(d.summary.complete) << d.summary.message;
    EXPECT_NEAR(d.summary.outlet_pres, op->bhp, 1e-6 * op->bhp);
    // A reservoir above the column takes nothing, and the reason says so.
    const nodal::Result none = wells::analyse(wells::setup_nodal(nodal_injector({{"res-pres", "350bar"}})));
    EXPECT_EQ(none.operating_point(), nullptr);
    EXPECT_EQ(none.why, nodal::NoFlow::OutflowAbove);
    EXPECT_NE(nodal::reason(none, [](double) { return ""; }).find("takes nothing"), std::string::npos);
}

TEST(NodalInjector, AGasInjectorsIndexIsAGasRateAndWhatAProducerTakesIsRefused) {
    const wells::NodalSetup gas = wells::setup_nodal(nodal_injector(
        {{"injector", "gas"}, {"water-gravity", ""}, {"gas-gravity", "0.7"}, {"inlet-pres", "2800psia"},
         {"res-pres", "3000psia"}, {"ii", "2 Mscf/d/psi"}, {"tol", "100"}}));
    EXPECT_TRUE(gas.split.gas_rate);
    EXPECT_NEAR(gas.inflow.j, 2 * kMscfD / kPsiPa, 1e-12 * gas.inflow.j);
    double oil = 1, water = 1, g = 0;
    nodal::split_rate(gas.split, 0.5, oil, water, g);
    EXPECT_EQ(oil + water, 0.0);
    EXPECT_EQ(g, 0.5);
    const nodal::Result r = wells::analyse(gas);
    const nodal::Crossing* op = r.operating_point();
    ASSERT_NE(op, nullptr);
    EXPECT_NEAR(3000 * kPsiPa + op->rate / gas.inflow.j, op->bhp, nodal::kPressureMatch);
    const std::vector<std::pair<std::map<std::string, std::string>, std::string>> refused = {
        {{{"outlet-pres", "70bar"}}, "its inlet"},
        {{{"inlet-pres", ""}}, "give the wellhead pressure"},
        {{{"ipr", "pi"}, {"pi", "1 STB/d/psi"}, {"ii", ""}}, "injectivity"},
        {{{"water-cut", "0.3"}}, "one fluid"},
        {{{"ii", "2 Mscf/d/psi"}}, "not a rate per pressure"},
        {{{"injector", "brine"}}, "water, gas or oil"},
        {{{"water-gravity", ""}}, "water-gravity"},
    };
    for (const auto& [more, words] : refused) {
        EXPECT_NE(refusal([&] { wells::setup_nodal(nodal_injector(more)); }).find(words), std::string::npos) << words;
    }
    // A producer takes neither the injector's inflow nor its wellhead at the inlet.
    EXPECT_NE(refusal([] {
                  wells::setup_nodal(oil_well({{"gor", "600 scf/STB"}, {"ipr", "injectivity"}, {"res-pres", "3000psia"},
                                               {"ii", "1 STB/d/psi"}}));
              }).find("injection well's"),
              std::string::npos);
    EXPECT_NE(refusal([] {
                  wells::setup_nodal(oil_well({{"gor", "600 scf/STB"}, {"ipr", "pi"}, {"res-pres", "3000psia"},
                                               {"pi", "1 STB/d/psi"}, {"inlet-pres", "200psia"}}));
              }).find("as {outlet-pres}"),
              std::string::npos);
}

TEST(VfpAxesFrom, ATableOnTheAxesOfAnotherIsThatTableAgain) {
    const wells::VfpOutcome first = wells::make_table(wells::setup_vfp(table(
        {{"rates", "100,500 Sm3/d"}, {"thp", "20,40 bar"}, {"flo", "oil"}, {"wfr", "wor"}, {"water-cut", "0,1 Sm3/Sm3"},
         {"gor", ""}, {"glr", "50,200 Sm3/Sm3"}, {"table", "7"}, {"datum-depth", "2000 m"}, {"tol", "100"}})));
    ASSERT_TRUE(first.error.empty()) << first.error;
    const std::string path = ::testing::TempDir() + "axes.vfp";
    std::ofstream(path) << first.keyword;
    wells::VfpRequest again = table({{"rates", ""}, {"thp", ""}, {"water-cut", ""}, {"gor", ""}, {"tol", "100"}});
    wells::set_vfp_option(again, "axes-from", path);
    const wells::VfpSetup s = wells::setup_vfp(again);
    EXPECT_EQ(s.table.number, 7);
    EXPECT_EQ(s.table.flo, vfp::Flo::Oil);
    EXPECT_EQ(s.table.wfr, vfp::Wfr::WaterOil);
    EXPECT_EQ(s.table.gfr, vfp::Gfr::GasLiquid);
    EXPECT_NEAR(s.table.datum, 2000, 1e-9);
    const wells::VfpOutcome second = wells::make_table(s);
    ASSERT_TRUE(second.error.empty()) << second.error;
    ASSERT_EQ(second.result.table.bhp.size(), first.result.table.bhp.size());
    for (size_t k = 0; k < first.result.table.bhp.size(); ++k) {
        // The axes pass through the deck's ten significant digits.
        EXPECT_NEAR(second.result.table.bhp[k], first.result.table.bhp[k], 1e-6 * first.result.table.bhp[k]);
    }
    wells::VfpRequest twice = table({{"water-cut", ""}, {"gor", ""}, {"rates", ""}, {"thp", "20 bar"}});
    wells::set_vfp_option(twice, "axes-from", path);
    EXPECT_NE(refusal([&] { wells::setup_vfp(twice); }).find("with {axes-from} the axes"), std::string::npos);
    wells::VfpRequest absent = table({{"water-cut", ""}, {"gor", ""}, {"rates", ""}, {"thp", ""}, {"table", "3"}});
    wells::set_vfp_option(absent, "axes-from", path);
    EXPECT_NE(refusal([&] { wells::setup_vfp(absent); }).find("has no table 3"), std::string::npos);
}

}  // namespace
}  // namespace flowmodel
