// Instruction-count driver: evaluates every benchmark case once through
// `pipeflow` inside sweep_cases(), so that
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect=sweep_cases
//       build/bin/flowmodel_sweep
// counts the model's instructions alone (divide by the number of cases).
// Prints a checksum of the results so the work cannot be optimised away.
#include <cstdio>
#include <exception>

#include "bench_cases.h"
#include "pipeflow.h"

extern "C" __attribute__((noinline)) double sweep_cases(const flowmodel::Inputs* x, size_t n) {
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        double vers, dpt, hol, dpf, dpg, dpa;
        int id, iter, ierr;
        char msg[PIPEFLOW_MSG_SIZE];
        pipeflow(&vers, x[i].usl, x[i].usg, x[i].rol, x[i].rog, x[i].visl, x[i].visg, x[i].rough,
                 x[i].sigma, x[i].diam, x[i].angle, x[i].pres, &dpt, &hol, &id, &iter, &ierr, msg,
                 PIPEFLOW_MSG_SIZE, &dpf, &dpg, &dpa);
        sum += dpt + hol + id + iter;
    }
    return sum;
}

int main(int argc, char** argv) {
    try {
        const std::string path =
            argc > 1 ? argv[1] : flowbench::path_from("FLOWMODEL_BENCH_CASES", FLOWMODEL_BENCH_CASES);
        const std::vector<flowmodel::Inputs> cases = flowbench::load_cases(path);
        const double sum = sweep_cases(cases.data(), cases.size());
        std::printf("%zu cases, checksum %.17g\n", cases.size(), sum);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "flowmodel_sweep: %s\n", e.what());
        return 1;
    }
    return 0;
}
