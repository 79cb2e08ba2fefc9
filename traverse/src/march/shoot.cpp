// The inlet pressure that makes a march from the inlet meet the outlet's.
#include "march/shoot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <limits>

namespace flowmodel::march {

namespace {

// A march from the inlet that stopped short of the outlet for want of
// pressure: a higher inlet pressure is needed.
bool short_of_pressure(const TraverseSummary& s) {
    return s.stop_reason == StopReason::LowPressure || s.stop_reason == StopReason::CriticalFlow ||
           s.stop_reason == StopReason::NoModelAnswer || s.stop_reason == StopReason::NoFluidState ||
           s.stop_reason == StopReason::Budget;
}

}  // namespace

TraverseResult shoot_inlet_pressure(const TraverseOptions& opt, double guess, long evaluations, double inlet_md,
                                    const std::function<TraverseResult(double, long)>& from_inlet,
                                    double response) {
    // The march holds its error to tol per step, so the pressure at its far
    // end is good to tol times its steps at worst, marched from either end,
    // and to about tol times their square root where the steps' errors
    // fall either way, as they do. The outlet is sought within the latter;
    // where the march's own error makes its outlet jump by more between
    // inlet pressures that close, the closest march within the former is
    // the answer. How far it is from the pressure given is in the summary.
    const double target = opt.pres;
    auto sought = [&](const TraverseSummary& s) { return opt.tol * std::sqrt(static_cast<double>(std::max(1L, s.steps))); };
    auto tolerance_of = [&](const TraverseSummary& s) {
        return opt.tol * static_cast<double>(std::max(1L, s.steps));
    };
    // The march that came closest to the outlet's pressure, and by how much.
    TraverseResult best;
    double best_miss = std::numeric_limits<double>::infinity();
    // g(p_in) = p_out - target; -inf where the march fell short of the outlet.
    // A trial march that spends twenty times what a completed one did is
    // grinding towards choked flow short of the outlet: it is cut off there
    // (a budget stop counts as short of pressure) instead of spending the
    // line's whole budget.
    long budget = 0;
    auto attempt = [&](double p_in, TraverseResult& r) {
        r = from_inlet(p_in, budget);
        if (r.summary.complete && budget == 0) budget = std::max(20000L, 20 * r.summary.evaluations);
        evaluations += r.summary.evaluations;
        if (!r.summary.complete) {
            return short_of_pressure(r.summary) ? -std::numeric_limits<double>::infinity()
                                                : std::numeric_limits<double>::quiet_NaN();
        }
        const double g = r.summary.outlet_pres - target;
        if (std::fabs(g) < best_miss) best_miss = std::fabs(g), best = r;
        return g;
    };
    auto finish = [&](TraverseResult r) {
        r.summary.evaluations = evaluations;
        if (r.summary.complete) r.summary.outlet_miss = std::fabs(r.summary.outlet_pres - target);
        std::reverse(r.points.begin(), r.points.end());
        return r;
    };
    // No inlet pressure met the outlet's within tol: the closest march, said
    // incomplete with how near it came (never a complete result beyond tol).
    auto not_met = [&](const std::string& why) {
        TraverseResult out = finish(std::isfinite(best_miss) ? best : TraverseResult{});
        TraverseSummary& s = out.summary;
        char buf[200];
        std::snprintf(buf, sizeof buf, "no inlet pressure marches to the outlet's within {tol} per step of the march: "
                      "the closest missed it by %.3g Pa; ", best_miss);
        s.complete = false;
        s.stop_reason = StopReason::OutletNotMet;
        s.message = buf + why;
        s.stop_md = inlet_md;
        s.stop_pres = s.inlet_pres;
        s.inlet_pres = s.outlet_pres = std::numeric_limits<double>::quiet_NaN();
        out.points.clear();
        return out;
    };
    TraverseResult r;
    double p = guess;
    double g = attempt(p, r);
    if (std::isnan(g)) return finish(r);  // interrupted, or out of evaluations
    double lo = 0, g_lo = -std::numeric_limits<double>::infinity(), hi = 0, g_hi = 0;
    bool have_lo = false, have_hi = false;
    // Until the root is bracketed: secant steps (the outlet's pressure moves
    // by a fraction of the inlet's where gas expands on the way), the first
    // taken a little beyond the root (its slope only estimated), each at
    // least what moves the outlet by the tolerance sought.
    // The first slope: the response estimated from the march against the
    // flow, or a gassy well's 0.4 (a liquid's 1 is then overshot, which brackets it).
    double p_prev = 0, g_prev = 0, slope = response > 0 ? response : 0.4;
    // Better: the same estimate from the first march with the energy balance
    // (its points from the inlet on: the outlet's gradient last).
    if (r.summary.complete && r.points.size() >= 2 && std::fabs(r.points.front().dpt) > 0) {
        slope = std::clamp(std::fabs(r.points.back().dpt) / std::fabs(r.points.front().dpt), 0.05, 20.0);
    }
    for (int k = 0; k < 60; ++k) {
        if (std::fabs(g) <= sought(r.summary)) return finish(r);
        if (std::isfinite(g) && std::isfinite(g_prev) && k > 0 && p != p_prev && (g - g_prev) / (p - p_prev) > 0) {
            slope = std::min(20.0, std::max(0.05, (g - g_prev) / (p - p_prev)));
        }
        p_prev = p, g_prev = g;
        const double beyond = k == 0 ? 1.05 : 1.0, least = sought(r.summary) / slope;
        if (g > 0) {
            hi = p, g_hi = g, have_hi = true;
            if (have_lo || hi <= 100.0) break;
            p = std::max(100.0, p - std::max(beyond * g / slope, least));
        } else {
            lo = p, g_lo = g, have_lo = true;
            if (have_hi || p >= opt.max_pres) break;
            p = std::min(opt.max_pres, p + (std::isinf(g) ? 0.5 * p : std::max(beyond * -g / slope, least)));
        }
        g = attempt(p, r);
        if (std::isnan(g)) return finish(r);
    }
    if (!have_hi) {
        // Even the most pressure allowed does not reach the outlet's.
        TraverseResult out = finish(r);
        TraverseSummary& s = out.summary;
        s.complete = false;
        s.stop_reason = StopReason::MaxPressure;
        s.message = above_max_pres(opt.max_pres, inlet_md).why;
        s.inlet_pres = s.outlet_pres = std::numeric_limits<double>::quiet_NaN();
        s.stop_md = inlet_md;
        s.stop_pres = opt.max_pres;
        // The points were of a guessed inlet pressure, none of them an answer.
        out.points.clear();
        return out;
    }
    if (!have_lo) return not_met("even the least inlet pressure (100 Pa) arrives above it");
    // Regula falsi (Illinois) between lo and hi; bisection while g_lo is -inf.
    int side = 0;
    for (int k = 0; k < 100; ++k) {
        p = std::isinf(g_lo) ? 0.5 * (lo + hi) : hi - g_hi * (hi - lo) / (g_hi - g_lo);
        if (!(p > lo && p < hi)) p = 0.5 * (lo + hi);
        g = attempt(p, r);
        if (std::isnan(g)) return finish(r);
        if (std::fabs(g) <= sought(r.summary)) return finish(r);
        // Narrowed to inlet pressures the march's own error cannot tell
        // apart (its outlet known to tol per step): the closest is the answer.
        if (hi - lo <= std::max(1e-12 * hi, sought(best.summary))) {
            if (best_miss <= tolerance_of(best.summary)) return finish(best);
            return not_met("the march's outlet pressure jumps by more than its error allows between inlet pressures "
                           "that close");
        }
        if (g > 0) {
            hi = p, g_hi = g;
            if (side == 1 && !std::isinf(g_lo)) g_lo *= 0.5;
            side = 1;
        } else {
            lo = p, g_lo = g;
            if (side == -1) g_hi *= 0.5;
            side = -1;
        }
    }
    return not_met("the search did not converge");
}


double outlet_response(const TraverseResult& against_flow) {
    const std::vector<TraversePoint>& pts = against_flow.points;
    if (!against_flow.summary.complete || pts.size() < 2) return 0;
    const double out = std::fabs(pts.front().dpt), in = std::fabs(pts.back().dpt);
    if (!(out > 0 && in > 0)) return 0;
    return std::clamp(out / in, 0.05, 20.0);
}


}  // namespace flowmodel::march
