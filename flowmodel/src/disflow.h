// Distributed-flow (slug-unit) solution: slug and dispersed-bubble flow, with
// its five small relations.
#ifndef FLOWMODEL_DISFLOW_H
#define FLOWMODEL_DISFLOW_H

namespace flowmodel {

// Distribution coefficient c0 and drift velocity u0 (m/s) of the elongated bubble.
void drifpa(double& c0, double& u0);

// Rise velocity (m/s) of dispersed bubbles in a slug of gas fraction als.
double bubris(double als);

// The part of bubris that depends on the record alone, m/s; then
// bubris(als) == bubris(als, bubrisk()).
double bubrisk();
double bubris(double als, double k);

// Liquid velocity (m/s) in the liquid slug.
double slugvl(double als, double ubs, double cs);

// Gas fraction of the elongated-bubble part; icap = 1 when capped at 0.95.
double filvoi(double als, double vls, double ut, double vlf, double alfold, double& icap);

// Slug fraction of the unit; exactly 1.0 above 0.9999.
double slufra(double als, double vgs, double ut, double alf, double usg);

// Solves the slug-unit model from the inputs in `flowcom`. Outputs: mean gas
// fraction alfg, total gradient dpt (Pa/m), mean gas velocity vg (m/s; 1e6
// when |dpt| >= 1e6), regime id (3 slug, 4 dispersed bubble, 0 no liquid
// slug), and dpf, dpg, dpa (Pa/m; dpa always 0).
void disflow(double& alfg, double& dpt, double& vg, int& id, double& dpf, double& dpg,
             double& dpa);

}  // namespace flowmodel

#endif
