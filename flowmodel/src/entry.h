// Regime choice between the separated and the distributed solution.
#ifndef FLOWMODEL_ENTRY_H
#define FLOWMODEL_ENTRY_H

namespace flowmodel {

// Chooses the regime: dispersed bubble while its gas fraction is at most 0.5,
// else the valid separated solution unless its gas velocity exceeds the
// distributed one, else the distributed regime when it is 3 or 4. vcrit is
// carried for callers that compute it; the rule does not read it.
int selreg(double alfgd, double vgs, double vgd, double vcrit, int iter, int ids, int idd);

}  // namespace flowmodel

#endif
