// The statistics of the model against measurements.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "flowmodel/io/numbers.hpp"

#include "flowmodel/validation.hpp"
#include "pipeflow.h"

namespace flowmodel::validation {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Coarse class: stratified 0, annular 1, slug 2, dispersed bubble 3.
int coarse_class(int regime) { return regime <= 1 || regime == kStratified ? 0 : regime - 1; }

// Running mean, mean magnitude and sum of squared deviations (Welford).
struct Running {
    long n = 0;
    double mean = 0, mean_abs = 0, m2 = 0;
    void add(double x) {
        ++n;
        const double delta = x - mean;
        mean += delta / static_cast<double>(n);
        m2 += delta * (x - mean);
        mean_abs += (std::fabs(x) - mean_abs) / static_cast<double>(n);
    }
    double average() const { return n ? mean : kNaN; }
    double average_abs() const { return n ? mean_abs : kNaN; }
    double sample_std() const { return n > 1 ? std::sqrt(m2 / static_cast<double>(n - 1)) : kNaN; }
};

// The errors of one quantity, summed as rows arrive.
struct Errors {
    Running rel, abs;
    long failed = 0, invalid = 0, below = 0, within20 = 0, within30 = 0;

    void add(double pred, double meas, double resolution, bool invalid_answer) {
        abs.add(pred - meas);
        invalid += invalid_answer;
        if (!(std::fabs(meas) >= resolution)) {
            ++below;
            return;
        }
        const double e = (pred - meas) / meas;
        rel.add(e);
        within20 += std::fabs(e) <= 0.20;
        within30 += std::fabs(e) <= 0.30;
    }
};

ErrorStats summarise(const Errors& e) {
    ErrorStats s;
    s.n = e.abs.n;
    s.failed = e.failed;
    s.below_resolution = e.below;
    s.separated_invalid = e.invalid;
    s.e1 = 100 * e.rel.average();
    s.e2 = 100 * e.rel.average_abs();
    s.e3 = 100 * e.rel.sample_std();
    s.e4 = e.abs.average();
    s.e5 = e.abs.average_abs();
    s.e6 = e.abs.sample_std();
    const auto share = [&](long k) { return e.rel.n ? 100.0 * static_cast<double>(k) / static_cast<double>(e.rel.n) : kNaN; };
    s.within20 = share(e.within20);
    s.within30 = share(e.within30);
    return s;
}

struct Accumulator {
    Errors dpdx, hol;
    RegimeStats regime;
    long exact_hits = 0, coarse_hits = 0;

    void add(const PointAnswer& a, const Measurement& m) {
        const bool ok = a.valid;
        const bool invalid = a.model_bridge;
        if (!std::isnan(m.dpdx)) {
            if (ok) {
                dpdx.add(a.dpt, m.dpdx, kGradientResolution, invalid);
            } else {
                ++dpdx.failed;
            }
        }
        if (!std::isnan(m.hol)) {
            if (ok) {
                hol.add(a.holdup, m.hol, kHoldupResolution, invalid);
            } else {
                ++hol.failed;
            }
        }
        if (m.regime != kNoObservation) add_regime(a.pattern, m.regime);
    }

    void add_regime(Pattern pattern, int observed) {
        if (pattern == Pattern::None) {
            ++regime.failed;
            return;
        }
        const int id = static_cast<int>(pattern);
        const bool models = id < 5;  // one of the model's regimes: scored exactly too
        const int predicted = models ? id : coarse_regime(pattern);
        if (predicted < 0) return;   // the method names no such regime
        ++regime.n;
        ++regime.confusion[static_cast<size_t>(observed)][static_cast<size_t>(predicted)];
        coarse_hits += coarse_class(observed) == coarse_class(predicted);
        if (models && observed != kStratified) {
            ++regime.n_exact;
            exact_hits += observed == predicted;
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

// Letters to change, insert or delete to turn a into b.
size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string trimmed(const std::string& t) {
    const size_t b = t.find_first_not_of(" \t\r");
    if (b == std::string::npos) return std::string();
    return t.substr(b, t.find_last_not_of(" \t\r") - b + 1);
}

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
    // "3", or "3.0", "3.00": a code written as a number with zero decimals.
    if (t.size() >= 2 && t[1] == '.' && t.find_first_not_of('0', 2) == std::string::npos) t.resize(1);
    if (t.size() == 1 && t[0] >= '0' && t[0] <= '4') {
        regime = t[0] - '0';
        return true;
    }
    return false;
}

const char* const kMeasuredColumns[4] = {"hol_meas", "dpdx_meas", "regime_meas", "source"};

std::string near_miss(const std::string& column) {
    const std::string c = trimmed(column);
    for (const char* known : kMeasuredColumns) {
        const size_t d = edit_distance(c, known);
        if (d > 0 && d <= 2) return known;
    }
    return std::string();
}

bool read_measurement(const std::string& hol, const std::string& dpdx, const std::string& regime, Measurement& m,
                      std::string& why) {
    auto number = [&](const char* name, const std::string& text, double& value) {
        const std::string t = trimmed(text);
        if (t.empty()) {
            value = kNaN;  // not measured here
            return true;
        }
        if (!io::parse_double(t, value) || !std::isfinite(value)) {
            why = std::string(name) + " is not a number: '" + io::shorten(t) + "'";
            return false;
        }
        return true;
    };
    if (!number("hol_meas", hol, m.hol) || !number("dpdx_meas", dpdx, m.dpdx)) return false;
    if (!std::isnan(m.hol) && !(m.hol >= 0 && m.hol <= 1)) {
        why = "hol_meas " + io::format_double(m.hol) + " is not a holdup from 0 to 1";
        return false;
    }
    const std::string r = trimmed(regime);
    if (!parse_regime(r, m.regime)) {
        why = "regime_meas '" + io::shorten(r) + "' is not 0-4 or STRAT";
        return false;
    }
    return true;
}

bool usable(const Result& r) { return r.has_regime() && r.dpt < PIPEFLOW_CRITICAL_DPT; }

struct Scorer::Sums {
    Accumulator pooled;
    std::vector<std::pair<std::string, Accumulator>> groups;  // in order of first appearance
    std::map<std::string, size_t> index;
};

Scorer::Scorer() : sums_(std::make_unique<Sums>()) {}
Scorer::~Scorer() = default;
Scorer::Scorer(Scorer&&) noexcept = default;
Scorer& Scorer::operator=(Scorer&&) noexcept = default;

void Scorer::add(const Result& r, const Measurement& m, const std::string& group, bool grouped) {
    add(model_point_answer(r), m, group, grouped);
}

void Scorer::add(const PointAnswer& r, const Measurement& m, const std::string& group, bool grouped) {
    sums_->pooled.add(r, m);
    if (!grouped) return;
    auto it = sums_->index.find(group);
    if (it == sums_->index.end()) {
        it = sums_->index.emplace(group, sums_->groups.size()).first;
        sums_->groups.emplace_back(group, Accumulator{});
    }
    sums_->groups[it->second].second.add(r, m);
}

Report Scorer::report() const {
    Report report;
    report.pooled = sums_->pooled.result();
    for (const auto& [name, acc] : sums_->groups) report.groups.emplace_back(name, acc.result());
    return report;
}

Report compare(const std::vector<Result>& results, const std::vector<Measurement>& measured,
               const std::vector<std::string>& groups) {
    Scorer scorer;
    for (size_t i = 0; i < results.size() && i < measured.size(); ++i) {
        scorer.add(results[i], measured[i], i < groups.size() ? groups[i] : std::string(), i < groups.size());
    }
    return scorer.report();
}

RowErrors row_errors(const Result& r, const Measurement& m) { return row_errors(model_point_answer(r), m); }

RowErrors row_errors(const PointAnswer& r, const Measurement& m) {
    RowErrors e{kNaN, kNaN, kNaN, kNaN};
    if (!r.valid) return e;
    if (!std::isnan(m.dpdx)) {
        e.dpdx_abs = r.dpt - m.dpdx;
        if (std::fabs(m.dpdx) >= kGradientResolution) e.dpdx_rel = e.dpdx_abs / m.dpdx;
    }
    if (!std::isnan(m.hol)) {
        e.hol_abs = r.holdup - m.hol;
        if (m.hol >= kHoldupResolution) e.hol_rel = e.hol_abs / m.hol;
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
