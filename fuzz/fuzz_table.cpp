// libFuzzer target for the fluid property table reader: arbitrary bytes as a
// table file. Nothing may crash or throw anything but std::runtime_error,
// and a table it accepts is a rectangular grid the fluid can use:
//   - pressures and temperatures strictly rising, one value of each property
//     per grid point, every value positive and finite;
//   - specific heats, where given, one positive pair per grid point, and the
//     energy balance's numbers from them finite;
//   - at a grid point the state is the grid's own; between points it lies
//     within the corner values; outside the grid the fluid says so (FluidError).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include "flowmodel/fluids.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "table check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    flowmodel::PropertyTable t;
    try {
        t = flowmodel::PropertyTable::read(in, "fuzz.csv");
    } catch (const std::runtime_error&) {
        return 0;
    }
    const size_t np = t.pres.size(), nt = t.temp.size();
    if (np == 0 || nt == 0) fail("an empty grid");
    for (size_t i = 1; i < np; ++i) {
        if (!(t.pres[i] > t.pres[i - 1])) fail("pressures not rising");
    }
    for (size_t j = 1; j < nt; ++j) {
        if (!(t.temp[j] > t.temp[j - 1])) fail("temperatures not rising");
    }
    for (const auto* v : {&t.rol, &t.rog, &t.visl, &t.visg, &t.sigma}) {
        if (v->size() != np * nt) fail("a property without one value per grid point");
        for (double x : *v) {
            if (!(x > 0) || !std::isfinite(x)) fail("a property not positive and finite");
        }
    }
    if (t.cpl.size() != t.cpg.size() || (!t.cpl.empty() && t.cpl.size() != np * nt)) {
        fail("specific heats not one pair per grid point");
    }
    for (const auto* v : {&t.cpl, &t.cpg}) {
        for (double x : *v) {
            if (!(x > 0) || !std::isfinite(x)) fail("a specific heat not positive and finite");
        }
    }
    t.liquid_rate = 1;
    t.gas_rate = 1;
    // With specific heats, the energy balance's numbers at every grid point are finite, cp positive.
    for (size_t i = 0; !t.cpl.empty() && i < np; ++i) {
        for (size_t j = 0; j < nt; ++j) {
            const flowmodel::ThermalState th = t.thermal(t.pres[i], t.temp[j]);
            if (!(th.cp > 0) || !std::isfinite(th.cp) || !std::isfinite(th.dh_dp)) fail("a thermal state not finite");
        }
    }
    // Each grid point, and the middle of each grid cell.
    for (size_t i = 0; i < np; ++i) {
        for (size_t j = 0; j < nt; ++j) {
            const flowmodel::FluidState s = t.at(t.pres[i], t.temp[j]);
            if (s.rol != t.rol[i * nt + j] || s.sigma != t.sigma[i * nt + j]) fail("a grid point's own state differs");
            if (i + 1 < np && j + 1 < nt) {
                const double p = t.pres[i] + 0.5 * (t.pres[i + 1] - t.pres[i]);
                const double T = t.temp[j] + 0.5 * (t.temp[j + 1] - t.temp[j]);
                const flowmodel::FluidState m = t.at(p, T);
                const double c[4] = {t.rol[i * nt + j], t.rol[i * nt + j + 1], t.rol[(i + 1) * nt + j],
                                     t.rol[(i + 1) * nt + j + 1]};
                const double lo = *std::min_element(c, c + 4), hi = *std::max_element(c, c + 4);
                if (!(m.rol >= lo * (1 - 1e-12) && m.rol <= hi * (1 + 1e-12))) fail("interpolation outside the corners");
            }
        }
    }
    try {
        t.at(t.pres.back() * 2 + 1, t.temp.front());
        fail("a state above the grid's pressures");
    } catch (const flowmodel::FluidError&) {
    }
    return 0;
}
