// Fluids for the traverse: at a pressure and a temperature, the phase
// properties the model needs and the in-situ volumetric rates of both phases.
// The march knows only this interface; a fluid whose gas dissolves in the
// liquid (black oil) changes the rates here and nothing in the march.
#ifndef FLOWMODEL_FLUIDS_HPP
#define FLOWMODEL_FLUIDS_HPP

#include <iosfwd>
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "flowmodel/constants.hpp"

namespace flowmodel {

struct FluidState {
    double rol = 0, rog = 0;    // densities, kg/m3
    double visl = 0, visg = 0;  // dynamic viscosities, Pa s
    double sigma = 0;           // surface tension, N/m
    double ql = 0, qg = 0;      // in-situ volumetric rates of liquid and free gas, m3/s
};

// What the energy balance needs of the fluid at a point: the mixture as it
// flows through the pipe.
struct ThermalState {
    double mass_rate = 0;  // kg/s
    double cp = 0;         // J/(kg K), mass-weighted over the phases
    double dh_dp = 0;      // J/(kg Pa): (dh/dp) at constant temperature, mass-weighted
};

// A fluid that cannot give its state at (p, T): outside a table, or a
// correlation that failed. The march stops there and says where.
class FluidError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Correlations used outside the range they were fitted over, noted while a
// fluid gives its states. Each traverse keeps its own, so that warnings
// belong to the traverse that met them and one fluid serves many at once.
// Ids are the fluid's own, below 64.
struct RangeLog {
    std::uint64_t seen = 0;
    std::array<double, 64> low{}, high{};  // the lowest and highest value met outside its range, per id
    void note(int id, double v) {
        const std::uint64_t bit = std::uint64_t(1) << id;
        const auto k = static_cast<std::size_t>(id);
        if (!(seen & bit)) {
            seen |= bit;
            low[k] = high[k] = v;
        } else {
            low[k] = v < low[k] ? v : low[k];
            high[k] = v > high[k] ? v : high[k];
        }
    }
};

class Fluid {
public:
    virtual ~Fluid() = default;
    // p absolute pressure, Pa; T temperature, K. With `log`, a correlation
    // used outside its fitted range is noted there. Never changes the fluid.
    virtual FluidState at(double p, double T, RangeLog* log = nullptr) const = 0;
    // What the energy balance needs at (p, T): the mass rate, the mixture's
    // specific heat and (dh/dp)_T. Throws FluidError where the fluid has none.
    virtual ThermalState thermal(double p, double T, RangeLog* log = nullptr) const {
        (void)p;
        (void)T;
        (void)log;
        throw FluidError("this fluid gives no specific heats");
    }
    // The warnings of a log (and of the fluid's own inputs), each once.
    virtual std::vector<std::string> warnings(const RangeLog& log) const {
        (void)log;
        return {};
    }
};

// Universal gas constant, J/(kmol K).
constexpr double kGasConstant = constant::kGasConstant;

// Constant liquid, real gas: rog = p M / (Z R T); mass rates conserved.
class ConstantLiquidRealGas : public Fluid {
public:
    double liquid_rate = 0;  // kg/s
    double gas_rate = 0;     // kg/s
    double rol = 1000, visl = 1e-3, sigma = 0.072;
    double visg = 1.8e-5;
    double molar_mass = constant::kAirMolarMass;  // kg/kmol
    double z = 1.0;             // compressibility factor
    double cpl = 0, cpg = 0;    // specific heats, J/(kg K); needed with heat transfer only
    FluidState at(double p, double T, RangeLog* log = nullptr) const override;
    ThermalState thermal(double p, double T, RangeLog* log = nullptr) const override;
};

// Phase properties from a rectangular grid of pressure and temperature,
// bilinear between grid points, no extrapolation; mass rates conserved.
class PropertyTable : public Fluid {
public:
    double liquid_rate = 0;  // kg/s
    double gas_rate = 0;     // kg/s
    std::vector<double> pres;  // Pa, rising
    std::vector<double> temp;  // K, rising
    // Values at (pres[i], temp[j]), index i * temp.size() + j.
    std::vector<double> rol, rog, visl, visg, sigma;
    std::vector<double> cpl, cpg;  // specific heats, J/(kg K): optional columns, empty without
    FluidState at(double p, double T, RangeLog* log = nullptr) const override;
    ThermalState thermal(double p, double T, RangeLog* log = nullptr) const override;

    // Reads a CSV with columns pres, temp, rol, rog, visl, visg, sigma (and
    // cpl, cpg together, for heat transfer) in any row order; throws ReadError naming the file, line and column
    // for a missing column, a non-number, or a grid that is not rectangular.
    static PropertyTable read(const std::string& path);
    static PropertyTable read(std::istream& in, const std::string& name);

private:
    struct Cell {
        std::size_t i = 0, j = 0;
        double wp = 0, wt = 0;
    };
    Cell cell(double p, double T) const;  // throws FluidError outside the grid
    double value(const Cell& c, const std::vector<double>& v) const;
};

}  // namespace flowmodel

#endif
