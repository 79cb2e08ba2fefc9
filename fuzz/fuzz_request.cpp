// libFuzzer target for what users ask of the traverse and the wells: the
// fuzzer's bytes drawn into a well's request (a line, the black oil, its
// rates or a gas well's rate and yields, the boundary pressure, a method,
// multipliers, heat transfer, lift gas, liquid loading), within and beyond
// the ranges the options take. Nothing may crash or
// hang; a request is refused (std::invalid_argument or, for a line it cannot
// make, std::runtime_error, with a message) or answered, and an answer holds:
//   - a complete traverse has finite end pressures and every point a finite
//     pressure above 0 and a temperature above 0 K, within its sources'
//     bounds with heat transfer (the surroundings, the inlet's) plus what
//     friction and Joule-Thomson can add;
//   - with a target pressure shot for, the outlet within tol per step;
//   - an incomplete one says why and reports no end it did not reach.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>

#include "flowmodel/loading.hpp"
#include "flowmodel/traverse_request.hpp"
#include "fuzz_decode.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "request check failed: %s (%s)\n", what, detail.c_str());
    std::abort();
}

using fuzzdecode::draw_option;

// Liquid loading where judged: rates at standard conditions not below 0
// (NaN at an end not reached), stretches ordered and on the line.
void check_loading(const flowmodel::TraverseSetup& s, const flowmodel::TraverseSummary& m, const std::string& what) {
    if (s.loading == flowmodel::LoadingCriterion::None) return;
    for (const double q : {m.critical_gas_rate_wellhead, m.critical_gas_rate_bottom}) {
        if (q < 0 || std::isinf(q)) fail("a critical gas rate below 0 or infinite", what);
    }
    const double first = s.line.nodes.front().md, last = s.line.nodes.back().md;
    double before = -INFINITY;
    for (const auto& st : m.loading_stretches) {
        if (!(st[0] <= st[1] && st[0] >= before && st[0] >= first - 1e-9 && st[1] <= last + 1e-9)) {
            fail("a loading stretch out of order or off the line", what);
        }
        before = st[1];
    }
}

void check_traverse(const flowmodel::TraverseSetup& s, const flowmodel::TraverseResult& t, const std::string& what) {
    const flowmodel::TraverseSummary& m = t.summary;
    check_loading(s, m, what);
    if (!m.complete) {
        if (m.message.empty()) fail("an incomplete traverse without its reason", what);
        if (std::isfinite(m.inlet_pres) && std::isfinite(m.outlet_pres)) fail("an incomplete traverse with both ends", what);
    } else {
        if (!std::isfinite(m.inlet_pres) || !std::isfinite(m.outlet_pres)) fail("a complete traverse without its ends", what);
        if (s.options.heat.marched() && s.options.from_outlet) {
            const double miss = std::fabs(m.outlet_pres - s.options.pres);
            if (!(miss <= s.options.tol * static_cast<double>(std::max(1L, m.steps)))) fail("the outlet missed beyond tol per step", what);
        }
    }
    double lo = s.options.heat.marched() ? s.options.heat.inlet_temp : INFINITY;
    double hi = s.options.heat.marched() ? s.options.heat.inlet_temp : -INFINITY;
    for (const flowmodel::LineNode& n : s.line.nodes) lo = std::min(lo, n.temp), hi = std::max(hi, n.temp);
    // What the energy balance itself may add: the kinetic energy a flow up to
    // sonic speed takes from its enthalpy (v^2 / 2 cp, 60 K), Joule-Thomson's
    // cooling (at most 1 K per bar of the drop: natural gases 0.2-0.6 K/bar),
    // and friction's heating, at most the drop to friction over a liquid's
    // rho cp (500 kg/m3, 1500 J/kg/K: no liquid is lighter or holds less heat).
    auto finite_or_0 = [](double x) { return std::isfinite(x) ? std::fabs(x) : 0.0; };
    const double margin = 60 + 1e-5 * finite_or_0(m.dp_total) + finite_or_0(m.dp_friction) / (500.0 * 1500.0);
    for (const flowmodel::TraversePoint& p : t.points) {
        if (!(std::isfinite(p.pres) && p.pres > 0)) fail("a point without a finite pressure above 0", what);
        if (!(std::isfinite(p.temp) && p.temp > 0)) fail("a point without a temperature above 0 K", what);
        if (s.options.heat.marched() && (p.temp < lo - margin || p.temp > hi + margin)) {
            fail("a temperature beyond its sources", what + ": " + std::to_string(p.temp) + " K at md " +
                                                         std::to_string(p.md) + ", sources " + std::to_string(lo) + " to " +
                                                         std::to_string(hi) + " K");
        }
    }
}

// How many requests were answered and refused, said at exit: a harness whose
// every input is refused (as once, when bare ratios became refused) checks
// nothing, and the hardening script fails on "0 answered".
struct Tally {
    long answered = 0, refused = 0;
    ~Tally() { std::fprintf(stderr, "requests: %ld answered, %ld refused\n", answered, refused); }
};
Tally tally;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzdecode::Reader r(data, size);
    flowmodel::TraverseRequest req;
    std::map<std::string, std::string> o;
    const bool well = r.byte() % 2 == 0;
    o["length"] = draw_option(r, 50, 3000, "");
    o["angle"] = well ? (r.byte() % 2 ? "-90" : "-60") : draw_option(r, -90, 90, "");
    o["diam"] = draw_option(r, 0.02, 0.3, "");
    o["rough"] = draw_option(r, 0, 1e-4, "");
    o["api"] = draw_option(r, 10, 60, "");
    o["gas-gravity"] = draw_option(r, 0.55, 1.2, "");
    o["water-gravity"] = draw_option(r, 1.0, 1.2, "");
    o["oil-rate"] = draw_option(r, 1, 3000, " Sm3/d");
    o["water-rate"] = draw_option(r, 0, 2000, " Sm3/d");
    o["gor"] = draw_option(r, 0, 2000, " Sm3/Sm3");
    o["tol"] = draw_option(r, 100, 5000, "");
    req.flow_decreasing = well;
    const bool from_outlet = r.byte() % 2 == 0;
    o[from_outlet ? "outlet-pres" : "inlet-pres"] = draw_option(r, 1e5, 4e7, "");
    const uint8_t heat = r.byte() % 4;
    if (heat == 0) {
        o["temp-in"] = draw_option(r, 280, 420, "K");
        o["temp-out"] = draw_option(r, 270, 400, "K");
    } else {
        req.heat = heat == 1 ? flowmodel::HeatLaw::Adiabatic : heat == 2 ? flowmodel::HeatLaw::UValue : flowmodel::HeatLaw::Ramey;
        req.geothermal = draw_option(r, 270, 320, "K") + ", " + draw_option(r, -0.01, 0.06, "K/m");
        if (heat == 2) o["u-value"] = draw_option(r, 1, 1e6, "");
        if (heat == 3) {
            o["producing-time"] = draw_option(r, 1, 1000, "d");
            o["hole-diam"] = draw_option(r, 0.1, 0.4, "");
        }
        if (r.byte() % 2) o["temp-in"] = draw_option(r, 280, 420, "K");
    }
    if (r.byte() % 3 == 0) {
        o["lift-gas-rate"] = draw_option(r, 0, 2e5, " Sm3/d");
        o["injection-depth"] = draw_option(r, 10, 2900, "");
    }
    if (r.byte() % 4 == 0) {
        o["holdup-factor"] = draw_option(r, 0.5, 2, "");
        o["friction-factor"] = draw_option(r, 0.5, 2, "");
    }
    const std::string method = flowmodel::methods()[r.byte() % flowmodel::methods().size()].name;
    // Liquid loading judged (an input's exhausted bytes read 0: not judged, as
    // the seeds were made).
    const uint8_t loading = r.byte() % 4;
    if (loading >= 2) o["loading"] = loading == 2 ? "turner" : "coleman";
    // A gas well by its gas rate and yields instead of the oil's rates (again
    // past the seeds' bytes).
    if (r.byte() % 4 == 3) {
        o.erase("oil-rate");
        o.erase("water-rate");
        o.erase("gor");
        o["gas-rate"] = draw_option(r, 1e3, 2e6, " Sm3/d");
        o["cgr"] = draw_option(r, 0, 2e-4, " Sm3/Sm3");
        o["wgr"] = draw_option(r, 0, 2e-4, " Sm3/Sm3");
    }
    std::string what;
    for (const auto& [k, v] : o) what += "--" + k + " " + v + " ";
    what += "--method " + method + " --heat " + flowmodel::heat_law_name(req.heat) + " --geothermal '" + req.geothermal +
            "'" + (well ? " --flow-direction decreasing" : "");
    // FUZZ_REQUEST_SHOW=1 prints each request as options, to replay a finding
    // (a timeout says nothing else) with the command.
    static const bool show = std::getenv("FUZZ_REQUEST_SHOW") != nullptr;
    if (show) std::fprintf(stderr, "request: %s\n", what.c_str());
    flowmodel::TraverseSetup s;
    try {
        for (const auto& [k, v] : o) flowmodel::set_option(req, k, v);
        flowmodel::set_option(req, "method", method);
        s = flowmodel::setup_traverse(req);
    } catch (const std::invalid_argument& e) {  // an option it cannot take
        if (std::string(e.what()).empty()) fail("a refusal without a message", what);
        ++tally.refused;
        return 0;
    } catch (const std::runtime_error& e) {  // a line it cannot make (setup_traverse's other refusal)
        if (std::string(e.what()).empty()) fail("a refusal without a message", what);
        ++tally.refused;
        return 0;
    }
    s.options.max_evaluations = 5000;  // a fuzz input, not a study: each march bounded
    const flowmodel::TraverseResult t = flowmodel::traverse(s);
    check_traverse(s, t, what);
    ++tally.answered;
    return 0;
}
