// The traverse's fluids: constant liquid with a real gas, and a property table.
#include "flowmodel/fluids.hpp"
#include "flowmodel/option_error.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <string>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"

namespace flowmodel {

FluidState ConstantLiquidRealGas::at(double p, double T, RangeLog*) const {
    FluidState s;
    s.rol = rol;
    s.rog = p * molar_mass / (z * kGasConstant * T);  // real-gas law, kg/m3
    s.visl = visl;
    s.visg = visg;
    s.sigma = sigma;
    s.ql = liquid_rate / s.rol;
    s.qg = gas_rate / s.rog;
    return s;
}

ThermalState ConstantLiquidRealGas::thermal(double p, double T, RangeLog*) const {
    // The liquid's (dh/dp)_T is its specific volume (no thermal expansion);
    // the gas's is 0 at a constant Z, which makes it an ideal gas here.
    (void)p;
    (void)T;
    ThermalState th;
    th.mass_rate = liquid_rate + gas_rate;
    th.cp = (liquid_rate * cpl + gas_rate * cpg) / th.mass_rate;
    th.dh_dp = liquid_rate / rol / th.mass_rate;
    return th;
}

namespace {

// Index i with axis[i] <= x <= axis[i + 1] and the weight of axis[i + 1].
bool bracket(const std::vector<double>& axis, double x, size_t& i, double& w) {
    if (!(x >= axis.front() && x <= axis.back())) return false;
    if (axis.size() == 1) {
        i = 0;
        w = 0;
        return true;
    }
    i = static_cast<size_t>(std::upper_bound(axis.begin(), axis.end(), x) - axis.begin());
    i = std::min(std::max<size_t>(i, 1), axis.size() - 1) - 1;
    w = (x - axis[i]) / (axis[i + 1] - axis[i]);
    return true;
}

}  // namespace

PropertyTable::Cell PropertyTable::cell(double p, double T) const {
    Cell c;
    if (!bracket(pres, p, c.i, c.wp) || !bracket(temp, T, c.j, c.wt)) {
        throw FluidError("outside the property table (pres " + io::format_double(pres.front()) + " to " +
                         io::format_double(pres.back()) + " Pa, temp " + io::format_double(temp.front()) + " to " +
                         io::format_double(temp.back()) + " K)");
    }
    return c;
}

double PropertyTable::value(const Cell& c, const std::vector<double>& v) const {
    const size_t nt = temp.size();
    const size_t i1 = std::min(c.i + 1, pres.size() - 1), j1 = std::min(c.j + 1, nt - 1);
    const double a = v[c.i * nt + c.j] * (1 - c.wt) + v[c.i * nt + j1] * c.wt;
    const double b = v[i1 * nt + c.j] * (1 - c.wt) + v[i1 * nt + j1] * c.wt;
    return a * (1 - c.wp) + b * c.wp;
}

FluidState PropertyTable::at(double p, double T, RangeLog*) const {
    const Cell c = cell(p, T);
    FluidState s;
    s.rol = value(c, rol);
    s.rog = value(c, rog);
    s.visl = value(c, visl);
    s.visg = value(c, visg);
    s.sigma = value(c, sigma);
    s.ql = liquid_rate / s.rol;
    s.qg = gas_rate / s.rog;
    return s;
}

ThermalState PropertyTable::thermal(double p, double T, RangeLog*) const {
    if (cpl.empty()) throw FluidError("the property table has no specific heats (columns cpl and cpg, J/kg/K)");
    const Cell c = cell(p, T);
    // (dh/dp)_T = (1 + (T / rho) (d rho / dT)_p) / rho for either phase, the
    // temperature derivative of the table's density across the cell.
    const Cell lo = cell(p, std::max(temp.front(), T - 0.5)), hi = cell(p, std::min(temp.back(), T + 0.5));
    const double span = std::min(temp.back(), T + 0.5) - std::max(temp.front(), T - 0.5);
    auto dh_dp = [&](const std::vector<double>& rho) {
        const double r = value(c, rho);
        const double dr_dt = span > 0 ? (value(hi, rho) - value(lo, rho)) / span : 0.0;
        return (1 + T / r * dr_dt) / r;
    };
    ThermalState th;
    th.mass_rate = liquid_rate + gas_rate;
    th.cp = (liquid_rate * value(c, cpl) + gas_rate * value(c, cpg)) / th.mass_rate;
    th.dh_dp = (liquid_rate * dh_dp(rol) + gas_rate * dh_dp(rog)) / th.mass_rate;
    return th;
}

PropertyTable PropertyTable::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ReadError(path + ": cannot read");
    return read(in, path);
}

namespace {

// (pres, temp) -> rol, rog, visl, visg, sigma, cpl, cpg (NaN for the heats when the table has none)
using Grid = std::map<std::pair<double, double>, std::array<double, 7>>;
constexpr int kColumns = 9, kRequired = 7;  // the specific heats are optional, together
const char* const kTableColumns[kColumns] = {"pres", "temp", "rol", "rog", "visl", "visg", "sigma", "cpl", "cpg"};

// The rows of the table by (pres, temp), each checked.
Grid read_grid(io::CsvReader& reader, io::CsvRecord& rec, const size_t (&col)[kColumns], size_t width,
               const std::string& path) {
    Grid grid;
    while (reader.next(rec)) {
        const std::string at = path + ": line " + std::to_string(rec.line);
        if (!rec.error.empty()) throw ReadError(at + ": " + rec.error);
        if (rec.size() != width) {
            throw ReadError(at + ": " + std::to_string(rec.size()) + " fields where the header has " +
                                     std::to_string(width));
        }
        double v[kColumns];
        for (int k = 0; k < kColumns; ++k) {
            v[k] = std::numeric_limits<double>::quiet_NaN();
            if (k >= kRequired && col[k] == width) continue;
            if (col[k] >= rec.size() || !io::parse_double(rec[col[k]], v[k]) || !std::isfinite(v[k])) {
                throw ReadError(at + ": column '" + kTableColumns[k] + "' is not a number");
            }
        }
        for (int k = 2; k < kColumns; ++k) {
            if (v[k] <= 0) throw ReadError(at + ": column '" + kTableColumns[k] + "' must be positive");
        }
        if (v[1] <= 0) throw ReadError(at + ": column 'temp' must be above 0 K");
        if (v[0] <= 0) throw ReadError(at + ": column 'pres' is an absolute pressure: it must be above 0 Pa");
        if (!grid.emplace(std::make_pair(v[0], v[1]), std::array<double, 7>{v[2], v[3], v[4], v[5], v[6], v[7], v[8]}).second) {
            throw ReadError(at + ": the point (pres, temp) is given twice");
        }
    }
    if (!reader.fatal().empty()) throw ReadError(path + ": " + reader.fatal());
    return grid;
}

}  // namespace

PropertyTable PropertyTable::read(std::istream& in, const std::string& path) {
    io::CsvReader reader(in);
    io::CsvRecord rec;
    if (!reader.next(rec)) throw ReadError(path + ": empty; expected a header row");
    if (!rec.error.empty()) throw ReadError(path + ": line " + std::to_string(rec.line) + ": " + rec.error);
    const size_t width = rec.size();
    size_t col[kColumns];
    for (int k = 0; k < kColumns; ++k) {
        col[k] = rec.size();
        for (size_t c = 0; c < rec.size(); ++c) {
            if (rec[c] == kTableColumns[k]) col[k] = c;
        }
        if (k < kRequired && col[k] == rec.size()) {
            throw ReadError(path + ": line 1: no column '" + kTableColumns[k] + "'");
        }
    }
    if ((col[7] == width) != (col[8] == width)) {
        throw ReadError(path + ": line 1: the specific heats 'cpl' and 'cpg' (J/kg/K) go together");
    }
    const Grid grid = read_grid(reader, rec, col, width, path);
    PropertyTable t;
    for (const auto& [key, value] : grid) {
        if (t.pres.empty() || t.pres.back() != key.first) t.pres.push_back(key.first);
    }
    for (const auto& [key, value] : grid) {
        if (key.first == t.pres.front()) t.temp.push_back(key.second);
    }
    if (t.pres.empty()) throw ReadError(path + ": no rows");
    if (grid.size() != t.pres.size() * t.temp.size()) {
        throw ReadError(path + ": not a rectangular grid of pres and temp (" + std::to_string(grid.size()) +
                                 " points for " + std::to_string(t.pres.size()) + " pressures x " +
                                 std::to_string(t.temp.size()) + " temperatures)");
    }
    for (double p : t.pres) {
        for (double T : t.temp) {
            auto it = grid.find({p, T});
            if (it == grid.end()) {
                throw ReadError(path + ": not a rectangular grid: no row for pres " + io::format_double(p) +
                                         ", temp " + io::format_double(T));
            }
            t.rol.push_back(it->second[0]);
            t.rog.push_back(it->second[1]);
            t.visl.push_back(it->second[2]);
            t.visg.push_back(it->second[3]);
            t.sigma.push_back(it->second[4]);
            if (col[7] != width) {
                t.cpl.push_back(it->second[5]);
                t.cpg.push_back(it->second[6]);
            }
        }
    }
    return t;
}

}  // namespace flowmodel
