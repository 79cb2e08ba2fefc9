// The constants of the layers above the model, each defined once: the
// oilfield units in SI and the physical constants the methods, fluids and
// traverse share. (The model keeps its own literals, g = 9.81 among them.)
#ifndef FLOWMODEL_CONSTANTS_HPP
#define FLOWMODEL_CONSTANTS_HPP

namespace flowmodel {

// The oilfield units in SI, each defined once.
namespace unit {
constexpr double kFoot = 0.3048;                          // m
constexpr double kInch = 0.0254;                          // m
constexpr double kPound = 0.45359237;                     // kg
constexpr double kPsi = 6894.757293168361;                // Pa (lbf/in2)
constexpr double kBarrel = 0.158987294928;                // m3 (42 US gallons)
constexpr double kLbPerFt3 = 16.018463373960138;          // kg/m3
constexpr double kDay = 86400.0;                          // s
constexpr double kBar = 1e5;                              // Pa
constexpr double kFt3 = kFoot * kFoot * kFoot;            // m3, one standard cubic foot of gas
constexpr double kMscf = 1000 * kFoot * kFoot * kFoot;    // m3, a thousand of them
constexpr double kScfPerStb = 0.028316846592 / 0.158987294928;  // m3/m3 in one scf/STB
constexpr double kFt3PerBarrel = 5.614583333333333;       // ft3 in one barrel (9702 / 1728)
constexpr double kMscfPerStb = kMscf / kBarrel;           // m3/m3 in one Mscf/STB
// Heat in the international table Btu (1055.05585262 J).
constexpr double kBtu = 1055.05585262;                    // J
constexpr double kBtuPerHr = kBtu / 3600;                 // W
constexpr double kBtuPerLbF = 4186.8;                     // J/(kg K) in one Btu/(lb degF)
constexpr double kBtuPerHrFtF = kBtuPerHr / kFoot * 1.8;  // W/(m K) in one Btu/(hr ft degF)
constexpr double kBtuPerHrFt2F = kBtuPerHr / (kFoot * kFoot) * 1.8;  // W/(m2 K) in one Btu/(hr ft2 degF)
}  // namespace unit

namespace constant {
constexpr double kPi = 3.14159265358979323846;
constexpr double kStandardGravity = 9.80665;        // m/s2
constexpr double kGasConstant = 8314.462618;        // J/(kmol K)
constexpr double kAirMolarMass = 28.97;             // kg/kmol: a gas's gravity is its molar mass over this
constexpr double kStandardAtmosphere = 101325.0;    // Pa, 14.696 psia: also the standard conditions' pressure
constexpr double kStandardTemperature = 288.7055555555556;  // K, 60 degF: the standard conditions' temperature
}  // namespace constant

}  // namespace flowmodel

#endif
