// The built-in engineering cases that `pipeflow` runs without arguments (the
// default case of `pipeflow eval` is the library's, flowmodel::default_inputs).
#ifndef PIPEFLOW_CLI_CASES_H
#define PIPEFLOW_CLI_CASES_H

#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

struct NamedCase {
    const char* fluid;  // "air-water" or "oil-gas"
    flowmodel::Inputs in;
};

// About a dozen cases that together show every regime.
const std::vector<NamedCase>& default_cases();

}  // namespace pipeflow_cli

#endif
