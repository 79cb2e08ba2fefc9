// The march: along each segment of the line (never across a change of angle,
// diameter or roughness), an embedded Runge-Kutta 3(2) pair (Bogacki and
// Shampine, 1989) integrates dp/ds = -dpt with the friction, gravity and
// acceleration parts and the liquid volume as quadratures of the same
// stages. The step is controlled on the pressure so that the estimated local
// errors of a segment add up to less than the tolerance; a regime change
// inside a step shows as a large error estimate, so the step shrinks onto the
// jump instead of smearing it.
#include <algorithm>
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

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLowestPressure = 100.0;  // Pa: the model's lowest accepted pressure
constexpr double kJumpShare = 0.02;        // of the tolerance: the error accepted for a step over a jump

// One segment in flow order: s runs from s0 to s1 along the flow.
struct Segment {
    double s0, s1, md0, md1, z0, z1, diam, rough, t0, t1, angle;
};

// Why the march cannot go on, and where.
struct Stop {
    std::string why;
};

struct Eval {
    TraversePoint pt;
    double d[5];  // d/ds of p, friction, gravity, acceleration losses, liquid volume
};

class March {
public:
    March(const Fluid& fluid, long& evaluations) : fluid_(fluid), evaluations_(evaluations) {}

    // The model at flow coordinate s of segment g with pressure p.
    Eval at(const Segment& g, double s, double p) const {
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
            throw Stop{"the pressure falls below " + io::format_double(kLowestPressure) + " Pa " + where().substr(3) +
                       ": the line cannot carry this flow"};
        }
        FluidState f;
        try {
            f = fluid_.at(p, pt.temp);
        } catch (const FluidError& err) {
            throw Stop{"the fluid has no state " + where() + ", " + io::format_double(pt.temp) + " K: " + err.what()};
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
            throw Stop{"the model has no answer " + where() + " (status " + std::to_string(pt.ierr) + ", " +
                       status_name(r.status) + (r.message.empty() ? "" : ": " + r.message) + ")"};
        }
        if (r.dpt >= PIPEFLOW_CRITICAL_DPT) throw Stop{"critical flow " + where() + ": the line cannot carry this flow"};
        e.d[0] = -r.dpt;
        e.d[1] = r.dpf;
        e.d[2] = r.dpg;
        e.d[3] = r.dpa;
        e.d[4] = r.holdup * area;
        return e;
    }

private:
    const Fluid& fluid_;
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


// md ranges where a condition held on consecutive steps: a step on which it
// holds extends the open range (or opens one), a step without it closes it.
struct Stretches {
    std::vector<std::array<double, 2>>& ranges;
    bool open = false;
    void note(bool holds, double md_a, double md_b) {
        if (holds) {
            if (!open) ranges.push_back({std::min(md_a, md_b), std::max(md_a, md_b)});
            std::array<double, 2>& r = ranges.back();
            r[0] = std::min({r[0], md_a, md_b});
            r[1] = std::max({r[1], md_a, md_b});
        }
        open = holds;
    }
};

}  // namespace

TraverseResult traverse(const Line& line, const Fluid& fluid, const TraverseOptions& opt) {
    if (line.nodes.size() < 2) throw std::runtime_error("a line needs at least two points");
    const std::vector<Segment> segs = segments(line);
    TraverseResult res;
    TraverseSummary& sum = res.summary;
    March m(fluid, sum.evaluations);
    // Forward from the inlet (dir +1), or backward from the outlet (dir -1).
    const int dir = opt.from_outlet ? -1 : 1;
    double y[5] = {opt.pres, 0, 0, 0, 0};
    long step_budget = 2000000;
    Stretches invalid{sum.invalid_stretches}, floor{sum.floor_stretches};
    try {
        for (size_t k = 0; k < segs.size(); ++k) {
            const Segment& g = segs[dir > 0 ? k : segs.size() - 1 - k];
            const double seg_len = g.s1 - g.s0;
            double s = dir > 0 ? g.s0 : g.s1;
            const double s_end = dir > 0 ? g.s1 : g.s0;
            Eval e1 = m.at(g, s, y[0]);
            if (res.points.empty()) res.points.push_back(e1.pt);
            double h = dir * std::min(seg_len, std::max(seg_len / 20.0, 1.0));
            // The shortest step: where the model's regime flips back and forth with
            // the pressure (its separated solution converging or not), no step
            // meets the tolerance; such stretches are taken at this step and
            // reported (summary.floor_stretches).
            const double h_min = std::min(1e-4 * seg_len, 0.1);
            const double tol_per_m = opt.tol / seg_len;  // Pa of error per metre of the segment
            while (dir * (s_end - s) > 0) {
                if (--step_budget < 0) {
                    throw Stop{"the step control did not finish the line: stopped at md " +
                               io::format_double(std::round(e1.pt.md * 10) / 10) + " m, " +
                               io::format_double(std::round(y[0])) + " Pa"};
                }
                if (dir * (s + h - s_end) > 0) h = s_end - s;
                const bool last = dir * (s + h - s_end) >= 0;
                double y3[5], y2[5], yt[5];
                Eval e2, e3, e4;
                try {
                    for (int c = 0; c < 5; ++c) yt[c] = y[c] + 0.5 * h * e1.d[c];
                    e2 = m.at(g, s + 0.5 * h, yt[0]);
                    for (int c = 0; c < 5; ++c) yt[c] = y[c] + 0.75 * h * e2.d[c];
                    e3 = m.at(g, s + 0.75 * h, yt[0]);
                    for (int c = 0; c < 5; ++c) y3[c] = y[c] + h * (2.0 / 9 * e1.d[c] + 1.0 / 3 * e2.d[c] + 4.0 / 9 * e3.d[c]);
                    e4 = m.at(g, last ? s_end : s + h, y3[0]);
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
                const bool jump_taken = err <= kJumpShare * opt.tol;
                if (err > allowed && !jump_taken && std::fabs(h) > h_min) {
                    h = dir * std::max(std::fabs(h) * std::max(0.1, 0.9 * std::cbrt(allowed / err)), h_min);
                    continue;
                }
                floor.note(err > allowed && !jump_taken, e1.pt.md, e4.pt.md);
                // Accepted: the regime of the middle of the step stands for the step.
                const double ds = std::fabs(h);
                if (e2.pt.ierr <= 1) sum.regime_length[static_cast<size_t>(e2.pt.id)] += ds;
                invalid.note(e1.pt.separated_invalid || e2.pt.separated_invalid || e4.pt.separated_invalid,
                             e1.pt.md, e4.pt.md);
                for (int c = 0; c < 5; ++c) y[c] = y3[c];
                s = last ? s_end : s + h;
                e1 = e4;
                res.points.push_back(e4.pt);
                if (dir < 0 && y[0] > opt.max_pres) {
                    throw Stop{"the inlet pressure would exceed " + io::format_double(opt.max_pres) + " Pa at md " +
                               io::format_double(std::round(e4.pt.md * 10) / 10) +
                               " m (--max-pres): the line cannot carry this flow"};
                }
                const double grow = err > 0 ? 0.9 * std::cbrt(allowed / err) : 4.0;
                h = dir * std::max(std::fabs(h) * std::min(4.0, std::max(0.2, grow)), h_min);
            }
        }
    } catch (const Stop& stop) {
        sum.complete = false;
        sum.message = stop.why;
    }
    const double p_start = opt.pres, p_end = y[0];
    // A march that stopped knows the pressure where it stopped, not at the far end.
    const double far_end = sum.complete ? p_end : std::numeric_limits<double>::quiet_NaN();
    if (!sum.complete) {
        const Segment& first = segs[dir > 0 ? 0 : segs.size() - 1];
        sum.stop_md = res.points.empty() ? (dir > 0 ? first.md0 : first.md1) : res.points.back().md;
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
    sum.warnings = fluid.warnings();
    return res;
}

}  // namespace flowmodel
