// The `pipeflow` command: one case (eval), a CSV batch (batch), a regime map
// (map), or the built-in engineering cases as a table (no arguments).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>

#include "flowmodel/batch/batch.hpp"
#include "cases.h"
#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/numbers.hpp"
#include "pipeflow.h"
#include "flowmodel/batch/format.hpp"
#include "map.h"
#include "nodal.h"
#include "match.h"
#include "options.h"
#include "compare.h"
#include "output.h"
#include "verb.h"
#include "traverse.h"
#include "vfp.h"
#include "vfp_check.h"
#include "pipeflow.h"

using flowmodel::Inputs;
using flowmodel::Result;
using namespace pipeflow_cli;
using flowmodel::batch::BatchFormat;
using flowmodel::batch::BatchOptions;
using flowmodel::batch::BatchSummary;
using flowmodel::batch::run_batch;
using flowmodel::batch::regime_label;
using flowmodel::batch::result_header;
using flowmodel::batch::append_result_json;

namespace {

std::string usage() {
    return "usage: pipeflow                      run the built-in engineering cases\n"
           "       pipeflow eval [--NAME VALUE]... [--json]\n"
           "       pipeflow batch [--input FILE|-] [--output FILE|-] [--jobs N] [--format csv|jsonl]\n"
           "                      [--NAME VALUE]...\n"
           "       pipeflow map [--NAME VALUE]... [RANGE OPTIONS] [--output FILE|-] [--csv] [--jobs N]\n"
           "       pipeflow traverse ... (see 'pipeflow traverse --help')\n"
           "       pipeflow compare [--input FILE|-] [--json|--csv|--svg] ... (see 'pipeflow compare --help')\n"
           "       pipeflow vfp ... a lift-curve table as VFPPROD (see 'pipeflow vfp --help')\n"
           "       pipeflow vfp-check FILE [--table N] [--json]  read and check a deck's VFPPROD and VFPINJ\n"
           "       pipeflow nodal ... outflow against inflow, the operating point (see 'pipeflow nodal --help')\n"
           "       pipeflow match ... the methods against a well's measured pressures (see 'pipeflow match --help')\n"
           "       pipeflow --help | --version\n"
           "\n"
           "Steady two-phase gas-liquid flow at one point of a straight pipe: flow regime,\n"
           "liquid holdup and pressure gradient (frictional, gravitational, accelerational).\n"
           "\n"
           "Inputs (SI units; any input not given to eval takes the built-in default):\n" +
           input_usage() +
           "\n"
           "batch reads a CSV whose header names the inputs (any order, other columns\n"
           "ignored; RFC 4180 quoting) and writes one result per case, in input order:\n"
           "  " + result_header() + "\n"
           "An input the file has no column for may be given as --NAME VALUE for every\n"
           "row; an input given both ways is an error. --format jsonl writes one JSON\n"
           "object per row instead (the fields of eval --json). '-' (the default) is\n"
           "standard input / output. --jobs defaults to all cores. An output file is\n"
           "replaced only when the job ends without error.\n"
           "\n"
           "map evaluates a grid of usg (x) against usl (y), both on log axes, for the\n"
           "fluid, pipe and angle given as for eval (all inputs but usl and usg), and\n"
           "writes an SVG picture coloured by regime, or with --csv the grid as\n"
           "  usg,usl,id,ierr,regime,hol,dpt\n"
           "Range options (defaults): --usg-min 0.01 --usg-max 100 --usl-min 0.001\n"
           "  --usl-max 10 (m/s), --nx 120 --ny 120 (points per axis, 2 to 2000).\n"
           "\n"
           "Regimes (id): 0 stratified smooth, 1 stratified wavy, 2 annular (also the\n"
           "critical-flow limit, dpt = 1e10), 3 slug, 4 dispersed bubble.\n"
           "Status (ierr): 0 ok, 1 liquid density corrected, 2 improper input, 3 no regime\n"
           "for a very small gas flow. These are results: the exit status is 0 for them.\n"
           "Warning 'separated-invalid': a separated regime (0-2) whose separated solution\n"
           "the model marks invalid (iter 99); its numbers are the model's, not to be trusted.\n"
           "Exit status: 0 success, 1 batch with malformed rows, 2 usage, file or write error.\n";
}

int usage_error(const std::string& what) {
    std::fprintf(stderr, "pipeflow: %s\n(try 'pipeflow --help')\n", what.c_str());
    return 2;
}

int print_help() {
    std::fputs(usage().c_str(), stdout);
    return 0;
}

// The verbs on one case or a file of cases: their errors read "pipeflow: eval: ...".
Verb case_verb(const std::string& name) {
    Verb verb;
    verb.name = name;
    verb.usage = usage;
    verb.usage_prefix = "pipeflow: " + name + ": ";
    verb.hint = "(try 'pipeflow --help')";
    return verb;
}

void print_eval(const Inputs& in, const Result& r, bool json) {
    if (json) {
        std::string s;
        append_result_json(s, in, r);
        std::printf("%s\n", s.c_str());
        return;
    }
    std::printf("regime         %s (id %d)%s\n", regime_label(r), static_cast<int>(r.regime),
                r.separated_invalid() ? "  WARNING: separated-invalid" : "");
    std::printf("holdup         %.6g\n", r.holdup);
    std::printf("dp/dx total    %.6g Pa/m\n", r.dpt);
    std::printf("  friction     %.6g Pa/m\n", r.dpf);
    std::printf("  gravity      %.6g Pa/m\n", r.dpg);
    std::printf("  acceleration %.6g Pa/m\n", r.dpa);
    std::printf("iterations     %d%s\n", r.iterations,
                r.iterations == PIPEFLOW_ITER_INVALID ? " (separated solution invalid)" : "");
    std::printf("status         %d (%s)\n", static_cast<int>(r.status), flowmodel::status_name(r.status));
    std::printf("message        %s\n", r.message.c_str());
}

int cmd_eval(int argc, char** argv) {
    Inputs in = flowmodel::default_inputs();
    Verb verb = case_verb("eval");
    verb.formats = {"--json"};
    verb.output = false;
    verb.jobs = false;
    verb.option = [&in](const std::string& name, const std::string& value) {
        std::string error;
        if (!set_input(in, name, value, error)) throw std::invalid_argument("unknown input '--" + name + "'");
        if (!error.empty()) throw std::invalid_argument(error);
        return true;
    };
    verb.run = [&in](VerbRun& run) {
        print_eval(in, flowmodel::evaluate(in), run.format == "json");
        return 0;
    };
    return run_verb(verb, argc, argv);
}

int run_batch_job(const CaseFileOptions& files, BatchOptions opt, const VerbRun& run) {
    opt.jobs = run.jobs;
    opt.constants = files.constants;
    opt.given = files.given;
    const std::string& input = files.input;
    Input in;
    Output out;
    if (!run.open(in, input, "--input", out)) return 2;
    std::istream& is = *in.stream;
    opt.progress = isatty(STDERR_FILENO) != 0;
    const BatchSummary s = run_batch(is, [&out](const std::string& text) { return out.write(text); }, std::cerr, opt);
    if (out.failed()) {
        run.say(out.error());
        return 2;
    }
    if (!s.fatal.empty() || is.bad()) {
        run.say("cannot read '" + input + "': " + (s.fatal.empty() ? std::string("read error") : s.fatal));
        return 2;
    }
    if (!s.header_ok) return 2;
    if (!run.finish(out, "")) return 2;
    if (s.malformed > 0) {
        run.say(std::to_string(s.malformed) + " of " + std::to_string(s.rows) + " rows were malformed");
        return 1;
    }
    return 0;
}

int cmd_batch(int argc, char** argv) {
    CaseFileOptions files;
    BatchOptions opt;
    Verb verb = case_verb("batch");
    verb.option = [&files, &opt](const std::string& name, const std::string& value) {
        std::string error;
        if (case_file_option(files, name, value, error)) {
            if (!error.empty()) throw std::invalid_argument(error);
        } else if (name == "format") {
            if (value != "csv" && value != "jsonl") throw std::invalid_argument("--format takes csv or jsonl");
            opt.format = value == "csv" ? BatchFormat::Csv : BatchFormat::JsonLines;
        } else {
            return false;
        }
        return true;
    };
    verb.run = [&files, &opt](VerbRun& run) { return run_batch_job(files, opt, run); };
    return run_verb(verb, argc, argv);
}

int cmd_defaults() {
    std::printf("%-9s %6s %7s %7s %5s  %-17s %7s %11s %11s %11s %11s %4s %s\n", "fluid", "angle",
                "usl", "usg", "diam", "regime", "holdup", "dpt", "dpf", "dpg", "dpa", "iter",
                "status");
    std::printf("%-9s %6s %7s %7s %5s  %-17s %7s %11s %11s %11s %11s\n", "", "deg", "m/s", "m/s",
                "m", "", "", "Pa/m", "Pa/m", "Pa/m", "Pa/m");
    for (const NamedCase& c : default_cases()) {
        const Result r = flowmodel::evaluate(c.in);
        std::printf("%-9s %6g %7g %7g %5g  %-17s %7.4f %11.5g %11.5g %11.5g %11.5g %4d %s%s\n", c.fluid,
                    c.in.angle, c.in.usl, c.in.usg, c.in.diam, regime_label(r), r.holdup, r.dpt,
                    r.dpf, r.dpg, r.dpa, r.iterations, flowmodel::status_name(r.status),
                    r.separated_invalid() ? " (separated-invalid)" : "");
    }
    std::printf("\nair-water: 1000/1.2 kg/m3, 1 atm, smooth pipe; oil-gas: 850/40 kg/m3, 50 bar, steel.\n"
                "Gradients are losses, positive when the pressure falls along the flow.\n");
    return 0;
}

int dispatch(int argc, char** argv) {
    if (argc < 2) return cmd_defaults();
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") return print_help();
    if (cmd == "--version" || cmd == "version") {
        std::printf("pipeflow %s\n", flowmodel::io::format_double(PIPEFLOW_VERSION).c_str());
        return 0;
    }
    if (cmd == "eval") return cmd_eval(argc, argv);
    if (cmd == "batch") return cmd_batch(argc, argv);
    if (cmd == "map") return map_command(argc, argv);
    if (cmd == "traverse") return traverse_command(argc, argv);
    if (cmd == "compare") return compare_command(argc, argv);
    if (cmd == "vfp") return vfp_command(argc, argv);
    if (cmd == "vfp-check") return vfp_check_command(argc, argv);
    if (cmd == "nodal") return nodal_command(argc, argv);
    if (cmd == "match") return match_command(argc, argv);
    return usage_error("unknown command '" + cmd + "'");
}

}  // namespace

int main(int argc, char** argv) {
    int rc = 2;
    try {
        rc = dispatch(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("pipeflow: out of memory\n", stderr);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pipeflow: %s\n", said(e).c_str());
        return 2;
    }
    // What went to standard output through stdio must have arrived.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "pipeflow: error writing standard output: %s\n", std::strerror(errno));
        return 2;
    }
    return rc;
}
