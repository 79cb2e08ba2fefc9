// The CSV record reader: RFC 4180 quoting across lines, line numbers, the
// byte-order mark, blank lines, bounded records and fatal input.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "flowmodel/io/csv.hpp"

using flowmodel::io::CsvReader;
using flowmodel::io::CsvRecord;

namespace {

struct Read {
    std::vector<std::vector<std::string>> fields;
    std::vector<size_t> lines;
    std::vector<std::string> errors;
    std::string fatal;
};

Read read_all(const std::string& text, size_t max_record = CsvReader::kMaxRecord) {
    std::istringstream in(text);
    CsvReader reader(in, max_record);
    CsvRecord rec;
    Read r;
    while (reader.next(rec)) {
        std::vector<std::string> f;
        for (size_t i = 0; i < rec.size(); ++i) f.push_back(rec[i]);
        r.fields.push_back(f);
        r.lines.push_back(rec.line);
        r.errors.push_back(rec.error);
    }
    r.fatal = reader.fatal();
    return r;
}

using Fields = std::vector<std::string>;

}  // namespace

TEST(CsvReader, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
    const Read r = read_all("a, \"b,c\",\"d\"\"e\",,f\r\n\"multi\nline\",x\n\"\",last");
    ASSERT_EQ(r.fields.size(), 3u);
    EXPECT_EQ(r.fields[0], (Fields{"a", "b,c", "d\"e", "", "f"}));
    EXPECT_EQ(r.fields[1], (Fields{"multi\nline", "x"}));
    EXPECT_EQ(r.fields[2], (Fields{"", "last"}));  // no line end after the last record
    // A record keeps the line where it starts; the next one counts the break inside.
    EXPECT_EQ(r.lines, (std::vector<size_t>{1, 2, 4}));
    for (const std::string& e : r.errors) EXPECT_EQ(e, "");
}

TEST(CsvReader, BrokenQuotesAreRecordErrorsAndReadingGoesOn) {
    const Read r = read_all("a,\"b\"x,c\nok,1\nz,\"open\nto the end");
    ASSERT_EQ(r.fields.size(), 3u);
    EXPECT_EQ(r.errors[0], "text after a closing quote");
    EXPECT_EQ(r.errors[1], "");
    EXPECT_EQ(r.fields[1], (Fields{"ok", "1"}));
    EXPECT_EQ(r.errors[2], "unterminated quoted field");
    EXPECT_EQ(r.lines[2], 3u);
    EXPECT_EQ(r.fatal, "");
}

TEST(CsvReader, ByteOrderMarkAndBlankLinesAreSkipped) {
    const Read r = read_all("\xEF\xBB\xBFusl,usg\n\n  \r\n1,2\n\n");
    ASSERT_EQ(r.fields.size(), 2u);
    EXPECT_EQ(r.fields[0], (Fields{"usl", "usg"}));
    EXPECT_EQ(r.fields[1], (Fields{"1", "2"}));
    EXPECT_EQ(r.lines[1], 4u);
    // Only a whole mark at the very start is one.
    const Read partial = read_all("\xEF\xBBx,y\n");
    ASSERT_EQ(partial.fields.size(), 1u);
    EXPECT_EQ(partial.fields[0][0], "\xEF\xBBx");
}

TEST(CsvReader, OverlongRecordIsAnErrorWithoutBeingHeldAndTheNextIsRead) {
    // A record of 100 bytes against a limit of 64, with quotes and commas in it.
    const std::string longrec = std::string(40, 'x') + ",\"" + std::string(30, 'y') + "\n" +
                                std::string(20, 'z') + "\"," + std::string(6, 'w');
    const Read r = read_all("h1,h2\n" + longrec + "\nafter,1\n", 64);
    ASSERT_EQ(r.fields.size(), 3u);
    EXPECT_EQ(r.errors[1], "record longer than 64 bytes");
    EXPECT_LE(r.fields[1].size(), 1u);
    EXPECT_TRUE(r.fields[1].empty() || r.fields[1][0].size() <= 64);
    EXPECT_EQ(r.fields[2], (Fields{"after", "1"}));
    EXPECT_EQ(r.lines[2], 4u);  // the quoted line break of the long record was counted
    // Too many fields is the same kind of error.
    const Read wide = read_all(std::string(CsvReader::kMaxFields + 5, ',') + "\nnext\n");
    ASSERT_EQ(wide.fields.size(), 2u);
    EXPECT_NE(wide.errors[0].find("more than"), std::string::npos);
    EXPECT_EQ(wide.fields[1], (Fields{"next"}));
}

TEST(CsvReader, NulByteIsFatal) {
    const Read r = read_all(std::string("a,b\n1,2\n3,\0", 11));
    EXPECT_EQ(r.fields.size(), 2u);
    EXPECT_EQ(r.fatal, "a NUL byte at line 3: not a text file");
}

TEST(CsvReader, QuoteRoundTrip) {
    for (const std::string& s : {std::string("plain"), std::string("a,b"), std::string("say \"x\""),
                                 std::string(" edge "), std::string("two\nlines"), std::string("")}) {
        const Read r = read_all("k," + flowmodel::io::csv_quote(s) + ",end\n");
        ASSERT_EQ(r.fields.size(), 1u) << s;
        EXPECT_EQ(r.fields[0], (Fields{"k", s, "end"}));
    }
    EXPECT_EQ(flowmodel::io::csv_quote("plain text"), "plain text");
}

// Lines without quotes are read whole; a quote anywhere sends the line
// through the byte-wise reader. Both give the same fields, line numbers and
// limits, over blanks, empty fields, CR line ends, blank lines, lines that
// straddle the reader's 64 KiB block and lines at the record limit.
TEST(CsvReader, WholeLinesReadAsTheByteWiseReaderReadsThem) {
    std::mt19937 rng(7);
    std::string plain, quoted;
    for (int row = 0; row < 20000; ++row) {
        const int kind = static_cast<int>(rng() % 20);
        if (kind == 0) {  // blank line (with or without CR or blanks)
            const char* blank[] = {"", "\r", " \t"};
            plain += blank[rng() % 3];
            quoted += blank[rng() % 3];
            plain += '\n';
            quoted += '\n';
            continue;
        }
        const int n = 2 + static_cast<int>(rng() % 12);  // one quoted blank field would be a record
        std::string a, b;
        for (int f = 0; f < n; ++f) {
            std::string v;
            const int len = static_cast<int>(rng() % (kind == 1 ? 40 : 8));
            for (int c = 0; c < len; ++c) v += " ab1.e-\t"[rng() % 8];
            a += v;
            b += f == 0 ? "\"" + v + "\"" : v;
            if (f + 1 < n) {
                a += ',';
                b += ',';
            }
        }
        const char* end = rng() % 3 == 0 ? "\r\n" : "\n";
        plain += a + end;
        quoted += b + end;
    }
    const Read pa = read_all(plain), qa = read_all(quoted);
    ASSERT_GT(plain.size(), 3u * 65536u);  // several blocks: lines straddle their ends
    ASSERT_EQ(pa.fields.size(), qa.fields.size());
    for (size_t i = 0; i < pa.fields.size(); ++i) {
        // The quoted first field keeps its blanks; so must the plain one.
        ASSERT_EQ(pa.fields[i], qa.fields[i]) << "record " << i;
        ASSERT_EQ(pa.lines[i], qa.lines[i]) << "record " << i;
    }
    // At the record limit: a plain line of exactly the limit (with its line
    // feed) is read; one byte more is an error, as for the byte-wise reader.
    const std::string fits = std::string(15, 'x') + "\nnext\n", over = std::string(16, 'x') + "\nnext\n";
    const Read f = read_all(fits, 16), o = read_all(over, 16);
    ASSERT_EQ(f.fields.size(), 2u);
    EXPECT_EQ(f.errors[0], "");
    ASSERT_EQ(o.fields.size(), 2u);
    EXPECT_NE(o.errors[0], "");
    EXPECT_EQ(o.fields[1], std::vector<std::string>{"next"});
}
