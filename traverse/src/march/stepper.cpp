// The Bogacki-Shampine 3(2) tableau.
#include "march/stepper.hpp"

#include <cmath>

namespace flowmodel::march {

Trial bogacki_shampine(const PointModel& model, const Segment& g, double s, const State& y, const Eval& start, double h,
                       bool last, double s_end) {
    Trial t;
    const State mid = y + (0.5 * h) * start.rate;
    t.mid = model.at(g, s + 0.5 * h, mid.pres, mid.temp);
    const State three_quarter = y + (0.75 * h) * t.mid.rate;
    t.three_quarter = model.at(g, s + 0.75 * h, three_quarter.pres, three_quarter.temp);
    t.third = y + h * ((2.0 / 9) * start.rate + (1.0 / 3) * t.mid.rate + (4.0 / 9) * t.three_quarter.rate);
    t.end = model.at(g, last ? s_end : s + h, t.third.pres, t.third.temp);
    const State second =
        y + h * ((7.0 / 24) * start.rate + 0.25 * t.mid.rate + (1.0 / 3) * t.three_quarter.rate + 0.125 * t.end.rate);
    t.error = std::fabs(t.third.pres - second.pres);
    t.temp_error = std::fabs(t.third.temp - second.temp);
    return t;
}

}  // namespace flowmodel::march
