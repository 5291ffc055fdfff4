// A 256-bit unsigned integer, just wide enough for the exact intermediate
// results of Decimal (a product of two 38-digit coefficients, or one
// coefficient scaled by 10^38). Internal to Decimal.
#pragma once

#include <cstdint>

namespace rt {
namespace decimal_internal {

using u128 = unsigned __int128;

// 10^0 .. 10^38: every power that fits a 38-digit coefficient bound.
u128 Pow10(int n);

struct U256 {
  std::uint64_t w[4] = {0, 0, 0, 0};  // little-endian limbs

  static U256 From(u128 v) {
    U256 r;
    r.w[0] = static_cast<std::uint64_t>(v);
    r.w[1] = static_cast<std::uint64_t>(v >> 64);
    return r;
  }
  bool FitsU128() const { return w[2] == 0 && w[3] == 0; }
  u128 Low() const { return (static_cast<u128>(w[1]) << 64) | w[0]; }
  bool IsZero() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
};

// Product of two 128-bit values (never overflows 256 bits).
U256 Mul(u128 a, u128 b);
// a + b (callers keep both below 2^255).
U256 Add(const U256& a, const U256& b);
// a * m, false on overflow beyond 256 bits.
bool MulSmall(U256* a, std::uint64_t m);
// a * 10^n, false on overflow beyond 256 bits.
bool MulPow10(U256* a, int n);
// Divides in place by d (d != 0), returns the remainder.
std::uint64_t DivSmall(U256* a, std::uint64_t d);
int Compare(const U256& a, const U256& b);
// a - b for a >= b.
U256 Sub(const U256& a, const U256& b);
// Quotient and remainder of a / b (b != 0).
void DivMod(const U256& a, const U256& b, U256* quot, U256* rem);

}  // namespace decimal_internal
}  // namespace rt
