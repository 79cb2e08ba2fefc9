// Black-oil fluid properties from the handful of numbers measured at the
// stock tank: oil gravity (°API), gas gravity, water gravity or salinity,
// impurities of the gas, and the producing ratios. Each correlation is given
// in the field units of its source (psia, °F or °R, scf/STB, bbl/STB, cP,
// lb/ft³, dyn/cm); the fluid converts at its boundary to the SI the traverse
// uses. One file per concern: gas.cpp, oil.cpp, water.cpp, tension.cpp, and
// fluid.cpp for the in-situ rates.
#ifndef FLOWMODEL_BLACKOIL_HPP
#define FLOWMODEL_BLACKOIL_HPP

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "flowmodel/unit_system.hpp"
#include "flowmodel/fluids.hpp"

namespace flowmodel::blackoil {

// Standard conditions: 60 °F, 14.696 psia.
constexpr double kStandardTemp = constant::kStandardTemperature;  // K
constexpr double kStandardPres = constant::kStandardAtmosphere;   // Pa
constexpr double kAirMolarMass = constant::kAirMolarMass;         // kg/kmol

// Field units in SI, from the unit system (the correlations are written in them).
constexpr double kPsi = unit::kPsi;
constexpr double kFoot = unit::kFoot;
constexpr double kBarrel = unit::kBarrel;
constexpr double kScfPerStb = unit::kScfPerStb;
constexpr double kLbPerFt3 = unit::kLbPerFt3;

constexpr double kWaterDensityScField = 62.368;     // fresh water at standard conditions, lb/ft3
constexpr double kWaterDensitySc = kWaterDensityScField * kLbPerFt3;  // kg/m3
constexpr double kFt3PerBarrel = unit::kFt3PerBarrel;

inline double to_psia(double pa) { return pa / kPsi; }
inline double to_degF(double kelvin) { return kelvin * 1.8 - 459.67; }

// ---- Gas (gas.cpp) ----

struct PseudoCritical {
    double tpc;  // °R
    double ppc;  // psia
};

// Sutton (1985), hydrocarbon gas of gravity g (air = 1), fitted over 0.57 < g < 1.68:
// Tpc = 169.2 + 349.5 g - 74.0 g², Ppc = 756.8 - 131.07 g - 3.6 g².
PseudoCritical sutton(double gamma);

// Wichert and Aziz (1972) correction for CO2 and H2S (mole fractions):
// e = 120 (A^0.9 - A^1.6) + 15 (B^0.5 - B^4), A = yCO2 + yH2S, B = yH2S, in °R;
// Tpc' = Tpc - e, Ppc' = Ppc Tpc' / (Tpc + B (1 - B) e). Fitted up to 54.4 % CO2, 73.8 % H2S.
PseudoCritical wichert_aziz(PseudoCritical pc, double y_co2, double y_h2s);

// The gas of gravity gamma with mole fractions of CO2, H2S and N2: Sutton for
// its hydrocarbon part (gravity from the mixture's, by molar masses), Kay's
// mixing rule with the critical points of N2, CO2 and H2S, then Wichert-Aziz.
PseudoCritical gas_pseudo_critical(double gamma, double y_co2, double y_h2s, double y_n2);

// The gravity of the hydrocarbon part of a gas of gravity gamma with those
// mole fractions of CO2, H2S and N2 (by molar masses); for a hydrocarbon part
// above 0 only. Below 0.55 (methane) the gravity and the fractions cannot
// both be right.
double hydrocarbon_gravity(double gamma, double y_co2, double y_h2s, double y_n2);
constexpr double kLightestHydrocarbonGravity = 0.55;  // methane, 16.04 / 28.97

enum class ZMethod { HallYarborough, DranchukAbouKassem };

// Compressibility factor at reduced temperature tpr and pressure ppr. False
// when the equation has no root that the bounded iteration finds.
// Hall and Yarborough (1973): fitted 1.2 <= Tpr <= 3, 0.1 <= Ppr <= 24.
// Dranchuk and Abou-Kassem (1975): fitted 1.0 <= Tpr <= 3, 0.2 <= Ppr <= 30.
// With dz_dtpr, also (dZ/dTpr) at constant Ppr, by differentiating the
// equation at its root (what the gas's Joule-Thomson effect is made of).
bool z_factor(ZMethod method, double tpr, double ppr, double& z, double* dz_dtpr = nullptr);

// Real-gas density, lb/ft³: p M / (Z R T), M = 28.97 gamma, R = 10.7316 psia ft³/(lbmol °R).
double gas_density(double p_psia, double t_degF, double gamma, double z);

// Lee, Gonzalez and Eakin (1966), cP: 1e-4 K exp(X rho^Y), rho in g/cm³,
// K = (9.4 + 0.02 M) T^1.5 / (209 + 19 M + T), X = 3.5 + 986/T + 0.01 M,
// Y = 2.4 - 0.2 X, T in °R. Fitted 100-340 °F, 100-8000 psia.
double gas_viscosity(double t_degF, double rho_lbft3, double molar_mass);

// ---- Oil (oil.cpp) ----

double oil_specific_gravity(double api);  // 141.5 / (131.5 + API)

// Standing (1947), as inverse pair, so that Rs(pb(R)) = R:
// pb = 18.2 [(Rs/gamma_g)^0.83 10^(0.00091 T - 0.0125 API) - 1.4], psia;
// Rs = gamma_g [(p/18.2 + 1.4) 10^(0.0125 API - 0.00091 T)]^1.2048, scf/STB.
// Fitted 130-7000 psia, 100-258 °F, 16.5-63.8 °API, gamma_g 0.59-0.95, Rs 20-1425.
double standing_pb(double rs, double t_degF, double api, double gamma_g);
double standing_rs(double p_psia, double t_degF, double api, double gamma_g);

// Standing (1947) saturated formation volume factor, bbl/STB:
// Bo = 0.9759 + 0.000120 [Rs (gamma_g/gamma_o)^0.5 + 1.25 T]^1.2.
double standing_bo(double rs, double t_degF, double api, double gamma_g);
// Its derivative in temperature at a constant dissolved gas, bbl/STB per °F:
// 0.000120 x 1.2 x 1.25 [...]^0.2 (the oil's thermal expansion).
double standing_bo_dt(double rs, double t_degF, double api, double gamma_g);

// Vasquez and Beggs (1980) undersaturated compressibility co = A / p with
// A = (-1433 + 5 Rsb + 17.2 T - 1180 gamma_g + 12.61 API) 1e-5, and so
// Bo = Bob (pb / p)^A above the bubble point. Fitted 126-9500 psia.
double vasquez_beggs_a(double rsb, double t_degF, double api, double gamma_g);
double undersaturated_bo(double bob, double p_psia, double pb_psia, double a);

enum class DeadOil { BeggsRobinson, Glaso };
enum class LiveOil { BeggsRobinson, ChewConnally };

// Beggs and Robinson (1975) dead oil, cP: 10^x - 1, x = 10^(3.0324 - 0.02023 API) T^-1.163.
// Fitted 70-295 °F, 16-58 °API.
double dead_oil_viscosity_beggs_robinson(double t_degF, double api);
// Glasø (1980) dead oil, cP: 3.141e10 T^-3.444 (log10 API)^(10.313 log10 T - 36.447).
// Fitted 50-300 °F, 20.1-48.1 °API.
double dead_oil_viscosity_glaso(double t_degF, double api);
// Beggs and Robinson (1975) live oil, cP: A mu_od^B, A = 10.715 (Rs + 100)^-0.515,
// B = 5.44 (Rs + 150)^-0.338. Fitted Rs 20-2070 scf/STB.
double live_oil_viscosity_beggs_robinson(double mu_od, double rs);
// Chew and Connally (1959) live oil, cP: a mu_od^b with the fit of their
// chart a = 0.2 + 0.8 10^(-0.00081 Rs), b = 0.43 + 0.57 10^(-0.00072 Rs).
// Fitted Rs 51-3544 scf/STB.
double live_oil_viscosity_chew_connally(double mu_od, double rs);
// Vasquez and Beggs (1980) above the bubble point, cP: mu_ob (p/pb)^m,
// m = 2.6 p^1.187 exp(-11.513 - 8.98e-5 p). Fitted 141-9515 psia.
double undersaturated_oil_viscosity(double mu_ob, double p_psia, double pb_psia);

// Oil density with its dissolved gas, lb/ft³ (Standing):
// (62.368 gamma_o + 0.0136 gamma_g Rs) / Bo, the 0.0136 being the gas's
// density at standard conditions per barrel, 0.0763 gamma_g / 5.6146, here
// taken from gas_density itself so that the mass of gas leaving the oil is
// the mass the free gas gains.
double oil_density(double api, double gamma_g, double rs, double bo);

// Gas density at standard conditions (ideal), lb/ft³.
double gas_density_sc(double gamma);

// ---- Water (water.cpp) ----

// McCain (1990) formation volume factor, bbl/STB: (1 + dVt)(1 + dVp),
// dVt = -1.0001e-2 + 1.33391e-4 T + 5.50654e-7 T², dVp = -1.95301e-9 p T
// - 1.72834e-13 p² T - 3.58922e-7 p - 2.25341e-10 p². Fitted to 260 °F, 5000 psia.
double water_fvf(double p_psia, double t_degF);
// Its derivative in temperature, per °F (the water's thermal expansion).
double water_fvf_dt(double p_psia, double t_degF);
// McCain (1990) brine density at standard conditions, lb/ft³, S in weight
// percent of dissolved solids: 62.368 + 0.438603 S + 1.60074e-3 S².
double brine_density_sc(double salinity_wt_percent);
// The salinity (weight percent) whose brine has specific gravity gamma_w (fresh water 1).
double salinity_from_gravity(double gamma_w);
// McCain (1990) water viscosity, cP: A T^-B at atmospheric pressure
// (A, B polynomials in S; fitted 100-400 °F, S <= 26 %), times
// 0.9994 + 4.0295e-5 p + 3.1062e-9 p² for pressure (fitted 86.5-167 °F, p < 14000 psia).
double water_viscosity(double p_psia, double t_degF, double salinity_wt_percent);

// ---- Interfacial tension (tension.cpp) ----

// Baker and Swerdloff (1956) gas-oil, dyn/cm: dead oil 39 - 0.2571 API at
// 68 °F and 37.5 - 0.2571 API at 100 °F, linear in T between them and held
// beyond; times 1 - 0.024 p^0.45 for the dissolved gas, at least 1 dyn/cm
// (the tension vanishes towards miscibility; the model needs a positive one).
double gas_oil_tension(double p_psia, double t_degF, double api);
// Gas-water, dyn/cm, from the same authors' work as fitted in the
// literature: 75 - 1.108 p^0.349 at 74 °F and 53 - 0.1048 p^0.637 at 280 °F,
// linear in T between them and held beyond; at least 1 dyn/cm.
double gas_water_tension(double p_psia, double t_degF);

// ---- Specific heats (heat_capacity.cpp), for the energy balance ----
// Gambill (1957, Chem. Eng. 64(5)), petroleum oils, Btu/(lb °F):
// (0.388 + 0.00045 T) / sqrt(gamma_o), T in °F; quoted for 0-400 °F.
double oil_heat_capacity(double t_degF, double gamma_o);
// Liquid water: 1 Btu/(lb °F) (4186.8 J/(kg K)), within 1 % of the IAPWS
// values from 32 to 212 °F; brine a little lower, not corrected.
double water_heat_capacity();
// The ideal-gas heat capacity of the gas, J/(kg K): its hydrocarbon part as
// the methane-ethane (or ethane-propane) blend of its molar mass, with its
// N2, CO2 and H2S, each from the pure-component polynomials
// cp = A + B T + C T² + D T³ (J/(mol K), T in K) of Reid, Prausnitz & Poling
// (1987, The Properties of Gases and Liquids, App. A), 273-1500 K. The real
// gas's departure from it is not included.
double gas_heat_capacity(double t_kelvin, double gamma, double y_co2, double y_h2s, double y_n2);
// The heat a kilogram of gas takes up as it leaves the oil, J/kg: the van 't
// Hoff relation L = R T² (d ln pb / dT) at a constant dissolved gas, applied to
// Standing's bubble point, whose (pb + 25.48) 10^(-0.00091 T) is constant
// along it, so d ln pb / dT = 0.00091 ln 10 (pb + 25.48) / pb per °F; p the
// saturation pressure (psia), T in K, M = 28.97 gamma_g. About 170 kJ/kg (4 kJ
// per mole) for a 0.65 gas at 200 °F: the cooling of an oil as its gas comes
// out, which the specific heats alone miss.
double solution_heat(double p_psia, double t_kelvin, double gamma_g);
// One of those polynomials, J/(mol K).
enum class Component { Methane, Ethane, Propane, Nitrogen, CarbonDioxide, HydrogenSulfide };
double ideal_gas_heat_capacity(Component c, double t_kelvin);

// ---- Fitted ranges (ranges.cpp) ----

// The range each correlation was fitted over, in its source's units: the one
// table that the fluid's checks use and `pipeflow traverse --ranges` prints.
struct FittedRange {
    const char* correlation;
    const char* quantity;
    double lo, hi;
    const char* unit;  // "" for pure numbers
};
enum class Range : int {
    SuttonGravity, WichertAzizCo2, WichertAzizH2s,
    HallYarboroughTpr, HallYarboroughPpr, DranchukTpr, DranchukPpr,
    LeeTemperature, LeePressure,
    StandingApi, StandingGravity, StandingTemperature, StandingPressure, StandingDissolvedGas,
    VasquezBeggsBoPressure, VasquezBeggsViscosityPressure,
    BeggsRobinsonDeadTemperature, BeggsRobinsonDeadApi, GlasoTemperature, GlasoApi,
    BeggsRobinsonLiveDissolvedGas, ChewConnallyDissolvedGas,
    McCainBwTemperature, McCainBwPressure, McCainViscosityTemperature, McCainViscositySalinity,
    McCainViscosityPressureFactorTemperature,
    Count
};
const FittedRange& fitted_range(Range r);
constexpr int kRangeCount = static_cast<int>(Range::Count);

// True when v lies in the range; a value on its edge is inside (1e-9
// relative, for the round-off of converting to the correlation's units).
bool in_range(Range r, double v);

// A correlation used outside its fitted range is said only where the values
// met lie beyond it by more than this share of the range's width: nearer its
// edge the extrapolation is mild and a warning on every ordinary well (the
// water viscosity's pressure factor, fitted up to 167 degF, in a 180 degF
// well) would hide the ones that matter. The ranges themselves are listed by
// `pipeflow traverse --ranges`.
constexpr double kWarningMargin = 0.3;

// Whether the values met (low, high) lie beyond the range by more than the margin.
bool well_beyond(Range r, double low, double high);

// "<correlation> used outside its range: <quantity> <v> <unit> (fitted lo to hi <unit>)",
// v the farthest of the values met outside, low and high (both when on both sides).
std::string range_warning(Range r, double low, double high);

// The table as Markdown: correlation, quantity, range, unit.
std::string fitted_ranges_markdown();

// ---- The fluid (fluid.cpp) ----

struct BlackOilInputs {
    double api = 35;               // stock-tank oil, °API
    double gas_gravity = 0.65;     // produced gas, air = 1
    double water_gravity = 1.0;    // brine at standard conditions, fresh water = 1
    double salinity = -1;          // mass fraction of dissolved solids; < 0: from water_gravity
    double co2 = 0, h2s = 0, n2 = 0;  // mole fractions of the gas
    double oil_rate = 0;           // stock-tank oil, m3/s at standard conditions
    double water_rate = 0;         // m3/s at standard conditions
    double gas_rate = 0;           // produced gas (dissolved and free), m3/s at standard conditions
    ZMethod z_method = ZMethod::HallYarborough;
    DeadOil dead_oil = DeadOil::BeggsRobinson;
    LiveOil live_oil = LiveOil::BeggsRobinson;
};

// What the fluid is at one pressure and temperature, phase by phase (SI).
struct BlackOilState {
    double rs = 0;          // dissolved gas, m3/m3 at standard conditions
    double pb = 0;          // bubble point of the produced gas-oil ratio at this temperature, Pa (0 without oil)
    double bo = 0, bw = 0;  // formation volume factors, m3/m3
    double z = 1;
    double rho_oil = 0, rho_water = 0, rho_gas = 0;  // kg/m3
    double mu_oil = 0, mu_water = 0, mu_gas = 0;     // Pa s
    double sigma_oil = 0, sigma_water = 0;           // N/m
    double q_oil = 0, q_water = 0, q_gas = 0;        // in-situ volumetric rates, m3/s
};

class BlackOil : public Fluid {
public:
    // Throws OptionError for inputs outside what the fluid can mean.
    explicit BlackOil(const BlackOilInputs& in);
    const BlackOilInputs& inputs() const { return in_; }

    // The liquid as the no-slip volume-weighted mixture of oil and water
    // (density, viscosity and tension alike); the free gas.
    FluidState at(double p, double T, RangeLog* log = nullptr) const override;
    // The mixture's specific heat (oil with its dissolved gas at the oil's,
    // water, free gas) and (dh/dp)_T: the liquids' specific volumes, the
    // gas's -R T² (dZ/dT)_p / (p M) from its Z factor (its Joule-Thomson
    // effect). Below the bubble point the free gas's share w of the mass
    // changes with p and T (Standing's Rs) and each kilogram that leaves the
    // oil takes up solution_heat L: cp + L dw/dT and (dh/dp)_T + L dw/dp.
    ThermalState thermal(double p, double T, RangeLog* log = nullptr) const override;
    BlackOilState state(double p, double T, RangeLog* log = nullptr) const;

    // Mass rate of oil, water and gas at standard conditions, kg/s: what
    // every point of a traverse carries.
    double standard_mass_rate() const;

    // Each correlation used outside the range it was fitted over, once: for
    // the states noted in `log`, and for the fluid's own inputs.
    std::vector<std::string> warnings(const RangeLog& log) const override;

private:
    BlackOilInputs in_;
    double gamma_o_ = 0, salinity_pct_ = 0, rho_water_sc_ = 0, rho_gas_sc_ = 0;  // rho in kg/m3
    PseudoCritical pc_;
    RangeLog inputs_log_;  // ranges that depend on the inputs alone, noted once at construction
    // Which inputs these are, for the last state each thread computed (the
    // march asks a point twice with heat transfer: its flow, then its
    // specific heats). Copies share it: their inputs are the same.
    std::uint64_t id_ = 0;
};

}  // namespace flowmodel::blackoil

#endif
