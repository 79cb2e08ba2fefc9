// A line marched as legs: two legs of one fluid are the whole line, whatever
// the summary holds (checked field by field over the summary's table, so a
// field the merge forgets fails here), a joint's mixing reaches the next leg,
// and joints that cannot be are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "flowmodel/legs.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel {
namespace {

TraverseSetup oil_well(const std::map<std::string, std::string>& more) {
    TraverseRequest r;
    r.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    r.profile_unit = unit::kFoot;
    r.flow_decreasing = true;
    std::map<std::string, std::string> o{{"diam", "2.441in"},       {"rough", "0.0006in"},   {"outlet-pres", "200psia"},
                                         {"api", "35"},             {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
                                         {"oil-rate", "1000 STB/d"}, {"water-rate", "300 STB/d"}, {"gor", "400 scf/STB"}};
    for (const auto& [k, v] : more) o[k] = v;
    for (const auto& [k, v] : o) set_option(r, k, v);
    return setup_traverse(r);
}

bool close(double a, double b, double rel, double abs) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= rel * std::max(std::fabs(a), std::fabs(b)) + abs;
}

// Every field of the summary's table: the legs' as the whole line's. The
// joint restarts the step control, so numbers agree to the march's accuracy
// and the effort roughly.
void expect_same_summary(const TraverseSummary& whole, const TraverseSummary& legs) {
    for (const SummaryField& f : kSummaryFields) {
        const SummaryValue a = f.get(whole), b = f.get(legs);
        switch (f.kind) {
            case SummaryField::Flag: EXPECT_EQ(a.flag, b.flag) << f.name; break;
            case SummaryField::Text: EXPECT_EQ(a.text, b.text) << f.name; break;
            case SummaryField::Texts: EXPECT_EQ(a.texts, b.texts) << f.name; break;
            case SummaryField::Number: EXPECT_PRED4(close, a.number, b.number, 1e-4, 1.0) << f.name; break;
            case SummaryField::Count:
                EXPECT_GT(b.number, 0.7 * a.number) << f.name;
                EXPECT_LT(b.number, 1.5 * a.number) << f.name;
                break;
            case SummaryField::Stretches: EXPECT_EQ(a.stretches.size(), b.stretches.size()) << f.name; break;
            case SummaryField::ByRegime:
                for (size_t k = 0; k < a.by_regime.size(); ++k) {
                    EXPECT_PRED4(close, a.by_regime[k], b.by_regime[k], 1e-3, 1.0) << f.name << " " << k;
                }
                break;
        }
    }
}

TEST(Legs, TwoLegsOfOneFluidAreTheWholeLine) {
    for (const char* heat : {"", "ramey"}) {
        std::map<std::string, std::string> o{{"temp-in", "180degF"}, {"temp-out", "100degF"}};
        if (*heat) {
            o = {{"heat", heat}, {"producing-time", "30d"}, {"hole-diam", "8.5in"}, {"geothermal", "60degF, 1.5degF/100ft"}};
        }
        for (const bool from_outlet : {true, false}) {
            TraverseSetup s = oil_well(o);
            if (!from_outlet) {
                s.options.from_outlet = false;
                s.options.pres = 2600 * unit::kPsi;
            }
            const TraverseResult whole = traverse(s.line, s.fluid(), s.options);
            ASSERT_TRUE(whole.summary.complete) << whole.summary.message;
            const double joint = 4000 * unit::kFoot;  // a station of the survey
            const TraverseResult legs = traverse_legs(Legs{s.line, {&s.fluid(), &s.fluid()}, {{joint, {}}}}, s.options);
            SCOPED_TRACE(std::string("heat ") + heat + (from_outlet ? ", from the outlet" : ", from the inlet"));
            expect_same_summary(whole.summary, legs.summary);
            // The joint's pressure is the march's there, on both sides.
            ASSERT_EQ(legs.summary.joint_pres.size(), 1u);
            int at_joint = 0;
            for (const TraversePoint& p : legs.points) {
                if (std::fabs(p.md - joint) > 1e-9) continue;
                ++at_joint;
                EXPECT_NEAR(p.pres, legs.summary.joint_pres[0], 1e-6 * p.pres);
            }
            EXPECT_EQ(at_joint, 2);
        }
    }
}

// Three legs of a liquid line with heat transfer from the inlet: each joint
// heats the liquid by its own step, which the next leg starts from and
// relaxes away; the march reaches the outlet through both.
// Water at 5 kg/s with the specific heats heat transfer needs.
ConstantLiquidRealGas water_line_fluid() {
    ConstantLiquidRealGas water;
    water.rol = 1000;
    water.visl = 1e-3;
    water.sigma = 0.07;
    water.liquid_rate = 5;
    water.cpl = 4180;
    water.cpg = 2000;
    return water;
}

TEST(Legs, AJointsMixingIsWhereTheNextLegStarts) {
    const ConstantLiquidRealGas water = water_line_fluid();
    const Line line = straight_line(3000, 0, 0.1, 0, 280, 280);
    TraverseOptions opt;
    opt.pres = 50e5;
    opt.heat.law = HeatLaw::UValue;
    opt.heat.u_value = 20;
    opt.heat.inlet_temp = 330;
    auto warm_by = [](double dt) {
        return [dt](double, double t, const LineNode&) { return t + dt; };
    };
    const TraverseResult r =
        traverse_legs(Legs{line, {&water, &water, &water}, {{1000, warm_by(5)}, {2000, warm_by(2)}}}, opt);
    ASSERT_TRUE(r.summary.complete) << r.summary.message;
    ASSERT_EQ(r.summary.joint_pres.size(), 2u);
    for (const auto& [md, dt] : std::map<double, double>{{1000, 5}, {2000, 2}}) {
        std::vector<const TraversePoint*> at;
        for (const TraversePoint& p : r.points) {
            if (std::fabs(p.md - md) < 1e-9) at.push_back(&p);
        }
        ASSERT_EQ(at.size(), 2u) << md;
        EXPECT_NEAR(at[1]->temp - at[0]->temp, dt, 1e-9) << md;
    }
    EXPECT_LT(r.summary.joint_pres[1], r.summary.joint_pres[0]);
    EXPECT_NEAR(r.summary.outlet_pres, r.points.back().pres, 1e-9);
}

TEST(Legs, JointsThatCannotBeAreRefused) {
    const ConstantLiquidRealGas water = water_line_fluid();
    const Line line = straight_line(3000, 0, 0.1, 0, 300, 300);
    TraverseOptions opt;
    opt.pres = 50e5;
    EXPECT_THROW(traverse_legs(Legs{line, {&water, &water}, {{3000, {}}}}, opt), OptionError);  // at the end
    EXPECT_THROW(traverse_legs(Legs{line, {&water, &water, &water}, {{2000, {}}, {1000, {}}}}, opt), OptionError);
    EXPECT_THROW(traverse_legs(Legs{line, {&water}, {{1000, {}}}}, opt), OptionError);  // a fluid short
}

}  // namespace
}  // namespace flowmodel
