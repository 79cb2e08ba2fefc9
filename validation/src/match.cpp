// Every method on a well's measured pressures, ranked, and tuned on request.
#include "flowmodel/match.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <utility>

#include "flowmodel/io/numbers.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/outflow.hpp"
#include "flowmodel/well_request.hpp"

namespace flowmodel::match {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPlaceholderTemp = 300.0;  // K: stands for the request's temperature when every test brings its own

[[noreturn]] void fail(const std::string& what) { throw OptionError(what); }

// A pass: the predictions of some rows with some options. Each kind of
// measurement computes its rows its own way.
class Measurements {
public:
    virtual ~Measurements() = default;
    virtual size_t size() const = 0;
    virtual std::string label(size_t row) const = 0;
    // out[k] for rows[k]; adds the traverses run and their warnings.
    virtual std::vector<RowPrediction> predict(const std::vector<size_t>& rows, const TraverseOptions& o, unsigned jobs,
                                               long& traverses, std::vector<std::string>& warnings) const = 0;
    // The rows a method is tuned on.
    virtual std::vector<size_t> tuning_rows() const = 0;
};

// Well tests: each its own traverse from its wellhead pressure down to its gauge.
class Tests : public Measurements {
public:
    Tests(const TraverseRequest& request, const std::vector<WellTest>& tests) : tests_(tests) {
        if (request.heat != HeatLaw::Given) {
            fail("the tests bring their own temperatures (wellhead and gauge): {heat} goes with a gradient survey");
        }
        if (!request.flow_decreasing) {
            fail("well tests are a producing well's, from the wellhead pressure down to the gauge: "
                 "{flow-direction} increasing (an injector) goes with a gradient survey");
        }
        if (request.given.casing_pres || !request.mandrels.empty()) {
            fail("a well test's traverse ends at its gauge: give the lift gas's {injection-depth}, not "
                 "{casing-pres} and {mandrels}");
        }
        TraverseRequest r = request;
        TraverseNumbers& g = r.given;
        const bool own_temps = std::all_of(tests.begin(), tests.end(), [](const WellTest& t) {
            return std::isfinite(t.wht) && std::isfinite(t.gauge_temp);
        });
        const bool temps = g.temp || g.temp_in || g.temp_out;
        if (temps && own_temps) {
            fail("every test brings its own temperatures (wht, gauge_temp): give no {temp}, {temp-in} or {temp-out}");
        }
        if (g.outlet_pres || g.inlet_pres) {
            fail("the tests bring their own wellhead pressures (whp): give no {outlet-pres} or {inlet-pres}");
        }
        if (!temps && !own_temps) {
            fail("give the temperature ({temp}, or {temp-in} and {temp-out}, or the profile's temp column) for the "
                 "tests without wht and gauge_temp");
        }
        if (!temps) g.temp = Given{kPlaceholderTemp, Dimension::Temperature, false};
        g.outlet_pres = Given{tests.front().whp, Dimension::Pressure, false};
        // Many traverses read to a fraction of their pressures, as a lift-curve table's.
        if (!g.tol) {
            double lowest = tests.front().whp;
            for (const WellTest& t : tests) lowest = std::min(lowest, t.whp);
            g.tol = Given{wells::many_traverse_tolerance(lowest), Dimension::PressureStep, false};
        }
        for (auto* rate : {&g.oil_rate, &g.water_rate, &g.liquid_rate, &g.gas_rate, &g.water_cut, &g.gor, &g.glr}) {
            if (rate->has_value()) fail("the tests bring their own rates: give no rate or ratio options");
        }
        const TraverseSetup setup = setup_traverse(r, Rates::FromMeasurements);
        options_ = setup.options;
        base_ = setup.black_oil()->inputs();
        if (setup.lift) lift_ = *setup.lift;
        const bool has_water_gravity = request.given.water_gravity || request.given.salinity;
        for (const WellTest& t : tests) {
            if (t.water_rate > 0 && !has_water_gravity) {
                fail("the tests produce water: give {water-gravity} or {salinity}");
            }
            if (t.gauge_md > setup.line.nodes.back().md) {
                fail("the gauge of the test on line " + std::to_string(t.line) + " (md " + io::format_double(t.gauge_md) +
                     " m) lies below the end of the well's profile (md " +
                     io::format_double(setup.line.nodes.back().md) + " m)");
            }
            Line well = line_between(setup.line, setup.line.nodes.front().md, t.gauge_md);
            if (std::isfinite(t.wht) && std::isfinite(t.gauge_temp)) {
                for (LineNode& n : well.nodes) n.temp = t.wht + (t.gauge_temp - t.wht) * n.md / t.gauge_md;
            }
            wells_.push_back(std::move(well));
        }
    }

    size_t size() const override { return tests_.size(); }
    std::string label(size_t row) const override { return tests_[row].label; }
    const TraverseOptions& options() const { return options_; }

    std::vector<RowPrediction> predict(const std::vector<size_t>& rows, const TraverseOptions& o, unsigned jobs,
                                       long& traverses, std::vector<std::string>& warnings) const override {
        std::vector<wells::OutflowCase> cases;
        for (size_t row : rows) {
            const WellTest& t = tests_[row];
            wells::OutflowCase c;
            c.fluid = base_;
            c.fluid.oil_rate = t.oil_rate;
            c.fluid.water_rate = t.water_rate;
            c.fluid.gas_rate = t.gas_rate;
            c.thp = t.whp;
            c.well = &wells_[row];
            // Lift gas enters below a gauge above its mandrel: the whole
            // stretch to the gauge carries it.
            if (lift_.rate > 0 && lift_.md < t.gauge_md) {
                c.lift = lift_;
            } else if (lift_.rate > 0) {
                c.fluid = with_lift_gas(c.fluid, lift_);
            }
            cases.push_back(c);
        }
        std::vector<RowPrediction> out(rows.size());
        if (rows.empty()) return out;
        const wells::Outflow f = wells::bottom_hole_pressures(wells_[rows.front()], cases, o, jobs);
        traverses += static_cast<long>(rows.size());
        wells::add_warnings(warnings, f.warnings);
        for (size_t k = 0; k < rows.size(); ++k) {
            const WellTest& t = tests_[rows[k]];
            out[k] = {t.gauge_pres, f.at[k].bhp, t.gauge_pres - t.whp, f.at[k].failure};
        }
        return out;
    }

    std::vector<size_t> tuning_rows() const override {
        std::vector<size_t> rows;
        const size_t n = tests_.size(), m = std::min(n, kTuningRows);
        for (size_t k = 0; k < m; ++k) rows.push_back(k * n / m);
        return rows;
    }

private:
    const std::vector<WellTest>& tests_;
    TraverseOptions options_;
    blackoil::BlackOilInputs base_;
    LiftGas lift_{};
    std::vector<Line> wells_;
};

// A gradient survey: one traverse at the request's rates from its boundary,
// a station of the line at every measured depth.
class Survey : public Measurements {
public:
    Survey(const TraverseRequest& request, const std::vector<SurveyStation>& stations)
        : stations_(stations), setup_(setup_traverse(request)) {
        Line& line = setup_.line;
        for (const SurveyStation& st : stations) {
            if (st.md < line.nodes.front().md || st.md > line.nodes.back().md) {
                fail("the survey station on line " + std::to_string(st.line) + " (md " + io::format_double(st.md) +
                     " m) lies outside the well's profile");
            }
            const auto at = std::lower_bound(line.nodes.begin(), line.nodes.end(), st.md,
                                             [](const LineNode& n, double md) { return n.md < md; });
            if (at->md != st.md) line.nodes.insert(at, node_at(line, st.md));
        }
    }

    size_t size() const override { return stations_.size(); }
    std::string label(size_t row) const override { return io::format_double(stations_[row].md); }

    std::vector<RowPrediction> predict(const std::vector<size_t>& rows, const TraverseOptions& o, unsigned,
                                       long& traverses, std::vector<std::string>& warnings) const override {
        TraverseSetup run = setup_;  // gas lift and heat transfer as set up
        run.options = o;
        run.options.output_step = 1e12;  // the stations are what counts
        const TraverseOptions& opt = run.options;
        const TraverseResult r = traverse(run);
        ++traverses;
        wells::add_warnings(warnings, r.summary.warnings);
        std::vector<RowPrediction> out;
        for (size_t row : rows) {
            const SurveyStation& st = stations_[row];
            RowPrediction p{st.pres, kNaN, std::fabs(st.pres - opt.pres), ""};
            for (const TraversePoint& pt : r.points) {
                if (pt.md == st.md) p.predicted = pt.pres;
            }
            if (std::isnan(p.predicted)) p.failure = r.summary.complete ? "no point at the station" : r.summary.message;
            out.push_back(p);
        }
        return out;
    }

    std::vector<size_t> tuning_rows() const override {
        std::vector<size_t> rows(stations_.size());
        for (size_t k = 0; k < rows.size(); ++k) rows[k] = k;
        return rows;
    }

    const TraverseOptions& options() const { return setup_.options; }

private:
    const std::vector<SurveyStation>& stations_;
    TraverseSetup setup_;
};

// The statistics of one method's rows.
MethodScore score(Method m, double hf, double ff, std::vector<RowPrediction> rows) {
    MethodScore s;
    s.method = m;
    s.holdup_factor = hf;
    s.friction_factor = ff;
    double sum = 0, sum_abs = 0, rel = 0, rel_abs = 0;
    long within = 0;
    for (const RowPrediction& r : rows) {
        if (!std::isfinite(r.predicted)) {
            ++s.failed;
            continue;
        }
        const double e = r.predicted - r.measured;
        ++s.n;
        sum += e;
        sum_abs += std::fabs(e);
        // A station at the boundary has no drop to be a per cent of.
        if (!(r.drop >= kLeastDrop)) continue;
        ++s.n_drop;
        rel += e / r.drop;
        rel_abs += std::fabs(e) / r.drop;
        within += std::fabs(e) <= 0.05 * r.drop;
    }
    s.me = s.mae = s.me_drop = s.mape_drop = s.within5 = kNaN;
    if (s.n > 0) {
        const double n = static_cast<double>(s.n);
        s.me = sum / n;
        s.mae = sum_abs / n;
    }
    if (s.n_drop > 0) {
        const double n = static_cast<double>(s.n_drop);
        s.me_drop = 100 * rel / n;
        s.mape_drop = 100 * rel_abs / n;
        s.within5 = 100 * static_cast<double>(within) / n;
    }
    s.rows = std::move(rows);
    return s;
}

// Best first: the lowest mean absolute error in % of the drop; a method
// that computed nothing last.
void rank(std::vector<MethodScore>& v) {
    std::stable_sort(v.begin(), v.end(), [](const MethodScore& a, const MethodScore& b) {
        const double x = a.n_drop ? a.mape_drop : std::numeric_limits<double>::infinity();
        const double y = b.n_drop ? b.mape_drop : std::numeric_limits<double>::infinity();
        return x < y;
    });
}

// What one method's passes share: every prediction made, by its factors and
// row, so that no traverse is run twice.
class Runs {
public:
    Runs(const Measurements& m, const TraverseOptions& base, Method method, unsigned jobs, MatchResult& out)
        : m_(m), base_(base), method_(method), jobs_(jobs), out_(out) {}

    std::vector<RowPrediction> at(double hf, double ff, const std::vector<size_t>& rows) {
        auto& known = cache_[{hf, ff}];
        std::vector<size_t> missing;
        for (size_t r : rows) {
            if (!known.count(r)) missing.push_back(r);
        }
        if (!missing.empty()) {
            TraverseOptions o = base_;
            o.method = method_;
            o.holdup_factor = hf;
            o.friction_factor = ff;
            const std::vector<RowPrediction> p = m_.predict(missing, o, jobs_, out_.traverses, out_.warnings);
            for (size_t k = 0; k < missing.size(); ++k) known[missing[k]] = p[k];
        }
        std::vector<RowPrediction> out;
        for (size_t r : rows) out.push_back(known[r]);
        return out;
    }

private:
    const Measurements& m_;
    TraverseOptions base_;
    Method method_;
    unsigned jobs_;
    MatchResult& out_;
    std::map<std::pair<double, double>, std::map<size_t, RowPrediction>> cache_;
};

// The errors (Pa) of the rows, NaN where not computed.
std::vector<double> errors(const std::vector<RowPrediction>& p) {
    std::vector<double> e;
    for (const RowPrediction& r : p) e.push_back(r.predicted - r.measured);
    return e;
}

// The holdup and friction multipliers that minimise the sum of squared
// errors over `rows`, within the bounds: Gauss-Newton with a Levenberg
// damping, the Jacobian by forward differences.
std::pair<double, double> fit(Runs& runs, const std::vector<size_t>& rows, double h, double f) {
    constexpr double kStep = 0.02;  // of a factor, for the differences
    double lambda = 1e-3;
    auto sse = [](const std::vector<double>& e) {
        double s = 0;
        for (double x : e) s += std::isfinite(x) ? x * x : 0;
        return s;
    };
    std::vector<double> e0 = errors(runs.at(h, f, rows));
    for (int iter = 0; iter < 12; ++iter) {
        const double dh = h + kStep <= kMostTuned ? kStep : -kStep;
        const double df = f + kStep <= kMostTuned ? kStep : -kStep;
        const std::vector<double> eh = errors(runs.at(h + dh, f, rows));
        const std::vector<double> ef = errors(runs.at(h, f + df, rows));
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        for (size_t k = 0; k < rows.size(); ++k) {
            if (!std::isfinite(e0[k]) || !std::isfinite(eh[k]) || !std::isfinite(ef[k])) continue;
            const double j1 = (eh[k] - e0[k]) / dh, j2 = (ef[k] - e0[k]) / df;
            a11 += j1 * j1;
            a12 += j1 * j2;
            a22 += j2 * j2;
            b1 -= j1 * e0[k];
            b2 -= j2 * e0[k];
        }
        bool moved = false;
        for (int tries = 0; tries < 6 && !moved; ++tries) {
            const double m11 = a11 * (1 + lambda), m22 = a22 * (1 + lambda);
            const double det = m11 * m22 - a12 * a12;
            if (!(std::fabs(det) > 0)) break;
            const double nh = std::clamp(h + (b1 * m22 - b2 * a12) / det, kLeastTuned, kMostTuned);
            const double nf = std::clamp(f + (m11 * b2 - a12 * b1) / det, kLeastTuned, kMostTuned);
            // Factors to 4 decimals: what is reported is what was computed.
            const double rh = std::round(nh * 1e4) / 1e4, rf = std::round(nf * 1e4) / 1e4;
            if (rh == h && rf == f) return {h, f};
            const std::vector<double> en = errors(runs.at(rh, rf, rows));
            if (sse(en) < sse(e0)) {
                h = rh;
                f = rf;
                e0 = en;
                lambda = std::max(lambda / 10, 1e-6);
                moved = true;
            } else {
                lambda *= 10;
            }
        }
        if (!moved) break;
    }
    return {h, f};
}

// A fitted factor at the bound of its range: the method could not be
// brought to the measurements within it, and the error left says so.
void say_bounds(const MethodScore& s, std::vector<std::string>& warnings) {
    for (const auto& [name, v] : {std::pair<const char*, double>{"holdup", s.holdup_factor}, {"friction", s.friction_factor}}) {
        if (v <= kLeastTuned || v >= kMostTuned) {
            warnings.push_back(std::string(method_info(s.method).name) + ": the fitted " + name + " factor stopped at " +
                               io::format_double(v) + ", the bound of its range (" + io::format_double(kLeastTuned) +
                               " to " + io::format_double(kMostTuned) + "): the method does not reach these "
                               "measurements by tuning");
        }
    }
}

std::unique_ptr<Measurements> measurements(const TraverseRequest& request, const MeasuredPressures& m,
                                           TraverseOptions& base) {
    if (m.survey) {
        auto s = std::make_unique<Survey>(request, m.stations);
        base = s->options();
        return s;
    }
    auto t = std::make_unique<Tests>(request, m.tests);
    base = t->options();
    return t;
}

}  // namespace

MatchResult run_match(const TraverseRequest& request, const MeasuredPressures& measured, const MatchOptions& options) {
    MatchResult out;
    if (request.given.output_step) fail("{output-step} spaces a traverse's profile; matching reports the measured points only");
    TraverseOptions base;
    const std::unique_ptr<Measurements> m = measurements(request, measured, base);
    base.interrupted = options.interrupted;
    for (size_t r = 0; r < m->size(); ++r) out.labels.push_back(m->label(r));
    std::vector<size_t> all(m->size());
    for (size_t k = 0; k < all.size(); ++k) all[k] = k;
    std::vector<Method> methods = options.methods;
    if (methods.empty()) {
        for (const MethodInfo& info : flowmodel::methods()) methods.push_back(info.method);
    }
    // The factors the request gives (1 by default) are the untuned score's
    // and the fit's starting point.
    const double h0 = base.holdup_factor, f0 = base.friction_factor;
    for (Method method : methods) {
        Runs runs(*m, base, method, options.jobs, out);
        out.untuned.push_back(score(method, h0, f0, runs.at(h0, f0, all)));
        if (!options.tune) continue;
        const auto [h, f] = fit(runs, m->tuning_rows(), h0, f0);
        out.tuned.push_back(score(method, h, f, runs.at(h, f, all)));
        say_bounds(out.tuned.back(), out.warnings);
    }
    rank(out.untuned);
    rank(out.tuned);
    out.warnings.insert(out.warnings.begin(), measured.notes.begin(), measured.notes.end());
    // The warnings were gathered once per correlation and range
    // (wells::add_warnings), each method's under its own name.
    return out;
}

bool MatchResult::computed() const {
    return std::any_of(untuned.begin(), untuned.end(), [](const MethodScore& m) { return m.n > 0; });
}

std::string MatchResult::why_none() const {
    for (const MethodScore& m : untuned) {
        for (const RowPrediction& r : m.rows) {
            if (!r.failure.empty()) return "no measurement could be computed by any method; the first failure: " + r.failure;
        }
    }
    return "no measurement could be computed by any method";
}

}  // namespace flowmodel::match
