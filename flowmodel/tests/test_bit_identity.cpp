// Bit identity: every row of the reference cases and of the 2,000 benchmark
// cases is evaluated through the C entry and each output field is compared
// bit for bit with the golden tables in data/, which were written by
// `pipeflow batch --jobs 1` before any performance work. A speed-up that moves
// a single bit of any result fails here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "flowmodel/flowmodel.hpp"
#include "pipeflow.h"
#include "reference.h"

namespace {

struct Table {
    std::vector<std::string> head;
    std::vector<std::vector<std::string>> rows;

    size_t col(const std::string& name) const {
        for (size_t i = 0; i < head.size(); ++i) {
            if (head[i] == name) return i;
        }
        ADD_FAILURE() << "no column " << name;
        return 0;
    }
};

Table read_table(const std::string& path) {
    Table t;
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line)) return t;
    t.head = reftest::split_csv_line(line);
    while (std::getline(in, line)) {
        if (!line.empty()) t.rows.push_back(reftest::split_csv_line(line));
    }
    return t;
}

uint64_t bits(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// A %.17g field reads back to the very double that was written; "nan" and
// "-nan" read back as NaN with that sign, the payload is not kept, so NaNs
// compare by sign only.
bool same_bits(double got, const std::string& golden) {
    const double want = std::strtod(golden.c_str(), nullptr);
    if (std::isnan(want)) return std::isnan(got) && std::signbit(got) == std::signbit(want);
    return bits(got) == bits(want);
}

// Evaluates every case of `cases` and compares all fields with `golden`.
void expect_bit_identical(const std::string& cases_path, const std::string& golden_path,
                          size_t expected_rows) {
    const Table cases = read_table(cases_path);
    const Table gold = read_table(golden_path);
    ASSERT_EQ(cases.rows.size(), expected_rows) << cases_path;
    ASSERT_EQ(gold.rows.size(), expected_rows) << golden_path;

    const char* in_names[] = {"usl",   "usg",   "rol",  "rog",   "visl", "visg",
                              "rough", "sigma", "diam", "angle", "pres"};
    const char* out_names[] = {"vers", "dpt", "hol", "dpf", "dpg", "dpa"};
    size_t in_col[11], gin_col[11], out_col[6];
    for (int k = 0; k < 11; ++k) {
        in_col[k] = cases.col(in_names[k]);
        gin_col[k] = gold.col(in_names[k]);
    }
    for (int k = 0; k < 6; ++k) out_col[k] = gold.col(out_names[k]);
    const size_t id_col = gold.col("id"), iter_col = gold.col("iter"), ierr_col = gold.col("ierr");
    const size_t msg_col = gold.col("msg"), regime_col = gold.col("regime");

    size_t bad = 0;
    for (size_t i = 0; i < expected_rows && bad < 10; ++i) {
        const std::vector<std::string>& c = cases.rows[i];
        const std::vector<std::string>& g = gold.rows[i];
        ASSERT_EQ(g.size(), gold.head.size()) << "golden row " << i + 1;
        double x[11];
        for (int k = 0; k < 11; ++k) {
            x[k] = std::strtod(c.at(in_col[k]).c_str(), nullptr);
            // The golden row belongs to this case.
            ASSERT_TRUE(same_bits(x[k], g[gin_col[k]])) << "row " << i + 1 << " input " << in_names[k];
        }
        double out[6];  // vers, dpt, hol, dpf, dpg, dpa
        int id = -1, iter = -1, ierr = -1;
        char msg[PIPEFLOW_MSG_SIZE];
        pipeflow(&out[0], x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8], x[9], x[10],
                 &out[1], &out[2], &id, &iter, &ierr, msg, PIPEFLOW_MSG_SIZE, &out[3], &out[4],
                 &out[5]);
        // The message as the command writes it: up to the NUL, trailing blanks cut.
        size_t n = strnlen(msg, sizeof msg);
        while (n > 0 && msg[n - 1] == ' ') --n;
        const std::string text(msg, n);

        bool ok = text == g[msg_col];
        for (int k = 0; k < 6; ++k) ok = ok && same_bits(out[k], g[out_col[k]]);
        ok = ok && std::to_string(id) == g[id_col] && std::to_string(iter) == g[iter_col] &&
             std::to_string(ierr) == g[ierr_col];
        const bool has_regime = ierr == PIPEFLOW_OK || ierr == PIPEFLOW_INPUT_CORRECTED;
        const std::string label =
            has_regime ? flowmodel::regime_name(static_cast<flowmodel::Regime>(id)) : "none";
        ok = ok && label == g[regime_col];
        if (!ok) {
            ++bad;
            ADD_FAILURE() << golden_path << " row " << i + 1 << " differs: dpt " << out[1]
                          << " hol " << out[2] << " id " << id << " iter " << iter << " ierr "
                          << ierr << " msg '" << text << "'";
        }
    }
    EXPECT_EQ(bad, 0u);
}

}  // namespace

TEST(BitIdentity, ReferenceCasesMatchTheGoldenTableBitForBit) {
    expect_bit_identical(std::string(FLOWMODEL_REFERENCE_DIR) + "/cases.csv",
                         std::string(FLOWMODEL_TEST_DATA_DIR) + "/pipeflow-golden.csv", 2171);
}

TEST(BitIdentity, BenchmarkCasesMatchTheGoldenTableBitForBit) {
    expect_bit_identical(std::string(FLOWMODEL_REFERENCE_DIR) + "/bench-cases.csv",
                         std::string(FLOWMODEL_TEST_DATA_DIR) + "/bench-golden.csv", 2000);
}
