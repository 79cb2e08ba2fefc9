// The batch job: CSV of cases in, one result per case out (CSV or JSON
// lines), in input order.
#ifndef FLOWMODEL_BATCH_BATCH_HPP
#define FLOWMODEL_BATCH_BATCH_HPP

#include <array>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>

#include "flowmodel/flowmodel.hpp"

namespace flowmodel::batch {

enum class BatchFormat { Csv, JsonLines };

struct BatchOptions {
    unsigned jobs = 1;      // evaluation threads (0: one per core)
    bool progress = false;  // progress line on the error stream
    BatchFormat format = BatchFormat::Csv;
    flowmodel::Inputs constants;                            // inputs given on the command line
    std::array<bool, flowmodel::kInputCount> given{};       // which of them
};

struct BatchSummary {
    size_t rows = 0;        // data rows written
    size_t malformed = 0;   // rows that could not be read
    bool header_ok = false;
    std::string fatal;      // why the job stopped early (read error, failed write), or ""
};

// Receives the output in pieces; returns false when a write failed, which
// stops the job at once.
using BatchSink = std::function<bool(const std::string&)>;

// Reads cases from `in`, writes one result per data row to `out` and reports
// malformed rows (with their line numbers) on `err`.
BatchSummary run_batch(std::istream& in, const BatchSink& out, std::ostream& err, const BatchOptions& opt);

}  // namespace flowmodel::batch

#endif
