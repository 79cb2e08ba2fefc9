// Closure correlations. Decimal exponents are taken with the general power
// function (0.334 and 0.333 are not 1/3); squares use powi.
#include "correlations.h"

#include <cmath>

#include "numeric.h"
#include "record.h"

namespace flowmodel {

double wetang(double ag, double al) {
    double b = 0.5 * (1.0 + std::pow(al, 0.334) - std::pow(ag, 0.334));
    const double c = 0.075 * (1.0 - 2.0 * b);
    if (ag >= 0.5) {
        b = b * (1.0 + c);
    } else {
        b = 1.0 - (1.0 - b) * (1.0 - c);  // mirror image of the branch above
    }
    return kPi * dmin(dmax(0.0, b), 1.0);
}

CorrTerms corrterms() {
    const FlowRecord& r = flowcom;
    CorrTerms t;
    t.wf = r.rs90 / ((r.rol - r.rog) * kGrav);  // m^2 s^2/kg over |cos|
    t.wh = 0.5 * r.rog;
    t.wc = 4.0 * (0.5 * r.sigma * t.wf);
    const double a = 2.6 * std::sqrt(r.rol / r.rog) * powi(r.s90, 2);
    t.fs = 75.0 * powi(r.c90, 2) + a;
    return t;
}

double wavamp(double du) { return wavamp(du, corrterms()); }

double wavamp(double du, const CorrTerms& t) {
    const double b = dmin(t.wh * powi(du, 2) * t.wf, 1e16);  // dynamic head, m
    const double d = powi(b, 2) - t.wc;
    return d > 0.0 ? std::sqrt(d) : 0.0;
}

double hyddia(double d, double fa, double fp) { return dmin(dmax(d * fa / fp, 1e-9), d); }

double fricfa(double dh, double u, double rho, double mu, double k) {
    const double re = dmax(std::fabs(u) * rho * dh / mu, 1e-6);
    const double fl = 64.0 / re;
    const double ft = 0.0055 * (1.0 + std::pow(2e4 * k / dh + 1e6 / re, 0.333));
    return dmax(fl, ft);
}

double fricho(double hol) { return fricho(hol, corrterms()); }

double fricho(double hol, const CorrTerms& t) { return 0.02 * (1.0 + dmin(hol, 0.5) * t.fs); }

double fricwa(double amp, double dh) { return 0.01 * std::pow(1e4 * amp / dh, 0.314); }

}  // namespace flowmodel
