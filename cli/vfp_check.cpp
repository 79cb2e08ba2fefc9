// `pipeflow vfp-check FILE`: every lift-curve table of a deck file read and
// checked, a summary line per table and what each check found.
#include "vfp_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/batch/format.hpp"
#include "flowmodel/vfp_deck.hpp"
#include "verb.h"

namespace pipeflow_cli {

namespace {

namespace vfp = flowmodel::vfp;
using flowmodel::batch::json_number;
using flowmodel::batch::json_string;

const char* kUsage =
    "usage: pipeflow vfp-check FILE [--table N] [--json] [--output FILE]\n"
    "Reads every VFPPROD and VFPINJ of the deck file FILE (and of the files it INCLUDEs, relative\n"
    "to the including file) as the simulator does: comments, repeats (3*250), defaulted items (1*),\n"
    "records over several lines, METRIC, FIELD or LAB units, comments in any 8-bit encoding. For each\n"
    "table (or table N only) it checks, in the deck's units:\n"
    "  axes_increasing     every axis strictly increasing\n"
    "  bhp_given           every BHP given and finite, every record present\n"
    "  bhp_rises_with_thp  at every node the BHP not lower at a higher THP\n"
    "  bhp_above_thp       the BHP not below its THP (in a VFPINJ noted, not failed: friction may\n"
    "                      outweigh the column)\n"
    "  bhp_along_flo       along FLO the BHP falls, then rises (a J-curve's minimum); a fall after\n"
    "                      a rise by more than 0.1 % of the BHP is a jump\n"
    "  wfr_curves_cross    neighbouring WFR curves that cross (noted, not failed)\n"
    "  gfr_curves_cross    neighbouring GFR curves that cross (noted: lift gas lightens the column\n"
    "                      at low rates and adds friction at high ones)\n"
    "--json writes each table (its axes, and its values in one list indexed THP, WFR, GFR, ALQ, FLO\n"
    "from the slowest; null where defaulted) with what each check found.\n"
    "Exit status: 0 every check holds, 1 a check fails, 2 the file cannot be read (line and column said).\n";

bool failed(const std::vector<vfp::Check>& checks) {
    for (const vfp::Check& c : checks) {
        if (c.fails && !c.found.empty()) return true;
    }
    return false;
}

std::string shape(const vfp::DeckTable& t) {
    const bool prod = t.keyword == "VFPPROD";
    std::string s = "FLO " + t.flo + " " + std::to_string(t.flo_axis.size()) + " x THP " + std::to_string(t.thp_axis.size());
    if (prod) {
        s += " x WFR " + t.wfr + " " + std::to_string(t.wfr_axis.size()) + " x GFR " + t.gfr + " " +
             std::to_string(t.gfr_axis.size()) + " x ALQ " + (t.alq.empty() ? std::string("none") : t.alq) + " " +
             std::to_string(t.alq_axis.size());
    }
    return s + " = " + std::to_string(t.bhp.size()) + " values";
}

std::string as_text(const std::vector<vfp::DeckTable>& tables, const std::vector<std::vector<vfp::Check>>& checks) {
    std::string s;
    size_t bad = 0;
    for (size_t i = 0; i < tables.size(); ++i) {
        const vfp::DeckTable& t = tables[i];
        const bool fail = failed(checks[i]);
        bad += fail ? 1 : 0;
        s += t.keyword + " " + std::to_string(t.number) + " (" + t.file + " line " + std::to_string(t.line) + ", " +
             t.units + ", " + t.quantity + "): " + shape(t) + ": " + (fail ? "FAILED" : "ok") + "\n";
        for (const vfp::Check& c : checks[i]) {
            if (c.found.empty()) continue;
            s += "  " + std::string(c.name) + (c.fails ? "" : " (noted)") + ": " + std::to_string(c.found.size()) + "\n";
            for (const vfp::Finding& f : c.found) s += "    " + f.text + "\n";
        }
    }
    s += std::to_string(tables.size()) + (tables.size() == 1 ? " table" : " tables") + ", " + std::to_string(bad) +
         " failed\n";
    return s;
}

std::string numbers(const std::vector<double>& v) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + json_number(v[i]);
    return s + "]";
}

std::string as_json(const std::vector<vfp::DeckTable>& tables, const std::vector<std::vector<vfp::Check>>& checks) {
    std::string s = "{\"tables\":[";
    bool all = true;
    for (size_t i = 0; i < tables.size(); ++i) {
        const vfp::DeckTable& t = tables[i];
        const bool fail = failed(checks[i]);
        all = all && !fail;
        s += std::string(i ? "," : "") + "{\"keyword\":" + json_string(t.keyword) + ",\"number\":" + std::to_string(t.number) +
             ",\"file\":" + json_string(t.file) + ",\"line\":" + std::to_string(t.line) + ",\"units\":" + json_string(t.units) +
             ",\"quantity\":" + json_string(t.quantity) + ",\"datum\":" + json_number(t.datum) + ",\"flo_type\":" +
             json_string(t.flo) + ",\"wfr_type\":" + json_string(t.wfr) + ",\"gfr_type\":" + json_string(t.gfr) +
             ",\"alq_type\":" + json_string(t.alq) + ",\"flo\":" + numbers(t.flo_axis) + ",\"thp\":" + numbers(t.thp_axis) +
             ",\"wfr\":" + numbers(t.wfr_axis) + ",\"gfr\":" + numbers(t.gfr_axis) + ",\"alq\":" + numbers(t.alq_axis) +
             ",\"bhp\":" + numbers(t.bhp) + ",\"ok\":" + (fail ? "false" : "true") + ",\"checks\":{";
        for (size_t k = 0; k < checks[i].size(); ++k) {
            const vfp::Check& c = checks[i][k];
            s += std::string(k ? "," : "") + "\"" + c.name + "\":{\"fails\":" + (c.fails ? "true" : "false") + ",\"found\":[";
            for (size_t j = 0; j < c.found.size(); ++j) {
                const vfp::Finding& f = c.found[j];
                s += std::string(j ? "," : "") + "{\"thp\":" + std::to_string(f.where[0]) + ",\"wfr\":" +
                     std::to_string(f.where[1]) + ",\"gfr\":" + std::to_string(f.where[2]) + ",\"alq\":" +
                     std::to_string(f.where[3]) + ",\"flo\":" + std::to_string(f.where[4]) + ",\"size\":" +
                     json_number(f.size) + ",\"text\":" + json_string(f.text) + "}";
            }
            s += "]}";
        }
        s += "}}";
    }
    return s + "],\"ok\":" + (all ? "true" : "false") + "}\n";
}

int run_check(const std::string& file, int table, const VerbRun& run) {
    if (file.empty()) throw std::invalid_argument("give the deck file to read: pipeflow vfp-check FILE");
    std::vector<vfp::DeckTable> tables = vfp::read_vfp_deck(file);
    if (table > 0) {
        std::vector<vfp::DeckTable> chosen;
        std::string present;
        for (vfp::DeckTable& t : tables) {
            present += (present.empty() ? "" : ", ") + t.keyword + " " + std::to_string(t.number);
            if (t.number == table) chosen.push_back(std::move(t));
        }
        if (chosen.empty()) {
            run.say(file + " has no table " + std::to_string(table) + (present.empty() ? ": it has none" : "; it has " + present));
            return 2;
        }
        tables = std::move(chosen);
    }
    if (tables.empty()) {
        run.say(file + " has no VFPPROD or VFPINJ");
        return 2;
    }
    std::vector<std::vector<vfp::Check>> checks;
    bool fail = false;
    for (const vfp::DeckTable& t : tables) {
        checks.push_back(vfp::check_table(t));
        fail = fail || failed(checks.back());
    }
    Output out;
    if (!run.open(out, {{file, "FILE"}})) return 2;
    if (!run.finish(out, run.format == "json" ? as_json(tables, checks) : as_text(tables, checks))) return 2;
    return fail ? 1 : 0;
}

}  // namespace

int vfp_check_command(int argc, char** argv) {
    // FILE may stand anywhere among the options: the one argument that is no option's value.
    std::string file;
    std::vector<char*> rest(argv, argv + std::min(argc, 2));
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool takes_value = a == "--table" || a == "--output";
        if (a.rfind("-", 0) != 0 && file.empty() && a != "-") {
            file = a;
            continue;
        }
        rest.push_back(argv[i]);
        if (takes_value && i + 1 < argc) rest.push_back(argv[++i]);
    }
    int table = 0;
    Verb verb = verb_named("vfp-check", kUsage);
    verb.formats = {"--json"};
    verb.default_format = "table";
    verb.jobs = false;
    verb.once = true;
    verb.option = [&table](const std::string& name, const std::string& value) {
        if (name != "table") return false;
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || n < 1 || n > 1000000) {
            throw std::invalid_argument("--table takes a table number from 1");
        }
        table = static_cast<int>(n);
        return true;
    };
    verb.run = [&file, &table](VerbRun& run) { return run_check(file, table, run); };
    return run_verb(verb, static_cast<int>(rest.size()), rest.data());
}

}  // namespace pipeflow_cli
