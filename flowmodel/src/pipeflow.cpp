// The model's entry: input test, critical-flow limit, the two solutions, the
// choice of regime and the results.
#include "pipeflow.h"

#include <cmath>

#include "disflow.h"
#include "entry.h"
#include "intest.h"
#include "record.h"
#include "sepflow.h"

namespace flowmodel {

int selreg(double alfgd, double vgs, double vgd, double /*vcrit*/, int iter, int ids, int idd) {
    if (idd == PIPEFLOW_DISPERSED_BUBBLE && alfgd <= 0.5) return PIPEFLOW_DISPERSED_BUBBLE;  // gas at most half
    if (vgd >= vgs && iter != PIPEFLOW_ITER_INVALID) return ids;  // valid separated solution, not faster gas
    if (idd == PIPEFLOW_SLUG || idd == PIPEFLOW_DISPERSED_BUBBLE) return idd;
    return ids;
}

namespace {

// Inputs that pass the bounds test yet leave no finite answer: no flow at all,
// a zero diameter, or a non-finite value (the angle included).
bool degenerate(const FlowRecord& r) {
    const double v[] = {r.usl, r.usg, r.rol, r.rog, r.visl, r.visg,
                        r.rough, r.sigma, r.diam, r.angle, r.pres};
    for (double x : v) {
        if (!std::isfinite(x)) return true;
    }
    return r.usl + r.usg <= 0.0 || r.diam <= 0.0;
}

// Magnitudes that no pipe flow has, each far beyond any real fluid or pipe,
// and each past the point where the arithmetic leaves the double range:
// a huge liquid velocity overflows its cube in the dispersed-bubble size, a
// huge gas velocity the gas's wall shear (more than sound travels in any gas,
// and no pipe carries it); a viscosity beyond pitch's (1e8 Pa s) with such
// velocities and a micrometre pipe overflows the laminar wall shear; a
// huge density (the liquid density is tested after the input test, so this
// bounds the gas density too) overflows the mixture density there; a
// roughness above the diameter overflows the friction factor's relative
// roughness; a huge surface tension overflows the bubble rise velocity; a
// tiny diameter overflows the wave friction and wall shear, a huge one the
// drift velocity scale sqrt(g diam); and a huge angle overflows its
// conversion to radians, leaving sin and cos undefined.
bool unphysical(const FlowRecord& r) {
    return r.usl > 1e4 || r.usg > 1e4 ||     // m/s
           r.visl > 1e8 || r.visg > 1e8 ||   // Pa s
           r.rol > 1e5 ||                    // kg/m3
           r.rough > r.diam ||               // m
           r.sigma > 1e2 ||                  // N/m
           r.diam < 1e-6 || r.diam > 1e3 ||  // m
           std::fabs(r.angle) > 360.0;       // degrees
}

}  // namespace
}  // namespace flowmodel

extern "C" void pipeflow(double* vers, double usl, double usg, double rol, double rog, double visl,
                         double visg, double rough, double sigma, double diam, double angle,
                         double pres, double* dpt, double* hol, int* id, int* iter, int* ierr,
                         char* msg, int lmsg, double* dpf, double* dpg, double* dpa) {
    using namespace flowmodel;
    FlowRecord& r = flowcom;
    r.usl = usl;
    r.usg = usg;
    r.rol = rol;
    r.rog = rog;
    r.visl = visl;
    r.visg = visg;
    r.rough = rough;
    r.sigma = sigma;
    r.diam = diam;
    r.angle = angle;
    r.pres = pres;

    *dpt = 0.0;
    *hol = 0.0;
    *id = 0;
    *iter = 0;
    *ierr = 0;
    strfill(msg, " ", lmsg - 1);
    *dpf = 0.0;
    *dpg = 0.0;
    *dpa = 0.0;
    *vers = PIPEFLOW_VERSION;

    intest(*ierr, msg, lmsg);
    if (*ierr == PIPEFLOW_IMPROPER_INPUT) return;
    if (degenerate(r) || unphysical(r)) {
        improper_input_message(msg, lmsg);  // replaces a density warning
        *ierr = PIPEFLOW_IMPROPER_INPUT;
        return;
    }
    setang();

    // Homogeneous mixture density (kg/m3), mixture velocity (m/s) and the
    // acceleration group: the gradient (friction + gravity)/(1 - ek) has no
    // finite value as ek reaches 1.
    const double rhom = (r.rog * r.usg + r.rol * r.usl) / (r.usl + r.usg);
    const double um = r.usl + r.usg;
    const double ek = um * r.usg * rhom / r.pres;
    if (ek > 0.9999) {
        *dpt = PIPEFLOW_CRITICAL_DPT;
        *dpg = 0.0;
        *dpf = 0.0;
        *dpa = *dpt - *dpg - *dpf;
        *hol = r.usl / um;
        *id = PIPEFLOW_ANNULAR;
        *iter = 0;
        return;
    }

    // Separated solution.
    double alfgs = 0.0, dpts = 0.0, alff = 0.0, alfl = 0.0, hl = 0.0, vgs = 0.0, delta = 0.0;
    double dpfs = 0.0, dpgs = 0.0, dpas = 0.0;
    int ids = 0;
    // Distributed solution.
    double alfgd = 0.0, dptd = 0.0, vgd = 0.0, dpfd = 0.0, dpgd = 0.0, dpad = 0.0;
    int idd = 0;

    int regime = 0;
    if (r.usg < 1e-6) {
        // Too little gas for a separated solution: only slug or dispersed bubbles.
        disflow(alfgd, dptd, vgd, idd, dpfd, dpgd, dpad);
        if (idd != PIPEFLOW_SLUG && idd != PIPEFLOW_DISPERSED_BUBBLE) {
            strfill(msg, "*** Error. id is undefined (Small usg)", lmsg - 1);
            *ierr = PIPEFLOW_NO_REGIME;
            return;
        }
        regime = idd;
    } else {
        sepflow(alfgs, dpts, alff, alfl, hl, *iter, ids, vgs, delta, dpfs, dpgs, dpas);
        if (alfl <= 1e-6) {
            regime = ids;
        } else {
            disflow(alfgd, dptd, vgd, idd, dpfd, dpgd, dpad);
            regime = selreg(alfgd, vgs, vgd, 0.0, *iter, ids, idd);
        }
    }

    *id = regime;
    if (regime <= PIPEFLOW_ANNULAR) {
        *dpt = dpts;
        *dpg = dpgs;
        *dpf = dpfs;
        *dpa = dpas;
        *hol = 1.0 - alfgs;
    } else {
        *dpt = dptd;
        *dpg = dpgd;
        *dpf = dpfd;
        *dpa = dpad;
        *hol = 1.0 - alfgd;
    }
}
