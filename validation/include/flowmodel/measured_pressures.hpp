// A well's own measured pressures, as `pipeflow match` reads them: a flowing
// gradient survey (pressures down the well at one set of rates), or well
// tests (one row per test: the rates, the wellhead pressure and the
// downhole gauge's pressure). Units are read from the header ("whp (barg)",
// "oil_rate [Sm3/d]") or from the values ("120.9 barg"); gauge readings are
// made absolute with the site's atmosphere. A pressure, rate or gas ratio
// without a unit is refused as ambiguous, as is a gauge at or above the
// wellhead and, for a producing well, a gauge reading at or below the
// wellhead's: each error names the file, the line and the column.
#ifndef FLOWMODEL_MEASURED_PRESSURES_HPP
#define FLOWMODEL_MEASURED_PRESSURES_HPP

#include <cstddef>
#include <iosfwd>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace flowmodel::match {

constexpr double kNotGiven = std::numeric_limits<double>::quiet_NaN();

// One well test. SI: rates m3/s at standard conditions, pressures Pa
// absolute, temperatures K (NaN where not given), depths m measured from the
// wellhead (the well's md 0).
struct WellTest {
    std::string label;      // the date or the test's name
    std::size_t line = 0;   // of the file
    double oil_rate = 0, water_rate = 0, gas_rate = 0;
    double whp = 0, wht = kNotGiven;
    double gauge_md = 0, gauge_pres = 0, gauge_temp = kNotGiven;
};

// One station of a flowing gradient survey.
struct SurveyStation {
    double md = 0;    // m
    double pres = 0;  // Pa absolute
    std::size_t line = 0;
};

struct MeasuredPressures {
    bool survey = false;                  // a gradient survey (stations), else well tests
    std::vector<WellTest> tests;
    std::vector<SurveyStation> stations;  // md increasing
    std::vector<std::string> notes;       // what was read but looks amiss (a date given twice), for the user
};

// Reads measured pressures a row at a time, holding none of them (a file
// of millions of well tests): the header at construction, then each row.
// Throws ReadError naming the file, line and column.
class MeasuredReader {
public:
    MeasuredReader(std::istream& in, const std::string& name, double atm_pres);
    ~MeasuredReader();
    MeasuredReader(const MeasuredReader&) = delete;
    MeasuredReader& operator=(const MeasuredReader&) = delete;
    bool survey() const;
    // The next row into `station` (a survey) or `test`; false at the end.
    bool next(SurveyStation& station, WellTest& test);
    // After the end: what was read but looks amiss.
    const std::vector<std::string>& notes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Reads a file of measured pressures; `atm_pres` (Pa) turns gauge readings
// absolute. Throws ReadError naming the file, line and column.
MeasuredPressures read_measured_pressures(const std::string& path, double atm_pres);
MeasuredPressures read_measured_pressures(std::istream& in, const std::string& name, double atm_pres);

}  // namespace flowmodel::match

#endif
