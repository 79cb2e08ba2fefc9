// The `pipeflow vfp` command: a lift-curve table of a well as the VFPPROD
// keyword, every entry a traverse from the wellhead down to the datum.
#include "vfp.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/well_request.hpp"
#include "options.h"
#include "output.h"
#include "verb.h"
#include "traverse.h"

namespace pipeflow_cli {

namespace {


const char* kUsage =
    "usage: pipeflow vfp --profile FILE [--profile-unit m|ft] --diam D [--rough K] (--temp T | --temp-in T --temp-out T |\n"
    "         --heat LAW SURROUNDINGS [--temp-in T], as for pipeflow traverse)\n"
    "         --api API --gas-gravity G [--water-gravity G | --salinity S] [--co2 Y] [--h2s Y] [--n2 Y]\n"
    "         (--rates LIST --thp LIST (--water-cut LIST (--gor LIST | --glr LIST) | --injector water|gas|oil)\n"
    "          | --axes-from FILE)\n"
    "         [--flo liq|oil|gas] [--wfr wct|wor|wgr] [--gfr gor|glr|ogr] [--table N] [--datum-depth D]\n"
    "         [--deck-units metric|field] [--fill extrapolate|clamp] [--max-entries N] [--tol DP] [--jobs N]\n"
    "         [--output FILE]\n"
    "The well is listed from the wellhead down; every entry of the table is one traverse from the\n"
    "wellhead pressure (THP) down to the datum (default: the true vertical depth of the last station),\n"
    "with the black oil at the entry's rate (FLO), water fraction (WFR, given by --water-cut whatever\n"
    "its kind) and gas fraction (GFR, --gor or --glr whatever its kind), each in the units of its kind\n"
    "(rates of liquid or gas; WGR and OGR with their unit, e.g. STB/Mscf). Lists are written as\n"
    "'50,100,200 STB/d' (the last unit stands for all), strictly increasing: rates above 0, water cuts\n"
    "from 0 to 1 (1 only with a GLR), ratios from 0. The output is one VFPPROD keyword in the deck's\n"
    "units (metric: sm3/day, barsa, sm3/sm3, m; field: stb/day or Mscf/day, psia, Mscf/stb, ft).\n"
    "Without --tol each traverse is held to 1e-4 of the lowest THP per segment; without --max-pres\n"
    "none marches beyond 2e8 Pa. A table of more than --max-entries (100000) entries is refused.\n"
    "An entry whose traverse does not reach the datum fails the command (exit 3) unless --fill fills\n"
    "it from its rate neighbours: between computed ones, or one rate step beyond them, and only with a\n"
    "value between its THP and the ceiling; --fill clamp takes the nearest computed rate's value where\n"
    "that gives none. Fills are said in the comments and on stderr.\n"
    "--axes-from FILE [--table N] makes the table on the axes of an existing one (its rates, THPs, WFRs,\n"
    "GFRs and ALQs with their kinds, its units, datum and number; a VFPINJ's injected fluid), so that\n"
    "an operator's table can be made again with any method and compared (pipeflow vfp-check --against).\n"
    "An injection well: --injector water|gas|oil writes VFPINJ, with the axes --rates (of the injected\n"
    "fluid) and --thp only; each entry a traverse of that fluid alone down the well from the THP to the\n"
    "datum (the column gained, friction lost). Water needs --water-gravity or --salinity, gas\n"
    "--gas-gravity, oil --api; no other fluid property enters.\n";

int run_vfp(const flowmodel::wells::VfpRequest& request, const VerbRun& run) {
    const flowmodel::wells::VfpSetup setup = flowmodel::wells::setup_vfp(request);
    Output out;
    if (!run.open(out, {{request.traverse.profile, "--profile"}})) return 2;
    const flowmodel::wells::VfpOutcome table = flowmodel::wells::make_table(setup, run.jobs);
    if (!table.error.empty()) {
        run.say(flowmodel::command_words(table.error, flowmodel::vfp::deck_system(setup.units)));
        return 3;
    }
    for (const std::string& f : table.filled) {
        run.say("filled: " + flowmodel::command_words(f, flowmodel::vfp::deck_system(setup.units)));
    }
    for (const std::string& w : table.warnings) run.say("warning: " + w);
    return run.finish(out, table.keyword) ? 0 : 2;
}

}  // namespace

int vfp_command(int argc, char** argv) {
    flowmodel::wells::VfpRequest request;
    Verb verb = verb_named("vfp", kUsage);
    verb.usage = [] { return std::string(kUsage) + well_options_help(); };
    verb.once = true;
    verb.option = [&request](const std::string& name, const std::string& value) {
        if (!line_file_option(request.traverse, name, value) && !flowmodel::wells::set_vfp_option(request, name, value)) {
            flowmodel::set_option(request.traverse, name, value);
        }
        return true;
    };
    verb.run = [&request](VerbRun& run) { return run_vfp(request, run); };
    return run_verb(verb, argc, argv);
}

}  // namespace pipeflow_cli
