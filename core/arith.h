// The language's integer arithmetic: 32-bit two's complement with wrap-around.
// Every operation is computed in uint32_t so no input is undefined behaviour.
//  - Shift counts are taken modulo 32 (count & 31), negative counts included.
//  - Right shift is arithmetic (the sign bit is copied).
//  - Division truncates toward zero; the remainder takes the dividend's sign.
//    INT32_MIN / -1 wraps to INT32_MIN and INT32_MIN % -1 is 0, as the
//    two's-complement result would be. Callers reject a zero divisor first.
#pragma once

#include <cstdint>

namespace arith {

constexpr int32_t wrap(uint32_t u) { return static_cast<int32_t>(u); }
constexpr uint32_t bits(int32_t v) { return static_cast<uint32_t>(v); }

constexpr int32_t add(int32_t a, int32_t b) { return wrap(bits(a) + bits(b)); }
constexpr int32_t sub(int32_t a, int32_t b) { return wrap(bits(a) - bits(b)); }
constexpr int32_t mul(int32_t a, int32_t b) { return wrap(bits(a) * bits(b)); }
constexpr int32_t neg(int32_t a) { return wrap(0u - bits(a)); }

constexpr int32_t div(int32_t a, int32_t b) {
    if (b == -1) return neg(a);
    return a / b;
}
constexpr int32_t mod(int32_t a, int32_t b) {
    if (b == -1) return 0;
    return a % b;
}

constexpr int32_t shl(int32_t a, int32_t n) { return wrap(bits(a) << (bits(n) & 31)); }
constexpr int32_t shr(int32_t a, int32_t n) {
    uint32_t k = bits(n) & 31;
    uint32_t u = bits(a) >> k;
    if (a < 0 && k != 0) u |= ~(~0u >> k);  // copy the sign bit into the vacated bits
    return wrap(u);
}

static_assert(add(2147483647, 1) == -2147483647 - 1);
static_assert(div(-7, 2) == -3 && mod(-7, 2) == -1);
static_assert(shl(1, 33) == 2 && shr(-8, 1) == -4 && shr(-1, 31) == -1);
static_assert(div(-2147483647 - 1, -1) == -2147483647 - 1 && mod(-2147483647 - 1, -1) == 0);

}  // namespace arith
