// The built-in cases: the default inputs of `pipeflow eval` and the set of
// engineering cases that `pipeflow` runs without arguments.
#ifndef PIPEFLOW_CLI_CASES_H
#define PIPEFLOW_CLI_CASES_H

#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

struct NamedCase {
    const char* fluid;  // "air-water" or "oil-gas"
    flowmodel::Inputs in;
};

// Air-water at 1 atm and 20 C in a horizontal 5 cm smooth pipe.
flowmodel::Inputs default_inputs();

// About a dozen cases that together show every regime.
const std::vector<NamedCase>& default_cases();

}  // namespace pipeflow_cli

#endif
