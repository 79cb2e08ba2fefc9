// libFuzzer target for CSV reading: arbitrary bytes go through the record
// reader and through the whole batch job (header, rows, evaluation, output).
// Nothing may crash, and:
//   - record line numbers rise; no record is longer than the reader's limit;
//   - quoting every field of a record and reading the result gives the same
//     fields back (commas, quotes and line breaks included);
//   - with a readable header, the batch writes one output row per data
//     record, each of which reads back into the 23 result columns;
//   - a data record whose field count differs from the header's is malformed;
//   - every malformed row is reported once on the error stream with the line
//     where its record starts, and its output row carries status 2 and the
//     same line number.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "flowmodel/batch/batch.hpp"
#include "flowmodel/io/csv.hpp"
#include "flowmodel/batch/format.hpp"

namespace {

using flowmodel::io::CsvReader;
using flowmodel::io::CsvRecord;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "CSV reader check failed: %s\n%s\n", what, detail.c_str());
    std::abort();
}

struct Rec {
    std::vector<std::string> fields;
    size_t line;
    std::string error;
};

std::vector<Rec> read_all(const std::string& text, std::string& fatal) {
    std::istringstream in(text);
    CsvReader reader(in, 4096);  // a small limit, so that the fuzzer reaches it
    CsvRecord rec;
    std::vector<Rec> out;
    while (reader.next(rec)) {
        Rec r{{}, rec.line, rec.error};
        for (size_t i = 0; i < rec.size(); ++i) r.fields.push_back(rec[i]);
        out.push_back(r);
    }
    fatal = reader.fatal();
    return out;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream is(text);
    std::string line;
    while (std::getline(is, line)) out.push_back(line);
    return out;
}

size_t line_number_after(const std::string& s, const std::string& prefix) {
    if (s.compare(0, prefix.size(), prefix) != 0) return 0;
    return std::strtoull(s.c_str() + prefix.size(), nullptr, 10);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::string fatal;
    const std::vector<Rec> recs = read_all(text, fatal);
    size_t last_line = 0;
    for (const Rec& r : recs) {
        if (r.line <= last_line) fail("record line numbers do not rise", std::to_string(r.line));
        last_line = r.line;
        size_t bytes = 0;
        for (const std::string& f : r.fields) bytes += f.size();
        if (bytes > 4096) fail("a record holds more than the limit", r.error);
        if (!r.error.empty()) continue;
        // Quote and read back.
        std::string again;
        for (size_t i = 0; i < r.fields.size(); ++i) again += (i ? "," : "") + flowmodel::io::csv_quote(r.fields[i]);
        if (again.find_first_not_of(" \t\r") == std::string::npos) continue;  // a blank line is no record
        std::string fatal2;
        // After a blank line, so that a field starting with a byte-order mark is data.
        const std::vector<Rec> back = read_all("\n" + again + "\n", fatal2);
        if (back.size() != 1 || back[0].fields != r.fields) fail("quoting and reading does not give the record back", again);
    }

    // The whole batch job, one thread.
    std::istringstream in(text);
    std::ostringstream err;
    std::string out;
    flowmodel::batch::BatchOptions opt;
    opt.jobs = 1;
    const flowmodel::batch::BatchSummary sum =
        flowmodel::batch::run_batch(in, [&out](const std::string& t) { out += t; return true; }, err, opt);
    if (!sum.header_ok) {
        if (!out.empty()) fail("output written without a header", out);
        return 0;
    }
    std::string fatal3;
    const std::vector<Rec> all = read_all(text, fatal3);  // with the batch job's own limit the counts may differ
    std::istringstream out_in(out);
    CsvReader out_reader(out_in);
    CsvRecord row;
    if (!out_reader.next(row) || row.size() != 23) fail("output does not start with the result header", out);
    std::vector<std::vector<std::string>> rows;
    while (out_reader.next(row)) {
        if (row.size() != 23 || !row.error.empty()) fail("an output row does not read back into 23 columns", out);
        std::vector<std::string> f;
        for (size_t i = 0; i < row.size(); ++i) f.push_back(row[i]);
        rows.push_back(f);
    }
    if (rows.size() != sum.rows) fail("rows written differ from the rows counted", err.str());

    std::set<size_t> reported;
    for (const std::string& e : lines_of(err.str())) {
        const size_t n = line_number_after(e, "pipeflow batch: line ");
        if (n == 0 || !reported.insert(n).second) fail("unexpected or repeated error line", e);
    }
    if (reported.size() != sum.malformed) fail("malformed count differs from the rows reported", err.str());
    std::set<size_t> flagged;
    for (const std::vector<std::string>& r : rows) {
        const size_t n = line_number_after(r[20], "malformed input row (line ");
        if (n != 0) {
            if (r[16] != "2" || r[21] != "none") fail("malformed row without status 2", r[20]);
            flagged.insert(n);
        }
    }
    if (flagged != reported) fail("malformed rows in the output differ from those reported", err.str());
    // Where no record reached the small limit, the two readings agree record for record.
    bool long_records = false;
    for (const Rec& r : all) long_records |= !r.error.empty() && r.error.rfind("record", 0) == 0;
    if (!long_records && fatal3.empty() && all.size() == rows.size() + 1) {
        for (size_t k = 0; k < rows.size(); ++k) {
            const Rec& r = all[k + 1];
            const bool misaligned = r.fields.size() != all[0].fields.size();
            if ((misaligned || !r.error.empty()) && flagged.count(r.line) == 0)
                fail("a record of another width than the header, or unreadable, was not malformed", r.error);
        }
    }
    return 0;
}
