// The batch job: columns and constants, round trip, malformed rows, thread
// count, JSON lines, and stopping at the first failed write.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "flowmodel/batch/batch.hpp"
#include "flowmodel/batch/format.hpp"

using namespace flowmodel::batch;

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

BatchRun batch(const std::string& input, unsigned jobs = 1, BatchOptions opt = BatchOptions()) {
    std::istringstream in(input);
    std::ostringstream err;
    opt.jobs = jobs;
    BatchRun r;
    r.sum = run_batch(in, [&r](const std::string& text) { r.out += text; return true; }, err, opt);
    r.err = err.str();
    return r;
}

const char* kHeader = "usl,usg,rol,rog,visl,visg,rough,sigma,diam,angle,pres";

}  // namespace

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
    EXPECT_EQ(out[1].rfind("0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300,1.06,", 0), 0u) << out[1];
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
        EXPECT_NE(out[i].find(",1.06,0,0,0,0,2,0,0,0,malformed input row (line "), std::string::npos)
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

TEST(Batch, ConstantsFillMissingColumnsAndMayNotShadowOne) {
    BatchOptions opt;
    opt.constants = flowmodel::default_inputs();
    opt.constants.rol = 850;
    opt.constants.pres = 5e6;
    opt.given[2] = opt.given[10] = true;  // rol, pres
    const std::string cols = "usl,usg,rog,visl,visg,rough,sigma,diam,angle\n";
    BatchRun r = batch(cols + "1,5,40,0.005,1.4e-05,4.6e-05,0.02,0.15,5\n", 1, opt);
    ASSERT_TRUE(r.sum.header_ok) << r.err;
    flowmodel::Inputs want{1, 5, 850, 40, 0.005, 1.4e-5, 4.6e-5, 0.02, 0.15, 5, 5e6};
    EXPECT_EQ(lines_of(r.out).at(1), result_row(want, flowmodel::evaluate(want)));
    // The same input as a column and as an option: refused, nothing written.
    r = batch(std::string(kHeader) + "\n", 1, opt);
    EXPECT_FALSE(r.sum.header_ok);
    EXPECT_NE(r.err.find("'rol' is given both as a column and as --rol"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    // Missing without an option: named, with the way out.
    opt.given[10] = false;
    r = batch(cols, 1, opt);
    EXPECT_NE(r.err.find("lacks the input column 'pres' (or give it as --pres VALUE)"), std::string::npos) << r.err;
}

TEST(Batch, RowsWiderOrNarrowerThanTheHeaderAreMalformed) {
    // A decimal comma turns one field into two: the row is misaligned.
    const std::string in = std::string(kHeader) + ",name\n" +
                           "1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,2,5,101300,riser A\n"
                           "1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,2,101300\n"
                           "1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,2,101300,\"riser, B\"\n";
    const BatchRun r = batch(in);
    EXPECT_EQ(r.sum.rows, 3u);
    EXPECT_EQ(r.sum.malformed, 2u);
    EXPECT_NE(r.err.find("line 2: row has 13 fields, the header 12"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 3: row has 11 fields, the header 12"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("line 4"), std::string::npos) << r.err;  // the quoted comma is one field
}

TEST(Batch, QuotedLineBreakKeepsTheRecordAndItsStartingLine) {
    const std::string in = "\xEF\xBB\xBF" + std::string(kHeader) + ",note\n" +
                           "1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300,\"two\nlines\"\n"
                           "1,x,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300,n\n";
    const BatchRun r = batch(in);
    ASSERT_TRUE(r.sum.header_ok) << r.err;  // the byte-order mark is not part of 'usl'
    EXPECT_EQ(r.sum.rows, 2u);
    EXPECT_EQ(r.sum.malformed, 1u);
    EXPECT_NE(r.err.find("line 4: field 'usg' is not a number: 'x'"), std::string::npos) << r.err;
}

TEST(Batch, EchoedBadValuesAreCut) {
    const std::string huge(5000, '7');
    const BatchRun r = batch(std::string(kHeader) + "\n1," + huge + "x,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,1\n");
    EXPECT_EQ(r.sum.malformed, 1u);
    EXPECT_LT(r.err.size(), 200u);
    EXPECT_LT(r.out.size(), 600u);
    EXPECT_NE(r.err.find("..."), std::string::npos);
}

TEST(Batch, JsonLinesCarryTheFieldsOfEvalJson) {
    BatchOptions opt;
    opt.format = BatchFormat::JsonLines;
    const BatchRun r = batch(std::string(kHeader) + "\n0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n"
                                                    "1,2\n", 1, opt);
    const std::vector<std::string> out = lines_of(r.out);
    ASSERT_EQ(out.size(), 2u);  // no header line
    const flowmodel::Inputs in = flowmodel::default_inputs();
    std::string want;
    append_result_json(want, in, flowmodel::evaluate(in));
    EXPECT_EQ(out[0], want);
    EXPECT_NE(out[1].find("\"rol\":null"), std::string::npos) << out[1];  // unread input: NaN is null
    EXPECT_NE(out[1].find("\"ierr\":2"), std::string::npos);
}

TEST(Batch, StopsAtTheFirstFailedWrite) {
    std::string in = std::string(kHeader) + "\n";
    for (int i = 0; i < 20000; ++i) in += "0.1,5,1000,1.2,0.001,1.8e-05,1.5e-06,0.072,0.05,0,101300\n";
    std::istringstream is(in);
    std::ostringstream err;
    int calls = 0;
    BatchOptions opt;
    const BatchSummary s = run_batch(is, [&calls](const std::string&) { return ++calls < 2; }, err, opt);
    EXPECT_EQ(calls, 2);   // the header, then the first block failed: nothing more was computed
    EXPECT_EQ(s.rows, 0u);
}

TEST(Batch, WarningColumnMarksInvalidSeparatedSolutions) {
    // Annular flow from a separated solution the model marks invalid (iter 99).
    flowmodel::Inputs in = flowmodel::default_inputs();
    in.usl = 0.00130174;
    in.usg = 59.4412;
    in.angle = 13.5;
    const flowmodel::Result r = flowmodel::evaluate(in);
    ASSERT_EQ(r.iterations, 99);
    ASSERT_EQ(r.status, flowmodel::Status::Ok);
    EXPECT_TRUE(r.separated_invalid());
    const std::string row = result_row(in, r);
    EXPECT_EQ(row.substr(row.size() - std::string(",separated-invalid").size()), ",separated-invalid");
    EXPECT_EQ(result_header().substr(result_header().size() - 8), ",warning");
    EXPECT_FALSE(flowmodel::evaluate(flowmodel::default_inputs()).separated_invalid());
}
