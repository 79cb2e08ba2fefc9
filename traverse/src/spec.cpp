// From the options a user gives (the command's, or Python's keywords) to
// the line, the fluid and the march options, with every check of the input
// in one place.
#include "flowmodel/traverse_spec.hpp"

#include <cmath>
#include <stdexcept>

namespace flowmodel {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::invalid_argument(what); }

}  // namespace

TraverseSetup setup_traverse(const TraverseSpec& spec) {
    auto has = [&](const char* n) { return spec.values.count(n) > 0; };
    auto val = [&](const char* n) { return spec.values.at(n); };
    auto get = [&](const char* n, double fallback) { return has(n) ? val(n) : fallback; };
    for (const auto& [name, v] : spec.values) {
        if (!std::isfinite(v)) fail("--" + name + " is not a finite number");
    }
    // The line.
    Line line;
    const double diam = get("diam", 0), rough = get("rough", 0);
    if (rough < 0) fail("--rough must not be negative");
    if (!spec.profile.empty()) {
        if (has("length") || has("angle")) fail("give --profile or --length/--angle, not both");
        line = read_profile(spec.profile, diam, rough);
    } else {
        if (!has("length")) fail("give --length L --angle A or --profile FILE");
        if (!(diam > 0)) fail("--diam must be a positive diameter");
        line = straight_line(val("length"), get("angle", 0), diam, rough, 0, 0);
    }
    line.flow_decreasing = spec.flow_decreasing;
    // Temperature: constant, linear in md, or the profile's column.
    const bool profile_temp = !line.nodes.empty() && line.nodes.front().temp > 0;
    if (has("temp") + (has("temp-in") || has("temp-out")) + profile_temp > 1) {
        fail("give one temperature: --temp, --temp-in/--temp-out, or the profile's temp column");
    }
    if (has("temp")) {
        for (auto& n : line.nodes) n.temp = val("temp");
    } else if (has("temp-in") || has("temp-out")) {
        if (!has("temp-in") || !has("temp-out")) fail("--temp-in and --temp-out go together");
        // Inlet and outlet in the flow direction, linear in md.
        const double md0 = line.nodes.front().md, md1 = line.nodes.back().md;
        for (auto& n : line.nodes) {
            double w = (n.md - md0) / (md1 - md0);
            if (line.flow_decreasing) w = 1 - w;
            n.temp = val("temp-in") + (val("temp-out") - val("temp-in")) * w;
        }
    } else if (!profile_temp) {
        fail("give the temperature: --temp, --temp-in/--temp-out, or a temp column");
    }
    for (const auto& n : line.nodes) {
        if (!(n.temp > 0)) fail("temperatures must be above 0 K");
    }
    // The flow and the fluid.
    if (!has("liquid-rate") || !has("gas-rate")) fail("give --liquid-rate and --gas-rate (kg/s)");
    const double ml = val("liquid-rate"), mg = val("gas-rate");
    if (ml < 0 || mg < 0) fail("rates must not be negative");
    if (ml == 0 && mg == 0) fail("both rates are 0: there is no flow");
    std::unique_ptr<Fluid> fluid;
    const bool constants = has("rol") || has("visl") || has("sigma") || has("gas-molar-mass") || has("z") || has("visg");
    if (!spec.fluid_table.empty()) {
        if (constants) fail("--fluid-table cannot be combined with --rol, --visl, ... ");
        auto t = std::make_unique<PropertyTable>(PropertyTable::read(spec.fluid_table));
        t->liquid_rate = ml;
        t->gas_rate = mg;
        fluid = std::move(t);
    } else {
        for (const char* n : {"rol", "visl", "sigma", "gas-molar-mass", "visg"}) {
            if (!has(n)) fail(std::string("give --") + n + " (or --fluid-table FILE)");
            if (!(val(n) > 0)) fail(std::string("--") + n + " must be positive");
        }
        auto c = std::make_unique<ConstantLiquidRealGas>();
        c->liquid_rate = ml;
        c->gas_rate = mg;
        c->rol = val("rol");
        c->visl = val("visl");
        c->sigma = val("sigma");
        c->molar_mass = val("gas-molar-mass");
        c->z = get("z", 1.0);
        c->visg = val("visg");
        if (!(c->z > 0)) fail("--z must be positive");
        fluid = std::move(c);
    }
    // The boundary and the numerics.
    TraverseOptions opt;
    if (has("inlet-pres") == has("outlet-pres")) fail("give one of --inlet-pres and --outlet-pres");
    opt.from_outlet = has("outlet-pres");
    opt.pres = opt.from_outlet ? val("outlet-pres") : val("inlet-pres");
    if (!(opt.pres >= 100)) fail("the pressure must be at least 100 Pa (absolute)");
    opt.tol = get("tol", 1.0);
    opt.max_pres = get("max-pres", 1e9);
    if (!(opt.tol > 0)) fail("--tol must be positive");
    return TraverseSetup{std::move(line), std::move(fluid), opt};
}

}  // namespace flowmodel
