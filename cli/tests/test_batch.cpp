// CSV reading and the batch job: round trip, malformed rows, thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "batch.h"
#include "csv.h"

using namespace pipeflow_cli;

namespace {

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string l;
    while (std::getline(in, l)) out.push_back(l);
    return out;
}

struct BatchRun {
    BatchSummary sum;
    std::string out, err;
};

BatchRun batch(const std::string& input, unsigned jobs = 1) {
    std::istringstream in(input);
    std::ostringstream out, err;
    BatchOptions opt;
    opt.jobs = jobs;
    BatchRun r;
    r.sum = run_batch(in, out, err, opt);
    r.out = out.str();
    r.err = err.str();
    return r;
}

const char* kHeader = "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres";

}  // namespace

TEST(Csv, SplitsQuotedFieldsAndRejectsBrokenQuotes) {
    std::vector<std::string> f;
    std::string err;
    ASSERT_TRUE(split_csv("a,\"b,c\",\"d\"\"e\",,f\r", f, err));
    EXPECT_EQ(f, (std::vector<std::string>{"a", "b,c", "d\"e", "", "f"}));
    EXPECT_FALSE(split_csv("a,\"b", f, err));
    EXPECT_FALSE(split_csv("a,\"b\"x,c", f, err));
    EXPECT_EQ(csv_quote("plain text"), "plain text");
    EXPECT_EQ(csv_quote("a,b"), "\"a,b\"");
    EXPECT_EQ(csv_quote("say \"x\""), "\"say \"\"x\"\"\"");
}

TEST(Csv, NumbersMustBeReadWhole) {
    double v = 0;
    EXPECT_TRUE(parse_number(" 1.5e-3 ", v));
    EXPECT_EQ(v, 1.5e-3);
    EXPECT_TRUE(parse_number("nan", v));
    EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(parse_number("-inf", v));
    EXPECT_EQ(v, -INFINITY);
    EXPECT_TRUE(parse_number("1e999", v));  // overflow is still a number: +inf
    EXPECT_EQ(v, INFINITY);
    EXPECT_FALSE(parse_number("", v));
    EXPECT_FALSE(parse_number("1.5x", v));
    EXPECT_FALSE(parse_number("one", v));
    EXPECT_FALSE(parse_number("1 2", v));
}

TEST(Batch, HeaderInAnyOrderWithExtraColumnsAndExactRoundTrip) {
    const std::string in =
        "set,pres,angle,diam,sigma,rough,visg,visl,rog,rol,usg,usl\n"
        "x,101300,0,0.05,0.072,1.5e-06,1.8e-05,0.001,1.2,1000,5,0.1\n"
        "y,101300,90,0.05,0.072,1.5e-06,1.8e-05,0.001,1.2,1000,0.30000000000000004,1\n";
    const BatchRun r = batch(in);
    EXPECT_EQ(r.sum.rows, 2u);
    EXPECT_EQ(r.sum.malformed, 0u);
    const std::vector<std::string> out = lines_of(r.out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], result_header());
    // The inputs come back in the fixed column order and read back to the same doubles.
    EXPECT_EQ(out[1].rfind("0.10000000000000001,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.071999999999999995,", 0), 0u) << out[1];
    EXPECT_EQ(out[2].rfind("1,0.30000000000000004,1000,", 0), 0u);
    // The result columns equal a direct evaluation.
    flowmodel::Inputs direct;
    direct.usl = 0.1;
    direct.usg = 5;
    direct.rol = 1000;
    direct.rog = 1.2;
    direct.visl = 0.001;
    direct.visg = 1.8e-5;
    direct.rough = 1.5e-6;
    direct.sigma = 0.072;
    direct.diam = 0.05;
    direct.angle = 0;
    direct.pres = 101300;
    EXPECT_EQ(out[1], result_row(direct, flowmodel::evaluate(direct)));
}

TEST(Batch, MalformedRowsAreReportedWrittenAndDoNotStopTheBatch) {
    const std::string in = std::string(kHeader) + "\n" +
                           "1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n"
                           "1,5,1000,1.2,0.001\n"  // line 3: missing fields
                           "\n"
                           "1,five,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n"  // line 5
                           "nan,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n";  // a number
    const BatchRun r = batch(in);
    EXPECT_EQ(r.sum.rows, 4u);
    EXPECT_EQ(r.sum.malformed, 2u);
    EXPECT_NE(r.err.find("line 3: missing field 'visg'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 5: field 'usg' is not a number: 'five'"), std::string::npos) << r.err;
    const std::vector<std::string> out = lines_of(r.out);
    ASSERT_EQ(out.size(), 5u);
    for (int i : {2, 3}) {
        EXPECT_NE(out[i].find(",1.0600000000000001,0,0,0,0,2,0,0,0,malformed input row (line "), std::string::npos)
            << out[i];
        EXPECT_NE(out[i].find(",none"), std::string::npos);
    }
    // NaN is a number: the model itself rejects it with its own message.
    EXPECT_NE(out[4].find(",2,0,0,0,WARNING! Improper input data:"), std::string::npos) << out[4];
}

TEST(Batch, BadHeaderIsAnError) {
    BatchRun r = batch("usl,usg,rol\n1,2,3\n");
    EXPECT_FALSE(r.sum.header_ok);
    EXPECT_NE(r.err.find("lacks the input column 'rog'"), std::string::npos);
    EXPECT_EQ(r.out, "");
    r = batch("");
    EXPECT_FALSE(r.sum.header_ok);
}

TEST(Batch, OutputDoesNotDependOnTheNumberOfThreads) {
    std::string in = std::string(kHeader) + "\n";
    for (int i = 0; i < 300; ++i) {
        const double usl = 0.001 * std::pow(10.0, (i % 20) / 5.0);
        const double usg = 0.01 * std::pow(10.0, (i / 20) / 4.0);
        const int angle = (i % 7) * 15 - 45;
        in += std::to_string(usl) + "," + std::to_string(usg) + ",1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05," +
              std::to_string(angle) + ",101300\n";
        // Unreadable rows and blank lines among them: read by the threads too,
        // reported in input order with their line numbers.
        if (i % 97 == 5) in += "1,2,x\n";
        if (i % 89 == 7) in += "\n";
    }
    const BatchRun one = batch(in, 1);
    const BatchRun three = batch(in, 3);
    EXPECT_EQ(one.sum.rows, 304u);
    EXPECT_EQ(one.sum.malformed, 4u);
    EXPECT_EQ(three.sum.malformed, 4u);
    EXPECT_EQ(one.out, three.out);
    EXPECT_EQ(one.err, three.err);
    EXPECT_NE(one.err.find("line 8: "), std::string::npos) << one.err;
}
