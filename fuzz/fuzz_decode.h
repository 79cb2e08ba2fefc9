// Decoding of fuzzer bytes into the entry's inputs: a byte reader that yields
// zeros once the data run out, the four ways an input value is drawn, and an
// option's text drawn for the request targets.
#ifndef FLOWMODEL_FUZZ_DECODE_H
#define FLOWMODEL_FUZZ_DECODE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace fuzzdecode {

class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    uint8_t byte() { return pos_ < n_ ? p_[pos_++] : 0; }
    uint16_t u16() {
        const uint16_t lo = byte();
        return static_cast<uint16_t>(lo | (byte() << 8));
    }
    uint64_t u64() {  // little-endian
        uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(byte()) << (8 * i);
        return v;
    }

private:
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

// Typical values (SI): air-water in a 5 cm pipe at 1 atm, rising 10 degrees.
constexpr double kTypical[11] = {0.1, 5.0, 1000.0, 1.2, 1e-3, 1.8e-5, 1.5e-6, 0.072, 0.05, 10.0, 101300.0};

// Values at the edges of IEEE arithmetic and of the model's input bounds.
inline double special(uint8_t k) {
    const double inf = std::numeric_limits<double>::infinity();
    const double table[] = {
        std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
        inf, -inf, 0.0, -0.0,
        std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(), std::numeric_limits<double>::max(),
        -std::numeric_limits<double>::max(), std::numeric_limits<double>::epsilon(),
        1e-300, 1e300, 1e-10, 1e-9, 1e-6, 1e-5, 100.0, 0.5, 0.9999, 1.0, -1.0, 90.0, -90.0,
        180.0, 270.0, 1e6, 1e10, 1e20, 1.001, 99.999999,
    };
    return table[k % (sizeof table / sizeof table[0])];
}

// Tag byte low two bits: 0 raw bits, 1 special value, 2 typical value times
// +-2^(s/256) with s a signed 16-bit number (about 1e-38 to 1e38), 3 typical.
inline double input_value(Reader& rd, int k) {
    const uint8_t tag = rd.byte();
    switch (tag & 3) {
        case 0: {
            const uint64_t bits = rd.u64();
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case 1:
            return special(rd.byte());
        case 2: {
            const int16_t s = static_cast<int16_t>(rd.u16());
            const double sign = (tag & 4) ? -1.0 : 1.0;
            return sign * kTypical[k] * std::exp2(s / 256.0);
        }
        default:
            return kTypical[k];
    }
}

// An option's text: a number drawn from [lo, hi] in 256 steps (from the
// middle where the bytes have run out), or (one byte in sixteen) a value
// beyond: 0, negative, huge, tiny; then its unit.
inline std::string draw_option(Reader& r, double lo, double hi, const char* unit) {
    const uint8_t pick = r.byte();
    double v = lo + (hi - lo) * static_cast<uint8_t>(r.byte() + 128) / 255.0;
    if (pick % 16 == 15) {
        const double beyond[] = {0, -1, 1e30, 1e-30, -1e9, 1e9, 0.5 * lo, 2 * hi};
        v = beyond[(pick / 16) % 8];
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g%s", v, unit);
    return buf;
}

}  // namespace fuzzdecode

#endif
