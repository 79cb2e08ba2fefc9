// The Bogacki-Shampine 3(2) tableau; where the surroundings pull the
// temperature faster than an explicit step can follow, an exponential
// integrator for the temperature.
#include "march/stepper.hpp"

#include <cmath>

namespace flowmodel::march {

namespace {

// phi1(z) = (e^z - 1)/z and phi2(z) = (e^z - 1 - z)/z^2, z <= 0.
double phi1(double z) { return std::fabs(z) < 1e-4 ? 1 + z / 2 : std::expm1(z) / z; }
double phi2(double z) { return std::fabs(z) < 1e-3 ? 0.5 + z / 6 : (std::expm1(z) - z) / (z * z); }

// The temperature over a step where the heat loss is stiff: with y = T - Ts
// (Ts the surroundings', linear along the segment) and lambda the
// relaxation rate at the step's start, y' = -lambda y + N, N = dT/ds +
// lambda y - Ts' the rest of the energy balance (friction, Joule-Thomson,
// potential energy). The decay is taken in closed form and N as linear over
// the step (exponential time differencing, Cox and Matthews 2002, J. Comput.
// Phys. 176): y(ch) = e^{-lambda c h} y0 + c h phi1 N0 + c h phi2 (N' c h).
// Stable for any lambda h; as lambda h grows the fluid settles at Ts + N /
// lambda, the balance of its heat loss and the rest, as it should.
class Relaxation {
public:
    Relaxation(const Segment& g, double s, double h, double lambda, double t0)
        : g_(g), s_(s), h_(h), lambda_(lambda),
          slope_(g.s1 != g.s0 ? (g.t1 - g.t0) / (g.s1 - g.s0) : 0.0), y0_(t0 - surroundings(s)) {}

    // N at fraction c of the step, with the temperature there and its rate.
    double n(double c, double temp, double rate) const {
        return rate + lambda_ * (temp - surroundings(s_ + c * h_)) - slope_;
    }
    // The temperature at fraction c of the step, N being n0 at its start and
    // changing by dn per unit of c.
    double temp(double c, double n0, double dn) const {
        const double z = -lambda_ * c * h_;
        const double y = std::exp(z) * y0_ + c * h_ * phi1(z) * n0 + c * h_ * phi2(z) * dn * c;
        return surroundings(s_ + c * h_) + y;
    }

private:
    double surroundings(double s) const { return g_.t0 + slope_ * (s - g_.s0); }
    const Segment& g_;
    double s_, h_, lambda_, slope_, y0_;
};

// Beyond this lambda h the plain tableau nears the edge of its stability on
// the real axis (about -2.5): the exponential integrator is taken.
constexpr double kStiff = 1.0;

}  // namespace

bool stiff_step(const Segment& g, const Eval& start, double h) {
    return g.temp_marched && h > 0 && start.relax * h > kStiff;
}

double stiff_temperature(const Segment& g, double s, double h, double lambda, double t0, double t1, double theta) {
    const double slope = g.s1 != g.s0 ? (g.t1 - g.t0) / (g.s1 - g.s0) : 0.0;
    auto surroundings = [&](double at) { return g.t0 + slope * (at - g.s0); };
    const double y0 = t0 - surroundings(s), y1 = t1 - surroundings(s + h);
    const double decay = std::exp(-lambda * theta * h), decay_end = std::exp(-lambda * h);
    return surroundings(s + theta * h) + y0 * decay + (y1 - y0 * decay_end) * theta;
}

Trial bogacki_shampine(const PointModel& model, const Segment& g, double s, const State& y, const Eval& start, double h,
                       bool last, double s_end) {
    const bool stiff = stiff_step(g, start, h);
    const Relaxation rx(g, s, h, start.relax, y.temp);
    const double n0 = stiff ? rx.n(0, y.temp, start.rate.temp) : 0.0;
    Trial t;
    State mid = y + (0.5 * h) * start.rate;
    if (stiff) mid.temp = rx.temp(0.5, n0, 0);
    t.mid = model.at(g, s + 0.5 * h, mid.pres, mid.temp);
    State three_quarter = y + (0.75 * h) * t.mid.rate;
    if (stiff) three_quarter.temp = rx.temp(0.75, n0, (rx.n(0.5, mid.temp, t.mid.rate.temp) - n0) / 0.5);
    t.three_quarter = model.at(g, s + 0.75 * h, three_quarter.pres, three_quarter.temp);
    t.third = y + h * ((2.0 / 9) * start.rate + (1.0 / 3) * t.mid.rate + (4.0 / 9) * t.three_quarter.rate);
    const double dn = stiff ? (rx.n(0.75, three_quarter.temp, t.three_quarter.rate.temp) - n0) / 0.75 : 0.0;
    if (stiff) t.third.temp = rx.temp(1, n0, dn);
    t.end = model.at(g, last ? s_end : s + h, t.third.pres, t.third.temp);
    const State second =
        y + h * ((7.0 / 24) * start.rate + 0.25 * t.mid.rate + (1.0 / 3) * t.three_quarter.rate + 0.125 * t.end.rate);
    t.error = std::fabs(t.third.pres - second.pres);
    // In the exponential form the error is that of N's slope over the step:
    // from the stage at 3/4 against from the end.
    t.temp_error = stiff ? std::fabs(t.third.temp - rx.temp(1, n0, rx.n(1, t.third.temp, t.end.rate.temp) - n0))
                         : std::fabs(t.third.temp - second.temp);
    return t;
}

}  // namespace flowmodel::march
