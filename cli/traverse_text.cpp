// `pipeflow traverse` as a table for people: the points with their units,
// the summary's lines, the warnings.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/loading.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/unit_system.hpp"
#include "traverse_output.h"

namespace pipeflow_cli {


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
    for (const auto& st : m.loading_stretches) {
        std::snprintf(line, sizeof line,
                      "the gas flows slower than its critical velocity (%s) over md %.1f to %.1f %s: the liquid's "
                      "drops fall back there and the well loads up",
                      flowmodel::loading_criterion_name(m.loading), u.len(st[0]), u.len(st[1]), u.len_unit());
        out.emplace_back(line);
    }
    for (const std::string& w : m.warnings) out.push_back(w);
    return out;
}

// The gas rates that carry the liquid at the wellhead and at the bottom,
// where liquid loading was assessed.
std::string loading_line(const flowmodel::TraverseSummary& m, const OutUnits& u) {
    if (m.loading == flowmodel::LoadingCriterion::None) return "";
    auto rate = [&u](double q) {
        if (!std::isfinite(q)) return std::string("not reached");
        const double shown = u.field ? u.to(D::GasRate, q) : per_day(q);
        return flowmodel::io::format_double(std::round(shown * 10) / 10) + (u.field ? std::string(" ") + u.unit(D::GasRate) : std::string(" Sm3/d"));
    };
    return std::string("liquid loading (") + flowmodel::loading_criterion_name(m.loading) +
           "): the gas carries the liquid's drops above " + rate(m.critical_gas_rate_wellhead) + " at the wellhead, " +
           rate(m.critical_gas_rate_bottom) + " at the bottom" +
           (m.loading_stretches.empty() ? "; it does along the whole well\n" : "; it does not everywhere (below)\n");
}

namespace {

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
    s += loading_line(m, u);
    if (m.atm_pres > 0) {
        std::snprintf(line, sizeof line, "gauge pressures read with an atmospheric pressure of %.4g %s\n",
                      u.pres(m.atm_pres), u.pres_unit());
        s += line;
    }
    return s;
}


std::string as_table(const flowmodel::TraverseResult& r, const OutUnits& u, const StandardRates& q, bool points) {
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


}  // namespace pipeflow_cli
