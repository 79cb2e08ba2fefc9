// libFuzzer target for the reader of lift-curve tables (`pipeflow vfp-check`):
// arbitrary bytes as a deck. Nothing may crash, hang or throw anything but
// the reader's ReadError, and what it accepts holds together:
//   - every axis has values, finite; the values number the axes' product and
//     are finite or defaulted (NaN), as many records given as flagged;
//   - the checks run, each finding naming indices within the axes;
//   - the table's value at its first node is that node's value, and the THP
//     that gives it is finite where the BHP rises with THP there.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flowmodel/option_error.hpp"
#include "flowmodel/vfp_deck.hpp"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "vfp deck check failed: %s\n", what);
    std::abort();
}

void check_axes(const flowmodel::vfp::DeckTable& t) {
    size_t n = 1;
    for (const std::vector<double>* axis : {&t.flo_axis, &t.thp_axis, &t.wfr_axis, &t.gfr_axis, &t.alq_axis}) {
        if (axis->empty()) fail("an empty axis");
        for (double v : *axis) {
            if (!std::isfinite(v)) fail("an axis value not finite");
        }
        n *= axis->size();
    }
    if (t.bhp.size() != n) fail("values not the product of the axes");
    if (t.given.size() * t.flo_axis.size() != n) fail("records flagged not one per node");
    for (double v : t.bhp) {
        if (std::isinf(v)) fail("an infinite value accepted");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A folder that does not exist: an INCLUDE of a relative path finds nothing.
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<flowmodel::vfp::DeckTable> tables;
    try {
        tables = flowmodel::vfp::read_vfp_text(text, "/nonexistent-fuzz-folder/deck.data");
    } catch (const flowmodel::ReadError& e) {
        if (std::string(e.what()).find("line") == std::string::npos && std::string(e.what()).find(": ") == std::string::npos) {
            fail("a refusal that names no place");
        }
        return 0;
    }
    for (const flowmodel::vfp::DeckTable& t : tables) {
        check_axes(t);
        const size_t limits[5] = {t.thp_axis.size(), t.wfr_axis.size(), t.gfr_axis.size(), t.alq_axis.size(),
                                  t.flo_axis.size()};
        for (const flowmodel::vfp::Check& c : flowmodel::vfp::check_table(t)) {
            for (const flowmodel::vfp::Finding& f : c.found) {
                for (size_t k = 0; k < 5; ++k) {
                    if (f.where[k] > limits[k]) fail("a finding beyond the axes");
                }
                if (f.text.empty()) fail("a finding without words");
            }
        }
        const flowmodel::vfp::DeckPoint first{t.flo_axis[0], t.thp_axis[0], t.wfr_axis[0], t.gfr_axis[0], t.alq_axis[0]};
        const double v = flowmodel::vfp::value_at(t, first);
        const double node = t.at(0, 0, 0, 0, 0);
        bool all_finite = true;
        for (double b : t.bhp) all_finite = all_finite && std::isfinite(b);
        if (all_finite && flowmodel::vfp::axes_rise(t) && std::fabs(v - node) > 1e-9 * std::fabs(node) + 1e-300 &&
            !(std::fabs(node) > 1e300)) {
            fail("the value at the first node is not the node's");
        }
        (void)flowmodel::vfp::thp_for(t, first, node);
    }
    return 0;
}
