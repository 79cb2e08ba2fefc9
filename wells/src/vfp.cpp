// Lift-curve tables written as VFPPROD.
#include "flowmodel/vfp.hpp"

#include "flowmodel/option_error.hpp"
#include "flowmodel/outflow.hpp"
#include "flowmodel/unit_system.hpp"
#include "multilinear.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace flowmodel::vfp {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double det3(const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

std::string num(double v) { return deck_text(v); }

const char* flo_word(Flo f) { return f == Flo::Liquid ? "LIQ" : f == Flo::Oil ? "OIL" : "GAS"; }
const char* wfr_word(Wfr w) { return w == Wfr::WaterCut ? "WCT" : w == Wfr::WaterOil ? "WOR" : "WGR"; }
const char* gfr_word(Gfr g) { return g == Gfr::GasOil ? "GOR" : g == Gfr::GasLiquid ? "GLR" : "OGR"; }

}  // namespace

std::string deck_text(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

bool split_rates(Flo flo, Wfr wfr, Gfr gfr, double q, double w, double g, double& oil, double& water, double& gas) {
    // Three linear equations in (oil, water, gas): the rate, the water fraction, the gas fraction.
    double m[3][3] = {};
    double b[3] = {q, 0, 0};
    switch (flo) {
        case Flo::Liquid: m[0][0] = m[0][1] = 1; break;
        case Flo::Oil: m[0][0] = 1; break;
        case Flo::Gas: m[0][2] = 1; break;
    }
    switch (wfr) {
        case Wfr::WaterCut: m[1][0] = -w, m[1][1] = 1 - w; break;  // water = w (oil + water)
        case Wfr::WaterOil: m[1][0] = -w, m[1][1] = 1; break;      // water = w oil
        case Wfr::WaterGas: m[1][1] = 1, m[1][2] = -w; break;      // water = w gas
    }
    switch (gfr) {
        case Gfr::GasOil: m[2][0] = -g, m[2][2] = 1; break;           // gas = g oil
        case Gfr::GasLiquid: m[2][0] = m[2][1] = -g, m[2][2] = 1; break;  // gas = g (oil + water)
        case Gfr::OilGas: m[2][0] = 1, m[2][2] = -g; break;           // oil = g gas
    }
    const double d = det3(m);
    if (!(std::fabs(d) > 1e-12) || !(q >= 0) || !(w >= 0) || !(g >= 0) || (wfr == Wfr::WaterCut && !(w < 1 || (w == 1 && gfr == Gfr::GasLiquid && flo != Flo::Oil)))) {
        return false;
    }
    double x[3];
    for (int k = 0; k < 3; ++k) {
        double mk[3][3];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) mk[r][c] = c == k ? b[r] : m[r][c];
        }
        x[k] = det3(mk) / d;
    }
    oil = std::max(0.0, x[0]);
    water = std::max(0.0, x[1]);
    gas = std::max(0.0, x[2]);
    return x[0] > -1e-12 * q && x[1] > -1e-12 * q && x[2] > -1e-12 * q;
}

Line to_datum(const Line& well, double datum) {
    Line out;
    out.flow_decreasing = true;  // listed from the wellhead down, produced upward
    const double z0 = well.nodes.front().z;
    for (size_t i = 0; i < well.nodes.size(); ++i) {
        const LineNode& n = well.nodes[i];
        const double tvd = z0 - n.z;
        if (tvd < datum - 1e-9) {
            out.nodes.push_back(n);
            continue;
        }
        if (i == 0) throw OptionError("the datum depth must lie below the wellhead");
        const LineNode& a = well.nodes[i - 1];
        const double tvd_a = z0 - a.z;
        const double w = tvd > tvd_a ? (datum - tvd_a) / (tvd - tvd_a) : 1.0;
        LineNode d = n;
        d.md = a.md + w * (n.md - a.md);
        d.z = z0 - datum;
        d.temp = a.temp + w * (n.temp - a.temp);
        d.diam = a.diam;
        d.rough = a.rough;
        if (d.md > out.nodes.back().md) out.nodes.push_back(d);
        return out;
    }
    double deepest = 0;
    for (const LineNode& n : well.nodes) deepest = std::max(deepest, z0 - n.z);
    if (datum > deepest + 1e-6) {
        throw OptionError("the datum depth (" + num(datum) + " m) lies below the well's deepest station (" +
                                    num(deepest) + " m true vertical depth)");
    }
    return out;
}

namespace {

// Traverses computed at once: enough to keep every thread busy, few enough
// that their results stay small.
constexpr size_t kBlock = 2048;

// One block of entries on the parallel loop, their BHP into the table.
void compute_block(const Line& line, const std::vector<std::array<size_t, 5>>& where,
                   const std::vector<wells::OutflowCase>& cases, const TraverseOptions& options, unsigned jobs,
                   Result& res) {
    const wells::Outflow r = wells::bottom_hole_pressures(line, cases, options, jobs);
    res.evaluations += r.evaluations;
    wells::add_warnings(res.warnings, r.warnings);
    for (size_t k = 0; k < where.size(); ++k) {
        const auto& [t, w, g, a, f] = where[k];
        if (r.at[k].failure.empty()) {
            res.table.at(t, w, g, a, f) = r.at[k].bhp;
            const double th = r.at[k].wellhead_temp;
            if (std::isfinite(th)) {
                const bool first = res.wellhead_temps == 0;
                res.wellhead_temp_min = first ? th : std::min(res.wellhead_temp_min, th);
                res.wellhead_temp_max = first ? th : std::max(res.wellhead_temp_max, th);
                const double n = static_cast<double>(++res.wellhead_temps);
                res.wellhead_temp_mean = first ? th : res.wellhead_temp_mean + (th - res.wellhead_temp_mean) / n;
            }
        } else {
            res.failures.push_back({where[k], r.at[k].failure});
        }
    }
}

}  // namespace

bool lift_gas_of(Alq kind, double alq, double oil, double water, double gas, double& rate) {
    switch (kind) {
        case Alq::None: rate = 0; return true;
        case Alq::GasRate: rate = alq; return alq >= 0;
        case Alq::InjectedGlr: rate = alq * (oil + water); return alq >= 0;
        case Alq::TotalGlr: rate = alq * (oil + water) - gas; return rate >= 0;
    }
    return false;
}

Result compute(const Line& well, const blackoil::BlackOilInputs& fluid, const TraverseOptions& options, Table table,
               unsigned jobs, const LiftGas& lift) {
    Line line = to_datum(well, table.datum);
    // An injector's fluid flows down the well: from the wellhead, in listing order.
    if (table.injected != Injected::None) line.flow_decreasing = false;
    Result res;
    res.table = std::move(table);
    const Axes& a = res.table.axes;
    res.table.bhp.assign(a.thp.size() * a.wfr.size() * a.gfr.size() * a.alq.size() * a.flo.size(), kNaN);
    std::vector<std::array<size_t, 5>> where;
    std::vector<wells::OutflowCase> block;
    where.reserve(kBlock);
    block.reserve(kBlock);
    auto entry = [&](size_t t, size_t w, size_t g, size_t q, size_t f) {
        wells::OutflowCase c{fluid, a.thp[t]};
        if (res.table.injected != Injected::None) {
            wells::inject(res.table.injected, a.flo[f], c.fluid);
        } else if (!split_rates(res.table.flo, res.table.wfr, res.table.gfr, a.flo[f], a.wfr[w], a.gfr[g], c.fluid.oil_rate,
                         c.fluid.water_rate, c.fluid.gas_rate)) {
            res.failures.push_back({{t, w, g, q, f}, "the rate and the fractions do not hold together"});
            return;
        }
        if (res.table.alq != Alq::None) {
            c.lift = lift;
            if (!lift_gas_of(res.table.alq, a.alq[q], c.fluid.oil_rate, c.fluid.water_rate, c.fluid.gas_rate,
                             c.lift.rate)) {
                res.failures.push_back({{t, w, g, q, f}, "the total GLR is below the gas the well produces"});
                return;
            }
        }
        where.push_back({t, w, g, q, f});
        block.push_back(c);
        if (block.size() == kBlock) {
            compute_block(line, where, block, options, jobs, res);
            where.clear();
            block.clear();
        }
    };
    for (size_t t = 0; t < a.thp.size(); ++t) {
        for (size_t w = 0; w < a.wfr.size(); ++w) {
            for (size_t g = 0; g < a.gfr.size(); ++g) {
                for (size_t q = 0; q < a.alq.size(); ++q) {
                    for (size_t f = 0; f < a.flo.size(); ++f) entry(t, w, g, q, f);
                }
            }
        }
    }
    compute_block(line, where, block, options, jobs, res);
    std::sort(res.failures.begin(), res.failures.end(),
              [](const Failure& x, const Failure& y) { return x.index < y.index; });
    return res;
}

namespace {

// "THP 1, WFR 2, GFR 1, FLO 3", with "ALQ 2, " before FLO where the table has an ALQ axis.
std::string entry_name(const std::array<size_t, 5>& i, bool alq) {
    return "THP " + std::to_string(i[0] + 1) + ", WFR " + std::to_string(i[1] + 1) + ", GFR " +
           std::to_string(i[2] + 1) + (alq ? ", ALQ " + std::to_string(i[3] + 1) : std::string()) + ", FLO " +
           std::to_string(i[4] + 1);
}

// The filled value of rate f from the computed rates `known` (rising) of one
// record, or NaN where none is bounded; `from` says which rates it came from.
double bounded_fill(const std::vector<double>& flo, const std::vector<double>& bhp, const std::vector<size_t>& known,
                    size_t f, double floor, double ceiling, std::string& from) {
    if (known.size() < 2) return kNaN;
    const auto above = std::upper_bound(known.begin(), known.end(), f);
    size_t i = 0, j = 0;
    if (above != known.begin() && above != known.end()) {
        i = *(above - 1);  // between computed neighbours
        j = *above;
    } else if (above == known.end() && f == known.back() + 1) {
        i = known[known.size() - 2];  // one rate step beyond the highest
        j = known.back();
    } else if (above == known.begin() && f + 1 == known.front()) {
        i = known[0];  // one rate step below the lowest
        j = known[1];
    } else {
        return kNaN;
    }
    const double v = bhp[i] + (bhp[j] - bhp[i]) * (flo[f] - flo[i]) / (flo[j] - flo[i]);
    from = "filled from FLO " + std::to_string(i + 1) + " and " + std::to_string(j + 1);
    return v >= floor && v <= ceiling ? v : kNaN;
}

}  // namespace

bool fill_from_rates(Table& table, const std::vector<Failure>& failures, Fill how, double ceiling,
                     std::vector<std::string>& filled, std::string& error) {
    const std::vector<double>& flo = table.axes.flo;
    // Filled only from computed entries, never from filled ones.
    std::vector<bool> failed(table.bhp.size(), false);
    auto flat = [&](const std::array<size_t, 5>& i) { return table.index(i[0], i[1], i[2], i[3], i[4]); };
    const bool alq = table.alq != Alq::None;
    for (const Failure& fl : failures) failed[flat(fl.index)] = true;
    std::vector<std::pair<size_t, double>> values;  // written once all are known
    for (const Failure& fl : failures) {
        const auto [t, w, g, q, f] = fl.index;
        std::vector<size_t> known;
        std::vector<double> record(flo.size());
        for (size_t k = 0; k < flo.size(); ++k) {
            record[k] = table.at(t, w, g, q, k);
            if (!failed[flat({t, w, g, q, k})] && std::isfinite(record[k])) known.push_back(k);
        }
        std::string from;
        double v = bounded_fill(flo, record, known, f, table.axes.thp[t], ceiling, from);
        if (std::isnan(v) && how == Fill::Clamp && !known.empty()) {
            const double q = flo[f];
            const size_t near = *std::min_element(known.begin(), known.end(), [&flo, q](size_t x, size_t y) {
                return std::fabs(flo[x] - q) < std::fabs(flo[y] - q);
            });
            v = record[near];
            from = "clamped to FLO " + std::to_string(near + 1);
        }
        if (std::isnan(v)) {
            error = entry_name(fl.index, alq) + " (" + fl.message + ") cannot be filled: " +
                    (known.empty() ? "no rate of its record was computed"
                                   : "no computed rates on both sides or one rate step away give a value between "
                                     "the THP and the ceiling of " + num(ceiling) + " Pa") +
                    (how == Fill::Clamp ? "" : " ({fill} clamp takes the nearest computed rate's value)");
            return false;
        }
        values.emplace_back(flat(fl.index), v);
        // What was filled, its stop's quantities marked for each face (and the
        // table's comments) to write in its own units.
        filled.push_back(entry_name(fl.index, alq) + " " + from + " (" + fl.message + ")");
    }
    for (const auto& [k, v] : values) table.bhp[k] = v;
    return true;
}

namespace {

// What an axis (or the BHP, or the datum) of the table is, by its kind.
Dimension dimension_of(const std::string& what, Flo flo, Wfr wfr, Gfr gfr) {
    if (what == "flo") return flo == Flo::Gas ? Dimension::GasRate : Dimension::LiquidRate;
    if (what == "thp" || what == "bhp") return Dimension::Pressure;
    if (what == "datum") return Dimension::Length;
    if (what == "wfr") {
        return wfr == Wfr::WaterCut ? Dimension::Fraction : wfr == Wfr::WaterOil ? Dimension::LiquidRatio
                                                                                 : Dimension::LiquidGasRatio;
    }
    if (what == "gfr") return gfr == Gfr::OilGas ? Dimension::LiquidGasRatio : Dimension::GasRatio;
    return Dimension::None;
}

}  // namespace

UnitSystem deck_system(Units units) { return units == Units::Field ? UnitSystem::DeckField : UnitSystem::DeckMetric; }

double to_deck(Units units, const char* what, Flo flo, Wfr wfr, Gfr gfr, double si) {
    return to_system(deck_system(units), dimension_of(what, flo, wfr, gfr), si);
}

const char* deck_unit(Units units, const char* what, Flo flo, Wfr wfr, Gfr gfr) {
    return output_unit(deck_system(units), dimension_of(what, flo, wfr, gfr)).name;
}

const char* alq_word(Alq kind) {
    switch (kind) {
        case Alq::GasRate: return "GRAT";
        case Alq::InjectedGlr: return "IGLR";
        case Alq::TotalGlr: return "TGLR";
        default: return " ";
    }
}

namespace {

Dimension alq_dimension(Alq kind) {
    return kind == Alq::GasRate ? Dimension::GasRate : kind == Alq::None ? Dimension::None : Dimension::GasRatio;
}

}  // namespace

double alq_to_deck(Units units, Alq kind, double si) { return to_system(deck_system(units), alq_dimension(kind), si); }

const char* alq_unit(Units units, Alq kind) {
    return kind == Alq::None ? "none" : output_unit(deck_system(units), alq_dimension(kind)).name;
}

std::vector<std::string> check(const Table& table, Units units) {
    std::vector<std::string> out;
    const Axes& a = table.axes;
    const std::string unit = std::string(" ") + deck_unit(units, "bhp", table.flo, table.wfr, table.gfr);
    const bool alq = table.alq != Alq::None;
    for (size_t w = 0; w < a.wfr.size(); ++w) {
        for (size_t g = 0; g < a.gfr.size(); ++g) {
            for (size_t q = 0; q < a.alq.size(); ++q) {
                for (size_t f = 0; f < a.flo.size(); ++f) {
                    for (size_t t = 1; t < a.thp.size(); ++t) {
                        const double lo = table.at(t - 1, w, g, q, f), hi = table.at(t, w, g, q, f);
                        if (!(hi < lo)) continue;
                        out.push_back("BHP falls from " + num(to_deck(units, "bhp", table.flo, table.wfr, table.gfr, lo)) +
                                      " to " + num(to_deck(units, "bhp", table.flo, table.wfr, table.gfr, hi)) + unit +
                                      " as THP rises (THP " + std::to_string(t) + " to " + std::to_string(t + 1) +
                                      ", WFR " + std::to_string(w + 1) + ", GFR " + std::to_string(g + 1) +
                                      (alq ? ", ALQ " + std::to_string(q + 1) : std::string()) + ", FLO " +
                                      std::to_string(f + 1) + ")");
                    }
                }
            }
        }
    }
    return out;
}

namespace {

// A record of values in the deck's units, six to a line, ended by '/'.
std::string deck_values(const Table& table, Units units, const std::vector<double>& v, const char* what) {
    std::string line = " ";
    for (size_t i = 0; i < v.size(); ++i) {
        line += " " + num(to_deck(units, what, table.flo, table.wfr, table.gfr, v[i]));
        if (i % 6 == 5 && i + 1 < v.size()) line += "\n ";
    }
    return line + " /\n";
}

}  // namespace

std::string vfpprod(const Table& table, Units units, const std::vector<std::string>& comments) {
    const Axes& a = table.axes;
    const bool field = units == Units::Field;
    auto deck = [&](const char* what, double v) { return to_deck(units, what, table.flo, table.wfr, table.gfr, v); };
    std::string s;
    for (const std::string& c : comments) s += "-- " + c + "\n";
    auto values = [&](const std::vector<double>& v, const char* what) { return deck_values(table, units, v, what); };
    auto unit = [&](const char* what) { return std::string(deck_unit(units, what, table.flo, table.wfr, table.gfr)); };
    s += "VFPPROD\n";
    s += "-- table  datum depth (" + unit("datum") + ")  FLO  WFR  GFR  THP  ALQ  units  tabulated\n";
    s += "  " + std::to_string(table.number) + "  " + num(deck("datum", table.datum)) + "  '" + flo_word(table.flo) +
         "'  '" + wfr_word(table.wfr) + "'  '" + gfr_word(table.gfr) + "'  'THP'  '" + alq_word(table.alq) + "'  '" +
         (field ? "FIELD" : "METRIC") + "'  'BHP' /\n";
    s += "-- FLO (" + unit("flo") + ")\n" + values(a.flo, "flo");
    s += "-- THP (" + unit("thp") + ")\n" + values(a.thp, "thp");
    s += "-- WFR (" + unit("wfr") + ")\n" + values(a.wfr, "wfr");
    s += "-- GFR (" + unit("gfr") + ")\n" + values(a.gfr, "gfr");
    if (table.alq == Alq::None) {
        s += "-- ALQ (none)\n  0 /\n";
    } else {
        std::string line = " ";
        for (size_t i = 0; i < a.alq.size(); ++i) {
            line += " " + num(alq_to_deck(units, table.alq, a.alq[i]));
            if (i % 6 == 5 && i + 1 < a.alq.size()) line += "\n ";
        }
        s += "-- ALQ (" + std::string(alq_word(table.alq)) + ", " + alq_unit(units, table.alq) + ")\n" + line + " /\n";
    }
    s += "-- THP WFR GFR ALQ indices, then BHP (" + unit("bhp") + ") at each FLO\n";
    for (size_t t = 0; t < a.thp.size(); ++t) {
        for (size_t w = 0; w < a.wfr.size(); ++w) {
            for (size_t g = 0; g < a.gfr.size(); ++g) {
                for (size_t q = 0; q < a.alq.size(); ++q) {
                    std::vector<double> row;
                    for (size_t f = 0; f < a.flo.size(); ++f) row.push_back(table.at(t, w, g, q, f));
                    s += "  " + std::to_string(t + 1) + " " + std::to_string(w + 1) + " " + std::to_string(g + 1) + " " +
                         std::to_string(q + 1) + values(row, "bhp");
                }
            }
        }
    }
    return s;
}

std::string vfpinj(const Table& table, Units units, const std::vector<std::string>& comments) {
    const Axes& a = table.axes;
    auto deck = [&](const char* what, double v) { return to_deck(units, what, table.flo, table.wfr, table.gfr, v); };
    auto values = [&](const std::vector<double>& v, const char* what) { return deck_values(table, units, v, what); };
    auto unit = [&](const char* what) { return std::string(deck_unit(units, what, table.flo, table.wfr, table.gfr)); };
    const char* flo = table.injected == Injected::Water ? "WAT" : table.injected == Injected::Gas ? "GAS" : "OIL";
    std::string s;
    for (const std::string& c : comments) s += "-- " + c + "\n";
    s += "VFPINJ\n";
    s += "-- table  datum depth (" + unit("datum") + ")  FLO  THP  units  tabulated\n";
    s += "  " + std::to_string(table.number) + "  " + num(deck("datum", table.datum)) + "  '" + flo + "'  'THP'  '" +
         (units == Units::Field ? "FIELD" : "METRIC") + "'  'BHP' /\n";
    s += "-- FLO (" + unit("flo") + ")\n" + values(a.flo, "flo");
    s += "-- THP (" + unit("thp") + ")\n" + values(a.thp, "thp");
    s += "-- THP index, then BHP (" + unit("bhp") + ") at each FLO\n";
    for (size_t t = 0; t < a.thp.size(); ++t) {
        std::vector<double> row;
        for (size_t f = 0; f < a.flo.size(); ++f) row.push_back(table.at(t, 0, 0, 0, f));
        s += "  " + std::to_string(t + 1) + values(row, "bhp");
    }
    return s;
}

double interpolate(const Table& table, double flo, double thp, double wfr, double gfr, double alq) {
    const Axes& a = table.axes;
    return multilinear({&a.thp, &a.wfr, &a.gfr, &a.alq, &a.flo}, {thp, wfr, gfr, alq, flo},
                       [&table](size_t t, size_t w, size_t g, size_t q, size_t f) { return table.at(t, w, g, q, f); });
}

}  // namespace flowmodel::vfp
