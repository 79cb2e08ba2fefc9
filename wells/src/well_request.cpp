// Nodal analysis and lift-curve tables from the texts a user gave.
#include "flowmodel/well_request.hpp"

#include "flowmodel/vfp_deck.hpp"
#include "flowmodel/option_error.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/outflow.hpp"
#include "pipeflow.h"

namespace flowmodel::wells {

double many_traverse_tolerance(double lowest_pressure) {
    const double tol = kTableTolerance * lowest_pressure;
    const double decade = std::pow(10.0, std::floor(std::log10(tol)));
    return std::max(1.0, decade * std::floor(tol / decade));  // one significant digit, rounded down
}

namespace {

namespace bo = blackoil;
using D = Dimension;

[[noreturn]] void fail(const std::string& what) { throw OptionError(what); }

double absolute(const Quantity& q, double atm) { return q.value + (q.gauge ? atm : 0); }

// A rate per pressure as users write it: a number and "<rate unit>/<pressure
// unit>", the pressure squared where `squared` ("Mscf/d/psi2"); in SI m3/s
// per Pa^power. Fetkovich's C is a rate per squared pressure to the power n
// (power 2n), an injectivity index a rate per pressure (power 1).
double rate_per_pressure(const char* option, const std::string& text, D rate_dim, bool squared, double power) {
    const size_t at = text.find_first_not_of("0123456789.eE+- \t");  // where the unit begins
    const Quantity bare = parse_quantity(option, text.substr(0, at), D::None);
    if (at == std::string::npos) return bare.value;  // SI
    const std::string unit = text.substr(at);
    const size_t slash = unit.rfind('/');
    const std::string accepted = squared ? "(write it as rate/pressure2: Mscf/d/psi2, Sm3/d/bar2 or m3/s/Pa2)"
                                 : rate_dim == D::GasRate ? "(write it as rate/pressure: Mscf/d/psi, Sm3/d/bar or m3/s/Pa)"
                                                          : "(write it as rate/pressure: STB/d/psi, Sm3/d/bar or m3/s/Pa)";
    const std::string what = std::string("{") + option + "}: unit '" + unit + "' is not a rate per " +
                             (squared ? "squared pressure " : "pressure ") + accepted;
    const size_t tail = squared ? 1 : 0;
    if (slash == std::string::npos || unit.size() < slash + 2 + tail || (squared && unit.back() != '2')) fail(what);
    double rate = 0, pres = 0;
    try {
        rate = parse_quantity(option, "1 " + unit.substr(0, slash), rate_dim).value;
        pres = parse_quantity(option, "1 " + unit.substr(slash + 1, unit.size() - slash - 1 - tail), D::PressureStep).value;
    } catch (const std::invalid_argument&) {
        fail(what);
    }
    return bare.value * rate / std::pow(pres, power);
}

std::vector<double> axis(const std::string& option, const std::string& text, D a, D b, double atm) {
    std::vector<double> out;
    for (const Quantity& q : parse_quantity_list(option, text, a, b)) out.push_back(absolute(q, atm));
    for (size_t i = 1; i < out.size(); ++i) {
        if (!(out[i] > out[i - 1])) fail(std::string("{") + option + "} must be strictly increasing");
    }
    return out;
}

// A well listed from the wellhead down reaches its bottom below the wellhead;
// one that rises (a profile upward, a straight line at a positive angle) is
// a well written the wrong way round.
void refuse_rising_well(const Line& line) {
    if (line.nodes.back().z < line.nodes.front().z) return;
    fail("the well's bottom (its last station) does not lie below the wellhead: list the well from the wellhead "
         "down, its depths growing (a straight vertical well has the angle -90)");
}

// An option the inflow of `kind` does not read was meant for another kind:
// taking it silently would hide the mistake.
void refuse_unused(const std::string& kind, const std::map<std::string, std::string>& texts) {
    static const std::map<std::string, std::vector<std::string>> reads = {
        {"pi", {"res-pres", "pi"}},
        {"composite", {"res-pres", "pi", "bubble-pres"}},
        {"vogel", {"res-pres", "q-max", "test-rate", "test-pwf"}},
        {"fetkovich", {"res-pres", "c", "n"}},
        {"injectivity", {"res-pres", "ii"}},
    };
    const auto k = reads.find(kind);
    if (k == reads.end()) return;  // the kind itself is refused next
    for (const auto& [name, text] : texts) {
        if (std::find(k->second.begin(), k->second.end(), name) != k->second.end()) continue;
        std::string takes;
        for (const std::string& n : k->second) takes += (takes.empty() ? "--" : ", --") + n;
        fail(std::string("{") + name + "} is not read by {ipr} " + kind + " (it takes " + takes + ")");
    }
    if (kind == "vogel" && texts.count("q-max") && (texts.count("test-rate") || texts.count("test-pwf"))) {
        fail("{ipr} vogel takes {q-max}, or {test-rate} and {test-pwf}, not both");
    }
}

// An injection well's fluid: the injected fluid's own property required
// (water: its gravity or salinity, gas: its gravity, oil: its API); the black
// oil's others, which never enter the traverse of the injected fluid alone,
// neutral (35 API, gas gravity 0.65, fresh water). Its rate `q` of that fluid
// (m3/s at standard conditions) only makes it a flow down the well for the
// checks: every traverse sets its own, the injected fluid's alone, which the
// request's rates cannot say of a gas.
void take_injected_fluid(TraverseRequest& t, Injected kind, double q) {
    if (kind == Injected::Water && !t.given.water_gravity.has_value() && !t.given.salinity.has_value()) {
        fail("give {water-gravity} or {salinity} for the injected water");
    }
    if (kind == Injected::Gas && !t.given.gas_gravity.has_value()) fail("give {gas-gravity} for the injected gas");
    if (kind == Injected::Oil && !t.given.api.has_value()) fail("give {api} for the injected oil");
    if (!t.given.api.has_value()) set_option(t, "api", "35");
    if (!t.given.gas_gravity.has_value()) set_option(t, "gas-gravity", "0.65");
    if (!t.given.water_gravity.has_value() && !t.given.salinity.has_value()) set_option(t, "water-gravity", "1");
    set_number(t, &TraverseNumbers::oil_rate, kind == Injected::Oil ? q : 0.0);
    set_number(t, &TraverseNumbers::water_rate, kind == Injected::Water ? q : kind == Injected::Gas ? 1e-9 : 0.0);
    t.given.gor.reset();
    t.given.water_cut.reset();
    set_number(t, &TraverseNumbers::glr, 0);
    t.flow_decreasing = false;
    t.flow_direction_stated = true;
}

// What an injection well injects, from its option's text.
Injected injected_named(const std::string& text) {
    if (text != "water" && text != "gas" && text != "oil") fail("{injector} takes water, gas or oil");
    return text == "water" ? Injected::Water : text == "gas" ? Injected::Gas : Injected::Oil;
}

}  // namespace

const std::vector<std::string>& inflow_option_names() {
    static const std::vector<std::string> names = {"res-pres", "pi", "q-max", "test-rate", "test-pwf",
                                                   "bubble-pres", "c", "n", "ii"};
    return names;
}

ipr::Inflow inflow_from(const std::string& kind, const std::map<std::string, std::string>& texts, double atm,
                        const std::function<double(double)>& own_bubble_point, bool gas_rates) {
    auto has = [&](const char* name) { return texts.count(name) > 0; };
    auto pressure = [&](const char* name) {
        const double p = absolute(parse_quantity(name, texts.at(name), D::Pressure), atm);
        if (!(p > 0)) fail(std::string("{") + name + "} must be above 0 Pa absolute");
        return p;
    };
    auto positive = [&](const char* name, D dim) {
        const double v = parse_quantity(name, texts.at(name), dim).value;
        if (!(v > 0)) fail(std::string("{") + name + "} must be above 0");
        return v;
    };
    if (!(atm > 0) || !std::isfinite(atm)) fail("{atm-pres} must be above 0 Pa");
    if (kind.empty()) fail("give the inflow: {ipr} pi, vogel, composite, fetkovich or injectivity");
    refuse_unused(kind, texts);
    if (!has("res-pres")) fail("give the average reservoir pressure: {res-pres}");
    ipr::Inflow in;
    in.pr = pressure("res-pres");
    if (kind == "pi" || kind == "composite") {
        if (!has("pi")) fail("{ipr} " + kind + " needs {pi} (e.g. '2 STB/d/psi')");
        in.j = positive("pi", D::Productivity);
        in.kind = kind == "pi" ? ipr::Kind::Linear : ipr::Kind::Composite;
        if (kind == "composite") {
            if (has("bubble-pres")) {
                in.pb = pressure("bubble-pres");
            } else if (own_bubble_point) {
                in.pb = own_bubble_point(in.pr);
            } else {
                fail("{ipr} composite needs {bubble-pres}");
            }
        }
    } else if (kind == "vogel") {
        if (has("q-max")) {
            in.kind = ipr::Kind::Vogel;
            in.qmax = positive("q-max", D::LiquidRate);
        } else if (has("test-rate") && has("test-pwf")) {
            const double pwf = pressure("test-pwf");
            if (!(pwf < in.pr)) fail("{test-pwf} must be below {res-pres}: the test flowed");
            in = ipr::vogel_from_test(in.pr, positive("test-rate", D::LiquidRate), pwf);
        } else {
            fail("{ipr} vogel needs {q-max}, or {test-rate} and {test-pwf}");
        }
    } else if (kind == "fetkovich") {
        if (!has("c") || !has("n")) fail("{ipr} fetkovich needs {c} and {n}");
        in.kind = ipr::Kind::Fetkovich;
        in.n = parse_quantity("n", texts.at("n"), D::None).value;
        // Backpressure exponents lie from 0.5 (turbulent) to 1 (laminar flow).
        if (!(in.n >= 0.5 && in.n <= 1)) fail("{n} must be from 0.5 to 1");
        in.c = rate_per_pressure("c", texts.at("c"), D::GasRate, true, 2 * in.n);
        if (!(in.c > 0) || !std::isfinite(in.c)) fail("{c} must be above 0");
    } else if (kind == "injectivity") {
        if (!has("ii")) fail("{ipr} injectivity needs {ii}, the injectivity index (e.g. '10 Sm3/d/bar')");
        in.kind = ipr::Kind::Injectivity;
        in.j = rate_per_pressure("ii", texts.at("ii"), gas_rates ? D::GasRate : D::LiquidRate, false, 1);
        if (!(in.j > 0) || !std::isfinite(in.j)) fail("{ii} must be above 0");
    } else {
        fail("{ipr} takes pi, vogel, composite, fetkovich or injectivity");
    }
    if (!(ipr::absolute_open_flow(in) > 0)) fail("the inflow gives no rate at all");
    return in;
}

bool set_nodal_option(NodalRequest& request, const std::string& name, const std::string& text) {
    const auto& names = inflow_option_names();
    if (name == "ipr") {
        request.ipr = text;
    } else if (std::find(names.begin(), names.end(), name) != names.end()) {
        request.inflow[name] = text;
    } else if (name == "rates") {
        request.rates = text;
    } else if (name == "lift-gas-rates") {
        request.lift_gas_rates = text;
    } else if (name == "min-gradient") {
        request.min_gradient = text;
    } else if (name == "injector") {
        request.injector = text;
    } else if (name == "inlet-pres") {
        request.inlet_pres = text;  // an injector's wellhead pressure; refused for a producer once all are read
    } else if (name == "liquid-rate" || name == "oil-rate" || name == "water-rate" || name == "gas-rate" ||
               name == "flow-direction") {
        fail(std::string("{") + name + "} is not an option of nodal analysis: the rate is swept, the well is listed from the "
             "wellhead down with the wellhead pressure as {outlet-pres}");
    } else {
        return false;
    }
    return true;
}

// A traverse's output points mean nothing to a verb that reports none.
void refuse_output_step(const TraverseRequest& t) {
    if (t.given.output_step) fail("{output-step} spaces a traverse's profile; this reports bottom-hole pressures only");
}

namespace {

// Liquid loading is judged along a traverse and at nodal analysis's operating
// point; a table holds bottom-hole pressures only.
void refuse_loading(const TraverseRequest& t) {
    if (t.words.count("loading")) {
        fail("{loading} is judged along a traverse and at nodal analysis's operating point; a table holds "
             "bottom-hole pressures only");
    }
    if (t.given.cgr || t.given.wgr) {
        fail("a table's liquid per gas is its axes' ({wfr} wgr with {water-cut}, {gfr} ogr with {gor}): give no {cgr} or {wgr}");
    }
}


// The rates of nodal analysis as given (of the swept phase: the gas where
// `gas`), rising and each once.
std::vector<double> swept_rates(const std::string& text, bool gas) {
    std::vector<double> rates;
    if (text.empty()) return rates;
    for (const Quantity& q : parse_quantity_list("rates", text, gas ? D::GasRate : D::LiquidRate)) {
        if (!(q.value > 0)) fail("{rates} must be above 0");
        rates.push_back(q.value);
    }
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    return rates;
}

// An injection well: the injected fluid alone flowing down the tubing from
// the wellhead pressure (the well's inlet) against the reservoir's
// injectivity.
NodalSetup setup_injection(NodalRequest request) {
    const Injected kind = injected_named(request.injector);
    TraverseRequest& t = request.traverse;
    refuse_output_step(t);
    if (t.given.water_cut || t.given.gor || t.given.glr) {
        fail("an injection well injects one fluid, {injector}: give no {water-cut}, {gor} or {glr}");
    }
    if (t.given.lift_gas_rate || t.given.injection_depth || t.given.casing_pres || !request.lift_gas_rates.empty() ||
        !request.min_gradient.empty()) {
        fail("an injection well takes no lift gas ({lift-gas-rate}, {lift-gas-rates}, {injection-depth}, {casing-pres})");
    }
    if (t.given.outlet_pres) fail("an injection well's wellhead is its inlet: give the wellhead pressure as {inlet-pres}");
    if (request.inlet_pres.empty()) fail("give the wellhead pressure: {inlet-pres} (an injection well's inlet)");
    if (request.ipr.empty()) request.ipr = "injectivity";
    if (request.ipr != "injectivity") fail("an injection well's inflow is {ipr} injectivity, with {ii} and {res-pres}");
    NodalSetup s;
    s.split.injected = kind;
    s.split.gas_rate = kind == Injected::Gas;
    s.rates = swept_rates(request.rates, s.split.gas_rate);
    // The first point checked at the largest rate given, or at a trickle.
    take_injected_fluid(t, kind, s.rates.empty() ? 1e-6 : s.rates.back());
    set_option(t, "inlet-pres", request.inlet_pres);
    s.setup = setup_traverse(t);
    if (t.given.atm_pres) s.setup.atm_pres = atmosphere(t);  // stated with the result
    refuse_rising_well(s.setup.line);
    s.inflow = inflow_from(request.ipr, request.inflow, atmosphere(t), nullptr, s.split.gas_rate);
    return s;
}

}  // namespace

namespace {

// How nodal analysis splits its swept rate: a gas well by its yields (the
// gas swept), or the water cut with the gas-oil or gas-liquid ratio.
nodal::Split split_of(const TraverseRequest& t, const std::string& ipr) {
    nodal::Split split;
    split.gas_rate = ipr == "fetkovich";
    if (t.given.cgr || t.given.wgr) {
        if (!split.gas_rate) fail("{cgr} and {wgr} give a gas well's liquid per gas: its inflow is in gas ({ipr} fetkovich)");
        if (t.given.water_cut || t.given.gor || t.given.glr) {
            fail("give a gas well's liquid as {cgr} and {wgr}, or as {gor} or {glr} with {water-cut}, not both");
        }
        split.yields = true;
        split.cgr = t.given.cgr ? t.given.cgr->value : 0;
        split.wgr = t.given.wgr ? t.given.wgr->value : 0;
        if (split.cgr < 0 || split.wgr < 0) fail("{cgr} and {wgr} must not be negative");
        return split;
    }
    if (!t.given.water_cut.has_value()) fail("give {water-cut} (0 for none)");
    split.water_cut = t.given.water_cut->value;
    split.per_liquid = t.given.glr.has_value();
    split.gas_ratio = t.given.gor.has_value() ? t.given.gor->value : t.given.glr.has_value() ? t.given.glr->value : 0;
    if (split.gas_rate && !(split.gas_ratio > 0)) {
        fail("a gas well's rate is its gas: give the liquid it carries as {gor} or {glr} above 0, or as {cgr} and {wgr}");
    }
    return split;
}

}  // namespace

NodalSetup setup_nodal(NodalRequest request) {
    if (!request.injector.empty()) return setup_injection(std::move(request));
    TraverseRequest& t = request.traverse;
    if (!request.inlet_pres.empty()) {
        fail("{inlet-pres} is not an option of a producer's nodal analysis: the rate is swept, the well is listed from "
             "the wellhead down with the wellhead pressure as {outlet-pres} (an injection well, {injector}, takes it)");
    }
    if (request.ipr == "injectivity") fail("{ipr} injectivity is an injection well's: give {injector} water, gas or oil");
    if (!t.given.api.has_value()) fail("nodal analysis needs the black-oil fluid: give {api}");
    refuse_output_step(t);
    if (!t.given.outlet_pres.has_value()) fail("give the wellhead pressure: {outlet-pres}");
    NodalSetup s;
    s.split = split_of(t, request.ipr);
    if (!request.lift_gas_rates.empty()) {
        if (t.given.lift_gas_rate) fail("give {lift-gas-rates} or {lift-gas-rate}, not both");
        if (!t.given.injection_depth && !t.given.casing_pres) {
            fail("{lift-gas-rates} needs {injection-depth}, or {casing-pres} and {mandrels}");
        }
        for (const Quantity& q : parse_quantity_list("lift-gas-rates", request.lift_gas_rates, D::GasRate)) {
            if (!(q.value >= 0)) fail("{lift-gas-rates} must not be negative");
            s.lift_gas_rates.push_back(q.value);
        }
        std::sort(s.lift_gas_rates.begin(), s.lift_gas_rates.end());
        s.lift_gas_rates.erase(std::unique(s.lift_gas_rates.begin(), s.lift_gas_rates.end()), s.lift_gas_rates.end());
        set_number(t, &TraverseNumbers::lift_gas_rate, s.lift_gas_rates.front());  // checks the injection point
    } else if (!request.min_gradient.empty()) {
        fail("{min-gradient} goes with {lift-gas-rates}");
    }
    s.min_gradient = kMinGradient;
    if (!request.min_gradient.empty()) {
        s.min_gradient = parse_quantity("min-gradient", request.min_gradient, D::LiquidGasRatio).value;
        if (!(s.min_gradient >= 0)) fail("{min-gradient} must not be negative");
    }
    s.setup = setup_traverse(t, Rates::SetByCaller);
    if (t.given.atm_pres) s.setup.atm_pres = atmosphere(t);  // stated with the result
    refuse_rising_well(s.setup.line);
    const bo::BlackOil& oil = *s.setup.black_oil();  // nodal analysis takes the black oil alone (checked above)
    const double bottom_temp = s.setup.line.nodes.back().temp;
    s.inflow = inflow_from(request.ipr, request.inflow, atmosphere(t),
                           [&](double pr) { return oil.state(pr, bottom_temp).pb; });
    s.rates = swept_rates(request.rates, s.split.gas_rate);
    return s;
}

namespace {

// Liquid loading at the operating point: the traverse at its rate judged
// along the well, the larger of its ends' critical gas rates, and that as a
// swept rate (the split's gas per unit of it).
void judge_loading(const NodalSetup& s, nodal::Result& r) {
    r.loading = s.setup.loading;
    const nodal::Crossing* op = r.operating_point();
    if (r.loading == LoadingCriterion::None || !op) return;
    bo::BlackOilInputs fluid = s.setup.black_oil()->inputs();
    nodal::split_rate(s.split, op->rate, fluid.oil_rate, fluid.water_rate, fluid.gas_rate);
    TraverseSetup at{s.setup.line, FluidKind(bo::BlackOil(fluid)), s.setup.options, std::nullopt};
    at.loading = s.setup.loading;
    const TraverseResult t = traverse(at);
    r.evaluations += t.summary.evaluations;
    double oil = 0, water = 0, gas_per_rate = 0;
    nodal::split_rate(s.split, 1.0, oil, water, gas_per_rate);
    r.critical_gas_rate = std::fmax(t.summary.critical_gas_rate_wellhead, t.summary.critical_gas_rate_bottom);
    if (!(gas_per_rate > 0) || !std::isfinite(r.critical_gas_rate)) return;
    r.critical_rate = r.critical_gas_rate / gas_per_rate;
    r.loads = op->rate < r.critical_rate;
}

}  // namespace

nodal::Result analyse(const NodalSetup& s, unsigned jobs) {
    nodal::Result r = nodal::analyse(s.setup.line, s.setup.black_oil()->inputs(), s.split, s.setup.options, s.inflow,
                                     s.rates, jobs, s.setup.lift ? *s.setup.lift : LiftGas{});
    judge_loading(s, r);
    return r;
}

const std::vector<LiftPointColumn>& lift_point_columns() {
    static const std::vector<LiftPointColumn> columns = {
        {"lift_gas_rate", Dimension::GasRate, [](const LiftPoint& p) { return p.lift_gas_rate; }},
        {"liquid_rate", Dimension::LiquidRate, [](const LiftPoint& p) { return p.liquid_rate; }},
        {"oil_rate", Dimension::LiquidRate, [](const LiftPoint& p) { return p.oil_rate; }},
        {"bhp", Dimension::Pressure, [](const LiftPoint& p) { return p.bhp; }},
        {"injection_md", Dimension::Length, [](const LiftPoint& p) { return p.injection_md; }},
    };
    return columns;
}

LiftCurve lift_gas_curve(const NodalSetup& s, unsigned jobs) {
    LiftCurve c;
    const bo::BlackOilInputs& fluid = s.setup.black_oil()->inputs();
    for (double q : s.lift_gas_rates) {
        LiftGas lift = s.setup.lift ? *s.setup.lift : LiftGas{};
        lift.rate = q;
        const nodal::Result r = nodal::analyse(s.setup.line, fluid, s.split, s.setup.options, s.inflow, s.rates, jobs, lift);
        c.evaluations += r.evaluations;
        add_warnings(c.warnings, r.warnings);
        LiftPoint p;
        p.lift_gas_rate = q;
        p.injection_md = lift.md;
        if (const nodal::Crossing* op = r.operating_point()) {
            double oil = 0, water = 0, gas = 0;
            nodal::split_rate(s.split, op->rate, oil, water, gas);
            p.liquid_rate = oil + water;
            p.oil_rate = oil;
            p.bhp = op->bhp;
            if (!lift.mandrels.empty()) {
                // The mandrel the casing injects at, at the operating point's rates.
                bo::BlackOilInputs at = fluid;
                at.oil_rate = oil;
                at.water_rate = water;
                at.gas_rate = gas;
                TraverseOptions o = s.setup.options;
                o.from_outlet = true;
                p.injection_md = traverse_lifted(s.setup.line, at, lift, o).summary.injection_md;
            }
        } else {
            p.liquid_rate = p.oil_rate = p.bhp = std::numeric_limits<double>::quiet_NaN();
            p.why = nodal::reason(r, [](double v) { return io::format_double(v) + " m3/s"; });
        }
        c.points.push_back(p);
    }
    // The maximum, and the economic optimum: along rising lift gas, the last
    // point before the first step that buys less than min_gradient of oil.
    for (size_t k = 0; k < c.points.size(); ++k) {
        const LiftPoint& p = c.points[k];
        if (!std::isfinite(p.oil_rate)) continue;
        if (c.maximum < 0 || p.oil_rate > c.points[static_cast<size_t>(c.maximum)].oil_rate) c.maximum = static_cast<int>(k);
    }
    for (size_t k = 0; k < c.points.size(); ++k) {
        const LiftPoint& p = c.points[k];
        if (!std::isfinite(p.oil_rate)) continue;
        if (c.economic_optimum < 0) {
            c.economic_optimum = static_cast<int>(k);
            continue;
        }
        const LiftPoint& a = c.points[static_cast<size_t>(c.economic_optimum)];
        if ((p.oil_rate - a.oil_rate) / (p.lift_gas_rate - a.lift_gas_rate) < s.min_gradient) break;
        c.economic_optimum = static_cast<int>(k);
    }
    return c;
}

bool set_vfp_option(VfpRequest& r, const std::string& name, const std::string& text) {
    if (name == "rates") {
        r.rates = text;
    } else if (name == "thp") {
        r.thp = text;
    } else if (name == "water-cut") {
        r.water_cut = text;
    } else if (name == "gor" || name == "glr") {
        if (!r.gas_option.empty() && r.gas_option != name) fail("give one of {gor} and {glr}");
        r.gas_option = name;
        r.gas = text;
    } else if (name == "alq") {
        r.alq = text;
    } else if (name == "alq-kind") {
        if (text != "grat" && text != "iglr" && text != "tglr") fail("{alq-kind} takes grat, iglr or tglr");
        r.table.alq = text == "grat" ? vfp::Alq::GasRate : text == "iglr" ? vfp::Alq::InjectedGlr : vfp::Alq::TotalGlr;
    } else if (name == "injector") {
        r.table.injected = injected_named(text);
    } else if (name == "flo") {
        r.kinds_given = true;
        if (text != "liq" && text != "oil" && text != "gas") fail("{flo} takes liq, oil or gas");
        r.table.flo = text == "liq" ? vfp::Flo::Liquid : text == "oil" ? vfp::Flo::Oil : vfp::Flo::Gas;
    } else if (name == "wfr") {
        r.kinds_given = true;
        if (text != "wct" && text != "wor" && text != "wgr") fail("{wfr} takes wct, wor or wgr");
        r.table.wfr = text == "wct" ? vfp::Wfr::WaterCut : text == "wor" ? vfp::Wfr::WaterOil : vfp::Wfr::WaterGas;
    } else if (name == "gfr") {
        if (text != "gor" && text != "glr" && text != "ogr") fail("{gfr} takes gor, glr or ogr");
        r.table.gfr = text == "gor" ? vfp::Gfr::GasOil : text == "glr" ? vfp::Gfr::GasLiquid : vfp::Gfr::OilGas;
        r.gfr_given = true;
    } else if (name == "axes-from") {
        r.axes_from = text;
    } else if (name == "table") {
        r.table_given = true;
        const double n = parse_quantity(name, text, D::None).value;
        if (!(n >= 1 && n <= 9999 && n == std::floor(n))) fail("{table} takes a whole number from 1 to 9999");
        r.table.number = static_cast<int>(n);
    } else if (name == "deck-units") {
        if (text != "metric" && text != "field") fail("{deck-units} takes metric or field");
        r.units = text == "field" ? vfp::Units::Field : vfp::Units::Metric;
    } else if (name == "datum-depth") {
        r.table.datum = parse_quantity(name, text, D::Length).value;
        r.datum_given = true;
    } else if (name == "fill") {
        if (text != "extrapolate" && text != "clamp" && text != "none") fail("{fill} takes extrapolate, clamp or none");
        r.fill = text == "extrapolate" ? vfp::Fill::Extrapolate : text == "clamp" ? vfp::Fill::Clamp : vfp::Fill::None;
    } else if (name == "max-entries") {
        r.max_entries = text;
    } else if (name == "outlet-pres" || name == "inlet-pres" || name == "oil-rate" || name == "water-rate" ||
               name == "liquid-rate" || name == "gas-rate" || name == "flow-direction") {
        fail(std::string("{") + name + "} is given by the table's axes ({rates}, {thp}, {water-cut}, {gor}/{glr})");
    } else {
        return false;
    }
    return true;
}

namespace {

// The THP axis, absolute; whether a value was read as a gauge pressure
// (THPs read as gauge are written absolute: the atmosphere is said in the table).
std::vector<double> thp_axis(const VfpRequest& r, double atm, bool& gauge) {
    const std::vector<double> v = axis("thp", r.thp, D::Pressure, D::None, atm);
    for (const Quantity& q : parse_quantity_list("thp", r.thp, D::Pressure)) gauge = gauge || q.gauge;
    if (!(v.front() > 0)) fail("{thp} must be above 0 Pa absolute");
    return v;
}

// The FLO axis: rates of the table's kind, above 0.
std::vector<double> rate_axis(const VfpRequest& r, double atm) {
    const bool gas = r.table.flo == vfp::Flo::Gas;
    const std::vector<double> v = axis("rates", r.rates, gas ? D::GasRate : D::LiquidRate, D::None, atm);
    if (!(v.front() > 0)) fail("{rates} must be above 0 (FLO is a rate of " + std::string(gas ? "gas" : "liquid") + ")");
    return v;
}

// A ratio of a liquid to gas reads 1000 times apart in field and metric
// decks: without its unit it is ambiguous.
void need_unit(const std::string& option, const std::string& text, const char* what) {
    for (const Quantity& q : parse_quantity_list(option, text, D::LiquidGasRatio)) {
        if (q.unit == D::None) {
            fail(std::string("{") + option + "}: " + what + " needs its unit (" + unit_names(D::LiquidGasRatio) + ")");
        }
    }
}

// The WFR axis, read as its kind: a water cut (fraction or %) from 0 to 1
// (1 only where the gas ratio is per liquid: no oil is left), or a
// water-oil or water-gas ratio from 0.
std::vector<double> water_axis(const VfpRequest& r, double atm) {
    const vfp::Wfr kind = r.table.wfr;
    if (kind == vfp::Wfr::WaterGas) need_unit("water-cut", r.water_cut, "a water-gas ratio ({wfr} wgr)");
    const D dim = kind == vfp::Wfr::WaterCut ? D::Fraction : kind == vfp::Wfr::WaterOil ? D::LiquidRatio : D::LiquidGasRatio;
    const std::vector<double> v = axis("water-cut", r.water_cut, dim, D::None, atm);
    if (!(v.front() >= 0)) fail("{water-cut} must be 0 or above");
    if (kind == vfp::Wfr::WaterCut && !(v.back() <= 1)) fail("{water-cut} takes water cuts from 0 to 1 (0 to 100 %)");
    const bool no_oil_left_ok = r.table.gfr == vfp::Gfr::GasLiquid && r.table.flo != vfp::Flo::Oil;
    if (kind == vfp::Wfr::WaterCut && v.back() == 1 && !no_oil_left_ok) {
        fail("{water-cut} of 100 % leaves no oil: it needs a gas-liquid ratio ({glr} or {gfr} glr) and a rate of "
             "liquid or gas ({flo} liq or gas)");
    }
    return v;
}

// The GFR axis, read as its kind: gas per oil or per liquid, or oil per gas.
std::vector<double> gas_axis(const VfpRequest& r, double atm) {
    const bool ogr = r.table.gfr == vfp::Gfr::OilGas;
    if (ogr) need_unit(r.gas_option, r.gas, "an oil-gas ratio ({gfr} ogr)");
    const std::vector<double> v = axis(r.gas_option, r.gas, ogr ? D::LiquidGasRatio : D::GasRatio, D::None, atm);
    if (!(v.front() >= 0)) fail(std::string("{") + r.gas_option + "} must be 0 or above");
    return v;
}

// Two values of an axis that the keyword writes alike would make a
// simulator divide by zero between them.
void distinct_as_written(const char* option, const char* what, const vfp::Table& table, vfp::Units units,
                         const std::vector<double>& values) {
    for (size_t i = 1; i < values.size(); ++i) {
        const std::string lo = vfp::deck_text(vfp::to_deck(units, what, table.flo, table.wfr, table.gfr, values[i - 1]));
        const std::string hi = vfp::deck_text(vfp::to_deck(units, what, table.flo, table.wfr, table.gfr, values[i]));
        if (lo == hi) fail(std::string("{") + option + "}: two values are written alike in the table (" + lo + ")");
    }
}

// Every water and gas fraction must give rates with the largest rate.
void check_splits(const vfp::Table& table) {
    const vfp::Axes& a = table.axes;
    for (double w : a.wfr) {
        for (double g : a.gfr) {
            double oil = 0, water = 0, gas = 0;
            if (!vfp::split_rates(table.flo, table.wfr, table.gfr, a.flo.back(), w, g, oil, water, gas)) {
                fail("the water fraction " + io::format_double(w) + " with the gas fraction " + io::format_double(g) +
                     " (SI) gives no rates: a rate of gas needs a gas ratio above 0, a rate of oil an oil-gas ratio "
                     "above 0 and a water cut below 1");
            }
        }
    }
}

size_t max_entries(const VfpRequest& r) {
    if (r.max_entries.empty()) return static_cast<size_t>(kMaxEntries);
    const double n = parse_quantity("max-entries", r.max_entries, D::None).value;
    if (!(n >= 1 && n <= 1e9 && n == std::floor(n))) fail("{max-entries} takes a whole number from 1 to 1e9");
    return static_cast<size_t>(n);
}

}  // namespace

namespace {

// The ALQ axis: its kind and values (rising, distinct as the deck writes
// them), with the lift gas's injection options; the traverse's own lift-gas
// rate is refused (each entry takes its ALQ's).
void alq_axis(VfpRequest& r, VfpSetup& s) {
    TraverseRequest& t = r.traverse;
    const bool kind = s.table.alq != vfp::Alq::None;
    if (r.alq.empty() != !kind) fail("{alq} and {alq-kind} go together");
    if (!kind && t.given.lift_gas_rate) {
        // A table at one lift-gas rate that said ALQ 0 would mislead the simulator.
        fail("a lift-curve table carries its lift gas on the ALQ axis: give {alq} (one value for a fixed rate) "
             "with {alq-kind} grat, not {lift-gas-rate}");
    }
    if (!kind) return;
    if (t.given.lift_gas_rate) fail("with {alq} each entry's lift gas is its ALQ: give no {lift-gas-rate}");
    if (!t.given.injection_depth && !t.given.casing_pres) {
        fail("{alq} needs where the lift gas enters: {injection-depth}, or {casing-pres} and {mandrels}");
    }
    const D dim = s.table.alq == vfp::Alq::GasRate ? D::GasRate : D::GasRatio;
    vfp::Axes& a = s.table.axes;
    a.alq.clear();
    for (const Quantity& q : parse_quantity_list("alq", r.alq, dim)) {
        if (!(q.value >= 0)) fail("{alq} must not be negative");
        a.alq.push_back(q.value);
    }
    for (size_t k = 1; k < a.alq.size(); ++k) {
        if (!(a.alq[k] > a.alq[k - 1])) fail("{alq} must rise");
        if (vfp::deck_text(vfp::alq_to_deck(s.units, s.table.alq, a.alq[k])) ==
            vfp::deck_text(vfp::alq_to_deck(s.units, s.table.alq, a.alq[k - 1]))) {
            fail("{alq}: two values the keyword writes alike");
        }
    }
    set_number(t, &TraverseNumbers::lift_gas_rate, 0);  // each entry's own; the injection point is checked now
}

}  // namespace

namespace {

// The table's axes from their options, each in the units of its kind,
// strictly increasing and distinct as the deck writes them; whether a THP
// was read as a gauge pressure.
bool read_axes(VfpRequest& r, VfpSetup& s, double atm) {
    vfp::Axes& a = s.table.axes;
    a.flo = rate_axis(r, atm);
    bool gauge_thp = false;
    a.thp = thp_axis(r, atm, gauge_thp);
    a.wfr = water_axis(r, atm);
    a.gfr = gas_axis(r, atm);
    distinct_as_written("rates", "flo", s.table, s.units, a.flo);
    distinct_as_written("thp", "thp", s.table, s.units, a.thp);
    distinct_as_written("water-cut", "wfr", s.table, s.units, a.wfr);
    distinct_as_written(r.gas_option.c_str(), "gfr", s.table, s.units, a.gfr);
    alq_axis(r, s);
    const double entries = static_cast<double>(a.flo.size()) * static_cast<double>(a.thp.size()) *
                           static_cast<double>(a.wfr.size()) * static_cast<double>(a.gfr.size()) *
                           static_cast<double>(a.alq.size());
    const size_t most = max_entries(r);
    if (entries > static_cast<double>(most)) {
        fail("the table would have " + io::format_double(entries) + " entries, each a traverse; at most " +
             std::to_string(most) + " are computed ({max-entries} raises it)");
    }
    return gauge_thp;
}

}  // namespace

namespace {

// The traverse every entry is, set up from the request's well and fluid: no
// march beyond the ceiling, and a table read to a fraction of its pressures
// (by default each traverse's tolerance per segment is kTableTolerance of
// the lowest THP, 69 Pa at 100 psia: below the model's own noise between
// neighbouring pressures, and far cheaper than the 1 Pa of a single
// traverse); the datum, where not given, the well's last station.
void set_up_traverse(VfpRequest& r, VfpSetup& s, bool gauge_thp, double atm) {
    TraverseRequest& t = r.traverse;
    const double lowest_thp = s.table.axes.thp.front();
    if (!t.given.max_pres.has_value()) set_number(t, &TraverseNumbers::max_pres, kTableCeiling);
    if (!t.given.tol.has_value()) set_number(t, &TraverseNumbers::tol, many_traverse_tolerance(lowest_thp));
    s.setup = setup_traverse(t);
    if (gauge_thp) s.setup.atm_pres = atm;
    const Line& line = s.setup.line;
    if (!r.datum_given) s.table.datum = line.nodes.front().z - line.nodes.back().z;
}

// An injector's table: the axes FLO (rates of the injected fluid) and THP
// only, each entry a traverse down the well from the THP with the injected
// fluid alone. The black oil's properties that the injected fluid does not
// carry (an oil's API for water or gas) never enter its traverse: where not
// given they are taken as a neutral 35 API and gas gravity 0.65.
VfpSetup setup_injector(VfpRequest r) {
    refuse_loading(r.traverse);
    const vfp::Injected kind = r.table.injected;
    if (r.rates.empty() || r.thp.empty()) fail("give the axes of an injector's table: {rates} and {thp}");
    if (!r.water_cut.empty() || !r.gas.empty() || !r.alq.empty() || r.table.alq != vfp::Alq::None || r.kinds_given ||
        r.gfr_given) {
        fail("an injector's table has the axes {rates} and {thp} only: give no {water-cut}, {gor}, {glr}, {alq}, "
             "{alq-kind}, {flo}, {wfr} or {gfr}");
    }
    TraverseRequest& t = r.traverse;
    if (t.given.lift_gas_rate || t.given.injection_depth || t.given.casing_pres) {
        fail("an injector's table takes no lift gas ({lift-gas-rate}, {injection-depth}, {casing-pres})");
    }
    refuse_output_step(t);
    const double atm = atmosphere(t);
    VfpSetup s;
    s.table = r.table;
    s.table.flo = kind == vfp::Injected::Gas ? vfp::Flo::Gas : kind == vfp::Injected::Oil ? vfp::Flo::Oil : vfp::Flo::Liquid;
    s.units = r.units;
    s.fill = r.fill;
    s.well = t.profile;
    vfp::Axes& a = s.table.axes;
    r.table.flo = s.table.flo;
    a.flo = rate_axis(r, atm);
    bool gauge_thp = false;
    a.thp = thp_axis(r, atm, gauge_thp);
    a.wfr = {0.0};
    a.gfr = {0.0};
    a.alq = {0.0};
    distinct_as_written("rates", "flo", s.table, s.units, a.flo);
    distinct_as_written("thp", "thp", s.table, s.units, a.thp);
    if (static_cast<double>(a.flo.size() * a.thp.size()) > static_cast<double>(max_entries(r))) {
        fail("the table would have " + std::to_string(a.flo.size() * a.thp.size()) + " entries; {max-entries} raises the limit");
    }
    // The fluid and the line checked with the fluid flowing down from the
    // THP; each entry sets its own rate.
    take_injected_fluid(t, kind, a.flo.back());
    set_number(t, &TraverseNumbers::inlet_pres, a.thp.front());
    set_up_traverse(r, s, gauge_thp, atm);
    return s;
}

}  // namespace

namespace {

// A number as an option reads it back exactly.
std::string exact(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string list(const std::vector<double>& v, const std::string& unit) {
    std::string s;
    for (double x : v) s += (s.empty() ? "" : ",") + exact(x);
    return s + (unit.empty() ? "" : " " + unit);
}

// The axes, kinds, units, datum and number of an existing table (--axes-from
// FILE, --table N) as the options that would give them, so that the project's
// own table is made on them; kinds the project does not write are refused.
void take_axes_from(VfpRequest& r) {
    if (!r.rates.empty() || !r.thp.empty() || !r.water_cut.empty() || !r.gas.empty() || !r.alq.empty() ||
        r.kinds_given || r.gfr_given || r.datum_given || r.table.injected != vfp::Injected::None) {
        fail("with {axes-from} the axes, their kinds, the datum and an injector's fluid come from its table: give no "
             "{rates}, {thp}, {water-cut}, {gor}, {glr}, {alq}, {flo}, {wfr}, {gfr}, {datum-depth} or {injector}");
    }
    const std::vector<vfp::DeckTable> tables = vfp::read_vfp_deck(r.axes_from);
    const vfp::DeckTable* t = vfp::find_table(tables, r.table_given ? r.table.number : 0);
    if (!t) {
        fail(r.axes_from + (r.table_given ? " has no table " + std::to_string(r.table.number)
                                          : " has " + std::to_string(tables.size()) + " tables: choose one with {table}"));
    }
    if (!vfp::axes_rise(*t)) fail(r.axes_from + ": an axis of its table does not rise");
    const bool field = t->units == "FIELD";
    if (!field && t->units != "METRIC") fail(r.axes_from + ": a table in " + t->units + " units is not written here (METRIC or FIELD)");
    auto take = [&](const std::string& name, const std::string& text) {
        if (!set_vfp_option(r, name, text)) set_option(r.traverse, name, text);
    };
    take("deck-units", field ? "field" : "metric");
    take("table", std::to_string(t->number));
    take("datum-depth", exact(t->datum) + (field ? " ft" : " m"));
    const std::string liquid = field ? "stb/day" : "sm3/day", gas = field ? "Mscf/day" : "sm3/day";
    const std::string per_liquid = field ? "Mscf/stb" : "sm3/sm3", liquid_per_gas = field ? "stb/Mscf" : "sm3/sm3";
    take("thp", list(t->thp_axis, field ? "psia" : "barsa"));
    if (t->keyword == "VFPINJ") {
        if (t->flo != "WAT" && t->flo != "GAS" && t->flo != "OIL") fail(r.axes_from + ": VFPINJ's FLO " + t->flo + " is not written here");
        take("injector", t->flo == "WAT" ? "water" : t->flo == "GAS" ? "gas" : "oil");
        take("rates", list(t->flo_axis, t->flo == "GAS" ? gas : liquid));
        return;
    }
    if (t->flo != "LIQ" && t->flo != "OIL" && t->flo != "GAS") fail(r.axes_from + ": FLO " + t->flo + " is not written here (LIQ, OIL, GAS)");
    if (t->wfr != "WCT" && t->wfr != "WOR" && t->wfr != "WGR") fail(r.axes_from + ": WFR " + t->wfr + " is not written here (WCT, WOR, WGR)");
    if (t->gfr != "GOR" && t->gfr != "GLR" && t->gfr != "OGR") fail(r.axes_from + ": GFR " + t->gfr + " is not written here (GOR, GLR, OGR)");
    take("flo", t->flo == "LIQ" ? "liq" : t->flo == "OIL" ? "oil" : "gas");
    take("wfr", t->wfr == "WCT" ? "wct" : t->wfr == "WOR" ? "wor" : "wgr");
    take("gfr", t->gfr == "GOR" ? "gor" : t->gfr == "GLR" ? "glr" : "ogr");
    take("rates", list(t->flo_axis, t->flo == "GAS" ? gas : liquid));
    take("water-cut", list(t->wfr_axis, t->wfr == "WCT" ? "" : t->wfr == "WOR" ? (field ? "stb/stb" : "sm3/sm3") : liquid_per_gas));
    take(t->gfr == "GLR" ? "glr" : "gor", list(t->gfr_axis, t->gfr == "OGR" ? liquid_per_gas : per_liquid));
    if (t->alq.empty()) {
        if (t->alq_axis.size() != 1 || t->alq_axis[0] != 0) fail(r.axes_from + ": an ALQ axis of values without its kind");
        return;
    }
    if (t->alq != "GRAT" && t->alq != "IGLR" && t->alq != "TGLR") {
        fail(r.axes_from + ": ALQ " + t->alq + " is not written here (GRAT, IGLR, TGLR: lift gas)");
    }
    take("alq-kind", t->alq == "GRAT" ? "grat" : t->alq == "IGLR" ? "iglr" : "tglr");
    take("alq", list(t->alq_axis, t->alq == "GRAT" ? gas : per_liquid));
}

}  // namespace

VfpSetup setup_vfp(VfpRequest r) {
    refuse_loading(r.traverse);
    if (!r.axes_from.empty()) take_axes_from(r);
    if (r.table.injected != vfp::Injected::None) return setup_injector(std::move(r));
    if (r.rates.empty() || r.thp.empty() || r.water_cut.empty() || r.gas.empty()) {
        fail("give the axes: {rates}, {thp}, {water-cut} and {gor} or {glr}");
    }
    TraverseRequest& t = r.traverse;
    if (!t.given.api.has_value()) fail("a lift-curve table needs the black-oil fluid: give {api}");
    refuse_output_step(t);
    const double atm = atmosphere(t);
    VfpSetup s;
    if (!r.gfr_given) r.table.gfr = r.gas_option == "gor" ? vfp::Gfr::GasOil : vfp::Gfr::GasLiquid;
    s.table = r.table;
    s.units = r.units;
    s.fill = r.fill;
    s.well = t.profile;
    const bool gauge_thp = read_axes(r, s, atm);
    const vfp::Axes& a = s.table.axes;
    check_splits(s.table);
    if (a.wfr.back() > 0 && !t.given.water_gravity.has_value() && !t.given.salinity.has_value()) {
        fail("give {water-gravity} or {salinity} for the produced water");
    }
    // The fluid and the line, checked as for a traverse with the largest rate
    // and the first water and gas fractions.
    double oil = 0, water = 0, gas = 0;
    vfp::split_rates(s.table.flo, s.table.wfr, s.table.gfr, a.flo.back(), a.wfr.front(), a.gfr.front(), oil, water, gas);
    t.given.gor.reset();
    t.given.water_cut.reset();
    if (oil + water > 0) {
        set_number(t, &TraverseNumbers::oil_rate, oil);
        set_number(t, &TraverseNumbers::water_rate, water);
        set_number(t, &TraverseNumbers::glr, gas / (oil + water));
    } else {
        t.given.gas_rate = Given{gas, D::GasRate};  // a dry gas well's entry: its gas alone
    }
    set_number(t, &TraverseNumbers::outlet_pres, a.thp.front());
    set_up_traverse(r, s, gauge_thp, atm);
    return s;
}

namespace {

// Numbers of the comments in the deck's units, rounded to what they mean.
struct DeckText {
    UnitSystem sys;
    std::string operator()(Dimension d, double si, int digits) const {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*g %s", digits, to_system(sys, d, si), output_unit(sys, d).name);
        return buf;
    }
};

// The first entry not computed, by its axis values in the deck's units
// (the records' indices after them, as the keyword numbers them).
std::string first_failure(const vfp::Result& res, const VfpSetup& s) {
    const vfp::Failure& f = res.failures.front();
    const vfp::Table& t = res.table;
    auto value = [&](const char* what, const std::vector<double>& axis, size_t i) {
        return std::string(" ") + io::format_rounded(vfp::to_deck(s.units, what, t.flo, t.wfr, t.gfr, axis[i]), 6) + " " +
               vfp::deck_unit(s.units, what, t.flo, t.wfr, t.gfr);
    };
    if (t.injected != vfp::Injected::None) {
        return std::to_string(res.failures.size()) + " of " + std::to_string(t.bhp.size()) +
               " entries could not be computed; the first, THP" + value("thp", t.axes.thp, f.index[0]) + ", FLO" +
               value("flo", t.axes.flo, f.index[4]) + " (record " + std::to_string(f.index[0] + 1) + ", FLO " +
               std::to_string(f.index[4] + 1) + "): " + f.message;
    }
    std::string at = "THP" + value("thp", t.axes.thp, f.index[0]) + ", WFR" + value("wfr", t.axes.wfr, f.index[1]) +
                     ", GFR" + value("gfr", t.axes.gfr, f.index[2]);
    if (t.alq != vfp::Alq::None) {
        at += ", ALQ " + io::format_rounded(vfp::alq_to_deck(s.units, t.alq, t.axes.alq[f.index[3]]), 6) + " " +
              vfp::alq_unit(s.units, t.alq);
    }
    at += ", FLO" + value("flo", t.axes.flo, f.index[4]);
    return std::to_string(res.failures.size()) + " of " + std::to_string(t.bhp.size()) +
           " entries could not be computed; the first, " + at + " (record " + std::to_string(f.index[0] + 1) + " " +
           std::to_string(f.index[1] + 1) + " " + std::to_string(f.index[2] + 1) + " " +
           std::to_string(f.index[3] + 1) + ", FLO " + std::to_string(f.index[4] + 1) + "): " + f.message;
}

// What made the table: the well, the fluid and its correlations, the method, the march.
std::vector<std::string> origin_comments(const VfpSetup& s, const vfp::Result& res, const DeckText& in_deck) {
    using io::format_double;
    const bo::BlackOilInputs& in = s.setup.black_oil()->inputs();
    const TraverseOptions& o = s.setup.options;
    const vfp::Injected kind = s.table.injected;
    const std::string water = in.salinity >= 0 ? "salinity " + format_double(in.salinity) : "gravity " + format_double(in.water_gravity);
    const std::string fluid =
        kind == vfp::Injected::Water ? "injected water, " + water
        : kind == vfp::Injected::Gas ? "injected gas, gravity " + format_double(in.gas_gravity) + ", CO2 " +
                                           format_double(in.co2) + ", H2S " + format_double(in.h2s) + ", N2 " + format_double(in.n2)
        : kind == vfp::Injected::Oil ? "injected dead oil, " + format_double(in.api) + " API"
                                     : "black oil, " + format_double(in.api) + " API, gas gravity " +
                                           format_double(in.gas_gravity) + ", CO2 " + format_double(in.co2) + ", H2S " +
                                           format_double(in.h2s) + ", N2 " + format_double(in.n2);
    return {
        std::string(kind == vfp::Injected::None ? "Lift-curve" : "Injection") + " table made by pipeflow vfp (flow model " +
            format_double(PIPEFLOW_VERSION) + ")",
        "well: " + (s.well.empty() ? std::string("a straight line") : s.well) + ", datum at " +
            in_deck(Dimension::Length, s.table.datum, 6) + " true vertical depth",
        "fluid: " + fluid,
        std::string("correlations: Z ") +
            (in.z_method == bo::ZMethod::HallYarborough ? "Hall-Yarborough" : "Dranchuk-Abou-Kassem") + ", dead oil " +
            (in.dead_oil == bo::DeadOil::Glaso ? "Glaso" : "Beggs-Robinson") + ", live oil " +
            (in.live_oil == bo::LiveOil::ChewConnally ? "Chew-Connally" : "Beggs-Robinson"),
        "pressure gradient: " + method_text(o.method, o.holdup_factor, o.friction_factor),
        std::string("each entry one traverse from the THP down to the datum") +
            (kind == vfp::Injected::None ? "" : ", the fluid flowing down") + ", tolerance " +
            in_deck(Dimension::PressureStep, o.tol, 4) + " per segment; " + std::to_string(res.evaluations) +
            " evaluations",
    };
}

std::string lift_comment(const VfpSetup& s, const vfp::Table& t, const DeckText& in_deck) {
    const LiftGas& lift = *s.setup.lift;
    std::string where = "injected at md " + in_deck(Dimension::Length, lift.md, 6);
    if (!lift.mandrels.empty()) {
        where = "from the casing at " + in_deck(Dimension::Pressure, lift.casing_pres, 6) +
                " through the deepest mandrel that can inject (md ";
        for (size_t k = 0; k < lift.mandrels.size(); ++k) {
            where += (k ? ", " : "") + in_deck(Dimension::Length, lift.mandrels[k], 6);
        }
        where += "), at least " + in_deck(Dimension::PressureStep, lift.injection_dp, 4) + " above the tubing";
    }
    return std::string("lift gas: ALQ ") + vfp::alq_word(t.alq) + " (" + vfp::alq_unit(s.units, t.alq) + "), " +
           where + (lift.gravity > 0 ? ", gravity " + io::format_double(lift.gravity) : std::string());
}

std::string heat_comment(const VfpSetup& s, const vfp::Result& res, UnitSystem sys) {
    auto temp = [&](double k) {
        return io::format_double(std::round(to_system(sys, Dimension::Temperature, k) * 100) / 100);
    };
    return std::string("temperature: heat transfer (") + heat_law_name(s.setup.options.heat.law) +
           "); the entries' wellhead temperatures " + temp(res.wellhead_temp_min) + " to " +
           temp(res.wellhead_temp_max) + ", mean " + temp(res.wellhead_temp_mean) + " " +
           output_unit(sys, Dimension::Temperature).name;
}

std::vector<std::string> table_comments(const VfpSetup& s, const vfp::Result& res,
                                        const std::vector<std::string>& filled) {
    const UnitSystem sys = vfp::deck_system(s.units);
    const DeckText in_deck{sys};
    std::vector<std::string> comments = origin_comments(s, res, in_deck);
    const vfp::Table& t = res.table;
    if (t.alq != vfp::Alq::None && s.setup.lift) comments.push_back(lift_comment(s, t, in_deck));
    if (s.setup.options.heat.marched() && res.wellhead_temps > 0) comments.push_back(heat_comment(s, res, sys));
    // Marched against the flow, a producer's traverses stop at the ceiling;
    // an injector's, marched with it, have none.
    if (t.injected == vfp::Injected::None) {
        comments.push_back("entries lie between their THP and " + in_deck(Dimension::Pressure, s.setup.options.max_pres, 6) +
                           ", the highest pressure a traverse marches to");
    }
    if (s.setup.atm_pres > 0) {
        comments.push_back("gauge readings taken against an atmosphere of " +
                           in_deck(Dimension::Pressure, s.setup.atm_pres, 5) + " (gauge + atmosphere = absolute)");
    }
    for (const std::string& f : filled) comments.push_back("filled: " + plain_words(f, sys));
    for (const std::string& w : res.warnings) comments.push_back("warning: " + w);
    return comments;
}

}  // namespace

VfpOutcome make_table(const VfpSetup& s, unsigned jobs) {
    VfpOutcome o;
    const bo::BlackOilInputs& in = s.setup.black_oil()->inputs();
    o.result = vfp::compute(s.setup.line, in, s.setup.options, s.table, jobs, s.setup.lift ? *s.setup.lift : LiftGas{});
    vfp::Result& res = o.result;
    if (!res.failures.empty()) {
        const std::string first = first_failure(res, s);
        if (s.fill == vfp::Fill::None) {
            o.error = first + "\n({fill} extrapolate fills them from their rate neighbours)";
            return o;
        }
        std::string error;
        if (!vfp::fill_from_rates(res.table, res.failures, s.fill, s.setup.options.max_pres, o.filled, error)) {
            o.error = "cannot fill the table: " + error;
            return o;
        }
    }
    o.warnings = res.warnings;
    for (const std::string& w : vfp::check(res.table, s.units)) o.warnings.push_back(w);
    const std::vector<std::string> comments = table_comments(s, res, o.filled);
    o.keyword = s.table.injected == vfp::Injected::None ? vfp::vfpprod(res.table, s.units, comments)
                                                        : vfp::vfpinj(res.table, s.units, comments);
    return o;
}

}  // namespace flowmodel::wells
