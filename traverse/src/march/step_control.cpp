// The step control of the march.
#include "march/step_control.hpp"

#include <algorithm>
#include <cmath>

namespace flowmodel::march {

StepControl::StepControl(double tol, double control_step, double budget)
    : tol_(tol), control_step_(control_step), budget_(budget) {
    jumps_.fill(-std::numeric_limits<double>::infinity());
}

double StepControl::start_segment(double seg_len, int dir) {
    if (h_next_ == 0) h_next_ = std::min(seg_len, std::max(seg_len / 20.0, 1.0));
    h_min_ = std::min(kStepFloor, seg_len);
    tol_per_m_ = tol_ / seg_len;  // Pa of error per metre of the segment
    rejected_err_ = 0;
    rejected_h_ = 0;
    return dir * std::max(std::min(h_next_, seg_len), h_min_);
}

bool StepControl::shorten(double& h, int dir) const {
    if (std::fabs(h) <= h_min_) return false;
    h = dir * std::max(std::fabs(h) * 0.25, h_min_);
    return true;
}

Verdict StepControl::judge(double err, double dp_step, double h, double t, int dir) {
    const double allowed = 0.5 * tol_per_m_ * std::fabs(h);
    // An error that did not shrink faster than the square of the step on the
    // last retry comes from a jump.
    const bool rough = rejected_err_ > 0 && err > rejected_err_ * std::pow(std::fabs(h) / rejected_h_, 2);
    const bool smooth = err <= allowed;
    const bool jump_taken = err <= kJumpShare * tol_;
    const bool dense = t - jumps_[0] < control_step_;  // kJumps jumps within the last control spacing
    const bool noise_taken = (noisy_ || (rough && dense)) && err <= kNoiseShare * dp_step;
    if (!smooth && !jump_taken && !noise_taken && std::fabs(h) > h_min_) {
        rejected_err_ = err;
        rejected_h_ = std::fabs(h);
        retry_h_ = dir * std::max(std::fabs(h) * std::max(0.1, 0.9 * std::cbrt(allowed / err)), h_min_);
        return Verdict::Retry;
    }
    rejected_err_ = 0;
    noisy_ = !smooth && !jump_taken && noise_taken;
    if (!smooth) {  // over a jump, over noise, or at the floor
        std::rotate(jumps_.begin(), jumps_.begin() + 1, jumps_.end());
        jumps_.back() = t;
    }
    allowed_ = allowed;
    return smooth ? Verdict::Smooth : jump_taken ? Verdict::Jump : noise_taken ? Verdict::Noise : Verdict::Floor;
}

double StepControl::next_step(Verdict v, double err, double ds, double h_wanted, bool clamped) {
    const double grow = err > 0 ? 0.9 * std::cbrt(allowed_ / err) : 4.0;
    double proposed = std::max(ds * std::min(4.0, std::max(0.2, grow)), h_min_);
    if (v != Verdict::Smooth) {
        // Taken over a jump, noise or at the floor: a shorter step would not
        // do better, so the next one doubles, up to the control spacing.
        proposed = std::max(ds, std::min(2 * ds, control_step_));
    }
    // A step cut short by the segment's end says nothing against the step wanted.
    h_next_ = clamped ? std::max(proposed, h_wanted) : proposed;
    return h_next_;
}

}  // namespace flowmodel::march
