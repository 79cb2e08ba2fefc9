// The bottom-hole pressure a well needs at given rates: one traverse per
// case from its wellhead pressure down the well, all on the library's
// parallel loop. What nodal analysis (the outflow curve) and lift-curve
// tables (every entry) are built on.
#ifndef FLOWMODEL_OUTFLOW_HPP
#define FLOWMODEL_OUTFLOW_HPP

#include <limits>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/lift_gas.hpp"
#include "flowmodel/traverse.hpp"

namespace flowmodel::wells {

// What an injection well injects; None: a producer. An injector's rate is a
// rate of that fluid alone (water and oil: of liquid, gas: of gas).
enum class Injected { None, Water, Gas, Oil };

// Sets the rates of `fluid` (m3/s at standard conditions) to `q` of the
// injected fluid alone.
void inject(Injected kind, double q, blackoil::BlackOilInputs& fluid);
// "water", "gas", "oil"; "" for None.
const char* injected_name(Injected kind);

// One case: the black oil at the case's rates, and the wellhead pressure (Pa).
struct OutflowCase {
    blackoil::BlackOilInputs fluid;
    double thp = 0;
    const Line* well = nullptr;  // the case's own well (its depth, its temperatures), or null: the shared one
    LiftGas lift{};              // lift gas injected (rate 0: none)
};

struct BottomHole {
    double bhp = 0;             // Pa; NaN where the traverse did not reach the bottom
    int regime_at_bottom = -1;  // -1 where it did not
    // The fluid's temperature at the wellhead, K: with heat transfer it
    // depends on the rate; NaN where the traverse did not finish.
    double wellhead_temp = std::numeric_limits<double>::quiet_NaN();
    std::string failure;        // why not: the traverse's message, or the fluid's refusal
};

struct Outflow {
    std::vector<BottomHole> at;         // at[i] of cases[i]
    std::vector<std::string> warnings;  // the fluid's correlations outside their ranges, each once
    long evaluations = 0;
};

// Adds each of `more` to `into` unless it is there already.
void add_warnings(std::vector<std::string>& into, const std::vector<std::string>& more);

// `well` listed from the wellhead down; `options` as for the traverse (the
// boundary pressure and the output points are the cases' and this function's).
Outflow bottom_hole_pressures(const Line& well, const std::vector<OutflowCase>& cases, const TraverseOptions& options,
                              unsigned jobs = 0);

}  // namespace flowmodel::wells

#endif
