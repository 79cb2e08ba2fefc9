// The march: along each segment of the line (never across a change of angle,
// diameter or roughness), an embedded Runge-Kutta 3(2) pair (Bogacki and
// Shampine, 1989) integrates dp/ds = -dpt with the friction, gravity and
// acceleration parts and the liquid volume as quadratures of the same
// stages. Three parts:
//   - the model along the line (Model): the fluid's state and the flow
//     model's answer at a point, with the model's invalid answers bridged;
//   - the stepper and its control (try_step, StepControl): the step is
//     controlled on the pressure so that the estimated local errors of a
//     segment add up to less than the tolerance; a regime change inside a
//     step shows as a large error estimate, so the step shrinks onto the jump;
//     the shortest step is a length, and the evaluations a line may spend grow
//     with its length and its stations;
//   - the driver (traverse), which hands points to the result at the
//     stations, where the regime or the kind of answer changes, and at most
//     output_step apart in between (cubic Hermite in pressure between the
//     ends of a step, the model evaluated there), never at the integrator's
//     own steps.
//
// Invalid answers. Where the model marks its separated solution invalid
// (iter 99), its answer is not a gradient to integrate: in a gas-rich well it
// gives a negative friction of the size of the valid one, in a narrow band of
// pressure (tens of kPa) at each depth. Integrated as it is, the march is
// trapped on the band's edge: below it dp/ds is positive, inside it negative,
// so the pressure sticks there, the step control chases the flips down to its
// floor, and the answer depends on how finely the survey is written. The rule
// here: at a point with an invalid answer, the model is asked at lower and
// higher pressures at the same point (steps doubling from 1e-4 of the
// pressure, up to 5 % of it); the nearest valid answer on each side is found
// by bisection to 1e-5 of the pressure, and the gradient, its parts, the
// holdup and the regime are interpolated linearly in pressure between them
// (with one side only, that side's). This is a property of the point alone,
// so the march steps across the band at its normal step size, whatever the
// survey. Where no valid answer lies within 5 %, the model's own numbers are
// kept and the stretch reported as invalid. The model itself is not changed.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "pipeflow.h"

namespace flowmodel {

const char* TraversePoint::regime() const {
    return ierr == PIPEFLOW_OK || ierr == PIPEFLOW_INPUT_CORRECTED ? regime_name(static_cast<Regime>(id)) : "none";
}

const char* answer_name(Answer a) {
    switch (a) {
        case Answer::Bridged: return "bridged";
        case Answer::Invalid: return "invalid";
        default: return "";
    }
}

const char* floor_cause_text(FloorCause c) {
    switch (c) {
        case FloorCause::CriticalFlow: return "the approach to critical flow";
        case FloorCause::RegimeFlips: return "the regime changing back and forth with the pressure";
        case FloorCause::InvalidAnswers: return "the model's invalid answers";
        default: return "a gradient that changes faster than the shortest step follows";
    }
}

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLowestPressure = 100.0;  // Pa: the model's lowest accepted pressure
constexpr double kJumpShare = 0.02;        // of the tolerance: the error accepted for a step over a jump
constexpr double kNoiseShare = 1e-2;       // of a step's pressure change: the error accepted for noise
constexpr double kStepFloor = 0.01;        // m: the shortest step
constexpr size_t kJumps = 4;               // jumps within an output spacing that make noise
constexpr double kBridgeReach = 0.05;      // of the pressure: how far valid answers are looked for
constexpr double kBridgeFirst = 1e-4;      // of the pressure: the first look
constexpr double kBridgeEdge = 1e-5;       // of the pressure: how closely the nearest valid answer is found

// One segment in flow order: s runs from s0 to s1 along the flow.
struct Segment {
    double s0, s1, md0, md1, z0, z1, diam, rough, t0, t1, angle;
};

// Why the march cannot go on, and where.
struct Stop {
    StopReason reason;
    std::string why;
};

struct Eval {
    TraversePoint pt;
    double d[5];  // d/ds of p, friction, gravity, acceleration losses, liquid volume
};

// The model along the line.
class Model {
public:
    Model(const Fluid& fluid, RangeLog& log, long& evaluations) : fluid_(fluid), log_(log), evaluations_(evaluations) {}

    // What is integrated at flow coordinate s of segment g with pressure p.
    Eval at(const Segment& g, double s, double p) const {
        Eval e = raw(g, s, p);
        if (!e.pt.separated_invalid) return e;
        Eval lo, hi;
        double p_lo = 0, p_hi = 0;
        const bool has_lo = nearest_valid(g, s, p, -1, lo, p_lo);
        const bool has_hi = nearest_valid(g, s, p, +1, hi, p_hi);
        if (!has_lo && !has_hi) {
            e.pt.answer = Answer::Invalid;
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
        for (int c = 0; c < 5; ++c) out.d[c] = mix(a.d[c], b.d[c]);
        return out;
    }

private:
    // The model's own answer.
    Eval raw(const Segment& g, double s, double p) const {
        const double w = g.s1 > g.s0 ? (s - g.s0) / (g.s1 - g.s0) : 0.0;
        Eval e;
        TraversePoint& pt = e.pt;
        pt.md = g.md0 + (g.md1 - g.md0) * w;
        pt.z = g.z0 + (g.z1 - g.z0) * w;
        pt.angle = g.angle;
        pt.pres = p;
        pt.temp = g.t0 + (g.t1 - g.t0) * w;
        // Where, for a stop only: built when the march stops, not on every evaluation.
        auto where = [&pt, p] {
            char buf[64];
            std::snprintf(buf, sizeof buf, "at md %.1f m, %.0f Pa", pt.md, p);
            return std::string(buf);
        };
        if (!(p >= kLowestPressure)) {
            throw Stop{StopReason::LowPressure, "the pressure falls below " + io::format_double(kLowestPressure) + " Pa " +
                                                    where().substr(3) + ": the line cannot carry this flow"};
        }
        FluidState f;
        try {
            f = fluid_.at(p, pt.temp, &log_);
        } catch (const FluidError& err) {
            throw Stop{StopReason::NoFluidState,
                       "the fluid has no state " + where() + ", " + io::format_double(pt.temp) + " K: " + err.what()};
        }
        const double area = kPi * g.diam * g.diam / 4.0;  // m2
        pt.usl = f.ql / area;
        pt.usg = f.qg / area;
        pt.rol = f.rol;
        pt.rog = f.rog;
        const Inputs in{pt.usl, pt.usg, f.rol, f.rog, f.visl, f.visg, g.rough, f.sigma, g.diam, g.angle, p};
        const Result r = evaluate(in);
        ++evaluations_;
        pt.id = static_cast<int>(r.regime);
        pt.hol = r.holdup;
        pt.dpt = r.dpt;
        pt.dpf = r.dpf;
        pt.dpg = r.dpg;
        pt.dpa = r.dpa;
        pt.iter = r.iterations;
        pt.ierr = static_cast<int>(r.status);
        pt.separated_invalid = r.separated_invalid();
        if (!r.has_regime()) {
            throw Stop{StopReason::NoModelAnswer, "the model has no answer " + where() + " (status " +
                                                      std::to_string(pt.ierr) + ", " + status_name(r.status) +
                                                      (r.message.empty() ? "" : ": " + r.message) + ")"};
        }
        if (r.dpt >= PIPEFLOW_CRITICAL_DPT) {
            throw Stop{StopReason::CriticalFlow, "critical flow " + where() + ": the line cannot carry this flow"};
        }
        e.d[0] = -r.dpt;
        e.d[1] = r.dpf;
        e.d[2] = r.dpg;
        e.d[3] = r.dpa;
        e.d[4] = r.holdup * area;
        return e;
    }

    // The valid answer nearest to p on one side (-1 below, +1 above) within
    // the reach, at the same point; false when there is none.
    bool nearest_valid(const Segment& g, double s, double p, int side, Eval& out, double& p_out) const {
        double inner = p;  // the farthest pressure known invalid
        for (double step = kBridgeFirst * p; step <= kBridgeReach * p; step *= 2) {
            const double q = p + side * step;
            Eval e;
            try {
                e = raw(g, s, q);
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
                    em = raw(g, s, m);
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

    const Fluid& fluid_;
    RangeLog& log_;
    long& evaluations_;
};

std::vector<Segment> segments(const Line& line) {
    const std::vector<LineNode>& n = line.nodes;
    std::vector<Segment> out;
    double s = 0;
    const size_t m = n.size() - 1;
    for (size_t k = 0; k < m; ++k) {
        // In flow order: listing order, or from the last node back to the first.
        const size_t i = line.flow_decreasing ? m - 1 - k : k;
        const LineNode& a = line.flow_decreasing ? n[i + 1] : n[i];
        const LineNode& b = line.flow_decreasing ? n[i] : n[i + 1];
        const double ds = n[i + 1].md - n[i].md;
        const double sine = std::max(-1.0, std::min(1.0, (b.z - a.z) / ds));
        out.push_back({s, s + ds, a.md, b.md, a.z, b.z, n[i].diam, n[i].rough, a.temp, b.temp,
                       std::asin(sine) * 180.0 / kPi});
        s += ds;
    }
    return out;
}

// md ranges where a condition held, merged when less than `gap` apart.
void add_stretch(std::vector<std::array<double, 2>>& ranges, double md_a, double md_b, double gap) {
    const double lo = std::min(md_a, md_b), hi = std::max(md_a, md_b);
    if (!ranges.empty() && lo <= ranges.back()[1] + gap && hi >= ranges.back()[0] - gap) {
        ranges.back()[0] = std::min(ranges.back()[0], lo);
        ranges.back()[1] = std::max(ranges.back()[1], hi);
        return;
    }
    ranges.push_back({lo, hi});
}

double total_length(const std::vector<std::array<double, 2>>& ranges) {
    double sum = 0;
    for (const auto& r : ranges) sum += r[1] - r[0];
    return sum;
}

// Why a stretch could not meet the tolerance at the shortest step.
FloorCause floor_cause(const Eval* const* e, int n) {
    bool flips = false, invalid = false, critical = false;
    for (int k = 0; k < n; ++k) {
        const TraversePoint& p = e[k]->pt;
        flips |= p.id != e[0]->pt.id;
        invalid |= p.answer != Answer::Model;
        // Near the critical-flow limit the acceleration part takes over the gradient.
        critical |= std::fabs(p.dpa) > 0.25 * std::fabs(p.dpt);
    }
    return critical ? FloorCause::CriticalFlow
           : flips  ? FloorCause::RegimeFlips
           : invalid ? FloorCause::InvalidAnswers
                     : FloorCause::SteepGradient;
}

// Cubic Hermite between (0, p0, f0) and (h, p1, f1), at theta in [0, 1].
double hermite(double p0, double f0, double p1, double f1, double h, double theta) {
    const double t2 = theta * theta, t3 = t2 * theta;
    return (2 * t3 - 3 * t2 + 1) * p0 + (t3 - 2 * t2 + theta) * h * f0 + (-2 * t3 + 3 * t2) * p1 + (t3 - t2) * h * f1;
}

}  // namespace

TraverseResult traverse(const Line& line, const Fluid& fluid, const TraverseOptions& opt) {
    if (line.nodes.size() < 2) throw std::runtime_error("a line needs at least two points");
    const std::vector<Segment> segs = segments(line);
    TraverseResult res;
    TraverseSummary& sum = res.summary;
    RangeLog log;
    const Model model(fluid, log, sum.evaluations);
    // Forward from the inlet (dir +1), or backward from the outlet (dir -1).
    const int dir = opt.from_outlet ? -1 : 1;
    double y[5] = {opt.pres, 0, 0, 0, 0};
    const double length = segs.back().s1;
    // The step control's own scale (for noise and the growth after it): the
    // default output spacing whatever spacing is asked for, so that where
    // points are written never moves the answer.
    const double control_step = std::min(length / 200, 30.0);
    const double out_step = opt.output_step > 0 ? opt.output_step : control_step;
    // The evaluations a line may spend: per metre and per station, so that a
    // finer survey of the same line may spend more only for its stations.
    const double budget = 20000 + 200.0 * static_cast<double>(segs.size()) + 100 * length;
    std::vector<std::array<double, 2>> floor_md;
    std::vector<FloorCause> floor_why;
    long steps = 0;
    double h_next = 0;    // the step the control proposes, carried from segment to segment
    bool noisy = false;   // the last step was taken over noise
    std::array<double, kJumps> jumps;  // where the last steps over a jump began, distance marched, m
    jumps.fill(-std::numeric_limits<double>::infinity());
    TraversePoint reached{};    // the last point the march reached
    bool last_written = false;  // ... and whether it is among the points
    try {
        double t = 0, t_out = 0;  // distance marched, and to the last point written, m
        for (size_t k = 0; k < segs.size(); ++k) {
            const Segment& g = segs[dir > 0 ? k : segs.size() - 1 - k];
            const double seg_len = g.s1 - g.s0;
            double s = dir > 0 ? g.s0 : g.s1;
            const double s_end = dir > 0 ? g.s1 : g.s0;
            Eval e1 = model.at(g, s, y[0]);
            if (res.points.empty()) {
                res.points.push_back(e1.pt);
                reached = e1.pt;
                last_written = true;
            }
            if (h_next == 0) h_next = std::min(seg_len, std::max(seg_len / 20.0, 1.0));
            const double h_min = std::min(kStepFloor, seg_len);
            const double tol_per_m = opt.tol / seg_len;  // Pa of error per metre of the segment
            double h = dir * std::max(std::min(h_next, seg_len), h_min);
            double rejected_err = 0, rejected_h = 0;  // the last rejected trial of this step
            while (dir * (s_end - s) > 0) {
                if (static_cast<double>(sum.evaluations) > budget) {
                    char buf[128];
                    std::snprintf(buf, sizeof buf, "stopped at md %.1f m, %.0f Pa", e1.pt.md, y[0]);
                    throw Stop{StopReason::Budget, std::string("the step control did not finish the line: ") + buf};
                }
                if (opt.interrupted && ++steps % 8 == 0 && opt.interrupted()) {
                    throw Stop{StopReason::Interrupted, "interrupted"};
                }
                const bool clamped = dir * (s + h - s_end) > 0;
                const double h_wanted = std::fabs(h);
                if (clamped) h = s_end - s;
                const bool last = dir * (s + h - s_end) >= 0;
                double y3[5], y2[5], yt[5];
                Eval e2, e3, e4;
                try {
                    for (int c = 0; c < 5; ++c) yt[c] = y[c] + 0.5 * h * e1.d[c];
                    e2 = model.at(g, s + 0.5 * h, yt[0]);
                    for (int c = 0; c < 5; ++c) yt[c] = y[c] + 0.75 * h * e2.d[c];
                    e3 = model.at(g, s + 0.75 * h, yt[0]);
                    for (int c = 0; c < 5; ++c) y3[c] = y[c] + h * (2.0 / 9 * e1.d[c] + 1.0 / 3 * e2.d[c] + 4.0 / 9 * e3.d[c]);
                    e4 = model.at(g, last ? s_end : s + h, y3[0]);
                } catch (const Stop&) {
                    // A trial step may reach where the line fails although a shorter one
                    // would not: shorten it, and stop only at the smallest step.
                    if (std::fabs(h) <= h_min) throw;
                    h = dir * std::max(std::fabs(h) * 0.25, h_min);
                    continue;
                }
                for (int c = 0; c < 5; ++c) {
                    y2[c] = y[c] + h * (7.0 / 24 * e1.d[c] + 0.25 * e2.d[c] + 1.0 / 3 * e3.d[c] + 0.125 * e4.d[c]);
                }
                const double err = std::fabs(y3[0] - y2[0]);
                const double allowed = 0.5 * tol_per_m * std::fabs(h);
                // A jump of the gradient (a regime change) inside the step gives an
                // error that shrinks only in proportion to the step, never below
                // `allowed`: such a step is taken once its error is a small fixed
                // share of the tolerance, the step then ending close to the jump.
                // An error that did not shrink faster than the square of the step on
                // the last retry comes from a jump. A lone jump (a regime change) is
                // closed in on until the step's error is a small fixed share of the
                // tolerance. Jumps one after another, several within one output
                // spacing, are noise in the answers (the model's separated solution
                // converging to either of two roots with a small change of its
                // input), which no step resolves: there a step is taken once its
                // error is below kNoiseShare of its pressure change, and so is every
                // step after it until one meets the tolerance again.
                const double dp_step = std::fabs(y3[0] - y[0]);
                const bool rough = rejected_err > 0 && err > rejected_err * std::pow(std::fabs(h) / rejected_h, 2);
                const bool smooth = err <= allowed;
                const bool jump_taken = err <= kJumpShare * opt.tol;
                const bool dense = t - jumps[0] < control_step;  // kJumps jumps within the last control spacing
                const bool noise_taken = (noisy || (rough && dense)) && err <= kNoiseShare * dp_step;
                if (!smooth && !jump_taken && !noise_taken && std::fabs(h) > h_min) {
                    rejected_err = err;
                    rejected_h = std::fabs(h);
                    h = dir * std::max(std::fabs(h) * std::max(0.1, 0.9 * std::cbrt(allowed / err)), h_min);
                    continue;
                }
                rejected_err = 0;
                noisy = !smooth && !jump_taken && noise_taken;
                if (!smooth) {  // over a jump, over noise, or at the floor
                    std::rotate(jumps.begin(), jumps.begin() + 1, jumps.end());
                    jumps.back() = t;
                }
                // Accepted.
                const double ds = std::fabs(h);
                const Eval* const stages[4] = {&e1, &e2, &e3, &e4};
                if (!smooth && !jump_taken && !noise_taken) {
                    // One stretch per cause, merged across short gaps.
                    const FloorCause why = floor_cause(stages, 4);
                    if (!floor_why.empty() && floor_why.back() == why) {
                        add_stretch(floor_md, e1.pt.md, e4.pt.md, out_step);
                    } else {
                        floor_md.push_back({std::min(e1.pt.md, e4.pt.md), std::max(e1.pt.md, e4.pt.md)});
                        floor_why.push_back(why);
                    }
                    if (floor_md.size() > floor_why.size()) floor_why.push_back(why);
                }
                // The regime of the middle of the step stands for the step.
                if (e2.pt.ierr <= 1) sum.regime_length[static_cast<size_t>(e2.pt.id)] += ds;
                bool bridged = false, invalid = false;
                for (const Eval* e : stages) {
                    bridged |= e->pt.answer == Answer::Bridged;
                    invalid |= e->pt.answer == Answer::Invalid;
                }
                if (bridged) add_stretch(sum.bridged_stretches, e1.pt.md, e4.pt.md, out_step);
                if (invalid) add_stretch(sum.invalid_stretches, e1.pt.md, e4.pt.md, out_step);
                // Points at most out_step apart inside the step, from the cubic
                // through its ends, with the model's answer there.
                while (t_out + out_step < t + ds - 1e-9 * (1 + ds)) {
                    t_out += out_step;
                    const double theta = (t_out - t) / ds;
                    const double p_o = hermite(y[0], e1.d[0], y3[0], e4.d[0], h, theta);
                    res.points.push_back(model.at(g, s + theta * h, p_o).pt);
                }
                for (int c = 0; c < 5; ++c) y[c] = y3[c];
                s = last ? s_end : s + h;
                t += ds;
                // Stations, and where the regime or the kind of answer changes.
                last_written = last || e4.pt.id != e1.pt.id || e4.pt.answer != e1.pt.answer || e4.pt.ierr != e1.pt.ierr;
                if (last_written) {
                    res.points.push_back(e4.pt);
                    t_out = t;
                }
                e1 = e4;
                reached = e4.pt;
                if (dir < 0 && y[0] > opt.max_pres) {
                    char buf[160];
                    std::snprintf(buf, sizeof buf, "the inlet pressure would exceed %s Pa at md %.1f m (--max-pres)",
                                  io::format_double(opt.max_pres).c_str(), e4.pt.md);
                    throw Stop{StopReason::MaxPressure, std::string(buf) + ": the line cannot carry this flow"};
                }
                const double grow = err > 0 ? 0.9 * std::cbrt(allowed / err) : 4.0;
                double proposed = std::max(ds * std::min(4.0, std::max(0.2, grow)), h_min);
                if (!smooth) {
                    // Taken over a jump, noise or at the floor: a shorter step would not
                    // do better, so the next one doubles, up to the control spacing.
                    proposed = std::max(ds, std::min(2 * ds, control_step));
                }
                // A step cut short by the segment's end says nothing against the step wanted.
                h_next = clamped ? std::max(proposed, h_wanted) : proposed;
                h = dir * h_next;
            }
        }
    } catch (const Stop& stop) {
        if (!last_written) res.points.push_back(reached);  // where it stopped
        sum.complete = false;
        sum.stop_reason = stop.reason;
        sum.message = stop.why;
    }
    // Before a stop at the critical-flow limit (or the pressure falling to
    // nothing), whatever kept the step short within the last output spacing
    // was the approach to it: one stretch says so.
    const bool choked = sum.stop_reason == StopReason::CriticalFlow || sum.stop_reason == StopReason::LowPressure;
    for (size_t i = 0; i < floor_md.size(); ++i) {
        const bool near_stop = choked && std::fabs((dir > 0 ? floor_md[i][1] : floor_md[i][0]) - reached.md) <= out_step;
        const FloorCause why = near_stop ? FloorCause::CriticalFlow : floor_why[i];
        if (!sum.floor_stretches.empty() && sum.floor_stretches.back().cause == why &&
            (why == FloorCause::CriticalFlow || std::fabs(floor_md[i][0] - sum.floor_stretches.back().md[1]) <= out_step)) {
            auto& md = sum.floor_stretches.back().md;
            md = {std::min(md[0], floor_md[i][0]), std::max(md[1], floor_md[i][1])};
        } else {
            sum.floor_stretches.push_back({floor_md[i], why});
        }
    }
    sum.bridged_length = total_length(sum.bridged_stretches);
    sum.invalid_length = total_length(sum.invalid_stretches);
    const double p_start = opt.pres, p_end = y[0];
    // A march that stopped knows the pressure where it stopped, not at the far end.
    const double far_end = sum.complete ? p_end : std::numeric_limits<double>::quiet_NaN();
    if (!sum.complete) {
        const Segment& first = segs[dir > 0 ? 0 : segs.size() - 1];
        sum.stop_md = res.points.empty() ? (dir > 0 ? first.md0 : first.md1) : reached.md;
        sum.stop_pres = p_end;
    }
    sum.inlet_pres = dir > 0 ? p_start : far_end;
    sum.outlet_pres = dir > 0 ? far_end : p_start;
    sum.dp_total = dir * (p_start - p_end);
    // The quadratures ran along the march: against the flow their signs are reversed.
    sum.dp_friction = dir * y[1];
    sum.dp_gravity = dir * y[2];
    sum.dp_acceleration = dir * y[3];
    sum.liquid_inventory = dir * y[4];
    sum.warnings = fluid.warnings(log);
    return res;
}

}  // namespace flowmodel
