// Benchmarks of the flow model over the 2,000 benchmark cases: the entry
// `pipeflow` per call, the separated and distributed solutions alone, the
// floor (the model's elementary math calls replayed alone with the recorded
// arguments), a per-case comparison of the two, and the batch at 1 and 2
// threads. See bench/README.md for how to run them and what each figure means.
#include <benchmark/benchmark.h>

#include "flowmodel/match.hpp"
#include "flowmodel/methods.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "flowmodel/batch/batch.hpp"
#include "flowmodel/batch/columns.hpp"
#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/vfp.hpp"
#include "flowmodel/well_request.hpp"
#include "flowmodel/batch/format.hpp"
#include "bench_cases.h"
#include "disflow.h"
#include "intest.h"
#include "pipeflow.h"
#include "record.h"
#include "sepflow.h"

namespace {

using flowbench::MathCall;

struct Data {
    std::vector<flowmodel::Inputs> cases;
    std::vector<flowmodel::FlowRecord> records;  // filled, tested and inclined as the entry does
    bool have_tape = false;
    std::string tape_error;
    std::vector<MathCall> calls;       // in the order the model made them
    std::vector<size_t> case_calls;    // calls of case i: [case_calls[i], case_calls[i + 1])
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
    // The batch input as people and the batch command write numbers: each
    // the shortest text that reads back to the case's double.
    d.csv = "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres\n";
    for (const flowmodel::Inputs& x : d.cases) {
        for (const flowmodel::InputField& f : flowmodel::kInputFields) {
            flowmodel::io::append_double(d.csv, x.*f.member);
            d.csv += &f == &flowmodel::kInputFields.back() ? '\n' : ',';
        }
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
            // The recorder evaluates the cases in order, so each case's calls are contiguous.
            size_t k = 0;
            for (uint32_t c = 0; c < d.cases.size(); ++c) {
                d.case_calls.push_back(k);
                while (k < d.calls.size() && d.calls[k].case_index == c) ++k;
            }
            d.case_calls.push_back(k);
            d.have_tape = k == d.calls.size();
            if (!d.have_tape) d.tape_error = "the calls of the tape are not in case order";
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

// One call as the model made it.
inline double call(const MathCall& c, double a) {
    switch (c.fn) {
        case flowbench::kPow: return std::pow(a, c.b);
        case flowbench::kSqrt: return std::sqrt(a);
        case flowbench::kLog10: return std::log10(a);
        case flowbench::kAcos: return std::acos(a);
        case flowbench::kSin: return std::sin(a);
        default: return std::cos(a);
    }
}

// The calls in the order the model made them; the results are summed so that
// none can be dropped, and calls may overlap in the processor as far as it can
// overlap them.
double replay(const MathCall* c, const MathCall* e) {
    double acc = 0.0;
    for (; c != e; ++c) acc += call(*c, c->a);
    return acc;
}

volatile uint64_t g_zero = 0;  // read at run time, so the compiler cannot fold the mask

// The same calls one after the other: each argument is made to wait for the
// previous result (OR-ing in the result's bits masked with zero leaves the
// argument unchanged), so the time is the sum of the calls' latencies.
double replay_serial(const MathCall* c, const MathCall* e) {
    const uint64_t mask = g_zero;
    double acc = 0.0, prev = 0.0;
    for (; c != e; ++c) {
        uint64_t a, p;
        std::memcpy(&a, &c->a, sizeof a);
        std::memcpy(&p, &prev, sizeof p);
        a |= p & mask;
        double x;
        std::memcpy(&x, &a, sizeof x);
        prev = call(*c, x);
        acc += prev;
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

// One method (Arg: its number in the methods' table) at every point of the
// benchmark cases; `per_call` the time of one evaluation.
void BM_method_point(benchmark::State& state) {
    const std::vector<flowmodel::Inputs>& cases = data().cases;
    const flowmodel::Method m = flowmodel::methods()[static_cast<size_t>(state.range(0))].method;
    state.SetLabel(flowmodel::methods()[static_cast<size_t>(state.range(0))].name);
    for (auto _ : state) {
        for (const flowmodel::Inputs& x : cases) benchmark::DoNotOptimize(flowmodel::evaluate_point(m, x));
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

// Each case's calls are replayed kReplays times in a row, so that all but the
// first replay read them from the cache: the model reads 88 bytes of input per
// case, the replay 24 bytes per call, and the floor should not be charged for
// reading the tape.
constexpr int kReplays = 8;

template <class Replay>
void floor_benchmark(benchmark::State& state, Replay&& replay_case) {
    if (!need_tape(state)) return;
    const Data& d = data();
    for (auto _ : state) {
        for (size_t i = 0; i < d.cases.size(); ++i) {
            const MathCall* b = d.calls.data() + d.case_calls[i];
            const MathCall* e = d.calls.data() + d.case_calls[i + 1];
            for (int k = 0; k < kReplays; ++k) benchmark::DoNotOptimize(replay_case(b, e));
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * d.calls.size() * kReplays));
    state.counters["per_pipeflow_call"] = per_case(d.cases.size() * kReplays);
    state.counters["math_calls_per_case"] = static_cast<double>(d.calls.size()) / d.cases.size();
}

void BM_floor(benchmark::State& state) { floor_benchmark(state, replay); }

void BM_floor_serial(benchmark::State& state) { floor_benchmark(state, replay_serial); }

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
// the cases timed one after the other in every sweep; warm(i) runs untimed
// before each timing.
template <class F, class W>
std::vector<double> per_case_ns(size_t n, int sweeps, F&& f, W&& warm) {
    const double overhead = clock_overhead_ns();
    std::vector<std::vector<double>> t(n, std::vector<double>(static_cast<size_t>(sweeps)));
    for (int s = 0; s < sweeps; ++s) {
        for (size_t i = 0; i < n; ++i) {
            warm(i);
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

// Per case: our time, the floor and the serial floor (the case's own math
// calls replayed alone), each the median of 21 timings; then over the 2,000
// cases: the median and the mean of each, and the median of the per-case
// ratio ours/floor.
void BM_per_case(benchmark::State& state) {
    if (!need_tape(state)) return;
    const Data& d = data();
    const size_t n = d.cases.size();
    const int sweeps = 21;
    std::vector<double> ours, floor, serial, ratio(n);
    for (auto _ : state) {
        // The model reads 88 bytes of input per case, the replay 24 bytes per
        // call: the recorded calls are brought into the cache before they are
        // timed, so that the floor is not charged for reading the tape.
        auto warm_calls = [&d](size_t i) {
            double sum = 0.0;
            for (size_t k = d.case_calls[i]; k < d.case_calls[i + 1]; ++k) sum += d.calls[k].a;
            benchmark::DoNotOptimize(sum);
        };
        ours = per_case_ns(n, sweeps, [&d](size_t i) { return call_pipeflow(d.cases[i]); }, [](size_t) {});
        floor = per_case_ns(n, sweeps, [&d](size_t i) {
            return replay(d.calls.data() + d.case_calls[i], d.calls.data() + d.case_calls[i + 1]);
        }, warm_calls);
        serial = per_case_ns(n, sweeps, [&d](size_t i) {
            return replay_serial(d.calls.data() + d.case_calls[i], d.calls.data() + d.case_calls[i + 1]);
        }, warm_calls);
    }
    double sum_ours = 0.0, sum_floor = 0.0, sum_serial = 0.0;
    for (size_t i = 0; i < n; ++i) {
        ratio[i] = ours[i] / floor[i];
        sum_ours += ours[i];
        sum_floor += floor[i];
        sum_serial += serial[i];
    }
    state.counters["ours_median_us"] = median(ours) / 1e3;
    state.counters["ours_mean_us"] = sum_ours / n / 1e3;
    state.counters["floor_median_us"] = median(floor) / 1e3;
    state.counters["floor_mean_us"] = sum_floor / n / 1e3;
    state.counters["serial_median_us"] = median(serial) / 1e3;
    state.counters["ratio_median"] = median(ratio);
    state.counters["ratio_of_means"] = sum_ours / sum_floor;
    state.counters["ratio_serial_means"] = sum_ours / sum_serial;
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
    flowmodel::batch::BatchOptions opt;
    opt.jobs = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        std::istringstream in(d.csv);
        std::ostringstream err;
        std::string out;
        const flowmodel::batch::BatchSummary s = flowmodel::batch::run_batch(
            in, [&out](const std::string& text) { out += text; return true; }, err, opt);
        if (s.rows != d.cases.size()) state.SkipWithError("batch lost rows");
        benchmark::DoNotOptimize(out.size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * d.cases.size()));
}

// BM_run_batch/1 against BM_pipeflow, measured in turns within each
// iteration so that both see the same machine (a shared VM's speed drifts by
// tens of percent between benchmarks): `overhead` = batch time per row over
// model time per call, minus 1. The argument repeats the cases: 15 copies
// are 30,000 rows, a batch long enough to reuse its blocks' memory as the
// command does on real files.
void BM_batch_overhead(benchmark::State& state) {
    const Data& d = data();
    const size_t copies = static_cast<size_t>(state.range(0));
    std::string csv = d.csv;
    const std::string body = d.csv.substr(d.csv.find('\n') + 1);
    for (size_t c = 1; c < copies; ++c) csv += body;
    flowmodel::batch::BatchOptions opt;
    opt.jobs = 1;
    using clock = std::chrono::steady_clock;
    clock::duration model{}, batch{};
    for (auto _ : state) {
        const clock::time_point t0 = clock::now();
        for (size_t c = 0; c < copies; ++c) {
            for (const flowmodel::Inputs& x : d.cases) benchmark::DoNotOptimize(call_pipeflow(x));
        }
        const clock::time_point t1 = clock::now();
        std::istringstream in(csv);
        std::ostringstream err;
        std::string out;
        const flowmodel::batch::BatchSummary s = flowmodel::batch::run_batch(
            in, [&out](const std::string& text) { out += text; return true; }, err, opt);
        if (s.rows != copies * d.cases.size()) state.SkipWithError("batch lost rows");
        benchmark::DoNotOptimize(out.size());
        const clock::time_point t2 = clock::now();
        model += t1 - t0;
        batch += t2 - t1;
    }
    const double rows = static_cast<double>(state.iterations()) * static_cast<double>(copies * d.cases.size());
    const double us_model = std::chrono::duration<double, std::micro>(model).count() / rows;
    const double us_batch = std::chrono::duration<double, std::micro>(batch).count() / rows;
    state.counters["model_us"] = us_model;
    state.counters["batch_us"] = us_batch;
    state.counters["overhead"] = us_batch / us_model - 1.0;
}

// The batch job's own work without the model: reading the records, parsing
// the inputs and formatting a result row for each (the results evaluated
// beforehand), into one output string, as run_batch does on one thread.
void BM_batch_io(benchmark::State& state) {
    const Data& d = data();
    const std::vector<flowmodel::Result> results = flowmodel::evaluate_many(d.cases, 1);
    std::array<bool, flowmodel::kInputCount> none{};
    for (auto _ : state) {
        std::istringstream in(d.csv);
        flowmodel::io::CsvReader reader(in);
        flowmodel::io::CsvRecord rec;
        flowmodel::batch::InputColumns cols;
        std::string error, out;
        reader.next(rec);
        if (!cols.read_header(rec, flowmodel::default_inputs(), none, error)) state.SkipWithError("header");
        out = flowmodel::batch::result_header() + '\n';
        size_t k = 0;
        flowmodel::Inputs x;
        flowmodel::batch::InputDecimals decimals;
        while (reader.next(rec)) {
            if (!cols.parse_row(rec, x, error, &decimals)) state.SkipWithError("row");
            flowmodel::batch::append_result_row(out, x, results[k++], decimals);
            out += '\n';
        }
        benchmark::DoNotOptimize(out.size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * d.cases.size()));
    state.counters["per_row"] = per_case(d.cases.size());
}

// One traverse of a 10 km two-phase line (the pipeline example's profile, oil
// and natural gas) at the default tolerance; `evaluations` = model calls per traverse.
void BM_traverse(benchmark::State& state) {
    flowmodel::Line line;
    const double md[] = {0, 1500, 3000, 4200, 6000, 8000, 10000}, z[] = {0, -25, -60, -35, 15, 40, 20};
    for (int i = 0; i < 7; ++i) line.nodes.push_back({md[i], z[i], 0.15, 4.6e-5, 300.0});
    flowmodel::ConstantLiquidRealGas fluid;
    fluid.liquid_rate = 8;
    fluid.gas_rate = 1.2;
    fluid.rol = 850;
    fluid.visl = 5e-3;
    fluid.sigma = 0.02;
    fluid.visg = 1.2e-5;
    fluid.molar_mass = 18;
    flowmodel::TraverseOptions opt;
    opt.pres = 5e6;
    long evaluations = 0;
    size_t points = 0;
    for (auto _ : state) {
        const flowmodel::TraverseResult r = flowmodel::traverse(line, fluid, opt);
        if (!r.summary.complete) state.SkipWithError(r.summary.message.c_str());
        evaluations = r.summary.evaluations;
        points = r.points.size();
        benchmark::DoNotOptimize(r.summary.outlet_pres);
    }
    state.counters["evaluations"] = static_cast<double>(evaluations);
    state.counters["points"] = static_cast<double>(points);
}

// One traverse of the oil-well example of the README (8000 ft vertical in
// eight segments, black oil with gas coming out of solution, from the
// wellhead down) at the default tolerance.
void BM_traverse_black_oil(benchmark::State& state) {
    flowmodel::TraverseRequest request;
    request.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    request.flow_decreasing = true;
    const std::pair<const char*, const char*> options[] = {
        {"diam", "2.441in"}, {"rough", "0.0006in"},
        {"outlet-pres", "200psia"}, {"temp-in", "180degF"}, {"temp-out", "100degF"}, {"api", "35"},
        {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"oil-rate", "1000 STB/d"},
        {"water-rate", "300 STB/d"}, {"gor", "600 scf/STB"}};
    for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
    const flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
    long evaluations = 0;
    size_t points = 0;
    for (auto _ : state) {
        const flowmodel::TraverseResult r = flowmodel::traverse(setup.line, setup.fluid(), setup.options);
        if (!r.summary.complete) state.SkipWithError(r.summary.message.c_str());
        evaluations = r.summary.evaluations;
        points = r.points.size();
        benchmark::DoNotOptimize(r.summary.inlet_pres);
    }
    state.counters["evaluations"] = static_cast<double>(evaluations);
    state.counters["points"] = static_cast<double>(points);
}

// The same well with the temperature from heat transfer against a geothermal
// profile of 60 degF and 1.5 degF/100 ft: Arg 0 the straight line of
// BM_traverse_black_oil, 1 a U-value of 2 Btu/hr/ft2/degF, 2 Ramey's
// formation after 30 days. From the wellhead pressure, so each heated
// traverse finds its bottom-hole pressure by marches from the bottom, where
// the reservoir's temperature is known; counters: evaluations, marches.
void BM_traverse_heat(benchmark::State& state) {
    flowmodel::TraverseRequest request;
    request.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    request.flow_decreasing = true;
    std::vector<std::pair<std::string, std::string>> options = {
        {"diam", "2.441in"}, {"rough", "0.0006in"}, {"outlet-pres", "200psia"}, {"api", "35"},
        {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"oil-rate", "1000 STB/d"},
        {"water-rate", "300 STB/d"}, {"gor", "600 scf/STB"}};
    const int law = static_cast<int>(state.range(0));
    if (law == 0) {
        options.insert(options.end(), {{"temp-in", "180degF"}, {"temp-out", "100degF"}});
    } else {
        options.insert(options.end(), {{"heat", law == 1 ? "u-value" : "ramey"}, {"geothermal", "60degF, 1.5degF/100ft"}});
        if (law == 1) options.emplace_back("u-value", "2 Btu/hr/ft2/degF");
        if (law == 2) options.insert(options.end(), {{"producing-time", "30d"}, {"hole-diam", "8.5in"}});
    }
    for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
    const flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
    long evaluations = 0;
    for (auto _ : state) {
        const flowmodel::TraverseResult r = flowmodel::traverse(setup.line, setup.fluid(), setup.options);
        if (!r.summary.complete) state.SkipWithError(r.summary.message.c_str());
        evaluations = r.summary.evaluations;
        benchmark::DoNotOptimize(r.summary.inlet_pres);
    }
    state.counters["evaluations"] = static_cast<double>(evaluations);
}

// The lift-gas performance curve of the oil well (ten lift-gas rates from 0
// to 3,000 Mscf/d injected at 7,000 ft, Vogel's inflow, 30 % water, GOR 300
// scf/STB): Arg 0 with the temperature a straight line from 180 to 100 degF,
// 1 with Ramey's heat transfer after 30 days against 60 degF and 1.5
// degF/100 ft, where every outflow point shoots for its bottom-hole pressure.
// The heated curve is meant to cost at most five times the unheated one.
void BM_lift_gas_curve_heat(benchmark::State& state) {
    flowmodel::wells::NodalRequest request;
    request.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::vector<std::pair<std::string, std::string>> options = {
        {"profile-unit", "ft"}, {"diam", "2.441in"}, {"rough", "0.0006in"}, {"outlet-pres", "200psia"},
        {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"water-cut", "30%"},
        {"gor", "300 scf/STB"}, {"injection-depth", "7000ft"}};
    if (state.range(0) == 0) {
        options.insert(options.end(), {{"temp-in", "180degF"}, {"temp-out", "100degF"}});
    } else {
        options.insert(options.end(), {{"heat", "ramey"}, {"producing-time", "30d"}, {"hole-diam", "8.5in"},
                                       {"geothermal", "60degF, 1.5degF/100ft"}});
    }
    for (const auto& [name, text] : options) {
        if (name == "profile-unit") {
            flowmodel::set_profile_unit(request.traverse, text);
        } else {
            flowmodel::set_option(request.traverse, name, text);
        }
    }
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"ipr", "vogel"}, {"res-pres", "3000psia"}, {"q-max", "2500 STB/d"},
             {"lift-gas-rates", "0,100,200,400,600,800,1000,1500,2000,3000 Mscf/d"}}) {
        flowmodel::wells::set_nodal_option(request, name, text);
    }
    const flowmodel::wells::NodalSetup setup = flowmodel::wells::setup_nodal(request);
    for (auto _ : state) {
        const flowmodel::wells::LiftCurve curve = flowmodel::wells::lift_gas_curve(setup, 1);
        benchmark::DoNotOptimize(curve.points.data());
    }
}

// The gas-rich well (8,000 ft vertical, 2.441 in, 200 psia at the wellhead,
// black oil API 35 at GLR 20,000 scf/STB, 1300 STB/d at 5 % water cut) with
// stations every Arg feet: the answer must not depend on the spacing, nor its
// cost beyond the stations. Counters: evaluations, points.
void BM_traverse_gas_rich(benchmark::State& state) {
    const double spacing = static_cast<double>(state.range(0));
    flowmodel::TraverseRequest request;
    request.flow_decreasing = true;
    const std::pair<const char*, const char*> options[] = {
        {"length", "8000ft"}, {"angle", "-90"}, {"diam", "2.441in"}, {"rough", "0.0006in"},
        {"outlet-pres", "200psia"}, {"temp-in", "180degF"}, {"temp-out", "100degF"}, {"api", "35"},
        {"gas-gravity", "0.65"}, {"water-gravity", "1.07"}, {"liquid-rate", "1300 STB/d"}, {"water-cut", "5%"},
        {"glr", "2e4 scf/STB"}};
    for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
    flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
    const flowmodel::LineNode top = setup.line.nodes.front(), bottom = setup.line.nodes.back();
    std::vector<flowmodel::LineNode> nodes;
    for (double ft = 0; ft < 8000 - 1e-9; ft += spacing) {
        flowmodel::LineNode n = top;
        n.md = ft * flowmodel::unit::kFoot;
        n.z = -n.md;
        n.temp = top.temp + (bottom.temp - top.temp) * ft / 8000;
        nodes.push_back(n);
    }
    nodes.push_back(bottom);
    setup.line.nodes = nodes;
    flowmodel::TraverseResult r;
    for (auto _ : state) {
        r = flowmodel::traverse(setup);
        if (!r.summary.complete) state.SkipWithError(r.summary.message.c_str());
        benchmark::DoNotOptimize(r.summary.inlet_pres);
    }
    state.counters["evaluations"] = static_cast<double>(r.summary.evaluations);
    state.counters["points"] = static_cast<double>(r.points.size());
}

// 1,000 traverses of the README's oil well over liquid rates from 100 to
// 3,000 STB/d (water cut 23 %, GOR 600 scf/STB) through traverse_many on
// Arg threads; time per traverse in `per_traverse`.
void BM_traverse_many(benchmark::State& state) {
    std::vector<flowmodel::TraverseSetup> setups;
    for (int i = 0; i < 1000; ++i) {
        flowmodel::TraverseRequest request;
        request.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
        request.flow_decreasing = true;
        const std::string rate = std::to_string(100 + 2.9 * i) + " STB/d";
        const std::pair<const char*, std::string> options[] = {
            {"diam", "2.441in"}, {"rough", "0.0006in"}, {"outlet-pres", "200psia"}, {"temp-in", "180degF"},
            {"temp-out", "100degF"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
            {"liquid-rate", rate}, {"water-cut", "23%"}, {"glr", "462 scf/STB"}};
        for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
        setups.push_back(flowmodel::setup_traverse(request));
    }
    std::vector<flowmodel::TraverseCase> cases;
    for (const auto& s : setups) cases.push_back({&s.line, &s.fluid(), s.options});
    long evaluations = 0;
    for (auto _ : state) {
        const std::vector<flowmodel::TraverseResult> r = flowmodel::traverse_many(cases, static_cast<unsigned>(state.range(0)));
        evaluations = 0;
        for (const auto& x : r) evaluations += x.summary.evaluations;
        benchmark::DoNotOptimize(r.data());
    }
    state.counters["evaluations"] = static_cast<double>(evaluations);
    state.counters["per_traverse"] = benchmark::Counter(static_cast<double>(cases.size()),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}

// A lift-curve table of the oil well: 10 rates x 5 THP x 4 water cuts x 5
// GORs = 1,000 traverses on Arg 1 threads at a tolerance of Arg 2 Pa per
// segment; `max_dev_psi` compares every entry with the same table at 1 Pa per
// segment (computed once), `over_0.1_psi` counts the entries beyond 0.1 psi.
void BM_vfp_table(benchmark::State& state) {
    flowmodel::TraverseRequest request;
    request.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    request.flow_decreasing = true;
    const std::pair<const char*, const char*> options[] = {
        {"diam", "2.441in"}, {"rough", "0.0006in"}, {"outlet-pres", "200psia"}, {"temp-in", "180degF"},
        {"temp-out", "100degF"}, {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
        {"liquid-rate", "1000 STB/d"}, {"water-cut", "20%"}, {"gor", "600 scf/STB"}};
    for (const auto& [name, text] : options) flowmodel::set_option(request, name, text);
    flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
    setup.options.tol = static_cast<double>(state.range(1));
    const auto& oil = setup.black_oil()->inputs();
    using namespace flowmodel::unit;
    const double stb_d = kBarrel / kDay, psia = kPsi, scf_stb = kScfPerStb;
    flowmodel::vfp::Table table;
    for (double q : {100, 200, 400, 600, 800, 1000, 1500, 2000, 2500, 3000}) table.axes.flo.push_back(q * stb_d);
    for (double p : {100, 200, 300, 400, 500}) table.axes.thp.push_back(p * psia);
    table.axes.wfr = {0, 0.2, 0.4, 0.6};
    for (double g : {200, 400, 600, 800, 1000}) table.axes.gfr.push_back(g * scf_stb);
    table.datum = 2438.4;
    flowmodel::vfp::Result r;
    for (auto _ : state) {
        r = flowmodel::vfp::compute(setup.line, oil, setup.options, table, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(r.table.bhp.data());
    }
    flowmodel::TraverseOptions tight = setup.options;
    tight.tol = 1;
    const flowmodel::vfp::Result fine = flowmodel::vfp::compute(setup.line, oil, tight, table, 2);
    double worst = 0;
    int over = 0;  // entries more than 0.1 psi from the fine table's
    for (size_t i = 0; i < fine.table.bhp.size(); ++i) {
        const double dev = std::fabs(fine.table.bhp[i] - r.table.bhp[i]) / psia;
        worst = std::max(worst, dev);
        over += dev > 0.1 ? 1 : 0;
    }
    state.counters["over_0.1_psi"] = over;
    state.counters["failed"] = static_cast<double>(r.failures.size());
    state.counters["evaluations"] = static_cast<double>(r.evaluations);
    state.counters["max_dev_psi"] = worst;
}

// The 1,000-entry table of the oil well as a user asks for it (options as
// text), with `more` options after the axes.
flowmodel::wells::VfpRequest oil_well_table(const std::vector<std::pair<const char*, const char*>>& more) {
    flowmodel::wells::VfpRequest request;
    request.traverse.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    std::vector<std::pair<const char*, const char*>> options = {
        {"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "180degF"}, {"temp-out", "100degF"},
        {"api", "35"}, {"gas-gravity", "0.65"}, {"water-gravity", "1.07"},
        {"rates", "100,200,400,600,800,1000,1500,2000,2500,3000 STB/d"}, {"thp", "100,200,300,400,500 psia"},
        {"water-cut", "0,20,40,60%"}, {"gor", "200,400,600,800,1000 scf/STB"}};
    options.insert(options.end(), more.begin(), more.end());
    for (const auto& [name, text] : options) {
        if (!flowmodel::wells::set_vfp_option(request, name, text)) flowmodel::set_option(request.traverse, name, text);
    }
    return request;
}

// The same 1,000-entry table as a user asks for it without --tol (the
// command's and Python's path: options as text, the tolerance the table
// chooses for itself), on Arg 0 threads with method number Arg 1 (0 the
// model, 1 Beggs & Brill, ... in the order of the methods' table).
void BM_vfp_default(benchmark::State& state) {
    flowmodel::wells::VfpRequest request = oil_well_table({});
    request.traverse.method = flowmodel::methods()[static_cast<size_t>(state.range(1))].method;
    state.SetLabel(flowmodel::methods()[static_cast<size_t>(state.range(1))].name);
    const flowmodel::wells::VfpSetup setup = flowmodel::wells::setup_vfp(request);
    flowmodel::wells::VfpOutcome out;
    for (auto _ : state) {
        out = flowmodel::wells::make_table(setup, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(out.keyword.data());
    }
    state.counters["tol_Pa"] = setup.setup.options.tol;
    state.counters["evaluations"] = static_cast<double>(out.result.evaluations);
    state.counters["failed"] = static_cast<double>(out.result.failures.size());
}

// A lift-curve table with an ALQ axis of lift gas: 10 rates x 5 THP x 4
// water cuts x 5 GORs x 5 lift-gas rates = 5,000 entries, each a lifted
// traverse (gas entering at 7,500 ft), on Arg threads.
void BM_vfp_alq(benchmark::State& state) {
    const flowmodel::wells::VfpRequest request =
        oil_well_table({{"injection-depth", "7500ft"}, {"alq", "0,250,500,1000,2000 Mscf/d"}, {"alq-kind", "grat"},
                        {"fill", "extrapolate"}});
    const flowmodel::wells::VfpSetup setup = flowmodel::wells::setup_vfp(request);
    flowmodel::wells::VfpOutcome out;
    for (auto _ : state) {
        out = flowmodel::wells::make_table(setup, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(out.keyword.data());
    }
    state.counters["entries"] = static_cast<double>(out.result.table.bhp.size());
    state.counters["evaluations"] = static_cast<double>(out.result.evaluations);
    state.counters["failed"] = static_cast<double>(out.result.failures.size());
    state.counters["filled"] = static_cast<double>(out.filled.size());
}

// `pipeflow match` over as many well tests as the two field wells have
// (3,159), every method untuned, on Arg threads: the example oil well with
// tests at rates and wellhead pressures spread as a field's are (the
// repository stands alone: the field's own files are not read here).
void BM_match_tests(benchmark::State& state) {
    flowmodel::TraverseRequest request;
    request.profile = FLOWMODEL_EXAMPLES_DIR "/oil-well.csv";
    for (const auto& [name, text] : {std::pair{"diam", "2.441in"}, {"rough", "0.0006in"}, {"temp-in", "180degF"},
                                     {"temp-out", "100degF"}, {"api", "35"}, {"gas-gravity", "0.65"},
                                     {"water-gravity", "1.07"}}) {
        flowmodel::set_option(request, name, text);
    }
    using namespace flowmodel::unit;
    const double stb_d = kBarrel / kDay, psia = kPsi;
    flowmodel::match::MeasuredPressures measured;
    for (int k = 0; k < 3159; ++k) {
        flowmodel::match::WellTest t;
        const double x = (k % 97) / 97.0, y = (k % 31) / 31.0;
        t.oil_rate = (400 + 1000 * x) * stb_d;
        t.water_rate = t.oil_rate * 0.6 * y;
        t.gas_rate = t.oil_rate * (300 + 500 * y) * kScfPerStb;
        t.whp = (150 + 200 * x) * psia;
        t.gauge_md = 7900 * kFoot;
        t.gauge_pres = t.whp + 2000 * psia;
        measured.tests.push_back(t);
    }
    flowmodel::match::MatchOptions options;
    options.jobs = static_cast<unsigned>(state.range(0));
    flowmodel::match::MatchResult r;
    for (auto _ : state) {
        r = flowmodel::match::run_match(request, measured, options);
        benchmark::DoNotOptimize(r.untuned.data());
    }
    state.counters["traverses"] = static_cast<double>(r.traverses);
    long failed = 0;
    for (const auto& m : r.untuned) failed += m.failed;
    state.counters["failed"] = static_cast<double>(failed);
}

}  // namespace

BENCHMARK(BM_vfp_default)->Args({2, 0})->Args({2, 1})->Args({2, 4})->Args({2, 5})->Args({2, 6})->Args({2, 7})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_vfp_alq)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_match_tests)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_method_point)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_vfp_table)->Args({1, 100})->Args({2, 100})->Args({2, 10})->Args({2, 1})->Unit(benchmark::kMillisecond)
    ->UseRealTime()->Iterations(1);
BENCHMARK(BM_traverse_gas_rich)->Arg(1000)->Arg(100)->Arg(30)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_traverse_many)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_traverse_black_oil)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_lift_gas_curve_heat)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_traverse_heat)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_traverse)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_batch_overhead)->Arg(1)->Arg(15)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_batch_io)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_pipeflow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_sepflow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_disflow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_floor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_floor_serial)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_per_case)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_batch_evaluate)->Unit(benchmark::kMillisecond)->Threads(1)->Threads(2)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_run_batch)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(2)->UseRealTime()
    ->Repetitions(5)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
