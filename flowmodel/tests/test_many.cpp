// Many cases at once: pipeflow_many (called from C) and evaluate_many give,
// case by case and bit for bit, what one call of pipeflow gives, whatever the
// number of threads and the size of the message slot; the input table and the
// parallel loop they rest on.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/parallel.hpp"
#include "pipeflow.h"
#include "reference.h"

extern "C" int c_entry_many(const pipeflow_case* cases, pipeflow_result* results, char* msgs, int lmsg,
                            size_t n, int jobs);

namespace {

std::vector<pipeflow_case> reference_cases() {
    std::vector<pipeflow_case> cases;
    for (const reftest::Row& r : reftest::load("cases.csv")) {
        cases.push_back({reftest::num(r, "usl"), reftest::num(r, "usg"), reftest::num(r, "rol"),
                         reftest::num(r, "rog"), reftest::num(r, "visl"), reftest::num(r, "visg"),
                         reftest::num(r, "rough"), reftest::num(r, "sigma"), reftest::num(r, "diam"),
                         reftest::num(r, "angle"), reftest::num(r, "pres")});
    }
    return cases;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(Many, CEntryEqualsOneCallPerCaseForAnyThreadCountAndSlotSize) {
    const std::vector<pipeflow_case> cases = reference_cases();
    ASSERT_EQ(cases.size(), 2171u);
    for (int lmsg : {PIPEFLOW_MSG_SIZE, 40, 1}) {
        // The loop over pipeflow, one call per case.
        std::vector<pipeflow_result> want(cases.size());
        std::vector<char> want_msg(cases.size() * static_cast<size_t>(lmsg), 'x');
        for (size_t k = 0; k < cases.size(); ++k) {
            const pipeflow_case& c = cases[k];
            pipeflow_result& r = want[k];
            pipeflow(&r.vers, c.usl, c.usg, c.rol, c.rog, c.visl, c.visg, c.rough, c.sigma, c.diam, c.angle,
                     c.pres, &r.dpt, &r.hol, &r.id, &r.iter, &r.ierr, &want_msg[k * lmsg], lmsg, &r.dpf,
                     &r.dpg, &r.dpa);
        }
        for (int jobs : {1, 2, 7}) {
            std::vector<pipeflow_result> got(cases.size());
            std::vector<char> got_msg(cases.size() * static_cast<size_t>(lmsg), 'x');
            ASSERT_EQ(c_entry_many(cases.data(), got.data(), got_msg.data(), lmsg, cases.size(), jobs), 0);
            for (size_t k = 0; k < cases.size(); ++k) {
                const pipeflow_result &w = want[k], &g = got[k];
                ASSERT_TRUE(same_bits(w.vers, g.vers) && same_bits(w.dpt, g.dpt) && same_bits(w.hol, g.hol) &&
                            same_bits(w.dpf, g.dpf) && same_bits(w.dpg, g.dpg) && same_bits(w.dpa, g.dpa) &&
                            w.id == g.id && w.iter == g.iter && w.ierr == g.ierr)
                    << "case " << k << ", " << jobs << " threads, lmsg " << lmsg;
            }
            // The slots as bytes, padding and whatever pipeflow left untouched included.
            EXPECT_EQ(want_msg, got_msg) << jobs << " threads, lmsg " << lmsg;
        }
    }
}

TEST(Many, CEntryRefusesBadArgumentsWithoutWriting) {
    pipeflow_case c{0.1, 5.0, 1000.0, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 0.0, 101300.0};
    pipeflow_result r{};
    r.vers = -7.0;
    char msg[8];
    EXPECT_EQ(c_entry_many(nullptr, &r, nullptr, 0, 1, 1), -1);
    EXPECT_EQ(c_entry_many(&c, nullptr, nullptr, 0, 1, 1), -1);
    EXPECT_EQ(c_entry_many(&c, &r, msg, -1, 1, 1), -1);
    EXPECT_EQ(c_entry_many(&c, &r, nullptr, 0, 1, -1), -1);
    EXPECT_EQ(r.vers, -7.0);
    EXPECT_EQ(c_entry_many(nullptr, nullptr, nullptr, 0, 0, 0), 0);  // nothing to do
    // Without message slots the numbers still come.
    ASSERT_EQ(c_entry_many(&c, &r, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(r.vers, PIPEFLOW_VERSION);
    EXPECT_EQ(r.id, PIPEFLOW_SLUG);
}

TEST(Many, CppEvaluateManyEqualsEvaluate) {
    std::vector<flowmodel::Inputs> in;
    for (const pipeflow_case& c : reference_cases()) {
        in.push_back({c.usl, c.usg, c.rol, c.rog, c.visl, c.visg, c.rough, c.sigma, c.diam, c.angle, c.pres});
    }
    for (unsigned jobs : {1u, 3u}) {
        const std::vector<flowmodel::Result> got = flowmodel::evaluate_many(in, jobs);
        ASSERT_EQ(got.size(), in.size());
        for (size_t k = 0; k < in.size(); ++k) {
            const flowmodel::Result w = flowmodel::evaluate(in[k]);
            ASSERT_TRUE(same_bits(w.dpt, got[k].dpt) && same_bits(w.holdup, got[k].holdup) &&
                        same_bits(w.dpa, got[k].dpa) && w.regime == got[k].regime &&
                        w.status == got[k].status && w.message == got[k].message && w.iterations == got[k].iterations)
                << "case " << k;
        }
    }
}

TEST(Many, ParallelLoopCoversEveryIndexOnceAndPassesOnTheFirstFailure) {
    for (unsigned jobs : {1u, 2u, 5u}) {
        for (size_t n : {size_t(0), size_t(1), size_t(17), size_t(1000)}) {
            std::vector<std::atomic<int>> seen(n);
            flowmodel::parallel_for(n, jobs, 7, [&](size_t b, size_t e) {
                EXPECT_LE(e - b, 7u);
                for (size_t k = b; k < e; ++k) seen[k]++;
            });
            for (size_t k = 0; k < n; ++k) ASSERT_EQ(seen[k].load(), 1) << k << " of " << n;
        }
        // Every chunk from 3 on fails: a thread whose body threw takes no
        // other chunk, so however the threads interleave at most the three
        // good chunks and one failing chunk per thread run; a failure is rethrown.
        std::atomic<int> ran{0};
        try {
            flowmodel::parallel_for(10000, jobs, 1, [&](size_t b, size_t) {
                ran++;
                if (b < 3) return;
                throw std::runtime_error(std::to_string(b));
            });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_GE(std::stol(e.what()), 3);
        }
        EXPECT_LE(ran.load(), 3 + static_cast<int>(flowmodel::resolve_jobs(jobs)));
    }
}

TEST(Many, InputTableIsTheDefaultCaseInTheEntryOrder) {
    const flowmodel::Inputs d = flowmodel::default_inputs();
    const char* order[] = {"usl", "usg", "rol", "rog", "visl", "visg", "rough", "sigma", "diam", "angle", "pres"};
    const double* members = &d.usl;  // Inputs is eleven doubles in this order
    for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
        const flowmodel::InputField& f = flowmodel::kInputFields[k];
        EXPECT_STREQ(f.name, order[k]);
        EXPECT_EQ(&(d.*f.member), members + k) << f.name;
        EXPECT_EQ(d.*f.member, f.default_value);
        EXPECT_EQ(flowmodel::find_input(f.name), &f);
    }
    EXPECT_EQ(flowmodel::find_input("usgg"), nullptr);
    // The default case is the horizontal air-water slug flow the README shows.
    EXPECT_EQ(flowmodel::evaluate(d).regime, flowmodel::Regime::Slug);
}
