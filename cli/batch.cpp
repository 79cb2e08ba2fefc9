// The batch job. Lines are read in blocks; the rows of a block are shared
// out over the threads, each of which parses its rows, evaluates them and
// formats their output; the block is then written in input order, so the
// output does not depend on the number of threads. With more than one thread
// the reading of the next block and the writing of the last one overlap the
// evaluation.
#include "batch.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <istream>
#include <ostream>
#include <thread>
#include <vector>

#include "csv.h"

namespace pipeflow_cli {

std::string fmt17(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

const char* regime_label(const flowmodel::Result& r) {
    return r.has_regime() ? flowmodel::regime_name(r.regime) : "none";
}

std::string result_header() {
    return "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres,vers,dpt,hol,id,iter,ierr,"
           "dpf,dpg,dpa,msg,regime";
}

std::string result_row(const flowmodel::Inputs& in, const flowmodel::Result& r) {
    std::string s;
    s.reserve(400);
    for (double v : {in.usl, in.usg, in.rol, in.rog, in.visl, in.visg, in.rough, in.sigma,
                     in.diam, in.angle, in.pres, r.version, r.dpt, r.holdup}) {
        s += fmt17(v);
        s += ',';
    }
    s += std::to_string(static_cast<int>(r.regime)) + ',' + std::to_string(r.iterations) + ',' +
         std::to_string(static_cast<int>(r.status)) + ',';
    for (double v : {r.dpf, r.dpg, r.dpa}) {
        s += fmt17(v);
        s += ',';
    }
    s += csv_quote(r.message);
    s += ',';
    s += regime_label(r);
    return s;
}

namespace {

struct Item {
    std::string line;        // the input row
    size_t lineno = 0;       // its line number
    std::string out;         // the output row
    bool malformed = false;  // the row could not be read
    std::string error;       // why
};

// Parses, evaluates and formats one row.
void process(Item& it, const InputColumns& cols) {
    flowmodel::Inputs in;
    flowmodel::Result res;
    it.malformed = !cols.parse_row(it.line, in, it.error);
    if (it.malformed) {
        res.version = 1.06;
        res.status = flowmodel::Status::ImproperInput;
        res.message = "malformed input row (line " + std::to_string(it.lineno) + "): " + it.error;
    } else {
        res = flowmodel::evaluate(in);
    }
    it.out = result_row(in, res);
}

// One block being processed: on `jobs` threads of its own when jobs > 1, so
// that the caller can read and write meanwhile; on the caller's thread, when
// it waits, when jobs == 1.
class BlockRun {
public:
    BlockRun() = default;
    BlockRun(const BlockRun&) = delete;
    BlockRun& operator=(const BlockRun&) = delete;
    ~BlockRun() {
        for (std::thread& th : pool_) th.join();
    }

    void start(Item* items, size_t n, const InputColumns& cols, unsigned jobs) {
        items_ = items;
        n_ = n;
        cols_ = &cols;
        jobs_ = jobs;
        next_ = 0;
        if (jobs_ > 1) {
            for (unsigned t = 0; t < jobs_; ++t) pool_.emplace_back(&BlockRun::work, this);
        }
    }

    void wait() {
        if (jobs_ > 1) {
            for (std::thread& th : pool_) th.join();
            pool_.clear();
        } else if (items_ != nullptr) {
            work();
        }
        items_ = nullptr;
    }

private:
    // Each thread takes the next few rows until none are left, so that no
    // thread idles while another still has rows, however costs vary.
    void work() {
        const size_t chunk = 8;
        for (;;) {
            const size_t i = next_.fetch_add(chunk);
            if (i >= n_) break;
            for (size_t k = i; k < std::min(i + chunk, n_); ++k) process(items_[k], *cols_);
        }
    }

    Item* items_ = nullptr;
    size_t n_ = 0;
    const InputColumns* cols_ = nullptr;
    unsigned jobs_ = 1;
    std::atomic<size_t> next_{0};  // first row not yet taken
    std::vector<std::thread> pool_;
};

// Reads up to items.size() non-blank lines; `more` turns false at the end of
// the input.
size_t read_block(std::istream& in, std::vector<Item>& items, size_t& lineno, bool& more) {
    size_t n = 0;
    while (n < items.size() && (more = static_cast<bool>(std::getline(in, items[n].line)))) {
        ++lineno;
        if (items[n].line.find_first_not_of(" \t\r") == std::string::npos) continue;  // blank line
        items[n].lineno = lineno;
        ++n;
    }
    return n;
}

void write_block(const std::vector<Item>& items, size_t n, std::ostream& out, std::ostream& err,
                 BatchSummary& sum) {
    for (size_t i = 0; i < n; ++i) {
        if (items[i].malformed) {
            err << "pipeflow batch: line " << items[i].lineno << ": " << items[i].error << '\n';
            ++sum.malformed;
        }
    }
    for (size_t i = 0; i < n; ++i) out << items[i].out << '\n';
    sum.rows += n;
}

}  // namespace

BatchSummary run_batch(std::istream& in, std::ostream& out, std::ostream& err,
                       const BatchOptions& opt) {
    BatchSummary sum;
    std::string line;
    size_t lineno = 0;
    InputColumns cols;
    std::string error;
    // The header is the first non-blank line.
    while (std::getline(in, line)) {
        ++lineno;
        if (line.find_first_not_of(" \t\r") != std::string::npos) break;
    }
    if (lineno == 0 || line.find_first_not_of(" \t\r") == std::string::npos) {
        err << "pipeflow batch: the input is empty; expected a header row naming the inputs\n";
        return sum;
    }
    if (!cols.read_header(line, error)) {
        err << "pipeflow batch: line " << lineno << ": " << error << '\n';
        return sum;
    }
    sum.header_ok = true;
    out << result_header() << '\n';

    const unsigned jobs = std::max(1u, opt.jobs);
    const size_t block = 4096;
    // Two blocks, reused: one is processed while the other is written and refilled.
    std::vector<Item> buf[2] = {std::vector<Item>(block), std::vector<Item>(block)};
    int cur = 0;
    bool more = true;
    BlockRun run;
    size_t n = read_block(in, buf[cur], lineno, more);
    if (n > 0) run.start(buf[cur].data(), n, cols, jobs);
    while (n > 0) {
        const size_t m = more ? read_block(in, buf[1 - cur], lineno, more) : 0;
        run.wait();
        if (m > 0) run.start(buf[1 - cur].data(), m, cols, jobs);
        write_block(buf[cur], n, out, err, sum);
        if (opt.progress) err << "\rpipeflow batch: " << sum.rows << " rows" << std::flush;
        cur = 1 - cur;
        n = m;
    }
    if (opt.progress) err << '\n';
    out.flush();
    return sum;
}

}  // namespace pipeflow_cli
