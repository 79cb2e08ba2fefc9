// What the classic methods share: the no-slip quantities of a point, the
// dimensionless velocity and viscosity numbers, the Moody friction factor,
// and the single-phase answer every method gives where only one phase flows.
#ifndef FLOWMODEL_METHODS_COMMON_HPP
#define FLOWMODEL_METHODS_COMMON_HPP

#include "flowmodel/constants.hpp"
#include "flowmodel/methods.hpp"

namespace flowmodel::classic {

using constant::kPi;
constexpr double kG = constant::kStandardGravity;  // m/s2

// The no-slip mixture of a point, SI.
struct Mixture {
    double vm;      // mixture velocity, m/s
    double lambda;  // no-slip liquid fraction vsl/vm
    double rhon;    // no-slip density, kg/m3
    double mun;     // no-slip viscosity, Pa s
    double re;      // no-slip Reynolds number rhon vm d / mun
    double sine;    // sine of the inclination (positive upward)
};
Mixture mixture(const Inputs& in);

// The velocity numbers NLV = vsl (rol/(g sigma))^1/4, NGV = vsg (rol/(g sigma))^1/4
// and the liquid viscosity number NL = visl (g/(rol sigma^3))^1/4 (Duns & Ros
// 1963, as used by Hagedorn & Brown, Gray and Mukherjee & Brill).
struct VelocityNumbers {
    double nlv, ngv, nl;
};
VelocityNumbers velocity_numbers(const Inputs& in);

// The Moody (Darcy) friction factor: 64/Re below Re 2000, else the root of
// Colebrook's equation (1939), 1/sqrt(f) = -2 log10(e/(3.7 d) + 2.51/(Re sqrt(f))).
double moody(double re, double rel_rough);

// Whether the inputs describe a flow the classic methods take: every
// property finite and positive where it must be, and some flow.
bool proper(const Inputs& in);

// The answer where one phase flows alone (vsg or vsl zero), or the
// homogeneous mixture of both: friction by Moody at the no-slip Reynolds
// number, gravity of the no-slip density, acceleration from
// Ek = rhon vm vsg / p. Holdup the no-slip fraction.
PointAnswer homogeneous(const Inputs& in, const Mixture& mx, Pattern pattern);

// dpt = (dpf + dpg) / (1 - Ek) with Ek = rho vm vsg / p, the acceleration
// part the rest; invalid (critical) where Ek reaches 1.
void close_with_acceleration(PointAnswer& a, double ek);

// Whether the flow is single phase, and then its answer.
bool single_phase(const Inputs& in, const Mixture& mx, PointAnswer& out);

// The methods, each in its own file.
PointAnswer beggs_brill(const Inputs& in, Method variant);
PointAnswer gray(const Inputs& in);
PointAnswer hagedorn_brown(const Inputs& in);
PointAnswer mukherjee_brill(const Inputs& in);
PointAnswer no_slip(const Inputs& in);

}  // namespace flowmodel::classic

#endif
