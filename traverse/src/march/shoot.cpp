// The inlet pressure that makes a march from the inlet meet the outlet's.
#include "march/shoot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <limits>
#include <optional>
#include <utility>

namespace flowmodel::march {

namespace {

// A march from the inlet that stopped short of the outlet for want of
// pressure: a higher inlet pressure is needed.
bool short_of_pressure(const TraverseSummary& s) {
    return s.stop_reason == StopReason::LowPressure || s.stop_reason == StopReason::CriticalFlow ||
           s.stop_reason == StopReason::NoModelAnswer || s.stop_reason == StopReason::NoFluidState ||
           s.stop_reason == StopReason::Budget;
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The search's state: the trials made, the closest to the outlet's pressure,
// the evaluations spent.
//
// The march holds its error to tol per step, so the pressure at its far end
// is good to tol times its steps at worst, marched from either end, and to
// about tol times their square root where the steps' errors fall either way,
// as they do. The outlet is sought within the latter; where the march's own
// error makes its outlet jump by more between inlet pressures that close,
// the closest march within the former is the answer. How far it is from the
// pressure given is in the summary.
class Shooting {
public:
    Shooting(const TraverseOptions& opt, long evaluations, double inlet_md,
             const std::function<TraverseResult(double, long)>& from_inlet)
        : opt_(opt), target_(opt.pres), inlet_md_(inlet_md), evaluations_(evaluations), from_inlet_(from_inlet) {}

    double sought(const TraverseSummary& s) const {
        return opt_.tol * std::sqrt(static_cast<double>(std::max(1L, s.steps)));
    }
    double tolerance_of(const TraverseSummary& s) const { return opt_.tol * static_cast<double>(std::max(1L, s.steps)); }

    // g(p_in) = p_out - target; -inf where the march fell short of the
    // outlet, NaN where it stopped for another reason (interrupted, out of
    // evaluations). A trial march that spends twenty times what a completed
    // one did is grinding towards choked flow short of the outlet: it is cut
    // off there (a budget stop counts as short of pressure) instead of
    // spending the line's whole budget.
    double attempt(double p_in, TraverseResult& r) {
        r = from_inlet_(p_in, budget_);
        if (r.summary.complete && budget_ == 0) budget_ = std::max(20000L, 20 * r.summary.evaluations);
        evaluations_ += r.summary.evaluations;
        if (!r.summary.complete) return short_of_pressure(r.summary) ? -kInf : kNaN;
        const double g = r.summary.outlet_pres - target_;
        if (std::fabs(g) < best_miss_) best_miss_ = std::fabs(g), best_ = r;
        return g;
    }

    // The answer: the evaluations of every trial, listed from the outlet.
    TraverseResult finish(TraverseResult r) const {
        r.summary.evaluations = evaluations_;
        if (r.summary.complete) r.summary.outlet_miss = std::fabs(r.summary.outlet_pres - target_);
        std::reverse(r.points.begin(), r.points.end());
        return r;
    }
    TraverseResult finish_best() const { return finish(best_); }
    bool best_within_tolerance() const { return best_miss_ <= tolerance_of(best_.summary); }
    double sought_of_best() const { return sought(best_.summary); }

    // No inlet pressure met the outlet's within tol: the closest march, said
    // incomplete with how near it came (never a complete result beyond tol).
    TraverseResult not_met(const std::string& why) const {
        TraverseResult out = finish(std::isfinite(best_miss_) ? best_ : TraverseResult{});
        TraverseSummary& s = out.summary;
        char buf[200];
        std::snprintf(buf, sizeof buf, "no inlet pressure marches to the outlet's within {tol} per step of the march: "
                      "the closest missed it by %.3g Pa; ", best_miss_);
        s.complete = false;
        s.stop_reason = StopReason::OutletNotMet;
        s.message = buf + why;
        s.stop_md = inlet_md_;
        s.stop_pres = s.inlet_pres;
        s.inlet_pres = s.outlet_pres = kNaN;
        out.points.clear();
        return out;
    }

    // Even the most pressure allowed does not reach the outlet's.
    TraverseResult above_max(const TraverseResult& last) const {
        TraverseResult out = finish(last);
        TraverseSummary& s = out.summary;
        s.complete = false;
        s.stop_reason = StopReason::MaxPressure;
        s.message = above_max_pres(opt_.max_pres, inlet_md_).why;
        s.inlet_pres = s.outlet_pres = kNaN;
        s.stop_md = inlet_md_;
        s.stop_pres = opt_.max_pres;
        // The points were of a guessed inlet pressure, none of them an answer.
        out.points.clear();
        return out;
    }

    const TraverseOptions& opt() const { return opt_; }

private:
    const TraverseOptions& opt_;
    double target_, inlet_md_;
    long evaluations_;
    const std::function<TraverseResult(double, long)>& from_inlet_;
    long budget_ = 0;
    TraverseResult best_;  // the march that came closest to the outlet's pressure
    double best_miss_ = kInf;
};

// A root of g between lo (g_lo < 0, -inf where short of pressure) and hi
// (g_hi > 0).
struct Bracket {
    double lo = 0, g_lo = -kInf, hi = 0, g_hi = 0;
    bool have_lo = false, have_hi = false;
};

// Until the root is bracketed: secant steps (the outlet's pressure moves by
// a fraction of the inlet's where gas expands on the way), the first taken a
// little beyond the root (its slope only estimated), each at least what moves
// the outlet by the tolerance sought. Returns the answer where a trial meets
// the outlet or stops the search; else fills `b` (and `r`, `g` with the last
// trial).
std::optional<TraverseResult> bracket(Shooting& s, double p, double g, double slope, TraverseResult& r, Bracket& b) {
    double p_prev = 0, g_prev = 0;
    for (int k = 0; k < 60; ++k) {
        if (std::fabs(g) <= s.sought(r.summary)) return s.finish(r);
        if (std::isfinite(g) && std::isfinite(g_prev) && k > 0 && p != p_prev && (g - g_prev) / (p - p_prev) > 0) {
            slope = std::min(20.0, std::max(0.05, (g - g_prev) / (p - p_prev)));
        }
        p_prev = p, g_prev = g;
        const double beyond = k == 0 ? 1.05 : 1.0, least = s.sought(r.summary) / slope;
        if (g > 0) {
            b.hi = p, b.g_hi = g, b.have_hi = true;
            if (b.have_lo || b.hi <= 100.0) break;
            p = std::max(100.0, p - std::max(beyond * g / slope, least));
        } else {
            b.lo = p, b.g_lo = g, b.have_lo = true;
            if (b.have_hi || p >= s.opt().max_pres) break;
            p = std::min(s.opt().max_pres, p + (std::isinf(g) ? 0.5 * p : std::max(beyond * -g / slope, least)));
        }
        g = s.attempt(p, r);
        if (std::isnan(g)) return s.finish(r);
    }
    return std::nullopt;
}

// Regula falsi (Illinois) between lo and hi; bisection while g_lo is -inf.
TraverseResult refine(Shooting& s, Bracket b, TraverseResult& r) {
    int side = 0;
    for (int k = 0; k < 100; ++k) {
        double p = std::isinf(b.g_lo) ? 0.5 * (b.lo + b.hi) : b.hi - b.g_hi * (b.hi - b.lo) / (b.g_hi - b.g_lo);
        if (!(p > b.lo && p < b.hi)) p = 0.5 * (b.lo + b.hi);
        const double g = s.attempt(p, r);
        if (std::isnan(g)) return s.finish(r);
        if (std::fabs(g) <= s.sought(r.summary)) return s.finish(r);
        // Narrowed to inlet pressures the march's own error cannot tell
        // apart (its outlet known to tol per step): the closest is the answer.
        if (b.hi - b.lo <= std::max(1e-12 * b.hi, s.sought_of_best())) {
            if (s.best_within_tolerance()) return s.finish_best();
            return s.not_met("the march's outlet pressure jumps by more than its error allows between inlet pressures "
                             "that close");
        }
        if (g > 0) {
            b.hi = p, b.g_hi = g;
            if (side == 1 && !std::isinf(b.g_lo)) b.g_lo *= 0.5;
            side = 1;
        } else {
            b.lo = p, b.g_lo = g;
            if (side == -1) b.g_hi *= 0.5;
            side = -1;
        }
    }
    return s.not_met("the search did not converge");
}

}  // namespace

TraverseResult shoot_inlet_pressure(const TraverseOptions& opt, double guess, long evaluations, double inlet_md,
                                    const std::function<TraverseResult(double, long)>& from_inlet,
                                    double response) {
    Shooting s(opt, evaluations, inlet_md, from_inlet);
    TraverseResult r;
    const double g = s.attempt(guess, r);
    if (std::isnan(g)) return s.finish(r);  // interrupted, or out of evaluations
    // The first slope: the response estimated from the march against the
    // flow, or a gassy well's 0.4 (a liquid's 1 is then overshot, which
    // brackets it). Better: the same estimate from the first march with the
    // energy balance (its points from the inlet on: the outlet's gradient last).
    double slope = response > 0 ? response : 0.4;
    if (r.summary.complete && r.points.size() >= 2 && std::fabs(r.points.front().dpt) > 0) {
        slope = std::clamp(std::fabs(r.points.back().dpt) / std::fabs(r.points.front().dpt), 0.05, 20.0);
    }
    Bracket b;
    if (std::optional<TraverseResult> done = bracket(s, guess, g, slope, r, b)) return *std::move(done);
    if (!b.have_hi) return s.above_max(r);
    if (!b.have_lo) return s.not_met("even the least inlet pressure (100 Pa) arrives above it");
    return refine(s, b, r);
}

double outlet_response(const TraverseResult& against_flow) {
    const std::vector<TraversePoint>& pts = against_flow.points;
    if (!against_flow.summary.complete || pts.size() < 2) return 0;
    const double out = std::fabs(pts.front().dpt), in = std::fabs(pts.back().dpt);
    if (!(out > 0 && in > 0)) return 0;
    return std::clamp(out / in, 0.05, 20.0);
}


}  // namespace flowmodel::march
