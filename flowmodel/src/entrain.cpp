// Droplet entrainment (volume fraction of liquid carried in the gas core) and
// the liquid-layer velocity that zeroes the separated-flow momentum balance.
#include "entrain.h"

#include <cmath>

#include "numeric.h"
#include "record.h"

namespace flowmodel {

EntrainTerms entrainterms(double kd) {
    const FlowRecord& r = flowcom;
    EntrainTerms t;
    t.hden = 19.62 * (r.rol - r.rog);  // 19.62 = 2 g
    t.c2 = powi(r.c90, 2);
    t.s2 = powi(r.s90, 2);
    t.cen = 7e-6 * r.rog;
    t.ced = (r.sigma + 0.001) * r.rol * kd;
    // Layer-velocity threshold (m/s): 1 in a rising pipe, else sin^2 of the inclination.
    t.m = r.angle > 0.0 ? 1.0 : t.c2;
    t.wq = 0.25 * r.diam * r.rol;
    t.wu = t.wq * r.usl - 0.046;
    return t;
}

double entrain(double vg, double vfe, double hl, double alfg, double kd, double alfl,
               double alflp, double alfdp, double vd, int iter) {
    return entrain(vg, vfe, hl, alfg, entrainterms(kd), alfl, alflp, alfdp, vd, iter);
}

double entrain(double vg, double vfe, double hl, double alfg, const EntrainTerms& t, double alfl,
               double alflp, double alfdp, double vd, int iter) {
    const FlowRecord& r = flowcom;
    // Dynamic head of the gas relative to the layer (m), at most the free height
    // above the layer.
    const double hk = dmin(r.rog * powi(vg - vfe, 2) / t.hden, r.diam - hl);
    // Entrainment intensity: inclination part plus the dynamic-head part.
    double e = t.c2 + t.s2 * hk * 0.5 / r.diam;
    if (vfe < 0.0) {
        e = e * powi(vg - 2.0 * vfe, 2);
    } else {
        e = e * powi(vg, 2);
    }
    // Entrainment over deposition (deposition coefficient kd in m/s).
    const double ce = t.cen * alfg / t.ced;
    // w times a fraction or a superficial velocity is a liquid mass flow per
    // unit of circumference, kg/(m s); below 0.046 nothing is torn off.
    double q;
    if (vfe <= t.m) {
        const double w = t.wq * dmax(t.m, std::fabs(vfe));
        const double den = w * ce * e + 1.0;
        q = den == 0.0 ? 0.0 : (w * alfl - 0.046) * ce * e / den;
    } else {
        const double w = t.wq;
        const double den = w * ce * e * vd + 1.0;
        q = den == 0.0 ? 0.0 : t.wu * ce * e / den;
    }
    q = dmax(q, 0.0);
    // Relaxation against the previous evaluation; frozen late in the search.
    if (iter > 60) {
        q = alfdp;
    } else if (iter > 1 && alflp > 1e-6) {
        q = 0.5 * (alfdp * alfl / alflp + q);
    } else if (iter > 1) {
        q = 0.5 * (alfdp + q);
    }
    return dmin(dmax(q, 0.0), alfl);
}

namespace {

// Which side of 0 and of the gas velocity vg the layer velocity v lies on.
enum class Side { forward, backward, faster };

bool fits(Side side, double v, double vg) {
    switch (side) {
        case Side::forward: return v > 0.0 && v < vg;
        case Side::backward: return v < 0.0;
        case Side::faster: return v > vg;
    }
    return false;
}

// One sign case of the layer balance a v^2 - b v + c = 0; replaces v when the
// case has a fitting root.
void fitroot(Side side, double a, double b, double c, double vg, double& v) {
    const double disc = powi(b, 2) - 4.0 * a * c;
    if (!(disc > 0.0)) return;
    double cand;
    if (std::fabs(a) > 1e-6) {
        const double sq = std::sqrt(disc);
        const double r1 = (b + sq) * 0.5 / a;
        const double r2 = (b - sq) * 0.5 / a;
        if (fits(side, r2, vg)) {
            cand = r2;
        } else if (fits(side, r1, vg)) {
            cand = r1;
        } else {
            return;
        }
    } else {
        // Practically linear; no root when b is zero as well.
        if (b == 0.0) return;
        cand = c / b;
    }
    if (fits(side, cand, vg)) v = cand;
}

}  // namespace

double filmvel(double ci, double cl, double fcon, double gam, double vg) {
    double v = 0.0;  // m/s; stays 0 when no case has a fitting root
    // Later cases replace earlier ones: forward, then backward, then faster than the gas.
    fitroot(Side::forward, ci - cl, 2.0 * ci * vg + gam, ci * powi(vg, 2) + fcon, vg, v);
    fitroot(Side::backward, ci + cl, 2.0 * ci * vg + gam, ci * powi(vg, 2) + fcon, vg, v);
    fitroot(Side::faster, -ci - cl, gam - 2.0 * ci * vg, fcon - ci * powi(vg, 2), vg, v);
    return v;
}

}  // namespace flowmodel
