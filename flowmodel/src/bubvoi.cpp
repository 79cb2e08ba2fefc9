// Dispersed-bubble gas fraction: the largest fraction that mixture turbulence
// keeps dispersed (fixed-point iteration on the dispersed gas flux, then
// bounded by inclination and Eotvos number), limited by the drift-flux
// fraction of the whole gas flow and capped below the caller's bound.
#include "bubvoi.h"

#include <cmath>

#include "numeric.h"
#include "record.h"

namespace flowmodel {

double bubdis() {
    const FlowRecord& r = flowcom;
    const double um = r.usg + r.usl;  // mixture velocity, m/s
    // No flow: nothing is carried as dispersed bubbles (the mixture averages
    // below would divide by zero).
    if (um <= 0.0) return 0.0;

    double ugd = 0.01;  // dispersed gas flux estimate, m/s
    double s = 0.0;     // dispersible gas fraction
    bool bounded = true;
    for (int n = 1;; ++n) {
        // Mixture density (kg/m3) and viscosity (Pa s) weighted by the fluxes.
        double rm = (r.rog * ugd + r.rol * (um - ugd)) / um;
        if (std::fabs(rm) < 1e-10) rm = 1e-10;
        double vm = (r.visg * ugd + r.visl * (um - ugd)) / um;
        if (std::fabs(vm) < 1e-10) vm = 1e-10;
        const double re = std::fabs(r.diam * um * rm / vm);
        // Fanning friction factor; laminar up to Re 940.
        double ff;
        if (re <= 940.0) {
            ff = 16.0 / re;
        } else {
            ff = 0.25 / powi(1.14 - 2.0 * std::log10(r.rough / r.diam + 21.25 / std::pow(re, 0.9)),
                             2);
        }
        // Critical bubble diameters (m): surface tension against buoyancy, and
        // wall shear against the transverse part of buoyancy.
        const double dcd = 2.0 * std::pow(0.4 * r.sigma / ((r.rol - r.rog) * kGrav), 0.5);
        const double cs = r.s90 < 1e-10 ? 1e-10 : r.s90;
        const double dcb = 0.375 * r.rol * powi(um, 2) * ff / ((r.rol - r.rog) * cs * kGrav);
        const double dc = dmin(dcd, dcb);
        const double x = dc * std::pow(r.rol / r.sigma, 0.6) *
                         std::pow(2.0 * ff * powi(um, 3) / r.diam, 0.4);
        const double un = (x - 0.725) * um / 5.8;  // new dispersed flux, m/s
        if (std::fabs(un) < 1e-10) {
            s = 0.0;
            break;
        }
        if (std::fabs((ugd - un) / ugd) <= 0.001) {
            s = un / um;
            break;
        }
        if (n == 10) {
            // No convergence: the largest fraction the bounds would allow,
            // used as it stands.
            s = 0.78;
            bounded = false;
            break;
        }
        ugd = un;
    }

    if (bounded) {
        // Rising pipes keep at least a quarter of sin^2 of the inclination.
        const double smin = r.angle >= 0.0 ? 0.25 * powi(r.c90, 2) : 0.0;
        s = dmax(s, smin);
        const double eo = (r.rol - r.rog) * powi(r.diam, 2) * kGrav / r.sigma;  // Eotvos number
        const double m = dmin(dmax(1.24 / std::pow(eo, 0.15), 0.22), 0.5);
        s = dmin(s, 1.0 - m);
    }
    return s;
}

double bubvoi(double udb, double amax) { return bubvoi(udb, amax, bubdis()); }

double bubvoi(double udb, double amax, double s) {
    const FlowRecord& r = flowcom;
    if (r.usg + r.usl <= 0.0) return 0.0;  // no flow, as in bubdis

    // Drift-flux fraction of the whole gas flow: root of smaller magnitude of
    // udb a^2 - rr a + amax usg = 0, or the linear estimate with s.
    const double rr = dmax(r.usg + r.usl + udb, 1e-9);
    double a = (udb * powi(s, 2) + amax * r.usg) / rr;
    if (std::fabs(udb) > 1e-4) {
        const double dd = powi(rr, 2) - 4.0 * amax * r.usg * udb;
        if (dd > 0.0) a = (rr - std::sqrt(dd)) * 0.5 / udb;
    }

    double v = dmax(dmin(s, a), 0.0);
    if (v > amax) v = amax - 1e-9;
    return v;
}

}  // namespace flowmodel
