// The unit of each dimension in each system, in one table.
#include "flowmodel/unit_system.hpp"

#include <array>

namespace flowmodel {

namespace {

using D = Dimension;
using namespace unit;

struct Row {
    D dim;
    OutputUnit si, field, deck_metric, deck_field;
};

// Every dimension once, in the enum's order (checked below).
constexpr Row kRows[] = {
    {D::None, {}, {}, {}, {}},
    {D::Length, {1, 1, 0, "m", ""}, {1, kFoot, 0, "ft", "ft"}, {1, 1, 0, "m", ""}, {1, kFoot, 0, "ft", "ft"}},
    {D::Angle, {1, 1, 0, "deg", ""}, {1, 1, 0, "deg", ""}, {1, 1, 0, "deg", ""}, {1, 1, 0, "deg", ""}},
    {D::Pressure, {1, 1, 0, "Pa", ""}, {1, kPsi, 0, "psia", "psia"}, {1, kBar, 0, "barsa", "barsa"},
     {1, kPsi, 0, "psia", "psia"}},
    {D::PressureStep, {1, 1, 0, "Pa", ""}, {1, kPsi, 0, "psi", "psi"}, {1, kBar, 0, "bar", "bar"},
     {1, kPsi, 0, "psi", "psi"}},
    {D::Temperature, {1, 1, 0, "K", ""}, {1.8, 1, 459.67, "degF", "degF"}, {1, 1, 273.15, "degC", "degC"},
     {1.8, 1, 459.67, "degF", "degF"}},
    {D::MassRate, {1, 1, 0, "kg/s", ""}, {1, 1, 0, "kg/s", ""}, {kDay, 1, 0, "kg/day", "kg_d"},
     {kDay, 1, 0, "kg/day", "kg_d"}},
    {D::VolumeRate, {1, 1, 0, "m3/s", ""}, {kDay, kBarrel, 0, "STB/d", "stb_d"}, {kDay, 1, 0, "sm3/day", "sm3_d"},
     {kDay, kBarrel, 0, "stb/day", "stb_d"}},
    {D::GasRatio, {1, 1, 0, "Sm3/Sm3", ""}, {1, kScfPerStb, 0, "scf/STB", "scf_stb"}, {1, 1, 0, "sm3/sm3", ""},
     {1, kMscfPerStb, 0, "Mscf/stb", "mscf_stb"}},
    {D::Density, {1, 1, 0, "kg/m3", ""}, {1, kLbPerFt3, 0, "lb/ft3", "lb_ft3"}, {1, 1, 0, "kg/m3", ""},
     {1, kLbPerFt3, 0, "lb/ft3", "lb_ft3"}},
    {D::Viscosity, {1, 1, 0, "Pa s", ""}, {1000, 1, 0, "cP", "cp"}, {1000, 1, 0, "cP", "cp"}, {1000, 1, 0, "cP", "cp"}},
    {D::Tension, {1, 1, 0, "N/m", ""}, {1000, 1, 0, "dyn/cm", "dyn_cm"}, {1000, 1, 0, "mN/m", "mn_m"},
     {1000, 1, 0, "dyn/cm", "dyn_cm"}},
    {D::MolarMass, {1, 1, 0, "kg/kmol", ""}, {1, 1, 0, "lb/lbmol", ""}, {1, 1, 0, "kg/kmol", ""},
     {1, 1, 0, "lb/lbmol", ""}},
    {D::Fraction, {1, 1, 0, "", ""}, {1, 1, 0, "", ""}, {1, 1, 0, "fraction", ""}, {1, 1, 0, "fraction", ""}},
    {D::OilGravity, {1, 1, 0, "API", ""}, {1, 1, 0, "API", ""}, {1, 1, 0, "API", ""}, {1, 1, 0, "API", ""}},
    {D::Productivity, {1, 1, 0, "m3/s/Pa", ""}, {kDay * kPsi, kBarrel, 0, "STB/d/psi", "stb_d_psi"},
     {kDay * kBar, 1, 0, "sm3/day/bar", "sm3_d_bar"}, {kDay * kPsi, kBarrel, 0, "stb/day/psi", "stb_d_psi"}},
    {D::LiquidRate, {1, 1, 0, "Sm3/s", ""}, {kDay, kBarrel, 0, "STB/d", "stb_d"}, {kDay, 1, 0, "sm3/day", "sm3_d"},
     {kDay, kBarrel, 0, "stb/day", "stb_d"}},
    {D::GasRate, {1, 1, 0, "Sm3/s", ""}, {kDay, kMscf, 0, "Mscf/d", "mscf_d"}, {kDay, 1, 0, "sm3/day", "sm3_d"},
     {kDay, kMscf, 0, "Mscf/day", "mscf_d"}},
    {D::LiquidGasRatio, {1, 1, 0, "Sm3/Sm3", ""}, {kMscfPerStb, 1, 0, "STB/Mscf", "stb_mscf"},
     {1, 1, 0, "sm3/sm3", ""}, {kMscfPerStb, 1, 0, "stb/Mscf", "stb_mscf"}},
    {D::LiquidRatio, {1, 1, 0, "Sm3/Sm3", ""}, {1, 1, 0, "STB/STB", ""}, {1, 1, 0, "sm3/sm3", ""},
     {1, 1, 0, "stb/stb", ""}},
    {D::Velocity, {1, 1, 0, "m/s", ""}, {1, kFoot, 0, "ft/s", "ft_s"}, {1, 1, 0, "m/s", ""}, {1, kFoot, 0, "ft/s", "ft_s"}},
    {D::Gradient, {1, 1, 0, "Pa/m", ""}, {kFoot, kPsi, 0, "psi/ft", "psi_ft"}, {1, kBar, 0, "bar/m", "bar_m"},
     {kFoot, kPsi, 0, "psi/ft", "psi_ft"}},
    {D::Volume, {1, 1, 0, "m3", ""}, {1, kBarrel, 0, "bbl", "bbl"}, {1, 1, 0, "m3", ""}, {1, kBarrel, 0, "bbl", "bbl"}},
    {D::HeatTransferCoefficient, {1, 1, 0, "W/m2/K", ""}, {1, kBtuPerHrFt2F, 0, "Btu/hr/ft2/degF", "btu_hr_ft2_f"},
     {1, 1, 0, "W/m2/K", ""}, {1, kBtuPerHrFt2F, 0, "Btu/hr/ft2/degF", "btu_hr_ft2_f"}},
    {D::Conductivity, {1, 1, 0, "W/m/K", ""}, {1, kBtuPerHrFtF, 0, "Btu/hr/ft/degF", "btu_hr_ft_f"},
     {1, 1, 0, "W/m/K", ""}, {1, kBtuPerHrFtF, 0, "Btu/hr/ft/degF", "btu_hr_ft_f"}},
    {D::Diffusivity, {1, 1, 0, "m2/s", ""}, {3600, kFoot * kFoot, 0, "ft2/hr", "ft2_hr"}, {1, 1, 0, "m2/s", ""},
     {3600, kFoot * kFoot, 0, "ft2/hr", "ft2_hr"}},
    {D::Time, {1, 1, 0, "s", ""}, {1, kDay, 0, "d", "d"}, {1, kDay, 0, "day", "d"}, {1, kDay, 0, "day", "d"}},
    {D::SpecificHeat, {1, 1, 0, "J/kg/K", ""}, {1, kBtuPerLbF, 0, "Btu/lb/degF", "btu_lb_f"}, {1, 1, 0, "J/kg/K", ""},
     {1, kBtuPerLbF, 0, "Btu/lb/degF", "btu_lb_f"}},
    {D::TemperatureGradient, {1, 1, 0, "K/m", ""}, {180 * kFoot, 1, 0, "degF/100ft", "f_100ft"},
     {1000, 1, 0, "degC/km", "c_km"}, {180 * kFoot, 1, 0, "degF/100ft", "f_100ft"}},
    {D::HeatFlux, {1, 1, 0, "W/m2", ""}, {kFoot * kFoot, kBtuPerHr, 0, "Btu/hr/ft2", "btu_hr_ft2"},
     {1, 1, 0, "W/m2", ""}, {kFoot * kFoot, kBtuPerHr, 0, "Btu/hr/ft2", "btu_hr_ft2"}},
    {D::Power, {1, 1, 0, "W", ""}, {1, kBtuPerHr, 0, "Btu/hr", "btu_hr"}, {1, 1, 0, "W", ""},
     {1, kBtuPerHr, 0, "Btu/hr", "btu_hr"}},
};

constexpr bool in_order() {
    for (std::size_t i = 0; i < kDimensionCount; ++i) {
        if (static_cast<std::size_t>(kRows[i].dim) != i) return false;
    }
    return true;
}
static_assert(sizeof kRows / sizeof kRows[0] == kDimensionCount, "one row for every dimension");
static_assert(in_order(), "the rows in the order of the dimensions");

}  // namespace

const OutputUnit& output_unit(UnitSystem system, Dimension d) {
    const Row& r = kRows[static_cast<std::size_t>(d)];
    switch (system) {
        case UnitSystem::Field: return r.field;
        case UnitSystem::DeckMetric: return r.deck_metric;
        case UnitSystem::DeckField: return r.deck_field;
        default: return r.si;
    }
}

std::string unit_key(UnitSystem system, Dimension d, const char* name) {
    const char* suffix = output_unit(system, d).suffix;
    return *suffix ? std::string(name) + "_" + suffix : std::string(name);
}

}  // namespace flowmodel
