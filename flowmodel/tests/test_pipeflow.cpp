// The model entry: status paths, critical-flow limit, message buffer rules,
// the guard against degenerate input, the C++ API and the reference table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "flowmodel/flowmodel.hpp"
#include "pipeflow.h"
#include "reference.h"

extern "C" int c_entry_evaluate(double usl, double usg, int* id, double* hol);

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Out {
    double vers = -1, dpt = -1, hol = -1, dpf = -1, dpg = -1, dpa = -1;
    int id = -1, iter = -1, ierr = -1;
    std::string msg;  // the whole buffer, lmsg bytes, then the guard bytes
};

// Calls the entry with a buffer of lmsg bytes followed by 8 guard bytes.
Out call(const flowmodel::Inputs& in, int lmsg = 256) {
    std::vector<char> buf(static_cast<size_t>(std::max(lmsg, 0)) + 8, '#');
    Out o;
    pipeflow(&o.vers, in.usl, in.usg, in.rol, in.rog, in.visl, in.visg, in.rough, in.sigma, in.diam,
             in.angle, in.pres, &o.dpt, &o.hol, &o.id, &o.iter, &o.ierr, buf.data(), lmsg, &o.dpf,
             &o.dpg, &o.dpa);
    o.msg.assign(buf.begin(), buf.end());
    return o;
}

flowmodel::Inputs air_water(double usl, double usg, double angle = 0.0) {
    flowmodel::Inputs in;
    in.usl = usl;
    in.usg = usg;
    in.rol = 1000.0;
    in.rog = 1.2;
    in.visl = 1e-3;
    in.visg = 1.8e-5;
    in.rough = 1.5e-6;
    in.sigma = 0.072;
    in.diam = 0.05;
    in.angle = angle;
    in.pres = 101300.0;
    return in;
}

void expect_start_values(const Out& o) {
    EXPECT_EQ(o.vers, 1.06);
    EXPECT_EQ(o.dpt, 0.0);
    EXPECT_EQ(o.hol, 0.0);
    EXPECT_EQ(o.dpf, 0.0);
    EXPECT_EQ(o.dpg, 0.0);
    EXPECT_EQ(o.dpa, 0.0);
    EXPECT_EQ(o.id, 0);
    EXPECT_EQ(o.iter, 0);
}

}  // namespace

TEST(Pipeflow, RejectedInputLeavesEveryResultAtItsStartValue) {
    flowmodel::Inputs in = air_water(1.0, 5.0);
    in.sigma = 0.99e-5;
    const Out o = call(in);
    EXPECT_EQ(o.ierr, 2);
    expect_start_values(o);
    EXPECT_EQ(o.msg.rfind("WARNING! Improper input data:", 0), 0u);
    EXPECT_EQ(o.msg[159], '\0');
    EXPECT_EQ(o.msg.substr(160, 96), std::string(95, ' ') + '\0');  // entry fill kept behind it
}

TEST(Pipeflow, DegenerateInputPassingTheBoundsIsImproperToo) {
    struct Case {
        const char* what;
        flowmodel::Inputs in;
    };
    std::vector<Case> cases;
    cases.push_back({"no flow", air_water(0.0, 0.0)});
    cases.push_back({"zero diameter", air_water(1.0, 5.0)});
    cases.back().in.diam = 0.0;
    cases.push_back({"NaN angle", air_water(1.0, 5.0, kNaN)});
    cases.push_back({"infinite angle", air_water(1.0, 5.0, -kInf)});
    cases.push_back({"infinite usg", air_water(1.0, kInf)});
    cases.push_back({"infinite pressure", air_water(1.0, 5.0)});
    cases.back().in.pres = kInf;
    for (const Case& c : cases) {
        const Out o = call(c.in);
        EXPECT_EQ(o.ierr, 2) << c.what;
        expect_start_values(o);
        EXPECT_EQ(o.msg.rfind("WARNING! Improper input data:", 0), 0u) << c.what;
    }
    // It replaces a density warning; the message shows the corrected density.
    flowmodel::Inputs in = air_water(0.0, 0.0);
    in.rog = 1000.0;
    const Out o = call(in);
    EXPECT_EQ(o.ierr, 2);
    EXPECT_NE(o.msg.find("       1001 "), std::string::npos) << o.msg;
}

TEST(Pipeflow, CriticalFlowLimit) {
    flowmodel::Inputs in = air_water(1.0, 10.0);
    in.rol = 1000.0;
    in.rog = 10.0;
    in.pres = 11000.0;  // rhom = 100, um = 11: ek = 1
    Out o = call(in);
    EXPECT_EQ(o.ierr, 0);
    EXPECT_EQ(o.dpt, 1e10);
    EXPECT_EQ(o.dpa, 1e10);
    EXPECT_EQ(o.dpf, 0.0);
    EXPECT_EQ(o.dpg, 0.0);
    EXPECT_EQ(o.hol, 1.0 / 11.0);
    EXPECT_EQ(o.id, 2);
    EXPECT_EQ(o.iter, 0);
    EXPECT_EQ(o.msg.substr(0, 256), std::string(255, ' ') + '\0');
    in.pres = 11002.0;  // ek = 0.99982: the solutions run
    o = call(in);
    EXPECT_NE(o.dpt, 1e10);
    EXPECT_GT(o.iter, 0);
    // Just above the limit, with a corrected density: status 1 and its warning stay.
    in.pres = 11000.0 / (1.0 + 1e-9);
    in.rog = 1000.0;
    in.rol = 999.0;
    o = call(in);
    EXPECT_EQ(o.ierr, 1);
    EXPECT_EQ(o.dpt, 1e10);
    EXPECT_EQ(o.msg.rfind("*** Warning: rol is modified by intest routine   ", 0), 0u);
}

TEST(Pipeflow, SmallGasFlowRunsOnlyTheDistributedSolution) {
    for (double usl : {0.01, 0.1, 1.0, 5.0}) {
        for (double angle : {-30.0, 0.0, 45.0, 90.0}) {
            const Out o = call(air_water(usl, 0.0, angle));
            EXPECT_EQ(o.iter, 0);  // no separated solution
            if (o.ierr == 3) {
                expect_start_values(o);
                EXPECT_EQ(o.msg.rfind("*** Error. id is undefined (Small usg)   ", 0), 0u);
            } else {
                EXPECT_EQ(o.ierr, 0);
                EXPECT_TRUE(o.id == 3 || o.id == 4) << usl << " " << angle;
            }
        }
    }
    // Exactly 1e-6 takes the separated path.
    EXPECT_GT(call(air_water(0.1, 1e-6)).iter, 0);
    EXPECT_EQ(call(air_water(0.1, 0.99e-6)).iter, 0);
}

TEST(Pipeflow, FixedMessagesRespectTheBufferLength) {
    flowmodel::Inputs in = air_water(1.0, 5.0);
    in.rog = 1000.0;  // equal densities: corrected, status 1
    Out o = call(in, 20);
    EXPECT_EQ(o.ierr, 1);
    EXPECT_EQ(o.msg, std::string("*** Warning: rol is") + '\0' + std::string(8, '#'));
    for (int lmsg : {0, 1, -5}) {
        o = call(in, lmsg);
        EXPECT_EQ(o.ierr, 1);
        EXPECT_EQ(o.msg, std::string(static_cast<size_t>(std::max(lmsg, 0)) + 8, '#')) << lmsg;  // not even a NUL
    }
    o = call(air_water(1.0, 5.0), 2);
    EXPECT_EQ(o.msg, std::string(" ") + '\0' + std::string(8, '#'));
    // The improper-input message is cut to the buffer, never written past it.
    in = air_water(-1.0, 5.0);
    o = call(in, 100);
    EXPECT_EQ(o.ierr, 2);
    EXPECT_EQ(o.msg.size(), 108u);
    EXPECT_EQ(o.msg[99], '\0');
    EXPECT_EQ(o.msg.substr(100), std::string(8, '#'));
    o = call(in, 1);
    EXPECT_EQ(o.msg, std::string(1, '\0') + std::string(8, '#'));
    // No buffer at all.
    double vers, dpt, hol, dpf, dpg, dpa;
    int id, iter, ierr;
    pipeflow(&vers, -1, 5, 1000, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 0, 101300, &dpt, &hol, &id,
             &iter, &ierr, nullptr, 160, &dpf, &dpg, &dpa);
    EXPECT_EQ(ierr, 2);
}

TEST(Pipeflow, CorrectedDensityWarningIsReplacedByTheSmallGasError) {
    // A trickle of gas down a dry downhill pipe: no slug, no dispersed bubbles.
    flowmodel::Inputs in = air_water(0.0, 1e-7, -10.0);
    Out o = call(in);
    EXPECT_EQ(o.ierr, 3);
    expect_start_values(o);
    in.rog = in.rol;  // the same case with a corrected density
    o = call(in);
    EXPECT_EQ(o.ierr, 3);
    expect_start_values(o);
    EXPECT_EQ(o.msg.substr(0, 256), "*** Error. id is undefined (Small usg)" + std::string(217, ' ') + '\0');
    in.usl = 0.1;  // with liquid flowing the correction stands, with its warning
    o = call(in);
    EXPECT_EQ(o.ierr, 1);
    EXPECT_TRUE(o.id == 3 || o.id == 4);
    EXPECT_EQ(o.msg.rfind("*** Warning: rol is modified by intest routine   ", 0), 0u);
}

TEST(Pipeflow, CallableFromCAndThroughTheCppApi) {
    int id = 0;
    double hol = 0;
    EXPECT_EQ(c_entry_evaluate(1.0, 5.0, &id, &hol), 0);
    const flowmodel::Result r = flowmodel::evaluate(air_water(1.0, 5.0));
    EXPECT_EQ(static_cast<int>(r.regime), id);
    EXPECT_EQ(r.holdup, hol);
    EXPECT_EQ(r.version, 1.06);
    EXPECT_EQ(r.message, "");
    EXPECT_TRUE(r.has_regime());
    const flowmodel::Result bad = flowmodel::evaluate(air_water(-1.0, 5.0));
    EXPECT_EQ(bad.status, flowmodel::Status::ImproperInput);
    EXPECT_FALSE(bad.has_regime());
    EXPECT_EQ(bad.message.size(), 159u);
    EXPECT_STREQ(flowmodel::regime_name(flowmodel::Regime::DispersedBubble), "dispersed bubble");
}

TEST(Pipeflow, ThreadsEvaluatingDifferentCasesDoNotDisturbEachOther) {
    std::vector<flowmodel::Inputs> a, b;
    for (int i = 0; i < 200; ++i) {
        a.push_back(air_water(0.001 * (i + 1), 0.05 * (i + 1), 0.0));
        b.push_back(air_water(0.02 * (i + 1), 0.01 * (i + 1), 60.0));
    }
    auto run = [](const std::vector<flowmodel::Inputs>& cases, std::vector<Out>& outs) {
        for (const auto& c : cases) outs.push_back(call(c));
    };
    std::vector<Out> sa, sb, pa, pb;
    run(a, sa);
    run(b, sb);
    std::thread ta(run, std::cref(a), std::ref(pa));
    std::thread tb(run, std::cref(b), std::ref(pb));
    ta.join();
    tb.join();
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(std::memcmp(&pa[i].dpt, &sa[i].dpt, sizeof(double)), 0);
        EXPECT_EQ(pa[i].id, sa[i].id);
        EXPECT_EQ(std::memcmp(&pb[i].hol, &sb[i].hol, sizeof(double)), 0);
        EXPECT_EQ(pb[i].iter, sb[i].iter);
    }
}

TEST(Pipeflow, MatchesTheIndependentReferenceTable) {
    const std::vector<reftest::Row> cases = reftest::load("cases.csv");
    const std::vector<reftest::Row> ref = reftest::load("pipeflow.csv");
    ASSERT_FALSE(ref.empty()) << "reference table not found under " FLOWMODEL_REFERENCE_DIR;
    ASSERT_EQ(cases.size(), ref.size());
    size_t match = 0;
    std::string first;
    for (size_t i = 0; i < ref.size(); ++i) {
        const reftest::Row& c = cases[i];
        flowmodel::Inputs in;
        in.usl = reftest::num(c, "usl");
        in.usg = reftest::num(c, "usg");
        in.rol = reftest::num(c, "rol");
        in.rog = reftest::num(c, "rog");
        in.visl = reftest::num(c, "visl");
        in.visg = reftest::num(c, "visg");
        in.rough = reftest::num(c, "rough");
        in.sigma = reftest::num(c, "sigma");
        in.diam = reftest::num(c, "diam");
        in.angle = reftest::num(c, "angle");
        in.pres = reftest::num(c, "pres");
        const Out o = call(in, 256);
        std::string msg = o.msg.substr(0, o.msg.find('\0'));
        msg.erase(msg.find_last_not_of(' ') + 1);
        const reftest::Row& r = ref[i];
        const bool ok = reftest::close(o.vers, reftest::num(r, "vers")) &&
                        reftest::close(o.dpt, reftest::num(r, "dpt")) &&
                        reftest::close(o.hol, reftest::num(r, "hol")) &&
                        reftest::close(o.dpf, reftest::num(r, "dpf")) &&
                        reftest::close(o.dpg, reftest::num(r, "dpg")) &&
                        reftest::close(o.dpa, reftest::num(r, "dpa")) &&
                        o.id == std::stoi(r.at("id")) && o.iter == std::stoi(r.at("iter")) &&
                        o.ierr == std::stoi(r.at("ierr")) && msg == r.at("msg");
        if (ok) {
            ++match;
        } else if (first.empty()) {
            first = "row " + std::to_string(i + 2) + ": dpt " + std::to_string(o.dpt) + " vs " +
                    r.at("dpt") + ", id " + std::to_string(o.id) + " vs " + r.at("id") + ", iter " +
                    std::to_string(o.iter) + " vs " + r.at("iter") + ", msg [" + msg + "] vs [" +
                    r.at("msg") + "]";
        }
    }
    EXPECT_EQ(match, ref.size()) << "first mismatch: " << first;
}
