#include "runtime/core/decimal_wide.h"

#include <array>

namespace rt {
namespace decimal_internal {

namespace {

constexpr std::array<u128, 39> MakePowers() {
  std::array<u128, 39> p{};
  p[0] = 1;
  for (int i = 1; i < 39; ++i) p[i] = p[i - 1] * 10;
  return p;
}

constexpr std::array<u128, 39> kPow10 = MakePowers();

int Bits(const U256& a) {
  for (int i = 3; i >= 0; --i) {
    if (a.w[i] != 0) return i * 64 + 64 - __builtin_clzll(a.w[i]);
  }
  return 0;
}

bool Bit(const U256& a, int n) { return (a.w[n / 64] >> (n % 64)) & 1; }

void ShiftLeft1(U256* a) {
  for (int i = 3; i > 0; --i) a->w[i] = (a->w[i] << 1) | (a->w[i - 1] >> 63);
  a->w[0] <<= 1;
}

}  // namespace

u128 Pow10(int n) { return kPow10[n < 0 ? 0 : (n > 38 ? 38 : n)]; }

U256 Mul(u128 a, u128 b) {
  const std::uint64_t x[2] = {static_cast<std::uint64_t>(a),
                              static_cast<std::uint64_t>(a >> 64)};
  const std::uint64_t y[2] = {static_cast<std::uint64_t>(b),
                              static_cast<std::uint64_t>(b >> 64)};
  U256 r;
  for (int i = 0; i < 2; ++i) {
    u128 carry = 0;
    for (int j = 0; j < 2; ++j) {
      u128 t = static_cast<u128>(x[i]) * y[j] + r.w[i + j] + carry;
      r.w[i + j] = static_cast<std::uint64_t>(t);
      carry = t >> 64;
    }
    r.w[i + 2] = static_cast<std::uint64_t>(carry);
  }
  return r;
}

bool MulSmall(U256* a, std::uint64_t m) {
  u128 carry = 0;
  for (int i = 0; i < 4; ++i) {
    u128 t = static_cast<u128>(a->w[i]) * m + carry;
    a->w[i] = static_cast<std::uint64_t>(t);
    carry = t >> 64;
  }
  return carry == 0;
}

U256 Add(const U256& a, const U256& b) {
  U256 r;
  u128 carry = 0;
  for (int i = 0; i < 4; ++i) {
    u128 t = static_cast<u128>(a.w[i]) + b.w[i] + carry;
    r.w[i] = static_cast<std::uint64_t>(t);
    carry = t >> 64;
  }
  return r;
}

bool MulPow10(U256* a, int n) {
  for (; n >= 19; n -= 19) {
    if (!MulSmall(a, 10000000000000000000ull)) return false;
  }
  return MulSmall(a, static_cast<std::uint64_t>(kPow10[n]));
}

std::uint64_t DivSmall(U256* a, std::uint64_t d) {
  u128 rem = 0;
  for (int i = 3; i >= 0; --i) {
    u128 cur = (rem << 64) | a->w[i];
    a->w[i] = static_cast<std::uint64_t>(cur / d);
    rem = cur % d;
  }
  return static_cast<std::uint64_t>(rem);
}

int Compare(const U256& a, const U256& b) {
  for (int i = 3; i >= 0; --i) {
    if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
  }
  return 0;
}

U256 Sub(const U256& a, const U256& b) {
  U256 r;
  std::uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) {
    std::uint64_t t = a.w[i] - b.w[i];
    std::uint64_t nb = (a.w[i] < b.w[i]) || (t < borrow);
    r.w[i] = t - borrow;
    borrow = nb;
  }
  return r;
}

void DivMod(const U256& a, const U256& b, U256* quot, U256* rem) {
  U256 q, r;
  for (int n = Bits(a) - 1; n >= 0; --n) {
    ShiftLeft1(&r);
    r.w[0] |= Bit(a, n) ? 1 : 0;
    if (Compare(r, b) >= 0) {
      r = Sub(r, b);
      q.w[n / 64] |= std::uint64_t{1} << (n % 64);
    }
  }
  *quot = q;
  *rem = r;
}

}  // namespace decimal_internal
}  // namespace rt
