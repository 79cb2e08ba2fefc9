// The built-in cases.
#include "cases.h"

namespace pipeflow_cli {

namespace {

flowmodel::Inputs air_water(double usl, double usg, double angle, double diam = 0.05) {
    flowmodel::Inputs in;
    in.usl = usl;
    in.usg = usg;
    in.rol = 1000.0;    // kg/m3
    in.rog = 1.2;       // kg/m3
    in.visl = 1e-3;     // Pa s
    in.visg = 1.8e-5;   // Pa s
    in.rough = 1.5e-6;  // m, drawn tubing
    in.sigma = 0.072;   // N/m
    in.diam = diam;
    in.angle = angle;
    in.pres = 101300.0;  // Pa
    return in;
}

// Light crude oil and natural gas at 50 bar in a 15 cm steel line.
flowmodel::Inputs oil_gas(double usl, double usg, double angle) {
    flowmodel::Inputs in;
    in.usl = usl;
    in.usg = usg;
    in.rol = 850.0;
    in.rog = 40.0;
    in.visl = 5e-3;
    in.visg = 1.4e-5;
    in.rough = 4.6e-5;
    in.sigma = 0.02;
    in.diam = 0.15;
    in.angle = angle;
    in.pres = 5e6;
    return in;
}

}  // namespace

const std::vector<NamedCase>& default_cases() {
    static const std::vector<NamedCase> cases = {
        {"air-water", air_water(0.001, 0.1, 0.0)},
        {"air-water", air_water(0.01, 5.0, 0.0)},
        {"air-water", air_water(0.01, 40.0, 0.0)},
        {"air-water", air_water(0.5, 1.0, 0.0)},
        {"air-water", air_water(5.0, 0.3, 0.0)},
        {"air-water", air_water(0.01, 1.0, -10.0)},
        {"air-water", air_water(0.1, 1.0, 10.0)},
        {"air-water", air_water(0.5, 20.0, 90.0)},
        {"air-water", air_water(3.0, 0.1, 90.0)},
        {"oil-gas", oil_gas(0.05, 1.0, 0.0)},
        {"oil-gas", oil_gas(1.0, 2.0, 5.0)},
        {"oil-gas", oil_gas(2.0, 0.2, 90.0)},
        {"oil-gas", oil_gas(0.1, 3.0, -30.0)},
    };
    return cases;
}

}  // namespace pipeflow_cli
