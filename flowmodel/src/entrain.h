// Droplet entrainment and liquid-layer velocity of the separated-flow balance.
#ifndef FLOWMODEL_ENTRAIN_H
#define FLOWMODEL_ENTRAIN_H

namespace flowmodel {

// Droplet volume fraction carried in the gas core, in [0, alfl], relaxed
// against the previous iteration (alflp, alfdp) from the second evaluation on.
double entrain(double vg, double vfe, double hl, double alfg, double kd, double alfl,
               double alflp, double alfdp, double vd, int iter);

// Liquid-layer velocity (m/s) that zeroes the combined layer/core momentum
// balance: the fitting root of a quadratic, 0 when no root qualifies.
double filmvel(double ci, double cl, double fcon, double gam, double vg);

}  // namespace flowmodel

#endif
