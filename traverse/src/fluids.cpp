// The traverse's fluids: constant liquid with a real gas, and a property table.
#include "flowmodel/fluids.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
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

FluidState PropertyTable::at(double p, double T, RangeLog*) const {
    size_t i = 0, j = 0;
    double wp = 0, wt = 0;
    if (!bracket(pres, p, i, wp) || !bracket(temp, T, j, wt)) {
        throw FluidError("outside the property table (pres " + io::format_double(pres.front()) + " to " +
                         io::format_double(pres.back()) + " Pa, temp " + io::format_double(temp.front()) + " to " +
                         io::format_double(temp.back()) + " K)");
    }
    const size_t nt = temp.size();
    const size_t i1 = std::min(i + 1, pres.size() - 1), j1 = std::min(j + 1, nt - 1);
    auto lerp2 = [&](const std::vector<double>& v) {
        const double a = v[i * nt + j] * (1 - wt) + v[i * nt + j1] * wt;
        const double b = v[i1 * nt + j] * (1 - wt) + v[i1 * nt + j1] * wt;
        return a * (1 - wp) + b * wp;
    };
    FluidState s;
    s.rol = lerp2(rol);
    s.rog = lerp2(rog);
    s.visl = lerp2(visl);
    s.visg = lerp2(visg);
    s.sigma = lerp2(sigma);
    s.ql = liquid_rate / s.rol;
    s.qg = gas_rate / s.rog;
    return s;
}

PropertyTable PropertyTable::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot read");
    return read(in, path);
}

namespace {

using Grid = std::map<std::pair<double, double>, std::array<double, 5>>;  // (pres, temp) -> rol, rog, visl, visg, sigma
const char* const kTableColumns[7] = {"pres", "temp", "rol", "rog", "visl", "visg", "sigma"};

// The rows of the table by (pres, temp), each checked.
Grid read_grid(io::CsvReader& reader, io::CsvRecord& rec, const size_t (&col)[7], size_t width, const std::string& path) {
    Grid grid;
    while (reader.next(rec)) {
        const std::string at = path + ": line " + std::to_string(rec.line);
        if (!rec.error.empty()) throw std::runtime_error(at + ": " + rec.error);
        if (rec.size() != width) {
            throw std::runtime_error(at + ": " + std::to_string(rec.size()) + " fields where the header has " +
                                     std::to_string(width));
        }
        double v[7];
        for (int k = 0; k < 7; ++k) {
            if (col[k] >= rec.size() || !io::parse_double(rec[col[k]], v[k]) || !std::isfinite(v[k])) {
                throw std::runtime_error(at + ": column '" + kTableColumns[k] + "' is not a number");
            }
        }
        for (int k = 2; k < 7; ++k) {
            if (v[k] <= 0) throw std::runtime_error(at + ": column '" + kTableColumns[k] + "' must be positive");
        }
        if (v[1] <= 0) throw std::runtime_error(at + ": column 'temp' must be above 0 K");
        if (v[0] <= 0) throw std::runtime_error(at + ": column 'pres' is an absolute pressure: it must be above 0 Pa");
        if (!grid.emplace(std::make_pair(v[0], v[1]), std::array<double, 5>{v[2], v[3], v[4], v[5], v[6]}).second) {
            throw std::runtime_error(at + ": the point (pres, temp) is given twice");
        }
    }
    if (!reader.fatal().empty()) throw std::runtime_error(path + ": " + reader.fatal());
    return grid;
}

}  // namespace

PropertyTable PropertyTable::read(std::istream& in, const std::string& path) {
    io::CsvReader reader(in);
    io::CsvRecord rec;
    if (!reader.next(rec)) throw std::runtime_error(path + ": empty; expected a header row");
    if (!rec.error.empty()) throw std::runtime_error(path + ": line " + std::to_string(rec.line) + ": " + rec.error);
    const size_t width = rec.size();
    size_t col[7];
    for (int k = 0; k < 7; ++k) {
        col[k] = rec.size();
        for (size_t c = 0; c < rec.size(); ++c) {
            if (rec[c] == kTableColumns[k]) col[k] = c;
        }
        if (col[k] == rec.size()) throw std::runtime_error(path + ": line 1: no column '" + kTableColumns[k] + "'");
    }
    const Grid grid = read_grid(reader, rec, col, width, path);
    PropertyTable t;
    for (const auto& [key, value] : grid) {
        if (t.pres.empty() || t.pres.back() != key.first) t.pres.push_back(key.first);
    }
    for (const auto& [key, value] : grid) {
        if (key.first == t.pres.front()) t.temp.push_back(key.second);
    }
    if (t.pres.empty()) throw std::runtime_error(path + ": no rows");
    if (grid.size() != t.pres.size() * t.temp.size()) {
        throw std::runtime_error(path + ": not a rectangular grid of pres and temp (" + std::to_string(grid.size()) +
                                 " points for " + std::to_string(t.pres.size()) + " pressures x " +
                                 std::to_string(t.temp.size()) + " temperatures)");
    }
    for (double p : t.pres) {
        for (double T : t.temp) {
            auto it = grid.find({p, T});
            if (it == grid.end()) {
                throw std::runtime_error(path + ": not a rectangular grid: no row for pres " + io::format_double(p) +
                                         ", temp " + io::format_double(T));
            }
            t.rol.push_back(it->second[0]);
            t.rog.push_back(it->second[1]);
            t.visl.push_back(it->second[2]);
            t.visg.push_back(it->second[3]);
            t.sigma.push_back(it->second[4]);
        }
    }
    return t;
}

}  // namespace flowmodel
