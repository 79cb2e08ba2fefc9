// The shared input record and the fixed-message fill.
#include "record.h"

namespace flowmodel {

thread_local FlowRecord flowcom{};

char* strfill(char* dst, const char* src, int n) {
    if (dst == nullptr || src == nullptr || n <= 0) return nullptr;
    int i = 0;
    for (; i < n && src[i] != '\0'; ++i) dst[i] = src[i];
    for (; i < n; ++i) dst[i] = ' ';
    dst[n] = '\0';
    return dst;
}

}  // namespace flowmodel
