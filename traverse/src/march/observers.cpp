// The march's observers: output points and stretches.
#include "march/observers.hpp"
#include "march/stepper.hpp"

#include <algorithm>
#include <cmath>

namespace flowmodel::march {

namespace {

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
FloorCause floor_cause(const std::array<const Eval*, 4>& e) {
    bool flips = false, invalid = false, critical = false;
    for (const Eval* k : e) {
        const TraversePoint& p = k->pt;
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

void PointWriter::first(const Eval& e) {
    if (!points_.empty()) return;
    points_.push_back(e.pt);
    reached_ = e.pt;
    any_reached_ = true;
    last_written_ = true;
}

void PointWriter::inside(const PointModel& model, const Segment& g, double s, double h, double t, double ds,
                         const State& y, const Eval& start, const State& end_state, const Eval& end) {
    while (t_out_ + out_step_ < t + ds - 1e-9 * (1 + ds)) {
        t_out_ += out_step_;
        const double theta = (t_out_ - t) / ds;
        const double p = hermite(y.pres, start.rate.pres, end_state.pres, end.rate.pres, h, theta);
        const double T = stiff_step(g, start, h)
                             ? stiff_temperature(g, s, h, start.relax, y.temp, end_state.temp, theta)
                             : hermite(y.temp, start.rate.temp, end_state.temp, end.rate.temp, h, theta);
        points_.push_back(model.at(g, s + theta * h, p, T).pt);
    }
}

void PointWriter::end(const Eval& start, const Eval& end, bool last, double t) {
    last_written_ = last || end.pt.id != start.pt.id || end.pt.answer != start.pt.answer || end.pt.ierr != start.pt.ierr;
    if (last_written_) {
        points_.push_back(end.pt);
        t_out_ = t;
    }
    reached_ = end.pt;
    any_reached_ = true;
}

void PointWriter::stopped() {
    // No point made up where the march stopped before its first one.
    if (!last_written_ && any_reached_) points_.push_back(reached_);
}

void StretchLog::step(const std::array<const Eval*, 4>& stages, double ds, Verdict v) {
    const TraversePoint& a = stages[0]->pt;
    const TraversePoint& b = stages[3]->pt;
    // A step at the floor, or taken over noise (the regime flipping back and
    // forth from step to step; its error held to a share of its pressure
    // change, not of the tolerance): the tolerance is not met there.
    if (v == Verdict::Floor || v == Verdict::Noise) {
        // One stretch per cause, merged across short gaps.
        const FloorCause why = v == Verdict::Noise ? FloorCause::AnswersJump : floor_cause(stages);
        if (!floor_why_.empty() && floor_why_.back() == why) {
            add_stretch(floor_md_, a.md, b.md, out_step_);
        } else {
            floor_md_.push_back({std::min(a.md, b.md), std::max(a.md, b.md)});
            floor_why_.push_back(why);
        }
        if (floor_md_.size() > floor_why_.size()) floor_why_.push_back(why);
    }
    // The regime of the middle of the step stands for the step.
    const TraversePoint& mid = stages[1]->pt;
    if (mid.ierr <= 1) sum_.regime_length[static_cast<size_t>(mid.id)] += ds;
    bool bridged = false, invalid = false;
    for (const Eval* e : stages) {
        bridged |= e->pt.answer == Answer::Bridged;
        invalid |= e->pt.answer == Answer::Invalid;
    }
    if (bridged) add_stretch(sum_.bridged_stretches, a.md, b.md, out_step_);
    if (invalid) add_stretch(sum_.invalid_stretches, a.md, b.md, out_step_);
}

void StretchLog::finish(double reached_md, int dir) {
    // Before a stop at the critical-flow limit (or the pressure falling to
    // nothing), whatever kept the step short within the last output spacing
    // was the approach to it: one stretch says so.
    const bool choked = sum_.stop_reason == StopReason::CriticalFlow || sum_.stop_reason == StopReason::LowPressure;
    for (size_t i = 0; i < floor_md_.size(); ++i) {
        const bool near_stop = choked && std::fabs((dir > 0 ? floor_md_[i][1] : floor_md_[i][0]) - reached_md) <= out_step_;
        const FloorCause why = near_stop ? FloorCause::CriticalFlow : floor_why_[i];
        if (!sum_.floor_stretches.empty() && sum_.floor_stretches.back().cause == why &&
            (why == FloorCause::CriticalFlow ||
             std::fabs(floor_md_[i][0] - sum_.floor_stretches.back().md[1]) <= out_step_)) {
            auto& md = sum_.floor_stretches.back().md;
            md = {std::min(md[0], floor_md_[i][0]), std::max(md[1], floor_md_[i][1])};
        } else {
            sum_.floor_stretches.push_back({floor_md_[i], why});
        }
    }
    sum_.bridged_length = total_length(sum_.bridged_stretches);
    sum_.invalid_length = total_length(sum_.invalid_stretches);
}

}  // namespace flowmodel::march
