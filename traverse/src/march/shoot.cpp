// The inlet pressure that makes a march from the inlet meet the outlet's.
#include "march/shoot.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace flowmodel::march {

namespace {

// A march from the inlet that stopped short of the outlet for want of
// pressure: a higher inlet pressure is needed.
bool short_of_pressure(const TraverseSummary& s) {
    return s.stop_reason == StopReason::LowPressure || s.stop_reason == StopReason::CriticalFlow ||
           s.stop_reason == StopReason::NoModelAnswer || s.stop_reason == StopReason::NoFluidState;
}

}  // namespace

TraverseResult shoot_inlet_pressure(const TraverseOptions& opt, double guess, long evaluations, double inlet_md,
                                    const std::function<TraverseResult(double)>& from_inlet) {
    const double target = opt.pres, close_enough = opt.tol;  // the march itself is good to tol per segment
    // g(p_in) = p_out - target; -inf where the march fell short of the outlet.
    auto attempt = [&](double p_in, TraverseResult& r) {
        r = from_inlet(p_in);
        evaluations += r.summary.evaluations;
        if (r.summary.complete) return r.summary.outlet_pres - target;
        return short_of_pressure(r.summary) ? -std::numeric_limits<double>::infinity()
                                            : std::numeric_limits<double>::quiet_NaN();
    };
    auto finish = [&](TraverseResult r) {
        r.summary.evaluations = evaluations;
        std::reverse(r.points.begin(), r.points.end());
        return r;
    };
    TraverseResult r;
    double p = guess;
    double g = attempt(p, r);
    if (std::isnan(g)) return finish(r);  // interrupted, or out of evaluations
    double lo = 0, g_lo = -std::numeric_limits<double>::infinity(), hi = 0, g_hi = 0;
    bool have_lo = false, have_hi = false;
    TraverseResult r_hi;
    // Until the root is bracketed: secant steps (the outlet's pressure moves
    // by a fraction of the inlet's where gas expands on the way), taken a
    // little beyond the root so that the next one brackets it.
    double p_prev = 0, g_prev = 0, slope = 0.4;  // a gassy well's; a liquid's 1 is then overshot, which brackets it
    for (int k = 0; k < 60; ++k) {
        if (std::fabs(g) <= close_enough) return finish(r);
        if (std::isfinite(g) && std::isfinite(g_prev) && k > 0 && p != p_prev && (g - g_prev) / (p - p_prev) > 0) {
            slope = std::min(20.0, std::max(0.05, (g - g_prev) / (p - p_prev)));
        }
        p_prev = p, g_prev = g;
        if (g > 0) {
            hi = p, g_hi = g, have_hi = true, r_hi = r;
            if (have_lo || hi <= 100.0) break;
            p = std::max(100.0, p - std::max(1.05 * g / slope, 1e-4 * p));
        } else {
            lo = p, g_lo = g, have_lo = true;
            if (have_hi || p >= opt.max_pres) break;
            p = std::min(opt.max_pres, p + (std::isinf(g) ? 0.5 * p : std::max(1.05 * -g / slope, 1e-4 * p)));
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
    if (!have_lo) return finish(r_hi);  // at 100 Pa it still arrives above the outlet's pressure
    // Regula falsi (Illinois) between lo and hi; bisection while g_lo is -inf.
    int side = 0;
    for (int k = 0; k < 100; ++k) {
        p = std::isinf(g_lo) ? 0.5 * (lo + hi) : hi - g_hi * (hi - lo) / (g_hi - g_lo);
        if (!(p > lo && p < hi)) p = 0.5 * (lo + hi);
        g = attempt(p, r);
        if (std::isnan(g) || std::fabs(g) <= close_enough || hi - lo <= 1e-12 * hi) return finish(r);
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
    return finish(r);
}


}  // namespace flowmodel::march
