// Gas void fraction carried as dispersed bubbles by the liquid.
#ifndef FLOWMODEL_BUBVOI_H
#define FLOWMODEL_BUBVOI_H

namespace flowmodel {

// Dispersed-bubble gas fraction for the bubbles' drift velocity udb (m/s,
// positive along the flow), capped below amax; reads `flowcom`.
double bubvoi(double udb, double amax);

}  // namespace flowmodel

#endif
