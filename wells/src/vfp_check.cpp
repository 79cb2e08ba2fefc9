// The checks of a lift-curve table read from a deck: what a simulator would
// take without complaint but an engineer would not.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "flowmodel/vfp_deck.hpp"

namespace flowmodel::vfp {

namespace {

// A fall after a rise along FLO smaller than this share of the BHP is the
// rounding of the table, not a jump.
constexpr double kJumpShare = 1e-3;

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

// "THP 2, WFR 1, GFR 3, ALQ 1, FLO 4" for the named indices (1-based).
std::string place(const DeckTable& t, const std::array<size_t, 5>& w) {
    const bool prod = t.keyword == "VFPPROD";
    const char* names[5] = {"THP", "WFR", "GFR", "ALQ", "FLO"};
    std::string s;
    for (size_t k = 0; k < 5; ++k) {
        if (w[k] == 0 || (!prod && (k == 1 || k == 2 || k == 3))) continue;
        s += (s.empty() ? "" : ", ") + std::string(names[k]) + " " + std::to_string(w[k]);
    }
    return s;
}

// Calls f(t, w, g, a) for every combination of the first four axes.
template <class F>
void each_node(const DeckTable& t, F f) {
    for (size_t i = 0; i < t.thp_axis.size(); ++i)
        for (size_t w = 0; w < t.wfr_axis.size(); ++w)
            for (size_t g = 0; g < t.gfr_axis.size(); ++g)
                for (size_t a = 0; a < t.alq_axis.size(); ++a) f(i, w, g, a);
}

Check axes_increasing(const DeckTable& t) {
    Check c{"axes_increasing", true, {}};
    const std::pair<const char*, const std::vector<double>*> axes[] = {
        {"FLO", &t.flo_axis}, {"THP", &t.thp_axis}, {"WFR", &t.wfr_axis}, {"GFR", &t.gfr_axis}, {"ALQ", &t.alq_axis}};
    const size_t slot[] = {4, 0, 1, 2, 3};
    for (size_t k = 0; k < 5; ++k) {
        const std::vector<double>& v = *axes[k].second;
        for (size_t i = 1; i < v.size(); ++i) {
            if (v[i] > v[i - 1]) continue;
            Finding f;
            f.where[slot[k]] = i + 1;
            f.size = v[i];
            f.text = std::string(axes[k].first) + " value " + std::to_string(i + 1) + " (" + num(v[i]) +
                     ") is not above the one before it (" + num(v[i - 1]) + ")";
            c.found.push_back(f);
        }
    }
    return c;
}

Check bhp_given(const DeckTable& t) {
    Check c{"bhp_given", true, {}};
    size_t combo = 0;
    each_node(t, [&](size_t i, size_t w, size_t g, size_t a) {
        const bool given = t.given[combo++];
        if (!given) {
            c.found.push_back({{i + 1, w + 1, g + 1, a + 1, 0}, 0, "no record for " + place(t, {i + 1, w + 1, g + 1, a + 1, 0})});
            return;
        }
        for (size_t f = 0; f < t.flo_axis.size(); ++f) {
            const double v = t.at(i, w, g, a, f);
            if (std::isfinite(v)) continue;
            const std::array<size_t, 5> at{i + 1, w + 1, g + 1, a + 1, f + 1};
            c.found.push_back({at, v, std::string(std::isnan(v) ? "defaulted or missing" : "not finite") + " at " + place(t, at)});
        }
    });
    return c;
}

Check bhp_rises_with_thp(const DeckTable& t) {
    Check c{"bhp_rises_with_thp", true, {}};
    each_node(t, [&](size_t i, size_t w, size_t g, size_t a) {
        if (i == 0) return;
        for (size_t f = 0; f < t.flo_axis.size(); ++f) {
            const double lo = t.at(i - 1, w, g, a, f), hi = t.at(i, w, g, a, f);
            if (!(hi < lo)) continue;
            const std::array<size_t, 5> at{i + 1, w + 1, g + 1, a + 1, f + 1};
            c.found.push_back({at, lo - hi, "at " + place(t, at) + " the BHP " + num(hi) + " is below the " + num(lo) +
                                                " of THP " + std::to_string(i) + " (by " + num(lo - hi) + ")"});
        }
    });
    return c;
}

// A producer's BHP is above its THP; an injector's may fall below it where
// friction outweighs the column: noted, not failed.
Check bhp_above_thp(const DeckTable& t) {
    Check c{"bhp_above_thp", t.keyword == "VFPPROD", {}};
    each_node(t, [&](size_t i, size_t w, size_t g, size_t a) {
        for (size_t f = 0; f < t.flo_axis.size(); ++f) {
            const double v = t.at(i, w, g, a, f);
            if (!(v < t.thp_axis[i])) continue;
            const std::array<size_t, 5> at{i + 1, w + 1, g + 1, a + 1, f + 1};
            c.found.push_back({at, t.thp_axis[i] - v, "at " + place(t, at) + " the BHP " + num(v) + " is below its THP " + num(t.thp_axis[i])});
        }
    });
    return c;
}

Check bhp_along_flo(const DeckTable& t) {
    Check c{"bhp_along_flo", true, {}};
    each_node(t, [&](size_t i, size_t w, size_t g, size_t a) {
        bool rose = false;
        for (size_t f = 1; f < t.flo_axis.size(); ++f) {
            const double before = t.at(i, w, g, a, f - 1), v = t.at(i, w, g, a, f);
            if (!std::isfinite(before) || !std::isfinite(v)) continue;
            if (v > before) rose = true;
            if (rose && before - v > kJumpShare * before) {
                const std::array<size_t, 5> at{i + 1, w + 1, g + 1, a + 1, f + 1};
                c.found.push_back({at, before - v, "at " + place(t, at) + " the BHP falls to " + num(v) + " from " +
                                                       num(before) + " after rising along FLO"});
            }
        }
    });
    return c;
}

// Curves of neighbouring values of one axis (1: WFR, 2: GFR) that cross: the
// difference between them changes sign along FLO.
Check curves_cross(const DeckTable& t, size_t axis, const char* name) {
    Check c{name, false, {}};
    const size_t n = axis == 1 ? t.wfr_axis.size() : t.gfr_axis.size();
    each_node(t, [&](size_t i, size_t w, size_t g, size_t a) {
        const size_t k = axis == 1 ? w : g;
        if (k + 1 >= n) return;
        int sign = 0;
        for (size_t f = 0; f < t.flo_axis.size(); ++f) {
            const double here = t.at(i, w, g, a, f);
            const double next = axis == 1 ? t.at(i, w + 1, g, a, f) : t.at(i, w, g + 1, a, f);
            if (!std::isfinite(here) || !std::isfinite(next) || next == here) continue;
            const int s = next > here ? 1 : -1;
            if (sign != 0 && s != sign) {
                const std::array<size_t, 5> at{i + 1, w + 1, g + 1, a + 1, f + 1};
                c.found.push_back({at, next - here, std::string(axis == 1 ? "WFR " : "GFR ") + std::to_string(k + 1) +
                                                        " and " + std::to_string(k + 2) + " cross before " + place(t, at)});
                break;
            }
            sign = s;
        }
    });
    return c;
}

}  // namespace

std::vector<Check> check_table(const DeckTable& t) {
    std::vector<Check> out{axes_increasing(t), bhp_given(t)};
    if (t.quantity != "BHP") return out;
    out.push_back(bhp_rises_with_thp(t));
    out.push_back(bhp_above_thp(t));
    out.push_back(bhp_along_flo(t));
    if (t.keyword == "VFPPROD") {
        out.push_back(curves_cross(t, 1, "wfr_curves_cross"));
        out.push_back(curves_cross(t, 2, "gfr_curves_cross"));
    }
    return out;
}

}  // namespace flowmodel::vfp
