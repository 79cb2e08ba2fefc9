// What the march hands on as it goes: the points a user asked for, and the
// stretches of the line worth a word (answers bridged or kept invalid, steps
// at the floor, the length in each regime). Neither changes the march.
#ifndef FLOWMODEL_MARCH_OBSERVERS_HPP
#define FLOWMODEL_MARCH_OBSERVERS_HPP

#include <array>
#include <vector>

#include "march/point_model.hpp"
#include "march/step_control.hpp"

namespace flowmodel::march {

// The points: every station, every point where the regime or the kind of
// answer changes, and between them points at most `out_step` apart (cubic
// Hermite in pressure between the ends of a step, the model evaluated
// there), never the integrator's own steps.
class PointWriter {
public:
    PointWriter(std::vector<TraversePoint>& points, double out_step) : points_(points), out_step_(out_step) {}
    // At the start of a segment: the line's first point.
    void first(const Eval& e);
    // Inside an accepted step of signed length h from s (distance t marched,
    // ds = |h|), from (y, start) to (end_state, end).
    void inside(const PointModel& model, const Segment& g, double s, double h, double t, double ds, const State& y,
                const Eval& start, const State& end_state, const Eval& end);
    // After it, at distance t: its end, where it is a station (`last`) or a change.
    void end(const Eval& start, const Eval& end, bool last, double t);
    // Where the march stopped, when that point is not among the points yet.
    void stopped();
    const TraversePoint& reached() const { return reached_; }

private:
    std::vector<TraversePoint>& points_;
    double out_step_;
    double t_out_ = 0;          // distance marched to the last point written, m
    bool last_written_ = false;  // the point reached is among the points
    bool any_reached_ = false;   // a march stopped at its very first point reached none
    TraversePoint reached_{};    // the last point the march reached
};

// The stretches, merged across gaps shorter than the output spacing, into the summary.
class StretchLog {
public:
    StretchLog(TraverseSummary& summary, double out_step) : sum_(summary), out_step_(out_step) {}
    // An accepted step of length ds with its four stages and its verdict.
    void step(const std::array<const Eval*, 4>& stages, double ds, Verdict v);
    // At the end: the floor stretches with their causes (near a choke, the
    // approach to it), the lengths bridged and invalid. `reached_md` is where
    // the march ended or stopped, `dir` its direction.
    void finish(double reached_md, int dir);

private:
    TraverseSummary& sum_;
    double out_step_;
    std::vector<std::array<double, 2>> floor_md_;
    std::vector<FloorCause> floor_why_;
};

}  // namespace flowmodel::march

#endif
