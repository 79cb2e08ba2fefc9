// A traverse as a user states it: named options (the command's option names
// without the dashes, see kTraverseOptions), each a number with or without a
// unit, a profile file, a fluid table file and the flow direction; checked
// and turned into what the march takes. Shared by the command and the Python
// package.
#ifndef FLOWMODEL_TRAVERSE_REQUEST_HPP
#define FLOWMODEL_TRAVERSE_REQUEST_HPP

#include <map>
#include <optional>
#include <variant>
#include <memory>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/fluids.hpp"
#include "flowmodel/lift_gas.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel {

// A number as a user gave it, in SI, with the dimension of the unit it was
// written with (None without one) and whether it was a gauge reading (then
// the value is Pa above the atmosphere).
struct Given {
    double value = 0;
    Dimension unit = Dimension::None;
    bool gauge = false;
};

// The numeric options of a traverse, one named member each (the option of
// the same name with '-' for '_'; kTraverseOptions maps each name to its member).
struct TraverseNumbers {
    // The line.
    std::optional<Given> length, angle, diam, rough, temp, temp_in, temp_out;
    // A constant liquid with a real gas, or a property table (mass rates).
    std::optional<Given> liquid_rate, gas_rate, rol, visl, sigma, gas_molar_mass, z, visg;
    // The boundary and the march.
    std::optional<Given> inlet_pres, outlet_pres, tol, max_pres, output_step, atm_pres;
    // Multipliers of the method's holdup and friction (a method tuned to measured pressures).
    std::optional<Given> holdup_factor, friction_factor;
    // Gas lift: the lift gas's standard rate, the injection point's md, the lift gas's gravity.
    std::optional<Given> lift_gas_rate, injection_depth, lift_gas_gravity;
    // Gas lift from the casing: the surface injection pressure, the least casing-over-tubing pressure.
    std::optional<Given> casing_pres, injection_dp;
    // Heat transfer: the coefficient, the ambient temperature of a line, Ramey's
    // producing time, the formation's conductivity and diffusivity and the
    // hole's diameter; the specific heats of the constant liquid and gas.
    std::optional<Given> u_value, ambient, producing_time, formation_conductivity, formation_diffusivity, hole_diam;
    std::optional<Given> cpl, cpg;
    // The black oil (api chooses it; liquid_rate is then a standard volume
    // rate). An oil well by its oil or liquid rate and gas ratio; a gas well
    // by its gas rate (gas_rate, a standard volume rate then) and the yields
    // of condensate and water per gas.
    std::optional<Given> api, gas_gravity, water_gravity, salinity, co2, h2s, n2, oil_rate, water_rate, water_cut, gor, glr;
    std::optional<Given> cgr, wgr;
};

struct TraverseRequest {
    TraverseNumbers given;
    std::map<std::string, std::string> words; // z-method, dead-oil, live-oil
    std::string profile;                      // CSV file, or "" for a straight line
    double profile_unit = 0;                  // m per length unit of the profile's md, z, tvd; 0: from its header
    std::string fluid_table;                  // CSV file, or "" for constant liquid and real gas
    bool flow_decreasing = false;
    // Whether the direction was stated: a profile that descends as a well
    // does is refused with the flow increasing unless it was (a producer and
    // an injector are both common, and one taken for the other gives
    // another answer); flow_decreasing set is a statement of its own.
    bool flow_direction_stated = false;
    Method method = kDefaultMethod;           // the method of the gradient
    std::string mandrels;                     // gas lift: the mandrels' depths, a list with a unit ("3000,4500,6000 ft")
    HeatLaw heat = HeatLaw::Given;            // how the fluid's temperature is had
    std::string geothermal;                   // "SURFACE_TEMP, GRADIENT": "60degF, 1.5degF/100ft"; "" for none
};

// The site's atmosphere, Pa: the one given, or the standard 101325 Pa.
double atmosphere(const TraverseRequest& r);

// The numeric options: name, the dimension it takes (two for a rate of
// liquid: mass without --api, standard volume with it) and its meaning.
struct TraverseOption {
    const char* name;
    Dimension dim, alt;
    std::optional<Given> TraverseNumbers::*member;
    const char* meaning;
};
extern const std::vector<TraverseOption> kTraverseOptions;

// Sets option `name` from the text a user gave ("2.441in", "220psia",
// "hall-yarborough", "beggs-brill" for "method"). Throws OptionError for an unknown option or a
// text it cannot take.
void set_option(TraverseRequest& request, const std::string& name, const std::string& text);

// The length unit of a profile's md, z and tvd columns, "m" or "ft", its
// factor from the unit table. Throws OptionError for another.
void set_profile_unit(TraverseRequest& request, const std::string& name);

// "increasing" or "decreasing" (along md), stated; "" leaves it unstated.
// Throws OptionError for another word.
void set_flow_direction(TraverseRequest& request, const std::string& word);

// The member of a numeric option by its name; null for none.
std::optional<Given> TraverseNumbers::*number_member(const std::string& name);

// Sets a number as if given in SI without a unit (what the wells layer
// fills in for a traverse it makes).
inline void set_number(TraverseRequest& request, std::optional<Given> TraverseNumbers::*member, double si) {
    request.given.*member = Given{si};
}

// A geothermal profile: the temperature at the surface (the line's first
// point, md 0) and its rise per metre of depth below it.
struct Geothermal {
    double surface = 0;   // K
    double gradient = 0;  // K/m
};
// Reads "60degF, 1.5degF/100ft"; throws OptionError.
Geothermal geothermal(const std::string& text);

// The names set_option takes: the numeric options, then the word-valued ones.
std::vector<std::string> traverse_option_names();

// A word option's words and meaning, "turner|coleman\tjudge ..."; "" for
// any other option.
std::string word_option_usage(const std::string& name);

// The fluid of a traverse as one of its kinds: what it is is data, read
// without asking the fluid.
using FluidKind = std::variant<ConstantLiquidRealGas, PropertyTable, blackoil::BlackOil>;

struct TraverseSetup {
    Line line;
    FluidKind fluid_kind;
    TraverseOptions options;
    std::optional<LiftGas> lift;  // gas lift, with the black oil only
    double atm_pres = 0;  // Pa, what gauge readings were converted with; 0 when none was given
    LoadingCriterion loading = LoadingCriterion::None;  // liquid loading judged along the traverse (loading.hpp)
    const Fluid& fluid() const {
        return std::visit([](const auto& f) -> const Fluid& { return f; }, fluid_kind);
    }
    // The fluid where it is the black oil, else null.
    const blackoil::BlackOil* black_oil() const { return std::get_if<blackoil::BlackOil>(&fluid_kind); }
};
// Throws OptionError saying what is wrong with the options (among
// them anything the model would refuse at the first point: a diameter,
// roughness or what the fluid gives there outside the model's range, named by
// option or profile line), and ReadError for a profile or table that
// cannot be read.
//
// With Rates::SetByCaller (nodal analysis: the caller marches many rates of
// the black oil) the request's rates are not read: the fluid comes with none,
// its gas ratio and water cut only checked, and the first point is not.
// With Rates::FromMeasurements (matching well tests: each test brings its
// own rates) neither the rates nor their ratios are read.
enum class Rates { Given, SetByCaller, FromMeasurements };
TraverseSetup setup_traverse(const TraverseRequest& request, Rates rates = Rates::Given);

// The march of a set-up traverse; the summary names the atmospheric pressure
// used for gauge readings.
TraverseResult traverse(const TraverseSetup& setup);

// The same set-up traverse with each of `methods`, on the library's parallel
// loop: everything else (gas lift, its mandrels, heat transfer, the factors)
// is the setup's, so that a method in a list gives what it gives alone.
std::vector<TraverseResult> traverse_methods(const TraverseSetup& setup, const std::vector<Method>& methods,
                                             unsigned jobs = 0);

}  // namespace flowmodel

#endif
