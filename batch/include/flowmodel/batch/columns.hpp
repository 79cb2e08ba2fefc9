// The batch input's columns: which header column holds which of the eleven
// inputs, the inputs given instead as constants on the command line, and the
// numbers of one row.
#ifndef FLOWMODEL_BATCH_COLUMNS_HPP
#define FLOWMODEL_BATCH_COLUMNS_HPP

#include <array>
#include <string>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"

namespace flowmodel::batch {

// What parse_row saw of each input's text (see flowmodel::io::DecimalText).
using InputDecimals = std::array<flowmodel::io::DecimalText, flowmodel::kInputCount>;

class InputColumns {
public:
    // `constants` holds the inputs given on the command line, `given` says
    // which. False with a reason when the header cannot be read, names an
    // input twice, names an input that is also given as a constant, or lacks
    // an input that no constant gives. Other columns are ignored.
    bool read_header(const flowmodel::io::CsvRecord& header, const flowmodel::Inputs& constants,
                     const std::array<bool, flowmodel::kInputCount>& given, std::string& error);

    // Parses one data row. A row must have as many fields as the header. On
    // failure `in` holds what could be read (NaN for the rest) and `error`
    // says what is wrong. `decimals`, when given, receives what writing the
    // inputs back fast needs (nothing for the constants).
    bool parse_row(const flowmodel::io::CsvRecord& row, flowmodel::Inputs& in, std::string& error,
                   InputDecimals* decimals = nullptr) const;

private:
    static constexpr size_t kConstant = static_cast<size_t>(-1);
    std::array<size_t, flowmodel::kInputCount> pos_{};  // column of each input, or kConstant
    flowmodel::Inputs constants_;
    size_t width_ = 0;  // number of header columns
};

}  // namespace flowmodel::batch

#endif
