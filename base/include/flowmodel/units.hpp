// Quantities as engineers write them: a number and, after it, a unit
// ("2.441in", "220 psia", "250 STB/d", "80degF"), turned into SI. A number
// without a unit is SI already. Rates of liquid may be mass or standard
// volume rates; which one was given is kept for the caller to check.
#ifndef FLOWMODEL_UNITS_HPP
#define FLOWMODEL_UNITS_HPP

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace flowmodel {

enum class Dimension {
    None,         // a pure number (Z, gravities)
    Length,       // m
    Angle,        // degrees
    Pressure,     // absolute, Pa
    PressureStep, // a difference of pressures, Pa
    Temperature,  // K
    MassRate,     // kg/s
    VolumeRate,   // m3/s at standard conditions (60 °F, 14.696 psia)
    GasRatio,     // m3/m3 at standard conditions
    Density,      // kg/m3
    Viscosity,    // Pa s
    Tension,      // N/m
    MolarMass,    // kg/kmol
    Fraction,     // 1 (mass or mole fraction, water cut)
    OilGravity,   // °API
    Productivity, // m3/s at standard conditions per Pa
    // Volume rates of one phase: the VolumeRate units that phase is written
    // in (stock-tank barrels for liquid, standard cubic feet for gas) and the
    // metric ones that serve both.
    LiquidRate,       // m3/s at standard conditions
    GasRate,          // m3/s at standard conditions
    // Ratios of a liquid to another phase at standard conditions, m3/m3.
    LiquidGasRatio,   // oil or water per gas: STB/Mscf, STB/MMscf, Sm3/Sm3
    LiquidRatio,      // water per oil: STB/STB, Sm3/Sm3, or a bare number
    // Written by the faces, not read from options.
    Velocity,         // m/s
    Gradient,         // Pa/m
    Volume,           // m3 (in place)
    // Heat transfer.
    HeatTransferCoefficient,  // W/(m2 K), per unit of inside wall area
    Conductivity,             // W/(m K)
    Diffusivity,              // m2/s
    Time,                     // s
    SpecificHeat,             // J/(kg K)
    TemperatureGradient,      // K/m, rising with depth
    HeatFlux,                 // W/m2 of inside wall
    Power,                    // W
    Count             // the number of dimensions
};
constexpr std::size_t kDimensionCount = static_cast<std::size_t>(Dimension::Count);

struct Quantity {
    double value = 0;                 // SI
    Dimension unit = Dimension::None; // the dimension of the unit written, None without one
    bool gauge = false;               // a gauge pressure (psig, barg, kPag): value is above the atmosphere, Pa
};

// A temperature written without a unit is in K; below this it was surely
// meant in °C or °F and is refused.
constexpr double kLowestBareTemperature = 200.0;  // K

// Reads `text` for an option that takes `a` (or, when given, `b`): throws
// OptionError naming `option` for a text that is no finite number,
// a unit of another dimension, a bare "psi" for a pressure (absolute or
// gauge?), a temperature without a unit below 200 K, or a unit not known,
// listing the units it takes. A gauge pressure (psig, barg, kPag) comes back
// with `gauge` set and the reading above the atmosphere in Pa.
Quantity parse_quantity(const std::string& option, std::string_view text, Dimension a,
                        Dimension b = Dimension::None);

// A list as engineers write it, "50,100,200 STB/d": numbers separated by
// commas, the unit of the last one standing for those without one.
std::vector<Quantity> parse_quantity_list(const std::string& option, std::string_view text, Dimension a,
                                          Dimension b = Dimension::None);

// The unit `name` of dimension d: SI = value * factor + offset. False when d has no such unit.
bool find_unit(Dimension d, std::string_view name, double& factor, double& offset);

// The name of the unit of dimension d whose factor is exactly `factor` ("ft"
// for 0.3048 m), or "" when the table has none.
std::string unit_name(Dimension d, double factor);

// The units of a dimension as a user reads them: "m, mm, cm, km, in, ft".
std::string unit_names(Dimension d);

}  // namespace flowmodel

#endif
