// A method matched to a well's own measured pressures: every method run on
// every measurement (a gradient survey's stations, or each well test from
// its wellhead pressure down to its gauge), ranked by the error against the
// measured pressures, and on request each method's holdup and friction
// multipliers fitted by least squares within stated bounds.
#ifndef FLOWMODEL_MATCH_HPP
#define FLOWMODEL_MATCH_HPP

#include <functional>
#include <string>
#include <vector>

#include "flowmodel/measured_pressures.hpp"
#include "flowmodel/methods.hpp"
#include "flowmodel/traverse_request.hpp"

namespace flowmodel::match {

// The bounds of the fitted multipliers.
constexpr double kLeastTuned = 0.5, kMostTuned = 2.0;
// A method is tuned on at most this many tests, evenly spread over the file;
// its error after tuning is over all of them.
constexpr std::size_t kTuningRows = 150;

// One measurement by one method.
struct RowPrediction {
    double measured = 0;   // Pa
    double predicted = 0;  // Pa; NaN where the method could not compute it
    double drop = 0;       // Pa: measured less the boundary pressure (the wellhead's)
    std::string failure;   // why not
};

// A row as it is scored, for a caller that writes or keeps every row
// (memory then bounded by what it keeps, not by the match).
struct RowOut {
    Method method;
    bool tuned;
    double holdup_factor, friction_factor;
    std::size_t row;           // in the file's order, from 0
    const std::string& label;  // the test's date or name, or the station's md (m)
    const RowPrediction& prediction;
};

struct MatchOptions {
    std::vector<Method> methods;  // empty: every method
    bool tune = false;
    unsigned jobs = 0;
    std::function<bool()> interrupted;  // polled between passes
    // Every row of every method as it is scored: the untuned methods in
    // turn, then the tuned ones. Null: rows are scored and not kept.
    std::function<void(const RowOut&)> on_row;
    std::size_t sample = 400;  // rows kept per method for a picture, evenly spread
};

// Rows whose measured drop is below this (Pa, 0.1 psi) are left out of the
// per-cent statistics: a station at the boundary has no drop to divide by.
constexpr double kLeastDrop = 689.4757293168361;

struct MethodScore {
    Method method = kDefaultMethod;
    long n = 0, failed = 0;
    long n_drop = 0;                 // rows in the per-cent statistics (drop of kLeastDrop or more)
    double me = 0, mae = 0;          // Pa: mean and mean absolute error, predicted less measured
    double me_drop = 0, mape_drop = 0;  // % of the measured drop
    double within5 = 0;              // % of the rows computed within 5 % of their drop
    double holdup_factor = 1, friction_factor = 1;
    // At most MatchOptions::sample rows, evenly spread over the file: their
    // index in it and the prediction (a picture's points).
    std::vector<std::pair<std::size_t, RowPrediction>> sample;
};

// A method's statistics as every face writes them, in this order after the
// method's name: counts (Count), errors in Pa (converted by the face in
// `measure`), shares of the drop in per cent and the factors (None: as they are).
struct ScoreColumn {
    enum Kind { Count, Number };
    const char* name;
    Kind kind;
    Dimension measure;
    double (*value)(const MethodScore&);
};
const std::vector<ScoreColumn>& score_columns();

struct MatchResult {
    std::vector<MethodScore> untuned;  // best first (the lowest mean absolute error in % of the drop)
    std::vector<MethodScore> tuned;    // with tuning: the same methods, tuned, best first
    bool survey = false;               // a gradient survey's stations, else well tests
    std::size_t rows = 0;              // measurements in the file
    std::string first_label, last_label;  // the first and last row's date, test or md
    std::vector<std::string> warnings; // the fluid's and the methods' ranges left, each once
    long traverses = 0;                // traverses run (none twice)
    // Whether any method computed any row; when none did, why the first failed.
    bool computed() const;
    std::string why_none() const;
};

// `request` is the well as for a traverse (profile, diameter, fluid, options);
// for well tests its rates and boundary pressure are the tests', its
// temperatures used where a test gives none. Throws OptionError for what
// cannot be matched (a well without the black oil, water without its gravity).
MatchResult run_match(const TraverseRequest& request, const MeasuredPressures& measured, const MatchOptions& options);

// The same over a file read a row at a time, once to check it and once per
// pass of each method: memory bounded by a block of tests and the tuning
// sample, however many tests the file holds. `atm_pres` (Pa) turns its
// gauge readings absolute; throws ReadError as read_measured_pressures.
MatchResult run_match(const TraverseRequest& request, const std::string& path, double atm_pres,
                      const MatchOptions& options);

}  // namespace flowmodel::match

#endif
