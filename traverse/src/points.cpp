// The fields of a traverse point as every face writes them.
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
    {"regime", Dimension::None, F::Text, "flow regime integrated", nullptr, [](const P& p) { return p.regime(); }},
    {"id", Dimension::None, F::Integer, "regime id 0-4", [](const P& p) { return static_cast<double>(p.id); }, nullptr},
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
};

}  // namespace flowmodel
