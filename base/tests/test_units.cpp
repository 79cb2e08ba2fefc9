// The two unit tables agree: every unit the faces write in SI or field units
// is one the parser reads back, to the same value, so that what the command
// wrote can be given to it again.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "flowmodel/option_error.hpp"
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

namespace flowmodel {
namespace {

double read(const std::string& text, Dimension d) { return parse_quantity("x", text, d).value; }

// Decks and spreadsheets write units in capitals and days in full: read as
// the unit they can only be.
TEST(Units, UnitsInAnyCaseAndDaysInFullReadAsTheirUnit) {
    EXPECT_DOUBLE_EQ(read("1000 SM3/DAY", Dimension::LiquidRate), 1000 / 86400.0);
    EXPECT_DOUBLE_EQ(read("1000 sm3/day", Dimension::LiquidRate), read("1000 Sm3/d", Dimension::LiquidRate));
    EXPECT_DOUBLE_EQ(read("1000 stb/day", Dimension::LiquidRate), read("1000 STB/d", Dimension::LiquidRate));
    EXPECT_DOUBLE_EQ(read("5 MSCF/DAY", Dimension::GasRate), read("5 Mscf/d", Dimension::GasRate));
    EXPECT_DOUBLE_EQ(read("5 mmscf/d", Dimension::GasRate), read("5 MMscf/d", Dimension::GasRate));
    EXPECT_DOUBLE_EQ(read("100 BARSA", Dimension::Pressure), 1e7);
    EXPECT_DOUBLE_EQ(read("100 PSIA", Dimension::Pressure), read("100 psia", Dimension::Pressure));
    EXPECT_DOUBLE_EQ(read("800 SCF/STB", Dimension::GasRatio), read("800 scf/STB", Dimension::GasRatio));
    EXPECT_DOUBLE_EQ(read("2 sm3/day/bar", Dimension::Productivity), read("2 Sm3/d/bar", Dimension::Productivity));
    EXPECT_TRUE(parse_quantity("x", "10 BARG", Dimension::Pressure).gauge);
    // Still refused: a bare psi for a pressure, in any case, and a unit of another quantity.
    EXPECT_THROW(read("100 PSI", Dimension::Pressure), OptionError);
    EXPECT_THROW(read("100 SCF/STB", Dimension::Pressure), OptionError);
}

// No two units of one dimension differ by case alone unless they are the same
// unit: otherwise reading in any case would have to guess.
TEST(Units, NoTwoUnitsOfADimensionDifferByCaseAlone) {
    for (std::size_t k = 1; k < kDimensionCount; ++k) {
        const Dimension d = static_cast<Dimension>(k);
        std::string names = unit_names(d);
        std::vector<std::string> list;
        for (std::size_t at = 0; at < names.size();) {
            const std::size_t comma = names.find(", ", at);
            list.push_back(names.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
            at = comma == std::string::npos ? names.size() : comma + 2;
        }
        for (const std::string& a : list) {
            for (const std::string& b : list) {
                std::string fa = a, fb = b;
                for (char& c : fa) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                for (char& c : fb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                if (fa != fb || a == b) continue;
                EXPECT_DOUBLE_EQ(read("3 " + a, d), read("3 " + b, d)) << a << " and " << b;
            }
        }
    }
}

}  // namespace
}  // namespace flowmodel
