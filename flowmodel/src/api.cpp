// The typed C++ API: a thin wrapper over `pipeflow`.
#include "flowmodel/flowmodel.hpp"

#include "pipeflow.h"

namespace flowmodel {

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
    std::string::size_type n = 0;
    while (n < sizeof msg && msg[n] != '\0') ++n;
    while (n > 0 && msg[n - 1] == ' ') --n;
    out.message.assign(msg, n);
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
