#include "flowmodel/loading.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "flowmodel/constants.hpp"

namespace flowmodel {

namespace {

// Turner et al.'s drop: critical Weber number and drag coefficient.
constexpr double kWeber = 30;
constexpr double kDrag = 0.44;
constexpr double kTurnerAdjustment = 1.2;  // their 20 % over the derived velocity

// The critical velocity at a point: none where it carries no liquid (a dry
// gas has nothing to load up with).
double point_critical_velocity(LoadingCriterion c, const TraversePoint& p) {
    return p.usl > 0 ? critical_gas_velocity(c, p.rol, p.rog, p.sigma) : 0.0;
}

// The gas velocity's excess over the critical one at a point, m/s: negative
// where the gas no longer carries the liquid's drops.
double margin(LoadingCriterion c, const TraversePoint& p) { return p.usg - point_critical_velocity(c, p); }

}  // namespace

const char* loading_criterion_name(LoadingCriterion c) {
    switch (c) {
        case LoadingCriterion::Turner: return "turner";
        case LoadingCriterion::Coleman: return "coleman";
        default: return "";
    }
}

double critical_gas_velocity(LoadingCriterion c, double rho_l, double rho_g, double sigma) {
    if (c == LoadingCriterion::None || !(rho_l > rho_g) || !(rho_g > 0) || !(sigma > 0)) return 0;
    const double g = constant::kStandardGravity;
    const double v = std::pow(4 * kWeber * g * sigma * (rho_l - rho_g) / (3 * kDrag * rho_g * rho_g), 0.25);
    return c == LoadingCriterion::Turner ? kTurnerAdjustment * v : v;
}

double critical_gas_rate(LoadingCriterion c, const TraversePoint& p, double rho_gas_sc) {
    if (!(p.rog > 0) || !(rho_gas_sc > 0)) return std::numeric_limits<double>::quiet_NaN();
    const double area = constant::kPi * p.diam * p.diam / 4;
    return point_critical_velocity(c, p) * area * p.rog / rho_gas_sc;
}

void assess_loading(LoadingCriterion c, const std::vector<TraversePoint>& points, double rho_gas_sc,
                    TraverseSummary& summary) {
    summary.loading = c;
    summary.loading_stretches.clear();
    if (c == LoadingCriterion::None || points.empty()) return;
    std::vector<TraversePoint> by_md(points);
    std::sort(by_md.begin(), by_md.end(), [](const TraversePoint& a, const TraversePoint& b) { return a.md < b.md; });
    // The wellhead is the outlet, the end highest up; an end the march did not
    // reach (its pressure NaN) has no rate.
    const bool top_first = by_md.front().z >= by_md.back().z;
    const TraversePoint& top = top_first ? by_md.front() : by_md.back();
    const TraversePoint& bottom = top_first ? by_md.back() : by_md.front();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    summary.critical_gas_rate_wellhead = std::isfinite(summary.outlet_pres) ? critical_gas_rate(c, top, rho_gas_sc) : nan;
    summary.critical_gas_rate_bottom = std::isfinite(summary.inlet_pres) ? critical_gas_rate(c, bottom, rho_gas_sc) : nan;
    // Stretches where the margin is negative, their ends located linearly
    // between the points on either side of a change of sign.
    double start = nan;
    for (std::size_t i = 0; i < by_md.size(); ++i) {
        const double m = margin(c, by_md[i]);
        const bool slow = m < 0;
        if (i == 0) {
            if (slow) start = by_md[0].md;
            continue;
        }
        const double before = margin(c, by_md[i - 1]);
        if ((before < 0) == slow) continue;
        const double w = before / (before - m);
        const double at = by_md[i - 1].md + w * (by_md[i].md - by_md[i - 1].md);
        if (slow) {
            start = at;
        } else {
            summary.loading_stretches.push_back({start, at});
        }
    }
    if (margin(c, by_md.back()) < 0) summary.loading_stretches.push_back({start, by_md.back().md});
}

}  // namespace flowmodel
