// The units the command's outputs are written in, one place for every verb.
#ifndef PIPEFLOW_CLI_UNITS_H
#define PIPEFLOW_CLI_UNITS_H

#include <string>

#include "flowmodel/traverse.hpp"
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
    double dp(double pa) const { return to(D::PressureStep, pa); }
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

}  // namespace pipeflow_cli

#endif
