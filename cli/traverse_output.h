// What the traverse command's outputs share: the units they are written in,
// the standard rates of a black-oil fluid, the summary as JSON and lines,
// the warnings, the picture's title.
#ifndef PIPEFLOW_CLI_TRAVERSE_OUTPUT_H
#define PIPEFLOW_CLI_TRAVERSE_OUTPUT_H

#include <string>
#include <vector>

#include "flowmodel/traverse.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/unit_system.hpp"
#include "json.h"
#include "units.h"

namespace pipeflow_cli {

// What the black-oil fluid carries at standard conditions, for the summary.
struct StandardRates {
    bool known = false;
    double oil = 0, water = 0, gas = 0;  // m3/s at standard conditions
};

// Warnings of a traverse (stretches, then the fluid's and the method's), one line each.
std::vector<std::string> stretch_warnings(const flowmodel::TraverseSummary& m, const OutUnits& u);
// The summary as a JSON object, and as the lines of the table.
Json summary_json(const flowmodel::TraverseSummary& m, const OutUnits& u, const StandardRates& q);
std::string summary_lines(const flowmodel::TraverseSummary& m, const OutUnits& u);
// The rates of a set-up's black-oil fluid, when it has one.
StandardRates standard_rates(const flowmodel::TraverseSetup& setup);
// Whether the line is a well (read downward), and what a picture of it shows.
bool is_well(const flowmodel::Line& line);
std::string picture_title(const flowmodel::TraverseRequest& req, const flowmodel::TraverseSetup& setup,
                          const StandardRates& q, const OutUnits& u);

// The traverse written whole: as the table for people (with its points, or
// the summary alone), CSV of the points, JSON, the summary as one CSV row,
// and the picture.
std::string as_table(const flowmodel::TraverseResult& r, const OutUnits& u, const StandardRates& q, bool points);
std::string points_csv(const flowmodel::TraverseResult& r, const OutUnits& u);
std::string as_json(const flowmodel::TraverseResult& r, const OutUnits& u, const StandardRates& q);
std::string summary_csv(const flowmodel::TraverseSummary& m, const OutUnits& u);
std::string as_svg(const flowmodel::TraverseResult& r, const OutUnits& u, const std::string& title, bool well);

// `pipeflow traverse --method all`: every method on the same line, their
// boundary pressures side by side (table, CSV, JSON) or their profiles in one
// picture. Returns the exit status.
struct VerbRun;
int run_all_methods(const flowmodel::TraverseRequest& request, const VerbRun& run);

}  // namespace pipeflow_cli

#endif
