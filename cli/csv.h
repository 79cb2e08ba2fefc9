// Reading the batch input: CSV records, the header that names the eleven
// model inputs, and the numbers of one row.
#ifndef PIPEFLOW_CLI_CSV_H
#define PIPEFLOW_CLI_CSV_H

#include <array>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"

namespace pipeflow_cli {

// The eleven inputs in the order of the output columns.
extern const std::array<const char*, 11> kInputNames;

// Splits one CSV line into fields (RFC 4180 quoting: "" inside quotes is a
// quote). Returns false with a reason on an unterminated quote or text after
// a closing quote.
bool split_csv(const std::string& line, std::vector<std::string>& fields, std::string& error);

// Quotes a field when CSV requires it (comma, quote, CR/LF, or edge blanks).
std::string csv_quote(const std::string& s);

// Parses a whole field as a number with strtod (surrounding blanks allowed);
// "nan", "inf" and "-inf" are numbers too. False when any text is left over.
bool parse_number(const std::string& text, double& value);

// Maps the header row to the positions of the eleven inputs (any order,
// other columns ignored).
class InputColumns {
public:
    // False with a reason when the header cannot be read or lacks an input.
    bool read_header(const std::string& line, std::string& error);

    // Parses one data row. On failure `in` holds what could be read (NaN for
    // the rest) and `error` says which column is wrong.
    bool parse_row(const std::string& line, flowmodel::Inputs& in, std::string& error) const;

private:
    std::array<size_t, 11> pos_{};
    size_t width_ = 0;  // number of header columns
};

}  // namespace pipeflow_cli

#endif
