// Closure correlations shared by both solutions: wetted half-angle, wave
// amplitude, hydraulic diameter and the wall and interfacial friction factors.
#ifndef FLOWMODEL_CORRELATIONS_H
#define FLOWMODEL_CORRELATIONS_H

namespace flowmodel {

// Wetted half-angle (rad, in [0, pi]) of a liquid layer from the gas-region and
// liquid-layer area fractions ag and al (ag + al = 1).
double wetang(double ag, double al);

// Interfacial wave amplitude (m, >= 0) for the gas-liquid velocity difference du (m/s).
double wavamp(double du);

// The parts of wavamp and fricho that depend on the record alone, for the
// solutions, which evaluate both many times per call with the same record.
struct CorrTerms {
    double wf;  // rs90 / ((rol - rog) g), m^2 s^2/kg
    double wh;  // 0.5 rog, kg/m3
    double wc;  // 4 (0.5 sigma wf), m^2
    double fs;  // 75 c90^2 + 2.6 sqrt(rol/rog) s90^2
};
CorrTerms corrterms();

// wavamp and fricho with the record terms given; the same results bit for bit.
double wavamp(double du, const CorrTerms& t);
double fricho(double hol, const CorrTerms& t);

// Hydraulic diameter (m, in [1e-9, d]) of a phase with area fraction fa bounded
// by the perimeter fraction fp of a pipe of diameter d.
double hyddia(double d, double fa, double fp);

// Darcy friction factor of a stream: hydraulic diameter dh (m), velocity u
// (m/s, sign ignored), density rho, viscosity mu, roughness k (m); the larger
// of the laminar 64/Re and the explicit turbulent value.
double fricfa(double dh, double u, double rho, double mu, double k);

// Interfacial friction factor from the liquid holdup and the inclination.
double fricho(double hol);

// Interfacial friction factor from the wave amplitude amp and the gas
// hydraulic diameter dh (both m).
double fricwa(double amp, double dh);

}  // namespace flowmodel

#endif
