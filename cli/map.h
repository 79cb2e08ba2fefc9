// The flow-regime map: a grid of superficial gas velocity (x) against
// superficial liquid velocity (y), both on logarithmic axes, evaluated with
// the model for one fluid, pipe and inclination, written as SVG or CSV.
#ifndef PIPEFLOW_CLI_MAP_H
#define PIPEFLOW_CLI_MAP_H

#include <iosfwd>
#include <string>
#include <vector>

#include "flowmodel/batch/regime_map.hpp"
#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

using flowmodel::batch::class_label;
using flowmodel::batch::classify;
using flowmodel::batch::compute_map;
using flowmodel::batch::check_map_options;
using flowmodel::batch::kMapClasses;
using flowmodel::batch::kMaxPoints;
using flowmodel::batch::log_points;
using flowmodel::batch::MapClass;
using flowmodel::batch::MapOptions;
using flowmodel::batch::RegimeMap;

const char* class_colour(MapClass c);  // SVG fill, "#rrggbb"

// One line per cell, rows of rising usl, within a row rising usg:
// usg,usl,id,ierr,regime,hol,dpt (shortest round-trip floats; regime "none" for status 2 and 3).
void write_map_csv(const RegimeMap& map, std::ostream& out);

// The picture: cells coloured by class (runs of equal cells in a row are one
// rectangle), decade ticks and labels, axis titles with units, a title with
// the fluid, pipe and angle, and a legend of the classes.
void write_map_svg(const RegimeMap& map, std::ostream& out);

// The `pipeflow map` command (argv[1] is "map"); returns the exit status.
int map_command(int argc, char** argv);

}  // namespace pipeflow_cli

#endif
