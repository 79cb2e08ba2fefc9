// Typed C++ API over the C entry `pipeflow`: named inputs, the table of the
// inputs (names, units, meanings, the default case), a result with regime and
// status enums and the message as a string, and the evaluation of many cases
// on all cores. It adds no behaviour of its own; every number comes from
// `pipeflow`.
#ifndef FLOWMODEL_FLOWMODEL_HPP
#define FLOWMODEL_FLOWMODEL_HPP

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace flowmodel {

// Eleven properties of a steady gas-liquid flow at one point of a straight pipe (SI).
struct Inputs {
    double usl = 0.0;    // superficial liquid velocity, m/s
    double usg = 0.0;    // superficial gas velocity, m/s
    double rol = 0.0;    // liquid density, kg/m3
    double rog = 0.0;    // gas density, kg/m3
    double visl = 0.0;   // liquid dynamic viscosity, Pa s
    double visg = 0.0;   // gas dynamic viscosity, Pa s
    double rough = 0.0;  // absolute wall roughness, m
    double sigma = 0.0;  // gas-liquid surface tension, N/m
    double diam = 0.0;   // pipe inner diameter, m
    double angle = 0.0;  // inclination from horizontal, degrees, positive upward
    double pres = 0.0;   // pressure, Pa
};

enum class Regime : int {
    StratifiedSmooth = 0,
    StratifiedWavy = 1,
    Annular = 2,  // also at the critical-flow limit
    Slug = 3,
    DispersedBubble = 4,
};

enum class Status : int {
    Ok = 0,              // normal end
    InputCorrected = 1,  // liquid density raised to 1.001 rog; results computed
    ImproperInput = 2,   // nothing computed; results are 0
    NoRegime = 3,        // usg < 1e-6 without a slug/dispersed-bubble answer; results are 0
};

struct Result {
    double version = 0.0;  // model version, 1.06
    Regime regime = Regime::StratifiedSmooth;  // meaningful when has_regime()
    double holdup = 0.0;   // liquid holdup, 0..1
    double dpt = 0.0;      // total pressure gradient, Pa/m (1e10 at the critical-flow limit)
    double dpf = 0.0;      // frictional part, Pa/m
    double dpg = 0.0;      // gravitational part, Pa/m
    double dpa = 0.0;      // accelerational part, Pa/m
    int iterations = 0;    // separated-solution iterations; 99 marks it invalid
    Status status = Status::Ok;
    std::string message;   // without trailing blanks; empty on a normal end

    // False for improper input and for a small gas flow without a regime.
    bool has_regime() const { return status == Status::Ok || status == Status::InputCorrected; }

    // True when a separated regime (0-2) was reported from a separated
    // solution that the model itself marks invalid (iterations == 99: its own
    // critical-flow limit or no convergence). The numbers are the model's;
    // they deserve a warning, not trust.
    bool separated_invalid() const {
        return has_regime() && iterations == 99 && static_cast<int>(regime) <= static_cast<int>(Regime::Annular);
    }
};

// One row of the input table: the name used by the command's options and CSV
// columns and by the Python keywords, the member of Inputs, unit, meaning and
// the value of the default case.
struct InputField {
    const char* name;
    double Inputs::*member;
    const char* unit;
    const char* meaning;
    double default_value;
};

constexpr std::size_t kInputCount = 11;

// The eleven inputs in the order of Inputs and of pipeflow's arguments.
extern const std::array<InputField, kInputCount> kInputFields;

// The default case: air-water at 1 atm and 20 C, 0.1 m/s liquid and 5 m/s gas
// in a horizontal 5 cm smooth pipe.
Inputs default_inputs();

// The field of the input called `name`, or nullptr.
const InputField* find_input(const std::string& name);

// Evaluates one case through `pipeflow`.
Result evaluate(const Inputs& in);

// Evaluates n cases, out[i] = evaluate(in[i]), on `jobs` threads (0: one per
// core). The results do not depend on the number of threads.
void evaluate_many(const Inputs* in, Result* out, std::size_t n, unsigned jobs = 0);
std::vector<Result> evaluate_many(const std::vector<Inputs>& in, unsigned jobs = 0);

// "stratified smooth", "stratified wavy", "annular", "slug", "dispersed bubble".
const char* regime_name(Regime r);
// "ok", "input corrected", "improper input", "no regime".
const char* status_name(Status s);

}  // namespace flowmodel

#endif
