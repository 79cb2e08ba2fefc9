// From the options a user gives (the command's, or Python's keywords) to
// the line, the fluid and the march options, with every check of the input
// in one place.
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/option_error.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/numbers.hpp"

namespace flowmodel {

namespace {

[[noreturn]] void fail(const std::string& what) { throw OptionError(what); }

using D = Dimension;

// The word-valued options and the words each takes.
struct WordOption {
    const char* name;
    std::vector<const char*> words;
};
const std::vector<WordOption> kWordOptions = {
    {"z-method", {"hall-yarborough", "dranchuk-abou-kassem"}},
    {"dead-oil", {"beggs-robinson", "glaso"}},
    {"live-oil", {"beggs-robinson", "chew-connally"}},
};

// Options of the black-oil fluid, which --api chooses.
const char* const kBlackOilOptions[] = {"gas-gravity", "water-gravity", "salinity", "co2", "h2s", "n2",
                                        "oil-rate", "water-rate", "water-cut", "gor", "glr"};

std::unique_ptr<blackoil::BlackOil> black_oil(const TraverseRequest& request) {
    auto has = [&](const char* n) { return request.values.count(n) > 0; };
    auto val = [&](const char* n) { return request.values.at(n); };
    for (const char* n : {"rol", "visl", "sigma", "gas-molar-mass", "z", "visg", "gas-rate"}) {
        if (has(n)) fail(std::string("{") + n + "} cannot be combined with {api} (the black-oil fluid gives it)");
    }
    if (!request.fluid_table.empty()) fail("{fluid-table} cannot be combined with {api}");
    blackoil::BlackOilInputs in;
    in.api = val("api");
    if (!has("gas-gravity")) fail("give {gas-gravity} (air = 1) with {api}");
    in.gas_gravity = val("gas-gravity");
    in.co2 = has("co2") ? val("co2") : 0;
    in.h2s = has("h2s") ? val("h2s") : 0;
    in.n2 = has("n2") ? val("n2") : 0;
    // Rates at standard conditions.
    if (has("liquid-rate")) {
        if (has("oil-rate") || has("water-rate")) fail("give {liquid-rate} with {water-cut}, or {oil-rate} and {water-rate}");
        if (!has("water-cut")) fail("{liquid-rate} needs {water-cut}");
        const auto u = request.units.find("liquid-rate");
        if (u != request.units.end() && u->second == D::MassRate) {
            fail("with {api}, {liquid-rate} is a volume rate at standard conditions (STB/d, Sm3/d, m3/s)");
        }
        const double q = val("liquid-rate"), wc = val("water-cut");
        if (!(wc >= 0 && wc <= 1)) fail("{water-cut} must be from 0 to 1 (0 to 100%)");
        if (q < 0) fail("rates must not be negative");
        in.oil_rate = q * (1 - wc);
        in.water_rate = q * wc;
    } else {
        if (has("water-cut")) fail("{water-cut} goes with {liquid-rate}");
        if (!has("oil-rate")) fail("give {oil-rate} (and {water-rate}), or {liquid-rate} and {water-cut}, with {api}");
        in.oil_rate = val("oil-rate");
        in.water_rate = has("water-rate") ? val("water-rate") : 0;
    }
    if (in.oil_rate < 0 || in.water_rate < 0) fail("rates must not be negative");
    if (has("gor") == has("glr")) fail("give one of {gor} and {glr}");
    const double ratio = has("gor") ? val("gor") : val("glr");
    if (ratio < 0) fail(std::string(has("gor") ? "{gor}" : "{glr}") + " must not be negative");
    if (has("gor") && in.oil_rate == 0 && ratio > 0) fail("{gor} with no oil gives no gas: give {glr}");
    in.gas_rate = has("gor") ? ratio * in.oil_rate : ratio * (in.oil_rate + in.water_rate);
    if (in.oil_rate == 0 && in.water_rate == 0 && in.gas_rate == 0) fail("all rates are 0: there is no flow");
    if (has("water-gravity") && has("salinity")) fail("give {water-gravity} or {salinity}, not both");
    if (in.water_rate > 0 && !has("water-gravity") && !has("salinity")) {
        fail("give {water-gravity} or {salinity} for the produced water");
    }
    if (has("salinity")) in.salinity = val("salinity");
    if (has("water-gravity")) in.water_gravity = val("water-gravity");
    auto word = [&](const char* n, const char* fallback) {
        const auto w = request.words.find(n);
        return w == request.words.end() ? std::string(fallback) : w->second;
    };
    in.z_method = word("z-method", "hall-yarborough") == "hall-yarborough" ? blackoil::ZMethod::HallYarborough
                                                                             : blackoil::ZMethod::DranchukAbouKassem;
    in.dead_oil = word("dead-oil", "beggs-robinson") == "glaso" ? blackoil::DeadOil::Glaso : blackoil::DeadOil::BeggsRobinson;
    in.live_oil = word("live-oil", "beggs-robinson") == "chew-connally" ? blackoil::LiveOil::ChewConnally
                                                                         : blackoil::LiveOil::BeggsRobinson;
    return std::make_unique<blackoil::BlackOil>(in);
}

// The model's own bounds on the pipe (it reports improper input outside them).
constexpr double kModelMinDiam = 1e-6, kModelMaxDiam = 1e3;  // m
constexpr double kStandardAtmosphere = 101325.0;            // Pa, 14.696 psia

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
    const double area = 3.14159265358979323846 * seg.diam * seg.diam / 4;
    const double ds = std::fabs(other.md - a.md);
    const double sine = std::max(-1.0, std::min(1.0, (other.z - a.z) / ds));
    const Inputs in{f.ql / area, f.qg / area, f.rol, f.rog, f.visl, f.visg, seg.rough, f.sigma, seg.diam,
                    std::asin(sine) * 180 / 3.14159265358979323846, opt.pres};
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
    {"length", D::Length, D::None, "length of a straight line"},
    {"angle", D::Angle, D::None, "inclination of a straight line, degrees from horizontal"},
    {"diam", D::Length, D::None, "inner diameter"},
    {"rough", D::Length, D::None, "absolute roughness"},
    {"liquid-rate", D::MassRate, D::LiquidRate, "liquid: mass rate, or with {api} standard volume rate"},
    {"gas-rate", D::MassRate, D::None, "gas mass rate"},
    {"rol", D::Density, D::None, "liquid density"},
    {"visl", D::Viscosity, D::None, "liquid viscosity"},
    {"sigma", D::Tension, D::None, "surface tension"},
    {"gas-molar-mass", D::MolarMass, D::None, "gas molar mass"},
    {"z", D::None, D::None, "gas compressibility factor"},
    {"visg", D::Viscosity, D::None, "gas viscosity"},
    {"temp", D::Temperature, D::None, "temperature along the whole line"},
    {"temp-in", D::Temperature, D::None, "inlet temperature"},
    {"temp-out", D::Temperature, D::None, "outlet temperature"},
    {"inlet-pres", D::Pressure, D::None, "inlet pressure (absolute)"},
    {"outlet-pres", D::Pressure, D::None, "outlet pressure (absolute)"},
    {"tol", D::PressureStep, D::None, "pressure tolerance per segment"},
    {"max-pres", D::Pressure, D::None, "highest inlet pressure marched to"},
    {"output-step", D::Length, D::None, "largest distance between output points (default: 1/200 of the line, at most 30 m)"},
    {"atm-pres", D::Pressure, D::None, "atmospheric pressure for gauge readings (psig, barg, kPag); 14.696 psia"},
    {"api", D::OilGravity, D::None, "stock-tank oil gravity; chooses the black-oil fluid"},
    {"gas-gravity", D::None, D::None, "produced gas specific gravity, air = 1"},
    {"water-gravity", D::None, D::None, "produced water specific gravity, fresh water = 1"},
    {"salinity", D::Fraction, D::None, "dissolved solids of the water, mass fraction"},
    {"co2", D::Fraction, D::None, "CO2 mole fraction of the gas"},
    {"h2s", D::Fraction, D::None, "H2S mole fraction of the gas"},
    {"n2", D::Fraction, D::None, "N2 mole fraction of the gas"},
    {"oil-rate", D::LiquidRate, D::None, "stock-tank oil rate"},
    {"water-rate", D::LiquidRate, D::None, "water rate at standard conditions"},
    {"water-cut", D::Fraction, D::None, "water fraction of the liquid rate"},
    {"gor", D::GasRatio, D::None, "produced gas-oil ratio"},
    {"glr", D::GasRatio, D::None, "produced gas-liquid ratio"},
};

void set_profile_unit(TraverseRequest& request, const std::string& name) {
    double factor = 0, offset = 0;
    if ((name != "m" && name != "ft") || !find_unit(Dimension::Length, name, factor, offset)) {
        fail("{profile-unit} takes m or ft");
    }
    request.profile_unit = factor;
}

std::vector<std::string> traverse_option_names() {
    std::vector<std::string> names;
    names.reserve(kTraverseOptions.size() + kWordOptions.size());
    for (const TraverseOption& o : kTraverseOptions) names.emplace_back(o.name);
    for (const WordOption& w : kWordOptions) names.emplace_back(w.name);
    return names;
}

void set_option(TraverseRequest& request, const std::string& name, const std::string& text) {
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
        request.values[name] = q.value;
        if (q.gauge) {
            if (name == "atm-pres") fail("{atm-pres} is an absolute pressure (psia, bar, kPa), not a gauge reading");
            request.gauge.insert(name);
        } else {
            request.gauge.erase(name);
        }
        if (q.unit != D::None) {
            request.units[name] = q.unit;
        } else {
            request.units.erase(name);
        }
        return;
    }
    fail("unknown option '--" + name + "'");
}

TraverseSetup setup_traverse(const TraverseRequest& request) {
    std::map<std::string, double> values = request.values;
    auto has = [&](const char* n) { return values.count(n) > 0; };
    auto val = [&](const char* n) { return values.at(n); };
    auto get = [&](const char* n, double fallback) { return has(n) ? val(n) : fallback; };
    for (const auto& [name, v] : values) {
        if (!std::isfinite(v)) fail(std::string("{") + name + "} is not a finite number");
    }
    // Gauge readings are above the atmosphere of the site.
    const double atm = get("atm-pres", kStandardAtmosphere);
    if (!(atm >= 1e4 && atm <= 2e5)) fail("{atm-pres} must be from 10 to 200 kPa (1.45 to 29 psia)");
    for (const std::string& name : request.gauge) values.at(name) += atm;
    // What the model refuses in the pipe, named by option before the profile.
    if (has("diam") && !(val("diam") >= kModelMinDiam && val("diam") <= kModelMaxDiam)) {
        fail("{diam} " + io::format_double(val("diam")) + " m is outside the model's range 1e-06 to 1000 m");
    }
    if (has("diam") && has("rough") && val("rough") > val("diam")) {
        fail("{rough} " + io::format_double(val("rough")) + " m is larger than {diam} " + io::format_double(val("diam")) +
             " m: the model takes a roughness from 0 to the diameter");
    }
    // The line.
    Line line;
    const double diam = get("diam", 0), rough = get("rough", 0);
    if (rough < 0) fail("{rough} must not be negative");
    if (!request.profile.empty()) {
        if (has("length") || has("angle")) fail("give {profile} or {length}/{angle}, not both");
        line = read_profile(request.profile, diam, rough, request.profile_unit);
    } else {
        if (!has("length")) fail("give {length} L {angle} A or {profile} FILE");
        if (!(diam > 0)) fail("{diam} must be a positive diameter");
        line = straight_line(val("length"), get("angle", 0), diam, rough, 0, 0);
    }
    line.flow_decreasing = request.flow_decreasing;
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
    // Temperature: constant, linear in md, or the profile's column.
    const bool profile_temp = !line.nodes.empty() && line.nodes.front().temp > 0;
    if (has("temp") + (has("temp-in") || has("temp-out")) + profile_temp > 1) {
        fail("give one temperature: {temp}, {temp-in}/{temp-out}, or the profile's temp column");
    }
    if (has("temp")) {
        for (auto& n : line.nodes) n.temp = val("temp");
    } else if (has("temp-in") || has("temp-out")) {
        if (!has("temp-in") || !has("temp-out")) fail("{temp-in} and {temp-out} go together");
        // Inlet and outlet in the flow direction, linear in md.
        const double md0 = line.nodes.front().md, md1 = line.nodes.back().md;
        for (auto& n : line.nodes) {
            double w = (n.md - md0) / (md1 - md0);
            if (line.flow_decreasing) w = 1 - w;
            n.temp = val("temp-in") + (val("temp-out") - val("temp-in")) * w;
        }
    } else if (!profile_temp) {
        fail("give the temperature: {temp}, {temp-in}/{temp-out}, or a temp column");
    }
    for (const auto& n : line.nodes) {
        if (!(n.temp > 0)) fail("temperatures must be above 0 K");
    }
    // The flow and the fluid.
    std::unique_ptr<Fluid> fluid;
    const blackoil::BlackOil* oil = nullptr;
    if (has("api")) {
        auto b = black_oil(request);
        oil = b.get();
        fluid = std::move(b);
    } else {
        for (const char* n : kBlackOilOptions) {
            if (has(n)) fail(std::string("{") + n + "} belongs to the black-oil fluid: give {api} too");
        }
        if (!request.words.empty()) fail("--" + request.words.begin()->first + " belongs to the black-oil fluid: give {api} too");
        const auto u = request.units.find("liquid-rate");
        if (u != request.units.end() && u->second == Dimension::LiquidRate) {
            fail("without {api}, {liquid-rate} is a mass rate (kg/s); a volume rate needs the black-oil fluid ({api})");
        }
        if (!has("liquid-rate") || !has("gas-rate")) fail("give {liquid-rate} and {gas-rate} (kg/s)");
        const double ml = val("liquid-rate"), mg = val("gas-rate");
        if (ml < 0 || mg < 0) fail("rates must not be negative");
        if (ml == 0 && mg == 0) fail("both rates are 0: there is no flow");
        const bool constants = has("rol") || has("visl") || has("sigma") || has("gas-molar-mass") || has("z") || has("visg");
        if (!request.fluid_table.empty()) {
            if (constants) fail("{fluid-table} cannot be combined with {rol}, {visl}, ... ");
            auto t = std::make_unique<PropertyTable>(PropertyTable::read(request.fluid_table));
            t->liquid_rate = ml;
            t->gas_rate = mg;
            fluid = std::move(t);
        } else {
            for (const char* n : {"rol", "visl", "sigma", "gas-molar-mass", "visg"}) {
                if (!has(n)) fail(std::string("give --") + n + " (or {fluid-table} FILE, or {api} for black oil)");
                if (!(val(n) > 0)) fail(std::string("{") + n + "} must be positive");
            }
            if (!(val("sigma") >= 1e-5 && val("sigma") <= 100)) {
                fail("{sigma} " + io::format_double(val("sigma")) + " N/m is outside the model's range 1e-05 to 100 N/m");
            }
            if (!(val("rol") <= 1e5)) fail("{rol} " + io::format_double(val("rol")) + " kg/m3 is above the model's 1e+05 kg/m3");
            if (!(val("visl") >= 1e-10 && val("visg") >= 1e-10)) fail("{visl} and {visg} must be at least 1e-10 Pa s");
            auto c = std::make_unique<ConstantLiquidRealGas>();
            c->liquid_rate = ml;
            c->gas_rate = mg;
            c->rol = val("rol");
            c->visl = val("visl");
            c->sigma = val("sigma");
            c->molar_mass = val("gas-molar-mass");
            c->z = get("z", 1.0);
            c->visg = val("visg");
            if (!(c->z > 0)) fail("{z} must be positive");
            fluid = std::move(c);
        }
    }
    // The boundary and the numerics.
    TraverseOptions opt;
    if (has("inlet-pres") == has("outlet-pres")) fail("give one of {inlet-pres} and {outlet-pres}");
    opt.from_outlet = has("outlet-pres");
    opt.pres = opt.from_outlet ? val("outlet-pres") : val("inlet-pres");
    if (!(opt.pres >= 100)) {
        fail(std::string(opt.from_outlet ? "{outlet-pres}" : "{inlet-pres}") + " must be at least 100 Pa (absolute)");
    }
    opt.tol = get("tol", 1.0);
    opt.max_pres = get("max-pres", 1e9);
    opt.output_step = get("output-step", 0);
    if (has("output-step") && !(opt.output_step > 0)) fail("{output-step} must be a positive length");
    if (!(opt.tol > 0)) fail("{tol} must be positive");
    check_first_point(line, *fluid, opt, request.fluid_table.empty() ? has("api") ? "the black-oil fluid" : "the fluid"
                                                                   : "the fluid table");
    TraverseSetup setup{std::move(line), std::move(fluid), opt};
    setup.black_oil = oil;
    setup.atm_pres = request.gauge.empty() ? 0 : atm;
    return setup;
}

TraverseResult traverse(const TraverseSetup& setup) {
    TraverseResult r = traverse(setup.line, *setup.fluid, setup.options);
    r.summary.atm_pres = setup.atm_pres;
    return r;
}

}  // namespace flowmodel
