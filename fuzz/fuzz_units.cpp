// libFuzzer target for the unit parser: the first byte picks the dimensions
// an option takes, the rest is the text a user typed. Nothing may crash or
// throw anything but std::invalid_argument, and an accepted text gives a
// finite value whose unit is one of the dimensions asked for (or none), a
// gauge reading only for a pressure, and a bare temperature not below 200 K.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "flowmodel/units.hpp"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "unit check failed: %s for '%s'\n", what, text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using flowmodel::Dimension;
    if (size == 0) return 0;
    constexpr int kDims = static_cast<int>(Dimension::Count);
    const auto a = static_cast<Dimension>(data[0] % kDims);
    const auto b = data[0] / kDims % 3 == 0 ? static_cast<Dimension>(data[0] / 7 % kDims) : Dimension::None;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    flowmodel::Quantity q;
    try {
        q = flowmodel::parse_quantity("x", text, a, b);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    if (!std::isfinite(q.value)) fail("a value not finite", text);
    if (q.unit != Dimension::None && q.unit != a && q.unit != b) fail("a unit of another dimension", text);
    if (q.gauge && q.unit != Dimension::Pressure) fail("a gauge reading that is no pressure", text);
    if (a == Dimension::Temperature && q.unit == Dimension::None && q.value < flowmodel::kLowestBareTemperature) {
        fail("a bare temperature below 200 K", text);
    }
    // The unit table answers for every dimension without fault.
    double factor = 0, offset = 0;
    if (flowmodel::find_unit(a, text, factor, offset) && !(factor > 0)) fail("a unit without a positive factor", text);
    (void)flowmodel::unit_names(a);
    return 0;
}
