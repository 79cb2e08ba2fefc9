// Distributed-flow (slug-unit) solution. A unit moving at ut holds a liquid
// slug (fraction fslug, gas fraction als) and an elongated bubble over a film
// (gas fraction alf, film velocity vlf). The film velocity is iterated until
// the combined film/gas momentum balance of the bubble zone vanishes; the
// liquid and gas balances in the frame moving with ut tie alf, vgf and
// fslug to it.
#include "disflow.h"

#include <cmath>

#include "bubvoi.h"
#include "correlations.h"
#include "disflow_detail.h"
#include "numeric.h"
#include "pipeflow.h"
#include "record.h"

namespace flowmodel {

namespace detail {
thread_local DisflowTrace disflow_trace = {0, 0.0, 0.0, 0};
}  // namespace detail

void drifpa(double& c0, double& u0) {
    const FlowRecord& r = flowcom;
    const double sq = std::sqrt((r.rol - r.rog) * r.diam * kGrav / r.rol);  // velocity scale, m/s
    const double um = r.usg + r.usl;
    // Inclined-pipe pair and vertical-pipe pair; the one giving the faster
    // bubble nose at um is taken (a tie goes to the second).
    const double c0a = 1.05 + 0.15 * powi(r.c90, 2);
    const double u0a = (0.542 * r.s90 - 0.35 * r.c90) * sq;
    const double c0b = 1.2;
    const double u0b = dsign(-0.35 * r.c90 * sq, u0a);
    if (um * 1.2 + u0b < um * c0a + u0a) {
        c0 = c0a;
        u0 = u0a;
    } else {
        c0 = c0b;
        u0 = u0b;
    }
    // Drift against the mixture flow.
    if (um * u0b < 0.0) c0 = 0.9;
}

double bubrisk() {
    const FlowRecord& r = flowcom;
    return 1.18 * std::pow((1.0 - r.rog / r.rol) * r.sigma * kGrav / r.rol, 0.25);
}

double bubris(double als) { return bubris(als, bubrisk()); }

double bubris(double als, double k) { return k * std::sqrt(1.0 - als); }

double slugvl(double als, double ubs, double cs) {
    const double um = flowcom.usg + flowcom.usl;
    return (um - cs * ubs * als) / (1.0 + als * (cs - 1.0));
}

double filvoi(double als, double vls, double ut, double vlf, double alfold, double& icap) {
    // Liquid balance between film and slug in the frame moving with ut.
    double t = 1.0 - (ut - vls) * (1.0 - als) / (ut - vlf);
    t = dmax(t, 0.5 * alfold);
    icap = 0.0;
    if (t > 0.95) {
        t = 0.95;
        icap = 1.0;
    }
    if (t < als) t = als + 1e-5;
    return dmax(t, 1e-9);
}

double slufra(double als, double vgs, double ut, double alf, double usg) {
    // Gas balance: usg = q ut (alf - als) + als vgs, q the bubble-zone fraction.
    const double d = (alf - als) * ut;
    const double q = std::fabs(d) > 1e-9 ? (usg - als * vgs) / d : 0.0;
    const double rs = dmax(1.0 - q, 0.0);
    return rs > 0.9999 ? 1.0 : rs;
}

void disflow(double& alfg, double& dpt, double& vg, int& id, double& dpf, double& dpg,
             double& dpa) {
    const FlowRecord& r = flowcom;
    alfg = 0.0;
    dpt = 0.0;
    vg = 0.0;
    id = 0;

    const double um = r.usg + r.usl;  // mixture velocity, m/s
    // Terms that depend on the record alone, computed once for all passes.
    const CorrTerms ct = corrterms();
    const double sdis = bubdis();  // dispersible gas fraction of the slug
    const double ubk = bubrisk();
    const double sqc = std::sqrt(std::fabs(r.c90));
    double c0 = 0.0;
    double u0 = 0.0;
    drifpa(c0, u0);
    double ut = dmax(c0 * um + u0, 1e-9);  // translational velocity, m/s
    double alf = um / ut;
    // Start from a falling-film velocity: negative in a rising pipe.
    double vlf = dsign(std::sqrt(std::fabs(r.c90 * r.diam * (10.0 * kGrav))), 0.5 * r.c90 + 1e-6);
    double ubs = 0.0;  // dispersed-bubble drift along the pipe, m/s
    double step = 0.01;
    double res = 0.0;
    double dalf = 0.0;
    int ipass = -1;
    detail::disflow_trace.held = 0;

    // Quantities of the last pass, used for the results.
    double als = 0.0, ub = 0.0, vls = 0.0, vgs = 0.0;
    double sl = 0.0, sg = 0.0, fl = 0.0, fg = 0.0, vgf = 0.0;
    for (;;) {
        ++ipass;
        als = bubvoi(ubs, 0.95, sdis);
        ub = bubris(als, ubk);
        ubs = -dsign(sqc * ub, r.c90);
        const double cs = (1.0 - als) / (0.95 - als);  // gas/liquid velocity ratio factor
        vls = slugvl(als, ubs, cs);
        vgs = (vls + ubs) * cs;
        ut = c0 * vls + u0;
        const double vlfold = vlf;
        // Keep the film slower than the bubble nose.
        if (std::fabs(ut - vlf) < 1e-9) vlf = ut - 1e-9;
        if (ut <= vlf) vlf = ut - 1e-6;
        const double alfold = alf;
        double icap = 0.0;
        alf = filvoi(als, vls, ut, vlf, alfold, icap);
        const double hlf = 1.0 - alf;
        vgf = ut - (als / alf) * (ut - vgs);  // gas balance in the moving frame
        const double vr = vgf - vlf;
        // Stratified geometry and closure of the bubble zone.
        const double delta = wetang(alf, hlf);
        const double amp = dmax(r.rs90 * 1e-6, wavamp(vr, ct));
        const double ampd = amp / r.diam;
        sl = dmin(dmax(delta / kPi + ampd, 1e-9), 1.0);
        sg = 1.0 - sl;
        const double si = dmax(dmin(std::sin(delta) / kPi + ampd, std::sqrt(alf)), 1e-9);
        const double dhl = hyddia(r.diam, hlf, sl);
        const double dhg = hyddia(r.diam, alf, sg + si);
        fl = fricfa(dhl, vlf, r.rol, r.visl, r.rough);
        fg = fricfa(dhg, vgf, r.rog, r.visg, r.rough);
        double fi = fricfa(dhg, vr, r.rog, r.visg, 0.0);
        fi = dmax(fi, dmin(fricho(hlf, ct), fricwa(amp, dhg)));
        // Momentum residual (Pa/m), times alf * hlf.
        const double ti = 0.5 * fi * r.rog * std::fabs(vr) * vr * si / r.diam;
        const double tl = -0.5 * fl * r.rol * std::fabs(vlf) * vlf * sl / r.diam * alf;
        const double tg = 0.5 * fg * r.rog * std::fabs(vgf) * vgf * sg / r.diam * hlf;
        const double tgr = (r.rol - r.rog) * r.c90 * alf * hlf * kGrav;
        const double resold = res;
        res = tgr + tg + tl + ti;

        if (iseq(resold, 0.0)) {
            // Half Newton step with friction, perimeters and slug held fixed.
            double dut = ut - vlf;
            if (std::fabs(dut) < 1e-9) dut = dsign(1e-9, dut);
            const double dal = -hlf / dut;                              // d alf / d vlf
            const double dvg = (ut - vgf) * dal / dmax(alf, 1e-9);     // d vgf / d vlf
            const double gw = 0.5 * fg * r.rog * std::fabs(vgf) * sg / r.diam;
            const double lw = -0.5 * fl * r.rol * std::fabs(vlf) * sl / r.diam;
            const double iw = 0.5 * fi * r.rog * std::fabs(vr) * si / r.diam;
            const double jac = gw * (2.0 * dvg * hlf - vgf * dal) + lw * (vlf * dal + 2.0 * alf) +
                               iw * 2.0 * (dvg - 1.0) +
                               (1.0 - 2.0 * alf) * (r.rol - r.rog) * r.c90 * dal * kGrav;
            if (isne(jac, 0.0)) step = -res / jac;
            if (std::fabs(step) > 1e20) step = dsign(1e20, step);
            vlf = vlf + 0.5 * step;
            if (ipass == 0) detail::disflow_trace.first_step = step;
        } else {
            // Secant step on alf, mapped back to vlf by the liquid balance.
            if (std::fabs(res - resold) >= 1e-10) dalf = -(alf - alfold) * res / (res - resold);
            if (std::fabs(dalf) > 0.1) dalf = dsign(0.1, dalf);
            const double hnew = 1.0 - alf - dalf;  // film holdup aimed at
            // A non-positive holdup has no film velocity: keep vlf.
            if (hnew > 0.0) {
                vlf = ut - (ut - vls) * (1.0 - als) / hnew;
            } else {
                ++detail::disflow_trace.held;
            }
        }
        if (icap > 0.0 && ut <= vlf) vlf = ut - 1e-4;
        if (ipass > 10) vlf = (vlfold + vlf) / 2.0;
        if (ipass > 20 || std::fabs(step) < 1e-5 || std::fabs(vlf - vlfold) < 1e-4) break;
    }
    detail::disflow_trace.passes = ipass + 1;
    detail::disflow_trace.als = als;

    const double fslug = slufra(als, vgs, ut, alf, r.usg);
    alfg = (1.0 - fslug) * alf + als * fslug;
    // Liquid slug: friction factor, bubble multiplier and density.
    const double fsl = fricfa(r.diam, vls, r.rol, r.visl, r.rough);
    const double x = std::fabs(vls) * (1.0 - als);
    const double cb = x > 0.01 ? dmin(15.3 / x * ub, 4.2) : dmin(15.3 * ub, 4.2);
    const double rhos = (1.0 - als) * r.rol + r.rog * als;
    // Wall friction (Pa/m) of slug, film and bubble gas, weighted by length.
    const double ps = 0.5 * fsl * rhos * std::fabs(vls) * vls / r.diam * (1.0 + als * cb) * fslug;
    const double pl = 0.5 * fl * r.rol * std::fabs(vlf) * vlf * sl / r.diam * (1.0 - fslug);
    const double pg = 0.5 * fg * r.rog * std::fabs(vgf) * vgf * sg / r.diam * (1.0 - fslug);
    dpg = ((1.0 - alfg) * r.rol + r.rog * alfg) * r.c90 * (-kGrav);
    dpa = 0.0;
    dpt = dpg + dpa + pg + pl + ps;
    dpf = pg + pl + ps;
    vg = std::fabs(dpt) < 1e6 ? r.usg / dmax(alfg, 1e-9) : 1e6;
    id = iseq(fslug, 1.0) ? PIPEFLOW_DISPERSED_BUBBLE : (iseq(fslug, 0.0) ? 0 : PIPEFLOW_SLUG);  // 0: no liquid slug
}

}  // namespace flowmodel
