// The fields of a traverse point as every face writes them.
#include "flowmodel/loading.hpp"
#include "flowmodel/traverse.hpp"

namespace flowmodel {

namespace {

using P = TraversePoint;
using F = PointField;

}  // namespace

const std::vector<PointField> kPointFields = {
    {"md", Dimension::Length, F::Number, "measured depth or length along the line", [](const P& p) { return p.md; }, nullptr},
    {"z", Dimension::Length, F::Number, "elevation, positive upward", [](const P& p) { return p.z; }, nullptr},
    {"angle", Dimension::Angle, F::Number, "inclination from horizontal along the flow, degrees",
     [](const P& p) { return p.angle; }, nullptr},
    {"pres", Dimension::Pressure, F::Number, "pressure (absolute)", [](const P& p) { return p.pres; }, nullptr},
    {"temp", Dimension::Temperature, F::Number, "temperature", [](const P& p) { return p.temp; }, nullptr},
    {"usl", Dimension::Velocity, F::Number, "superficial liquid velocity", [](const P& p) { return p.usl; }, nullptr},
    {"usg", Dimension::Velocity, F::Number, "superficial gas velocity", [](const P& p) { return p.usg; }, nullptr},
    {"rol", Dimension::Density, F::Number, "liquid density", [](const P& p) { return p.rol; }, nullptr},
    {"rog", Dimension::Density, F::Number, "gas density", [](const P& p) { return p.rog; }, nullptr},
    {"regime", Dimension::None, F::Text, "flow regime (pattern, in the method's terms) integrated", nullptr, [](const P& p) { return p.regime(); }},
    {"id", Dimension::None, F::Integer, "flow pattern id (0-4 the model's regimes)", [](const P& p) { return static_cast<double>(p.id); }, nullptr},
    {"hol", Dimension::None, F::Number, "liquid holdup", [](const P& p) { return p.hol; }, nullptr},
    {"dpt", Dimension::Gradient, F::Number, "pressure gradient integrated, a loss along the flow",
     [](const P& p) { return p.dpt; }, nullptr},
    {"dpf", Dimension::Gradient, F::Number, "its frictional part", [](const P& p) { return p.dpf; }, nullptr},
    {"dpg", Dimension::Gradient, F::Number, "its gravitational part", [](const P& p) { return p.dpg; }, nullptr},
    {"dpa", Dimension::Gradient, F::Number, "its accelerational part", [](const P& p) { return p.dpa; }, nullptr},
    {"ierr", Dimension::None, F::Integer, "model status", [](const P& p) { return static_cast<double>(p.ierr); }, nullptr},
    {"warning", Dimension::None, F::Text, "separated-invalid: the model's own answer here is invalid", nullptr,
     [](const P& p) { return p.separated_invalid ? "separated-invalid" : ""; }},
    {"answer", Dimension::None, F::Text,
     "how the gradient was obtained: empty (the model's), bridged (between valid answers), invalid (the model's "
     "invalid answer, none valid near)",
     nullptr, [](const P& p) { return answer_name(p.answer); }},
    {"tsurr", Dimension::Temperature, F::Number, "the surroundings' temperature (with heat transfer)",
     [](const P& p) { return p.tsurr; }, nullptr, true},
    {"heat_flux", Dimension::HeatFlux, F::Number, "heat lost through the wall per inside wall area (with heat transfer)",
     [](const P& p) { return p.heat_flux; }, nullptr, true},
};


namespace {

using S = TraverseSummary;
using SF = SummaryField;
using V = SummaryValue;

V number(double x) {
    V v;
    v.number = x;
    return v;
}

bool loading_assessed(const S& m) { return m.loading != LoadingCriterion::None; }

V stretches(const std::vector<std::array<double, 2>>& ranges) {
    V v;
    v.stretches = ranges;
    return v;
}

}  // namespace

const std::vector<SummaryField> kSummaryFields = {
    {"method", Dimension::None, SF::Text, "the method of the gradient",
     [](const S& m) { V v; v.text = method_info(m.method).name; return v; }},
    {"holdup_factor", Dimension::None, SF::Number, "the method's holdup multiplier (1 untuned)",
     [](const S& m) { return number(m.holdup_factor); }},
    {"friction_factor", Dimension::None, SF::Number, "the method's friction multiplier (1 untuned)",
     [](const S& m) { return number(m.friction_factor); }},
    {"complete", Dimension::None, SF::Flag, "whether the march reached the far end",
     [](const S& m) { V v; v.flag = m.complete; return v; }},
    {"message", Dimension::None, SF::Text, "where and why it stopped, empty when it did not",
     [](const S& m) { V v; v.text = m.message; return v; }},
    {"inlet_pres", Dimension::Pressure, SF::Number, "inlet pressure, none where not reached",
     [](const S& m) { return number(m.inlet_pres); }},
    {"outlet_pres", Dimension::Pressure, SF::Number, "outlet pressure, none where not reached",
     [](const S& m) { return number(m.outlet_pres); }},
    {"dp_total", Dimension::PressureStep, SF::Number, "inlet less outlet pressure (over the part marched)",
     [](const S& m) { return number(m.dp_total); }},
    {"dp_friction", Dimension::PressureStep, SF::Number, "its frictional part", [](const S& m) { return number(m.dp_friction); }},
    {"dp_gravity", Dimension::PressureStep, SF::Number, "its gravitational part", [](const S& m) { return number(m.dp_gravity); }},
    {"dp_acceleration", Dimension::PressureStep, SF::Number, "its accelerational part",
     [](const S& m) { return number(m.dp_acceleration); }},
    {"liquid_inventory", Dimension::Volume, SF::Number, "liquid in the line", [](const S& m) { return number(m.liquid_inventory); }},
    {"heat", Dimension::None, SF::Text, "how the temperature was had: given, none (adiabatic), u-value, ramey",
     [](const S& m) { V v; v.text = heat_law_name(m.heat_law); return v; }},
    {"inlet_temp", Dimension::Temperature, SF::Number, "the fluid's temperature at the inlet, none where not reached",
     [](const S& m) { return number(m.inlet_temp); }},
    {"outlet_temp", Dimension::Temperature, SF::Number, "the fluid's temperature at the outlet, none where not reached",
     [](const S& m) { return number(m.outlet_temp); }},
    {"heat_lost", Dimension::Power, SF::Number, "heat lost to the surroundings over the part marched, none without heat transfer",
     [](const S& m) { return number(m.heat_lost); }},
    {"stop_md", Dimension::Length, SF::Number, "where the march stopped, none when it did not",
     [](const S& m) { return number(m.stop_md); }},
    {"stop_pres", Dimension::Pressure, SF::Number, "the pressure there", [](const S& m) { return number(m.stop_pres); }},
    {"atm_pres", Dimension::Pressure, SF::Number, "the atmosphere gauge readings were taken against; 0 when none was given",
     [](const S& m) { return number(m.atm_pres); }},
    {"lift_gas_rate", Dimension::GasRate, SF::Number, "lift gas injected, at standard conditions (0 without)",
     [](const S& m) { return number(m.lift_gas_rate); }},
    {"injection_md", Dimension::Length, SF::Number, "measured depth of the injection point, none without lift gas",
     [](const S& m) { return number(m.injection_md); }},
    {"injection_pres", Dimension::Pressure, SF::Number, "the tubing pressure there",
     [](const S& m) { return number(m.injection_pres); }},
    {"casing_pres_at_injection", Dimension::Pressure, SF::Number, "the annulus pressure there (injection from the casing)",
     [](const S& m) { return number(m.casing_pres_at_injection); }},
    {"outlet_miss", Dimension::PressureStep, SF::Number,
     "against the flow with heat transfer (the inlet pressure shot for): how far the outlet reached is from the "
     "pressure given, within tol per step of the march; none for a march from the outlet",
     [](const S& m) { return number(m.outlet_miss); }},
    {"injection_dp", Dimension::PressureStep, SF::Number,
     "the least casing-over-tubing pressure that injects (injection from the casing; where no mandrel can, "
     "injection_md is the shallowest's)",
     [](const S& m) { return number(m.injection_dp); }},
    {"regime_length", Dimension::Length, SF::ByRegime, "length of line in each regime (the model's five always, other patterns where met)",
     [](const S& m) { V v; v.by_regime = m.regime_length; return v; }},
    {"bridged", Dimension::Length, SF::Stretches, "md ranges where invalid answers were bridged",
     [](const S& m) { return stretches(m.bridged_stretches); }},
    {"bridged_length", Dimension::Length, SF::Number, "their length", [](const S& m) { return number(m.bridged_length); }},
    {"separated_invalid", Dimension::Length, SF::Stretches, "md ranges where invalid answers were kept",
     [](const S& m) { return stretches(m.invalid_stretches); }},
    {"separated_invalid_length", Dimension::Length, SF::Number, "their length",
     [](const S& m) { return number(m.invalid_length); }},
    {"tolerance_not_met", Dimension::Length, SF::Stretches, "md ranges taken at the shortest step",
     [](const S& m) {
         V v;
         for (const FloorStretch& f : m.floor_stretches) v.stretches.push_back(f.md);
         return v;
     }},
    {"tolerance_not_met_cause", Dimension::None, SF::Texts, "why, for each",
     [](const S& m) {
         V v;
         for (const FloorStretch& f : m.floor_stretches) v.texts.emplace_back(floor_cause_text(f.cause));
         return v;
     }},
    {"loading", Dimension::None, SF::Text, "how liquid loading was judged: turner or coleman (written where asked for)",
     [](const S& m) { V v; v.text = loading_criterion_name(m.loading); return v; }, loading_assessed},
    {"critical_gas_rate_wellhead", Dimension::GasRate, SF::Number,
     "the gas rate at standard conditions that flows at the critical velocity at the wellhead",
     [](const S& m) { return number(m.critical_gas_rate_wellhead); }, loading_assessed},
    {"critical_gas_rate_bottom", Dimension::GasRate, SF::Number, "the same at the bottom",
     [](const S& m) { return number(m.critical_gas_rate_bottom); }, loading_assessed},
    {"loading_stretches", Dimension::Length, SF::Stretches, "md ranges where the gas flows slower than the critical velocity",
     [](const S& m) { return stretches(m.loading_stretches); }, loading_assessed},
    {"warnings", Dimension::None, SF::Texts, "the fluid's correlations and the method used outside their ranges",
     [](const S& m) { V v; v.texts = m.warnings; return v; }},
    {"evaluations", Dimension::None, SF::Count, "evaluations of the method",
     [](const S& m) { return number(static_cast<double>(m.evaluations)); }},
};

}  // namespace flowmodel
