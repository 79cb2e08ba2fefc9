// Reading a well's measured pressures: survey stations or well tests.
#include "flowmodel/measured_pressures.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/option_error.hpp"
#include "flowmodel/units.hpp"

namespace flowmodel::match {

namespace {

using D = Dimension;

// The columns read, their dimension, and whether a bare number is refused.
struct Column {
    const char* name;
    D dim;
    bool needs_unit;
};
const Column kColumns[] = {
    {"md", D::Length, false},           {"pres", D::Pressure, true},        {"oil_rate", D::LiquidRate, true},
    {"water_rate", D::LiquidRate, true}, {"gas_rate", D::GasRate, true},    {"liquid_rate", D::LiquidRate, true},
    {"water_cut", D::Fraction, false},  {"gor", D::GasRatio, true},         {"whp", D::Pressure, true},
    {"wht", D::Temperature, false},     {"gauge_md", D::Length, false},     {"gauge_pres", D::Pressure, true},
    {"gauge_temp", D::Temperature, false},
};
const char* const kLabels[] = {"date", "test"};

std::string trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A column's name as the reader knows it: lower case, blanks and hyphens as
// underscores ("Gauge MD" is gauge_md), and the trade's other words for the
// wellhead ("THP", "tubing head pressure" for whp; "THT" for wht).
std::string known_name(std::string name) {
    for (char& c : name) {
        if (c == ' ' || c == '-') c = '_';
    }
    static const std::map<std::string, std::string> kAliases = {
        {"thp", "whp"}, {"tubing_head_pressure", "whp"}, {"wellhead_pressure", "whp"},
        {"tht", "wht"}, {"tubing_head_temperature", "wht"}, {"wellhead_temperature", "wht"},
        {"gauge_pressure", "gauge_pres"}, {"gauge_temperature", "gauge_temp"}, {"gauge_depth", "gauge_md"}};
    const auto a = kAliases.find(name);
    return a == kAliases.end() ? name : a->second;
}

// "whp (barg)" -> {"whp", "barg"}; "oil_rate [Sm3/d]" the same with brackets.
std::pair<std::string, std::string> name_and_unit(const std::string& raw) {
    const std::string t = trimmed(raw);
    if (!t.empty() && (t.back() == ')' || t.back() == ']')) {
        const size_t open = t.rfind(t.back() == ')' ? '(' : '[');
        if (open != std::string::npos) {
            return {known_name(lower(trimmed(t.substr(0, open)))), trimmed(t.substr(open + 1, t.size() - open - 2))};
        }
    }
    return {known_name(lower(t)), ""};
}

class Reader {
public:
    Reader(const std::string& name, double atm) : name_(name), atm_(atm) {}

    void header(const io::CsvRecord& rec, char sep) {
        sep_ = sep;
        width_ = rec.size();
        // A trailing separator, as spreadsheets export one: an empty last column.
        trailing_empty_ = width_ > 1 && trimmed(rec[width_ - 1]).empty();
        if (trailing_empty_) --width_;
        for (size_t c = 0; c < width_; ++c) {
            if (trimmed(rec[c]).empty()) fail(rec.line, "", "has no name for column " + std::to_string(c + 1) + " in its header");
            auto [name, unit] = name_and_unit(rec[c]);
            for (const Column& col : kColumns) {
                if (name == col.name) place(col.name, c, unit, rec.line);
            }
            for (const char* l : kLabels) {
                if (name == l) place("label", c, "", rec.line);
            }
        }
        const bool survey = has("md") && has("pres");
        const bool tests = has("whp") || has("gauge_pres");
        if (survey == tests) {
            fail(rec.line, "", survey ? "has both a survey's md and pres and a well test's whp or gauge_pres"
                                      : "is neither a gradient survey (md, pres) nor well tests (whp, gauge_md, "
                                        "gauge_pres and the rates)");
        }
        survey_ = survey;
        if (tests) {
            for (const char* need : {"whp", "gauge_md", "gauge_pres"}) {
                if (!has(need)) fail(rec.line, need, "is missing: well tests need whp, gauge_md and gauge_pres");
            }
            const bool volumes = has("oil_rate") || has("water_rate") || has("gas_rate");
            const bool liquid = has("liquid_rate");
            if (volumes == liquid || (volumes && !(has("oil_rate") && has("gas_rate"))) ||
                (liquid && !(has("water_cut") && has("gor")))) {
                fail(rec.line, "", "needs the rates as oil_rate, water_rate and gas_rate, or as liquid_rate with "
                                   "water_cut and gor");
            }
        }
    }

    // One data row: a station (survey) or a test into its argument.
    void row(const io::CsvRecord& rec, SurveyStation& st, WellTest& t) {
        if (!rec.error.empty()) fail(rec.line, "", rec.error);
        size_t n = rec.size();
        if (trailing_empty_ && n == width_ + 1 && trimmed(rec[width_]).empty()) n = width_;
        if (n != width_) {
            fail(rec.line, "", "has " + std::to_string(n) + " fields on this line where its header has " +
                                   std::to_string(width_) +
                                   (sep_ == ',' ? " (a decimal comma? with ',' between the columns, write decimals "
                                                  "with a point, or separate the columns with ';')"
                                                : ""));
        }
        ++rows_;
        if (survey_) {
            st = SurveyStation{value(rec, "md"), value(rec, "pres"), rec.line};
            if (rows_ > 1 && !(st.md > last_md_)) fail(rec.line, "md", "must increase down the survey");
            last_md_ = st.md;
            return;
        }
        t = WellTest{};
        t.line = rec.line;
        t.label = has("label") ? field(rec, "label") : std::to_string(rows_);
        if (has("liquid_rate")) {
            const double q = value(rec, "liquid_rate"), wc = value(rec, "water_cut");
            if (!(wc >= 0 && wc <= 1)) fail(rec.line, "water_cut", "must be from 0 to 1 (0 to 100 %)");
            t.oil_rate = q * (1 - wc);
            t.water_rate = q * wc;
            t.gas_rate = t.oil_rate * value(rec, "gor");
        } else {
            t.oil_rate = value(rec, "oil_rate");
            t.water_rate = has("water_rate") ? value(rec, "water_rate") : 0.0;
            t.gas_rate = value(rec, "gas_rate");
        }
        if (t.oil_rate < 0 || t.water_rate < 0 || t.gas_rate < 0) fail(rec.line, "", "has a negative rate on this line: rates must not be negative");
        t.whp = value(rec, "whp");
        if (has("wht")) t.wht = value(rec, "wht");
        t.gauge_md = value(rec, "gauge_md");
        t.gauge_pres = value(rec, "gauge_pres");
        if (has("gauge_temp")) t.gauge_temp = value(rec, "gauge_temp");
        if (!(t.gauge_md > 0)) fail(rec.line, "gauge_md", "puts the gauge at or above the wellhead (md 0)");
        if (has("label")) labels_.push_back({std::hash<std::string>{}(t.label), rec.line});
        if (!(t.gauge_pres > t.whp)) {
            fail(rec.line, "gauge_pres", "is not above the wellhead pressure: a producing well's gauge reads more");
        }
    }

    bool survey() const { return survey_; }
    size_t rows() const { return rows_; }
    const std::string& name() const { return name_; }

    // At the end: a file without rows refused; tests that share a date or
    // name said (by a hash of each label, 16 bytes a row, so that a file of
    // millions of tests is not held).
    std::vector<std::string> finish(size_t last_line) {
        if (rows_ == 0) fail(last_line, "", "has no data rows");
        std::vector<std::string> notes;
        std::sort(labels_.begin(), labels_.end());
        for (size_t k = 1; k < labels_.size() && notes.size() < 10; ++k) {
            if (labels_[k].first != labels_[k - 1].first) continue;
            notes.push_back(name_ + ": line " + std::to_string(labels_[k].second) + ": the test has the date or name of line " +
                            std::to_string(labels_[k - 1].second) + " too (both are matched)");
        }
        return notes;
    }

private:
    struct Placed {
        size_t column;
        std::string unit;
    };

    void place(const std::string& what, size_t c, const std::string& unit, size_t line) {
        if (at_.count(what)) fail(line, what, "is given twice");
        at_[what] = {c, unit};
    }
    bool has(const std::string& what) const { return at_.count(what) > 0; }

    std::string field(const io::CsvRecord& rec, const std::string& what) const {
        const size_t c = at_.at(what).column;
        return c < rec.size() ? trimmed(rec[c]) : std::string();
    }

    // The column's value in SI, its unit from the header or the value.
    double value(const io::CsvRecord& rec, const std::string& what) const {
        const Column* col = nullptr;
        for (const Column& k : kColumns) {
            if (what == k.name) col = &k;
        }
        const std::string text = io::decimal_point(field(rec, what), sep_);
        if (text.empty()) fail(rec.line, what, "is empty");
        const std::string& unit = at_.at(what).unit;
        Quantity q;
        try {
            q = parse_quantity(what, unit.empty() ? text : text + " " + unit, col->dim);
        } catch (const std::invalid_argument& e) {
            fail(rec.line, what, std::string("cannot be read: ") + e.what());
        }
        if (col->needs_unit && q.unit == D::None) {
            fail(rec.line, what, "'" + text + "' has no unit; give it in the header ('" + what + " (unit)') or with the value; "
                                     "it takes " + unit_names(col->dim));
        }
        const double v = q.gauge ? q.value + atm_ : q.value;
        if ((col->dim == D::Pressure || col->dim == D::Temperature) && !(v > 0)) {
            fail(rec.line, what, "'" + text + "' is not above absolute zero");
        }
        return v;
    }

    [[noreturn]] void fail(size_t line, const std::string& column, const std::string& why) const {
        throw ReadError(name_ + ": line " + std::to_string(line) + (column.empty() ? "" : ", column '" + column + "'") +
                        ": " + (column.empty() ? "the file " : "") + why);
    }

    std::string name_;
    double atm_;
    char sep_ = ',';
    size_t width_ = 0;
    bool trailing_empty_ = false;
    std::map<std::string, Placed> at_;
    std::vector<std::pair<size_t, size_t>> labels_;  // each test's label's hash, and its line
    bool survey_ = false;
    size_t rows_ = 0;
    double last_md_ = 0;
};

}  // namespace

struct MeasuredReader::Impl {
    Impl(std::istream& in, char sep, const std::string& name, double atm) : csv(in, io::CsvReader::kMaxRecord, sep), reader(name, atm) {}
    io::CsvReader csv;
    Reader reader;
    io::CsvRecord rec;
    size_t last = 0;
    bool done = false;
    std::vector<std::string> notes;
};

MeasuredReader::MeasuredReader(std::istream& in, const std::string& name, double atm_pres) {
    // The separators the survey reader takes: ',', ';' or tab, from the header.
    char tie = 0;
    const char sep = io::header_separator(in, &tie);
    if (sep == 0) {
        throw ReadError(name + ": the header has as many '" + (tie == '\t' ? std::string("tab") : std::string(1, tie)) +
                        "' as another separator: separate the columns with one of ',', ';' or tab");
    }
    impl_ = std::make_unique<Impl>(in, sep, name, atm_pres);
    if (!impl_->csv.next(impl_->rec)) {
        throw ReadError(name + ": " + (impl_->csv.fatal().empty() ? std::string("empty; expected a header row")
                                                                   : impl_->csv.fatal()));
    }
    impl_->reader.header(impl_->rec, sep);
    impl_->last = impl_->rec.line;
}

MeasuredReader::~MeasuredReader() = default;

bool MeasuredReader::survey() const { return impl_->reader.survey(); }

bool MeasuredReader::next(SurveyStation& station, WellTest& test) {
    Impl& m = *impl_;
    if (m.done) return false;
    if (!m.csv.next(m.rec)) {
        if (!m.csv.fatal().empty()) throw ReadError(m.reader.name() + ": " + m.csv.fatal());
        m.notes = m.reader.finish(m.last);
        m.done = true;
        return false;
    }
    m.reader.row(m.rec, station, test);
    m.last = m.rec.line;
    return true;
}

const std::vector<std::string>& MeasuredReader::notes() const { return impl_->notes; }

MeasuredPressures read_measured_pressures(std::istream& in, const std::string& name, double atm_pres) {
    MeasuredReader reader(in, name, atm_pres);
    MeasuredPressures out;
    out.survey = reader.survey();
    SurveyStation st;
    WellTest t;
    while (reader.next(st, t)) {
        if (out.survey) {
            out.stations.push_back(st);
        } else {
            out.tests.push_back(std::move(t));
        }
    }
    out.notes = reader.notes();
    return out;
}

MeasuredPressures read_measured_pressures(const std::string& path, double atm_pres) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ReadError("cannot open '" + path + "'");
    return read_measured_pressures(in, path, atm_pres);
}

}  // namespace flowmodel::match
