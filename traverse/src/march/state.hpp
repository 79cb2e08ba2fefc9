// What the march carries and what it asks at a point: the state along the
// line (the pressure and the running sums of its parts), one segment of the
// line in flow order, the answer at a point, and why a march stops.
#ifndef FLOWMODEL_MARCH_STATE_HPP
#define FLOWMODEL_MARCH_STATE_HPP

#include <string>

#include "flowmodel/traverse.hpp"

namespace flowmodel::march {

// The state integrated along the march, and (as Rate) its derivative in the
// distance marched. The parts and the liquid are quadratures of the same
// stages as the pressure.
struct State {
    double pres = 0;          // Pa
    double friction = 0;      // Pa lost to friction, along the march
    double gravity = 0;       // Pa
    double acceleration = 0;  // Pa
    double liquid = 0;        // m3 of liquid in the line
    // With heat transfer: the fluid's temperature, K, and the heat it has
    // lost, W. Without, the temperature is the line's and neither is marched.
    double temp = 0;
    double heat = 0;
};
using Rate = State;  // d/ds of each: dp/ds = -dpt, and the parts, Pa/m; the liquid, m3/m; dT/ds, K/m; W/m

// Component by component, in the order written (so sums keep their rounding).
inline State operator+(const State& a, const State& b) {
    return {a.pres + b.pres, a.friction + b.friction, a.gravity + b.gravity, a.acceleration + b.acceleration,
            a.liquid + b.liquid, a.temp + b.temp, a.heat + b.heat};
}
inline State operator*(double k, const State& a) {
    return {k * a.pres, k * a.friction, k * a.gravity, k * a.acceleration, k * a.liquid, k * a.temp, k * a.heat};
}

// One segment in flow order: s runs from s0 to s1 along the flow; md, z and
// the line's temperature are interpolated linearly in s. With heat transfer
// (temp_marched) the line's temperature is the surroundings' and the fluid's
// is the state's.
struct Segment {
    double s0, s1, md0, md1, z0, z1, diam, rough, t0, t1, angle;
    bool temp_marched = false;
};

// What the march integrates at a point: the point as written, and the rate.
struct Eval {
    TraversePoint pt;
    Rate rate;
    // With heat transfer: how fast the surroundings pull the temperature,
    // -d(dT/ds)/dT of the heat loss, 1/m (0 without): over a step much
    // longer than 1/relax an explicit step is unstable (see stepper.cpp).
    double relax = 0;
};

// Why the march cannot go on, and where.
struct Stop {
    StopReason reason;
    std::string why;
};

}  // namespace flowmodel::march

#endif
