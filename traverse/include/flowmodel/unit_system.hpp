// One unit system for every face: the constants of the oilfield units in SI,
// and for each system a face writes in (SI, field, and the two unit systems
// of a reservoir simulator's deck) the unit of each dimension: how a value in
// SI becomes one in that unit, its name and the suffix a key carries.
#ifndef FLOWMODEL_UNIT_SYSTEM_HPP
#define FLOWMODEL_UNIT_SYSTEM_HPP

#include "flowmodel/units.hpp"

namespace flowmodel {

// The oilfield units in SI, each defined once.
namespace unit {
constexpr double kFoot = 0.3048;                          // m
constexpr double kPsi = 6894.757293168361;                // Pa (lbf/in2)
constexpr double kBarrel = 0.158987294928;                // m3 (42 US gallons)
constexpr double kLbPerFt3 = 16.018463373960138;          // kg/m3
constexpr double kDay = 86400.0;                          // s
constexpr double kBar = 1e5;                              // Pa
constexpr double kFt3 = kFoot * kFoot * kFoot;            // m3, one standard cubic foot of gas
constexpr double kMscf = 1000 * kFoot * kFoot * kFoot;    // m3, a thousand of them
constexpr double kScfPerStb = 0.028316846592 / 0.158987294928;  // m3/m3 in one scf/STB
constexpr double kMscfPerStb = kMscf / kBarrel;           // m3/m3 in one Mscf/STB
// Heat in the international table Btu (1055.05585262 J).
constexpr double kBtu = 1055.05585262;                    // J
constexpr double kBtuPerHr = kBtu / 3600;                 // W
constexpr double kBtuPerLbF = 4186.8;                     // J/(kg K) in one Btu/(lb degF)
constexpr double kBtuPerHrFtF = kBtuPerHr / kFoot * 1.8;  // W/(m K) in one Btu/(hr ft degF)
constexpr double kBtuPerHrFt2F = kBtuPerHr / (kFoot * kFoot) * 1.8;  // W/(m2 K) in one Btu/(hr ft2 degF)
}  // namespace unit

enum class UnitSystem {
    SI,          // the faces' SI: m, Pa, K, m3/s at standard conditions
    Field,       // ft, psia, degF, STB/d or Mscf/d, scf/STB
    DeckMetric,  // a deck's METRIC: m, barsa, sm3/day, sm3/sm3
    DeckField,   // a deck's FIELD: ft, psia, stb/day or Mscf/day, Mscf/stb or stb/Mscf
};

// A dimension in one system: value = si * mul / div - offset (each step as
// written, so that a value rounds the same wherever it is converted).
struct OutputUnit {
    double mul = 1, div = 1, offset = 0;
    const char* name = "";    // as a reader reads it: "psia", "ft/s"
    const char* suffix = "";  // as a key carries it: "psia", "ft_s"; "" in SI
};

const OutputUnit& output_unit(UnitSystem system, Dimension d);

inline double to_system(UnitSystem system, Dimension d, double si) {
    const OutputUnit& u = output_unit(system, d);
    return si * u.mul / u.div - u.offset;
}

// A key in a system: "pres" -> "pres_psia" where the system's unit has a suffix.
std::string unit_key(UnitSystem system, Dimension d, const char* name);

}  // namespace flowmodel

#endif
