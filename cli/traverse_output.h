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

namespace pipeflow_cli {

// The units the points and the summary are written in: SI, or field units
// (ft, psia, °F, ft/s, lb/ft3, psi/ft, bbl, STB/d), named in the column and
// key names so that no reader can mistake one for the other.
using D = flowmodel::Dimension;

// A rate at standard conditions per day, m3/d, as the SI summary writes it.
inline double per_day(double si) { return flowmodel::to_system(flowmodel::UnitSystem::DeckMetric, D::LiquidRate, si); }

struct OutUnits {
    bool field = false;
    flowmodel::UnitSystem system() const { return field ? flowmodel::UnitSystem::Field : flowmodel::UnitSystem::SI; }
    double to(D d, double v) const { return flowmodel::to_system(system(), d, v); }
    double len(double m) const { return to(D::Length, m); }
    double pres(double pa) const { return to(D::Pressure, pa); }
    double temp(double k) const { return to(D::Temperature, k); }
    double grad(double g) const { return to(D::Gradient, g); }
    double vol(double v) const { return to(D::Volume, v); }
    // name + the unit's suffix: "pres" -> "pres_psia" in field units.
    std::string key(const char* name, D d) const { return flowmodel::unit_key(system(), d, name); }
    const char* unit(D d) const { return flowmodel::output_unit(system(), d).name; }
    const char* len_unit() const { return unit(D::Length); }
    const char* pres_unit() const { return unit(D::Pressure); }
    const char* dp_unit() const { return unit(D::PressureStep); }
    const char* temp_unit() const { return unit(D::Temperature); }
    const char* grad_unit() const { return unit(D::Gradient); }
    const char* vol_unit() const { return unit(D::Volume); }
    // A point field's number and name in these units.
    double conv(D d, double v) const { return to(d, v); }
    std::string name(const flowmodel::PointField& f) const { return key(f.name, f.measure); }
};

// What the black-oil fluid carries at standard conditions, for the summary.
struct StandardRates {
    bool known = false;
    double oil = 0, water = 0, gas = 0;  // m3/s at standard conditions
};

// Warnings of a traverse (stretches, then the fluid's and the method's), one line each.
std::vector<std::string> stretch_warnings(const flowmodel::TraverseSummary& m, const OutUnits& u);
// The summary as a JSON object, and as the lines of the table.
std::string summary_json(const flowmodel::TraverseSummary& m, const OutUnits& u, const StandardRates& q);
std::string summary_lines(const flowmodel::TraverseSummary& m, const OutUnits& u);
// The rates of a set-up's black-oil fluid, when it has one.
StandardRates standard_rates(const flowmodel::TraverseSetup& setup);
// Whether the line is a well (read downward), and what a picture of it shows.
bool is_well(const flowmodel::Line& line);
std::string picture_title(const flowmodel::TraverseRequest& req, const flowmodel::TraverseSetup& setup,
                          const StandardRates& q, const OutUnits& u);

// `pipeflow traverse --method all`: every method on the same line, their
// boundary pressures side by side (table, CSV, JSON) or their profiles in one
// picture. Returns the exit status.
struct VerbRun;
int run_all_methods(const flowmodel::TraverseRequest& request, const VerbRun& run);

}  // namespace pipeflow_cli

#endif
