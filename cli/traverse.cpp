// The `pipeflow traverse` command: its options and its run. What it writes is
// in traverse_text.cpp (the table), traverse_data.cpp (CSV and JSON) and
// traverse_picture.cpp (the picture).
#include "traverse.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/unit_system.hpp"
#include "traverse_output.h"
#include "options.h"
#include "output.h"
#include "verb.h"

namespace pipeflow_cli {


namespace {

const char* kTraverseUsage =
    "usage: pipeflow traverse (--length L --angle A | --profile FILE [--profile-unit m|ft]) [--diam D]\n"
    "         [--rough K] [--flow-direction increasing|decreasing]\n"
    "         (--temp T | --temp-in T --temp-out T | --heat LAW SURROUNDINGS [--temp-in T])\n"
    "         (--inlet-pres P | --outlet-pres P) [--atm-pres P] [--tol DP] [--max-pres P] [--output-step L]\n"
    "         FLUID\n"
    "         [--method NAME|all] [--summary] [--csv | --json | --svg] [--output-units si|field] [--output FILE]\n"
    "FLUID is one of\n"
    "  constant liquid, real gas: --liquid-rate KG/S --gas-rate KG/S --rol R --visl V --sigma S\n"
    "                             --gas-molar-mass M [--z Z] --visg V\n"
    "  a property table:          --liquid-rate KG/S --gas-rate KG/S --fluid-table FILE\n"
    "  black oil:                 --api API --gas-gravity G (--gor R | --glr R)\n"
    "                             (--oil-rate Q [--water-rate Q] | --liquid-rate Q --water-cut F)\n"
    "    or a gas well:           --api API --gas-gravity G --gas-rate Q [--cgr R] [--wgr R]\n"
    "                             [--water-gravity G | --salinity S] [--co2 Y] [--h2s Y] [--n2 Y]\n"
    "                             [--z-method hall-yarborough|dranchuk-abou-kassem]\n"
    "                             [--dead-oil beggs-robinson|glaso] [--live-oil beggs-robinson|chew-connally]\n"
    "Numbers may carry a unit: 2.441in, 220psia, 15bar, 80degF, 300K, '250 STB/d', '40 Sm3/d',\n"
    "'4500 scf/STB', ft, m, kg/s, cP, 5%. Without one they are SI: m, degrees, kg/s, kg/m3,\n"
    "Pa s, N/m, kg/kmol, K, Pa (absolute). Standard volume rates and gas ratios need their unit\n"
    "(a bare --gor 800 would be 800 Sm3/Sm3, not scf/STB: refused). Gauge pressures (psig, barg,\n"
    "kPag) are read above --atm-pres (default 14.696 psia); a bare psi is refused. A temperature\n"
    "without a unit below 200 K is refused. A profile descending as a well does needs\n"
    "--flow-direction (decreasing: a producer), its lengths a unit (header or --profile-unit).\n"
    "--summary writes the summary alone (the table's last lines, --json's summary, --csv one row).\n"
    "The profile CSV (',', ';' or tab) has md and one of tvd, z, angle, inc (inclination from\n"
    "vertical, degrees; with azi: minimum curvature), optionally diam, rough, temp; names in\n"
    "any case may carry their unit (md_ft, 'MD (ft)', 'TVD [m]', temp_degF); ns, ew, dls and\n"
    "comments are ignored. The fluid table has pres, temp, rol, rog, visl, visg, sigma (and cpl,\n"
    "cpg for heat transfer) on a rectangular grid.\n"
    "Points are written at the stations, where the regime or the kind of answer changes, and at\n"
    "most --output-step apart (default: 1/200 of the line, at most 30 m). Where the model marks\n"
    "its separated solution invalid, the gradient is bridged between its valid answers at nearby\n"
    "pressures (column 'answer'). 'pipeflow traverse --ranges' lists the black-oil correlations'\n"
    "fitted ranges.\n"
    "--method chooses the pressure-gradient method: model (this project's two-phase model, the\n"
    "default), beggs-brill, beggs-brill-palmer, beggs-brill-original, hagedorn-brown, gray,\n"
    "mukherjee-brill or no-slip; 'all' runs every method and shows their boundary pressures (or,\n"
    "with --svg, their profiles) side by side. --holdup-factor and --friction-factor (0.2 to 5,\n"
    "default 1) multiply the method's holdup and friction part, as 'pipeflow match --tune' fits them.\n"
    "Gas lift (black oil): --lift-gas-rate Q injected at --injection-depth MD, or at the deepest of\n"
    "--mandrels LIST where the annulus gas column from --casing-pres P exceeds the tubing by\n"
    "--injection-dp (100 psi); [--lift-gas-gravity G]. Exit 3 where no mandrel can inject.\n"
    "Heat transfer: --heat u-value|ramey|none marches the fluid's temperature with the pressure\n"
    "against SURROUNDINGS: --geothermal \"60degF, 1.5degF/100ft\" (below md 0), --ambient T, or a\n"
    "profile column tsurr; --temp-in where the fluid enters (a well's default: the geothermal\n"
    "temperature at its bottom). u-value: --u-value U (per inside wall area, W/m2/K or\n"
    "Btu/hr/ft2/degF); ramey: --producing-time 30d --hole-diam D [--formation-conductivity K\n"
    "(1.4 Btu/hr/ft/degF)] [--formation-diffusivity A (0.04 ft2/hr)] [--u-value U of the\n"
    "completion]; none: adiabatic. The constant fluid needs --cpl/--cpg (J/kg/K), a fluid table\n"
    "columns cpl and cpg; the black oil has its own.\n"
    "Liquid loading of a gas well flowing up (black oil, no lift gas): --loading turner|coleman gives\n"
    "the gas rate whose velocity carries the liquid's largest drops at the wellhead and at the bottom\n"
    "(Turner et al. 1969, with their 20 %; coleman: without, as Coleman et al. 1991) and warns where\n"
    "the gas flows slower.\n"
    "Exit status 3: the line cannot carry the flow, or the fluid has no state on the way.\n";

namespace bo = flowmodel::blackoil;

}  // namespace

bool line_file_option(flowmodel::TraverseRequest& request, const std::string& name, const std::string& value) {
    if (name == "profile") {
        request.profile = value;
    } else if (name == "profile-unit") {
        flowmodel::set_profile_unit(request, value);
    } else {
        return false;
    }
    return true;
}

std::string well_options_help() {
    std::string s = "Options of the well, as for 'pipeflow traverse' (from its table; a verb refuses those it sets itself):\n";
    auto line = [&s](const std::string& flag, const std::string& meaning) {
        char buf[400];
        if (flag.size() > 26) {
            std::snprintf(buf, sizeof buf, "  %s\n  %-26s %s\n", flag.c_str(), "", meaning.c_str());
        } else {
            std::snprintf(buf, sizeof buf, "  %-26s %s\n", flag.c_str(), meaning.c_str());
        }
        s += buf;
    };
    for (const flowmodel::TraverseOption& o : flowmodel::kTraverseOptions) {
        line("--" + std::string(o.name), flowmodel::command_words(o.meaning));
    }
    line("--method NAME", "the pressure-gradient method: " + flowmodel::method_names());
    line("--mandrels LIST", "lift gas: the mandrels' measured depths, with --casing-pres");
    line("--heat LAW", "heat transfer: none, u-value or ramey (with --geothermal or --ambient)");
    line("--geothermal T0,GRADIENT", "heat transfer: the surroundings' temperature at the surface and its rise");
    for (const std::string& name : flowmodel::traverse_option_names()) {
        const std::string usage = flowmodel::word_option_usage(name);
        const auto tab = usage.find('\t');
        if (tab != std::string::npos) line("--" + name + " " + usage.substr(0, tab), usage.substr(tab + 1));
    }
    return s;
}

bool flow_direction_option(flowmodel::TraverseRequest& request, const std::string& name, const std::string& value) {
    if (name != "flow-direction") return false;
    flowmodel::set_flow_direction(request, value.empty() ? "none" : value);
    return true;
}

namespace {

int run_traverse(const flowmodel::TraverseRequest& request, bool all_methods, bool summary_only, const VerbRun& run) {
    if (summary_only && run.format == "svg") {
        throw std::invalid_argument("--summary writes the summary alone and --svg draws the profile: give --summary "
                                    "with the table, --csv or --json");
    }
    // --method all writes each method's summary alone already.
    if (all_methods) return run_all_methods(request, run);
    OutUnits units;
    units.field = run.field_units;
    // Refused before anything is read or computed: an output that is one
    // of the inputs would be destroyed by the results.
    Output out;
    if (!run.open(out, {{request.profile, "--profile"}, {request.fluid_table, "--fluid-table"}})) return 2;
    flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
    const StandardRates rates = standard_rates(setup);
    flowmodel::TraverseResult r = flowmodel::traverse(setup);
    r.summary.message = flowmodel::command_words(r.summary.message, units.system());
    const std::string& format = run.format;
    const std::string text = summary_only && format == "csv"  ? summary_csv(r.summary, units)
                             : summary_only && format == "json" ? json_text({{"summary", summary_json(r.summary, units, rates)}})
                             : summary_only                     ? as_table(r, units, rates, false).substr(1)
                             : format == "csv"                  ? points_csv(r, units)
                             : format == "json"                 ? as_json(r, units, rates)
                             : format == "svg"  ? as_svg(r, units, picture_title(request, setup, rates, units),
                                                          is_well(setup.line))
                                                : as_table(r, units, rates, true);
    if (!run.finish(out, text)) return 2;
    // Table output shows the warnings itself; the other formats are for
    // programs, so people see them on the error stream.
    if (format != "table" || run.output != "-") {
        for (const std::string& w : stretch_warnings(r.summary, units)) run.say("warning: " + w);
    }
    if (!r.summary.complete) {
        run.say(r.summary.message);
        return 3;
    }
    return 0;
}

}  // namespace

int traverse_command(int argc, char** argv) {
    flowmodel::TraverseRequest request;
    Verb verb = verb_named("traverse", kTraverseUsage);
    verb.formats = {"--csv", "--json", "--svg"};
    verb.default_format = "table";
    verb.jobs = false;
    verb.output_units = true;
    verb.once = true;  // an option given twice is refused, as in every verb over a well
    // The fitted range of every black-oil correlation: the table the checks use.
    verb.exits = {{"--ranges", [] { std::fputs(bo::fitted_ranges_markdown().c_str(), stdout); }}};
    bool all_methods = false, summary_only = false;
    verb.flags = {{"--summary", [&summary_only] { summary_only = true; }}};
    verb.option = [&request, &all_methods](const std::string& name, const std::string& value) {
        if (line_file_option(request, name, value)) return true;
        if (name == "method" && flowmodel::names_all_methods(value)) {
            all_methods = true;
        } else if (name == "fluid-table") {
            request.fluid_table = value;
        } else if (!flow_direction_option(request, name, value)) {
            flowmodel::set_option(request, name, value);
        }
        return true;
    };
    verb.run = [&request, &all_methods, &summary_only](VerbRun& run) {
        return run_traverse(request, all_methods, summary_only, run);
    };
    return run_verb(verb, argc, argv);
}

}  // namespace pipeflow_cli
