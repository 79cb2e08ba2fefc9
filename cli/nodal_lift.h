// `pipeflow nodal --lift-gas-rates`: the lift-gas performance curve.
#ifndef PIPEFLOW_CLI_NODAL_LIFT_H
#define PIPEFLOW_CLI_NODAL_LIFT_H

#include "flowmodel/well_request.hpp"
#include "verb.h"

namespace pipeflow_cli {

// The operating point at each lift-gas rate, the maximum and the economic
// optimum, in the run's format. Exit 3 where the well flows at none of them.
int run_lift_curve(const flowmodel::wells::NodalSetup& setup, const std::string& profile, const VerbRun& run);

}  // namespace pipeflow_cli

#endif
