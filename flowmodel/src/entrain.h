// Droplet entrainment and liquid-layer velocity of the separated-flow balance.
#ifndef FLOWMODEL_ENTRAIN_H
#define FLOWMODEL_ENTRAIN_H

namespace flowmodel {

// Droplet volume fraction carried in the gas core, in [0, alfl], relaxed
// against the previous iteration (alflp, alfdp) from the second evaluation on.
double entrain(double vg, double vfe, double hl, double alfg, double kd, double alfl,
               double alflp, double alfdp, double vd, int iter);

// The parts of entrain that depend on the record and the deposition
// coefficient kd (m/s) alone; the separated solution computes them once.
struct EntrainTerms {
    double hden;  // 19.62 (rol - rog), kg/(m2 s2)
    double c2;    // c90^2
    double s2;    // s90^2
    double cen;   // 7e-6 rog, kg/m3
    double ced;   // (sigma + 0.001) rol kd, kg/s3
    double m;     // layer-velocity threshold, m/s
    double wq;    // 0.25 diam rol, kg/m2
    double wu;    // wq usl - 0.046, kg/(m s)
};
EntrainTerms entrainterms(double kd);

// entrain with the terms given; the same result bit for bit.
double entrain(double vg, double vfe, double hl, double alfg, const EntrainTerms& t, double alfl,
               double alflp, double alfdp, double vd, int iter);

// Liquid-layer velocity (m/s) that zeroes the combined layer/core momentum
// balance: the fitting root of a quadratic, 0 when no root qualifies.
double filmvel(double ci, double cl, double fcon, double gam, double vg);

}  // namespace flowmodel

#endif
