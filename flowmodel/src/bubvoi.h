// Gas void fraction carried as dispersed bubbles by the liquid.
#ifndef FLOWMODEL_BUBVOI_H
#define FLOWMODEL_BUBVOI_H

namespace flowmodel {

// Dispersed-bubble gas fraction for the bubbles' drift velocity udb (m/s,
// positive along the flow), capped below amax; reads `flowcom`.
double bubvoi(double udb, double amax);

// The dispersible gas fraction that bubvoi bounds by the drift-flux fraction:
// it depends on the record alone, not on udb, so a caller that varies only udb
// computes it once. bubvoi(udb, amax) == bubvoi(udb, amax, bubdis()).
double bubdis();
double bubvoi(double udb, double amax, double s);

}  // namespace flowmodel

#endif
