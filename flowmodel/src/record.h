// The model's shared input record `flowcom` and the fixed-message fill `strfill`.
#ifndef FLOWMODEL_RECORD_H
#define FLOWMODEL_RECORD_H

namespace flowmodel {

// Gravity (m/s^2) and pi as the model defines them: these literals, not the
// full double-precision values, fix the last bits of every result.
constexpr double kGrav = 9.81;
constexpr double kPi = 3.141592654;

// Inputs of one evaluation and the inclination terms derived from them (SI).
struct FlowRecord {
    double s90;    // sin(angle + 90 deg) = cos(angle)
    double c90;    // cos(angle + 90 deg) = -sin(angle)
    double rs90;   // 1/|s90|, 1e6 when |s90| <= 1e-6
    double usl;    // superficial liquid velocity, m/s
    double usg;    // superficial gas velocity, m/s
    double rol;    // liquid density, kg/m3 (may be raised by intest)
    double rog;    // gas density, kg/m3
    double visl;   // liquid dynamic viscosity, Pa s
    double visg;   // gas dynamic viscosity, Pa s
    double rough;  // absolute wall roughness, m
    double sigma;  // surface tension, N/m
    double diam;   // pipe inner diameter, m
    double angle;  // inclination from horizontal, degrees, positive upward
    double pres;   // pressure, Pa
};

// One record per thread: a single caller sees exactly one process-wide record,
// while evaluations on different threads can no longer corrupt each other
// (a data race on a shared record would be undefined behaviour).
extern thread_local FlowRecord flowcom;

// Copies src into dst up to its NUL or n characters, pads with blanks to n
// characters and writes a NUL at dst[n] (n + 1 bytes touched). Writes nothing
// when dst or src is null or n <= 0; then returns null, else dst.
char* strfill(char* dst, const char* src, int n);

}  // namespace flowmodel

#endif
