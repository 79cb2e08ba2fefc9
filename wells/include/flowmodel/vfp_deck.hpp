// Lift-curve tables as a reservoir simulator's deck holds them: every
// VFPPROD and VFPINJ keyword of a deck file (and of the files it INCLUDEs)
// read as written, in the deck's own units, and checked as engineers check
// them before a simulation uses them.
#ifndef FLOWMODEL_VFP_DECK_HPP
#define FLOWMODEL_VFP_DECK_HPP

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace flowmodel::vfp {

// One table as the deck writes it. Words upper case as the simulator reads
// them; numbers in the deck's units (METRIC: sm3/day, barsa, m; FIELD:
// stb/day or Mscf/day, psia, ft).
struct DeckTable {
    std::string keyword;  // "VFPPROD" or "VFPINJ"
    std::string file;     // where it was read, and the line its keyword is on
    long line = 0;
    int number = 0;
    double datum = 0;
    std::string flo, wfr, gfr, alq;  // VFPINJ: wfr, gfr, alq empty
    std::string units;               // "METRIC", "FIELD" or "LAB"
    std::string quantity;            // "BHP" (or "THT": tabulated temperature, read but not checked as a pressure)
    // Axes; VFPINJ has flo and thp only (the others a single 0, so that one
    // indexing serves both keywords).
    std::vector<double> flo_axis, thp_axis, wfr_axis{0.0}, gfr_axis{0.0}, alq_axis{0.0};
    // Indexed [thp][wfr][gfr][alq][flo] as the records are; NaN where an item
    // was defaulted (1*) or a record is missing.
    std::vector<double> bhp;
    // Whether the record of [thp][wfr][gfr][alq] was given.
    std::vector<bool> given;

    size_t index(size_t t, size_t w, size_t g, size_t a, size_t f) const {
        return (((t * wfr_axis.size() + w) * gfr_axis.size() + g) * alq_axis.size() + a) * flo_axis.size() + f;
    }
    double at(size_t t, size_t w, size_t g, size_t a, size_t f) const { return bhp[index(t, w, g, a, f)]; }
};

// Every VFPPROD and VFPINJ of the deck file at `path`, in the order read, an
// INCLUDEd file's where its INCLUDE stands (a relative path taken from the
// including file's folder). Comments (--, and what follows a record's '/'
// on its line), repeats (3*250), defaulted items (1*, 2*), records over
// several lines and comments in any 8-bit encoding are read; a table's units, when not written, are the deck's own (METRIC, FIELD
// or LAB met earlier). Throws ReadError naming the file, line and column of
// what it cannot read, and what it would take.
std::vector<DeckTable> read_vfp_deck(const std::string& path);
// The same of a deck's text, named `path` (an INCLUDE is taken from its folder).
std::vector<DeckTable> read_vfp_text(const std::string& text, const std::string& path);

// What a check found at one place of a table. `where` holds 1-based indices
// thp, wfr, gfr, alq, flo (0 where not meant), `size` the amount in the
// deck's pressure unit (or the axis value).
struct Finding {
    std::array<size_t, 5> where{};
    double size = 0;
    std::string text;  // in words, with the indices and values
};

// The checks, each a name (as the JSON writes it), whether a finding fails
// the table, and what it found.
struct Check {
    const char* name;
    bool fails;
    std::vector<Finding> found;
};

// The checks of one table:
//   axes_increasing      every axis strictly increasing (fails)
//   bhp_given            every BHP given and finite; missing records (fails)
//   bhp_rises_with_thp   at every node, BHP not lower at a higher THP (fails)
//   bhp_above_thp        BHP not below its THP (fails a VFPPROD; noted in a
//                        VFPINJ, where friction may outweigh the column)
//   bhp_along_flo        along FLO the BHP falls, then rises (the minimum of
//                        the J-curve): a fall after a rise by more than 0.1 %
//                        of the BHP is a jump (fails)
//   wfr_curves_cross     the BHP-FLO curves of neighbouring WFRs cross (noted)
//   gfr_curves_cross     the same across GFR (noted: lift gas lightens the
//                        column at low rates and adds friction at high ones)
// A tabulated temperature (THT) is checked for its axes and values only.
std::vector<Check> check_table(const DeckTable& table);

// A point of a table's axes, in the deck's units; a VFPINJ takes flo and
// thp (or bhp) only.
struct DeckPoint {
    double flo = 0, thp = 0, wfr = 0, gfr = 0, alq = 0;
};

// Table `number` of a deck's tables, or with number 0 its only one; nullptr
// where there is no such table (or, for 0, not exactly one).
const DeckTable* find_table(const std::vector<DeckTable>& tables, int number);

// Whether every axis rises strictly: the tables that can be interpolated.
bool axes_rise(const DeckTable& table);

// The table's value at `at` (axes rising) as the simulator interpolates it: multilinear
// between the nodes, linear beyond the ends of each axis from its last two
// values. `beyond` (when given) names the axes `at` lies outside of.
double value_at(const DeckTable& table, const DeckPoint& at, std::vector<std::string>* beyond = nullptr);

// The THP at which the table gives `bhp` at at.flo, wfr, gfr, alq (at.thp
// unused): exact, since the table is linear in THP between its nodes;
// extrapolated beyond the THP axis from its end segments. NaN where no THP
// gives it (a BHP that does not rise with THP there).
double thp_for(const DeckTable& table, const DeckPoint& at, double bhp);

// Two tables compared on the union of their axes' nodes within the range
// both cover: the difference b - a at every point (deck units).
struct Comparison {
    size_t points = 0;
    double largest = 0;  // the difference b - a of the largest size
    DeckPoint where;     // where it is
    double mean_abs = 0, mean = 0;
    std::string refused;  // why the two cannot be compared ("" when they can)
    // The points compared: the union of both tables' nodes within the range
    // both cover, axis by axis, rising.
    std::vector<double> flo, thp, wfr, gfr, alq;
};
Comparison compare_tables(const DeckTable& a, const DeckTable& b);

}  // namespace flowmodel::vfp

#endif
