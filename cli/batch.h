// The batch job: CSV of cases in, CSV of results out, rows in input order.
#ifndef PIPEFLOW_CLI_BATCH_H
#define PIPEFLOW_CLI_BATCH_H

#include <cstddef>
#include <iosfwd>
#include <string>

#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

struct BatchOptions {
    unsigned jobs = 1;      // evaluation threads (each has its own model record)
    bool progress = false;  // progress line on the error stream
};

struct BatchSummary {
    size_t rows = 0;       // data rows written
    size_t malformed = 0;  // rows that could not be read
    bool header_ok = false;
};

// Reads cases from `in`, writes one result row per data row to `out` and
// reports malformed rows (with their line numbers) on `err`.
BatchSummary run_batch(std::istream& in, std::ostream& out, std::ostream& err,
                       const BatchOptions& opt);

// The output header and one output row (floats as %.17g, msg quoted as needed).
std::string result_header();
std::string result_row(const flowmodel::Inputs& in, const flowmodel::Result& r);

// Number formatting that reads back to the same double.
std::string fmt17(double v);

// Regime name of a result, "none" when no regime was decided (status 2 or 3).
const char* regime_label(const flowmodel::Result& r);

}  // namespace pipeflow_cli

#endif
