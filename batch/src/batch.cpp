// The batch job. Records are read in blocks on the calling thread; the rows
// of a block are parsed, evaluated and formatted by the library's parallel
// loop a chunk at a time, each chunk into its own text, and the block is then
// written in input order, so the output does not depend on the number of
// threads. Writing stops at the first failure, before the next block is
// computed.
#include "flowmodel/batch/batch.hpp"

#include <ostream>
#include <vector>

#include "flowmodel/batch/columns.hpp"
#include "flowmodel/io/csv.hpp"
#include "flowmodel/parallel.hpp"
#include "pipeflow.h"
#include "flowmodel/batch/format.hpp"

namespace flowmodel::batch {

namespace {

struct Item {
    flowmodel::io::CsvRecord rec;  // the input row
    flowmodel::Inputs in;          // its inputs as read
    InputDecimals decimals;        // what writing the inputs back needs
    flowmodel::Result res;         // its result
    bool malformed = false;
    std::string error;             // why it is malformed
};

// Parses, evaluates and formats the rows [b, e) into `out`, each phase over
// all of them in turn: the model's loops then run back to back, with their
// branch history and code in cache, rather than between parsing and
// formatting.
void process(Item* items, size_t b, size_t e, const InputColumns& cols, BatchFormat format, std::string& out) {
    for (size_t k = b; k < e; ++k) {
        Item& it = items[k];
        it.malformed = !cols.parse_row(it.rec, it.in, it.error, &it.decimals);
    }
    for (size_t k = b; k < e; ++k) {
        Item& it = items[k];
        if (it.malformed) {
            it.res = flowmodel::Result();
            it.res.version = PIPEFLOW_VERSION;
            it.res.status = flowmodel::Status::ImproperInput;
            it.res.message = "malformed input row (line " + std::to_string(it.rec.line) + "): " + it.error;
        } else {
            it.res = flowmodel::evaluate(it.in);
        }
    }
    out.clear();
    for (size_t k = b; k < e; ++k) {
        const Item& it = items[k];
        if (format == BatchFormat::Csv) {
            append_result_row(out, it.in, it.res, it.decimals);
        } else {
            append_result_json(out, it.in, it.res, it.decimals);
        }
        out += '\n';
    }
}

}  // namespace

BatchSummary run_batch(std::istream& in, const BatchSink& out, std::ostream& err, const BatchOptions& opt) {
    BatchSummary sum;
    flowmodel::io::CsvReader reader(in);
    flowmodel::io::CsvRecord header;
    if (!reader.next(header)) {
        if (!reader.fatal().empty()) {
            sum.fatal = reader.fatal();
        } else {
            err << "pipeflow batch: the input is empty; expected a header row naming the inputs\n";
        }
        return sum;
    }
    InputColumns cols;
    std::string error;
    if (!cols.read_header(header, opt.constants, opt.given, error)) {
        err << "pipeflow batch: line " << header.line << ": " << error << '\n';
        return sum;
    }
    sum.header_ok = true;
    if (opt.format == BatchFormat::Csv && !out(result_header() + '\n')) return sum;

    const size_t block = 4096;
    // Rows per claim of a thread: enough for the phases of process() to pay,
    // few enough that no thread idles long at the end of a block; one thread
    // takes the whole block, its phases then switching least often.
    const size_t kChunk = opt.jobs == 1 ? block : 512;
    std::vector<Item> items;  // grown as rows come: a short input pays for its rows only
    // The output of each chunk of a block (parallel_for's ranges start at
    // multiples of the chunk), written in order once the block is done.
    std::vector<std::string> chunk_out(block / kChunk);
    for (;;) {
        size_t n = 0;
        for (; n < block; ++n) {
            while (items.size() <= n) items.emplace_back();
            if (!reader.next(items[n].rec)) break;
        }
        if (n == 0) break;
        flowmodel::parallel_for(n, opt.jobs, kChunk, [&](size_t b, size_t e) {
            process(items.data(), b, e, cols, opt.format, chunk_out[b / kChunk]);
        });
        for (size_t k = 0; k < n; ++k) {
            if (items[k].malformed) {
                err << "pipeflow batch: line " << items[k].rec.line << ": " << items[k].error << '\n';
                ++sum.malformed;
            }
        }
        for (size_t c = 0; c * kChunk < n; ++c) {
            if (!out(chunk_out[c])) return sum;
        }
        sum.rows += n;
        if (opt.progress) err << "\rpipeflow batch: " << sum.rows << " rows" << std::flush;
        if (n < block) break;
    }
    if (opt.progress && sum.rows > 0) err << '\n';
    if (!reader.fatal().empty()) sum.fatal = reader.fatal();
    return sum;
}

}  // namespace flowmodel::batch
