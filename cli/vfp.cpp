// The `pipeflow vfp` command: a lift-curve table of a well as the VFPPROD
// keyword, every entry a traverse from the wellhead down to the datum.
#include "vfp.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/vfp.hpp"
#include "options.h"
#include "output.h"
#include "traverse.h"
#include "pipeflow.h"

namespace pipeflow_cli {

namespace {

namespace bo = flowmodel::blackoil;
namespace v = flowmodel::vfp;

const char* kUsage =
    "usage: pipeflow vfp --profile FILE [--profile-unit m|ft] --diam D [--rough K] (--temp T | --temp-in T --temp-out T)\n"
    "         --api API --gas-gravity G [--water-gravity G | --salinity S] [--co2 Y] [--h2s Y] [--n2 Y]\n"
    "         --rates LIST --thp LIST --water-cut LIST (--gor LIST | --glr LIST)\n"
    "         [--flo liq|oil|gas] [--wfr wct|wor|wgr] [--gfr gor|glr|ogr] [--table N] [--datum-depth D]\n"
    "         [--deck-units metric|field] [--fill extrapolate] [--tol DP] [--jobs N] [--output FILE]\n"
    "The well is listed from the wellhead down; every entry of the table is one traverse from the\n"
    "wellhead pressure (THP) down to the datum (default: the true vertical depth of the last station),\n"
    "with the black oil at the entry's rate (FLO), water fraction (WFR, given by --water-cut whatever\n"
    "its kind) and gas fraction (GFR, --gor or --glr whatever its kind). Lists are written as\n"
    "'50,100,200 STB/d' (the last unit stands for all), strictly increasing. The output is one VFPPROD\n"
    "keyword in the deck's units (metric: sm3/day, barsa, sm3/sm3, m; field: stb/day or Mscf/day,\n"
    "psia, Mscf/stb, ft). An entry whose traverse does not reach the datum fails the command (exit 3)\n"
    "unless --fill extrapolate fills it from its rate neighbours, said in the comments and on stderr.\n";

int vfp_error(const std::string& what) {
    std::fprintf(stderr, "pipeflow vfp: %s\n(try 'pipeflow vfp --help')\n", what.c_str());
    return 2;
}

std::vector<double> values(const std::vector<flowmodel::Quantity>& q, double atm) {
    std::vector<double> out;
    for (const auto& x : q) out.push_back(x.value + (x.gauge ? atm : 0));
    return out;
}

void increasing(const std::vector<double>& v, const char* option) {
    for (size_t i = 1; i < v.size(); ++i) {
        if (!(v[i] > v[i - 1])) throw std::invalid_argument(std::string("--") + option + " must be strictly increasing");
    }
}

}  // namespace

int vfp_command(int argc, char** argv) {
    flowmodel::TraverseRequest request;
    request.flow_decreasing = true;
    std::string output = "-", rates_text, thp_text, wfr_text, gfr_text, gfr_option;
    v::Table table;
    v::Units units = v::Units::Metric;
    bool fill = false, datum_given = false, gfr_given = false;
    double datum_text_value = 0;
    unsigned jobs = 0;
    try {
        for (ArgWalker args(argc, argv, 2); !args.done();) {
            if (args.is_help()) {
                std::fputs(kUsage, stdout);
                return 0;
            }
            std::string name, value, error;
            if (!args.option(name, value, error)) return vfp_error(error);
            long n = 0;
            if (line_file_option(request, name, value)) {
                continue;
            } else if (name == "output") {
                output = value;
            } else if (name == "rates") {
                rates_text = value;
            } else if (name == "thp") {
                thp_text = value;
            } else if (name == "water-cut") {
                wfr_text = value;
            } else if (name == "gor" || name == "glr") {
                if (!gfr_option.empty()) return vfp_error("give one of --gor and --glr");
                gfr_option = name;
                gfr_text = value;
            } else if (name == "flo") {
                if (value != "liq" && value != "oil" && value != "gas") return vfp_error("--flo takes liq, oil or gas");
                table.flo = value == "liq" ? v::Flo::Liquid : value == "oil" ? v::Flo::Oil : v::Flo::Gas;
            } else if (name == "wfr") {
                if (value != "wct" && value != "wor" && value != "wgr") return vfp_error("--wfr takes wct, wor or wgr");
                table.wfr = value == "wct" ? v::Wfr::WaterCut : value == "wor" ? v::Wfr::WaterOil : v::Wfr::WaterGas;
            } else if (name == "gfr") {
                if (value != "gor" && value != "glr" && value != "ogr") return vfp_error("--gfr takes gor, glr or ogr");
                table.gfr = value == "gor" ? v::Gfr::GasOil : value == "glr" ? v::Gfr::GasLiquid : v::Gfr::OilGas;
                gfr_given = true;
            } else if (name == "table") {
                if (!parse_count(value, 1, 9999, n)) return vfp_error("--table takes a whole number from 1");
                table.number = static_cast<int>(n);
            } else if (name == "deck-units") {
                if (value != "metric" && value != "field") return vfp_error("--deck-units takes metric or field");
                units = value == "field" ? v::Units::Field : v::Units::Metric;
            } else if (name == "datum-depth") {
                datum_text_value = flowmodel::parse_quantity(name, value, flowmodel::Dimension::Length).value;
                datum_given = true;
            } else if (name == "fill") {
                if (value != "extrapolate") return vfp_error("--fill takes extrapolate");
                fill = true;
            } else if (name == "jobs") {
                if (!parse_count(value, 1, 1024, n)) return vfp_error("--jobs takes a whole number from 1 to 1024");
                jobs = static_cast<unsigned>(n);
            } else if (name == "outlet-pres" || name == "inlet-pres" || name == "oil-rate" || name == "water-rate" ||
                       name == "liquid-rate" || name == "gas-rate" || name == "flow-direction") {
                return vfp_error("--" + name + " is given by the table's axes (--rates, --thp, --water-cut, --gor/--glr)");
            } else {
                flowmodel::set_option(request, name, value);
            }
        }
        if (rates_text.empty() || thp_text.empty() || wfr_text.empty() || gfr_text.empty()) {
            return vfp_error("give the axes: --rates, --thp, --water-cut and --gor or --glr");
        }
        if (!request.values.count("api")) return vfp_error("a lift-curve table needs the black-oil fluid: give --api");
        using D = flowmodel::Dimension;
        const double atm = request.values.count("atm-pres") ? request.values.at("atm-pres") : 101325.0;
        table.axes.flo = values(flowmodel::parse_quantity_list("rates", rates_text, D::VolumeRate), atm);
        table.axes.thp = values(flowmodel::parse_quantity_list("thp", thp_text, D::Pressure), atm);
        table.axes.wfr = values(flowmodel::parse_quantity_list("water-cut", wfr_text, D::Fraction, D::GasRatio), atm);
        table.axes.gfr = values(flowmodel::parse_quantity_list(gfr_option, gfr_text, D::GasRatio), atm);
        increasing(table.axes.flo, "rates");
        increasing(table.axes.thp, "thp");
        increasing(table.axes.wfr, "water-cut");
        increasing(table.axes.gfr, gfr_option.c_str());
        if (!gfr_given) table.gfr = gfr_option == "gor" ? v::Gfr::GasOil : v::Gfr::GasLiquid;
        const bool water = table.axes.wfr.back() > 0;
        if (water && !request.values.count("water-gravity") && !request.values.count("salinity")) {
            return vfp_error("give --water-gravity or --salinity for the produced water");
        }
        // The fluid and the line, checked as for a traverse with the first entry's rates.
        double oil = 0, water_rate = 0, gas = 0;
        if (!v::split_rates(table.flo, table.wfr, table.gfr, table.axes.flo.back(), table.axes.wfr.front(),
                            table.axes.gfr.front(), oil, water_rate, gas)) {
            return vfp_error("the largest rate with the first water and gas fractions does not hold together");
        }
        request.values["oil-rate"] = oil;
        request.values["water-rate"] = water_rate;
        request.values["glr"] = oil + water_rate > 0 ? gas / (oil + water_rate) : 0;
        request.values["outlet-pres"] = table.axes.thp.front();
        Output out;
        std::string error;
        if (!out.open(output, error, {{request.profile, "--profile"}})) {
            std::fprintf(stderr, "pipeflow vfp: %s\n", error.c_str());
            return 2;
        }
        const flowmodel::TraverseSetup setup = flowmodel::setup_traverse(request);
        const auto* oil_fluid = dynamic_cast<const bo::BlackOil*>(setup.fluid.get());
        const flowmodel::Line& line = setup.line;
        table.datum = datum_given ? datum_text_value : line.nodes.front().z - line.nodes.back().z;
        v::Result res = v::compute(line, oil_fluid->inputs(), setup.options, table, jobs);
        std::vector<std::string> filled;
        if (!res.failures.empty()) {
            if (!fill) {
                const v::Failure& f = res.failures.front();
                std::fprintf(stderr,
                             "pipeflow vfp: %zu of %zu entries could not be computed; the first, THP %zu, WFR %zu, GFR "
                             "%zu, FLO %zu: %s\n(--fill extrapolate fills them from their rate neighbours)\n",
                             res.failures.size(), res.table.bhp.size(), f.index[0] + 1, f.index[1] + 1,
                             f.index[2] + 1, f.index[3] + 1, f.message.c_str());
                return 3;
            }
            if (!v::fill_from_rates(res.table, res.failures, filled, error)) {
                std::fprintf(stderr, "pipeflow vfp: cannot fill the table: %s\n", error.c_str());
                return 3;
            }
            for (const std::string& f : filled) std::fprintf(stderr, "pipeflow vfp: filled: %s\n", f.c_str());
        }
        for (const std::string& w : v::check(res.table, units)) std::fprintf(stderr, "pipeflow vfp: warning: %s\n", w.c_str());
        const bo::BlackOilInputs& in = oil_fluid->inputs();
        std::vector<std::string> comments = {
            "Lift-curve table made by pipeflow vfp (flow model " + flowmodel::io::format_double(PIPEFLOW_VERSION) + ")",
            "well: " + (request.profile.empty() ? std::string("a straight line") : request.profile) + ", datum at " +
                flowmodel::io::format_double(table.datum) + " m true vertical depth",
            "fluid: black oil, " + flowmodel::io::format_double(in.api) + " API, gas gravity " +
                flowmodel::io::format_double(in.gas_gravity) + ", CO2 " + flowmodel::io::format_double(in.co2) +
                ", H2S " + flowmodel::io::format_double(in.h2s) + ", N2 " + flowmodel::io::format_double(in.n2),
            std::string("correlations: Z ") +
                (in.z_method == bo::ZMethod::HallYarborough ? "Hall-Yarborough" : "Dranchuk-Abou-Kassem") +
                ", dead oil " + (in.dead_oil == bo::DeadOil::Glaso ? "Glaso" : "Beggs-Robinson") + ", live oil " +
                (in.live_oil == bo::LiveOil::ChewConnally ? "Chew-Connally" : "Beggs-Robinson"),
            "each entry one traverse from the THP down to the datum, tolerance " +
                flowmodel::io::format_double(setup.options.tol) + " Pa per segment; " +
                std::to_string(res.evaluations) + " model evaluations",
        };
        for (const std::string& f : filled) comments.push_back("filled: " + f);
        if (!out.write(v::vfpprod(res.table, units, comments)) || !out.commit()) {
            std::fprintf(stderr, "pipeflow vfp: %s\n", out.error().c_str());
            return 2;
        }
        return 0;
    } catch (const std::invalid_argument& e) {
        return vfp_error(e.what());
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "pipeflow vfp: %s\n", e.what());
        return 2;
    }
}

}  // namespace pipeflow_cli
