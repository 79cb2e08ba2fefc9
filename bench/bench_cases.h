// The benchmark cases (a CSV with the eleven model inputs by column name) and
// the math-call tape that the recording build writes: shared by the
// benchmarks, the recorder and the instruction-count driver. Header-only and
// free of calls into the model, so the recorder can link the recording build
// of the model and nothing else.
#ifndef FLOWMODEL_BENCH_CASES_H
#define FLOWMODEL_BENCH_CASES_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace flowbench {

// Path from the environment variable `env` when set, else the built-in default.
inline std::string path_from(const char* env, const char* fallback) {
    const char* p = std::getenv(env);
    return p != nullptr && *p != '\0' ? p : fallback;
}

// Reads the cases; throws on a missing file, column or unreadable number.
inline std::vector<flowmodel::Inputs> load_cases(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    auto split = [](const std::string& line) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string s;
        while (std::getline(ss, s, ',')) f.push_back(s);
        return f;
    };
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> head = split(line);
    size_t col[11];
    for (int k = 0; k < 11; ++k) {
        col[k] = head.size();
        for (size_t i = 0; i < head.size(); ++i) {
            if (head[i] == flowmodel::kInputFields[k].name) col[k] = i;
        }
        if (col[k] == head.size()) throw std::runtime_error(path + ": no column " + flowmodel::kInputFields[k].name);
    }
    std::vector<flowmodel::Inputs> cases;
    while (std::getline(in, line)) {
        if (line.empty() || line == "\r") continue;
        const std::vector<std::string> f = split(line);
        double v[11];
        for (int k = 0; k < 11; ++k) {
            char* end = nullptr;
            const char* s = col[k] < f.size() ? f[col[k]].c_str() : "";
            v[k] = std::strtod(s, &end);
            if (end == s) throw std::runtime_error(path + ": bad number in row " + line);
        }
        cases.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]});
    }
    return cases;
}

// --- Math-call tape ---------------------------------------------------------

// The elementary functions the model calls from the math library.
enum MathFn : uint32_t { kPow, kSqrt, kLog10, kAcos, kSin, kCos, kMathFnCount };
inline const char* math_fn_name(uint32_t f) {
    static const char* names[] = {"pow", "sqrt", "log10", "acos", "sin", "cos"};
    return f < kMathFnCount ? names[f] : "?";
}

// One call: function, the case it was made for, its arguments (b unused
// except by pow).
struct MathCall {
    uint32_t fn;
    uint32_t case_index;
    double a;
    double b;
};

// Everything `pipeflow` returned for one case in the recording build, so the
// benchmarks can check that it computed exactly what the library computes.
struct CaseOutputs {
    double vers, dpt, hol, dpf, dpg, dpa;
    int32_t id, iter, ierr, unused;
};

struct MathTape {
    std::vector<CaseOutputs> outputs;  // one per case
    std::vector<MathCall> calls;       // in call order
};

constexpr char kTapeMagic[8] = {'F', 'M', 'T', 'A', 'P', 'E', '1', '\0'};

inline void write_tape(const std::string& path, const MathTape& t) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    const uint64_t n[2] = {t.outputs.size(), t.calls.size()};
    bool ok = std::fwrite(kTapeMagic, 1, 8, f) == 8 && std::fwrite(n, sizeof n, 1, f) == 1 &&
              std::fwrite(t.outputs.data(), sizeof(CaseOutputs), n[0], f) == n[0] &&
              std::fwrite(t.calls.data(), sizeof(MathCall), n[1], f) == n[1];
    ok = std::fclose(f) == 0 && ok;
    if (!ok) throw std::runtime_error("cannot write " + path);
}

inline MathTape read_tape(const std::string& path) {
    MathTape t;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) throw std::runtime_error("cannot open " + path);
    char magic[8];
    uint64_t n[2];
    bool ok = std::fread(magic, 1, 8, f) == 8 && std::string(magic, 8) == std::string(kTapeMagic, 8) &&
              std::fread(n, sizeof n, 1, f) == 1 && n[0] < (1u << 24) && n[1] < (1u << 30);
    if (ok) {
        t.outputs.resize(n[0]);
        t.calls.resize(n[1]);
        ok = std::fread(t.outputs.data(), sizeof(CaseOutputs), n[0], f) == n[0] &&
             std::fread(t.calls.data(), sizeof(MathCall), n[1], f) == n[1];
    }
    std::fclose(f);
    if (!ok) throw std::runtime_error(path + " is not a math-call tape");
    for (const MathCall& c : t.calls) {
        if (c.fn >= kMathFnCount || c.case_index >= t.outputs.size()) {
            throw std::runtime_error(path + ": corrupt call record");
        }
    }
    return t;
}

}  // namespace flowbench

#endif
