// The `pipeflow traverse` command: options, the line, the fluid, and the
// profile as a table, CSV or JSON.
#include "traverse.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/traverse_request.hpp"
#include "flowmodel/unit_system.hpp"
#include "flowmodel/batch/format.hpp"
#include "map.h"
#include "traverse_output.h"
#include "options.h"
#include "output.h"
#include "verb.h"
#include "plot.h"

namespace pipeflow_cli {

using flowmodel::batch::json_string;
using flowmodel::batch::xml_text;
using flowmodel::batch::json_number;

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
    "Exit status 3: the line cannot carry the flow, or the fluid has no state on the way.\n";

std::string num(double v) { return flowmodel::io::format_double(v); }

namespace bo = flowmodel::blackoil;

}  // namespace

// What the stretches of a traverse mean, one line each, in the output's units.
std::vector<std::string> stretch_warnings(const flowmodel::TraverseSummary& m, const OutUnits& u) {
    std::vector<std::string> out;
    char line[320];
    // Invalid answers on the approach to critical flow are part of that approach: said there.
    auto in_approach = [&m](const std::array<double, 2>& st) {
        for (const auto& f : m.floor_stretches) {
            if (f.cause == flowmodel::FloorCause::CriticalFlow && st[1] >= f.md[0] && st[0] <= f.md[1]) return true;
        }
        return false;
    };
    // The inlet pressure shot for meets the outlet's within --tol per step;
    // said where the miss is ten parts in a million of the drop or more.
    if (m.complete && m.outlet_miss > 1e-5 * std::fabs(m.dp_total)) {
        std::snprintf(line, sizeof line, "the outlet pressure is met within %.3g %s (--tol per step of the march, "
                      "the accuracy of its far end)", u.dp(m.outlet_miss), u.dp_unit());
        out.emplace_back(line);
    }
    for (const auto& st : m.bridged_stretches) {
        if (in_approach(st)) continue;
        std::snprintf(line, sizeof line,
                      "the model's answers are invalid over md %.1f to %.1f %s: the gradient there is bridged "
                      "between its valid answers at nearby pressures",
                      u.len(st[0]), u.len(st[1]), u.len_unit());
        out.emplace_back(line);
    }
    for (const auto& st : m.invalid_stretches) {
        if (in_approach(st)) continue;
        std::snprintf(line, sizeof line,
                      "the model's answers are invalid over md %.1f to %.1f %s and none valid is near: its own "
                      "numbers are integrated there",
                      u.len(st[0]), u.len(st[1]), u.len_unit());
        out.emplace_back(line);
    }
    auto covered = [&m](const std::array<double, 2>& st) {
        for (const auto* v : {&m.bridged_stretches, &m.invalid_stretches}) {
            for (const auto& b : *v) {
                if (st[0] >= b[0] && st[1] <= b[1]) return true;
            }
        }
        return false;
    };
    for (const auto& st : m.floor_stretches) {
        // Invalid answers are said once, as such.
        if (st.cause == flowmodel::FloorCause::InvalidAnswers && covered(st.md)) continue;
        std::snprintf(line, sizeof line, "tolerance not met over md %.1f to %.1f %s: %s", u.len(st.md[0]),
                      u.len(st.md[1]), u.len_unit(), flowmodel::floor_cause_text(st.cause));
        out.emplace_back(line);
    }
    for (const std::string& w : m.warnings) out.push_back(w);
    return out;
}

namespace {

std::string points_csv(const flowmodel::TraverseResult& r, const OutUnits& u) {
    std::string s;
    const flowmodel::HeatLaw law = r.summary.heat_law;
    for (const flowmodel::PointField& f : flowmodel::kPointFields) {
        if (flowmodel::point_field_written(f, law)) s += (s.empty() ? "" : ",") + u.name(f);
    }
    s += "\n";
    for (const flowmodel::TraversePoint& p : r.points) {
        bool first = true;
        for (const flowmodel::PointField& f : flowmodel::kPointFields) {
            if (!flowmodel::point_field_written(f, law)) continue;
            if (!first) s += ',';
            first = false;
            if (f.kind == flowmodel::PointField::Text) {
                s += f.text(p);
            } else if (f.kind == flowmodel::PointField::Number) {
                s += num(u.conv(f.measure, f.number(p)));
            } else {
                s += std::to_string(static_cast<long>(f.number(p)));
            }
        }
        s += "\n";
    }
    return s;
}

std::string stretches_json(const std::vector<std::array<double, 2>>& v, const OutUnits& u) {
    std::string s = "[";
    for (size_t i = 0; i < v.size(); ++i) {
        s += (i ? "," : "") + std::string("[") + json_number(u.len(v[i][0])) + "," + json_number(u.len(v[i][1])) + "]";
    }
    return s + "]";
}

std::string rates_json(const StandardRates& q, const OutUnits& u) {
    if (!q.known) return "";
    if (u.field) {
        return ",\"" + u.key("oil_rate", D::LiquidRate) + "\":" + json_number(u.to(D::LiquidRate, q.oil)) + ",\"" +
               u.key("water_rate", D::LiquidRate) + "\":" + json_number(u.to(D::LiquidRate, q.water)) + ",\"" +
               u.key("gas_rate", D::GasRate) + "\":" + json_number(u.to(D::GasRate, q.gas));
    }
    return ",\"oil_rate\":" + json_number(q.oil) + ",\"water_rate\":" + json_number(q.water) + ",\"gas_rate\":" + json_number(q.gas);
}

// One summary field's value as JSON, in the output units.
std::string summary_value_json(const flowmodel::SummaryField& f, const flowmodel::SummaryValue& v, const OutUnits& u) {
    using F = flowmodel::SummaryField;
    switch (f.kind) {
        case F::Flag: return v.flag ? "true" : "false";
        case F::Text: return json_string(v.text);
        case F::Count: return std::to_string(static_cast<long>(v.number));
        case F::Stretches: return stretches_json(v.stretches, u);
        case F::ByRegime: {
            std::string s = "{";
            for (int k = 0; k < flowmodel::kPatternCount; ++k) {
                if (!flowmodel::pattern_listed(k, v.by_regime)) continue;
                s += (k ? "," : "") + json_string(flowmodel::pattern_name(static_cast<flowmodel::Pattern>(k))) + ":" +
                     json_number(u.to(f.measure, v.by_regime[static_cast<size_t>(k)]));
            }
            return s + "}";
        }
        case F::Texts: {
            std::string s = "[";
            for (size_t i = 0; i < v.texts.size(); ++i) s += (i ? "," : "") + json_string(v.texts[i]);
            return s + "]";
        }
        default: return json_number(u.to(f.measure, v.number));
    }
}

}  // namespace

// The summary's fields in the table's order, with the units after the
// message, the standard rates after the liquid inventory, and the atmosphere
// only where gauge readings were converted.
std::string summary_json(const flowmodel::TraverseSummary& m, const OutUnits& u, const StandardRates& q) {
    std::string s = "{";
    for (const flowmodel::SummaryField& f : flowmodel::kSummaryFields) {
        const flowmodel::SummaryValue v = f.get(m);
        if (std::string(f.name) == "atm_pres" && !(v.number > 0)) continue;
        s += (s.size() > 1 ? ",\"" : "\"") + u.key(f.name, f.measure) + "\":" + summary_value_json(f, v, u);
        if (std::string(f.name) == "message") s += ",\"units\":" + json_string(u.field ? "field" : "si");
        if (std::string(f.name) == "liquid_inventory") s += rates_json(q, u);
    }
    return s + "}";
}

namespace {

std::string as_json(const flowmodel::TraverseResult& r, const OutUnits& u, const StandardRates& q) {
    std::string s = "{\"summary\":" + summary_json(r.summary, u, q) + ",\"points\":[";
    for (size_t i = 0; i < r.points.size(); ++i) {
        const flowmodel::TraversePoint& p = r.points[i];
        s += i ? ",\n{" : "\n{";
        bool first = true;
        for (const flowmodel::PointField& f : flowmodel::kPointFields) {
            if (!flowmodel::point_field_written(f, r.summary.heat_law)) continue;
            if (f.kind == flowmodel::PointField::Text && std::string(f.name) == "warning") {
                s += ",\"separated_invalid\":" + std::string(p.separated_invalid ? "true" : "false");
                continue;
            }
            s += (first ? "\"" : ",\"") + u.name(f) + "\":";
            first = false;
            if (f.kind == flowmodel::PointField::Text) {
                s += json_string(f.text(p));
            } else if (f.kind == flowmodel::PointField::Number) {
                s += json_number(u.conv(f.measure, f.number(p)));
            } else {
                s += std::to_string(static_cast<long>(f.number(p)));
            }
        }
        if (p.answer == flowmodel::Answer::Bridged) {
            // The model's own answer where the integrated one was bridged.
            s += ",\"model\":{\"id\":" + std::to_string(p.own_id) + ",\"hol\":" + json_number(p.own_hol) + ",\"" +
                 u.key("dpt", D::Gradient) + "\":" + json_number(u.grad(p.own_dpt)) + ",\"" + u.key("dpf", D::Gradient) +
                 "\":" + json_number(u.grad(p.own_dpf)) + ",\"" + u.key("dpg", D::Gradient) + "\":" +
                 json_number(u.grad(p.own_dpg)) + ",\"" + u.key("dpa", D::Gradient) + "\":" + json_number(u.grad(p.own_dpa)) +
                 "}";
        }
        s += "}";
    }
    return s + "\n]}\n";
}

// The points as a table with its units.
std::string points_table(const std::vector<flowmodel::TraversePoint>& points, const OutUnits& u) {
    std::string s;
    char line[512];
    std::snprintf(line, sizeof line, "%10s %9s %7s %12s %7s %-17s %7s %11s\n", "md", "z", "angle", "pres", "temp",
                  "regime", "holdup", "dpt");
    s += line;
    std::snprintf(line, sizeof line, "%10s %9s %7s %12s %7s %-17s %7s %11s\n", u.len_unit(), u.len_unit(), "deg",
                  u.pres_unit(), u.temp_unit(), "", "", u.grad_unit());
    s += line;
    for (const flowmodel::TraversePoint& p : points) {
        std::snprintf(line, sizeof line, "%10.1f %9.2f %7.2f %12.1f %7.2f %-17s %7.4f %11.5g%s\n", u.len(p.md),
                      u.len(p.z), p.angle, u.pres(p.pres), u.temp(p.temp), p.regime(), p.hol, u.grad(p.dpt),
                      p.answer == flowmodel::Answer::Bridged ? "  bridged"
                      : p.separated_invalid                   ? "  separated-invalid"
                                                              : "");
        s += line;
    }
    return s;
}

}  // namespace

namespace {

// Gas lift from the casing where no mandrel can inject: the boundary, and
// the shallowest mandrel's pressures against the margin; no profile.
std::string no_injection_lines(const flowmodel::TraverseSummary& m, const OutUnits& u) {
    auto pressure = [&u](double p) { return flowmodel::io::format_double(std::round(u.pres(p) * 10) / 10) + " " + u.pres_unit(); };
    const bool from_outlet = std::isfinite(m.outlet_pres);
    char line[640];
    std::snprintf(line, sizeof line,
                  "\n%s %s: lift gas %.6g %s, but no mandrel can inject: at the shallowest (md %.1f %s) the annulus "
                  "gives %s and the tubing holds %s, less than the %s the casing must exceed it by; no profile\n",
                  from_outlet ? "outlet" : "inlet", pressure(from_outlet ? m.outlet_pres : m.inlet_pres).c_str(),
                  u.to(D::GasRate, m.lift_gas_rate), u.unit(D::GasRate), u.len(m.injection_md), u.len_unit(),
                  pressure(m.casing_pres_at_injection).c_str(), pressure(m.injection_pres).c_str(),
                  (flowmodel::io::format_double(std::round(u.dp(m.injection_dp) * 10) / 10) + " " + u.dp_unit()).c_str());
    std::string s = line;
    s += "method: " + flowmodel::method_text(m.method, m.holdup_factor, m.friction_factor) + "\n";
    return s;
}

}  // namespace

// The ends, the drop and its parts, the inventory and the evaluations.
std::string summary_lines(const flowmodel::TraverseSummary& m, const OutUnits& u) {
    char line[512];
    if (m.stop_reason == flowmodel::StopReason::NoInjection) return no_injection_lines(m, u);
    if (m.complete) {
        std::snprintf(line, sizeof line, "\ninlet %.1f %s, outlet %.1f %s: drop %.1f %s", u.pres(m.inlet_pres),
                      u.pres_unit(), u.pres(m.outlet_pres), u.pres_unit(), u.pres(m.dp_total), u.dp_unit());
    } else {
        // The far end was not reached: the pressure known there is where the march stopped.
        const bool from_inlet = std::isfinite(m.inlet_pres);
        std::snprintf(line, sizeof line, "\n%s %.1f %s, pressure at md %.1f %s where it stopped %.1f %s: drop over the "
                      "part marched %.1f %s", from_inlet ? "inlet" : "outlet",
                      u.pres(from_inlet ? m.inlet_pres : m.outlet_pres), u.pres_unit(), u.len(m.stop_md), u.len_unit(),
                      u.pres(m.stop_pres), u.pres_unit(), u.pres(m.dp_total), u.dp_unit());
    }
    std::string s = line;
    std::snprintf(line, sizeof line,
                  " = friction %.1f + gravity %.1f + acceleration %.1f\n"
                  "liquid inventory %.4g %s; %ld evaluations\n",
                  u.pres(m.dp_friction), u.pres(m.dp_gravity), u.pres(m.dp_acceleration),
                  u.vol(m.liquid_inventory), u.vol_unit(), m.evaluations);
    s += line;
    s += "method: " + flowmodel::method_text(m.method, m.holdup_factor, m.friction_factor) + "\n";
    if (m.heat_law != flowmodel::HeatLaw::Given) {
        auto temp = [&u](double t) {
            return std::isfinite(t) ? flowmodel::io::format_double(std::round(u.temp(t) * 100) / 100) : std::string("not reached");
        };
        std::snprintf(line, sizeof line, "temperature (heat transfer: %s): inlet %s, outlet %s %s; heat lost %.6g %s\n",
                      flowmodel::heat_law_name(m.heat_law), temp(m.inlet_temp).c_str(), temp(m.outlet_temp).c_str(),
                      u.temp_unit(), u.to(D::Power, m.heat_lost), u.unit(D::Power));
        s += line;
    }
    if (m.lift_gas_rate > 0) {
        const bool reached = std::isfinite(m.injection_pres);
        auto pressure = [&u](double p) { return flowmodel::io::format_double(std::round(u.pres(p) * 10) / 10) + " " + u.pres_unit(); };
        std::snprintf(line, sizeof line, "lift gas %.6g %s injected at md %.1f %s; tubing pressure there %s",
                      u.to(D::GasRate, m.lift_gas_rate), u.unit(D::GasRate), u.len(m.injection_md), u.len_unit(),
                      reached ? pressure(m.injection_pres).c_str() : "not reached");
        s += line;
        if (std::isfinite(m.casing_pres_at_injection) && m.complete) {
            s += " (the deepest mandrel the casing can inject at: annulus " + pressure(m.casing_pres_at_injection) + ")";
        }
        s += "\n";
    }
    if (m.atm_pres > 0) {
        std::snprintf(line, sizeof line, "gauge pressures read with an atmospheric pressure of %.4g %s\n",
                      u.pres(m.atm_pres), u.pres_unit());
        s += line;
    }
    return s;
}

namespace {

// The summary's scalar fields as a CSV header and one row, in the output units.
std::string summary_csv(const flowmodel::TraverseSummary& m, const OutUnits& u) {
    using F = flowmodel::SummaryField;
    std::string head, row;
    bool first = true;
    for (const flowmodel::SummaryField& f : flowmodel::kSummaryFields) {
        if (f.kind != F::Flag && f.kind != F::Text && f.kind != F::Number && f.kind != F::Count) continue;
        const flowmodel::SummaryValue v = f.get(m);
        head += (first ? "" : ",") + u.key(f.name, f.measure);
        row += first ? "" : ",";
        first = false;
        if (f.kind == F::Flag) {
            row += v.flag ? "true" : "false";
        } else if (f.kind == F::Text) {
            row += flowmodel::io::csv_quote(v.text);
        } else if (f.kind == F::Count) {
            row += std::to_string(static_cast<long>(v.number));
        } else if (std::isfinite(v.number)) {
            row += num(u.to(f.measure, v.number));
        }
    }
    return head + "\n" + row + "\n";
}

std::string as_table(const flowmodel::TraverseResult& r, const OutUnits& u, const StandardRates& q, bool points = true) {
    const flowmodel::TraverseSummary& m = r.summary;
    std::string s = (points ? points_table(r.points, u) : std::string()) + summary_lines(m, u);
    char line[512];
    if (q.known) {
        if (u.field) {
            std::snprintf(line, sizeof line, "at standard conditions: oil %.6g STB/d, water %.6g STB/d, gas %.6g Mscf/d\n",
                          u.to(D::LiquidRate, q.oil), u.to(D::LiquidRate, q.water), u.to(D::GasRate, q.gas));
        } else {
            std::snprintf(line, sizeof line, "at standard conditions: oil %.6g m3/d, water %.6g m3/d, gas %.6g m3/d\n",
                          per_day(q.oil), per_day(q.water), per_day(q.gas));
        }
        s += line;
    }
    s += "length in each regime:";
    for (int k = 0; k < flowmodel::kPatternCount; ++k) {
        if (m.regime_length[static_cast<size_t>(k)] > 0) {
            std::snprintf(line, sizeof line, " %s %.1f %s;", flowmodel::pattern_name(static_cast<flowmodel::Pattern>(k)),
                          u.len(m.regime_length[static_cast<size_t>(k)]), u.len_unit());
            s += line;
        }
    }
    s += "\n";
    for (const std::string& w : stretch_warnings(m, u)) s += "WARNING: " + w + "\n";
    if (!m.complete) s += "STOPPED: " + m.message + "\n";
    return s;
}

}  // namespace

// A well rather than a pipeline: its elevation changes by more than half its length.
StandardRates standard_rates(const flowmodel::TraverseSetup& setup) {
    StandardRates rates;
    if (const bo::BlackOil* oil = setup.black_oil()) {
        rates.known = true;
        rates.oil = oil->inputs().oil_rate;
        rates.water = oil->inputs().water_rate;
        rates.gas = oil->inputs().gas_rate;
    }
    return rates;
}

bool is_well(const flowmodel::Line& line) {
    double lo = line.nodes.front().z, hi = lo;
    for (const auto& n : line.nodes) {
        lo = std::min(lo, n.z);
        hi = std::max(hi, n.z);
    }
    return hi - lo > 0.5 * (line.nodes.back().md - line.nodes.front().md);
}


// What a picture shows: the line, the rates, the boundary pressure.
std::string picture_title(const flowmodel::TraverseRequest& req, const flowmodel::TraverseSetup& setup,
                          const StandardRates& q, const OutUnits& u) {
    char buf[200];
    std::string what;
    if (!req.profile.empty()) {
        what = req.profile.substr(req.profile.find_last_of('/') + 1);
    } else {
        std::snprintf(buf, sizeof buf, "a line of %.0f %s", u.len(setup.line.nodes.back().md), u.len_unit());
        what = buf;
    }
    // Rates as people write them: whole numbers from 100 up.
    auto rate = [](double v) {
        char t[32];
        std::snprintf(t, sizeof t, v >= 100 ? "%.0f" : "%.3g", v);
        return std::string(t);
    };
    if (q.known && u.field) {
        const std::string r = "oil " + rate(u.to(D::LiquidRate, q.oil)) + " STB/d, water " +
                              rate(u.to(D::LiquidRate, q.water)) + " STB/d, gas " + rate(u.to(D::GasRate, q.gas)) +
                              " Mscf/d";
        std::snprintf(buf, sizeof buf, "%s", r.c_str());
    } else if (q.known) {
        const std::string r = "oil " + rate(per_day(q.oil)) + " m3/d, water " + rate(per_day(q.water)) +
                              " m3/d, gas " + rate(per_day(q.gas)) + " m3/d";
        std::snprintf(buf, sizeof buf, "%s", r.c_str());
    } else {
        std::snprintf(buf, sizeof buf, "liquid %.4g kg/s, gas %.4g kg/s", req.given.liquid_rate->value,
                      req.given.gas_rate->value);
    }
    const std::string rates = buf;
    const bool well = is_well(setup.line);
    const char* end = setup.options.from_outlet ? (well ? "at the wellhead" : "at the outlet")
                                                : (well ? "at the bottom" : "at the inlet");
    std::snprintf(buf, sizeof buf, "%.5g %s %s", u.field ? u.pres(setup.options.pres) : setup.options.pres / 1000,
                  u.field ? "psia" : "kPa", end);
    return "Pressure traverse, " + what + ": " + rates + "; " + buf;
}

namespace {

// The picture. A pipeline is read along its length: pressure, elevation and
// holdup against the distance along the line, the regime as a band below. A
// well is read downward: pressure, temperature and holdup against measured
// depth growing down the page, the regime as a band beside them. Axes carry
// round ticks; stretches of invalid answers are hatched over the band.
// One quantity drawn against md: its title and its value at a point.
struct Series {
    const char* title;
    double (*value)(const flowmodel::TraversePoint&, const OutUnits&);
    bool from_zero;
    // Drawn dashed beside it in the same panel (the surroundings' temperature), or none.
    double (*beside)(const flowmodel::TraversePoint&, const OutUnits&) = nullptr;
};

// The picture of a traverse: three panels against md (a well read downward,
// a line along its length) and the regime band beside them.
class TracePicture {
public:
    TracePicture(const flowmodel::TraverseResult& r, const OutUnits& u, bool well) : r_(r), pts_(r.points), u_(u), well_(well) {
        double lo = u.len(pts_.front().md), hi = lo;
        for (const auto& p : pts_) {
            lo = std::min(lo, u.len(p.md));
            hi = std::max(hi, u.len(p.md));
        }
        md_ = plot::rounded({lo, hi, false, std::string(well ? "measured depth, " : "distance along the line md, ") +
                                                u.len_unit()});
    }

    std::string draw(const std::string& title) {
        const double W = well_ ? 980 : 900, H = well_ ? 760 : 640;
        s_ = plot::open_svg(W, H, title + (r_.summary.complete ? "" : " (stopped early)"));
        if (well_) {
            down_the_well();
        } else {
            along_the_line();
        }
        return s_ + "</svg>\n";
    }

private:
    std::vector<Series> series() const {
        const Series pressure{u_.field ? "pressure, psia" : "pressure, kPa",
                              [](const flowmodel::TraversePoint& p, const OutUnits& o) {
                                  return o.field ? o.pres(p.pres) : p.pres / 1000;
                              },
                              false};
        const Series elevation{u_.field ? "elevation, ft" : "elevation, m",
                               [](const flowmodel::TraversePoint& p, const OutUnits& o) { return o.len(p.z); }, false};
        const Series temperature{u_.field ? "temperature, degF" : "temperature, K",
                                 [](const flowmodel::TraversePoint& p, const OutUnits& o) { return o.temp(p.temp); },
                                 false};
        const Series holdup{"liquid holdup, -", [](const flowmodel::TraversePoint& p, const OutUnits&) { return p.hol; },
                            true};
        if (heat()) {
            // The fluid's temperature with the surroundings' it exchanges heat with.
            Series both = temperature;
            both.beside = [](const flowmodel::TraversePoint& p, const OutUnits& o) { return o.temp(p.tsurr); };
            return {pressure, both, holdup};
        }
        return {pressure, well_ ? temperature : elevation, holdup};
    }

    bool heat() const { return r_.summary.heat_law != flowmodel::HeatLaw::Given; }

    plot::Axis range(const Series& sr) const {
        double lo = sr.value(pts_.front(), u_), hi = lo;
        for (const auto& p : pts_) {
            lo = std::min(lo, sr.value(p, u_));
            hi = std::max(hi, sr.value(p, u_));
            if (sr.beside) {
                lo = std::min(lo, sr.beside(p, u_));
                hi = std::max(hi, sr.beside(p, u_));
            }
        }
        if (sr.from_zero) lo = 0, hi = std::max(hi, 1e-3);
        if (!(hi > lo)) hi = lo + 1;
        return plot::rounded({lo, hi, false, sr.title});
    }

    // The series as a polyline in frame f, md on the axis `md_is_y` says.
    void curve(const plot::Frame& f, const Series& sr, bool md_is_y) {
        polyline(f, sr.value, md_is_y, "stroke=\"#0072b2\" stroke-width=\"1.5\"");
        if (sr.beside) polyline(f, sr.beside, md_is_y, "class=\"surroundings\" stroke=\"#d55e00\" stroke-width=\"1.5\" stroke-dasharray=\"6,4\"");
    }

    void polyline(const plot::Frame& f, double (*value)(const flowmodel::TraversePoint&, const OutUnits&), bool md_is_y,
                  const char* style) {
        s_ += std::string("<polyline fill=\"none\" ") + style + " points=\"";
        for (const auto& p : pts_) {
            if (md_is_y) {
                std::snprintf(buf_, sizeof buf_, "%.1f,%.1f ", f.px(value(p, u_)), f.py(u_.len(p.md)));
            } else {
                std::snprintf(buf_, sizeof buf_, "%.1f,%.1f ", f.px(u_.len(p.md)), f.py(value(p, u_)));
            }
            s_ += buf_;
        }
        s_ += "\"/>\n";
    }

    // The regime band: a rectangle per stretch between points, coloured as in
    // the map; each reaches half a pixel into the next, so that no seam shows.
    // `at` places an md across the band, b0 and b1 its edges. True when
    // invalid answers were hatched over it.
    template <class At>
    bool band(double b0, double b1, At at) {
        for (size_t i = 1; i < pts_.size(); ++i) {
            const flowmodel::TraversePoint& p = pts_[i];
            const int c = band_key(p);
            shown_[c] = true;
            const double a0 = std::min(at(u_.len(pts_[i - 1].md)), at(u_.len(p.md)));
            const double a1 = std::max(at(u_.len(pts_[i - 1].md)), at(u_.len(p.md)));
            if (well_) {
                std::snprintf(buf_, sizeof buf_,
                              "<rect class=\"regime\" shape-rendering=\"crispEdges\" x=\"%.0f\" y=\"%.2f\" width=\"%.0f\" "
                              "height=\"%.2f\" fill=\"%s\"/>\n",
                              b0, a0, b1 - b0, a1 - a0 + 0.5, key_colour(c));
            } else {
                std::snprintf(buf_, sizeof buf_,
                              "<rect class=\"regime\" shape-rendering=\"crispEdges\" x=\"%.2f\" y=\"%.0f\" width=\"%.2f\" "
                              "height=\"%.0f\" fill=\"%s\"/>\n",
                              a0, b0, a1 - a0 + 0.5, b1 - b0, key_colour(c));
            }
            s_ += buf_;
        }
        return hatch(b0, b1, at);
    }

    // Where the model's answers were invalid: hatched over the band.
    template <class At>
    bool hatch(double b0, double b1, At at) {
        const flowmodel::TraverseSummary& m = r_.summary;
        if (m.bridged_stretches.empty() && m.invalid_stretches.empty()) return false;
        s_ += "<defs><pattern id=\"invalid\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
              "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"white\" fill-opacity=\"0.35\"/>"
              "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"black\" stroke-width=\"2\"/></pattern></defs>\n";
        for (const auto* v : {&m.bridged_stretches, &m.invalid_stretches}) {
            for (const auto& st : *v) {
                const double a0 = std::min(at(u_.len(st[0])), at(u_.len(st[1])));
                const double a1 = std::max(std::max(at(u_.len(st[0])), at(u_.len(st[1]))), a0 + 1.5);
                std::snprintf(buf_, sizeof buf_,
                              "<rect class=\"invalid\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" "
                              "fill=\"url(#invalid)\"/>\n",
                              well_ ? b0 : a0, well_ ? a0 : b0, well_ ? b1 - b0 : a1 - a0, well_ ? a1 - a0 : b1 - b0);
                s_ += buf_;
            }
        }
        return true;
    }

    std::vector<plot::LegendEntry> legend_entries(bool hatched) const {
        std::vector<plot::LegendEntry> entries;
        for (int c = 0; c < kKeys; ++c) {
            if (shown_[c]) entries.push_back({key_label(c), key_colour(c), "box"});
        }
        if (hatched) entries.push_back({"invalid answers (bridged)", "url(#invalid)", "box"});
        if (heat()) {
            entries.push_back({std::string("fluid (") + flowmodel::heat_law_name(r_.summary.heat_law) + ")", "#0072b2", "line"});
            entries.push_back({well_ ? "geothermal" : "surroundings", "#d55e00", "dash"});
        }
        return entries;
    }

    // Three panels side by side over one depth axis growing downward.
    void down_the_well() {
        const double top = 80, height = 600, width = 160, gap = 50;
        double left = 90;
        const std::vector<Series> all = series();
        for (size_t k = 0; k < all.size(); ++k) {
            plot::Frame f{range(all[k]), md_, left, top, width, height};
            f.y = {md_.hi, md_.lo, false, md_.title};  // depth grows downward
            f.y_labels = k == 0;
            f.x_count = 5;
            s_ += f.axes();
            curve(f, all[k], true);
            left += width + gap;
        }
        plot::Frame depth{md_, md_, left, top, 24, height};
        depth.y = {md_.hi, md_.lo, false, ""};
        const bool hatched = band(left, left + 24, [&](double md) { return depth.py(md); });
        std::snprintf(buf_, sizeof buf_, "<text x=\"%.0f\" y=\"%.0f\" text-anchor=\"middle\">regime</text>\n", left + 12,
                      top - 8);
        s_ += buf_;
        s_ += plot::legend(left + 50, top + 10, legend_entries(hatched));
    }

    // Three panels one above the other over the distance along the line.
    void along_the_line() {
        const double left = 90, width = 610;
        const double tops[3] = {50, 290, 430}, heights[3] = {200, 110, 90};
        const std::vector<Series> all = series();
        for (size_t k = 0; k < all.size(); ++k) {
            plot::Frame f{md_, range(all[k]), left, tops[k], width, heights[k]};
            f.x.title = "";
            s_ += f.axes();
            curve(f, all[k], false);
        }
        plot::Frame along{md_, {0, 1, false, ""}, left, 540, width, 24};
        const bool hatched = band(540, 564, [&](double md) { return along.px(md); });
        for (double t : plot::ticks(md_)) {
            std::snprintf(buf_, sizeof buf_, "<text x=\"%.1f\" y=\"580\" text-anchor=\"middle\">", along.px(t));
            s_ += buf_ + plot::tick_text(t) + "</text>\n";
        }
        std::snprintf(buf_, sizeof buf_, "<text x=\"%.0f\" y=\"600\" text-anchor=\"middle\">", left + width / 2);
        s_ += buf_ + xml_text(md_.title) + "</text>\n";
        s_ += "<text transform=\"translate(38,552) rotate(-90)\" text-anchor=\"middle\">regime</text>\n";
        s_ += plot::legend(720, 60, legend_entries(hatched));
    }

    const flowmodel::TraverseResult& r_;
    const std::vector<flowmodel::TraversePoint>& pts_;
    const OutUnits& u_;
    bool well_;
    plot::Axis md_;
    std::string s_;
    char buf_[256] = {};
    // The band's keys: the map's classes (the model's regimes and its
    // failures), then the other methods' patterns after them.
    static constexpr int kClasses = 8;
    static constexpr int kKeys = kClasses + flowmodel::kPatternCount;
    static int band_key(const flowmodel::TraversePoint& p) {
        if (p.ierr > 1) return static_cast<int>(MapClass::ImproperInput);
        return p.id < 5 ? p.id : kClasses + p.id;
    }
    static const char* key_colour(int key) {
        if (key < kClasses) return class_colour(static_cast<MapClass>(key));
        using P = flowmodel::Pattern;
        switch (static_cast<P>(key - kClasses)) {
            case P::Liquid: return "#56b4e9";
            case P::Gas: return "#f0e442";
            case P::Segregated:
            case P::Stratified: return "#e69f00";
            case P::Transition: return "#cc79a7";
            case P::Intermittent: return "#009e73";
            case P::Distributed:
            case P::Bubble:
            case P::GriffithBubble: return "#0072b2";
            case P::NonBubble: return "#009e73";
            case P::AnnularMist:
            case P::Mist: return "#d55e00";
            default: return "#999999";
        }
    }
    static std::string key_label(int key) {
        if (key < kClasses) return class_label(static_cast<MapClass>(key));
        return flowmodel::pattern_name(static_cast<flowmodel::Pattern>(key - kClasses));
    }
    bool shown_[kKeys] = {};
};

std::string as_svg(const flowmodel::TraverseResult& r, const OutUnits& u, const std::string& title, bool well) {
    if (r.points.empty()) {
        // Nothing to draw: the picture says why.
        return plot::open_svg(900, 120, title + ": no point computed") + "<text x=\"20\" y=\"70\">" +
               xml_text(r.summary.message) + "</text>\n</svg>\n";
    }
    return TracePicture(r, u, well).draw(title);
}

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
        std::snprintf(buf, sizeof buf, "  %-26s %s\n", flag.c_str(), meaning.c_str());
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
        if (name == "z-method" || name == "dead-oil" || name == "live-oil") line("--" + name + " NAME", "a black-oil correlation");
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
                             : summary_only && format == "json" ? "{\"summary\":" + summary_json(r.summary, units, rates) + "}\n"
                             : summary_only                     ? as_table(r, units, rates, false).substr(1)
                             : format == "csv"                  ? points_csv(r, units)
                             : format == "json"                 ? as_json(r, units, rates)
                             : format == "svg"  ? as_svg(r, units, picture_title(request, setup, rates, units),
                                                          is_well(setup.line))
                                                : as_table(r, units, rates);
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
