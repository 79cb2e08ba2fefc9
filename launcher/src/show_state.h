// Choice of the initial show state from the lower-cased command line. Written against any
// text type with the host Text's contract (construct from const char*, SearchForString
// returning Length() when nothing is found), so the same code runs with the host's class in
// the executable and with a plain stand-in in native unit tests.
#ifndef ZENTA_SHOW_STATE_H
#define ZENTA_SHOW_STATE_H

namespace zenta {

// ShowWindow commands the options select.
constexpr int kShowMinNoActive = 7;  // "/min": minimised, not activated
constexpr int kShowMaximized = 3;    // "/max": maximised

// "/min" and "/max" are plain substrings anywhere in the text; "/min" is looked for first
// and wins. Without either, the platform's show state is kept.
template <class TextT>
int PickShowState(const TextT& lowered, int platformShowState)
{
    // Search and length are separate statements so the host sees them in a fixed order.
    const unsigned int atMin = lowered.SearchForString(TextT("/min"));
    if (atMin != lowered.Length()) {
        return kShowMinNoActive;
    }
    const unsigned int atMax = lowered.SearchForString(TextT("/max"));
    if (atMax != lowered.Length()) {
        return kShowMaximized;
    }
    return platformShowState;
}

}  // namespace zenta

#endif
