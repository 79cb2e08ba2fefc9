// Numbers as text: shortest round-trip writing and exact reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <cstdlib>
#include <sstream>
#include <string>

#include "flowmodel/io/csv.hpp"
#include "flowmodel/io/numbers.hpp"

using flowmodel::io::format_double;
using flowmodel::io::parse_double;

TEST(Numbers, ShortestFormReadsBackToTheSameDouble) {
    EXPECT_EQ(format_double(0.072), "0.072");
    EXPECT_EQ(format_double(101300.0), "101300");
    EXPECT_EQ(format_double(1.8e-5), "1.8e-05");
    EXPECT_EQ(format_double(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(format_double(-INFINITY), "-inf");
    EXPECT_EQ(format_double(std::numeric_limits<double>::quiet_NaN()), "nan");
    for (double v : {std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
                     std::numeric_limits<double>::min(), -0.0, 1.0 / 3.0, 2.2250738585072009e-308}) {
        double back = 0;
        ASSERT_TRUE(parse_double(format_double(v), back)) << v;
        EXPECT_EQ(std::memcmp(&v, &back, sizeof v), 0) << format_double(v);
    }
}

TEST(Numbers, ReadsTheFormsUsersWriteAndNothingElse) {
    double v = 0;
    EXPECT_TRUE(parse_double(" 1.5e-3 \r", v));
    EXPECT_EQ(v, 1.5e-3);
    EXPECT_TRUE(parse_double("+2", v));
    EXPECT_EQ(v, 2.0);
    EXPECT_TRUE(parse_double("-inf", v));
    EXPECT_EQ(v, -INFINITY);
    EXPECT_TRUE(parse_double("NaN", v));
    EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(parse_double("1e999", v));  // overflow is still a number: +inf
    EXPECT_EQ(v, INFINITY);
    EXPECT_TRUE(parse_double("1e-320", v));  // a denormal, to the nearest
    EXPECT_EQ(v, 1e-320);
    EXPECT_TRUE(parse_double("0x1p-2", v));
    EXPECT_EQ(v, 0.25);
    for (const char* bad : {"", "  ", "1.5x", "one", "1 2", "+-1", "++1", "1,5", "--1"}) {
        EXPECT_FALSE(parse_double(bad, v)) << bad;
    }
    EXPECT_EQ(flowmodel::io::shorten(std::string(100, 'a'), 10), "aaaaaaaaaa...");
    EXPECT_EQ(flowmodel::io::shorten("short", 10), "short");
}

// Every double of the golden tables, written and read back, is the same double.
TEST(Numbers, GoldenTablesRoundTrip) {
    size_t checked = 0;
    for (const char* name : {"/pipeflow-golden.csv", "/bench-golden.csv"}) {
        std::ifstream in(std::string(FLOWMODEL_TEST_DATA_DIR) + name);
        ASSERT_TRUE(in) << name;
        flowmodel::io::CsvReader reader(in);
        flowmodel::io::CsvRecord rec;
        ASSERT_TRUE(reader.next(rec));  // header
        while (reader.next(rec)) {
            for (size_t i = 0; i < rec.size(); ++i) {
                double v = 0;
                if (!parse_double(rec[i], v) || std::isnan(v)) continue;  // text columns, NaN inputs
                double back = 0;
                ASSERT_TRUE(parse_double(format_double(v), back));
                ASSERT_EQ(std::memcmp(&v, &back, sizeof v), 0) << rec[i];
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 70000u);
}

TEST(Numbers, EchoedTextStaysOnOneLine) {
    EXPECT_EQ(flowmodel::io::shorten("a\nb\r\t\x01"), "a\\nb\\r\\t\\x01");
}

// The fast paths for plain decimals give what the general ones give: the
// nearest double when reading, std::to_chars's text when echoing a number
// read from text. Decimals drawn over every form users write (digit counts
// 1-19, points anywhere, leading and trailing zeros, signs, exponents) and
// over the range where the fast paths stop.
TEST(Numbers, PlainDecimalFastPathsEqualTheGeneralOnes) {
    std::mt19937_64 rng(20261209);
    size_t fast_form = 0;
    for (int i = 0; i < 300000; ++i) {
        std::string t;
        if (rng() % 4 == 0) t += "-+"[rng() % 2];
        const int lead = static_cast<int>(rng() % 3);
        const int n = 1 + static_cast<int>(rng() % 19);
        std::string body(static_cast<size_t>(lead), '0');
        for (int k = 0; k < n; ++k) body += static_cast<char>('0' + rng() % 10);
        body.append(rng() % 3, '0');
        const size_t point = rng() % (body.size() + 2);
        if (point <= body.size()) body.insert(point, ".");
        t += body;
        if (rng() % 2) {
            t += "eE"[rng() % 2];
            if (rng() % 2) t += "+-"[rng() % 2];
            t += std::to_string(rng() % 40);
        }
        double v = 0;
        flowmodel::io::DecimalText dec;
        const bool ok = parse_double(t, v, &dec);
        char* end = nullptr;
        const double want = std::strtod(t.c_str(), &end);
        const bool want_ok = end == t.c_str() + t.size();
        ASSERT_EQ(ok, want_ok) << t;
        if (!ok) continue;
        ASSERT_EQ(std::memcmp(&v, &want, sizeof v), 0) << t;
        std::string echoed;
        flowmodel::io::append_double(echoed, v, dec);
        ASSERT_EQ(echoed, format_double(v)) << t;
        fast_form += dec.plain;
    }
    EXPECT_GT(fast_form, 100000u);
    // Digits kept for another value are not used.
    double v = 0;
    flowmodel::io::DecimalText dec;
    ASSERT_TRUE(parse_double("0.25", v, &dec));
    std::string s;
    flowmodel::io::append_double(s, 0.5, dec);
    EXPECT_EQ(s, "0.5");
    ASSERT_TRUE(parse_double(" -0.000 ", v, &dec));
    s.clear();
    flowmodel::io::append_double(s, v, dec);
    EXPECT_EQ(s, "-0");
}
