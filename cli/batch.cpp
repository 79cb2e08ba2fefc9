// The batch job. Rows are read and evaluated in blocks; within a block the
// rows are shared out over the threads and then written in input order, so
// the output does not depend on the number of threads.
#include "batch.h"

#include <algorithm>
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
    flowmodel::Inputs in;
    flowmodel::Result res;
    bool malformed = false;
};

void evaluate_block(std::vector<Item>& items, unsigned jobs) {
    auto work = [&items, jobs](unsigned t) {
        for (size_t i = t; i < items.size(); i += jobs) {
            if (!items[i].malformed) items[i].res = flowmodel::evaluate(items[i].in);
        }
    };
    if (jobs <= 1 || items.size() < 2) {
        work(0);
        return;
    }
    // Interleaved rows keep the threads' loads even when costs vary by region.
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < jobs; ++t) pool.emplace_back(work, t);
    work(0);
    for (std::thread& th : pool) th.join();
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
    const size_t block = 16384;
    std::vector<Item> items;
    items.reserve(block);
    bool more = true;
    while (more) {
        items.clear();
        while (items.size() < block && (more = static_cast<bool>(std::getline(in, line)))) {
            ++lineno;
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;  // blank line
            Item it;
            if (!cols.parse_row(line, it.in, error)) {
                it.malformed = true;
                it.res.version = 1.06;
                it.res.status = flowmodel::Status::ImproperInput;
                it.res.message = "malformed input row (line " + std::to_string(lineno) + "): " + error;
                err << "pipeflow batch: line " << lineno << ": " << error << '\n';
                ++sum.malformed;
            }
            items.push_back(std::move(it));
        }
        evaluate_block(items, jobs);
        for (const Item& it : items) out << result_row(it.in, it.res) << '\n';
        sum.rows += items.size();
        if (opt.progress) err << "\rpipeflow batch: " << sum.rows << " rows" << std::flush;
    }
    if (opt.progress) err << '\n';
    out.flush();
    return sum;
}

}  // namespace pipeflow_cli
