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
#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "flowmodel/unit_system.hpp"
#include "traverse_output.h"

namespace pipeflow_cli {

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

Json stretches_json(const std::vector<std::array<double, 2>>& v, const OutUnits& u) {
    Json a = Json::array();
    for (const auto& st : v) a.push_back({u.len(st[0]), u.len(st[1])});
    return a;
}

void add_rates(Json& j, const StandardRates& q, const OutUnits& u) {
    if (!q.known) return;
    j[u.key("oil_rate", D::LiquidRate)] = u.to(D::LiquidRate, q.oil);
    j[u.key("water_rate", D::LiquidRate)] = u.to(D::LiquidRate, q.water);
    j[u.key("gas_rate", D::GasRate)] = u.to(D::GasRate, q.gas);
}

// One summary field's value as JSON, in the output units.
Json summary_value_json(const flowmodel::SummaryField& f, const flowmodel::SummaryValue& v, const OutUnits& u) {
    using F = flowmodel::SummaryField;
    switch (f.kind) {
        case F::Flag: return v.flag;
        case F::Text: return v.text;
        case F::Count: return static_cast<long>(v.number);
        case F::Stretches: return stretches_json(v.stretches, u);
        case F::ByRegime: {
            Json by = Json::object();
            for (int k = 0; k < flowmodel::kPatternCount; ++k) {
                if (!flowmodel::pattern_listed(k, v.by_regime)) continue;
                by[flowmodel::pattern_name(static_cast<flowmodel::Pattern>(k))] =
                    u.to(f.measure, v.by_regime[static_cast<size_t>(k)]);
            }
            return by;
        }
        case F::Texts: return json_texts(v.texts);
        default: return u.to(f.measure, v.number);
    }
}

// A point's fields in the output units; where the march bridged the model's
// answer, the model's own answer beside it.
Json point_json(const flowmodel::TraversePoint& p, const OutUnits& u, flowmodel::HeatLaw law) {
    Json j = Json::object();
    for (const flowmodel::PointField& f : flowmodel::kPointFields) {
        if (!flowmodel::point_field_written(f, law)) continue;
        if (f.kind == flowmodel::PointField::Text && std::string(f.name) == "warning") {
            j["separated_invalid"] = p.separated_invalid;
        } else if (f.kind == flowmodel::PointField::Text) {
            j[u.name(f)] = f.text(p);
        } else if (f.kind == flowmodel::PointField::Number) {
            j[u.name(f)] = u.conv(f.measure, f.number(p));
        } else {
            j[u.name(f)] = static_cast<long>(f.number(p));
        }
    }
    if (p.answer == flowmodel::Answer::Bridged) {
        j["model"] = {{"id", p.own_id},
                      {"hol", p.own_hol},
                      {u.key("dpt", D::Gradient), u.grad(p.own_dpt)},
                      {u.key("dpf", D::Gradient), u.grad(p.own_dpf)},
                      {u.key("dpg", D::Gradient), u.grad(p.own_dpg)},
                      {u.key("dpa", D::Gradient), u.grad(p.own_dpa)}};
    }
    return j;
}

}  // namespace

// The summary's fields in the table's order, with the units after the
// message, the standard rates after the liquid inventory, and the atmosphere
// only where gauge readings were converted.
Json summary_json(const flowmodel::TraverseSummary& m, const OutUnits& u, const StandardRates& q) {
    Json j = Json::object();
    for (const flowmodel::SummaryField& f : flowmodel::kSummaryFields) {
        const flowmodel::SummaryValue v = f.get(m);
        if (std::string(f.name) == "atm_pres" && !(v.number > 0)) continue;
        if (!flowmodel::summary_field_shown(f, m)) continue;
        j[u.key(f.name, f.measure)] = summary_value_json(f, v, u);
        if (std::string(f.name) == "message") j["units"] = u.field ? "field" : "si";
        if (std::string(f.name) == "liquid_inventory") add_rates(j, q, u);
    }
    return j;
}

std::string as_json(const flowmodel::TraverseResult& r, const OutUnits& u, const StandardRates& q) {
    Json points = Json::array();
    for (const flowmodel::TraversePoint& p : r.points) points.push_back(point_json(p, u, r.summary.heat_law));
    return json_text({{"summary", summary_json(r.summary, u, q)}, {"points", std::move(points)}}, {"points"});
}

// The summary's scalar fields as a CSV header and one row, in the output units.
std::string summary_csv(const flowmodel::TraverseSummary& m, const OutUnits& u) {
    using F = flowmodel::SummaryField;
    std::string head, row;
    bool first = true;
    for (const flowmodel::SummaryField& f : flowmodel::kSummaryFields) {
        if (f.kind != F::Flag && f.kind != F::Text && f.kind != F::Number && f.kind != F::Count) continue;
        if (!flowmodel::summary_field_shown(f, m)) continue;
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
