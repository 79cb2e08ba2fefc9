// From the options a user gives (the command's, or Python's keywords) to
// the line, the fluid and the march options, with every check of the input
// in one place.
#include "flowmodel/loading.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/option_error.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/parallel.hpp"

namespace flowmodel {

namespace {

[[noreturn]] void fail(const std::string& what) { throw OptionError(what); }

using D = Dimension;

// The word-valued options, the words each takes and what it chooses.
struct WordOption {
    const char* name;
    std::vector<const char*> words;
    const char* meaning;
};
const std::vector<WordOption> kWordOptions = {
    {"z-method", {"hall-yarborough", "dranchuk-abou-kassem"}, "a black-oil correlation: the gas's Z factor"},
    {"dead-oil", {"beggs-robinson", "glaso"}, "a black-oil correlation: the dead oil's viscosity"},
    {"live-oil", {"beggs-robinson", "chew-connally"}, "a black-oil correlation: the live oil's viscosity"},
    {"loading", {"turner", "coleman"},
     "judge a gas well's liquid loading: the droplet model with Turner's 20 % (turner) or without (coleman)"},
};

// Options of the black-oil fluid, which --api chooses.
const char* const kBlackOilOptions[] = {"gas-gravity", "water-gravity", "salinity", "co2", "h2s", "n2", "cgr", "wgr",
                                        "oil-rate", "water-rate", "water-cut", "gor", "glr"};

// The rates at standard conditions from the options: the liquid rate with
// its water cut, or the oil and water rates; the gas from its ratio.
}  // namespace

namespace {
// The surroundings' temperatures a well or line can have, K, and the
// steepest geothermal gradient, K/m.
constexpr double kLeastSurroundings = 200, kMostSurroundings = 700, kSteepestGradient = 0.2;
}  // namespace

Geothermal geothermal(const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) {
        fail("{geothermal} takes the surface temperature and the gradient: \"60degF, 1.5degF/100ft\"");
    }
    Geothermal g;
    g.surface = parse_quantity("geothermal", text.substr(0, comma), D::Temperature).value;
    g.gradient = parse_quantity("geothermal", text.substr(comma + 1), D::TemperatureGradient).value;
    if (!(g.surface >= kLeastSurroundings && g.surface <= kMostSurroundings)) {
        fail("{geothermal}: the surface temperature must be from -73 to 427 degC (200 to 700 K)");
    }
    // The hottest geothermal fields rise about 0.2 K/m; a gradient that
    // falls with depth is permafrost's or a cold sea's, and as shallow.
    if (!(g.gradient >= -kSteepestGradient && g.gradient <= kSteepestGradient)) {
        fail("{geothermal}: a gradient must be from -20 to 20 degC/100m (-11 to 11 degF/100ft): no rock's is steeper");
    }
    return g;
}

namespace {

// A gas well as engineers give it: its gas rate at standard conditions and
// the condensate and water it brings per gas (its yields, 0 where not given).
void gas_well_rates(const TraverseNumbers& g, blackoil::BlackOilInputs& in) {
    if (g.oil_rate || g.liquid_rate || g.water_rate || g.water_cut || g.gor || g.glr) {
        fail("with {api}, {gas-rate} gives a gas well with its yields {cgr} and {wgr}: give no {oil-rate}, "
             "{liquid-rate}, {water-rate}, {water-cut}, {gor} or {glr} with it");
    }
    if (g.gas_rate->unit == D::MassRate) fail("with {api}, {gas-rate} is a volume rate at standard conditions (Mscf/d, Sm3/d)");
    if (g.gas_rate->unit == D::None) {
        const std::string v = io::format_double(g.gas_rate->value);
        fail("{gas-rate} " + v + " has no unit: with {api} it is a volume rate at standard conditions and would be " + v +
             " Sm3/s (" + io::format_rounded(to_system(UnitSystem::Field, D::GasRate, g.gas_rate->value)) +
             " Mscf/d): write its unit ('" + v + " Mscf/d', '" + v + " Sm3/d')");
    }
    const double q = g.gas_rate->value, cgr = g.cgr ? g.cgr->value : 0, wgr = g.wgr ? g.wgr->value : 0;
    if (q < 0 || cgr < 0 || wgr < 0) fail("{gas-rate}, {cgr} and {wgr} must not be negative");
    if (q == 0) fail("{gas-rate} is 0: there is no flow");
    in.gas_rate = q;
    in.oil_rate = q * cgr;
    in.water_rate = q * wgr;
}

void standard_rates(const TraverseNumbers& g, blackoil::BlackOilInputs& in) {
    if (g.gas_rate.has_value()) return gas_well_rates(g, in);
    if (g.cgr || g.wgr) fail("{cgr} and {wgr} are a gas well's yields: give them with {gas-rate}");
    if (g.liquid_rate.has_value()) {
        if (g.oil_rate.has_value() || g.water_rate.has_value()) fail("give {liquid-rate} with {water-cut}, or {oil-rate} and {water-rate}");
        if (!g.water_cut.has_value()) fail("{liquid-rate} needs {water-cut}");
        if (g.liquid_rate->unit == D::MassRate) {
            fail("with {api}, {liquid-rate} is a volume rate at standard conditions (STB/d, Sm3/d, m3/s)");
        }
        if (g.liquid_rate->unit == D::None) {
            const std::string v = io::format_double(g.liquid_rate->value);
            fail("{liquid-rate} " + v + " has no unit: with {api} it is a volume rate at standard conditions and would "
                 "be " + v + " Sm3/s (" + io::format_rounded(to_system(UnitSystem::Field, D::LiquidRate, g.liquid_rate->value)) +
                 " STB/d): write its unit ('" + v + " STB/d', '" + v + " Sm3/d')");
        }
        const double q = g.liquid_rate->value, wc = g.water_cut->value;
        if (!(wc >= 0 && wc <= 1)) fail("{water-cut} must be from 0 to 1 (0 to 100%)");
        if (q < 0) fail("rates must not be negative");
        in.oil_rate = q * (1 - wc);
        in.water_rate = q * wc;
    } else {
        if (g.water_cut.has_value()) fail("{water-cut} goes with {liquid-rate}");
        if (!g.oil_rate.has_value()) fail("give {oil-rate} (and {water-rate}), or {liquid-rate} and {water-cut}, with {api}");
        in.oil_rate = g.oil_rate->value;
        in.water_rate = g.water_rate.has_value() ? g.water_rate->value : 0;
    }
    if (in.oil_rate < 0 || in.water_rate < 0) fail("rates must not be negative");
    if (g.gor.has_value() == g.glr.has_value()) fail("give one of {gor} and {glr}");
    const double ratio = g.gor.has_value() ? g.gor->value : g.glr->value;
    if (ratio < 0) fail(std::string(g.gor.has_value() ? "{gor}" : "{glr}") + " must not be negative");
    if (g.gor.has_value() && in.oil_rate == 0 && ratio > 0) fail("{gor} with no oil gives no gas: give {glr}");
    in.gas_rate = g.gor.has_value() ? ratio * in.oil_rate : ratio * (in.oil_rate + in.water_rate);
    if (in.oil_rate == 0 && in.water_rate == 0 && in.gas_rate == 0) fail("all rates are 0: there is no flow");
}

blackoil::BlackOilInputs black_oil_inputs(const TraverseRequest& request, Rates rates) {
    const TraverseNumbers& g = request.given;
    auto has = [&](const char* n) { return (g.*number_member(n)).has_value(); };
    for (const char* n : {"rol", "visl", "sigma", "gas-molar-mass", "z", "visg"}) {
        if (has(n)) fail(std::string("{") + n + "} cannot be combined with {api} (the black-oil fluid gives it)");
    }
    // A gas well's rate and yields give a traverse's rates; verbs that set
    // the rates themselves split them by the gas ratio and the water cut.
    if (rates != Rates::Given && has("gas-rate")) fail("{gas-rate} gives a traverse's rates; here they are swept or measured");
    if (rates == Rates::FromMeasurements && (has("cgr") || has("wgr"))) {
        fail("{cgr} and {wgr} give a traverse's rates; each test brings its own");
    }
    if (!request.fluid_table.empty()) fail("{fluid-table} cannot be combined with {api}");
    blackoil::BlackOilInputs in;
    in.api = g.api->value;
    if (!g.gas_gravity.has_value()) fail("give {gas-gravity} (air = 1) with {api}");
    in.gas_gravity = g.gas_gravity->value;
    in.co2 = g.co2.has_value() ? g.co2->value : 0;
    in.h2s = g.h2s.has_value() ? g.h2s->value : 0;
    in.n2 = g.n2.has_value() ? g.n2->value : 0;
    bool water = false;  // the well produces water: its gravity or salinity is needed
    if (rates == Rates::Given) {
        standard_rates(g, in);
        water = in.water_rate > 0;
    } else if (rates == Rates::FromMeasurements) {
        water = false;  // the caller checks the water's gravity against the tests' water
    } else if (g.cgr || g.wgr) {
        water = g.wgr && g.wgr->value > 0;  // a gas well's yields split the swept gas (checked by the caller)
    } else {
        if (g.gor.has_value() == g.glr.has_value()) fail("give one of {gor} and {glr}");
        if ((g.gor ? g.gor : g.glr)->value < 0) fail(std::string(g.gor.has_value() ? "{gor}" : "{glr}") + " must not be negative");
        if (g.water_cut && !(g.water_cut->value >= 0 && g.water_cut->value <= 1)) {
            fail("{water-cut} must be from 0 to 1 (0 to 100%)");
        }
        water = g.water_cut && g.water_cut->value > 0;
    }
    if (g.water_gravity.has_value() && g.salinity.has_value()) fail("give {water-gravity} or {salinity}, not both");
    if (water && !g.water_gravity.has_value() && !g.salinity.has_value()) {
        fail("give {water-gravity} or {salinity} for the produced water");
    }
    if (g.salinity.has_value()) in.salinity = g.salinity->value;
    if (g.water_gravity.has_value()) in.water_gravity = g.water_gravity->value;
    auto word = [&](const char* n, const char* fallback) {
        const auto w = request.words.find(n);
        return w == request.words.end() ? std::string(fallback) : w->second;
    };
    in.z_method = word("z-method", "hall-yarborough") == "hall-yarborough" ? blackoil::ZMethod::HallYarborough
                                                                             : blackoil::ZMethod::DranchukAbouKassem;
    in.dead_oil = word("dead-oil", "beggs-robinson") == "glaso" ? blackoil::DeadOil::Glaso : blackoil::DeadOil::BeggsRobinson;
    in.live_oil = word("live-oil", "beggs-robinson") == "chew-connally" ? blackoil::LiveOil::ChewConnally
                                                                         : blackoil::LiveOil::BeggsRobinson;
    return in;
}



// The model's own bounds on the pipe (it reports improper input outside them).
constexpr double kModelMinDiam = 1e-6, kModelMaxDiam = 1e3;  // m

// The model at the point where the march starts, with what the fluid gives
// there: input the model refuses is the user's to mend (exit 2), named here,
// not a line that cannot carry the flow. A fluid without a state there is
// left to the march, which stops and says where.
void check_first_point(const Line& line, const Fluid& fluid, const TraverseOptions& opt, const char* fluid_name) {
    const std::vector<LineNode>& n = line.nodes;
    const bool at_last = opt.from_outlet != line.flow_decreasing;  // the march starts at the last node
    const LineNode& a = at_last ? n.back() : n.front();
    const LineNode& seg = at_last ? n[n.size() - 2] : n.front();  // its segment's diameter and roughness
    const LineNode& other = at_last ? n[n.size() - 2] : n[1];
    FluidState f;
    try {
        f = fluid.at(opt.pres, a.temp);
    } catch (const FluidError&) {
        return;
    }
    const double area = constant::kPi * seg.diam * seg.diam / 4;
    const double ds = std::fabs(other.md - a.md);
    const double sine = std::max(-1.0, std::min(1.0, (other.z - a.z) / ds));
    const Inputs in{f.ql / area, f.qg / area, f.rol, f.rog, f.visl, f.visg, seg.rough, f.sigma, seg.diam,
                    std::asin(sine) * 180 / constant::kPi, opt.pres};
    const Result r = evaluate(in);
    if (r.status != Status::ImproperInput) return;
    char where[96];
    std::snprintf(where, sizeof where, " at the first point (md %.1f m, %.0f Pa, %.2f K)", a.md, opt.pres, a.temp);
    auto out = [&](const char* what, double v, const char* unit, const char* range) {
        fail(std::string(fluid_name) + " gives " + what + " " + io::format_double(v) + " " + unit + where +
             ", outside the model's range " + range);
    };
    if (!(f.sigma >= 1e-5 && f.sigma <= 100)) out("a surface tension of", f.sigma, "N/m", "1e-05 to 100 N/m");
    if (!(f.rol >= 1e-10 && f.rol <= 1e5)) out("a liquid density of", f.rol, "kg/m3", "1e-10 to 1e+05 kg/m3");
    if (!(f.rog >= 1e-10)) out("a gas density of", f.rog, "kg/m3", "from 1e-10 kg/m3");
    if (!(f.visl >= 1e-10)) out("a liquid viscosity of", f.visl, "Pa s", "from 1e-10 Pa s");
    if (!(f.visg >= 1e-10)) out("a gas viscosity of", f.visg, "Pa s", "from 1e-10 Pa s");
    if (!(in.usl <= 1e4)) out("a superficial liquid velocity of", in.usl, "m/s", "0 to 1e+04 m/s");
    fail(std::string(fluid_name) + where + " gives input the model refuses: " + r.message);
}

}  // namespace

const std::vector<TraverseOption> kTraverseOptions = {
    {"length", D::Length, D::None, &TraverseNumbers::length, "length of a straight line"},
    {"angle", D::Angle, D::None, &TraverseNumbers::angle, "inclination of a straight line, degrees from horizontal"},
    {"diam", D::Length, D::None, &TraverseNumbers::diam, "inner diameter"},
    {"rough", D::Length, D::None, &TraverseNumbers::rough, "absolute roughness"},
    {"liquid-rate", D::MassRate, D::LiquidRate, &TraverseNumbers::liquid_rate, "liquid: mass rate, or with {api} standard volume rate"},
    {"gas-rate", D::MassRate, D::GasRate, &TraverseNumbers::gas_rate,
     "gas: mass rate, or with {api} standard volume rate (a gas well, with {cgr} and {wgr})"},
    {"rol", D::Density, D::None, &TraverseNumbers::rol, "liquid density"},
    {"visl", D::Viscosity, D::None, &TraverseNumbers::visl, "liquid viscosity"},
    {"sigma", D::Tension, D::None, &TraverseNumbers::sigma, "surface tension"},
    {"gas-molar-mass", D::MolarMass, D::None, &TraverseNumbers::gas_molar_mass, "gas molar mass"},
    {"z", D::None, D::None, &TraverseNumbers::z, "gas compressibility factor"},
    {"visg", D::Viscosity, D::None, &TraverseNumbers::visg, "gas viscosity"},
    {"temp", D::Temperature, D::None, &TraverseNumbers::temp, "temperature along the whole line"},
    {"temp-in", D::Temperature, D::None, &TraverseNumbers::temp_in, "inlet temperature"},
    {"temp-out", D::Temperature, D::None, &TraverseNumbers::temp_out, "outlet temperature"},
    {"inlet-pres", D::Pressure, D::None, &TraverseNumbers::inlet_pres, "inlet pressure (absolute)"},
    {"outlet-pres", D::Pressure, D::None, &TraverseNumbers::outlet_pres, "outlet pressure (absolute)"},
    {"tol", D::PressureStep, D::None, &TraverseNumbers::tol, "pressure tolerance per segment"},
    {"max-pres", D::Pressure, D::None, &TraverseNumbers::max_pres, "highest inlet pressure marched to"},
    {"output-step", D::Length, D::None, &TraverseNumbers::output_step, "largest distance between output points (default: 1/200 of the line, at most 30 m)"},
    {"atm-pres", D::Pressure, D::None, &TraverseNumbers::atm_pres, "atmospheric pressure for gauge readings (psig, barg, kPag); 14.696 psia"},
    {"holdup-factor", D::None, D::None, &TraverseNumbers::holdup_factor, "multiplier of the method's liquid holdup (its gravity part), 1 untuned"},
    {"friction-factor", D::None, D::None, &TraverseNumbers::friction_factor, "multiplier of the method's friction part, 1 untuned"},
    {"lift-gas-rate", D::GasRate, D::None, &TraverseNumbers::lift_gas_rate, "lift gas injected, at standard conditions"},
    {"injection-depth", D::Length, D::None, &TraverseNumbers::injection_depth, "measured depth where the lift gas enters the tubing"},
    {"lift-gas-gravity", D::None, D::None, &TraverseNumbers::lift_gas_gravity, "lift gas specific gravity, air = 1 (default: the produced gas's)"},
    {"casing-pres", D::Pressure, D::None, &TraverseNumbers::casing_pres, "lift gas: surface injection pressure of the annulus"},
    {"injection-dp", D::PressureStep, D::None, &TraverseNumbers::injection_dp, "lift gas: least casing-over-tubing pressure that injects (100 psi)"},
    {"u-value", D::HeatTransferCoefficient, D::None, &TraverseNumbers::u_value, "heat transfer: overall coefficient per inside wall area (with ramey: the completion's, default none)"},
    {"ambient", D::Temperature, D::None, &TraverseNumbers::ambient, "heat transfer: the surroundings' temperature along a line"},
    {"producing-time", D::Time, D::None, &TraverseNumbers::producing_time, "heat transfer (ramey): how long the well has produced"},
    {"formation-conductivity", D::Conductivity, D::None, &TraverseNumbers::formation_conductivity, "heat transfer (ramey): the rock's thermal conductivity (1.4 Btu/hr/ft/degF)"},
    {"formation-diffusivity", D::Diffusivity, D::None, &TraverseNumbers::formation_diffusivity, "heat transfer (ramey): the rock's thermal diffusivity (0.04 ft2/hr)"},
    {"hole-diam", D::Length, D::None, &TraverseNumbers::hole_diam, "heat transfer (ramey): the drilled hole's diameter, where the cement meets the rock"},
    {"cpl", D::SpecificHeat, D::None, &TraverseNumbers::cpl, "heat transfer: the constant liquid's specific heat"},
    {"cpg", D::SpecificHeat, D::None, &TraverseNumbers::cpg, "heat transfer: the gas's specific heat (constant Z: an ideal gas)"},
    {"api", D::OilGravity, D::None, &TraverseNumbers::api, "stock-tank oil gravity; chooses the black-oil fluid"},
    {"gas-gravity", D::None, D::None, &TraverseNumbers::gas_gravity, "produced gas specific gravity, air = 1"},
    {"water-gravity", D::None, D::None, &TraverseNumbers::water_gravity, "produced water specific gravity, fresh water = 1"},
    {"salinity", D::Fraction, D::None, &TraverseNumbers::salinity, "dissolved solids of the water, mass fraction"},
    {"co2", D::Fraction, D::None, &TraverseNumbers::co2, "CO2 mole fraction of the gas"},
    {"h2s", D::Fraction, D::None, &TraverseNumbers::h2s, "H2S mole fraction of the gas"},
    {"n2", D::Fraction, D::None, &TraverseNumbers::n2, "N2 mole fraction of the gas"},
    {"oil-rate", D::LiquidRate, D::None, &TraverseNumbers::oil_rate, "stock-tank oil rate"},
    {"water-rate", D::LiquidRate, D::None, &TraverseNumbers::water_rate, "water rate at standard conditions"},
    {"water-cut", D::Fraction, D::None, &TraverseNumbers::water_cut, "water fraction of the liquid rate"},
    {"gor", D::GasRatio, D::None, &TraverseNumbers::gor, "produced gas-oil ratio"},
    {"glr", D::GasRatio, D::None, &TraverseNumbers::glr, "produced gas-liquid ratio"},
    {"cgr", D::LiquidGasRatio, D::None, &TraverseNumbers::cgr,
     "a gas well's condensate per gas at standard conditions, with {gas-rate} (its yield; 0 without)"},
    {"wgr", D::LiquidGasRatio, D::None, &TraverseNumbers::wgr,
     "a gas well's water per gas at standard conditions, with {gas-rate} (0 without)"},
};

void set_profile_unit(TraverseRequest& request, const std::string& name) {
    double factor = 0, offset = 0;
    if ((name != "m" && name != "ft") || !find_unit(Dimension::Length, name, factor, offset)) {
        fail("{profile-unit} takes m or ft");
    }
    request.profile_unit = factor;
}

void set_flow_direction(TraverseRequest& request, const std::string& word) {
    if (word.empty()) return;
    if (word != "increasing" && word != "decreasing") fail("{flow-direction} takes increasing or decreasing");
    request.flow_decreasing = word == "decreasing";
    request.flow_direction_stated = true;
}

std::optional<Given> TraverseNumbers::*number_member(const std::string& name) {
    for (const TraverseOption& o : kTraverseOptions) {
        if (name == o.name) return o.member;
    }
    return nullptr;
}

std::string word_option_usage(const std::string& name) {
    for (const WordOption& w : kWordOptions) {
        if (name != w.name) continue;
        std::string words;
        for (const char* word : w.words) words += std::string(words.empty() ? "" : "|") + word;
        return words + "\t" + w.meaning;
    }
    return "";
}

std::vector<std::string> traverse_option_names() {
    std::vector<std::string> names;
    names.reserve(kTraverseOptions.size() + kWordOptions.size());
    for (const TraverseOption& o : kTraverseOptions) names.emplace_back(o.name);
    for (const WordOption& w : kWordOptions) names.emplace_back(w.name);
    names.emplace_back("method");
    names.emplace_back("mandrels");
    names.emplace_back("heat");
    names.emplace_back("geothermal");
    return names;
}

void set_option(TraverseRequest& request, const std::string& name, const std::string& text) {
    if (name == "heat") {
        for (HeatLaw law : {HeatLaw::Adiabatic, HeatLaw::UValue, HeatLaw::Ramey}) {
            if (text == heat_law_name(law)) {
                request.heat = law;
                return;
            }
        }
        fail("{heat} takes u-value, ramey or none; '" + io::shorten(text) + "' is none of them");
    }
    if (name == "geothermal") {
        geothermal(text);  // checked now, read again at set-up
        request.geothermal = text;
        return;
    }
    if (name == "mandrels") {
        for (const Quantity& q : parse_quantity_list(name, text, D::Length)) {
            if (!(q.value > 0)) fail("{mandrels} are measured depths below the wellhead, above 0");
        }
        request.mandrels = text;
        return;
    }
    if (name == "method") {
        const MethodInfo* m = method_named(text);
        if (!m) fail("{method} takes " + method_names() + "; '" + io::shorten(text) + "' is none of them");
        request.method = m->method;
        return;
    }
    for (const WordOption& w : kWordOptions) {
        if (name != w.name) continue;
        std::string list;
        for (const char* word : w.words) {
            if (text == word) {
                request.words[name] = text;
                return;
            }
            list += list.empty() ? "" : " or ";
            list += word;
        }
        fail(std::string("{") + name + "} takes " + list);
    }
    for (const TraverseOption& o : kTraverseOptions) {
        if (name != o.name) continue;
        const Quantity q = parse_quantity(name, text, o.dim, o.alt);
        if (q.gauge && name == "atm-pres") fail("{atm-pres} is an absolute pressure (psia, bar, kPa), not a gauge reading");
        request.given.*o.member = Given{q.value, q.unit, q.gauge};
        return;
    }
    fail("unknown option '{" + name + "}'");
}

namespace {

// A well may produce or inject, and the direction must be said: a profile
// given by depths (tvd or inclinations, a well's survey, however deviated)
// or one whose last point lies below its first by more than a tenth of its
// length (steeper than a pipeline's terrain) is taken for a well.
void refuse_unstated_direction(const Line& line) {
    const LineNode& first = line.nodes.front();
    const LineNode& last = line.nodes.back();
    const double fall = first.z - last.z, length = last.md - first.md;
    if (!(fall > 0.1 * length) && !(line.surveyed && fall > 0)) return;
    fail("{profile} descends as a well does (its last point " + mark_length(fall) + " below its first): give {flow-direction} decreasing for a producer (the flow rising to the first "
         "point, the wellhead) or {flow-direction} increasing for an injector");
}

// Every number finite; gauge readings turned absolute with the site's
// atmosphere (checked). Returns the atmosphere, `any` whether a gauge reading was given.
double absolute_numbers(TraverseNumbers& g, bool& any) {
    for (const TraverseOption& o : kTraverseOptions) {
        if (g.*o.member && !std::isfinite((g.*o.member)->value)) fail(std::string("{") + o.name + "} is not a finite number");
    }
    const double atm = g.atm_pres ? g.atm_pres->value : constant::kStandardAtmosphere;
    if (!(atm >= 1e4 && atm <= 2e5)) fail("{atm-pres} must be from 10 to 200 kPa (1.45 to 29 psia)");
    any = false;
    for (const TraverseOption& o : kTraverseOptions) {
        if (!(g.*o.member && (g.*o.member)->gauge)) continue;
        (g.*o.member)->value += atm;
        any = true;
    }
    return atm;
}

// The line from the profile or the straight line's options, its pipe
// within what the model takes.
Line make_line(const TraverseRequest& request, const TraverseNumbers& g) {
    // What the model refuses in the pipe, named by option before the profile.
    if (g.diam.has_value() && !(g.diam->value >= kModelMinDiam && g.diam->value <= kModelMaxDiam)) {
        fail("{diam} " + io::format_double(g.diam->value) + " m is outside the model's range 1e-06 to 1000 m");
    }
    if (g.diam.has_value() && g.rough.has_value() && g.rough->value > g.diam->value) {
        fail("{rough} " + io::format_double(g.rough->value) + " m is larger than {diam} " + io::format_double(g.diam->value) +
             " m: the model takes a roughness from 0 to the diameter");
    }
    Line line;
    const double diam = (g.diam ? g.diam->value : 0), rough = (g.rough ? g.rough->value : 0);
    if (rough < 0) fail("{rough} must not be negative");
    if (!request.profile.empty()) {
        if (g.length.has_value() || g.angle.has_value()) fail("give {profile} or {length}/{angle}, not both");
        line = read_profile(request.profile, diam, rough, request.profile_unit);
    } else {
        if (!g.length.has_value()) fail("give {length} L {angle} A or {profile} FILE");
        if (!(diam > 0)) fail("{diam} must be a positive diameter");
        line = straight_line(g.length->value, (g.angle ? g.angle->value : 0), diam, rough, 0, 0);
    }
    line.flow_decreasing = request.flow_decreasing;
    if (!request.profile.empty() && !request.flow_decreasing && !request.flow_direction_stated) refuse_unstated_direction(line);
    for (const LineNode& n : line.nodes) {
        const std::string where = n.row > 0 ? "profile line " + std::to_string(n.row) + ": " : "";
        if (!(n.diam >= kModelMinDiam && n.diam <= kModelMaxDiam)) {
            fail(where + "the diameter " + io::format_double(n.diam) + " m is outside the model's range 1e-06 to 1000 m");
        }
        if (n.rough > n.diam) {
            fail(where + "the roughness " + io::format_double(n.rough) + " m is larger than the diameter " +
                 io::format_double(n.diam) + " m ({rough}, or the profile's rough and diam)");
        }
    }
    return line;
}

// Options of heat transfer, which --heat asks for (the specific heats are
// checked with the fluid).
const char* const kHeatOptions[] = {"u-value", "ambient", "producing-time", "formation-conductivity",
                                    "formation-diffusivity", "hole-diam"};

constexpr double kDefaultConductivity = 1.4 * unit::kBtuPerHrFtF;          // W/(m K): 1.4 Btu/(hr ft degF)
constexpr double kDefaultDiffusivity = 0.04 * unit::kFoot * unit::kFoot / 3600;  // m2/s: 0.04 ft2/hr

// Temperature along the line: constant, linear in md, or the profile's column.
void set_temperatures(Line& line, const TraverseNumbers& g) {
    const bool profile_temp = !line.nodes.empty() && line.nodes.front().temp > 0;
    if (g.temp.has_value() + (g.temp_in.has_value() || g.temp_out.has_value()) + profile_temp > 1) {
        fail("give one temperature: {temp}, {temp-in}/{temp-out}, or the profile's temp column");
    }
    if (g.temp.has_value()) {
        for (auto& n : line.nodes) n.temp = g.temp->value;
    } else if (g.temp_in.has_value() || g.temp_out.has_value()) {
        if (!g.temp_in.has_value() || !g.temp_out.has_value()) fail("{temp-in} and {temp-out} go together");
        // Inlet and outlet in the flow direction, linear in md.
        const double md0 = line.nodes.front().md, md1 = line.nodes.back().md;
        for (auto& n : line.nodes) {
            double w = (n.md - md0) / (md1 - md0);
            if (line.flow_decreasing) w = 1 - w;
            n.temp = g.temp_in->value + (g.temp_out->value - g.temp_in->value) * w;
        }
    } else if (!profile_temp) {
        fail("give the temperature: {temp}, {temp-in}/{temp-out}, or a temp column");
    }
    for (const auto& n : line.nodes) {
        if (!(n.temp > 0)) fail("temperatures must be above 0 K");
    }
}

// The surroundings' temperature as the line's: a geothermal profile below
// the first point, an ambient temperature, or the profile's tsurr column.
void set_surroundings(Line& line, const TraverseRequest& request, const TraverseNumbers& g) {
    const bool column = line.nodes.front().tsurr > 0;
    if (line.nodes.front().temp > 0 || g.temp || g.temp_out) {
        fail("with {heat} the fluid's temperature is computed: give the surroundings' ({geothermal}, {ambient} or a "
             "tsurr column) and {temp-in}, where the fluid enters (a well's default: the geothermal temperature at "
             "its bottom)");
    }
    if (!request.geothermal.empty() + g.ambient.has_value() + column != 1) {
        fail("{heat} needs the surroundings' temperature: one of {geothermal}, {ambient} or a tsurr column");
    }
    if (column) {
        for (auto& n : line.nodes) n.temp = n.tsurr;
    } else if (g.ambient) {
        if (!(g.ambient->value > 0)) fail("{ambient} must be above 0 K");
        for (auto& n : line.nodes) n.temp = g.ambient->value;
    } else {
        const Geothermal geo = geothermal(request.geothermal);
        const double z_surface = line.nodes.front().z;
        for (auto& n : line.nodes) n.temp = geo.surface + geo.gradient * (z_surface - n.z);
    }
    for (const auto& n : line.nodes) {
        if (!(n.temp >= kLeastSurroundings && n.temp <= kMostSurroundings)) {
            fail("the surroundings' temperature reaches " + io::format_double(std::round(n.temp * 10) / 10) +
                 " K at md " + io::format_double(std::round(n.md * 10) / 10) +
                 " m; it must stay from 200 to 700 K (-73 to 427 degC) along the line ({geothermal}, {ambient} "
                 "or the tsurr column)");
        }
    }
}

// The law of heat transfer and its numbers; the line's temperature already
// the surroundings'.
HeatTransfer heat_transfer(const TraverseRequest& request, const TraverseNumbers& g, const Line& line) {
    HeatTransfer h;
    h.law = request.heat;
    if (h.law == HeatLaw::UValue && !g.u_value) fail("{heat} u-value needs {u-value}");
    if (h.law == HeatLaw::Adiabatic && g.u_value) fail("{u-value} goes with {heat} u-value or ramey, not none");
    if (g.u_value) {
        h.u_value = g.u_value->value;
        if (!(h.u_value > 0)) fail("{u-value} must be positive (for no heat transfer: {heat} none)");
    }
    const bool ramey_given = g.producing_time || g.formation_conductivity || g.formation_diffusivity || g.hole_diam;
    if (h.law != HeatLaw::Ramey && ramey_given) {
        fail("{producing-time}, {formation-conductivity}, {formation-diffusivity} and {hole-diam} go with {heat} ramey");
    }
    if (h.law == HeatLaw::Ramey) {
        if (!g.producing_time || !g.hole_diam) fail("{heat} ramey needs {producing-time} and {hole-diam}");
        h.producing_time = g.producing_time->value;
        h.hole_radius = 0.5 * g.hole_diam->value;
        h.conductivity = g.formation_conductivity ? g.formation_conductivity->value : kDefaultConductivity;
        h.diffusivity = g.formation_diffusivity ? g.formation_diffusivity->value : kDefaultDiffusivity;
        if (!(h.producing_time > 0)) fail("{producing-time} must be positive");
        if (!(h.conductivity > 0) || !(h.diffusivity > 0)) {
            fail("{formation-conductivity} and {formation-diffusivity} must be positive");
        }
        for (const auto& n : line.nodes) {
            if (!(g.hole_diam->value > n.diam)) fail("{hole-diam} must be larger than the pipe's diameter");
        }
    }
    // Where the fluid enters: given, or the surroundings' there (a well's reservoir).
    const LineNode& inlet = line.flow_decreasing ? line.nodes.back() : line.nodes.front();
    if (g.temp_in) {
        h.inlet_temp = g.temp_in->value;
    } else if (g.ambient) {
        fail("give {temp-in}, the fluid's temperature where it enters the line");
    } else {
        h.inlet_temp = inlet.temp;
    }
    if (!(h.inlet_temp > 0)) fail("{temp-in} must be above 0 K");
    return h;
}

// The constant fluid's or the table's specific heats, which heat transfer needs.
void check_heat_capacities(const FluidKind& fluid, const TraverseNumbers& g, bool marched) {
    if (!marched) {
        if (g.cpl || g.cpg) fail("{cpl} and {cpg} are for heat transfer: give {heat} too");
        return;
    }
    if (const auto* c = std::get_if<ConstantLiquidRealGas>(&fluid)) {
        if (c->liquid_rate > 0 && !(c->cpl > 0)) fail("heat transfer needs the liquid's specific heat: give {cpl}");
        if (c->gas_rate > 0 && !(c->cpg > 0)) fail("heat transfer needs the gas's specific heat: give {cpg}");
    } else if (const auto* t = std::get_if<PropertyTable>(&fluid)) {
        if (t->cpl.empty()) {
            fail("heat transfer needs the specific heats: the fluid table has no columns cpl and cpg (J/kg/K)");
        }
    } else if (g.cpl || g.cpg) {
        fail("{cpl} and {cpg} cannot be combined with {api} (the black-oil fluid gives them)");
    }
}

// A constant liquid with a real gas, or a property table, at mass rates.
FluidKind mass_rate_fluid(const TraverseRequest& request, const TraverseNumbers& g) {
    auto has = [&](const char* n) { return (g.*number_member(n)).has_value(); };
    auto val = [&](const char* n) { return (g.*number_member(n))->value; };
    for (const char* n : kBlackOilOptions) {
        if (has(n)) fail(std::string("{") + n + "} belongs to the black-oil fluid: give {api} too");
    }
    if (!request.words.empty()) fail("{" + request.words.begin()->first + "} belongs to the black-oil fluid: give {api} too");
    if (g.liquid_rate && g.liquid_rate->unit == Dimension::LiquidRate) {
        fail("without {api}, {liquid-rate} is a mass rate (kg/s); a volume rate needs the black-oil fluid ({api})");
    }
    if (g.gas_rate && g.gas_rate->unit == Dimension::GasRate) {
        fail("without {api}, {gas-rate} is a mass rate (kg/s); a volume rate needs the black-oil fluid ({api})");
    }
    if (!g.liquid_rate.has_value() || !g.gas_rate.has_value()) fail("give {liquid-rate} and {gas-rate} (kg/s)");
    const double ml = g.liquid_rate->value, mg = g.gas_rate->value;
    if (ml < 0 || mg < 0) fail("rates must not be negative");
    if (ml == 0 && mg == 0) fail("both rates are 0: there is no flow");
    const bool constants = g.rol || g.visl || g.sigma || g.gas_molar_mass || g.z || g.visg;
    if (!request.fluid_table.empty()) {
        if (constants || g.cpl || g.cpg) fail("{fluid-table} cannot be combined with {rol}, {visl}, ... ");
        PropertyTable t = PropertyTable::read(request.fluid_table);
        t.liquid_rate = ml;
        t.gas_rate = mg;
        return t;
    }
    for (const char* n : {"rol", "visl", "sigma", "gas-molar-mass", "visg"}) {
        if (!has(n)) fail(std::string("give {") + n + "} (or {fluid-table} FILE, or {api} for black oil)");
        if (!(val(n) > 0)) fail(std::string("{") + n + "} must be positive");
    }
    if (!(g.sigma->value >= 1e-5 && g.sigma->value <= 100)) {
        fail("{sigma} " + io::format_double(g.sigma->value) + " N/m is outside the model's range 1e-05 to 100 N/m");
    }
    if (!(g.rol->value <= 1e5)) fail("{rol} " + io::format_double(g.rol->value) + " kg/m3 is above the model's 1e+05 kg/m3");
    if (!(g.visl->value >= 1e-10 && g.visg->value >= 1e-10)) fail("{visl} and {visg} must be at least 1e-10 Pa s");
    if ((g.cpl && !(g.cpl->value > 0)) || (g.cpg && !(g.cpg->value > 0))) fail("{cpl} and {cpg} must be positive");
    ConstantLiquidRealGas c;
    c.cpl = g.cpl ? g.cpl->value : 0;
    c.cpg = g.cpg ? g.cpg->value : 0;
    c.liquid_rate = ml;
    c.gas_rate = mg;
    c.rol = g.rol->value;
    c.visl = g.visl->value;
    c.sigma = g.sigma->value;
    c.molar_mass = g.gas_molar_mass->value;
    c.z = (g.z ? g.z->value : 1.0);
    c.visg = g.visg->value;
    if (!(c.z > 0)) fail("{z} must be positive");
    return c;
}

constexpr double kFinestTolerance = 1e-3;  // Pa per segment

// The boundary and the numerics of the march.
TraverseOptions march_options(const TraverseNumbers& g) {
    TraverseOptions opt;
    if (g.inlet_pres.has_value() == g.outlet_pres.has_value()) fail("give one of {inlet-pres} and {outlet-pres}");
    opt.from_outlet = g.outlet_pres.has_value();
    opt.pres = opt.from_outlet ? g.outlet_pres->value : g.inlet_pres->value;
    if (!(opt.pres >= 100)) {
        fail(std::string(opt.from_outlet ? "{outlet-pres}" : "{inlet-pres}") + " must be at least 100 Pa (absolute)");
    }
    opt.tol = (g.tol ? g.tol->value : 1.0);
    opt.max_pres = (g.max_pres ? g.max_pres->value : 1e9);
    opt.output_step = (g.output_step ? g.output_step->value : 0);
    if (g.output_step.has_value() && !(opt.output_step > 0)) fail("{output-step} must be a positive length");
    // Finer than this, the error estimate is the methods' own iteration noise:
    // every step would fall to the shortest and spend the march's budget.
    if (!(opt.tol >= kFinestTolerance)) {
        fail("{tol} must be at least " + io::format_double(kFinestTolerance) +
             " Pa: a finer tolerance is below what the methods' own iterations resolve");
    }
    opt.holdup_factor = g.holdup_factor ? g.holdup_factor->value : 1.0;
    opt.friction_factor = g.friction_factor ? g.friction_factor->value : 1.0;
    if (!(opt.holdup_factor >= kLeastFactor && opt.holdup_factor <= kMostFactor)) {
        fail("{holdup-factor} must be from " + io::format_double(kLeastFactor) + " to " + io::format_double(kMostFactor));
    }
    if (!(opt.friction_factor >= kLeastFactor && opt.friction_factor <= kMostFactor)) {
        fail("{friction-factor} must be from " + io::format_double(kLeastFactor) + " to " + io::format_double(kMostFactor));
    }
    return opt;
}

}  // namespace

namespace {

// A length for a message: to the millimetre, without float noise.
std::string metres(double m) { return io::format_double(std::round(m * 1000) / 1000) + " m"; }

constexpr double kDefaultInjectionDp = 100 * unit::kPsi;  // Pa: 100 psi

// The injection point from the casing: the mandrels inside the well, the casing pressure.
void from_casing(const TraverseNumbers& g, const std::string& mandrels, const TraverseSetup& setup, LiftGas& lift) {
    if (g.injection_depth) fail("give {injection-depth}, or {casing-pres} with {mandrels}, not both");
    if (!g.casing_pres || mandrels.empty()) fail("the injection point from the casing needs {casing-pres} and {mandrels}");
    lift.casing_pres = g.casing_pres->value;
    lift.injection_dp = g.injection_dp ? g.injection_dp->value : kDefaultInjectionDp;
    if (!(lift.injection_dp >= 0)) fail("{injection-dp} must not be negative");
    const double top = setup.line.nodes.front().md, bottom = setup.line.nodes.back().md;
    for (const Quantity& q : parse_quantity_list("mandrels", mandrels, D::Length)) {
        if (!(q.value > top && q.value < bottom)) {
            fail("{mandrels}: " + metres(q.value) + " lies outside the well (md " + metres(top) + " to " + metres(bottom) +
                 ")");
        }
        if (std::find(lift.mandrels.begin(), lift.mandrels.end(), q.value) != lift.mandrels.end()) {
            fail("{mandrels}: the mandrel at md " + metres(q.value) + " is given twice");
        }
        lift.mandrels.push_back(q.value);
    }
    lift.md = *std::max_element(lift.mandrels.begin(), lift.mandrels.end());
}

// Gas lift from the options: the lift gas at a depth inside the well, or
// through the mandrels the casing can inject at, with the black oil.
std::optional<LiftGas> lift_gas(const TraverseNumbers& g, const std::string& mandrels, const TraverseSetup& setup) {
    const bool casing = g.casing_pres || !mandrels.empty() || g.injection_dp;
    if (!g.lift_gas_rate && !g.injection_depth && !g.lift_gas_gravity && !casing) return std::nullopt;
    if (!g.lift_gas_rate) fail("{injection-depth}, {casing-pres}, {mandrels} and {lift-gas-gravity} go with {lift-gas-rate}");
    if (!setup.black_oil()) fail("gas lift needs the black-oil fluid: give {api}");
    LiftGas lift;
    lift.rate = g.lift_gas_rate->value;
    if (casing) {
        from_casing(g, mandrels, setup, lift);
    } else if (!g.injection_depth) {
        fail("give {injection-depth}, the measured depth where the lift gas enters the tubing, or {casing-pres} and "
             "{mandrels}");
    } else {
        lift.md = g.injection_depth->value;
    }
    lift.gravity = g.lift_gas_gravity ? g.lift_gas_gravity->value : 0.0;
    if (!(lift.rate >= 0)) fail("{lift-gas-rate} must not be negative");
    if (g.lift_gas_gravity && !(lift.gravity >= 0.55 && lift.gravity <= 1.8)) {
        fail("{lift-gas-gravity} must be from 0.55 to 1.8 (air = 1)");
    }
    const double top = setup.line.nodes.front().md, bottom = setup.line.nodes.back().md;
    if (lift.mandrels.empty() && !(lift.md > top && lift.md < bottom)) {
        fail("{injection-depth} " + metres(lift.md) + " lies outside the well (md " + metres(top) + " to " + metres(bottom) +
             ")");
    }
    return lift;
}

// Liquid loading, where asked for: judged along a well that flows up to its
// wellhead, without lift gas (whose gas is not the well's own). Like every
// word option it belongs to the black oil (refused without it), whose gas
// rate at standard conditions it gives.
LoadingCriterion loading_criterion(const TraverseRequest& request, const TraverseSetup& setup) {
    const auto word = request.words.find("loading");
    if (word == request.words.end()) return LoadingCriterion::None;
    if (setup.lift) fail("{loading} is not judged with lift gas: the droplet model is for a gas well's own gas");
    const LineNode& first = setup.line.nodes.front();
    const LineNode& last = setup.line.nodes.back();
    const bool rises = setup.line.flow_decreasing ? first.z > last.z : last.z > first.z;
    if (!rises) fail("{loading} is for a well flowing up to its wellhead: this line's outlet lies no higher than its inlet");
    return word->second == "coleman" ? LoadingCriterion::Coleman : LoadingCriterion::Turner;
}

}  // namespace

double atmosphere(const TraverseRequest& r) {
    return r.given.atm_pres ? r.given.atm_pres->value : constant::kStandardAtmosphere;
}

TraverseSetup setup_traverse(const TraverseRequest& request, Rates rates) {
    TraverseNumbers g = request.given;
    bool any_gauge = false;
    const double atm = absolute_numbers(g, any_gauge);
    Line line = make_line(request, g);
    const bool marched = request.heat != HeatLaw::Given;
    if (!marched) {
        for (const char* n : kHeatOptions) {
            if ((g.*number_member(n)).has_value()) {
                fail(std::string("{") + n + "} is for heat transfer: give {heat} too");
            }
        }
        if (!request.geothermal.empty()) fail("{geothermal} is for heat transfer: give {heat} too");
        if (line.nodes.front().tsurr > 0) fail("the profile's tsurr column is for heat transfer: give {heat} too");
        set_temperatures(line, g);
    } else {
        set_surroundings(line, request, g);
    }
    if (!g.api.has_value() && rates != Rates::Given) fail("the well's fluid is the black oil: give {api}");
    TraverseSetup setup{std::move(line),
                        g.api.has_value() ? FluidKind(blackoil::BlackOil(black_oil_inputs(request, rates)))
                                          : mass_rate_fluid(request, g),
                        march_options(g), std::nullopt};
    setup.options.method = request.method;
    check_heat_capacities(setup.fluid_kind, g, marched);
    if (marched) setup.options.heat = heat_transfer(request, g, setup.line);
    setup.lift = lift_gas(g, request.mandrels, setup);
    setup.loading = loading_criterion(request, setup);
    // With the rates still to come there is no first point to check.
    if (rates == Rates::Given) {
        check_first_point(setup.line, setup.fluid(), setup.options,
                          request.fluid_table.empty() ? g.api.has_value() ? "the black-oil fluid" : "the fluid"
                                                      : "the fluid table");
    }
    // An atmosphere given is stated even where no reading was a gauge's.
    setup.atm_pres = any_gauge || g.atm_pres ? atm : 0;
    return setup;
}


TraverseResult traverse(const TraverseSetup& setup) {
    TraverseResult r = setup.lift && setup.lift->rate > 0
                           ? traverse_lifted(setup.line, setup.black_oil()->inputs(), *setup.lift, setup.options)
                           : traverse(setup.line, setup.fluid(), setup.options);
    r.summary.atm_pres = setup.atm_pres;
    if (setup.loading != LoadingCriterion::None) {
        // The free gas's density at standard conditions as the black oil converts it.
        const double rho_gas_sc = blackoil::gas_density_sc(setup.black_oil()->inputs().gas_gravity) * unit::kLbPerFt3;
        assess_loading(setup.loading, r.points, rho_gas_sc, r.summary);
    }
    return r;
}


std::vector<TraverseResult> traverse_methods(const TraverseSetup& setup, const std::vector<Method>& methods,
                                             unsigned jobs) {
    std::vector<TraverseResult> out(methods.size());
    // One traverse per range: they are long and of unequal cost.
    parallel_for(methods.size(), jobs, 1, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            TraverseSetup one = setup;
            one.options.method = methods[i];
            out[i] = traverse(one);
        }
    });
    return out;
}

}  // namespace flowmodel
