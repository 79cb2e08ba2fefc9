// libFuzzer target for what users ask of a well as a whole: the fuzzer's
// bytes drawn into a nodal analysis (a straight producer, the black oil, a
// straight-line, Vogel or Fetkovich inflow, a method, liquid loading) or a
// small lift-curve table of it, within and beyond the ranges the options
// take. Nothing may crash or hang; a request is refused (std::invalid_argument
// or std::runtime_error, with a message) or answered, and an answer holds:
//   - nodal analysis: every curve point's rate finite and above 0, its
//     outflow finite or its failure said; an operating point on both curves
//     (the inflow at its rate within its stated mismatch of its bottom-hole
//     pressure, which is finite and above the wellhead's); none without a
//     reason; a loading rate not below 0;
//   - a table: every entry finite and above its THP, or said (a failure, or
//     filled from its neighbours, or the table's error).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>

#include "flowmodel/ipr.hpp"
#include "flowmodel/methods.hpp"
#include "flowmodel/nodal.hpp"
#include "flowmodel/well_request.hpp"
#include "fuzz_decode.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "wells check failed: %s (%s)\n", what, detail.c_str());
    std::abort();
}

using fuzzdecode::draw_option;

// The well and its fluid, as options by name.
std::map<std::string, std::string> well_options(fuzzdecode::Reader& r) {
    std::map<std::string, std::string> o;
    o["length"] = draw_option(r, 300, 3000, "");
    o["angle"] = r.byte() % 2 ? "-90" : "-60";
    o["diam"] = draw_option(r, 0.03, 0.15, "");
    o["rough"] = draw_option(r, 0, 1e-4, "");
    o["api"] = draw_option(r, 15, 55, "");
    o["gas-gravity"] = draw_option(r, 0.55, 1.0, "");
    o["water-gravity"] = draw_option(r, 1.0, 1.15, "");
    o["temp-in"] = draw_option(r, 320, 400, "K");
    o["temp-out"] = draw_option(r, 280, 330, "K");
    o["tol"] = draw_option(r, 500, 5000, "");
    o["method"] = flowmodel::methods()[r.byte() % flowmodel::methods().size()].name;
    return o;
}

struct Tally {
    long answered = 0, refused = 0;
    ~Tally() { std::fprintf(stderr, "requests: %ld answered, %ld refused\n", answered, refused); }
};
Tally tally;

// A refusal (an option it cannot take, a line it cannot make) says why.
int refused(const std::exception& e, const std::string& what) {
    if (std::string(e.what()).empty()) fail("a refusal without a message", what);
    ++tally.refused;
    return 0;
}

void check_nodal(const flowmodel::wells::NodalSetup& s, const flowmodel::nodal::Result& r, const std::string& what) {
    for (const flowmodel::nodal::Point& p : r.curve) {
        if (!(std::isfinite(p.rate) && p.rate > 0)) fail("a curve point's rate not finite above 0", what);
        if (!std::isfinite(p.outflow) && p.failure.empty()) fail("an outflow that failed without saying why", what);
    }
    const flowmodel::nodal::Crossing* op = r.operating_point();
    if (!op) {
        if (flowmodel::nodal::reason(r, [](double) { return std::string("q"); }).empty()) fail("no operating point, no reason", what);
    } else {
        if (!(std::isfinite(op->bhp) && op->bhp > s.setup.options.pres)) fail("an operating point below its wellhead", what);
        const double inflow = flowmodel::ipr::pwf(s.inflow, op->rate);
        if (!(std::fabs(inflow - op->bhp) <= op->mismatch + 1e-6 * op->bhp)) fail("an operating point off the inflow", what);
    }
    if (r.critical_gas_rate < 0 || std::isinf(r.critical_gas_rate)) fail("a loading rate below 0 or infinite", what);
}

void check_table(const flowmodel::wells::VfpOutcome& out, const std::string& what) {
    const flowmodel::vfp::Table& t = out.result.table;
    if (!out.error.empty()) return;  // said: no keyword
    for (size_t i = 0; i < t.bhp.size(); ++i) {
        if (!std::isfinite(t.bhp[i])) fail("a table entry without a value and no error", what);
    }
    for (size_t k = 0; k < t.axes.thp.size(); ++k) {
        for (size_t f = 0; f < t.axes.flo.size(); ++f) {
            if (!(t.bhp[t.index(k, 0, 0, 0, f)] > t.axes.thp[k])) fail("a producer's entry not above its THP", what);
        }
    }
}

int run_nodal(fuzzdecode::Reader& r, std::map<std::string, std::string> o) {
    o["outlet-pres"] = draw_option(r, 5e5, 3e6, "");
    o["water-cut"] = draw_option(r, 0, 0.9, "");
    o["gor"] = draw_option(r, 20, 2000, " Sm3/Sm3");
    o["res-pres"] = draw_option(r, 5e6, 4e7, "");
    const uint8_t kind = r.byte() % 3;
    o["ipr"] = kind == 0 ? "pi" : kind == 1 ? "vogel" : "fetkovich";
    if (kind == 0) o["pi"] = draw_option(r, 1, 200, " Sm3/d/bar");
    if (kind == 1) o["q-max"] = draw_option(r, 50, 3000, " Sm3/d");
    if (kind == 2) {
        o["c"] = draw_option(r, 1e-6, 1e-3, " Sm3/d/bar2");
        o["n"] = draw_option(r, 0.5, 1.0, "");
    }
    if (r.byte() % 4 == 3) o["loading"] = "turner";
    std::string what = "nodal";
    for (const auto& [k, v] : o) what += " --" + k + " '" + v + "'";
    flowmodel::wells::NodalSetup s;
    try {
        flowmodel::wells::NodalRequest req;
        req.traverse.flow_decreasing = req.traverse.flow_direction_stated = true;
        for (const auto& [k, v] : o) {
            if (!flowmodel::wells::set_nodal_option(req, k, v)) flowmodel::set_option(req.traverse, k, v);
        }
        s = flowmodel::wells::setup_nodal(req);
    } catch (const std::invalid_argument& e) {
        return refused(e, what);
    } catch (const std::runtime_error& e) {
        return refused(e, what);
    }
    s.setup.options.max_evaluations = 3000;  // a fuzz input, not a study
    check_nodal(s, flowmodel::wells::analyse(s, 1), what);
    ++tally.answered;
    return 0;
}

int run_table(fuzzdecode::Reader& r, std::map<std::string, std::string> o) {
    o.erase("method");  // the default, the model: a table's cost is its traverses
    std::string rates = draw_option(r, 10, 500, "") + "," + draw_option(r, 500, 3000, "");
    std::string what = "vfp --rates '" + rates + " Sm3/d'";
    try {
        flowmodel::wells::VfpRequest req;
        for (const auto& [k, v] : o) flowmodel::set_option(req.traverse, k, v);
        flowmodel::wells::set_vfp_option(req, "rates", rates + " Sm3/d");
        flowmodel::wells::set_vfp_option(req, "thp", draw_option(r, 5, 30, "") + "," + draw_option(r, 30, 60, "") + " bar");
        flowmodel::wells::set_vfp_option(req, "water-cut", draw_option(r, 0, 0.9, ""));
        flowmodel::wells::set_vfp_option(req, "gor", draw_option(r, 20, 1500, "") + " Sm3/Sm3");
        const flowmodel::wells::VfpSetup s = flowmodel::wells::setup_vfp(req);
        check_table(flowmodel::wells::make_table(s, 1), what);
    } catch (const std::invalid_argument& e) {
        return refused(e, what);
    } catch (const std::runtime_error& e) {
        return refused(e, what);
    }
    ++tally.answered;
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzdecode::Reader r(data, size);
    const bool table = r.byte() % 4 == 3;
    std::map<std::string, std::string> o = well_options(r);
    return table ? run_table(r, o) : run_nodal(r, o);
}
