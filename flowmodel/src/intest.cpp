// Input test and inclination terms.
#include "intest.h"

#include <cmath>
#include <cstdio>

#include "pipeflow.h"
#include "record.h"

namespace flowmodel {

namespace {

// One value as %12.5g. NaN and the infinities are spelt here ("nan",
// "-nan", "inf", "-inf", right-aligned) because C runtimes differ on them
// (the Windows one writes 1.#QNAN); finite values are the printf family's.
void field(char (&out)[32], double v) {
    if (std::isnan(v)) {
        std::snprintf(out, sizeof out, "%12s", std::signbit(v) ? "-nan" : "nan");
    } else if (std::isinf(v)) {
        std::snprintf(out, sizeof out, "%12s", v < 0 ? "-inf" : "inf");
    } else {
        std::snprintf(out, sizeof out, "%12.5g", v);
    }
}

}  // namespace

void improper_input_message(char* msg, int lmsg) {
    if (msg == nullptr || lmsg < 1) return;
    const FlowRecord& r = flowcom;
    // 159 characters and a NUL; bounded by the buffer so a short one is cut,
    // never overrun. rog before rol and diam before pres, as users know it.
    char f[10][32];
    const double v[10] = {r.usl, r.usg, r.rog, r.rol, r.visl, r.visg, r.rough, r.sigma, r.diam, r.pres};
    for (int k = 0; k < 10; ++k) field(f[k], v[k]);
    std::snprintf(msg, static_cast<size_t>(lmsg), "WARNING! Improper input data: %s %s %s %s %s %s %s %s %s %s",
                  f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]);
}

void intest(int& ierr, char* msg, int lmsg) {
    FlowRecord& r = flowcom;
    // A value passes when it is at least its bound; NaN fails every test.
    const bool ok = r.usl >= 0.0 && r.usg >= 0.0 && r.rog >= 1e-10 && r.rol >= 1e-10 &&
                    r.visl >= 1e-10 && r.visg >= 1e-10 && r.rough >= 0.0 && r.sigma >= 1e-5 &&
                    r.pres >= 100.0 && r.diam >= 0.0;
    if (!ok) {
        improper_input_message(msg, lmsg);
        ierr = PIPEFLOW_IMPROPER_INPUT;
        return;
    }
    // The liquid must be strictly denser than the gas; equal densities too are raised.
    if (r.rog >= r.rol) {
        r.rol = 1.001 * r.rog;
        strfill(msg, "*** Warning: rol is modified by intest routine", lmsg - 1);
        ierr = PIPEFLOW_INPUT_CORRECTED;
    }
}

void setang() {
    FlowRecord& r = flowcom;
    const double x = (r.angle + 90.0) * kPi / 180.0;  // rad
    r.s90 = std::sin(x);
    r.c90 = std::cos(x);
    r.rs90 = std::fabs(r.s90) > 1e-6 ? 1.0 / std::fabs(r.s90) : 1e6;
}

}  // namespace flowmodel
