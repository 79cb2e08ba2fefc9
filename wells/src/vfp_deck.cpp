// Reading VFPPROD and VFPINJ from a deck as the simulator's parser does:
// keywords in column 1, records ended by '/' (what follows it on its line is
// a comment), comments from '--', items repeated (3*250) or defaulted (1*,
// 2*), INCLUDE followed.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "flowmodel/option_error.hpp"
#include "flowmodel/vfp_deck.hpp"

namespace flowmodel::vfp {

namespace {

constexpr double kDefaulted = std::numeric_limits<double>::quiet_NaN();
// The most values a table may hold: simulators' tables hold thousands, a
// field's largest some hundreds of thousands; beyond this, axes repeated by
// mistake (1000000*5) would take gigabytes.
constexpr double kMostValues = 2e6;

std::string num_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

struct Token {
    std::string text;
    long line = 0, column = 0;
    bool quoted = false;
    bool starts_line = false;  // in column 1: a keyword where it is a word
};

// The tokens of a deck file: words, quoted strings and '/', without comments.
std::vector<Token> tokens(const std::string& path, const std::string& text) {
    std::vector<Token> out;
    long line = 1;
    size_t line_start = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            line_start = ++i;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {  // blanks, and \r \v \f as blanks
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            while (i < text.size() && text[i] != '\n') ++i;  // any bytes, any encoding
            continue;
        }
        Token t;
        t.line = line;
        t.column = static_cast<long>(i - line_start) + 1;
        t.starts_line = i == line_start;
        if (c == '\'' || c == '"') {
            const size_t end = text.find(c, i + 1);
            if (end == std::string::npos || text.find('\n', i) < end) {
                throw ReadError(path + ": line " + std::to_string(line) + ", column " + std::to_string(t.column) +
                                ": a quoted text is not closed on its line");
            }
            t.text = text.substr(i + 1, end - i - 1);
            t.quoted = true;
            i = end + 1;
        } else if (c == '/') {
            // A record's end: the rest of its line is a comment, as the simulator reads it.
            t.text = "/";
            while (i < text.size() && text[i] != '\n') ++i;
        } else {
            const size_t b = i;
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '/' &&
                   !(text[i] == '-' && i + 1 < text.size() && text[i + 1] == '-')) {
                ++i;
            }
            t.text = text.substr(b, i - b);
        }
        out.push_back(std::move(t));
    }
    return out;
}

bool is_keyword(const Token& t) {
    if (!t.starts_line || t.quoted || t.text == "/" || t.text.size() > 8) return false;
    if (!std::isalpha(static_cast<unsigned char>(t.text[0]))) return false;
    for (char c : t.text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '+' && c != '-') return false;
    }
    return true;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// One item of a record: its text ("" where defaulted) and where it stands.
struct Item {
    std::string text;
    bool defaulted = false;
    long line = 0, column = 0;
};

// Reads the deck's tokens in order.
class Reader {
public:
    Reader(std::string path, std::vector<Token> toks) : path_(std::move(path)), toks_(std::move(toks)) {}

    bool done() const { return at_ >= toks_.size(); }
    const Token& peek() const { return toks_[at_]; }
    const Token& next() { return toks_[at_++]; }
    const Token& last() const { return toks_[at_ - 1]; }  // the token read last (one was)
    bool at_keyword() const { return !done() && is_keyword(peek()); }

    [[noreturn]] void fail(long line, long column, const std::string& what) const {
        throw ReadError(path_ + ": line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what);
    }

    // The items of one record up to its '/', repeats and defaults expanded.
    std::vector<Item> record(const std::string& keyword) {
        std::vector<Item> items;
        while (true) {
            if (done()) {
                const Token& last = toks_.back();
                fail(last.line, last.column, keyword + ": the file ends inside a record (each record ends with '/')");
            }
            if (at_keyword()) {
                fail(peek().line, peek().column, keyword + ": a record is not ended by '/' before " + peek().text);
            }
            const Token& t = next();
            if (t.text == "/") return items;
            expand(t, items, keyword);
        }
    }

    const std::string& path() const { return path_; }

private:
    void expand(const Token& t, std::vector<Item>& items, const std::string& keyword) const {
        const size_t star = t.quoted ? std::string::npos : t.text.find('*');
        if (star == std::string::npos) {
            items.push_back({t.text, false, t.line, t.column});
            return;
        }
        const std::string count = t.text.substr(0, star);
        char* end = nullptr;
        const long n = count.empty() ? 1 : std::strtol(count.c_str(), &end, 10);
        if ((!count.empty() && *end != '\0') || n < 1 || n > 1000000) {
            fail(t.line, t.column, keyword + ": '" + t.text + "' is no repeat (write N*value, or N* for N defaulted items)");
        }
        const std::string value = t.text.substr(star + 1);
        for (long k = 0; k < n; ++k) items.push_back({value, value.empty(), t.line, t.column});
    }

    std::string path_;
    std::vector<Token> toks_;
    size_t at_ = 0;
};

double number(const Reader& r, const Item& it, const std::string& what) {
    if (it.defaulted) return kDefaulted;
    std::string s = it.text;
    for (char& c : s) c = (c == 'D' || c == 'd') ? 'E' : c;  // Fortran exponents, 1.0D+03
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0') r.fail(it.line, it.column, what + ": '" + it.text + "' is not a number");
    if (!std::isfinite(v)) r.fail(it.line, it.column, what + ": '" + it.text + "' is not a finite number");
    return v;
}

std::vector<double> axis(Reader& r, const std::string& keyword, const char* name) {
    const std::vector<Item> items = r.record(keyword);
    std::vector<double> v;
    for (const Item& it : items) {
        if (it.defaulted) r.fail(it.line, it.column, keyword + ": the " + name + " axis has a defaulted value: write it");
        v.push_back(number(r, it, keyword + " " + name));
    }
    if (v.empty()) {
        const Token& end = r.last();  // the record's '/'
        r.fail(end.line, end.column, keyword + ": the " + name + " axis has no value");
    }
    return v;
}

// The word of item k of record 1, upper case; `fallback` where defaulted
// or absent; refused where it is none of `takes`.
std::string word(const Reader& r, const std::vector<Item>& items, size_t k, const std::string& fallback,
                 const std::vector<std::string>& takes, const std::string& what) {
    if (k >= items.size() || items[k].defaulted) {
        if (!fallback.empty()) return fallback;
        const Item& near = items.empty() ? Item{} : items.back();
        r.fail(near.line, near.column, what + " is not given: write one of " + [&] {
            std::string s;
            for (const std::string& t : takes) s += (s.empty() ? "" : ", ") + t;
            return s;
        }());
    }
    const std::string w = trimmed(upper(items[k].text));
    for (const std::string& t : takes) {
        if (w == t) return w;
    }
    std::string s;
    for (const std::string& t : takes) s += (s.empty() ? "" : ", ") + t;
    r.fail(items[k].line, items[k].column, what + " '" + items[k].text + "' is none of " + s);
}

struct DeckState {
    std::string units;  // METRIC, FIELD or LAB where the deck said so
};

// Record 1 of either keyword: the number, the datum, the kinds and units.
void heading(Reader& r, DeckTable& t, const DeckState& deck) {
    const std::vector<Item> items = r.record(t.keyword);
    const bool prod = t.keyword == "VFPPROD";
    if (items.empty() || items[0].defaulted) r.fail(t.line, 1, t.keyword + ": the table number is not given");
    const double n = number(r, items[0], t.keyword + " table number");
    if (!(n >= 1 && n <= 1e6 && n == std::floor(n))) r.fail(items[0].line, items[0].column, t.keyword + ": the table number must be a whole number from 1");
    t.number = static_cast<int>(n);
    if (items.size() < 2 || items[1].defaulted) r.fail(t.line, 1, t.keyword + ": the datum depth is not given");
    t.datum = number(r, items[1], t.keyword + " datum depth");
    const std::string units_default = deck.units;
    if (prod) {
        t.flo = word(r, items, 2, "", {"OIL", "LIQ", "GAS", "WG", "TM"}, "VFPPROD's FLO");
        t.wfr = word(r, items, 3, "", {"WOR", "WCT", "WGR", "WWR", "WTF"}, "VFPPROD's WFR");
        t.gfr = word(r, items, 4, "", {"GOR", "GLR", "OGR", "MMW"}, "VFPPROD's GFR");
        word(r, items, 5, "THP", {"THP"}, "VFPPROD's THP kind");
        // ALQ's kind may be blank (' '): no artificial lift on the axis.
        t.alq = items.size() > 6 && !items[6].defaulted ? trimmed(upper(items[6].text)) : std::string();
        t.units = word(r, items, 7, units_default, {"METRIC", "FIELD", "LAB", "PVT-M"}, "VFPPROD's units");
        t.quantity = word(r, items, 8, "BHP", {"BHP", "THT"}, "VFPPROD's tabulated quantity");
    } else {
        t.flo = word(r, items, 2, "", {"OIL", "WAT", "GAS", "THP"}, "VFPINJ's FLO");
        word(r, items, 3, "THP", {"THP"}, "VFPINJ's THP kind");
        t.units = word(r, items, 4, units_default, {"METRIC", "FIELD", "LAB", "PVT-M"}, "VFPINJ's units");
        t.quantity = word(r, items, 5, "BHP", {"BHP"}, "VFPINJ's tabulated quantity");
    }
}

// The records of BHPs: each begins with its 1-based indices; read until the
// next keyword.
void values(Reader& r, DeckTable& t) {
    const bool prod = t.keyword == "VFPPROD";
    const size_t n_idx = prod ? 4 : 1;
    const double values = static_cast<double>(t.thp_axis.size()) * static_cast<double>(t.wfr_axis.size()) *
                          static_cast<double>(t.gfr_axis.size()) * static_cast<double>(t.alq_axis.size()) *
                          static_cast<double>(t.flo_axis.size());
    if (values > kMostValues) {
        r.fail(t.line, 1, t.keyword + " " + std::to_string(t.number) + ": its axes make " + num_text(values) +
                              " values, beyond the " + num_text(kMostValues) + " a table may hold here");
    }
    const size_t combos = t.thp_axis.size() * t.wfr_axis.size() * t.gfr_axis.size() * t.alq_axis.size();
    t.bhp.assign(combos * t.flo_axis.size(), kDefaulted);
    t.given.assign(combos, false);
    const std::array<size_t, 4> sizes{t.thp_axis.size(), t.wfr_axis.size(), t.gfr_axis.size(), t.alq_axis.size()};
    const char* names[4] = {"THP", "WFR", "GFR", "ALQ"};
    while (!r.done() && !r.at_keyword()) {
        const std::vector<Item> items = r.record(t.keyword);
        if (items.empty()) continue;  // an empty record: nothing given
        if (items.size() < n_idx) r.fail(items[0].line, items[0].column, t.keyword + ": a record without its indices");
        std::array<size_t, 4> ix{0, 0, 0, 0};
        for (size_t k = 0; k < n_idx; ++k) {
            const double v = number(r, items[k], t.keyword + " " + names[k] + " index");
            if (!(v >= 1 && v <= static_cast<double>(sizes[k]) && v == std::floor(v))) {
                r.fail(items[k].line, items[k].column, t.keyword + " " + std::to_string(t.number) + ": " + names[k] +
                                                           " index '" + items[k].text + "' must be 1 to " +
                                                           std::to_string(sizes[k]));
            }
            ix[k] = static_cast<size_t>(v) - 1;
        }
        const size_t combo = ((ix[0] * sizes[1] + ix[1]) * sizes[2] + ix[2]) * sizes[3] + ix[3];
        if (t.given[combo]) r.fail(items[0].line, items[0].column, t.keyword + " " + std::to_string(t.number) + ": the record of these indices is given twice");
        if (items.size() - n_idx > t.flo_axis.size()) {
            const Item& extra = items[n_idx + t.flo_axis.size()];
            r.fail(extra.line, extra.column, t.keyword + " " + std::to_string(t.number) + ": " +
                                                 std::to_string(items.size() - n_idx) + " values where FLO has " +
                                                 std::to_string(t.flo_axis.size()));
        }
        t.given[combo] = true;
        for (size_t f = 0; f + n_idx < items.size(); ++f) {
            t.bhp[combo * t.flo_axis.size() + f] = number(r, items[n_idx + f], t.keyword + " value");
        }
    }
}

// A deck file's bytes. Only a regular file: a device or a pipe named by an
// INCLUDE (/dev/zero) would never end.
std::string read_text(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        throw ReadError(path + ": not a regular file (a deck and what it INCLUDEs are files)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ReadError(path + ": cannot read (no such file, or not readable)");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void read_file(const std::string& path, DeckState& deck, std::vector<DeckTable>& out, int depth);

void read_deck(const std::string& text, const std::string& path, DeckState& deck, std::vector<DeckTable>& out,
               int depth) {
    Reader r(path, tokens(path, text));
    while (!r.done()) {
        const Token& t = r.next();
        if (!is_keyword(t)) continue;  // another keyword's data
        const std::string k = upper(t.text);
        if (k == "METRIC" || k == "FIELD" || k == "LAB") {
            deck.units = k;
        } else if (k == "INCLUDE") {
            const std::vector<Item> items = r.record("INCLUDE");
            if (items.empty()) r.fail(t.line, t.column, "INCLUDE without a file name");
            const std::string& name = items[0].text;
            if (name.empty() || name.find('\0') != std::string::npos) {
                r.fail(items[0].line, items[0].column, "INCLUDE: the file name is empty or holds a NUL byte");
            }
            read_file(!name.empty() && name[0] == '/' ? name : folder_of(path) + name, deck, out, depth + 1);
        } else if (k == "VFPPROD" || k == "VFPINJ") {
            DeckTable table;
            table.keyword = k;
            table.file = path;
            table.line = t.line;
            heading(r, table, deck);
            table.flo_axis = axis(r, k, "FLO");
            table.thp_axis = axis(r, k, "THP");
            if (k == "VFPPROD") {
                table.wfr_axis = axis(r, k, "WFR");
                table.gfr_axis = axis(r, k, "GFR");
                table.alq_axis = axis(r, k, "ALQ");
            }
            values(r, table);
            out.push_back(std::move(table));
        }
    }
}

void read_file(const std::string& path, DeckState& deck, std::vector<DeckTable>& out, int depth) {
    if (depth > 20) throw ReadError(path + ": INCLUDE nested more than 20 deep (a file including itself?)");
    read_deck(read_text(path), path, deck, out, depth);
}

}  // namespace

std::vector<DeckTable> read_vfp_deck(const std::string& path) {
    std::vector<DeckTable> out;
    DeckState deck;
    read_file(path, deck, out, 0);
    return out;
}

std::vector<DeckTable> read_vfp_text(const std::string& text, const std::string& path) {
    std::vector<DeckTable> out;
    DeckState deck;
    read_deck(text, path, deck, out, 0);
    return out;
}

}  // namespace flowmodel::vfp
