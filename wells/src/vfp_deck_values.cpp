// What a table read from a deck gives between and beyond its nodes, as the
// simulator reads it: the BHP at a point, and the THP that gives a BHP.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "flowmodel/vfp_deck.hpp"
#include "multilinear.hpp"

namespace flowmodel::vfp {

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

}  // namespace flowmodel::vfp
