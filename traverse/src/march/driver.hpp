// The march of one line from its given end, for the legs to compose.
#ifndef FLOWMODEL_MARCH_DRIVER_HPP
#define FLOWMODEL_MARCH_DRIVER_HPP

#include "flowmodel/traverse.hpp"

namespace flowmodel::march {

// One march from the given end with the method, its factors and (where the
// temperature is marched) the energy balance; the result's summary over it.
TraverseResult march_once(const Line& line, const Fluid& fluid, const TraverseOptions& opt);

}  // namespace flowmodel::march

#endif
