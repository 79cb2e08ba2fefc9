// Numbers as text: shortest round-trip writing and exact reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
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
