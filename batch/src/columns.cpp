// The batch input's columns.
#include "flowmodel/batch/columns.hpp"

#include <limits>

#include "flowmodel/io/numbers.hpp"

namespace flowmodel::batch {

namespace {

std::string trim(const std::string& s) {
    const char* blanks = " \t\r";
    const size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

}  // namespace

bool InputColumns::read_header(const flowmodel::io::CsvRecord& header, const flowmodel::Inputs& constants,
                               const std::array<bool, flowmodel::kInputCount>& given, std::string& error) {
    if (!header.error.empty()) {
        error = "header: " + header.error;
        return false;
    }
    constants_ = constants;
    width_ = header.size();
    for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
        const char* name = flowmodel::kInputFields[k].name;
        pos_[k] = kConstant;
        for (size_t c = 0; c < header.size(); ++c) {
            if (trim(header[c]) != name) continue;
            if (pos_[k] != kConstant) {
                error = std::string("header names column '") + name + "' twice";
                return false;
            }
            if (given[k]) {
                error = std::string("input '") + name + "' is given both as a column and as --" + name +
                        "; give it once";
                return false;
            }
            pos_[k] = c;
        }
        if (pos_[k] == kConstant && !given[k]) {
            error = std::string("header lacks the input column '") + name + "' (or give it as --" + name + " VALUE)";
            return false;
        }
    }
    return true;
}

bool InputColumns::parse_row(const flowmodel::io::CsvRecord& row, flowmodel::Inputs& in, std::string& error,
                             InputDecimals* decimals) const {
    if (decimals) *decimals = InputDecimals();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    in = constants_;
    for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
        if (pos_[k] != kConstant) in.*flowmodel::kInputFields[k].member = nan;
    }
    if (!row.error.empty()) {
        error = row.error;
        return false;
    }
    bool ok = true;
    for (size_t k = 0; k < flowmodel::kInputCount; ++k) {
        if (pos_[k] == kConstant) continue;
        const flowmodel::InputField& f = flowmodel::kInputFields[k];
        if (pos_[k] >= row.size()) {
            if (ok) error = std::string("missing field '") + f.name + "'";
            ok = false;
            continue;
        }
        if (!flowmodel::io::parse_double(row[pos_[k]], in.*f.member, decimals ? &(*decimals)[k] : nullptr)) {
            in.*f.member = nan;
            if (ok) {
                error = std::string("field '") + f.name + "' is not a number: '" +
                        flowmodel::io::shorten(row[pos_[k]]) + "'";
            }
            ok = false;
        }
    }
    // A row of another width than the header is misaligned (a decimal comma,
    // a lost field): its numbers cannot be trusted even where they parse.
    if (ok && row.size() != width_) {
        error = "row has " + std::to_string(row.size()) + " fields, the header " + std::to_string(width_);
        ok = false;
    }
    return ok;
}

}  // namespace flowmodel::batch
