// libFuzzer target for the `pipeflow` command's CSV reading: arbitrary bytes
// go through the batch job (header, rows, evaluation, output) and through the
// field splitter and quoting. Nothing may crash, and the output must account
// for every input row:
//   - each non-blank line after the header gives exactly one output row;
//   - the summary's counts equal the rows written and the rows reported;
//   - every malformed row is reported once on the error stream, with its line
//     number, and its output row carries status 2 and the same line number;
//   - every output row splits back into the 22 result columns;
//   - quoting a field and splitting it again gives the field back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "csv.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "CSV reader check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream is(text);
    std::string line;
    while (std::getline(is, line)) out.push_back(line);
    return out;
}

bool blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

// Line number in "... line N..." after the given prefix, or 0.
size_t line_number_after(const std::string& s, const std::string& prefix) {
    if (s.compare(0, prefix.size(), prefix) != 0) return 0;
    return std::strtoull(s.c_str() + prefix.size(), nullptr, 10);
}

void check_quote_roundtrip(const std::string& field) {
    // A field never holds a line break once read line by line.
    if (field.find('\n') != std::string::npos) return;
    std::vector<std::string> back;
    std::string error;
    if (!pipeflow_cli::split_csv(pipeflow_cli::csv_quote(field), back, error))
        fail("a quoted field does not split", field + " -> " + error);
    if (back.size() != 1 || back[0] != field)
        fail("quoting and splitting does not give the field back", field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The splitter and the number parser on their own, over every line.
    const std::vector<std::string> in_lines = lines_of(text);
    for (const std::string& line : in_lines) {
        std::vector<std::string> fields;
        std::string error;
        if (pipeflow_cli::split_csv(line, fields, error)) {
            if (fields.empty()) fail("split_csv accepted a line without fields", line);
            for (const std::string& f : fields) {
                check_quote_roundtrip(f);
                double v = 0.0;
                (void)pipeflow_cli::parse_number(f, v);
            }
        } else if (error.empty()) {
            fail("split_csv refused a line without a reason", line);
        }
    }
    check_quote_roundtrip(text.substr(0, text.find('\n')));

    // The whole batch job, one thread.
    std::istringstream in(text);
    std::ostringstream out, err;
    pipeflow_cli::BatchOptions opt;
    opt.jobs = 1;
    const pipeflow_cli::BatchSummary sum = pipeflow_cli::run_batch(in, out, err, opt);

    const std::vector<std::string> out_lines = lines_of(out.str());
    const std::vector<std::string> err_lines = lines_of(err.str());

    // Where the header is: the first non-blank line.
    size_t header = 0;
    while (header < in_lines.size() && blank(in_lines[header])) ++header;

    if (!sum.header_ok) {
        if (!out_lines.empty()) fail("output written without a header", out.str());
        if (err_lines.size() != 1) fail("a refused header is not reported once", err.str());
        if (sum.rows != 0 || sum.malformed != 0) fail("rows counted without a header", err.str());
        return 0;
    }
    if (header >= in_lines.size()) fail("header accepted from blank input", text);
    if (out_lines.empty() || out_lines[0] != pipeflow_cli::result_header())
        fail("output does not start with the result header", out.str());

    // One output row per non-blank data line, in order.
    std::vector<size_t> data_lines;  // 1-based line numbers
    for (size_t i = header + 1; i < in_lines.size(); ++i)
        if (!blank(in_lines[i])) data_lines.push_back(i + 1);
    if (sum.rows != data_lines.size() || out_lines.size() != sum.rows + 1)
        fail("rows written differ from the data rows read", err.str());

    // Malformed rows: reported once each, in the error stream and in the output.
    std::set<size_t> reported;
    for (const std::string& e : err_lines) {
        const size_t n = line_number_after(e, "pipeflow batch: line ");
        if (n == 0 || !reported.insert(n).second) fail("unexpected or repeated error line", e);
    }
    if (reported.size() != sum.malformed) fail("malformed count differs from the rows reported", err.str());

    std::set<size_t> flagged;
    for (size_t k = 1; k < out_lines.size(); ++k) {
        std::vector<std::string> cols;
        std::string error;
        if (!pipeflow_cli::split_csv(out_lines[k], cols, error) || cols.size() != 22)
            fail("an output row does not have the 22 result columns", out_lines[k]);
        const std::string& msg = cols[20];
        const size_t n = line_number_after(msg, "malformed input row (line ");
        if (n != 0) {
            if (n != data_lines[k - 1]) fail("malformed row reported with another line number", msg);
            if (cols[16] != "2" || cols[21] != "none") fail("malformed row without status 2", out_lines[k]);
            flagged.insert(n);
        }
    }
    if (flagged != reported) fail("malformed rows in the output differ from those reported", err.str());
    return 0;
}
