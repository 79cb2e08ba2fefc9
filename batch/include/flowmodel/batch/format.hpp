// How one case and its result are written: the batch CSV row, the JSON
// object of `eval --json` and `batch --format jsonl`, labels and warnings.
#ifndef FLOWMODEL_BATCH_FORMAT_HPP
#define FLOWMODEL_BATCH_FORMAT_HPP

#include <string>

#include "flowmodel/batch/columns.hpp"
#include "flowmodel/flowmodel.hpp"

namespace flowmodel::batch {

// Regime name of a result, "none" when no regime was decided (status 2 or 3).
const char* regime_label(const flowmodel::Result& r);

// "separated-invalid" when the model marked the separated solution behind a
// separated regime invalid (iter 99), else "".
const char* warning_word(const flowmodel::Result& r);

// The batch CSV: the inputs, the model's outputs, msg, regime and warning.
// `decimals` (from InputColumns::parse_row) only makes writing the inputs
// faster; the text is the same without them.
std::string result_header();
void append_result_row(std::string& out, const flowmodel::Inputs& in, const flowmodel::Result& r,
                       const InputDecimals& decimals = {});
std::string result_row(const flowmodel::Inputs& in, const flowmodel::Result& r);

// One JSON object on one line (no line end); non-finite numbers are null.
void append_result_json(std::string& out, const flowmodel::Inputs& in, const flowmodel::Result& r,
                        const InputDecimals& decimals = {});

// A JSON string literal.
std::string json_string(const std::string& s);

// Text for an SVG/XML element or attribute: & < > " escaped.
std::string xml_text(const std::string& s);

// A JSON number in its shortest round-trip form; JSON has no NaN or
// infinity, so a non-finite number is null.
void json_number(std::string& out, double v);
std::string json_number(double v);

}  // namespace flowmodel::batch

#endif
