// The statistics of the model against measurements.
#include <cctype>
#include <cmath>
#include <map>

#include "flowmodel/validation.hpp"
#include "pipeflow.h"

namespace flowmodel::validation {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Coarse class: stratified 0, annular 1, slug 2, dispersed bubble 3.
int coarse_class(int regime) { return regime <= 1 || regime == kStratified ? 0 : regime - 1; }

// Per-row errors of one quantity, kept until the group is summed up.
struct Errors {
    std::vector<double> rel, abs;
    long failed = 0, invalid = 0;
};

double mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return v.empty() ? kNaN : s / static_cast<double>(v.size());
}

double mean_abs(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += std::fabs(x);
    return v.empty() ? kNaN : s / static_cast<double>(v.size());
}

// Sample standard deviation (n - 1), in two passes.
double sample_std(const std::vector<double>& v) {
    if (v.size() < 2) return kNaN;
    const double m = mean(v);
    double s = 0;
    for (double x : v) s += (x - m) * (x - m);
    return std::sqrt(s / static_cast<double>(v.size() - 1));
}

ErrorStats summarise(const Errors& e) {
    ErrorStats s;
    s.n = static_cast<long>(e.rel.size());
    s.failed = e.failed;
    s.separated_invalid = e.invalid;
    s.e1 = 100 * mean(e.rel);
    s.e2 = 100 * mean_abs(e.rel);
    s.e3 = 100 * sample_std(e.rel);
    s.e4 = mean(e.abs);
    s.e5 = mean_abs(e.abs);
    s.e6 = sample_std(e.abs);
    long w20 = 0, w30 = 0;
    for (double x : e.rel) {
        w20 += std::fabs(x) <= 0.20;
        w30 += std::fabs(x) <= 0.30;
    }
    s.within20 = s.n ? 100.0 * static_cast<double>(w20) / static_cast<double>(s.n) : kNaN;
    s.within30 = s.n ? 100.0 * static_cast<double>(w30) / static_cast<double>(s.n) : kNaN;
    return s;
}

struct Accumulator {
    Errors dpdx, hol;
    RegimeStats regime;
    long exact_hits = 0, coarse_hits = 0;

    void add(const Result& r, const Measurement& m) {
        const bool ok = usable(r);
        const bool invalid = r.separated_invalid();
        if (!std::isnan(m.dpdx)) {
            if (ok) {
                dpdx.rel.push_back((r.dpt - m.dpdx) / m.dpdx);
                dpdx.abs.push_back(r.dpt - m.dpdx);
                dpdx.invalid += invalid;
            } else {
                ++dpdx.failed;
            }
        }
        if (!std::isnan(m.hol)) {
            if (ok) {
                hol.rel.push_back((r.holdup - m.hol) / m.hol);
                hol.abs.push_back(r.holdup - m.hol);
                hol.invalid += invalid;
            } else {
                ++hol.failed;
            }
        }
        if (m.regime != kNoObservation) {
            if (!r.has_regime()) {
                ++regime.failed;
                return;
            }
            const int predicted = static_cast<int>(r.regime);
            ++regime.n;
            ++regime.confusion[static_cast<size_t>(m.regime)][static_cast<size_t>(predicted)];
            coarse_hits += coarse_class(m.regime) == coarse_class(predicted);
            if (m.regime != kStratified) {
                ++regime.n_exact;
                exact_hits += m.regime == predicted;
            }
        }
    }

    Statistics result() const {
        Statistics s;
        s.dpdx = summarise(dpdx);
        s.holdup = summarise(hol);
        s.regime = regime;
        s.regime.exact = regime.n_exact ? 100.0 * static_cast<double>(exact_hits) / static_cast<double>(regime.n_exact) : kNaN;
        s.regime.coarse = regime.n ? 100.0 * static_cast<double>(coarse_hits) / static_cast<double>(regime.n) : kNaN;
        return s;
    }
};

}  // namespace

bool parse_regime(const std::string& text, int& regime) {
    std::string t;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r') t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (t.empty()) {
        regime = kNoObservation;
        return true;
    }
    if (t == "STRAT") {
        regime = kStratified;
        return true;
    }
    if (t.size() == 1 && t[0] >= '0' && t[0] <= '4') {
        regime = t[0] - '0';
        return true;
    }
    return false;
}

bool usable(const Result& r) { return r.has_regime() && r.dpt < PIPEFLOW_CRITICAL_DPT; }

Report compare(const std::vector<Result>& results, const std::vector<Measurement>& measured,
               const std::vector<std::string>& groups) {
    Accumulator pooled;
    std::vector<std::pair<std::string, Accumulator>> by_group;
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < results.size() && i < measured.size(); ++i) {
        pooled.add(results[i], measured[i]);
        if (i < groups.size()) {
            auto it = index.find(groups[i]);
            if (it == index.end()) {
                it = index.emplace(groups[i], by_group.size()).first;
                by_group.emplace_back(groups[i], Accumulator{});
            }
            by_group[it->second].second.add(results[i], measured[i]);
        }
    }
    Report report;
    report.pooled = pooled.result();
    for (const auto& [name, acc] : by_group) report.groups.emplace_back(name, acc.result());
    return report;
}

RowErrors row_errors(const Result& r, const Measurement& m) {
    RowErrors e{kNaN, kNaN, kNaN, kNaN};
    if (!usable(r)) return e;
    if (!std::isnan(m.dpdx)) {
        e.dpdx_abs = r.dpt - m.dpdx;
        e.dpdx_rel = e.dpdx_abs / m.dpdx;
    }
    if (!std::isnan(m.hol)) {
        e.hol_abs = r.holdup - m.hol;
        e.hol_rel = e.hol_abs / m.hol;
    }
    return e;
}

std::string group_of(const std::string& source) {
    // A note in brackets (where in a compilation the row came from) is not part of the group.
    std::string s = source;
    const size_t open = s.find('[');
    if (open != std::string::npos && s.find_first_not_of(" \t") < open) s.erase(open);
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

}  // namespace flowmodel::validation
