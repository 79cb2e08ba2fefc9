// The fitted range of every black-oil correlation, as data: the checks read
// it, and so does the table `pipeflow traverse --ranges` prints.
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "flowmodel/blackoil.hpp"

namespace flowmodel::blackoil {

namespace {

const std::array<FittedRange, kRangeCount> kRanges = {{
    {"Sutton pseudo-critical point", "gas gravity", 0.57, 1.68, ""},
    {"Wichert-Aziz correction", "CO2 mole fraction", 0, 0.544, ""},
    {"Wichert-Aziz correction", "H2S mole fraction", 0, 0.738, ""},
    {"Hall-Yarborough Z factor", "reduced temperature", 1.2, 3.0, ""},
    {"Hall-Yarborough Z factor", "reduced pressure", 0.1, 24.0, ""},
    {"Dranchuk-Abou-Kassem Z factor", "reduced temperature", 1.0, 3.0, ""},
    {"Dranchuk-Abou-Kassem Z factor", "reduced pressure", 0.2, 30.0, ""},
    {"Lee-Gonzalez-Eakin gas viscosity", "temperature", 100, 340, "°F"},
    {"Lee-Gonzalez-Eakin gas viscosity", "pressure", 100, 8000, "psia"},
    {"Standing bubble point", "oil gravity", 16.5, 63.8, "°API"},
    {"Standing bubble point", "gas gravity", 0.59, 0.95, ""},
    {"Standing bubble point", "temperature", 100, 258, "°F"},
    {"Standing solution gas", "pressure", 130, 7000, "psia"},
    {"Standing solution gas", "dissolved gas", 20, 1425, "scf/STB"},
    {"Vasquez-Beggs undersaturated oil", "pressure", 126, 9500, "psia"},
    {"Vasquez-Beggs undersaturated oil viscosity", "pressure", 141, 9515, "psia"},
    {"Beggs-Robinson dead-oil viscosity", "temperature", 70, 295, "°F"},
    {"Beggs-Robinson dead-oil viscosity", "oil gravity", 16, 58, "°API"},
    {"Glaso dead-oil viscosity", "temperature", 50, 300, "°F"},
    {"Glaso dead-oil viscosity", "oil gravity", 20.1, 48.1, "°API"},
    {"Beggs-Robinson live-oil viscosity", "dissolved gas", 20, 2070, "scf/STB"},
    {"Chew-Connally live-oil viscosity", "dissolved gas", 51, 3544, "scf/STB"},
    {"McCain water volume factor", "temperature", 0, 260, "°F"},
    {"McCain water volume factor", "pressure", 0, 5000, "psia"},
    {"McCain water viscosity", "temperature", 100, 400, "°F"},
    {"McCain water viscosity", "salinity", 0, 26, "wt%"},
    {"McCain water viscosity pressure factor", "temperature", 86.5, 167, "°F"},
}};

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", v);
    return buf;
}

}  // namespace

const FittedRange& fitted_range(Range r) { return kRanges[static_cast<std::size_t>(r)]; }

bool in_range(Range r, double v) {
    const FittedRange& f = fitted_range(r);
    const double tol = 1e-9 * std::max(std::fabs(f.lo), std::fabs(f.hi));
    return v >= f.lo - tol && v <= f.hi + tol;
}

bool well_beyond(Range r, double low, double high) {
    const FittedRange& f = fitted_range(r);
    const double margin = kWarningMargin * (f.hi - f.lo);
    return low < f.lo - margin || high > f.hi + margin;
}

std::string range_warning(Range r, double low, double high) {
    const FittedRange& f = fitted_range(r);
    const std::string u = *f.unit ? std::string(" ") + f.unit : std::string();
    const bool below = !in_range(r, low) && low < f.lo, above = !in_range(r, high) && high > f.hi;
    const std::string values = below && above ? num(low) + " and " + num(high) : below ? num(low) : num(high);
    return std::string(f.correlation) + " used outside its range: " + f.quantity + " " + values + u + " (fitted " +
           num(f.lo) + " to " + num(f.hi) + u + ")";
}

std::string fitted_ranges_markdown() {
    std::string s = "| correlation | quantity | fitted range |\n|---|---|---|\n";
    for (const FittedRange& f : kRanges) {
        s += std::string("| ") + f.correlation + " | " + f.quantity + " | " + num(f.lo) + " to " + num(f.hi) +
             (*f.unit ? std::string(" ") + f.unit : std::string()) + " |\n";
    }
    return s;
}

}  // namespace flowmodel::blackoil
