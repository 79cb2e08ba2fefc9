// Reading CSV records (RFC 4180) from a stream with bounded memory: quoted
// fields may hold commas, doubled quotes and line breaks; a record keeps the
// line number where it starts; a UTF-8 byte-order mark before the first
// record is skipped; blank lines are skipped; a record longer than a fixed
// limit (bytes, or fields) is reported without being held whole, so memory
// stays bounded whatever the input.
#ifndef FLOWMODEL_IO_CSV_HPP
#define FLOWMODEL_IO_CSV_HPP

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace flowmodel::io {

// One record. Its field strings are reused from record to record, so reading
// many records allocates only while the longest fields are still growing.
class CsvRecord {
public:
    std::size_t size() const { return count_; }
    const std::string& operator[](std::size_t i) const { return fields_[i]; }
    std::size_t line = 0;  // line number (from 1) where the record starts
    std::string error;     // why the record cannot be used ("" when it can)

private:
    friend class CsvReader;
    std::string& open_field();
    std::vector<std::string> fields_;
    std::size_t count_ = 0;
};

class CsvReader {
public:
    static constexpr std::size_t kMaxRecord = std::size_t(1) << 20;  // bytes
    static constexpr std::size_t kMaxFields = 10000;

    // `separator`: ',' by default; ';' and tab for files written where the
    // comma is the decimal mark.
    explicit CsvReader(std::istream& in, std::size_t max_record = kMaxRecord, char separator = ',');

    // Reads the next non-blank record. False at the end of the input and on a
    // fatal fault (read error, a NUL byte: not a text file), which fatal()
    // then describes. A record that cannot be used (unterminated quote, text
    // after a closing quote, longer than the limit) is returned with its
    // error set; reading goes on after it.
    bool next(CsvRecord& rec);

    const std::string& fatal() const { return fatal_; }

private:
    // Next byte, or -1 at the end of the input or on a fault.
    int get() { return pos_ < end_ ? static_cast<unsigned char>(buf_[pos_++]) : refill(); }
    int refill();
    // Reads a whole line without quotes, NUL bytes or a refill on the way
    // into rec, the common case, with one search per line and per field.
    // False, leaving the input where it was, when the line is not one.
    bool plain_line(CsvRecord& rec);
    // A record read byte by byte (quotes, a refill on the way, a record too
    // long): what came of it.
    enum class Read { Record, Blank, End };
    struct Scan;
    Read quoted_record(CsvRecord& rec);
    // One byte of the record; false at its end.
    bool byte(int c, CsvRecord& rec, Scan& sc);
    // A run of ordinary bytes from c on, taken in one piece; false when there is none.
    bool run(int c, Scan& sc);
    std::istream& in_;
    std::size_t max_record_;
    char sep_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, end_ = 0;
    std::size_t line_ = 1;  // line of the next byte
    bool started_ = false;  // the byte-order mark has been looked for
    std::string fatal_;
};

// The separator of a file's header (its first non-blank line): the most
// frequent of ',', ';' and tab outside quotes, ',' when it has none; 0 when
// two are equally frequent, the other one then in *tie. Reads the header
// and seeks the stream back to its start (a file, or a string stream).
char header_separator(std::istream& in, char* tie = nullptr);

// A field as a number is read: with ';' or tab between fields, a decimal
// comma ("25,5") becomes a decimal point; with ',' the text is unchanged.
std::string decimal_point(std::string_view text, char sep);

// Quotes a field when CSV requires it (comma, quote, CR/LF, or edge blanks).
std::string csv_quote(std::string_view s);

}  // namespace flowmodel::io

#endif
