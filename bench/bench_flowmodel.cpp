// Benchmarks of the flow model over the 2,000 benchmark cases: the entry
// `pipeflow` per call, the separated and distributed solutions alone, the
// floor (the model's elementary math calls replayed alone with the recorded
// arguments), a per-case comparison of the two, and the batch at 1 and 2
// threads. See bench/README.md for how to run them and what each figure means.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "bench_cases.h"
#include "disflow.h"
#include "intest.h"
#include "pipeflow.h"
#include "record.h"
#include "sepflow.h"

namespace {

using flowbench::MathCall;

// A run of consecutive calls of one function within one case of the grouped tape.
struct Run {
    uint32_t fn;
    uint32_t begin, end;  // indices into Data::grouped
};

struct Data {
    std::vector<flowmodel::Inputs> cases;
    std::vector<flowmodel::FlowRecord> records;  // filled, tested and inclined as the entry does
    bool have_tape = false;
    std::string tape_error;
    std::vector<MathCall> calls;       // in the order the model made them
    std::vector<MathCall> grouped;     // the same, sorted by case, then by function
    std::vector<Run> runs;             // runs of `grouped`, case by case
    std::vector<size_t> case_runs;     // runs of case i: [case_runs[i], case_runs[i + 1])
    std::string csv;                   // the cases as batch input
};

inline double call_pipeflow(const flowmodel::Inputs& x) {
    double vers, dpt, hol, dpf, dpg, dpa;
    int id, iter, ierr;
    char msg[PIPEFLOW_MSG_SIZE];
    pipeflow(&vers, x.usl, x.usg, x.rol, x.rog, x.visl, x.visg, x.rough, x.sigma, x.diam, x.angle,
             x.pres, &dpt, &hol, &id, &iter, &ierr, msg, PIPEFLOW_MSG_SIZE, &dpf, &dpg, &dpa);
    return dpt + hol;
}

// The tape must come from a build that computes exactly what this library
// computes, or its calls are not the calls this library makes.
std::string check_tape(const std::vector<flowmodel::Inputs>& cases, const flowbench::MathTape& t) {
    if (t.outputs.size() != cases.size()) return "the math-call tape is for other cases";
    for (size_t i = 0; i < cases.size(); ++i) {
        const flowmodel::Inputs& x = cases[i];
        flowbench::CaseOutputs o{};
        char msg[PIPEFLOW_MSG_SIZE];
        pipeflow(&o.vers, x.usl, x.usg, x.rol, x.rog, x.visl, x.visg, x.rough, x.sigma, x.diam,
                 x.angle, x.pres, &o.dpt, &o.hol, &o.id, &o.iter, &o.ierr, msg, PIPEFLOW_MSG_SIZE,
                 &o.dpf, &o.dpg, &o.dpa);
        if (std::memcmp(&o, &t.outputs[i], sizeof o) != 0) {
            return "the recording build disagrees with the library on case " +
                   std::to_string(i + 1) + "; rebuild the tape";
        }
    }
    return "";
}

Data load() {
    Data d;
    d.cases = flowbench::load_cases(flowbench::path_from("FLOWMODEL_BENCH_CASES", FLOWMODEL_BENCH_CASES));
    char line[512];
    d.csv = "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n";
    for (const flowmodel::Inputs& x : d.cases) {
        std::snprintf(line, sizeof line, "%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g\n",
                      x.usl, x.usg, x.rol, x.rog, x.visl, x.visg, x.rough, x.sigma, x.diam, x.angle,
                      x.pres);
        d.csv += line;
        flowmodel::FlowRecord& r = flowmodel::flowcom;
        r = flowmodel::FlowRecord{};
        r.usl = x.usl;
        r.usg = x.usg;
        r.rol = x.rol;
        r.rog = x.rog;
        r.visl = x.visl;
        r.visg = x.visg;
        r.rough = x.rough;
        r.sigma = x.sigma;
        r.diam = x.diam;
        r.angle = x.angle;
        r.pres = x.pres;
        int ierr = 0;
        char msg[PIPEFLOW_MSG_SIZE];
        flowmodel::intest(ierr, msg, PIPEFLOW_MSG_SIZE);
        flowmodel::setang();
        d.records.push_back(r);
    }
    try {
        flowbench::MathTape t = flowbench::read_tape(flowbench::path_from("FLOWMODEL_MATH_TAPE", FLOWMODEL_MATH_TAPE));
        d.tape_error = check_tape(d.cases, t);
        if (d.tape_error.empty()) {
            d.calls = std::move(t.calls);
            d.grouped = d.calls;
            std::stable_sort(d.grouped.begin(), d.grouped.end(), [](const MathCall& a, const MathCall& b) {
                return a.case_index != b.case_index ? a.case_index < b.case_index : a.fn < b.fn;
            });
            size_t k = 0;
            for (uint32_t c = 0; c < d.cases.size(); ++c) {
                d.case_runs.push_back(d.runs.size());
                while (k < d.grouped.size() && d.grouped[k].case_index == c) {
                    const uint32_t begin = static_cast<uint32_t>(k);
                    const uint32_t fn = d.grouped[k].fn;
                    while (k < d.grouped.size() && d.grouped[k].case_index == c && d.grouped[k].fn == fn) ++k;
                    d.runs.push_back({fn, begin, static_cast<uint32_t>(k)});
                }
            }
            d.case_runs.push_back(d.runs.size());
            d.have_tape = true;
        }
    } catch (const std::exception& e) {
        d.tape_error = e.what();
    }
    return d;
}

const Data& data() {
    static const Data d = load();
    return d;
}

// Calls of one function back to back, results summed so none can be dropped.
double replay_runs(const Run* r, const Run* end, const MathCall* calls) {
    double acc = 0.0;
    for (; r != end; ++r) {
        const MathCall* c = calls + r->begin;
        const MathCall* e = calls + r->end;
        switch (r->fn) {
            case flowbench::kPow: for (; c != e; ++c) acc += std::pow(c->a, c->b); break;
            case flowbench::kSqrt: for (; c != e; ++c) acc += std::sqrt(c->a); break;
            case flowbench::kLog10: for (; c != e; ++c) acc += std::log10(c->a); break;
            case flowbench::kAcos: for (; c != e; ++c) acc += std::acos(c->a); break;
            case flowbench::kSin: for (; c != e; ++c) acc += std::sin(c->a); break;
            case flowbench::kCos: for (; c != e; ++c) acc += std::cos(c->a); break;
        }
    }
    return acc;
}

// The calls in the order the model made them, one dispatch per call.
double replay_in_order(const MathCall* c, const MathCall* e) {
    double acc = 0.0;
    for (; c != e; ++c) {
        switch (c->fn) {
            case flowbench::kPow: acc += std::pow(c->a, c->b); break;
            case flowbench::kSqrt: acc += std::sqrt(c->a); break;
            case flowbench::kLog10: acc += std::log10(c->a); break;
            case flowbench::kAcos: acc += std::acos(c->a); break;
            case flowbench::kSin: acc += std::sin(c->a); break;
            case flowbench::kCos: acc += std::cos(c->a); break;
        }
    }
    return acc;
}

// Seconds per case as a counter: time / (iterations * n), shown with an SI prefix.
benchmark::Counter per_case(size_t n) {
    return benchmark::Counter(static_cast<double>(n),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

bool need_tape(benchmark::State& state) {
    if (data().have_tape) return true;
    state.SkipWithError(("no usable math-call tape: " + data().tape_error).c_str());
    return false;
}

// --- The entry, the solutions, the floor --------------------------------------

void BM_pipeflow(benchmark::State& state) {
    const std::vector<flowmodel::Inputs>& cases = data().cases;
    for (auto _ : state) {
        for (const flowmodel::Inputs& x : cases) benchmark::DoNotOptimize(call_pipeflow(x));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * cases.size()));
    state.counters["per_call"] = per_case(cases.size());
}

void BM_sepflow(benchmark::State& state) {
    const std::vector<flowmodel::FlowRecord>& records = data().records;
    for (auto _ : state) {
        for (const flowmodel::FlowRecord& r : records) {
            flowmodel::flowcom = r;
            double alfg, dpt, alff, alfl, hl, vg, delta, dpf, dpg, dpa;
            int iter, ids;
            flowmodel::sepflow(alfg, dpt, alff, alfl, hl, iter, ids, vg, delta, dpf, dpg, dpa);
            benchmark::DoNotOptimize(dpt);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * records.size()));
    state.counters["per_call"] = per_case(records.size());
}

void BM_disflow(benchmark::State& state) {
    const std::vector<flowmodel::FlowRecord>& records = data().records;
    for (auto _ : state) {
        for (const flowmodel::FlowRecord& r : records) {
            flowmodel::flowcom = r;
            double alfg, dpt, vg, dpf, dpg, dpa;
            int id;
            flowmodel::disflow(alfg, dpt, vg, id, dpf, dpg, dpa);
            benchmark::DoNotOptimize(dpt);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * records.size()));
    state.counters["per_call"] = per_case(records.size());
}

void BM_floor(benchmark::State& state) {
    if (!need_tape(state)) return;
    const Data& d = data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(replay_runs(d.runs.data(), d.runs.data() + d.runs.size(), d.grouped.data()));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * d.calls.size()));
    state.counters["per_pipeflow_call"] = per_case(d.cases.size());
    state.counters["math_calls_per_case"] = static_cast<double>(d.calls.size()) / d.cases.size();
}

void BM_floor_in_order(benchmark::State& state) {
    if (!need_tape(state)) return;
    const Data& d = data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(replay_in_order(d.calls.data(), d.calls.data() + d.calls.size()));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * d.calls.size()));
    state.counters["per_pipeflow_call"] = per_case(d.cases.size());
}

// --- Case by case -------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Nanoseconds that a start/stop pair of clock readings costs by itself.
double clock_overhead_ns() {
    std::vector<double> t(2001);
    for (double& x : t) {
        const Clock::time_point a = Clock::now();
        const Clock::time_point b = Clock::now();
        x = std::chrono::duration<double, std::nano>(b - a).count();
    }
    return median(t);
}

// Median over `sweeps` timings of each case (ns, clock overhead removed),
// the cases timed one after the other in every sweep.
template <class F>
std::vector<double> per_case_ns(size_t n, int sweeps, F&& f) {
    const double overhead = clock_overhead_ns();
    std::vector<std::vector<double>> t(n, std::vector<double>(static_cast<size_t>(sweeps)));
    for (int s = 0; s < sweeps; ++s) {
        for (size_t i = 0; i < n; ++i) {
            const Clock::time_point a = Clock::now();
            benchmark::DoNotOptimize(f(i));
            const Clock::time_point b = Clock::now();
            t[i][static_cast<size_t>(s)] = std::chrono::duration<double, std::nano>(b - a).count() - overhead;
        }
    }
    std::vector<double> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = std::max(median(t[i]), 1.0);
    return out;
}

// Per case: our time and the floor (its own math calls replayed alone), each
// the median of 21 timings; then over the 2,000 cases: the median and the
// mean of each, and the median of the per-case ratio ours/floor.
void BM_per_case(benchmark::State& state) {
    if (!need_tape(state)) return;
    const Data& d = data();
    const size_t n = d.cases.size();
    const int sweeps = 21;
    std::vector<double> ours, floor, ratio(n);
    for (auto _ : state) {
        ours = per_case_ns(n, sweeps, [&d](size_t i) { return call_pipeflow(d.cases[i]); });
        floor = per_case_ns(n, sweeps, [&d](size_t i) {
            return replay_runs(d.runs.data() + d.case_runs[i], d.runs.data() + d.case_runs[i + 1],
                               d.grouped.data());
        });
    }
    double sum_ours = 0.0, sum_floor = 0.0;
    for (size_t i = 0; i < n; ++i) {
        ratio[i] = ours[i] / floor[i];
        sum_ours += ours[i];
        sum_floor += floor[i];
    }
    state.counters["ours_median_us"] = median(ours) / 1e3;
    state.counters["ours_mean_us"] = sum_ours / n / 1e3;
    state.counters["floor_median_us"] = median(floor) / 1e3;
    state.counters["floor_mean_us"] = sum_floor / n / 1e3;
    state.counters["ratio_median"] = median(ratio);
    state.counters["ratio_of_means"] = sum_ours / sum_floor;
}

// --- The batch ------------------------------------------------------------------

// Every thread evaluates all cases through the C++ API (each thread has its
// own model record); items/s is the total throughput of the threads.
void BM_batch_evaluate(benchmark::State& state) {
    const std::vector<flowmodel::Inputs>& cases = data().cases;
    for (auto _ : state) {
        for (const flowmodel::Inputs& x : cases) {
            const flowmodel::Result r = flowmodel::evaluate(x);
            benchmark::DoNotOptimize(r.dpt);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * cases.size()));
}

// The whole batch job in memory: CSV in, evaluation on `jobs` threads, CSV out.
void BM_run_batch(benchmark::State& state) {
    const Data& d = data();
    pipeflow_cli::BatchOptions opt;
    opt.jobs = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        std::istringstream in(d.csv);
        std::ostringstream out, err;
        const pipeflow_cli::BatchSummary s = pipeflow_cli::run_batch(in, out, err, opt);
        if (s.rows != d.cases.size()) state.SkipWithError("batch lost rows");
        benchmark::DoNotOptimize(out.str().size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * d.cases.size()));
}

}  // namespace

BENCHMARK(BM_pipeflow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_sepflow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_disflow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_floor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_floor_in_order)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_per_case)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_batch_evaluate)->Unit(benchmark::kMillisecond)->Threads(1)->Threads(2)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_run_batch)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
