// The typed C++ API: a thin wrapper over `pipeflow`, and the input table.
#include "flowmodel/flowmodel.hpp"

#include <cstdint>
#include <cstring>

#include "flowmodel/parallel.hpp"
#include "pipeflow.h"

namespace flowmodel {

const std::array<InputField, kInputCount> kInputFields = {{
    {"usl", &Inputs::usl, "m/s", "superficial liquid velocity", 0.1},
    {"usg", &Inputs::usg, "m/s", "superficial gas velocity", 5.0},
    {"rol", &Inputs::rol, "kg/m3", "liquid density", 1000.0},
    {"rog", &Inputs::rog, "kg/m3", "gas density", 1.2},
    {"visl", &Inputs::visl, "Pa s", "liquid dynamic viscosity", 1e-3},
    {"visg", &Inputs::visg, "Pa s", "gas dynamic viscosity", 1.8e-5},
    {"rough", &Inputs::rough, "m", "absolute wall roughness", 1.5e-6},
    {"sigma", &Inputs::sigma, "N/m", "surface tension", 0.072},
    {"diam", &Inputs::diam, "m", "pipe inner diameter", 0.05},
    {"angle", &Inputs::angle, "deg", "inclination from horizontal, positive upward", 0.0},
    {"pres", &Inputs::pres, "Pa", "pressure", 101300.0},
}};

Inputs default_inputs() {
    Inputs in;
    for (const InputField& f : kInputFields) in.*f.member = f.default_value;
    return in;
}

const InputField* find_input(const std::string& name) {
    for (const InputField& f : kInputFields) {
        if (name == f.name) return &f;
    }
    return nullptr;
}

namespace {

// Length of the message in a blank-padded, NUL-terminated buffer without its
// trailing blanks. The model pads every message to the buffer's end, so the
// blanks are skipped eight at a time.
std::size_t message_length(const char* msg, std::size_t size) {
    const void* nul = std::memchr(msg, '\0', size);
    std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - msg) : size;
    const std::uint64_t blanks = 0x2020202020202020u;
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, msg + n - 8, 8);
        if (w != blanks) break;
        n -= 8;
    }
    while (n > 0 && msg[n - 1] == ' ') --n;
    return n;
}

}  // namespace

Result evaluate(const Inputs& in) {
    char msg[PIPEFLOW_MSG_SIZE + 1];
    int id = 0, iter = 0, ierr = 0;
    Result out;
    pipeflow(&out.version, in.usl, in.usg, in.rol, in.rog, in.visl, in.visg, in.rough, in.sigma,
             in.diam, in.angle, in.pres, &out.dpt, &out.holdup, &id, &iter, &ierr, msg,
             static_cast<int>(sizeof msg), &out.dpf, &out.dpg, &out.dpa);
    out.regime = static_cast<Regime>(id);
    out.iterations = iter;
    out.status = static_cast<Status>(ierr);
    out.message.assign(msg, message_length(msg, sizeof msg));
    return out;
}

void evaluate_many(const Inputs* in, Result* out, std::size_t n, unsigned jobs) {
    parallel_for(n, jobs, 16, [in, out](std::size_t b, std::size_t e) {
        for (std::size_t k = b; k < e; ++k) out[k] = evaluate(in[k]);
    });
}

std::vector<Result> evaluate_many(const std::vector<Inputs>& in, unsigned jobs) {
    std::vector<Result> out(in.size());
    evaluate_many(in.data(), out.data(), in.size(), jobs);
    return out;
}

const char* regime_name(Regime r) {
    switch (r) {
        case Regime::StratifiedSmooth: return "stratified smooth";
        case Regime::StratifiedWavy: return "stratified wavy";
        case Regime::Annular: return "annular";
        case Regime::Slug: return "slug";
        case Regime::DispersedBubble: return "dispersed bubble";
    }
    return "unknown";
}

const char* status_name(Status s) {
    switch (s) {
        case Status::Ok: return "ok";
        case Status::InputCorrected: return "input corrected";
        case Status::ImproperInput: return "improper input";
        case Status::NoRegime: return "no regime";
    }
    return "unknown";
}

}  // namespace flowmodel
