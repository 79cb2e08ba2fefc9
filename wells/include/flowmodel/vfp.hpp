// Lift-curve tables: the bottom-hole pressure a well needs over axes of
// rate, wellhead pressure, water fraction and gas fraction, each entry one
// traverse from the wellhead down to the datum, written as the VFPPROD
// keyword that reservoir simulators read.
#ifndef FLOWMODEL_VFP_HPP
#define FLOWMODEL_VFP_HPP

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/lift_gas.hpp"
#include "flowmodel/outflow.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/unit_system.hpp"

namespace flowmodel::vfp {

enum class Flo { Liquid, Oil, Gas };              // FLO: LIQ, OIL, GAS
enum class Wfr { WaterCut, WaterOil, WaterGas };  // WFR: WCT, WOR, WGR
enum class Gfr { GasOil, GasLiquid, OilGas };     // GFR: GOR, GLR, OGR
enum class Units { Metric, Field };
// The unit system of a deck in these units.
UnitSystem deck_system(Units units);
// ALQ, the artificial-lift quantity: none (the axis a single 0), the lift
// gas's rate (GRAT), the injected gas-liquid ratio (IGLR: lift gas per
// liquid) or the total gas-liquid ratio (TGLR: produced and lift gas per liquid).
enum class Alq { None, GasRate, InjectedGlr, TotalGlr };

// Rates at standard conditions, m3/s, of one point of the axes: the rate of
// `flo` is `q`, the water fraction `w` and the gas fraction `g` of their kinds
// (SI: m3/m3). False when the three cannot hold together (a negative rate, a
// water cut above 1, or of 1 but with oil to refer to, a ratio with nothing
// to refer to).
bool split_rates(Flo flo, Wfr wfr, Gfr gfr, double q, double w, double g, double& oil, double& water, double& gas);

// What an injection well's table (VFPINJ) injects; None: a producer's
// table (VFPPROD). An injector's FLO is a rate of that fluid (water and oil:
// the units of liquid, gas: of gas), its only other axis the THP.
using Injected = wells::Injected;

struct Axes {
    std::vector<double> flo, thp, wfr, gfr;  // SI: m3/s at standard conditions, Pa, m3/m3 (or fraction), m3/m3
    std::vector<double> alq = {0.0};         // SI: m3/s at standard conditions (GRAT) or m3/m3 (IGLR, TGLR)
};

struct Table {
    int number = 1;
    double datum = 0;  // m, true vertical depth
    Flo flo = Flo::Liquid;
    Wfr wfr = Wfr::WaterCut;
    Gfr gfr = Gfr::GasOil;
    Alq alq = Alq::None;
    Injected injected = Injected::None;  // an injector's table: flo set to the units' kind, wfr, gfr, alq {0}
    Axes axes;
    // Pa, indexed [thp][wfr][gfr][alq][flo] as the keyword's records are;
    // NaN where the traverse did not reach the datum.
    std::vector<double> bhp;
    size_t index(size_t t, size_t w, size_t g, size_t a, size_t f) const {
        return (((t * axes.wfr.size() + w) * axes.gfr.size() + g) * axes.alq.size() + a) * axes.flo.size() + f;
    }
    double& at(size_t t, size_t w, size_t g, size_t a, size_t f) { return bhp[index(t, w, g, a, f)]; }
    double at(size_t t, size_t w, size_t g, size_t a, size_t f) const { return bhp[index(t, w, g, a, f)]; }
    // At the first ALQ: the only one of a table without an ALQ axis.
    double& at(size_t t, size_t w, size_t g, size_t f) { return at(t, w, g, 0, f); }
    double at(size_t t, size_t w, size_t g, size_t f) const { return at(t, w, g, 0, f); }
};

// The line cut at the depth of the datum (true vertical depth below its first
// station, m): the stations above it and the point of the survey where it
// reaches the datum. Throws OptionError when the line never does.
Line to_datum(const Line& well, double datum);

struct Failure {
    std::array<size_t, 5> index;  // thp, wfr, gfr, alq, flo
    std::string message;
};

struct Result {
    Table table;
    std::vector<Failure> failures;  // traverses that did not reach the datum
    std::vector<std::string> warnings;  // the fluid's correlations outside their ranges, each once
    long evaluations = 0;
    // The entries' wellhead temperatures, K (they vary with the rates under
    // heat transfer): the least, the greatest and the mean; NaN with none.
    double wellhead_temp_min = std::numeric_limits<double>::quiet_NaN();
    double wellhead_temp_max = std::numeric_limits<double>::quiet_NaN();
    double wellhead_temp_mean = std::numeric_limits<double>::quiet_NaN();
    long wellhead_temps = 0;  // how many entries the mean is over
};

// Every entry of the table: a traverse from the wellhead at each THP down
// the line (listed from the wellhead, cut at the datum) with the black oil of
// `fluid` at the rates of the entry, on the library's parallel loop in
// blocks, so that memory grows with the table, not with the traverses.
// With an ALQ axis, each entry's lift gas is injected as `lift` says (its
// depth, or the casing and the mandrels; its rate the entry's ALQ).
Result compute(const Line& well, const blackoil::BlackOilInputs& fluid, const TraverseOptions& options, Table table,
               unsigned jobs = 0, const LiftGas& lift = {});

// The lift gas's rate (m3/s at standard conditions) of ALQ value `alq` at
// the entry's rates; false where it cannot be (a total GLR below the gas
// produced).
bool lift_gas_of(Alq kind, double alq, double oil, double water, double gas, double& rate);

// How entries that could not be computed are filled.
enum class Fill {
    None,         // not at all: the table fails
    Extrapolate,  // linear in rate, only where bounded (see fill_from_rates)
    Clamp,        // as Extrapolate, else the value of the nearest computed rate
};

// Fills failed entries from their rate neighbours in the same record, from
// computed entries only: linear between the nearest computed rates below and
// above, or, one rate step beyond the computed ones, linear through the two
// nearest. A value so found must lie between the entry's THP and `ceiling`
// (Pa). Where no such value exists, Clamp takes the value of the nearest
// computed rate; otherwise false, with `error` naming the entry and why.
// `filled` says what was done, one line an entry.
bool fill_from_rates(Table& table, const std::vector<Failure>& failures, Fill how, double ceiling,
                     std::vector<std::string>& filled, std::string& error);

// Entries whose BHP falls as the THP rises (a reservoir simulator's solver
// stalls on them), one line each.
std::vector<std::string> check(const Table& table, Units units);

// The keyword: a comment block (the lines of `comments`, each after "-- "),
// then VFPPROD with its records in the deck's units.
std::string vfpprod(const Table& table, Units units, const std::vector<std::string>& comments);
// The VFPINJ keyword of an injector's table, comment lines first.
std::string vfpinj(const Table& table, Units units, const std::vector<std::string>& comments);

// The table's BHP (Pa) at a point, multilinear in its axes (ALQ the fifth) with linear
// extrapolation beyond their ends, as simulators interpolate it.
double interpolate(const Table& table, double flo, double thp, double wfr, double gfr, double alq = 0);

// A number as the keyword writes it (ten significant digits).
std::string deck_text(double v);

// One value of the table ("flo", "thp", "wfr", "gfr", "bhp", "datum") in the
// deck's units, and the name of that unit ("stb/day", "barsa", "fraction"),
// both from the unit system.
double to_deck(Units units, const char* what, Flo flo, Wfr wfr, Gfr gfr, double si);
const char* deck_unit(Units units, const char* what, Flo flo, Wfr wfr, Gfr gfr);
// The same for the ALQ axis of its kind.
double alq_to_deck(Units units, Alq kind, double si);
const char* alq_unit(Units units, Alq kind);
const char* alq_word(Alq kind);  // "GRAT", "IGLR", "TGLR", or " " for none

}  // namespace flowmodel::vfp

#endif
