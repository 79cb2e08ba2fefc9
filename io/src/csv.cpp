// The CSV record reader: a byte-at-a-time state machine over a block buffer.
#include "flowmodel/io/csv.hpp"

#include <algorithm>
#include <cstring>
#include <istream>

namespace flowmodel::io {

std::string& CsvRecord::open_field() {
    if (count_ == fields_.size()) {
        if (fields_.empty()) fields_.reserve(16);  // a table's width, without regrowing
        fields_.emplace_back();
    }
    std::string& f = fields_[count_++];
    f.clear();
    return f;
}

CsvReader::CsvReader(std::istream& in, std::size_t max_record, char separator)
    : in_(in), max_record_(max_record), sep_(separator), buf_(std::size_t(1) << 16) {}

int CsvReader::refill() {
    if (!fatal_.empty() || !in_) return -1;
    in_.read(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    end_ = static_cast<std::size_t>(in_.gcount());
    pos_ = 0;
    if (in_.bad()) {
        fatal_ = "read error";
        return -1;
    }
    if (end_ == 0) return -1;
    return static_cast<unsigned char>(buf_[pos_++]);
}

bool CsvReader::plain_line(CsvRecord& rec) {
    const char* const b = buf_.data() + pos_;
    const std::size_t avail = end_ - pos_;
    const char* const nl = static_cast<const char*>(std::memchr(b, '\n', avail));
    if (!nl) return false;
    const std::size_t len = static_cast<std::size_t>(nl - b);
    if (len + 1 > max_record_ || std::memchr(b, '"', len) || std::memchr(b, '\0', len)) return false;
    const char* p = b;
    for (;;) {
        const char* comma = static_cast<const char*>(std::memchr(p, sep_, static_cast<std::size_t>(nl - p)));
        if (comma && rec.count_ == kMaxFields) {
            rec.count_ = 0;  // the byte-wise reader reports it
            return false;
        }
        const char* const e = comma ? comma : nl;
        rec.open_field().assign(p, static_cast<std::size_t>(e - p));
        if (!comma) break;
        p = comma + 1;
    }
    std::string& last = rec.fields_[rec.count_ - 1];
    if (!last.empty() && last.back() == '\r') last.pop_back();
    pos_ += len + 1;
    ++line_;
    return true;
}

// Where a record read byte by byte stands.
struct CsvReader::Scan {
    std::size_t bytes = 0;  // bytes of this record so far
    bool too_long = false;  // stop storing; scan on to the record's end
    enum { Start, Plain, Quoted, AfterQuote } state = Start;
    std::string* field = nullptr;
};

bool CsvReader::run(int c, Scan& sc) {
    // A run of ordinary bytes inside a field is taken from the buffer in one
    // piece; the bytes that steer the state go one by one.
    if (sc.too_long || c <= 0 || c == sep_ || c == '\n' || c == '"') return false;
    if (!(sc.state == Scan::Plain || sc.state == Scan::Quoted || (sc.state == Scan::Start && c != ' ' && c != '\t'))) {
        return false;
    }
    const char* const p = buf_.data() + pos_ - 1;  // where c was
    const char* const end = buf_.data() + end_;
    const char* q = p + 1;
    while (q < end && *q != sep_ && *q != '\n' && *q != '"' && *q != '\0') ++q;
    const std::size_t len = static_cast<std::size_t>(q - p);
    if (sc.bytes + len > max_record_) return false;
    sc.field->append(p, len);
    sc.bytes += len;
    pos_ += len - 1;
    if (sc.state == Scan::Start) sc.state = Scan::Plain;
    return true;
}

bool CsvReader::byte(int c, CsvRecord& rec, Scan& sc) {
    if (c == '\n') ++line_;
    if (!sc.too_long && (++sc.bytes > max_record_ || (c == sep_ && rec.count_ == kMaxFields))) {
        sc.too_long = true;
        rec.error = sc.bytes > max_record_ ? "record longer than " + std::to_string(max_record_) + " bytes"
                                           : "record with more than " + std::to_string(kMaxFields) + " fields";
        rec.count_ = 1;
        rec.fields_[0].clear();
        rec.fields_[0].shrink_to_fit();
        sc.field = &rec.fields_[0];
    }
    if (sc.state == Scan::Quoted) {
        if (c == '"') {
            sc.state = Scan::AfterQuote;  // a closing quote, or the first of a doubled one
        } else if (!sc.too_long) {
            sc.field->push_back(static_cast<char>(c));
        }
        return true;
    }
    if (sc.state == Scan::AfterQuote && c == '"') {
        if (!sc.too_long) sc.field->push_back('"');
        sc.state = Scan::Quoted;
        return true;
    }
    if (c == '\n') return false;
    if (c == sep_) {
        if (!sc.too_long) sc.field = &rec.open_field();
        sc.state = Scan::Start;
        return true;
    }
    if (sc.state == Scan::AfterQuote) {
        if (c != ' ' && c != '\t' && c != '\r' && rec.error.empty()) rec.error = "text after a closing quote";
        return true;
    }
    if (c == '"' && sc.state == Scan::Start) {
        // Blanks before an opening quote are tolerated.
        if (!sc.too_long) sc.field->clear();
        sc.state = Scan::Quoted;
        return true;
    }
    if (sc.state == Scan::Start && c != ' ' && c != '\t') sc.state = Scan::Plain;
    if (!sc.too_long) sc.field->push_back(static_cast<char>(c));
    return true;
}

CsvReader::Read CsvReader::quoted_record(CsvRecord& rec) {
    Scan sc;
    sc.field = &rec.open_field();
    int c = get();
    if (c < 0) return Read::End;
    for (;; c = get()) {
        if (run(c, sc)) continue;
        if (c == 0) {
            fatal_ = "a NUL byte at line " + std::to_string(line_) + ": not a text file";
            return Read::End;
        }
        if (c < 0) {
            if (!fatal_.empty()) return Read::End;
            if (sc.state == Scan::Quoted && rec.error.empty()) rec.error = "unterminated quoted field";
            break;
        }
        if (!byte(c, rec, sc)) break;
    }
    if (!sc.too_long) {
        // A CR before the line feed belongs to the line end, not to the field.
        std::string& last = rec.fields_[rec.count_ - 1];
        if (sc.state != Scan::AfterQuote && !last.empty() && last.back() == '\r') last.pop_back();
    }
    // A blank line is no record.
    if (rec.count_ == 1 && rec.error.empty() && sc.state != Scan::AfterQuote &&
        rec.fields_[0].find_first_not_of(" \t\r") == std::string::npos) {
        return c < 0 ? Read::End : Read::Blank;
    }
    return Read::Record;
}

bool CsvReader::next(CsvRecord& rec) {
    if (!started_) {
        started_ = true;
        // A UTF-8 byte-order mark, as some spreadsheets write it.
        if (get() >= 0) {
            --pos_;
            if (end_ - pos_ >= 3 && buf_[pos_] == '\xEF' && buf_[pos_ + 1] == '\xBB' && buf_[pos_ + 2] == '\xBF') pos_ += 3;
        }
    }
    for (;;) {
        rec.count_ = 0;
        rec.error.clear();
        rec.line = line_;
        if (plain_line(rec)) {
            // A blank line is no record.
            if (rec.count_ == 1 && rec.fields_[0].find_first_not_of(" \t\r") == std::string::npos) continue;
            return true;
        }
        const Read r = quoted_record(rec);
        if (r == Read::Blank) continue;
        return r == Read::Record;
    }
}

std::string csv_quote(std::string_view s) {
    const bool needs = s.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!s.empty() && (s.front() == ' ' || s.back() == ' '));
    if (!needs) return std::string(s);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

char header_separator(std::istream& in, char* tie) {
    std::string head;
    char c;
    bool quoted = false;
    auto blank = [](const std::string& h) {
        return h.find_first_not_of(" \t\r\xEF\xBB\xBF") == std::string::npos;
    };
    while (head.size() < (std::size_t(1) << 16) && in.get(c)) {
        if (c == '"') quoted = !quoted;
        if (c == '\n' && !quoted) {
            if (!blank(head)) break;
            head.clear();
            continue;
        }
        head += c;
    }
    int n[3] = {0, 0, 0};
    const char seps[3] = {',', ';', '\t'};
    quoted = false;
    for (char h : head) {
        if (h == '"') quoted = !quoted;
        for (int k = 0; k < 3; ++k) n[k] += !quoted && h == seps[k];
    }
    in.clear();
    in.seekg(0);
    const int best = static_cast<int>(std::max_element(n, n + 3) - n);
    for (int k = 0; k < 3; ++k) {
        if (k != best && n[k] == n[best] && n[k] > 0) {
            if (tie) *tie = seps[k];
            return 0;
        }
    }
    return n[best] > 0 ? seps[best] : ',';
}

std::string decimal_point(std::string_view text, char sep) {
    std::string s(text);
    if (sep == ',') return s;
    const std::size_t comma = s.find(',');
    if (comma != std::string::npos && s.find('.') == std::string::npos && s.find(',', comma + 1) == std::string::npos) {
        s[comma] = '.';
    }
    return s;
}

}  // namespace flowmodel::io
