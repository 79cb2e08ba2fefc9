// One trial step of the embedded Runge-Kutta 3(2) pair of Bogacki and
// Shampine (1989, Appl. Math. Lett. 2(4)): the third-order solution is taken,
// the second-order one only measures the step's error in pressure. The last
// stage is the first of the next step (first same as last).
#ifndef FLOWMODEL_MARCH_STEPPER_HPP
#define FLOWMODEL_MARCH_STEPPER_HPP

#include "march/point_model.hpp"

namespace flowmodel::march {

struct Trial {
    State third;   // the state at the step's end
    Eval mid, three_quarter, end;  // the stages at s + h/2, s + 3h/4 and the end
    double error;  // |third - second-order| in pressure, Pa
    double temp_error;  // the same in temperature, K (0 where it is not marched)
};

// From (s, y) with `start` the answer there, over the signed step h; the end
// stage at s_end when `last`. Throws Stop where a stage cannot be had.
// Whether the step from `start` over h takes the temperature in its
// exponential form (the surroundings pull it faster than the step's length).
bool stiff_step(const Segment& g, const Eval& start, double h);

// The temperature at fraction theta of a stiff step from t0 (at s) to t1:
// the start's difference to the surroundings decaying as e^{-lambda theta h},
// what remains of the end's taken in linearly; between the two ends'
// differences, never beyond them (a cubic through the rates would be).
double stiff_temperature(const Segment& g, double s, double h, double lambda, double t0, double t1, double theta);

Trial bogacki_shampine(const PointModel& model, const Segment& g, double s, const State& y, const Eval& start, double h,
                       bool last, double s_end);

}  // namespace flowmodel::march

#endif
