// Inflow performance: the rate a reservoir gives against the flowing
// bottom-hole pressure, rates at standard conditions (m3/s), pressures
// absolute (Pa).
//   Linear (productivity index): q = J (pr - pwf).
//   Vogel (1968), "Inflow Performance Relationships for Solution-Gas Drive
//   Wells", JPT 20(1): q/qmax = 1 - 0.2 (pwf/pr) - 0.8 (pwf/pr)^2.
//   Composite (Brown 1984, The Technology of Artificial Lift Methods, vol. 4;
//   the generalised Vogel of the textbooks): the straight line above the
//   bubble point pb, Vogel below it with qmax - qb = J pb / 1.8, so that rate
//   and slope are continuous at pb: q = J (pr - pb) + J pb/1.8 [1 - 0.2 x - 0.8 x^2], x = pwf/pb.
//   Fetkovich (1973), "The Isochronal Testing of Oil Wells", SPE 4529, the
//   gas-well backpressure form: q = C (pr^2 - pwf^2)^n.
//   Injectivity (an injection well; the injectivity index of the textbooks,
//   e.g. Craig 1971, The Reservoir Engineering Aspects of Waterflooding):
//   the reservoir takes q = II (pwf - pr) at pwf above pr, so that it needs
//   pwf = pr + q / II to take the rate q.
#ifndef FLOWMODEL_IPR_HPP
#define FLOWMODEL_IPR_HPP

namespace flowmodel::ipr {

enum class Kind { Linear, Vogel, Composite, Fetkovich, Injectivity };

struct Inflow {
    Kind kind = Kind::Linear;
    double pr = 0;    // average reservoir pressure, Pa
    double j = 0;     // productivity index, m3/s per Pa (Linear, Composite); injectivity index (Injectivity)
    double qmax = 0;  // Vogel's rate at pwf = 0, m3/s
    double pb = 0;    // bubble point, Pa (Composite)
    double c = 0;     // m3/s per Pa^(2n) (Fetkovich)
    double n = 1;     // exponent (Fetkovich)
};

// Vogel through one test: qmax = q_test / (1 - 0.2 x - 0.8 x^2), x = pwf_test / pr.
Inflow vogel_from_test(double pr, double q_test, double pwf_test);

// The rate at a flowing bottom-hole pressure (0 at and above pr; an
// injector's: the rate it takes, 0 at and below pr).
double rate(const Inflow& in, double pwf);
// The flowing bottom-hole pressure that gives rate q; NaN above the absolute
// open flow (an injector's: the pressure that makes the reservoir take q).
double pwf(const Inflow& in, double q);
// The absolute open flow: the rate at pwf = 0 (an injector's: infinite,
// since the rate it takes grows without bound with the pressure).
double absolute_open_flow(const Inflow& in);
// Whether the inflow is an injection well's.
inline bool injects(const Inflow& in) { return in.kind == Kind::Injectivity; }

}  // namespace flowmodel::ipr

#endif
