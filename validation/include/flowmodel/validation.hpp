// The model against measurements: for the pressure gradient and the liquid
// holdup, the six statistics of the multiphase-flow literature; for the flow
// pattern, the share of agreement and the confusion matrix; per group (a
// paper, a loop, a field) and for all rows pooled. Shared by `pipeflow
// compare` and the Python package.
#ifndef FLOWMODEL_VALIDATION_HPP
#define FLOWMODEL_VALIDATION_HPP

#include <array>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/methods.hpp"

namespace flowmodel::validation {

// An observed flow pattern: a regime id 0-4, or stratified without smooth
// or wavy said; kNoObservation when the row has none.
constexpr int kNoObservation = -1;
constexpr int kStratified = 5;

// Reads "0".."4" or "STRAT" (any case, blanks around; a code may be written
// as a whole number with zero decimals, "3.0", as spreadsheets and data
// frames write it); "" is no observation. False for anything else.
bool parse_regime(const std::string& text, int& regime);

// A relative error is meaningful only where the measured value stands well
// above what the measurement resolves: rows measured below these are scored
// in the absolute statistics (E4-E6) and counted apart in the relative ones
// (E1-E3 and the shares within 20 and 30 %). A holdup of 0.01 is about what
// quick-closing valves and capacitance or conductance probes resolve; a
// gradient of 1 Pa/m about what a differential transducer resolves over a
// test section of a few metres.
constexpr double kHoldupResolution = 0.01;
constexpr double kGradientResolution = 1.0;  // Pa/m, in magnitude

struct Measurement {
    double hol = std::numeric_limits<double>::quiet_NaN();   // liquid holdup, fraction; NaN: not measured
    double dpdx = std::numeric_limits<double>::quiet_NaN();  // pressure gradient, Pa/m, positive when it falls; NaN: not measured
    int regime = kNoObservation;
};

// Whether a model result gives a usable gradient and holdup: not for status
// 2 or 3, nor at the critical-flow marker (whose regime still counts).
bool usable(const Result& r);

// Every method is scored through its PointAnswer (the model's converted by
// model_point_answer): the gradient and holdup where it is valid; the regime
// exactly where the pattern is one of the model's regimes, in the coarse
// classes where the method's pattern has one (Mukherjee & Brill's), not at
// all where it has none (Beggs & Brill's, no-slip: neither scored nor failed).

// E1..E6 with e = (pred - meas)/meas and d = pred - meas: E4 = mean(d),
// E5 = mean|d|, E6 = std(d) over the n rows scored; E1 = 100 mean(e),
// E2 = 100 mean|e|, E3 = 100 std(e), within20 and within30 (the percentages
// of rows with |e| <= 0.20 and <= 0.30) over those of them measured at or
// above the resolution; standard deviations with the count less 1.
struct ErrorStats {
    long n = 0;                  // rows scored
    long failed = 0;             // rows measured without a usable prediction
    long below_resolution = 0;   // rows scored whose measured value is below the resolution: no relative error
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

// The statistics of rows added one at a time, held as running sums, so that
// a file of any length is scored in the memory of its groups.
class Scorer {
public:
    Scorer();
    ~Scorer();
    Scorer(Scorer&&) noexcept;
    Scorer& operator=(Scorer&&) noexcept;
    // `group` "" with `grouped` false: pooled only.
    void add(const Result& r, const Measurement& m, const std::string& group = std::string(), bool grouped = false);
    void add(const PointAnswer& a, const Measurement& m, const std::string& group = std::string(), bool grouped = false);
    Report report() const;

private:
    struct Sums;
    std::unique_ptr<Sums> sums_;
};

// The statistics of rows i with results[i], measured[i], groups[i] (groups
// may be empty: pooled only).
Report compare(const std::vector<Result>& results, const std::vector<Measurement>& measured,
               const std::vector<std::string>& groups);

// The measured fields of one row from their texts, as files give them (a
// data frame's missing value arrives as a blank): a blank is not measured. False with `why` for text that is no number, a holdup outside
// 0 to 1, a regime that is not 0-4 or STRAT.
bool read_measurement(const std::string& hol, const std::string& dpdx, const std::string& regime, Measurement& m,
                      std::string& why);

// The columns a file of measurements names besides the inputs.
extern const char* const kMeasuredColumns[4];  // hol_meas, dpdx_meas, regime_meas, source

// A column that nearly spells one of kMeasuredColumns (one or two letters
// off) but is not it: the name it was surely meant as, or "".
std::string near_miss(const std::string& column);

// The errors of one row, NaN where not scored.
struct RowErrors {
    double dpdx_rel, dpdx_abs, hol_rel, hol_abs;
};
RowErrors row_errors(const Result& r, const Measurement& m);
RowErrors row_errors(const PointAnswer& a, const Measurement& m);

// The group a `source` text names: the text before a note in brackets
// ("Payne et al [sheet Pressure!12]" -> "Payne et al"), trimmed.
std::string group_of(const std::string& source);

}  // namespace flowmodel::validation

#endif
