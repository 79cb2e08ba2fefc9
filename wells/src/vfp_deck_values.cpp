// What a table read from a deck gives between and beyond its nodes, as the
// simulator reads it: the BHP at a point, and the THP that gives a BHP.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "flowmodel/vfp_deck.hpp"
#include "multilinear.hpp"

namespace flowmodel::vfp {

const DeckTable* find_table(const std::vector<DeckTable>& tables, int number) {
    if (number == 0) return tables.size() == 1 ? &tables.front() : nullptr;
    for (const DeckTable& t : tables) {
        if (t.number == number) return &t;
    }
    return nullptr;
}

bool axes_rise(const DeckTable& t) {
    for (const std::vector<double>* axis : {&t.flo_axis, &t.thp_axis, &t.wfr_axis, &t.gfr_axis, &t.alq_axis}) {
        for (size_t i = 1; i < axis->size(); ++i) {
            if (!((*axis)[i] > (*axis)[i - 1])) return false;
        }
    }
    return true;
}

double value_at(const DeckTable& t, const DeckPoint& at, std::vector<std::string>* beyond) {
    if (beyond) {
        const std::pair<const char*, std::pair<const std::vector<double>*, double>> axes[] = {
            {"FLO", {&t.flo_axis, at.flo}}, {"THP", {&t.thp_axis, at.thp}}, {"WFR", {&t.wfr_axis, at.wfr}},
            {"GFR", {&t.gfr_axis, at.gfr}}, {"ALQ", {&t.alq_axis, at.alq}}};
        for (const auto& [name, axis] : axes) {
            const std::vector<double>& v = *axis.first;
            if (axis.second < v.front() || axis.second > v.back()) beyond->push_back(name);
        }
    }
    return multilinear({&t.thp_axis, &t.wfr_axis, &t.gfr_axis, &t.alq_axis, &t.flo_axis},
                       {at.thp, at.wfr, at.gfr, at.alq, at.flo},
                       [&t](size_t i, size_t w, size_t g, size_t a, size_t f) { return t.at(i, w, g, a, f); });
}

double thp_for(const DeckTable& t, const DeckPoint& at, double bhp) {
    const double none = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double>& thp = t.thp_axis;
    std::vector<double> b;  // the BHP at each THP node, the other axes at `at`
    for (double p : thp) {
        DeckPoint q = at;
        q.thp = p;
        b.push_back(value_at(t, q));
    }
    if (thp.size() < 2) return b[0] == bhp ? thp[0] : none;
    // Within the axis: the first segment that holds it.
    for (size_t i = 0; i + 1 < thp.size(); ++i) {
        if ((b[i] - bhp) * (b[i + 1] - bhp) <= 0 && b[i + 1] != b[i]) {
            return thp[i] + (bhp - b[i]) / (b[i + 1] - b[i]) * (thp[i + 1] - thp[i]);
        }
    }
    // Beyond it: the end segment on its side, where it rises.
    const size_t n = thp.size();
    const bool below = bhp < b[0];
    const size_t i = below ? 0 : n - 2;
    if (!(b[i + 1] > b[i])) return none;
    if (below != (bhp < b[i])) return none;
    return thp[i] + (bhp - b[i]) / (b[i + 1] - b[i]) * (thp[i + 1] - thp[i]);
}

namespace {

// The nodes of both axes within the range both cover, rising.
std::vector<double> common_nodes(const std::vector<double>& a, const std::vector<double>& b) {
    const double lo = std::max(a.front(), b.front()), hi = std::min(a.back(), b.back());
    std::vector<double> out;
    for (const std::vector<double>* axis : {&a, &b}) {
        for (double v : *axis) {
            if (v >= lo && v <= hi) out.push_back(v);
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Why two tables cannot be compared, or "".
std::string incomparable(const DeckTable& a, const DeckTable& b) {
    if (a.keyword != b.keyword) return "one is " + a.keyword + ", the other " + b.keyword;
    if (a.units != b.units) return "one is in " + a.units + " units, the other in " + b.units;
    if (a.quantity != b.quantity) return "one tabulates " + a.quantity + ", the other " + b.quantity;
    if (a.flo != b.flo || a.wfr != b.wfr || a.gfr != b.gfr || a.alq != b.alq) {
        return "their axes are of other kinds (FLO " + a.flo + " and " + b.flo + ", WFR " + a.wfr + " and " + b.wfr +
               ", GFR " + a.gfr + " and " + b.gfr + ", ALQ '" + a.alq + "' and '" + b.alq + "')";
    }
    if (!axes_rise(a) || !axes_rise(b)) return "an axis of one of them does not rise";
    return "";
}

}  // namespace

Comparison compare_tables(const DeckTable& a, const DeckTable& b) {
    Comparison c;
    c.refused = incomparable(a, b);
    if (!c.refused.empty()) return c;
    c.flo = common_nodes(a.flo_axis, b.flo_axis);
    c.thp = common_nodes(a.thp_axis, b.thp_axis);
    c.wfr = common_nodes(a.wfr_axis, b.wfr_axis);
    c.gfr = common_nodes(a.gfr_axis, b.gfr_axis);
    c.alq = common_nodes(a.alq_axis, b.alq_axis);
    if (c.flo.empty() || c.thp.empty() || c.wfr.empty() || c.gfr.empty() || c.alq.empty()) {
        c.refused = "their axes have no range in common";
        return c;
    }
    for (double q : c.flo)
        for (double p : c.thp)
            for (double w : c.wfr)
                for (double g : c.gfr)
                    for (double l : c.alq) {
                        const DeckPoint at{q, p, w, g, l};
                        const double d = value_at(b, at) - value_at(a, at);
                        if (!std::isfinite(d)) continue;  // a defaulted value on either side
                        ++c.points;
                        c.mean += d;
                        c.mean_abs += std::fabs(d);
                        if (std::fabs(d) > std::fabs(c.largest) || c.points == 1) {
                            c.largest = d;
                            c.where = at;
                        }
                    }
    if (c.points > 0) {
        c.mean /= static_cast<double>(c.points);
        c.mean_abs /= static_cast<double>(c.points);
    }
    return c;
}

}  // namespace flowmodel::vfp
