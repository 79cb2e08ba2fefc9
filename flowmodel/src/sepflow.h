// Separated-flow (two-fluid) solution: stratified and annular flow.
#ifndef FLOWMODEL_SEPFLOW_H
#define FLOWMODEL_SEPFLOW_H

namespace flowmodel {

// Solves for the gas volume fraction from the inputs in `flowcom`.
// Outputs: gas fraction alfg, total gradient dpt (Pa/m), layer fraction alff,
// liquid fraction alfl, layer height hl (m), evaluations iter (99: critical
// exit or iteration limit), regime ids (0 smooth, 1 wavy, 2 annular), gas
// velocity vg (m/s), wetted half-angle delta (rad), and the frictional,
// gravitational and accelerational parts dpf, dpg, dpa (Pa/m).
void sepflow(double& alfg, double& dpt, double& alff, double& alfl, double& hl, int& iter,
             int& ids, double& vg, double& delta, double& dpf, double& dpg, double& dpa);

}  // namespace flowmodel

#endif
