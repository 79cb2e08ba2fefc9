// The two unit tables agree: every unit the faces write in SI or field units
// is one the parser reads back, to the same value, so that what the command
// wrote can be given to it again.
#include <gtest/gtest.h>

#include <cmath>

#include "flowmodel/unit_system.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel {
namespace {

// Written by the faces only, never read from an option.
bool written_only(Dimension d) {
    return d == Dimension::Velocity || d == Dimension::Gradient || d == Dimension::Volume;
}

TEST(Units, EveryUnitWrittenInSiOrFieldReadsBack) {
    int checked = 0;
    for (UnitSystem system : {UnitSystem::SI, UnitSystem::Field}) {
        for (std::size_t k = 1; k < kDimensionCount; ++k) {
            const Dimension d = static_cast<Dimension>(k);
            const OutputUnit& u = output_unit(system, d);
            if (!*u.name || written_only(d)) continue;
            double factor = 0, offset = 0;
            ASSERT_TRUE(find_unit(d, u.name, factor, offset)) << u.name << " (dimension " << k << ")";
            for (double v : {1.0, 37.5}) {
                const double si = from_system(system, d, v);
                EXPECT_NEAR(v * factor + offset, si, 1e-12 * std::fabs(si)) << u.name;
                EXPECT_NEAR(to_system(system, d, si), v, 1e-12 * std::fabs(v)) << u.name;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 40);
}

}  // namespace
}  // namespace flowmodel
