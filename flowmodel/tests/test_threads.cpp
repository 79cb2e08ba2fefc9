// Two threads evaluating different large sets of cases at the same time give,
// bit for bit, what one thread gives alone: each thread has its own model
// record, and nothing else in the model is shared.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "pipeflow.h"

namespace {

constexpr size_t kCalls = 100000;  // per thread
constexpr int kMsg = PIPEFLOW_MSG_SIZE;

struct Case {
    double in[11];
};

// Everything one call returns; compared byte for byte.
struct Answer {
    double vers, dpt, hol, dpf, dpg, dpa;
    int id, iter, ierr;
    std::array<char, kMsg> msg;
};

Answer evaluate(const Case& c) {
    Answer a{};
    pipeflow(&a.vers, c.in[0], c.in[1], c.in[2], c.in[3], c.in[4], c.in[5], c.in[6], c.in[7],
             c.in[8], c.in[9], c.in[10], &a.dpt, &a.hol, &a.id, &a.iter, &a.ierr, a.msg.data(), kMsg,
             &a.dpf, &a.dpg, &a.dpa);
    return a;
}

bool same(const Answer& x, const Answer& y) {
    auto bits = [](double v) {
        uint64_t u;
        std::memcpy(&u, &v, sizeof u);
        return u;
    };
    return bits(x.vers) == bits(y.vers) && bits(x.dpt) == bits(y.dpt) && bits(x.hol) == bits(y.hol) &&
           bits(x.dpf) == bits(y.dpf) && bits(x.dpg) == bits(y.dpg) && bits(x.dpa) == bits(y.dpa) &&
           x.id == y.id && x.iter == y.iter && x.ierr == y.ierr && x.msg == y.msg;
}

// Cases drawn log-uniformly over wide but physical ranges, so every regime,
// the critical-flow limit, the small-gas path, corrected densities and a few
// rejected inputs all occur. The seed picks the set.
std::vector<Case> make_cases(uint64_t seed) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> u01(0.0, 1.0);
    auto logu = [&](double lo, double hi) { return lo * std::pow(hi / lo, u01(gen)); };
    std::vector<Case> cases(kCalls);
    for (Case& c : cases) {
        double* v = c.in;
        v[0] = u01(gen) < 0.05 ? 0.0 : logu(1e-4, 20.0);   // usl, m/s
        const double g = u01(gen);                          // usg, m/s: none, a trickle, a flow
        v[1] = g < 0.05 ? 0.0 : (g < 0.1 ? logu(1e-9, 1e-6) : logu(1e-4, 200.0));
        v[2] = logu(500.0, 1500.0);                        // rol, kg/m3
        v[3] = u01(gen) < 0.02 ? v[2] * 1.01 : logu(0.1, 300.0);  // rog, kg/m3
        v[4] = logu(1e-4, 1.0);                            // visl, Pa s
        v[5] = logu(5e-6, 5e-5);                           // visg, Pa s
        v[6] = u01(gen) < 0.1 ? 0.0 : logu(1e-7, 1e-3);    // rough, m
        v[7] = logu(1e-3, 0.1);                            // sigma, N/m
        v[8] = logu(0.01, 1.0);                            // diam, m
        v[9] = -90.0 + 180.0 * u01(gen);                   // angle, degrees
        v[10] = logu(1e3, 3e7);                            // pres, Pa
        if (u01(gen) < 0.01) v[7] = 1e-6;                  // below the surface-tension bound
    }
    return cases;
}

}  // namespace

TEST(Threads, TwoThreadsGiveTheSingleThreadedResultsBitForBit) {
    const std::vector<Case> a = make_cases(20240601);
    const std::vector<Case> b = make_cases(77);

    // Reference: one thread, one set after the other.
    std::vector<Answer> ra(kCalls), rb(kCalls);
    for (size_t i = 0; i < kCalls; ++i) ra[i] = evaluate(a[i]);
    for (size_t i = 0; i < kCalls; ++i) rb[i] = evaluate(b[i]);

    // The sets must exercise the model, not only its input test.
    int status_count[4] = {0, 0, 0, 0};
    int regime_count[5] = {0, 0, 0, 0, 0};
    for (const Answer& x : ra) {
        ++status_count[x.ierr];
        if (x.ierr <= 1) ++regime_count[x.id];
    }
    for (int s = 0; s < 4; ++s) EXPECT_GT(status_count[s], 0) << "status " << s;
    for (int r = 0; r < 5; ++r) EXPECT_GT(regime_count[r], 100) << "regime " << r;

    // Both sets at once: each thread waits at the start and halfway for the
    // other, so that the two runs overlap by construction (no clock).
    std::vector<Answer> pa(kCalls), pb(kCalls);
    std::atomic<int> ready{0}, halfway{0};
    auto run = [&](const std::vector<Case>& cases, std::vector<Answer>& out) {
        ready.fetch_add(1);
        while (ready.load() < 2) std::this_thread::yield();
        for (size_t i = 0; i < kCalls; ++i) {
            if (i == kCalls / 2) {
                halfway.fetch_add(1);
                while (halfway.load() < 2) std::this_thread::yield();
            }
            out[i] = evaluate(cases[i]);
        }
    };
    std::thread ta(run, std::cref(a), std::ref(pa));
    std::thread tb(run, std::cref(b), std::ref(pb));
    ta.join();
    tb.join();

    size_t diff_a = 0, diff_b = 0, first_a = kCalls, first_b = kCalls;
    for (size_t i = 0; i < kCalls; ++i) {
        if (!same(pa[i], ra[i]) && diff_a++ == 0) first_a = i;
        if (!same(pb[i], rb[i]) && diff_b++ == 0) first_b = i;
    }
    EXPECT_EQ(diff_a, 0u) << "first differing case of set a: " << first_a;
    EXPECT_EQ(diff_b, 0u) << "first differing case of set b: " << first_b;
}
