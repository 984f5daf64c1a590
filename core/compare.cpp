// Value comparisons: numeric when both sides are numbers, else byte strings.
#include <cstring>

#include "core/eval.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

int cmp_strings(NODE *a, NODE *b) {
    if (!(a->flags & NODE_STR_VALID)) force_string(a);
    if (!(b->flags & NODE_STR_VALID)) force_string(b);
    auto la = static_cast<uint32_t>(a->length);
    auto lb = static_cast<uint32_t>(b->length);
    if (la == 0) return lb == 0 ? 0 : -1;
    if (lb == 0) return 1;
    int c = std::memcmp(a->string, b->string, la < lb ? la : lb);  // unsigned bytes
    if (c != 0) return sign(c);
    return la < lb ? -1 : la > lb ? 1 : 0;
}

int cmp_nodes(NODE *a, NODE *b) {
    if (a == b) return 0;
    if ((a->flags | b->flags) & (NODE_NUM_VALID | NODE_NUM_PENDING)) {
        int32_t x = force_number(a);
        int32_t y = force_number(b);
        if (a->flags & b->flags & NODE_NUMERIC) return (x > y) - (x < y);
    }
    return cmp_strings(a, b);
}
