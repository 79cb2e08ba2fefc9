// The `pipeflow` command: one case (eval), a CSV batch (batch), or the
// built-in engineering cases as a table (no arguments).
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "batch.h"
#include "cases.h"
#include "csv.h"
#include "map.h"
#include "flowmodel/flowmodel.hpp"

using flowmodel::Inputs;
using flowmodel::Result;
using namespace pipeflow_cli;

namespace {

const char* kUsage =
    "usage: pipeflow                      run the built-in engineering cases\n"
    "       pipeflow eval [--NAME VALUE]... [--json]\n"
    "       pipeflow batch [--input FILE|-] [--output FILE|-] [--jobs N]\n"
    "       pipeflow map [--NAME VALUE]... [RANGE OPTIONS] [--output FILE|-] [--csv] [--jobs N]\n"
    "       pipeflow --help\n"
    "\n"
    "Steady two-phase gas-liquid flow at one point of a straight pipe: flow regime,\n"
    "liquid holdup and pressure gradient (frictional, gravitational, accelerational).\n"
    "\n"
    "Inputs (SI units; any input not given to eval takes the built-in default):\n"
    "  --usl    superficial liquid velocity, m/s      (default 0.1)\n"
    "  --usg    superficial gas velocity, m/s         (default 5)\n"
    "  --rol    liquid density, kg/m3                 (default 1000)\n"
    "  --rog    gas density, kg/m3                    (default 1.2)\n"
    "  --visl   liquid dynamic viscosity, Pa s        (default 0.001)\n"
    "  --visg   gas dynamic viscosity, Pa s           (default 1.8e-05)\n"
    "  --rough  absolute wall roughness, m            (default 1.5e-06)\n"
    "  --sigma  surface tension, N/m                  (default 0.072)\n"
    "  --diam   pipe inner diameter, m                (default 0.05)\n"
    "  --angle  inclination from horizontal, degrees, positive upward (default 0)\n"
    "  --pres   pressure, Pa                          (default 101300)\n"
    "\n"
    "batch reads a CSV whose header names the eleven inputs (any order, other\n"
    "columns ignored) and writes one result row per case, in input order:\n"
    "  usl,...,pres,vers,dpt,hol,id,iter,ierr,dpf,dpg,dpa,msg,regime\n"
    "'-' (the default) is standard input / output. --jobs defaults to all cores.\n"
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
    "Exit status: 0 success, 1 batch with malformed rows, 2 usage or file error.\n";

int usage_error(const std::string& what) {
    std::fprintf(stderr, "pipeflow: %s\n(try 'pipeflow --help')\n", what.c_str());
    return 2;
}

double* input_field(Inputs& in, const std::string& name) {
    double* const f[11] = {&in.usl,   &in.usg,   &in.rol,  &in.rog,   &in.visl, &in.visg,
                           &in.rough, &in.sigma, &in.diam, &in.angle, &in.pres};
    for (size_t k = 0; k < kInputNames.size(); ++k) {
        if (name == kInputNames[k]) return f[k];
    }
    return nullptr;
}

// Splits "--name=value" or "--name value"; returns false when no value follows.
bool option_value(int argc, char** argv, int& i, std::string& name, std::string& value) {
    std::string a = argv[i];
    const size_t eq = a.find('=');
    if (eq != std::string::npos) {
        name = a.substr(2, eq - 2);
        value = a.substr(eq + 1);
        return true;
    }
    name = a.substr(2);
    if (i + 1 >= argc) return false;
    value = argv[++i];
    return true;
}

std::string json_number(double v) { return std::isfinite(v) ? fmt17(v) : "null"; }

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

int cmd_eval(int argc, char** argv) {
    Inputs in = default_inputs();
    bool json = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json") {
            json = true;
            continue;
        }
        if (a.rfind("--", 0) != 0) return usage_error("eval: unexpected argument '" + a + "'");
        std::string name, value;
        if (!option_value(argc, argv, i, name, value)) return usage_error("eval: " + a + " needs a value");
        double* f = input_field(in, name);
        if (f == nullptr) return usage_error("eval: unknown input '--" + name + "'");
        if (!parse_number(value, *f)) return usage_error("eval: --" + name + " is not a number: '" + value + "'");
    }
    const Result r = flowmodel::evaluate(in);
    if (json) {
        std::string s = "{";
        for (size_t k = 0; k < kInputNames.size(); ++k) {
            s += json_string(kInputNames[k]) + ":" + json_number(*input_field(in, kInputNames[k])) + ",";
        }
        s += "\"vers\":" + json_number(r.version) + ",\"regime\":" + json_string(regime_label(r)) +
             ",\"id\":" + std::to_string(static_cast<int>(r.regime)) + ",\"hol\":" + json_number(r.holdup) +
             ",\"dpt\":" + json_number(r.dpt) + ",\"dpf\":" + json_number(r.dpf) +
             ",\"dpg\":" + json_number(r.dpg) + ",\"dpa\":" + json_number(r.dpa) +
             ",\"iter\":" + std::to_string(r.iterations) +
             ",\"ierr\":" + std::to_string(static_cast<int>(r.status)) +
             ",\"status\":" + json_string(flowmodel::status_name(r.status)) +
             ",\"msg\":" + json_string(r.message) + "}";
        std::printf("%s\n", s.c_str());
        return 0;
    }
    std::printf("regime         %s (id %d)\n", regime_label(r), static_cast<int>(r.regime));
    std::printf("holdup         %.6g\n", r.holdup);
    std::printf("dp/dx total    %.6g Pa/m\n", r.dpt);
    std::printf("  friction     %.6g Pa/m\n", r.dpf);
    std::printf("  gravity      %.6g Pa/m\n", r.dpg);
    std::printf("  acceleration %.6g Pa/m\n", r.dpa);
    std::printf("iterations     %d%s\n", r.iterations,
                r.iterations == 99 ? " (separated solution invalid)" : "");
    std::printf("status         %d (%s)\n", static_cast<int>(r.status), flowmodel::status_name(r.status));
    std::printf("message        %s\n", r.message.c_str());
    return 0;
}

int cmd_batch(int argc, char** argv) {
    std::string input = "-", output = "-";
    BatchOptions opt;
    opt.jobs = std::max(1u, std::thread::hardware_concurrency());
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) != 0) return usage_error("batch: unexpected argument '" + a + "'");
        std::string name, value;
        if (!option_value(argc, argv, i, name, value)) return usage_error("batch: " + a + " needs a value");
        if (name == "input") {
            input = value;
        } else if (name == "output") {
            output = value;
        } else if (name == "jobs") {
            char* end = nullptr;
            const long j = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || j < 1 || j > 1024) {
                return usage_error("batch: --jobs takes a whole number from 1 to 1024");
            }
            opt.jobs = static_cast<unsigned>(j);
        } else {
            return usage_error("batch: unknown option '--" + name + "'");
        }
    }
    std::ifstream fin;
    if (input != "-") {
        fin.open(input);
        if (!fin) {
            std::fprintf(stderr, "pipeflow batch: cannot read '%s': %s\n", input.c_str(), std::strerror(errno));
            return 2;
        }
    }
    std::ofstream fout;
    if (output != "-") {
        fout.open(output, std::ios::out | std::ios::trunc);
        if (!fout) {
            std::fprintf(stderr, "pipeflow batch: cannot write '%s': %s\n", output.c_str(), std::strerror(errno));
            return 2;
        }
    }
    std::istream& is = input == "-" ? std::cin : fin;
    std::ostream& os = output == "-" ? std::cout : fout;
    opt.progress = isatty(STDERR_FILENO) != 0;
    const BatchSummary s = run_batch(is, os, std::cerr, opt);
    if (is.bad()) {
        std::fprintf(stderr, "pipeflow batch: error reading '%s'\n", input.c_str());
        return 2;
    }
    os.flush();
    if (!os) {
        std::fprintf(stderr, "pipeflow batch: error writing '%s'\n", output.c_str());
        return 2;
    }
    if (!s.header_ok) return 2;
    if (s.malformed > 0) {
        std::fprintf(stderr, "pipeflow batch: %zu of %zu rows were malformed\n", s.malformed, s.rows);
        return 1;
    }
    return 0;
}

int cmd_defaults() {
    std::printf("%-9s %6s %7s %7s %5s  %-17s %7s %11s %11s %11s %11s %4s %s\n", "fluid", "angle",
                "usl", "usg", "diam", "regime", "holdup", "dpt", "dpf", "dpg", "dpa", "iter",
                "status");
    std::printf("%-9s %6s %7s %7s %5s  %-17s %7s %11s %11s %11s %11s\n", "", "deg", "m/s", "m/s",
                "m", "", "", "Pa/m", "Pa/m", "Pa/m", "Pa/m");
    for (const NamedCase& c : default_cases()) {
        const Result r = flowmodel::evaluate(c.in);
        std::printf("%-9s %6g %7g %7g %5g  %-17s %7.4f %11.5g %11.5g %11.5g %11.5g %4d %s\n", c.fluid,
                    c.in.angle, c.in.usl, c.in.usg, c.in.diam, regime_label(r), r.holdup, r.dpt,
                    r.dpf, r.dpg, r.dpa, r.iterations, flowmodel::status_name(r.status));
    }
    std::printf("\nair-water: 1000/1.2 kg/m3, 1 atm, smooth pipe; oil-gas: 850/40 kg/m3, 50 bar, steel.\n"
                "Gradients are losses, positive when the pressure falls along the flow.\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return cmd_defaults();
    const std::string cmd = argv[1];
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h" || (i == 1 && a == "help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (cmd == "eval") return cmd_eval(argc, argv);
    if (cmd == "batch") return cmd_batch(argc, argv);
    if (cmd == "map") return map_command(argc, argv);
    return usage_error("unknown command '" + cmd + "'");
}
