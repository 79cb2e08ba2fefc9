// `pipeflow traverse` for programs: the points as CSV, the profile and its
// summary as JSON, the summary as one CSV row; the standard rates and whether
// the line is a well, which every output states.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flowmodel/blackoil.hpp"
#include "flowmodel/batch/format.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/unit_system.hpp"
#include "traverse_output.h"

namespace pipeflow_cli {

using flowmodel::batch::json_number;
using flowmodel::batch::json_string;

namespace {

namespace bo = flowmodel::blackoil;

std::string num(double v) { return flowmodel::io::format_double(v); }

}  // namespace

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

namespace {

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


}  // namespace pipeflow_cli
