// Every method on a well's measured pressures, ranked, and tuned on request.
// Well tests are streamed in blocks (a file of millions of them is never
// held); a survey's stations, one traverse's worth, are.
#include "flowmodel/match.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
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
constexpr std::size_t kBlock = 1024;        // tests computed at a time: their wells are built for the block

[[noreturn]] void fail(const std::string& what) { throw OptionError(what); }

// Where the rows come from, as often as a pass needs them: each call walks
// every row in the file's order.
class Rows {
public:
    virtual ~Rows() = default;
    virtual bool survey() const = 0;
    virtual void each(const std::function<void(std::size_t, const WellTest&, const SurveyStation&)>& f) const = 0;
    virtual std::vector<std::string> notes() const = 0;
};

class InMemory : public Rows {
public:
    explicit InMemory(const MeasuredPressures& m) : m_(m) {}
    bool survey() const override { return m_.survey; }
    void each(const std::function<void(std::size_t, const WellTest&, const SurveyStation&)>& f) const override {
        const WellTest none_test;
        const SurveyStation none_station;
        if (m_.survey) {
            for (std::size_t k = 0; k < m_.stations.size(); ++k) f(k, none_test, m_.stations[k]);
        } else {
            for (std::size_t k = 0; k < m_.tests.size(); ++k) f(k, m_.tests[k], none_station);
        }
    }
    std::vector<std::string> notes() const override { return m_.notes; }

private:
    const MeasuredPressures& m_;
};

class InFile : public Rows {
public:
    InFile(const std::string& path, double atm) : path_(path), atm_(atm) {
        std::ifstream in(path_, std::ios::binary);
        if (!in) throw ReadError("cannot open '" + path_ + "'");
        survey_ = MeasuredReader(in, path_, atm_).survey();
    }
    bool survey() const override { return survey_; }
    void each(const std::function<void(std::size_t, const WellTest&, const SurveyStation&)>& f) const override {
        std::ifstream in(path_, std::ios::binary);
        if (!in) throw ReadError("cannot open '" + path_ + "'");
        MeasuredReader reader(in, path_, atm_);
        WellTest t;
        SurveyStation st;
        for (std::size_t k = 0; reader.next(st, t); ++k) f(k, t, st);
        notes_ = reader.notes();
    }
    std::vector<std::string> notes() const override { return notes_; }

private:
    std::string path_;
    double atm_;
    bool survey_ = false;
    mutable std::vector<std::string> notes_;
};

// What a pass computes: the predictions of some rows with some options.
class Measurements {
public:
    virtual ~Measurements() = default;
    // Walks every row, handing on blocks of rows with their predictions.
    using Block = std::function<void(const std::vector<std::size_t>&, const std::vector<std::string>&,
                                     const std::vector<RowPrediction>&)>;
    // Rows not `wanted` are left out; a row with a `cached` prediction (not
    // null) is handed on with it, not computed again.
    using Cached = std::function<const RowPrediction*(std::size_t)>;
    virtual void pass(const TraverseOptions& o, unsigned jobs, long& traverses, std::vector<std::string>& warnings,
                      const std::function<bool(std::size_t)>& wanted, const Cached& cached, const Block& block) const = 0;
    virtual std::size_t size() const = 0;
    virtual std::string first_label() const = 0;
    virtual std::string last_label() const = 0;
    virtual const TraverseOptions& options() const = 0;
};

// Well tests: each its own traverse from its wellhead pressure down to its
// gauge. A first walk checks them and learns what the set-up needs (the
// lowest wellhead pressure, whether every test brings its temperatures).
class Tests : public Measurements {
public:
    Tests(const TraverseRequest& request, const Rows& rows) : rows_(rows) {
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
        bool own_temps = true, water = false;
        double lowest = INFINITY, first_whp = 0, deepest = 0;
        std::size_t deepest_line = 0;
        rows_.each([&](std::size_t k, const WellTest& t, const SurveyStation&) {
            own_temps = own_temps && std::isfinite(t.wht) && std::isfinite(t.gauge_temp);
            water = water || t.water_rate > 0;
            lowest = std::min(lowest, t.whp);
            if (k == 0) first_whp = t.whp, first_ = t.label;
            if (t.gauge_md > deepest) deepest = t.gauge_md, deepest_line = t.line;
            last_ = t.label;
            count_ = k + 1;
        });
        TraverseRequest r = request;
        TraverseNumbers& g = r.given;
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
        g.outlet_pres = Given{first_whp, Dimension::Pressure, false};
        // Many traverses read to a fraction of their pressures, as a lift-curve table's.
        if (!g.tol) g.tol = Given{wells::many_traverse_tolerance(lowest), Dimension::PressureStep, false};
        for (auto* rate : {&g.oil_rate, &g.water_rate, &g.liquid_rate, &g.gas_rate, &g.water_cut, &g.gor, &g.glr}) {
            if (rate->has_value()) fail("the tests bring their own rates: give no rate or ratio options");
        }
        const TraverseSetup setup = setup_traverse(r, Rates::FromMeasurements);
        options_ = setup.options;
        base_ = setup.black_oil()->inputs();
        line_ = setup.line;
        if (setup.lift) lift_ = *setup.lift;
        if (water && !request.given.water_gravity && !request.given.salinity) {
            fail("the tests produce water: give {water-gravity} or {salinity}");
        }
        if (deepest > line_.nodes.back().md) {
            fail("the gauge of the test on line " + std::to_string(deepest_line) + " (md " + io::format_double(deepest) +
                 " m) lies below the end of the well's profile (md " + io::format_double(line_.nodes.back().md) + " m)");
        }
    }

    std::size_t size() const override { return count_; }
    std::string first_label() const override { return first_; }
    std::string last_label() const override { return last_; }
    const TraverseOptions& options() const override { return options_; }

    void pass(const TraverseOptions& o, unsigned jobs, long& traverses, std::vector<std::string>& warnings,
              const std::function<bool(std::size_t)>& wanted, const Cached& cached, const Block& block) const override {
        std::vector<std::size_t> index;
        std::vector<std::string> labels;
        std::vector<WellTest> tests;        // those to compute
        std::vector<RowPrediction> given;   // by row of the block: the cached ones
        std::vector<bool> is_given;
        auto flush = [&] {
            if (index.empty()) return;
            const std::vector<RowPrediction> computed = predict(tests, o, jobs, traverses, warnings);
            std::vector<RowPrediction> all(index.size());
            for (std::size_t k = 0, c = 0; k < index.size(); ++k) all[k] = is_given[k] ? given[k] : computed[c++];
            block(index, labels, all);
            index.clear();
            labels.clear();
            tests.clear();
            given.clear();
            is_given.clear();
        };
        rows_.each([&](std::size_t k, const WellTest& t, const SurveyStation&) {
            if (!wanted(k)) return;
            const RowPrediction* p = cached(k);
            index.push_back(k);
            labels.push_back(t.label);
            is_given.push_back(p != nullptr);
            given.push_back(p ? *p : RowPrediction{});
            if (!p) tests.push_back(t);
            if (index.size() == kBlock) flush();
        });
        flush();
    }

    // The predictions of a set of tests (a block, or the tuning sample).
    std::vector<RowPrediction> predict(const std::vector<WellTest>& tests, const TraverseOptions& o, unsigned jobs,
                                       long& traverses, std::vector<std::string>& warnings) const {
        std::vector<Line> wells;
        wells.reserve(tests.size());
        for (const WellTest& t : tests) wells.push_back(well_of(t));
        std::vector<wells::OutflowCase> cases;
        for (std::size_t k = 0; k < tests.size(); ++k) {
            const WellTest& t = tests[k];
            wells::OutflowCase c;
            c.fluid = base_;
            c.fluid.oil_rate = t.oil_rate;
            c.fluid.water_rate = t.water_rate;
            c.fluid.gas_rate = t.gas_rate;
            c.thp = t.whp;
            c.well = &wells[k];
            // Lift gas enters below a gauge above its mandrel: the whole
            // stretch to the gauge carries it.
            if (lift_.rate > 0 && lift_.md < t.gauge_md) {
                c.lift = lift_;
            } else if (lift_.rate > 0) {
                c.fluid = with_lift_gas(c.fluid, lift_);
            }
            cases.push_back(c);
        }
        std::vector<RowPrediction> out(tests.size());
        if (tests.empty()) return out;
        const wells::Outflow f = wells::bottom_hole_pressures(wells.front(), cases, o, jobs);
        traverses += static_cast<long>(tests.size());
        wells::add_warnings(warnings, f.warnings);
        for (std::size_t k = 0; k < tests.size(); ++k) {
            const WellTest& t = tests[k];
            out[k] = {t.gauge_pres, f.at[k].bhp, t.gauge_pres - t.whp, f.at[k].failure};
        }
        return out;
    }

private:
    // The well from the wellhead to the test's gauge, its temperature linear
    // from wht to gauge_temp where the test gives both.
    Line well_of(const WellTest& t) const {
        Line well = line_between(line_, line_.nodes.front().md, t.gauge_md);
        if (std::isfinite(t.wht) && std::isfinite(t.gauge_temp)) {
            for (LineNode& n : well.nodes) n.temp = t.wht + (t.gauge_temp - t.wht) * n.md / t.gauge_md;
        }
        return well;
    }

    const Rows& rows_;
    std::size_t count_ = 0;
    std::string first_, last_;
    TraverseOptions options_;
    blackoil::BlackOilInputs base_;
    Line line_;
    LiftGas lift_{};
};

// A gradient survey: one traverse at the request's rates from its boundary,
// a station of the line at every measured depth.
class Survey : public Measurements {
public:
    Survey(const TraverseRequest& request, const Rows& rows) : setup_(setup_traverse(request)) {
        rows.each([&](std::size_t, const WellTest&, const SurveyStation& st) { stations_.push_back(st); });
        Line& line = setup_.line;
        for (const SurveyStation& st : stations_) {
            if (st.md < line.nodes.front().md || st.md > line.nodes.back().md) {
                fail("the survey station on line " + std::to_string(st.line) + " (md " + io::format_double(st.md) +
                     " m) lies outside the well's profile");
            }
            const auto at = std::lower_bound(line.nodes.begin(), line.nodes.end(), st.md,
                                             [](const LineNode& n, double md) { return n.md < md; });
            if (at->md != st.md) line.nodes.insert(at, node_at(line, st.md));
        }
    }

    std::size_t size() const override { return stations_.size(); }
    std::string first_label() const override { return label(0); }
    std::string last_label() const override { return label(stations_.size() - 1); }
    const TraverseOptions& options() const override { return setup_.options; }

    void pass(const TraverseOptions& o, unsigned, long& traverses, std::vector<std::string>& warnings,
              const std::function<bool(std::size_t)>& wanted, const Cached& cached, const Block& block) const override {
        std::vector<std::size_t> index;
        bool all_cached = true;
        for (std::size_t k = 0; k < stations_.size(); ++k) {
            if (!wanted(k)) continue;
            index.push_back(k);
            all_cached = all_cached && cached(k);
        }
        if (index.empty()) return;
        TraverseResult r;
        if (!all_cached) {
            TraverseSetup run = setup_;  // gas lift and heat transfer as set up
            run.options = o;
            run.options.output_step = 1e12;  // the stations are what counts
            r = traverse(run);
            ++traverses;
            wells::add_warnings(warnings, r.summary.warnings);
        }
        std::vector<RowPrediction> out;
        std::vector<std::string> labels;
        for (std::size_t k : index) {
            labels.push_back(label(k));
            if (all_cached) {
                out.push_back(*cached(k));
                continue;
            }
            const SurveyStation& st = stations_[k];
            RowPrediction p{st.pres, kNaN, std::fabs(st.pres - o.pres), ""};
            for (const TraversePoint& pt : r.points) {
                if (pt.md == st.md) p.predicted = pt.pres;
            }
            if (std::isnan(p.predicted)) p.failure = r.summary.complete ? "no point at the station" : r.summary.message;
            out.push_back(p);
        }
        block(index, labels, out);
    }

private:
    std::string label(std::size_t k) const { return stations_.empty() ? "" : io::format_double(stations_[k].md); }
    std::vector<SurveyStation> stations_;
    TraverseSetup setup_;
};

// One method's statistics, gathered a row at a time, with a sample of rows
// evenly spread over the file for a picture.
class Scorer {
public:
    Scorer(Method m, double hf, double ff, std::size_t rows, std::size_t sample) : stride_(sample ? std::max<std::size_t>(1, (rows + sample - 1) / sample) : 0) {
        s_.method = m;
        s_.holdup_factor = hf;
        s_.friction_factor = ff;
    }

    void add(std::size_t row, const RowPrediction& r) {
        if (stride_ && row % stride_ == 0) s_.sample.emplace_back(row, r);
        if (!std::isfinite(r.predicted)) {
            ++s_.failed;
            return;
        }
        const double e = r.predicted - r.measured;
        ++s_.n;
        sum_ += e;
        sum_abs_ += std::fabs(e);
        // A station at the boundary has no drop to be a per cent of.
        if (!(r.drop >= kLeastDrop)) return;
        ++s_.n_drop;
        rel_ += e / r.drop;
        rel_abs_ += std::fabs(e) / r.drop;
        within_ += std::fabs(e) <= 0.05 * r.drop;
    }

    MethodScore score() const {
        MethodScore s = s_;
        s.me = s.mae = s.me_drop = s.mape_drop = s.within5 = kNaN;
        if (s.n > 0) {
            const double n = static_cast<double>(s.n);
            s.me = sum_ / n;
            s.mae = sum_abs_ / n;
        }
        if (s.n_drop > 0) {
            const double n = static_cast<double>(s.n_drop);
            s.me_drop = 100 * rel_ / n;
            s.mape_drop = 100 * rel_abs_ / n;
            s.within5 = 100 * static_cast<double>(within_) / n;
        }
        return s;
    }

private:
    MethodScore s_;
    std::size_t stride_;
    double sum_ = 0, sum_abs_ = 0, rel_ = 0, rel_abs_ = 0;
    long within_ = 0;
};

// Best first: the lowest mean absolute error in % of the drop; a method
// that computed nothing last.
void rank(std::vector<MethodScore>& v) {
    std::stable_sort(v.begin(), v.end(), [](const MethodScore& a, const MethodScore& b) {
        const double x = a.n_drop ? a.mape_drop : std::numeric_limits<double>::infinity();
        const double y = b.n_drop ? b.mape_drop : std::numeric_limits<double>::infinity();
        return x < y;
    });
}

// The tests or stations a method is tuned on: at most kTuningRows, evenly
// spread over the file (a survey's every station).
std::vector<std::size_t> tuning_rows(std::size_t n) {
    std::vector<std::size_t> rows;
    const std::size_t m = std::min(n, kTuningRows);
    for (std::size_t k = 0; k < m; ++k) rows.push_back(k * n / m);
    return rows;
}

// One method's predictions of the tuning rows by its factors, so that no
// traverse is run twice (the untuned pass fills the first).
class Runs {
public:
    Runs(const Measurements& m, const TraverseOptions& base, Method method, unsigned jobs, MatchResult& out,
         const std::vector<std::size_t>& rows)
        : m_(m), base_(base), method_(method), jobs_(jobs), out_(out), rows_(rows) {}

    TraverseOptions options(double hf, double ff) const {
        TraverseOptions o = base_;
        o.method = method_;
        o.holdup_factor = hf;
        o.friction_factor = ff;
        return o;
    }
    bool tuning(std::size_t row) const { return std::binary_search(rows_.begin(), rows_.end(), row); }
    void keep(double hf, double ff, std::size_t row, const RowPrediction& p) { cache_[{hf, ff}][row] = p; }
    const RowPrediction* known(double hf, double ff, std::size_t row) const {
        const auto f = cache_.find({hf, ff});
        if (f == cache_.end()) return nullptr;
        const auto r = f->second.find(row);
        return r == f->second.end() ? nullptr : &r->second;
    }

    // The errors (Pa, NaN where not computed) of the tuning rows by factors hf, ff.
    std::vector<double> errors(double hf, double ff) {
        std::vector<double> e;
        const bool all_known = std::all_of(rows_.begin(), rows_.end(), [&](std::size_t r) { return known(hf, ff, r); });
        if (!all_known) {
            m_.pass(options(hf, ff), jobs_, out_.traverses, out_.warnings, [&](std::size_t r) { return tuning(r); },
                    [&](std::size_t r) { return known(hf, ff, r); },
                    [&](const std::vector<std::size_t>& index, const std::vector<std::string>&,
                        const std::vector<RowPrediction>& p) {
                        for (std::size_t k = 0; k < index.size(); ++k) keep(hf, ff, index[k], p[k]);
                    });
        }
        for (std::size_t r : rows_) {
            const RowPrediction* p = known(hf, ff, r);
            e.push_back(p ? p->predicted - p->measured : kNaN);
        }
        return e;
    }

private:
    const Measurements& m_;
    TraverseOptions base_;
    Method method_;
    unsigned jobs_;
    MatchResult& out_;
    const std::vector<std::size_t>& rows_;
    std::map<std::pair<double, double>, std::map<std::size_t, RowPrediction>> cache_;
};

// The holdup and friction multipliers that minimise the sum of squared
// errors over the tuning rows, within the bounds: Gauss-Newton with a
// Levenberg damping, the Jacobian by forward differences.
std::pair<double, double> fit(Runs& runs, double h, double f) {
    constexpr double kStep = 0.02;  // of a factor, for the differences
    double lambda = 1e-3;
    auto sse = [](const std::vector<double>& e) {
        double s = 0;
        for (double x : e) s += std::isfinite(x) ? x * x : 0;
        return s;
    };
    std::vector<double> e0 = runs.errors(h, f);
    for (int iter = 0; iter < 12; ++iter) {
        const double dh = h + kStep <= kMostTuned ? kStep : -kStep;
        const double df = f + kStep <= kMostTuned ? kStep : -kStep;
        const std::vector<double> eh = runs.errors(h + dh, f);
        const std::vector<double> ef = runs.errors(h, f + df);
        double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
        for (std::size_t k = 0; k < e0.size(); ++k) {
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
            const std::vector<double> en = runs.errors(rh, rf);
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

// One method over every row with factors hf, ff: scored, each row handed
// on, the tuning rows kept for the fit.
MethodScore score_pass(const Measurements& m, Runs& runs, double hf, double ff, bool tuned, const MatchOptions& options,
                       MatchResult& out, Method method) {
    Scorer scorer(method, hf, ff, m.size(), options.sample);
    auto take = [&](std::size_t row, const std::string& label, const RowPrediction& p) {
        scorer.add(row, p);
        if (options.on_row) options.on_row({method, tuned, hf, ff, row, label, p});
    };
    // Rows already computed (the tuning rows at these factors) are not run again.
    m.pass(runs.options(hf, ff), options.jobs, out.traverses, out.warnings, [](std::size_t) { return true; },
           [&](std::size_t r) { return runs.known(hf, ff, r); },
           [&](const std::vector<std::size_t>& index, const std::vector<std::string>& labels,
               const std::vector<RowPrediction>& p) {
               for (std::size_t k = 0; k < index.size(); ++k) {
                   if (runs.tuning(index[k]) && !runs.known(hf, ff, index[k])) runs.keep(hf, ff, index[k], p[k]);
                   take(index[k], labels[k], p[k]);
               }
           });
    return scorer.score();
}

MatchResult run(const TraverseRequest& request, const Rows& rows, const MatchOptions& options) {
    MatchResult out;
    if (request.given.output_step) fail("{output-step} spaces a traverse's profile; matching reports the measured points only");
    if (request.words.count("loading")) fail("{loading} is judged along a traverse and in nodal analysis, not in a match");
    std::unique_ptr<Measurements> m;
    if (rows.survey()) {
        m = std::make_unique<Survey>(request, rows);
    } else {
        m = std::make_unique<Tests>(request, rows);
    }
    TraverseOptions base = m->options();
    base.interrupted = options.interrupted;
    out.survey = rows.survey();
    out.rows = m->size();
    out.first_label = m->first_label();
    out.last_label = m->last_label();
    std::vector<Method> methods = options.methods;
    if (methods.empty()) {
        for (const MethodInfo& info : flowmodel::methods()) methods.push_back(info.method);
    }
    const std::vector<std::size_t> tuning = tuning_rows(m->size());
    // The factors the request gives (1 by default) are the untuned score's
    // and the fit's starting point.
    const double h0 = base.holdup_factor, f0 = base.friction_factor;
    std::vector<Runs> runs;
    for (Method method : methods) {
        runs.emplace_back(*m, base, method, options.jobs, out, tuning);
        out.untuned.push_back(score_pass(*m, runs.back(), h0, f0, false, options, out, method));
    }
    if (options.tune) {
        for (std::size_t k = 0; k < methods.size(); ++k) {
            const auto [h, f] = fit(runs[k], h0, f0);
            out.tuned.push_back(score_pass(*m, runs[k], h, f, true, options, out, methods[k]));
            say_bounds(out.tuned.back(), out.warnings);
        }
    }
    rank(out.untuned);
    rank(out.tuned);
    const std::vector<std::string> notes = rows.notes();
    out.warnings.insert(out.warnings.begin(), notes.begin(), notes.end());
    // The warnings were gathered once per correlation and range
    // (wells::add_warnings), each method's under its own name.
    return out;
}

}  // namespace

MatchResult run_match(const TraverseRequest& request, const MeasuredPressures& measured, const MatchOptions& options) {
    return run(request, InMemory(measured), options);
}

MatchResult run_match(const TraverseRequest& request, const std::string& path, double atm_pres,
                      const MatchOptions& options) {
    return run(request, InFile(path, atm_pres), options);
}

bool MatchResult::computed() const {
    return std::any_of(untuned.begin(), untuned.end(), [](const MethodScore& m) { return m.n > 0; });
}

std::string MatchResult::why_none() const {
    for (const MethodScore& m : untuned) {
        for (const auto& [row, r] : m.sample) {
            if (!r.failure.empty()) return "no measurement could be computed by any method; the first failure: " + r.failure;
        }
    }
    return "no measurement could be computed by any method";
}

const std::vector<ScoreColumn>& score_columns() {
    using C = ScoreColumn;
    using D = Dimension;
    static const std::vector<ScoreColumn> columns = {
        {"n", C::Count, D::None, [](const MethodScore& m) { return static_cast<double>(m.n); }},
        {"failed", C::Count, D::None, [](const MethodScore& m) { return static_cast<double>(m.failed); }},
        {"n_drop", C::Count, D::None, [](const MethodScore& m) { return static_cast<double>(m.n_drop); }},
        {"me", C::Number, D::PressureStep, [](const MethodScore& m) { return m.me; }},
        {"mae", C::Number, D::PressureStep, [](const MethodScore& m) { return m.mae; }},
        {"me_drop", C::Number, D::None, [](const MethodScore& m) { return m.me_drop; }},
        {"mape_drop", C::Number, D::None, [](const MethodScore& m) { return m.mape_drop; }},
        {"within5", C::Number, D::None, [](const MethodScore& m) { return m.within5; }},
        {"holdup_factor", C::Number, D::None, [](const MethodScore& m) { return m.holdup_factor; }},
        {"friction_factor", C::Number, D::None, [](const MethodScore& m) { return m.friction_factor; }},
    };
    return columns;
}

}  // namespace flowmodel::match
