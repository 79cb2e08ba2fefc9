// A method of the gradient along the line, with the model's invalid answers
// bridged in pressure (the rule is described at the head of driver.cpp), and
// the decorators: tuning factors and the energy balance.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/io/numbers.hpp"
#include "march/point_model.hpp"
#include "pipeflow.h"

namespace flowmodel::march {

namespace {

using constant::kPi;
constexpr double kLowestPressure = 100.0;  // Pa: the model's lowest accepted pressure
constexpr double kBridgeReach = 0.05;      // of the pressure: how far valid answers are looked for
constexpr double kBridgeFirst = 1e-4;      // of the pressure: the first look
constexpr double kBridgeEdge = 1e-5;       // of the pressure: how closely the nearest valid answer is found

void refuse_beyond_critical(const TraversePoint& pt, double p, double gravity);

}  // namespace

// What is integrated at flow coordinate s of segment g with pressure p.
Eval MethodModel::at(const Segment& g, double s, double p, double T) const {
    Eval e = raw(g, s, p, T);
    if (!method_.bridged || !e.pt.separated_invalid) return e;
    Eval lo, hi;
    double p_lo = 0, p_hi = 0;
    const bool has_lo = nearest_valid(g, s, p, T, -1, lo, p_lo);
    const bool has_hi = nearest_valid(g, s, p, T, +1, hi, p_hi);
    if (!has_lo && !has_hi) {
        // Kept as the model gave it, but not past the critical-flow bound:
        // an invalid answer there is the model's own critical-flow limit.
        e.pt.answer = Answer::Invalid;
        refuse_beyond_critical(e.pt, p, method_.gravity);
        return e;
    }
    const double w = has_lo && has_hi ? (p - p_lo) / (p_hi - p_lo) : has_lo ? 0.0 : 1.0;
    const Eval& a = has_lo ? lo : hi;
    const Eval& b = has_hi ? hi : lo;
    Eval out = e;
    TraversePoint& pt = out.pt;
    pt.answer = Answer::Bridged;
    pt.own_id = e.pt.id;
    pt.own_hol = e.pt.hol;
    pt.own_dpt = e.pt.dpt;
    pt.own_dpf = e.pt.dpf;
    pt.own_dpg = e.pt.dpg;
    pt.own_dpa = e.pt.dpa;
    auto mix = [w](double x, double y) { return x + w * (y - x); };
    pt.id = w < 0.5 ? a.pt.id : b.pt.id;
    pt.hol = mix(a.pt.hol, b.pt.hol);
    pt.dpt = mix(a.pt.dpt, b.pt.dpt);
    pt.dpf = mix(a.pt.dpf, b.pt.dpf);
    pt.dpg = mix(a.pt.dpg, b.pt.dpg);
    pt.dpa = mix(a.pt.dpa, b.pt.dpa);
    const Rate& ra = a.rate;
    const Rate& rb = b.rate;
    out.rate = {mix(ra.pres, rb.pres), mix(ra.friction, rb.friction), mix(ra.gravity, rb.gravity),
                mix(ra.acceleration, rb.acceleration), mix(ra.liquid, rb.liquid), 0, 0};
    return out;
}

namespace {

// Where, for a stop only: built when the march stops, not on every evaluation.
std::string where(const TraversePoint& pt, double p) {
    return "at md " + mark_length(pt.md) + ", " + mark_pressure(p);
}

// The gradient, its parts and the holdup integrated at the point, and their rate.
void set_answer(Eval& e, const Segment& g, double hol, double dpt, double dpf, double dpg, double dpa) {
    TraversePoint& pt = e.pt;
    pt.hol = hol;
    pt.dpt = dpt;
    pt.dpf = dpf;
    pt.dpg = dpg;
    pt.dpa = dpa;
    e.rate = {-dpt, dpf, dpg, dpa, hol * kPi * g.diam * g.diam / 4.0, 0, 0};
}

// Whatever a method says, the pressure of a steady flow cannot rise along it
// faster than a standing column of its liquid would make it (rol g, Pa/m, g
// the method's own): gravity is the only thing that raises it, friction
// opposes the flow, and only the acceleration factor 1/(1 - Ek) could
// amplify a rise, which it does on the far side of the critical-flow limit.
// A liquid trickling down a vertical well meets the bound itself, so 1 % more
// is allowed for rounding and a small Ek. An answer beyond that is the
// approach to critical flow, not a gradient to integrate: a trial step there
// is shortened, and at the shortest step the march stops there.
void refuse_beyond_critical(const TraversePoint& pt, double p, double gravity) {
    const double steepest_rise = 1.01 * std::max(pt.rol, pt.rog) * gravity;
    if (-pt.dpt > steepest_rise) {
        throw Stop{StopReason::CriticalFlow, "critical flow " + where(pt, p) +
                                                 ": the answer there has the pressure rising along the flow faster "
                                                 "than the liquid's weight could; the line cannot carry this flow"};
    }
}

}  // namespace

Inputs point_inputs(const Segment& g, double s, double p, double T, const Fluid& fluid, RangeLog& log,
                    TraversePoint& pt) {
    const double w = g.s1 > g.s0 ? (s - g.s0) / (g.s1 - g.s0) : 0.0;
    pt.md = g.md0 + (g.md1 - g.md0) * w;
    pt.z = g.z0 + (g.z1 - g.z0) * w;
    pt.angle = g.angle;
    pt.pres = p;
    const double line_temp = g.t0 + (g.t1 - g.t0) * w;
    pt.temp = g.temp_marched ? T : line_temp;
    if (g.temp_marched) pt.tsurr = line_temp;
    if (!(p >= kLowestPressure)) {
        throw Stop{StopReason::LowPressure, "the pressure falls below " + io::format_double(kLowestPressure) + " Pa " +
                                                where(pt, p).substr(3) + ": the line cannot carry this flow"};
    }
    FluidState f;
    try {
        f = fluid.at(p, pt.temp, &log);
    } catch (const FluidError& err) {
        throw Stop{StopReason::NoFluidState,
                   "the fluid has no state " + where(pt, p) + ", " + io::format_double(pt.temp) + " K: " + err.what()};
    }
    const double area = kPi * g.diam * g.diam / 4.0;  // m2
    pt.usl = f.ql / area;
    pt.usg = f.qg / area;
    pt.rol = f.rol;
    pt.rog = f.rog;
    pt.sigma = f.sigma;
    pt.diam = g.diam;
    return {pt.usl, pt.usg, f.rol, f.rog, f.visl, f.visg, g.rough, f.sigma, g.diam, g.angle, p};
}

// The method's own answer.
Eval MethodModel::raw(const Segment& g, double s, double p, double T) const {
    Eval e;
    TraversePoint& pt = e.pt;
    const Inputs in = point_inputs(g, s, p, T, fluid_, log_, pt);
    const PointAnswer a = evaluate_point(method_.method, in);
    ++evaluations_;
    pt.id = static_cast<int>(a.pattern);
    set_answer(e, g, a.holdup, a.dpt, a.dpf, a.dpg, a.dpa);
    pt.iter = a.iterations;
    pt.ierr = a.model_status;
    pt.separated_invalid = a.model_bridge;
    if (a.critical) {
        throw Stop{StopReason::CriticalFlow, "critical flow " + where(pt, p) + ": the line cannot carry this flow"};
    }
    if (!a.valid) {
        const std::string why = method_.why_none ? " (" + method_.why_none(in) + ")" : std::string();
        throw Stop{StopReason::NoModelAnswer, std::string(method_.title) + " has no answer " + where(pt, p) + why};
    }
    note_ranges(a, in);
    // An invalid separated answer is bridged, not judged (MethodModel::at).
    if (!(method_.bridged && pt.separated_invalid)) refuse_beyond_critical(pt, p, method_.gravity);
    return e;
}

// The lowest and highest values met outside each fitted range the answer left.
void MethodModel::note_ranges(const PointAnswer& a, const Inputs& in) const {
    const std::vector<FittedRange>& ranges = method_.ranges;
    for (size_t k = 0; k < ranges.size() && k < left_.low.size(); ++k) {
        if (!(a.outside & (std::uint32_t(1) << k))) continue;
        const double v = range_value(ranges[k].of, in);
        const bool first = !(left_.bits & (std::uint32_t(1) << k));
        left_.low[k] = first ? v : std::min(left_.low[k], v);
        left_.high[k] = first ? v : std::max(left_.high[k], v);
        left_.bits |= std::uint32_t(1) << k;
    }
}

Eval TunedModel::at(const Segment& g, double s, double p, double T) const {
    Eval e = inner_.at(g, s, p, T);
    TraversePoint& pt = e.pt;
    const double hol = std::min(pt.hol * holdup_, 1.0);
    const double dpg = pt.dpg + (hol - pt.hol) * (pt.rol - pt.rog) * constant::kStandardGravity * std::sin(g.angle * kPi / 180.0);
    const double dpf = pt.dpf * friction_;
    pt.dpt += (dpg - pt.dpg) + (dpf - pt.dpf);
    pt.hol = hol;
    pt.dpg = dpg;
    pt.dpf = dpf;
    e.rate = {-pt.dpt, dpf, dpg, e.rate.acceleration, hol * kPi * g.diam * g.diam / 4.0, 0, 0};
    return e;
}

Eval HeatedModel::at(const Segment& g, double s, double p, double T) const {
    Eval e = inner_.at(g, s, p, T);
    TraversePoint& pt = e.pt;
    ThermalState th;
    try {
        th = fluid_.thermal(p, pt.temp, &log_);
    } catch (const FluidError& err) {
        throw Stop{StopReason::NoFluidState, "the fluid has no specific heats " + where(pt, p) + ", " +
                                                 io::format_double(pt.temp) + " K: " + err.what()};
    }
    const double q = heat_loss_per_length(heat_, g.diam, pt.temp, pt.tsurr);  // W/m
    const double area = kPi * g.diam * g.diam / 4.0;
    e.rate.temp = temperature_rate(th, q, g.angle, pt.dpt, pt.dpa, (pt.usl + pt.usg) * area, gravity_);
    e.rate.heat = q;
    e.relax = heat_conductance_per_length(heat_, g.diam) / (th.mass_rate * th.cp);
    pt.heat_flux = q / (kPi * g.diam);
    return e;
}

// The valid answer nearest to p on one side (-1 below, +1 above) within
// the reach, at the same point; false when there is none.
bool MethodModel::nearest_valid(const Segment& g, double s, double p, double T, int side, Eval& out,
                                 double& p_out) const {
    double inner = p;  // the farthest pressure known invalid
    for (double step = kBridgeFirst * p; step <= kBridgeReach * p; step *= 2) {
        const double q = p + side * step;
        Eval e;
        try {
            e = raw(g, s, q, T);
        } catch (const Stop&) {
            return false;  // no answer at all there: nothing to bridge with on this side
        }
        if (e.pt.separated_invalid) {
            inner = q;
            continue;
        }
        // Valid at q: close in on the edge between inner and q.
        double outer = q;
        while (std::fabs(outer - inner) > kBridgeEdge * p) {
            const double m = 0.5 * (inner + outer);
            Eval em;
            try {
                em = raw(g, s, m, T);
            } catch (const Stop&) {
                break;
            }
            if (em.pt.separated_invalid) {
                inner = m;
            } else {
                outer = m;
                e = em;
            }
        }
        out = e;
        p_out = outer;
        return true;
    }
    return false;
}

}  // namespace flowmodel::march
