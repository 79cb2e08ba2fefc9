// Recorder of the model's elementary math calls. It is linked against the
// recording build of the model sources (the same files and flags, plus
// -fno-builtin-<fn> so that every call, sqrt included, leaves the object code
// as a real call) with `-Wl,--wrap=<fn>`: each call of pow, sqrt, log10,
// acos, sin and cos lands in a __wrap_ function below, which notes the
// arguments and calls the library function. It evaluates every benchmark
// case once and writes the calls and the outputs to a tape.
//
// usage: flowmodel_record_math CASES.csv TAPE.bin
#include <cstdio>
#include <exception>

#include "bench_cases.h"
#include "pipeflow.h"

namespace {

flowbench::MathTape g_tape;
uint32_t g_case = 0;
bool g_on = false;

inline void note(flowbench::MathFn fn, double a, double b) {
    if (g_on) g_tape.calls.push_back({fn, g_case, a, b});
}

}  // namespace

extern "C" {
double __real_pow(double, double);
double __real_sqrt(double);
double __real_log10(double);
double __real_acos(double);
double __real_sin(double);
double __real_cos(double);

double __wrap_pow(double a, double b) {
    note(flowbench::kPow, a, b);
    return __real_pow(a, b);
}
double __wrap_sqrt(double a) {
    note(flowbench::kSqrt, a, 0.0);
    return __real_sqrt(a);
}
double __wrap_log10(double a) {
    note(flowbench::kLog10, a, 0.0);
    return __real_log10(a);
}
double __wrap_acos(double a) {
    note(flowbench::kAcos, a, 0.0);
    return __real_acos(a);
}
double __wrap_sin(double a) {
    note(flowbench::kSin, a, 0.0);
    return __real_sin(a);
}
double __wrap_cos(double a) {
    note(flowbench::kCos, a, 0.0);
    return __real_cos(a);
}
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CASES.csv TAPE.bin\n", argv[0]);
        return 2;
    }
    try {
        const std::vector<flowmodel::Inputs> cases = flowbench::load_cases(argv[1]);
        g_tape.outputs.resize(cases.size());
        for (size_t i = 0; i < cases.size(); ++i) {
            const flowmodel::Inputs& x = cases[i];
            flowbench::CaseOutputs& o = g_tape.outputs[i];
            char msg[PIPEFLOW_MSG_SIZE];
            g_case = static_cast<uint32_t>(i);
            g_on = true;
            pipeflow(&o.vers, x.usl, x.usg, x.rol, x.rog, x.visl, x.visg, x.rough, x.sigma, x.diam,
                     x.angle, x.pres, &o.dpt, &o.hol, &o.id, &o.iter, &o.ierr, msg,
                     PIPEFLOW_MSG_SIZE, &o.dpf, &o.dpg, &o.dpa);
            g_on = false;
            o.unused = 0;
        }
        flowbench::write_tape(argv[2], g_tape);
        size_t count[flowbench::kMathFnCount] = {};
        for (const flowbench::MathCall& c : g_tape.calls) ++count[c.fn];
        std::printf("%zu cases, %zu math calls (", cases.size(), g_tape.calls.size());
        for (uint32_t f = 0; f < flowbench::kMathFnCount; ++f) {
            std::printf("%s%s %zu", f ? ", " : "", flowbench::math_fn_name(f), count[f]);
        }
        std::printf(")\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "flowmodel_record_math: %s\n", e.what());
        return 1;
    }
    return 0;
}
