// The model against measurements: for the pressure gradient and the liquid
// holdup, the six statistics of the multiphase-flow literature; for the flow
// pattern, the share of agreement and the confusion matrix; per group (a
// paper, a loop, a field) and for all rows pooled. Shared by `pipeflow
// compare` and the Python package.
#ifndef FLOWMODEL_VALIDATION_HPP
#define FLOWMODEL_VALIDATION_HPP

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace flowmodel::validation {

// An observed flow pattern: a regime id 0-4, or stratified without smooth
// or wavy said; kNoObservation when the row has none.
constexpr int kNoObservation = -1;
constexpr int kStratified = 5;

// Reads "0".."4" or "STRAT" (any case, blanks around); "" is no observation.
// False for anything else.
bool parse_regime(const std::string& text, int& regime);

struct Measurement {
    double hol = std::numeric_limits<double>::quiet_NaN();   // liquid holdup, fraction; NaN: not measured
    double dpdx = std::numeric_limits<double>::quiet_NaN();  // pressure gradient, Pa/m, positive when it falls; NaN: not measured
    int regime = kNoObservation;
};

// Whether a model result gives a usable gradient and holdup: not for status
// 2 or 3, nor at the critical-flow marker (whose regime still counts).
bool usable(const Result& r);

// E1..E6 with e = (pred - meas)/meas and d = pred - meas over the n rows
// scored: E1 = 100 mean(e), E2 = 100 mean|e|, E3 = 100 std(e), E4 = mean(d),
// E5 = mean|d|, E6 = std(d), the standard deviations with n - 1; within20
// and within30 the percentages of rows with |e| <= 0.20 and <= 0.30.
struct ErrorStats {
    long n = 0;                  // rows scored
    long failed = 0;             // rows measured without a usable prediction
    long separated_invalid = 0;  // rows scored whose separated solution the model marks invalid
    double e1 = 0, e2 = 0, e3 = 0, e4 = 0, e5 = 0, e6 = 0, within20 = 0, within30 = 0;
    bool present() const { return n + failed > 0; }
};

// Agreement of the regime: exact over the rows observed as 0-4, coarse over
// all rows observed, in four classes (stratified {0, 1, STRAT}, annular,
// slug, dispersed bubble); percentages. Rows without a regime from the model
// (status 2 or 3) are counted apart, never as disagreement.
struct RegimeStats {
    long n = 0;       // rows observed with a regime from the model
    long n_exact = 0; // ... of them observed as 0-4
    long failed = 0;  // rows observed without a regime from the model
    double exact = 0, coarse = 0;
    // confusion[observed][predicted]: observed 0-4 and STRAT (5), predicted 0-4.
    std::array<std::array<long, 5>, 6> confusion{};
    bool present() const { return n + failed > 0; }
};

struct Statistics {
    ErrorStats dpdx, holdup;
    RegimeStats regime;
};

struct Report {
    Statistics pooled;
    std::vector<std::pair<std::string, Statistics>> groups;  // in order of first appearance
};

// The statistics of rows i with results[i], measured[i], groups[i] (groups
// may be empty: pooled only).
Report compare(const std::vector<Result>& results, const std::vector<Measurement>& measured,
               const std::vector<std::string>& groups);

// The errors of one row, NaN where not scored.
struct RowErrors {
    double dpdx_rel, dpdx_abs, hol_rel, hol_abs;
};
RowErrors row_errors(const Result& r, const Measurement& m);

// The group a `source` text names: the text before a note in brackets
// ("Payne et al [sheet Pressure!12]" -> "Payne et al"), trimmed.
std::string group_of(const std::string& source);

}  // namespace flowmodel::validation

#endif
