// Liquid loading of a gas well: the smallest gas velocity that still carries
// the liquid's largest drops up the tubing, and where along a traverse the
// gas flows slower than that.
//
// Turner, R.G., Hubbard, M.G. and Dukler, A.E. (1969): "Analysis and
// Prediction of Minimum Flow Rate for the Continuous Removal of Liquids from
// Gas Wells", JPT 21(11), 1475-1482 (SPE 2198). The largest drop the gas
// stream sustains has the critical Weber number 30, We = v^2 rho_g d / sigma;
// it falls at its terminal velocity, weight against drag with a drag
// coefficient of 0.44. The gas velocity that holds it,
//     v_c = [ 4 We g sigma (rho_l - rho_g) / (3 Cd rho_g^2) ]^(1/4),
// is 1.593 sigma^(1/4) (rho_l - rho_g)^(1/4) / rho_g^(1/2) in ft/s with
// sigma in dyn/cm and densities in lbm/ft3. Turner et al. raised it by 20 %
// to fit their field data (1.912); Coleman, S.B., Clay, H.B., McCurdy, D.G.
// and Norris III, H.L. (1991): "A New Look at Predicting Gas-Well Load-Up",
// JPT 43(3), 329-333 (SPE 20280), found the unadjusted velocity to fit wells
// whose wellhead pressure is below about 500 psia.
// Range: vertical and near-vertical wells whose gas carries the liquid as
// drops (high gas-liquid ratios); the model does not hold in deviated wells,
// where the liquid runs down the low side as a film.
#ifndef FLOWMODEL_LOADING_HPP
#define FLOWMODEL_LOADING_HPP

#include <vector>

#include "flowmodel/traverse.hpp"

namespace flowmodel {

// "turner", "coleman"; "" for None.
const char* loading_criterion_name(LoadingCriterion c);

// The critical gas velocity, m/s, of a liquid of density rho_l (kg/m3) and
// surface tension sigma (N/m) in gas of density rho_g (kg/m3), under gravity
// standard gravity. 0 where the liquid is not heavier than the gas or has no tension.
double critical_gas_velocity(LoadingCriterion c, double rho_l, double rho_g, double sigma);

// The gas rate at standard conditions (m3/s) that flows at the critical
// velocity at a point: v_c A rho_g / rho_gas_sc, the free gas there having
// the standard density rho_gas_sc (kg/m3). 0 where the point carries no
// liquid (a dry gas loads up with nothing); NaN where it has no gas.
double critical_gas_rate(LoadingCriterion c, const TraversePoint& p, double rho_gas_sc);

// Along the points of a traverse of a well flowing up (the inlet at the
// bottom, the outlet at the wellhead): the critical gas rate at each end and
// the md ranges where the gas velocity is below the critical one (located
// linearly between the points), written into the summary.
void assess_loading(LoadingCriterion c, const std::vector<TraversePoint>& points, double rho_gas_sc,
                    TraverseSummary& summary);

}  // namespace flowmodel

#endif
