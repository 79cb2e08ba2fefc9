// One unit system for every face: the constants of the oilfield units in SI,
// and for each system a face writes in (SI, field, and the two unit systems
// of a reservoir simulator's deck) the unit of each dimension: how a value in
// SI becomes one in that unit, its name and the suffix a key carries.
#ifndef FLOWMODEL_UNIT_SYSTEM_HPP
#define FLOWMODEL_UNIT_SYSTEM_HPP

#include "flowmodel/constants.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel {

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

// The inverse: a value written in the system's unit, in SI.
inline double from_system(UnitSystem system, Dimension d, double value) {
    const OutputUnit& u = output_unit(system, d);
    return (value + u.offset) * u.div / u.mul;
}

// A key in a system: "pres" -> "pres_psia" where the system's unit has a suffix.
std::string unit_key(UnitSystem system, Dimension d, const char* name);

}  // namespace flowmodel

#endif
