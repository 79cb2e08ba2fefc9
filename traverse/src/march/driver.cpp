// The march: along each segment of the line (never across a change of angle,
// diameter or roughness), an embedded Runge-Kutta 3(2) pair integrates
// dp/ds = -dpt with the friction, gravity and acceleration parts and the
// liquid volume as quadratures of the same stages. In parts, each in its
// own file under march/:
//   - the state (state.hpp): the pressure and the running sums, named;
//   - the point model (point_model.hpp): what the march asks at a point,
//     handed to it as a value; today the flow model with the bridging rule
//     below;
//   - the stepper (stepper.hpp): one trial step and its error estimate;
//   - the step control (step_control.hpp): the tolerance, the jump and noise
//     rules, the shortest step, the growth limits and the evaluation budget;
//   - the observers (observers.hpp): the output points and the stretches;
//   - the driver (here): the loop over segments and steps, and the summary;
//   - the legs (legs.cpp): a line marched as legs joined in order, and the
//     shooting for the inlet pressure against the flow with heat transfer.
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
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>

#include "flowmodel/flowmodel.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/io/numbers.hpp"
#include "flowmodel/traverse.hpp"
#include "march/driver.hpp"
#include "march/observers.hpp"
#include "march/point_model.hpp"
#include "march/shoot.hpp"
#include "march/step_control.hpp"
#include "march/stepper.hpp"
#include "pipeflow.h"

namespace flowmodel {

const char* TraversePoint::regime() const {
    return ierr == PIPEFLOW_OK || ierr == PIPEFLOW_INPUT_CORRECTED ? pattern_name(static_cast<Pattern>(id)) : "none";
}

std::string method_text(Method m, double holdup_factor, double friction_factor) {
    std::string s = method_description(m);
    if (holdup_factor == 1.0 && friction_factor == 1.0) return s;
    return s + "; tuned: holdup x " + io::format_double(holdup_factor) + ", friction x " + io::format_double(friction_factor);
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
        case FloorCause::AnswersJump:
            return "the method's answers jumping back and forth with the pressure (the pressure there is held to 1 % "
                   "of each step's change)";
        default: return "a gradient that changes faster than the shortest step follows";
    }
}

namespace march {
namespace {

using constant::kPi;

// Where the temperature is marched its error counts as the pressure's at this
// rate: the tolerance per segment in K is kTempTolerance where in Pa it is tol.
constexpr double kTempTolerance = 1e-3;  // K per segment

std::vector<Segment> segments(const Line& line, bool temp_marched) {
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
                       std::asin(sine) * 180.0 / kPi, temp_marched});
        s += ds;
    }
    return out;
}

Stop budget_spent(double md, double pres) {
    return {StopReason::Budget,
            "the step control did not finish the line: stopped at md " + mark_length(md) + ", " + mark_pressure(pres)};
}

}  // namespace

Stop above_max_pres(double max_pres, double md) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "the inlet pressure would exceed %s Pa at md %.1f m ({max-pres})",
                  io::format_double(max_pres).c_str(), md);
    return {StopReason::MaxPressure, std::string(buf) + ": the line cannot carry this flow"};
}

namespace {

// What one march holds while it goes: the model, its control and observers,
// the state and the distance marched.
struct Marcher {
    const PointModel& model;
    const TraverseOptions& opt;
    const long& evaluations;
    int dir;  // +1 from the inlet, -1 from the outlet
    StepControl& control;
    PointWriter& points;
    StretchLog& stretches;
    State y;
    double t = 0;  // distance marched, m
    long steps = 0;  // accepted

    // The driver loop over the steps of one segment.
    void segment(const Segment& g) {
        double s = dir > 0 ? g.s0 : g.s1;
        const double s_end = dir > 0 ? g.s1 : g.s0;
        Eval start = model.at(g, s, y.pres, y.temp);
        points.first(start);
        double h = control.start_segment(g.s1 - g.s0, dir);
        while (dir * (s_end - s) > 0) {
            if (control.over_budget(evaluations)) throw budget_spent(start.pt.md, y.pres);
            if (opt.interrupted && control.poll_now() && opt.interrupted()) throw Stop{StopReason::Interrupted, "interrupted"};
            const bool clamped = dir * (s + h - s_end) > 0;
            const double h_wanted = std::fabs(h);
            if (clamped) h = s_end - s;
            const bool last = dir * (s + h - s_end) >= 0;
            Trial trial;
            try {
                trial = bogacki_shampine(model, g, s, y, start, h, last, s_end);
            } catch (const Stop&) {
                // A trial may reach where the line fails although a shorter one would not.
                if (!control.shorten(h, dir)) throw;
                continue;
            }
            const double error = std::max(trial.error, trial.temp_error * opt.tol / kTempTolerance);
            const Verdict v = control.judge(error, std::fabs(trial.third.pres - y.pres), h, t, dir);
            if (v == Verdict::Retry) {
                h = control.retry_step();
                continue;
            }
            const double ds = std::fabs(h);
            stretches.step({&start, &trial.mid, &trial.three_quarter, &trial.end}, ds, v);
            points.inside(model, g, s, h, t, ds, y, start, trial.third, trial.end);
            y = trial.third;
            ++steps;
            s = last ? s_end : s + h;
            t += ds;
            points.end(start, trial.end, last, t);
            start = trial.end;
            if (dir < 0 && y.pres > opt.max_pres) throw above_max_pres(opt.max_pres, start.pt.md);
            h = dir * control.next_step(v, error, ds, h_wanted, clamped);
        }
    }
};

// The summary's ends and parts from the state reached.
void summarise(const std::vector<Segment>& segs, const TraverseOptions& opt, int dir, const State& y,
               const std::vector<TraversePoint>& points, const TraversePoint& reached, TraverseSummary& sum) {
    const double p_start = opt.pres, p_end = y.pres;
    // A march that stopped knows the pressure where it stopped, not at the far end.
    const double far_end = sum.complete ? p_end : std::numeric_limits<double>::quiet_NaN();
    if (!sum.complete) {
        const Segment& first = segs[dir > 0 ? 0 : segs.size() - 1];
        sum.stop_md = points.empty() ? (dir > 0 ? first.md0 : first.md1) : reached.md;
        sum.stop_pres = p_end;
    }
    sum.inlet_pres = dir > 0 ? p_start : far_end;
    sum.outlet_pres = dir > 0 ? far_end : p_start;
    sum.dp_total = dir * (p_start - p_end);
    // The quadratures ran along the march: against the flow their signs are reversed.
    sum.dp_friction = dir * y.friction;
    sum.dp_gravity = dir * y.gravity;
    sum.dp_acceleration = dir * y.acceleration;
    sum.liquid_inventory = dir * y.liquid;
    sum.heat_law = opt.heat.law;
    if (points.empty()) return;
    const double t_far = sum.complete ? reached.temp : std::numeric_limits<double>::quiet_NaN();
    sum.inlet_temp = dir > 0 ? points.front().temp : t_far;
    sum.outlet_temp = dir > 0 ? t_far : points.front().temp;
    if (opt.heat.marched()) sum.heat_lost = dir * y.heat;
}

// The march along every segment from the given end, with `model` at each point.
void run(const std::vector<Segment>& segs, const PointModel& model, const TraverseOptions& opt, TraverseResult& res) {
    TraverseSummary& sum = res.summary;
    const int dir = opt.from_outlet ? -1 : 1;
    const double length = segs.back().s1;
    // The step control's own scale (for noise and the growth after it): the
    // default output spacing whatever spacing is asked for, so that where
    // points are written never moves the answer.
    const double control_step = std::min(length / 200, 30.0);
    const double out_step = opt.output_step > 0 ? opt.output_step : control_step;
    // The evaluations a line may spend: per metre and per station, so that a
    // finer survey of the same line may spend more only for its stations.
    double budget = 20000 + 200.0 * static_cast<double>(segs.size()) + 100 * length;
    if (opt.max_evaluations > 0) budget = std::min(budget, static_cast<double>(opt.max_evaluations));
    StepControl control(opt.tol, control_step, budget);
    PointWriter points(res.points, out_step);
    StretchLog stretches(sum, out_step);
    State start{opt.pres};
    start.temp = opt.heat.marched() ? opt.heat.inlet_temp : 0.0;
    Marcher m{model, opt, sum.evaluations, dir, control, points, stretches, start};
    try {
        for (size_t k = 0; k < segs.size(); ++k) m.segment(segs[dir > 0 ? k : segs.size() - 1 - k]);
    } catch (const Stop& stop) {
        points.stopped();
        sum.complete = false;
        sum.stop_reason = stop.reason;
        sum.message = stop.why;
    }
    stretches.finish(points.reached().md, dir);
    sum.steps += m.steps;
    summarise(segs, opt, dir, m.y, res.points, points.reached(), sum);
}

}  // namespace
}  // namespace march

namespace march {

TraverseResult march_once(const Line& line, const Fluid& fluid, const TraverseOptions& opt) {
    TraverseResult res;
    RangeLog log;
    res.summary.method = opt.method;
    res.summary.holdup_factor = opt.holdup_factor;
    res.summary.friction_factor = opt.friction_factor;
    const bool tuned = opt.holdup_factor != 1.0 || opt.friction_factor != 1.0;
    const std::vector<march::Segment> segs = march::segments(line, opt.heat.marched());
    // The method, tuned where asked (untuned, exactly the method's own
    // numbers), with the energy balance where the temperature is marched.
    auto heated = [&](const march::PointModel& model) {
        if (!opt.heat.marched()) return march::run(segs, model, opt, res);
        const march::HeatedModel with_heat(model, fluid, opt.heat, method_gravity(opt.method), log);
        march::run(segs, with_heat, opt, res);
    };
    auto run_with = [&](const march::PointModel& model) {
        if (!tuned) return heated(model);
        const march::TunedModel with_factors(model, opt.holdup_factor, opt.friction_factor);
        heated(with_factors);
    };
    march::MethodModel::RangesLeft left;
    run_with(march::MethodModel(method_info(opt.method), fluid, log, left, res.summary.evaluations));
    res.summary.warnings = fluid.warnings(log);
    for (std::string& w : range_warnings(opt.method, left.bits, left.low.data(), left.high.data())) {
        res.summary.warnings.push_back(std::move(w));
    }
    return res;
}

}  // namespace march

Line guess_temperatures(const Line& line, const Fluid& fluid, const TraverseOptions& opt) {
    Line guess = line;
    try {
        const ThermalState th = fluid.thermal(opt.pres, opt.heat.inlet_temp);
        approximate_temperatures(guess, opt.heat, th.mass_rate * th.cp, opt.heat.inlet_temp);
    } catch (const FluidError&) {
        // No specific heat at the outlet's pressure: the surroundings' temperatures.
    }
    return guess;
}

}  // namespace flowmodel
