// Native unit tests of the launcher's platform-free pieces: the show-state choice and the
// cutting of the registered server value into a directory.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "dir_cut.h"
#include "show_state.h"

namespace {

// Plain text type with the host Text's search contract: SearchForString returns the
// length when the pattern does not occur.
class PlainText {
public:
    explicit PlainText(const char* chars) : chars_(chars) {}
    unsigned int SearchForString(PlainText pattern) const
    {
        const auto at = chars_.find(pattern.chars_);
        return at == std::string::npos ? Length() : static_cast<unsigned int>(at);
    }
    unsigned int Length() const { return static_cast<unsigned int>(chars_.size()); }

private:
    std::string chars_;
};

int ShowFor(const char* lowered, int platform = 10)
{
    return zenta::PickShowState(PlainText(lowered), platform);
}

TEST(ShowState, OptionsAreSubstringsAnywhere)
{
    EXPECT_EQ(ShowFor("/min"), 7);
    EXPECT_EQ(ShowFor("file.zen /max"), 3);
    EXPECT_EQ(ShowFor("xx/minimal"), 7);
    EXPECT_EQ(ShowFor("a/maxb"), 3);
}

TEST(ShowState, MinWinsOverMaxInEitherOrder)
{
    EXPECT_EQ(ShowFor("/max /min"), 7);
    EXPECT_EQ(ShowFor("/min /max"), 7);
}

TEST(ShowState, PlatformValueKeptWithoutOption)
{
    EXPECT_EQ(ShowFor("", 10), 10);
    EXPECT_EQ(ShowFor("min max /mi n", 2), 2);
    // The search is on the lowered text; upper case here means the caller did not lower it.
    EXPECT_EQ(ShowFor("/MIN", 1), 1);
}

// A value buffer of `capacity` bytes followed by a guard region full of backslashes: any
// read past the buffer would find one and change the result.
struct GuardedValue {
    static constexpr size_t kCapacity = 260;
    char bytes[kCapacity + 32];

    explicit GuardedValue(const std::string& value)
    {
        std::memset(bytes, '\\', sizeof bytes);
        std::memcpy(bytes, value.data(), value.size());
    }
};

TEST(DirCut, CutsAtLastBackslash)
{
    GuardedValue v(std::string("C:\\Apps\\Engine\\engine.dll") + '\0');
    EXPECT_EQ(zenta::CutAtLastBackslash(v.bytes, GuardedValue::kCapacity, 26), 14);
    EXPECT_STREQ(v.bytes, "C:\\Apps\\Engine");
}

TEST(DirCut, NoBackslashIsNoDirectory)
{
    GuardedValue v(std::string("engine.dll") + '\0');
    EXPECT_EQ(zenta::CutAtLastBackslash(v.bytes, GuardedValue::kCapacity, 11), -1);
}

TEST(DirCut, LeadingBackslashGivesEmptyDirectory)
{
    GuardedValue v(std::string("\\engine.dll") + '\0');
    EXPECT_EQ(zenta::CutAtLastBackslash(v.bytes, GuardedValue::kCapacity, 12), 0);
    EXPECT_STREQ(v.bytes, "");
}

TEST(DirCut, UnterminatedShortValueEndsAtReturnedBytes)
{
    // 12 bytes returned without a terminator; the guard bytes after them are backslashes.
    GuardedValue v("C:\\a\\b\\c.dll");
    EXPECT_EQ(zenta::CutAtLastBackslash(v.bytes, GuardedValue::kCapacity, 12), 6);
    EXPECT_STREQ(v.bytes, "C:\\a\\b");
}

TEST(DirCut, UnterminatedFullValueStaysInsideBuffer)
{
    // 260 bytes, no terminator, last byte a backslash: the terminator takes the last byte, so
    // the cut falls on the backslash before it, never on one beyond the buffer.
    std::string value = "C:\\" + std::string(20, 'a') + "\\" + std::string(235, 'b') + "\\";
    ASSERT_EQ(value.size(), GuardedValue::kCapacity);
    GuardedValue v(value);
    EXPECT_EQ(zenta::CutAtLastBackslash(v.bytes, GuardedValue::kCapacity, 260), 23);
    EXPECT_EQ(std::string(v.bytes), "C:\\" + std::string(20, 'a'));
    EXPECT_EQ(v.bytes[GuardedValue::kCapacity], '\\');  // guard untouched
}

TEST(DirCut, CopyStopsAtLimitAndTerminates)
{
    const std::string longDir = "C:\\" + std::string(300, 'd');
    char out[256];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(zenta::CopyAtMost(out, 252, longDir.c_str()), 252);
    EXPECT_EQ(out[252], '\0');
    EXPECT_EQ(std::string(out), longDir.substr(0, 252));
    EXPECT_EQ(out[253], 'x');  // nothing written past the terminator

    EXPECT_EQ(zenta::CopyAtMost(out, 252, "C:\\Apps"), 7);
    EXPECT_STREQ(out, "C:\\Apps");
    EXPECT_EQ(zenta::CopyAtMost(out, 0, "C:\\Apps"), 0);
    EXPECT_STREQ(out, "");
}

}  // namespace
