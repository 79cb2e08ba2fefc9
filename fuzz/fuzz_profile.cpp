// libFuzzer target for the profile (survey) reader: arbitrary bytes as a
// profile file, in metres or feet. Nothing may crash or throw anything but
// the reader's std::runtime_error, and a profile it accepts is a line the
// march can take:
//   - at least two nodes, md finite and strictly increasing;
//   - elevations, diameters, roughnesses and temperatures finite, diameters
//     positive, roughnesses not negative, temperatures 0 or positive;
//   - no segment rises or falls by more than its length beyond a survey's
//     rounding (0.02 of the length unit) and the subtraction's round-off.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include "flowmodel/traverse.hpp"

namespace {

[[noreturn]] void fail(const char* what, double a, double b) {
    std::fprintf(stderr, "profile check failed: %s (%.17g, %.17g)\n", what, a, b);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double unit = size % 2 ? flowmodel::unit::kFoot : 1.0;
    std::istringstream in(text);
    flowmodel::Line line;
    try {
        line = flowmodel::read_profile(in, "fuzz.csv", 0.1, 0.0, unit);
    } catch (const std::runtime_error&) {
        return 0;
    }
    const auto& n = line.nodes;
    if (n.size() < 2) fail("fewer than two nodes", static_cast<double>(n.size()), 0);
    for (size_t i = 0; i < n.size(); ++i) {
        const auto& a = n[i];
        if (!std::isfinite(a.md) || !std::isfinite(a.z)) fail("md or z not finite", a.md, a.z);
        if (!(a.diam > 0) || !std::isfinite(a.diam)) fail("diameter", a.diam, 0);
        if (!(a.rough >= 0) || !std::isfinite(a.rough)) fail("roughness", a.rough, 0);
        if (!(a.temp >= 0) || !std::isfinite(a.temp)) fail("temperature", a.temp, 0);
        if (i == 0) continue;
        const auto& p = n[i - 1];
        const double ds = a.md - p.md;
        if (!(ds > 0)) fail("md not increasing", p.md, a.md);
        const double slack = 0.02 * unit + 1e-9 * (std::fabs(a.z) + std::fabs(p.z) + std::fabs(a.md) + 1);
        if (std::fabs(a.z - p.z) - ds > slack) fail("a segment rises more than its length", ds, a.z - p.z);
    }
    return 0;
}
