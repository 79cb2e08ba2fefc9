// A traverse as a user states it: named numeric options (the command's
// option names without the dashes: length, angle, diam, rough, liquid-rate,
// gas-rate, rol, visl, sigma, gas-molar-mass, z, visg, temp, temp-in,
// temp-out, inlet-pres, outlet-pres, tol, max-pres), a profile file, a fluid
// table file and the flow direction; checked and turned into what the march
// takes. Shared by the command and the Python package.
#ifndef FLOWMODEL_TRAVERSE_SPEC_HPP
#define FLOWMODEL_TRAVERSE_SPEC_HPP

#include <map>
#include <memory>
#include <string>

#include "flowmodel/traverse.hpp"

namespace flowmodel {

struct TraverseSpec {
    std::map<std::string, double> values;  // SI units
    std::string profile;                   // CSV file, or "" for a straight line
    std::string fluid_table;               // CSV file, or "" for constant liquid and real gas
    bool flow_decreasing = false;
};

struct TraverseSetup {
    Line line;
    std::unique_ptr<Fluid> fluid;
    TraverseOptions options;
};

// Throws std::invalid_argument saying what is wrong with the options, and
// std::runtime_error for a profile or table that cannot be read.
TraverseSetup setup_traverse(const TraverseSpec& spec);

}  // namespace flowmodel

#endif
