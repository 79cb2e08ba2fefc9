// Units: one table of the units each dimension takes, with their factors
// (and the offsets of the temperature scales) to SI.
#include "flowmodel/units.hpp"
#include "flowmodel/option_error.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#include "flowmodel/unit_system.hpp"
#include "flowmodel/io/numbers.hpp"

namespace flowmodel {

namespace {

// Which phase's volume rate a VolumeRate unit is written for.
enum class Phase { Any, Liquid, Gas };

struct Unit {
    const char* name;
    Dimension dim;
    double factor;      // SI per unit
    double offset = 0;  // SI = value * factor + offset
    Phase phase = Phase::Any;
};

using unit::kBar;
using unit::kBarrel;
using unit::kBtuPerHr;
using unit::kBtuPerHrFt2F;
using unit::kBtuPerHrFtF;
using unit::kBtuPerLbF;
using unit::kDay;
using unit::kFoot;
using unit::kFt3;
using unit::kInch;
using unit::kLbPerFt3;
using unit::kPound;
using unit::kPsi;
using unit::kScfPerStb;

const std::vector<Unit>& units() {
    static const std::vector<Unit> table = {
        {"m", Dimension::Length, 1}, {"mm", Dimension::Length, 1e-3}, {"cm", Dimension::Length, 1e-2},
        {"km", Dimension::Length, 1e3}, {"in", Dimension::Length, kInch}, {"ft", Dimension::Length, kFoot},
        {"deg", Dimension::Angle, 1}, {"°", Dimension::Angle, 1},
        {"Pa", Dimension::Pressure, 1}, {"kPa", Dimension::Pressure, 1e3}, {"MPa", Dimension::Pressure, 1e6},
        {"bar", Dimension::Pressure, kBar}, {"bara", Dimension::Pressure, kBar}, {"barsa", Dimension::Pressure, kBar},
        {"psia", Dimension::Pressure, kPsi},
        {"atm", Dimension::Pressure, constant::kStandardAtmosphere},
        {"Pa", Dimension::PressureStep, 1}, {"kPa", Dimension::PressureStep, 1e3}, {"bar", Dimension::PressureStep, kBar},
        {"psi", Dimension::PressureStep, kPsi}, {"psia", Dimension::PressureStep, kPsi},
        {"K", Dimension::Temperature, 1}, {"degC", Dimension::Temperature, 1, 273.15},
        {"°C", Dimension::Temperature, 1, 273.15}, {"C", Dimension::Temperature, 1, 273.15},
        {"degF", Dimension::Temperature, 1 / 1.8, 459.67 / 1.8}, {"°F", Dimension::Temperature, 1 / 1.8, 459.67 / 1.8},
        {"F", Dimension::Temperature, 1 / 1.8, 459.67 / 1.8}, {"degR", Dimension::Temperature, 1 / 1.8},
        {"kg/s", Dimension::MassRate, 1}, {"kg/h", Dimension::MassRate, 1 / 3600.0},
        {"kg/d", Dimension::MassRate, 1 / kDay}, {"t/d", Dimension::MassRate, 1000 / kDay},
        {"lb/s", Dimension::MassRate, kPound}, {"lb/h", Dimension::MassRate, kPound / 3600},
        {"m3/s", Dimension::VolumeRate, 1}, {"Sm3/s", Dimension::VolumeRate, 1},
        {"m3/d", Dimension::VolumeRate, 1 / kDay}, {"Sm3/d", Dimension::VolumeRate, 1 / kDay},
        {"STB/d", Dimension::VolumeRate, kBarrel / kDay, 0, Phase::Liquid},
        {"stb/d", Dimension::VolumeRate, kBarrel / kDay, 0, Phase::Liquid},
        {"STB/D", Dimension::VolumeRate, kBarrel / kDay, 0, Phase::Liquid},
        {"bbl/d", Dimension::VolumeRate, kBarrel / kDay, 0, Phase::Liquid},
        {"BPD", Dimension::VolumeRate, kBarrel / kDay, 0, Phase::Liquid},
        {"bpd", Dimension::VolumeRate, kBarrel / kDay, 0, Phase::Liquid},
        {"scf/d", Dimension::VolumeRate, kFt3 / kDay, 0, Phase::Gas},
        {"Mscf/d", Dimension::VolumeRate, 1e3 * kFt3 / kDay, 0, Phase::Gas},
        {"MMscf/d", Dimension::VolumeRate, 1e6 * kFt3 / kDay, 0, Phase::Gas},
        {"m3/m3", Dimension::GasRatio, 1}, {"Sm3/Sm3", Dimension::GasRatio, 1},
        {"scf/STB", Dimension::GasRatio, kScfPerStb}, {"scf/stb", Dimension::GasRatio, kScfPerStb},
        {"scf/bbl", Dimension::GasRatio, kScfPerStb}, {"Mscf/STB", Dimension::GasRatio, 1000 * kScfPerStb},
        {"Mscf/stb", Dimension::GasRatio, 1000 * kScfPerStb},
        {"Sm3/Sm3", Dimension::LiquidGasRatio, 1}, {"m3/m3", Dimension::LiquidGasRatio, 1},
        {"STB/Mscf", Dimension::LiquidGasRatio, 1e-3 / kScfPerStb},
        {"stb/Mscf", Dimension::LiquidGasRatio, 1e-3 / kScfPerStb},
        {"STB/MMscf", Dimension::LiquidGasRatio, 1e-6 / kScfPerStb},
        {"stb/MMscf", Dimension::LiquidGasRatio, 1e-6 / kScfPerStb},
        {"Sm3/Sm3", Dimension::LiquidRatio, 1}, {"m3/m3", Dimension::LiquidRatio, 1},
        {"STB/STB", Dimension::LiquidRatio, 1}, {"stb/stb", Dimension::LiquidRatio, 1},
        {"bbl/bbl", Dimension::LiquidRatio, 1},
        {"kg/m3", Dimension::Density, 1}, {"g/cm3", Dimension::Density, 1000}, {"lb/ft3", Dimension::Density, kLbPerFt3},
        {"Pa.s", Dimension::Viscosity, 1}, {"Pa s", Dimension::Viscosity, 1}, {"cP", Dimension::Viscosity, 1e-3},
        {"cp", Dimension::Viscosity, 1e-3}, {"mPa.s", Dimension::Viscosity, 1e-3}, {"mPa s", Dimension::Viscosity, 1e-3},
        {"N/m", Dimension::Tension, 1}, {"mN/m", Dimension::Tension, 1e-3}, {"dyn/cm", Dimension::Tension, 1e-3},
        {"kg/kmol", Dimension::MolarMass, 1}, {"g/mol", Dimension::MolarMass, 1}, {"lb/lbmol", Dimension::MolarMass, 1},
        {"%", Dimension::Fraction, 0.01}, {"wt%", Dimension::Fraction, 0.01}, {"mol%", Dimension::Fraction, 0.01},
        {"ppm", Dimension::Fraction, 1e-6},
        {"m3/s/Pa", Dimension::Productivity, 1}, {"STB/d/psi", Dimension::Productivity, kBarrel / kDay / kPsi},
        {"stb/d/psi", Dimension::Productivity, kBarrel / kDay / kPsi},
        {"Sm3/d/bar", Dimension::Productivity, 1 / kDay / kBar}, {"m3/d/bar", Dimension::Productivity, 1 / kDay / kBar},
        {"W/m2/K", Dimension::HeatTransferCoefficient, 1}, {"W/m2K", Dimension::HeatTransferCoefficient, 1},
        {"Btu/hr/ft2/degF", Dimension::HeatTransferCoefficient, kBtuPerHrFt2F},
        {"Btu/h/ft2/degF", Dimension::HeatTransferCoefficient, kBtuPerHrFt2F},
        {"Btu/hr/ft2/F", Dimension::HeatTransferCoefficient, kBtuPerHrFt2F},
        {"W/(m2.K)", Dimension::HeatTransferCoefficient, 1}, {"W/(m2 K)", Dimension::HeatTransferCoefficient, 1},
        {"W/m/K", Dimension::Conductivity, 1}, {"Btu/hr/ft/degF", Dimension::Conductivity, kBtuPerHrFtF},
        {"Btu/h/ft/degF", Dimension::Conductivity, kBtuPerHrFtF}, {"Btu/hr/ft/F", Dimension::Conductivity, kBtuPerHrFtF},
        {"W/(m.K)", Dimension::Conductivity, 1}, {"W/(m K)", Dimension::Conductivity, 1},
        {"m2/s", Dimension::Diffusivity, 1}, {"m2/d", Dimension::Diffusivity, 1 / kDay},
        {"ft2/hr", Dimension::Diffusivity, kFoot * kFoot / 3600}, {"ft2/h", Dimension::Diffusivity, kFoot * kFoot / 3600},
        {"ft2/d", Dimension::Diffusivity, kFoot * kFoot / kDay},
        {"s", Dimension::Time, 1}, {"h", Dimension::Time, 3600}, {"hr", Dimension::Time, 3600},
        {"d", Dimension::Time, kDay}, {"day", Dimension::Time, kDay}, {"days", Dimension::Time, kDay},
        {"yr", Dimension::Time, 365.25 * kDay}, {"years", Dimension::Time, 365.25 * kDay},
        {"hours", Dimension::Time, 3600},
        {"J/kg/K", Dimension::SpecificHeat, 1}, {"kJ/kg/K", Dimension::SpecificHeat, 1e3},
        {"Btu/lb/degF", Dimension::SpecificHeat, kBtuPerLbF},
        {"K/m", Dimension::TemperatureGradient, 1}, {"degC/m", Dimension::TemperatureGradient, 1},
        {"K/km", Dimension::TemperatureGradient, 1e-3}, {"degC/km", Dimension::TemperatureGradient, 1e-3},
        {"degC/100m", Dimension::TemperatureGradient, 1e-2},
        {"degF/ft", Dimension::TemperatureGradient, 1 / 1.8 / kFoot},
        {"degF/100ft", Dimension::TemperatureGradient, 1 / 1.8 / (100 * kFoot)},
        {"F/100ft", Dimension::TemperatureGradient, 1 / 1.8 / (100 * kFoot)},
        {"W/m2", Dimension::HeatFlux, 1}, {"Btu/hr/ft2", Dimension::HeatFlux, kBtuPerHr / (kFoot * kFoot)},
        {"W", Dimension::Power, 1}, {"kW", Dimension::Power, 1e3}, {"MW", Dimension::Power, 1e6},
        {"Btu/hr", Dimension::Power, kBtuPerHr},
        {"API", Dimension::OilGravity, 1}, {"degAPI", Dimension::OilGravity, 1}, {"°API", Dimension::OilGravity, 1},
    };
    return table;
}

[[noreturn]] void fail(const std::string& what) { throw OptionError(what); }

// The longest leading number of t: [+-] digits [. digits] [(e|E) [+-] digits].
std::size_t number_length(std::string_view t) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t b = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i - b;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t n = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        n += digits();
    }
    if (n == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < t.size() && t[j] >= '0' && t[j] <= '9') {
            i = j;
            digits();
        }
    }
    return i;
}


// Quantities whose oilfield and metric units differ by orders of
// magnitude and where a bare number, read as SI, is never what was meant
// (1500 as 1500 Sm3/s, 800 as a gas-oil ratio of 800 Sm3/Sm3 where 800
// scf/STB was meant): written without a unit they are refused, naming the
// units that would do. Empty for a dimension where a bare number is taken.
std::vector<const char*> units_to_write(Dimension d) {
    switch (d) {
        case Dimension::VolumeRate: return {"STB/d", "Mscf/d", "Sm3/d"};
        case Dimension::LiquidRate: return {"STB/d", "Sm3/d"};
        case Dimension::GasRate: return {"Mscf/d", "Sm3/d"};
        case Dimension::GasRatio: return {"scf/STB", "Sm3/Sm3"};
        case Dimension::LiquidGasRatio: return {"STB/MMscf", "Sm3/Sm3"};
        case Dimension::Productivity: return {"STB/d/psi", "Sm3/d/bar"};
        default: return {};
    }
}

// A length written as a nominal size with a fraction ("2-7/8in", "2 7/8"):
// the pipe's outside diameter by name, where the methods take the inside
// one. The common API tubing sizes with the inside diameter of their usual
// weight (API 5CT); "" where the text is no such size.
std::string nominal_size_hint(std::string_view text) {
    static const std::pair<const char*, const char*> kTubing[] = {
        {"2-3/8", "2-3/8 in tubing of 4.7 lb/ft is 1.995 in inside"},
        {"2-7/8", "2-7/8 in tubing of 6.5 lb/ft is 2.441 in inside"},
        {"3-1/2", "3-1/2 in tubing of 9.3 lb/ft is 2.992 in inside"},
        {"4-1/2", "4-1/2 in tubing of 12.75 lb/ft is 3.958 in inside"},
    };
    std::string t(text);
    for (char& c : t) c = c == ' ' ? '-' : c;
    if (t.find('/') == std::string::npos) return "";
    for (const auto& [size, inside] : kTubing) {
        if (t.rfind(size, 0) == 0) return std::string(": a nominal size names the outside diameter, and the flow takes the inside one (") + inside + "); write it in decimals, as 2.441in";
    }
    return ": a fraction is not read; write the inside diameter in decimals, as 2.441in";
}

// Whether unit u serves dimension d: its own, or for the rate of one phase
// a volume rate written for that phase or for any.
bool serves(const Unit& u, Dimension d) {
    if (u.dim == d) return true;
    if (u.dim != Dimension::VolumeRate) return false;
    return (d == Dimension::LiquidRate && u.phase != Phase::Gas) || (d == Dimension::GasRate && u.phase != Phase::Liquid);
}

// A number written without a unit: taken as SI, or refused where it would
// surely not mean that (a temperature below 200 K, a standard volume rate or
// a gas ratio), saying what it would be.
void check_bare(const std::string& option, std::string_view text, double v, Dimension a, Dimension b) {
    if (a == Dimension::Temperature && v < kLowestBareTemperature) {
        fail(std::string("{") + option + "} " + io::shorten(text) + " has no unit and would be " + io::shorten(text) +
             " K: write its unit (" + io::shorten(text) + "degC, " + io::shorten(text) + "degF, or " +
             io::shorten(text) + "K for a cryogenic line)");
    }
    // A bare number where a unit is needed: refused with what it would be.
    const std::vector<const char*> write = units_to_write(a);
    if (!write.empty() && (b == Dimension::None || !units_to_write(b).empty())) {
        const std::string t(io::shorten(text));
        std::string ways;
        for (const char* u : write) ways += std::string(ways.empty() ? "" : ", ") + "'" + t + " " + u + "'";
        fail(std::string("{") + option + "} " + t + " has no unit and would be " + t + " " +
             output_unit(UnitSystem::SI, a).name + " (" + io::format_rounded(to_system(UnitSystem::Field, a, v)) + " " +
             output_unit(UnitSystem::Field, a).name + "): write its unit (" + ways + ")");
    }
}

// A unit's name as people also write it, for a second look where the exact
// name is not in the table: any case (a deck's SM3/DAY, BARSA, PSIA), and
// "day" for "d" (stb/day). Taken only where every unit it then matches is the
// same unit (mpa can only be MPa here; no two units differ by case alone in
// one dimension but the ones refused as ambiguous).
std::string folded(std::string_view name) {
    std::string f;
    for (char c : name) f += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t at = f.find("/day"); at != std::string::npos; at = f.find("/day", at + 2)) f.replace(at, 4, "/d");
    return f;
}

// The unit `unit` names for dimension a or b: by its exact name, else by its
// folded one where that is not ambiguous. nullptr where none; throws where
// the folded name matches different units.
const Unit* unit_named(const std::string& option, std::string_view unit, Dimension a, Dimension b) {
    auto fits = [&](const Unit& u) { return serves(u, a) || (b != Dimension::None && serves(u, b)); };
    for (const Unit& u : units()) {
        if (unit == u.name && fits(u)) return &u;
    }
    const std::string f = folded(unit);
    const Unit* found = nullptr;
    for (const Unit& u : units()) {
        if (!fits(u) || folded(u.name) != f) continue;
        if (found && (found->factor != u.factor || found->offset != u.offset || found->dim != u.dim)) {
            fail(std::string("{") + option + "}: unit '" + io::shorten(unit) + "' could be " + found->name + " or " +
                 u.name + ": write it as one of them");
        }
        if (!found) found = &u;
    }
    return found;
}

}  // namespace

bool find_unit(Dimension d, std::string_view name, double& factor, double& offset) {
    for (const Unit& u : units()) {
        if (serves(u, d) && name == u.name) {
            factor = u.factor;
            offset = u.offset;
            return true;
        }
    }
    return false;
}

std::string unit_name(Dimension d, double factor) {
    for (const Unit& u : units()) {
        if (u.dim == d && u.factor == factor && u.offset == 0) return u.name;
    }
    return std::string();
}

std::string unit_names(Dimension d) {
    std::string s;
    for (const Unit& u : units()) {
        if (!serves(u, d)) continue;
        if (!s.empty()) s += ", ";
        s += u.name;
    }
    return s;
}

Quantity parse_quantity(const std::string& option, std::string_view text, Dimension a, Dimension b) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const std::size_t n = number_length(text);
    double v = 0;
    if (n == 0 || !io::parse_double(text.substr(0, n), v) || !std::isfinite(v)) {
        fail(std::string("{") + option + "} is not a number: '" + io::shorten(text) + "'");
    }
    std::string_view unit = text.substr(n);
    while (!unit.empty() && blank(unit.front())) unit.remove_prefix(1);
    Quantity q;
    if (unit.empty()) {
        check_bare(option, text, v, a, b);
        q.value = v;
        return q;
    }
    const bool pressure = a == Dimension::Pressure || b == Dimension::Pressure;
    if (pressure && folded(unit) == "psi") {
        fail(std::string("{") + option + "}: '" + io::shorten(unit) + "' is ambiguous for a pressure: write psia (absolute) or psig (gauge)");
    }
    if (pressure) {
        // A gauge reading: the difference from the atmosphere, which the caller adds.
        for (const auto& [name, absolute] : {std::pair{"psig", "psia"}, {"barg", "bar"}, {"kPag", "kPa"}}) {
            if (folded(unit) != folded(name)) continue;
            double factor = 0, offset = 0;
            find_unit(Dimension::Pressure, absolute, factor, offset);
            q.value = v * factor;
            q.unit = Dimension::Pressure;
            q.gauge = true;
            if (!std::isfinite(q.value)) fail(std::string("{") + option + "} is too large: '" + io::shorten(text) + "'");
            return q;
        }
    }
    if (const Unit* u = unit_named(option, unit, a, b)) {
        q.value = v * u->factor + u->offset;
        q.unit = serves(*u, a) ? a : b;
        if (!std::isfinite(q.value)) fail(std::string("{") + option + "} is too large: '" + io::shorten(text) + "'");
        return q;
    }
    if (a == Dimension::Length) {
        const std::string hint = nominal_size_hint(text);
        if (!hint.empty()) fail(std::string("{") + option + "} '" + io::shorten(text) + "'" + hint);
    }
    std::string takes = a == Dimension::None ? std::string("no unit") : unit_names(a);
    if (b != Dimension::None) takes += ", " + unit_names(b);
    const bool known = std::any_of(units().begin(), units().end(),
                                   [&](const Unit& u) { return folded(unit) == folded(u.name); });
    if (known) fail(std::string("{") + option + "}: '" + io::shorten(unit) + "' is a unit of another quantity; it takes " + takes);
    fail(std::string("{") + option + "}: unit '" + io::shorten(unit) + "' not known here; it takes " + takes);
}

std::vector<Quantity> parse_quantity_list(const std::string& option, std::string_view text, Dimension a,
                                          Dimension b) {
    std::vector<std::string> items;
    std::string item;
    for (char c : text) {
        if (c == ',') {
            items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    items.push_back(item);
    // The unit written after the last number.
    std::string unit;
    {
        std::string_view last = items.back();
        while (!last.empty() && (last.back() == ' ' || last.back() == '\t')) last.remove_suffix(1);
        const std::size_t n = number_length(last.substr(last.find_first_not_of(" \t") == std::string_view::npos
                                                             ? 0
                                                             : last.find_first_not_of(" \t")));
        const std::size_t start = last.find_first_not_of(" \t");
        if (start != std::string_view::npos && start + n < last.size()) unit = std::string(last.substr(start + n));
    }
    std::vector<Quantity> out;
    for (std::string& it : items) {
        if (it.find_first_not_of(" \t") == std::string::npos) fail(std::string("{") + option + "}: an empty item in the list '" + io::shorten(text) + "'");
        const std::size_t start = it.find_first_not_of(" \t");
        const std::size_t n = number_length(std::string_view(it).substr(start));
        const bool has_unit = it.find_first_not_of(" \t", start + n) != std::string::npos;
        out.push_back(parse_quantity(option, has_unit ? it : it + unit, a, b));
    }
    return out;
}

}  // namespace flowmodel
