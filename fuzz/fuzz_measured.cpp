// libFuzzer target for the reader of measured pressures (`pipeflow match
// --measured`): arbitrary bytes as the file. Nothing may crash or throw
// anything but std::runtime_error, and what it accepts can be matched:
//   - a survey: depths rising, pressures positive and finite;
//   - well tests: rates finite and not negative, the gauge below the
//     wellhead, its reading above the wellhead's, every number finite.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

#include "flowmodel/constants.hpp"
#include "flowmodel/measured_pressures.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "measured-pressures check failed: %s\n", what);
    std::abort();
}

bool finite_positive(double x) { return std::isfinite(x) && x > 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    flowmodel::match::MeasuredPressures m;
    try {
        m = flowmodel::match::read_measured_pressures(in, "fuzz.csv", flowmodel::constant::kStandardAtmosphere);
    } catch (const std::runtime_error&) {
        return 0;
    }
    if (m.survey) {
        if (m.stations.empty() || !m.tests.empty()) fail("a survey without stations, or with tests");
        for (size_t k = 0; k < m.stations.size(); ++k) {
            if (!std::isfinite(m.stations[k].md) || !finite_positive(m.stations[k].pres)) fail("a station not finite");
            if (k > 0 && !(m.stations[k].md > m.stations[k - 1].md)) fail("depths not rising");
        }
        return 0;
    }
    if (m.tests.empty()) fail("no tests accepted");
    for (const auto& t : m.tests) {
        for (double r : {t.oil_rate, t.water_rate, t.gas_rate}) {
            if (!std::isfinite(r) || r < 0) fail("a rate negative or not finite");
        }
        if (!finite_positive(t.gauge_md)) fail("a gauge at or above the wellhead");
        if (!finite_positive(t.whp) || !std::isfinite(t.gauge_pres) || !(t.gauge_pres > t.whp)) {
            fail("a gauge reading not above the wellhead's");
        }
        if (!std::isnan(t.wht) && !finite_positive(t.wht)) fail("a wellhead temperature not positive");
        if (!std::isnan(t.gauge_temp) && !finite_positive(t.gauge_temp)) fail("a gauge temperature not positive");
    }
    return 0;
}
