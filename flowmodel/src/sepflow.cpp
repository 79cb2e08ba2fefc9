// Separated-flow (two-fluid) solution: a one-dimensional search on the gas
// fraction that zeroes the combined momentum balance of the liquid layer and
// the gas-droplet core, for stratified (smooth, wavy) and annular flow.
#include "sepflow.h"

#include <cmath>

#include "correlations.h"
#include "pipeflow.h"
#include "entrain.h"
#include "numeric.h"
#include "record.h"

namespace flowmodel {

void sepflow(double& alfg, double& dpt, double& alff, double& alfl, double& hl, int& iter,
             int& ids, double& vg, double& delta, double& dpf, double& dpg, double& dpa) {
    const FlowRecord& r = flowcom;

    alfg = 0.0;
    dpt = 0.0;
    alff = 0.0;
    hl = 0.0;
    vg = 0.0;
    delta = 0.0;
    iter = 0;
    ids = 0;
    alfl = 0.0;

    // Search state carried between evaluations.
    double step = 0.0;   // change of alfg for the next evaluation
    double res = 0.0;    // residual of the combined balance (N/m3)
    double resp = 0.0;   // residual of the previous evaluation
    double vfe = 0.0;    // relaxed layer-velocity estimate (m/s)
    double vfep = 0.0;   // previous relaxed estimate (m/s)
    double vfp = 0.0;    // layer velocity of the previous evaluation (m/s)
    double dvf = 0.0;    // last change of the layer velocity (m/s)
    double alfd = 0.0;   // droplet volume fraction
    int nrest = 0;       // restarts taken
    int ngrow = 0;       // growths of a positive residual since the last sign change
    int ngrow2 = 0;      // growths of the residual magnitude
    int isgn = 0;        // 1 once the residual has changed sign
    const double tol = dmax(0.001 * powi(r.usg + r.usl, 2), 0.01);
    alfg = 1.0;
    // Terms that depend on the record alone, computed once for all evaluations.
    const CorrTerms ct = corrterms();
    // Deposition coefficient (m/s).
    const double kd = 0.15 * powi(r.c90, 2) * std::pow(1.0 / r.rog, 0.5) +
                      0.5 * (0.2 * powi(r.s90, 2) / kPi);
    const EntrainTerms et = entrainterms(kd);
    const double gk = 4.0 * r.rol * kd;  // deposition-rate factor, kg/(m2 s)

    // Values of the last evaluation that the results need.
    double vf = 0.0;    // layer velocity (m/s)
    double sfl = 0.0;   // wetted-wall fraction of the circumference
    double sfg = 0.0;   // gas-wall fraction
    double fl = 0.0;    // layer-wall friction factor
    double fg = 0.0;    // gas-wall friction factor
    double ek = 0.0;    // acceleration factor
    double hw = 0.0;    // floored wave amplitude (m)
    double hwv = 0.0;   // wave amplitude (m)
    double heff = 0.0;  // effective wetted height (m)

    for (;;) {
        ++iter;
        alfg = dmax(alfg + step, 1e-9);
        const double alflp = alfl;
        alfl = 1.0 - alfg;
        vg = r.usg / alfg;
        // Droplets lag the gas by 0.2 m/s times the sine of the upward inclination.
        const double vd = vg + 0.2 * r.c90;
        // hl and vfe are still those of the previous evaluation here.
        const double alfdp = alfd;
        alfd = entrain(vg, vfe, hl, alfg, et, alfl, alflp, alfdp, vd, iter);
        // Deposition rate (kg/(m3 s)).
        const double gam = dmax(gk * alfd / (r.diam * alfg), 0.0);
        alff = dmax(1.0 - alfg - alfd, 1e-6);
        // Superficial velocity of the layer: the liquid not carried as droplets.
        const double usf = r.usl - dmax(vd * alfd, 0.0);
        vf = usf / alff;
        if (std::fabs(vf) > 1e6) vf = dsign(1e6, vf);
        double vr = vg - vf;
        if (std::fabs(vr) > 1e6) vr = dsign(1e6, vr);

        // Layer geometry: wetted half-angle (rad) and flat height (m).
        delta = wetang(alfg + alfd, alff);
        hl = 0.5 * r.diam * (1.0 - std::cos(delta));
        // Waves wet the wall above the layer; the floor grows to 1 m in a vertical pipe.
        hwv = wavamp(vg - vfe, ct);
        hw = dmax(r.rs90 * 1e-6, hwv);
        heff = dmin(hl + hw, r.diam);
        sfl = dmin(dmax(std::acos(1.0 - 2.0 * heff / r.diam) / kPi, 1e-9), 1.0);
        sfg = 1.0 - sfl;
        // Interface width: chord of the layer plus the wall strip wetted above
        // it; the perimeter of a concentric core once the whole wall is wet.
        const double core = std::pow(alfg + alfd, 0.5);  // perimeter fraction of a round core
        // (The chord is not computed when the wall is wet all round.)
        double sfi = sfl > 0.9999 ? core : dmin(std::sin(delta) / kPi + (sfl - delta / kPi), core);
        sfi = dmax(sfi, 1e-9);

        const double dhl = hyddia(r.diam, alff, sfl);
        const double dhg = hyddia(r.diam, alfg + alfd, sfg + sfi);
        fl = fricfa(dhl, vf, r.rol, r.visl, r.rough);
        fg = fricfa(dhg, vg, r.rog, r.visg, r.rough);
        double fi = fricfa(dhg, vr, r.rog, r.visg, 0.0);
        fi = dmax(fi, dmin(fricho(alff, ct), fricwa(hw, dhg)));
        if (fi < fg) fi = fg;

        ek = (r.rog * alfg + r.rol * alfd) * alfg * powi(vg, 2) / r.pres;
        if (ek > 0.9999) {
            // Critical flow: the accelerational factor makes the gradient unbounded.
            alfg = r.usg / (r.usg + r.usl);
            dpt = PIPEFLOW_CRITICAL_DPT;
            dpf = 0.0;
            dpg = 0.0;
            dpa = dpt - dpg - dpf;
            alff = 0.0;
            hl = 0.0;
            iter = PIPEFLOW_ITER_INVALID;
            ids = PIPEFLOW_ANNULAR;
            vg = r.usg / alfg;
            delta = 6.28;
            return;
        }

        // Force terms per unit pipe volume (N/m3).
        const double ci = (1.0 - ek) * r.rog * fi * sfi * 0.5 / r.diam;
        const double cl = (alfg + alfd - ek) * r.rol * fl * sfl * 0.5 / r.diam;
        const double fint = ci * std::fabs(vr) * vr;
        const double fwl = -cl * std::fabs(vf) * vf;
        const double fwg = alff * std::fabs(vg) * r.rog * vg * sfg * fg * 0.5 / r.diam;
        const double fgrav = ((r.rol - r.rog) * alff * alfg - r.rol * alff * ek) * r.c90 * kGrav;
        const double fdep = (1.0 - ek) * gam * (vd - vf);
        resp = res;
        res = fdep + fgrav + fwg + fint + fwl;
        if (std::fabs(res) > 1e16) res = dsign(1e16, res);

        // Relaxed estimate of the layer velocity for the next evaluation.
        vfe = filmvel(ci, cl, gam * vd + fgrav + fwg, gam, vg);
        if (iter > 1) vfe = (vfep + vfe) / 2.0;
        vfep = vfe;
        if (std::fabs(dvf) < 1e-4) vfe = vf;

        if (iter == 1) {
            step = -0.5 * (1.0 - r.usg / (r.usg + r.usl));
            if (std::fabs(step) > 0.05) step = -0.05;
        }

        if (iseq(usf, 0.0)) {
            // The layer carries no liquid: gas alone on the whole wall.
            sfg = 1.0;
            alff = 0.0;
            alfd = 0.0;
            break;
        }
        if (iter >= PIPEFLOW_ITER_INVALID) break;
        if (res > 0.0 && iter == 1 && nrest < 2) {
            // Restart from alfg = 1 with a tenth of the first step.
            ++nrest;
            ngrow2 = 2;
            step = 0.1 * step;
            alfg = 1.0;
            hl = 0.0;
            res = 0.0;
            dvf = 0.0;
            vfp = 0.0;
            alfl = 0.0;
            alfd = 0.0;
            vfe = 0.0;
            vfep = 0.0;
            iter = 0;
            continue;
        }

        // Step update.
        if (res * resp < 0.0) {
            isgn = 1;
            ngrow = 0;
        }
        if (std::fabs(res) > std::fabs(resp) && res > 0.0) ++ngrow;
        if (iter > 1 && std::fabs(res) > std::fabs(resp)) ++ngrow2;
        if (iter > 10 && isgn == 0) step = -0.01;
        if (ngrow2 == 1 && isgn == 0) step = -0.05;
        if (ngrow > 5) step = -0.5 * step;
        // Secant step onto the zero of the line through the last two points.
        if (res * resp < 0.0) step = -step * res / (res - resp);
        if (iter == 60 && std::fabs(step) < 0.05 * alfl) step = dsign(0.05 * alfl, step);
        if (iter >= 61 && std::fabs(res) > std::fabs(resp) && res * resp > 0.0 && isgn > 0) {
            step = -step;
        }
        // Keep the next alfg inside (0, 1).
        if (step >= 1.0 - alfg) {
            step = 0.5 * (1.0 - alfg);
        } else if (step <= -alfg) {
            step = -0.5 * alfg;
        }
        dvf = std::fabs(vf - vfp);
        vfp = vf;
        if (ngrow > 5) ngrow = 0;
        if (dvf < 0.001 && std::fabs(res) < tol) break;
    }

    // Gradients (Pa/m) from the last evaluation.
    double wl;  // layer-wall friction
    double gr;  // gravity
    if (alff > 1e-6) {
        wl = std::fabs(vf) * r.rol * fl * vf * sfl * 0.5 / r.diam;
        gr = -kGrav * r.c90 * (r.rog * alfg + r.rol * alff + r.rol * alfd);
    } else {
        wl = 0.0;
        gr = -kGrav * r.c90 * r.rog;
    }
    const double wg = std::fabs(vg) * r.rog * vg * sfg * fg * 0.5 / r.diam;  // gas-wall friction
    dpt = (wg + gr + wl) / (1.0 - ek);
    dpf = wg + wl;
    dpg = gr;
    dpa = dpt - wl - wg - gr;
    if (iseq(heff, r.diam)) {
        ids = PIPEFLOW_ANNULAR;
    } else if (iseq(hw, hwv)) {
        ids = PIPEFLOW_STRATIFIED_WAVY;
    } else {
        ids = PIPEFLOW_STRATIFIED_SMOOTH;
    }
}

}  // namespace flowmodel
