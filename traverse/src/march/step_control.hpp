// The step control: the step is controlled on the pressure so that the
// estimated local errors of a segment add up to less than the tolerance. A
// jump of the gradient inside a step (a regime change) gives an error that
// shrinks only in proportion to the step, never below what is allowed: such
// a step is taken once its error is a small fixed share of the tolerance, the
// step then ending close to the jump. Jumps one after another, several within
// one control spacing, are noise in the answers (the model's separated
// solution converging to either of two roots with a small change of its
// input), which no step resolves: there a step is taken once its error is
// below a share of its own pressure change, and so is every step after it
// until one meets the tolerance again. The shortest step is a length, and
// the evaluations a line may spend grow with its length and its stations.
#ifndef FLOWMODEL_MARCH_STEP_CONTROL_HPP
#define FLOWMODEL_MARCH_STEP_CONTROL_HPP

#include <array>
#include <cstddef>
#include <limits>

namespace flowmodel::march {

// What the control makes of a trial step.
enum class Verdict {
    Retry,   // rejected: try retry_step()
    Smooth,  // within the tolerance
    Jump,    // over a jump, its error a small share of the tolerance
    Noise,   // over noise, its error a small share of its pressure change
    Floor,   // at the shortest step without meeting any of them
};

class StepControl {
public:
    static constexpr double kJumpShare = 0.02;   // of the tolerance: the error accepted for a step over a jump
    static constexpr double kNoiseShare = 1e-2;  // of a step's pressure change: the error accepted for noise
    static constexpr double kStepFloor = 0.01;   // m: the shortest step
    static constexpr std::size_t kJumps = 4;     // jumps within a control spacing that make noise

    // tol: Pa per segment; control_step: m, the spacing the noise rule and
    // the growth after a jump refer to; budget: evaluations the line may spend.
    StepControl(double tol, double control_step, double budget);

    // At the start of a segment: the first step, signed by dir (+1 along md, -1 against).
    double start_segment(double seg_len, int dir);
    bool over_budget(long evaluations) const { return static_cast<double>(evaluations) > budget_; }
    // True every eighth step: when to ask whether the march is to stop.
    bool poll_now() { return ++steps_ % 8 == 0; }
    // A trial that could not be had (the line fails within it): false at the
    // shortest step; else `h` becomes a quarter of it, not below the floor.
    bool shorten(double& h, int dir) const;

    // The verdict on a trial of signed step h, with error `err` and pressure
    // change `dp_step`, begun at distance t marched.
    Verdict judge(double err, double dp_step, double h, double t, int dir);
    double retry_step() const { return retry_h_; }
    // After an accepted step of length ds (h_wanted before it was cut to the
    // segment's end, `clamped`): the next step's length.
    double next_step(Verdict v, double err, double ds, double h_wanted, bool clamped);

private:
    double tol_, control_step_, budget_;
    double h_next_ = 0;      // the step proposed, carried from segment to segment
    double h_min_ = 0, tol_per_m_ = 0, allowed_ = 0, retry_h_ = 0;
    double rejected_err_ = 0, rejected_h_ = 0;  // the last rejected trial of this step
    bool noisy_ = false;     // the last step was taken over noise
    long steps_ = 0;
    std::array<double, kJumps> jumps_;  // where the last steps over a jump began, distance marched, m
};

}  // namespace flowmodel::march

#endif
