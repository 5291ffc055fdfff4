#include "runtime/view/pattern.h"

#include <bitset>
#include <memory>
#include <type_traits>
#include <vector>

#include "runtime/view/value.h"

namespace rt {

namespace {

constexpr size_t kMaxDepth = 1'000;

struct Item;
using Seq = std::vector<Item>;

struct Item {
  enum class Kind { kChars, kBegin, kEnd, kGroup } kind = Kind::kChars;
  std::bitset<256> chars;
  std::vector<Seq> alternatives;  // kGroup
  int min = 1, max = 1;           // max -1: unbounded
};

class Parser {
 public:
  Parser(std::string_view p, bool ignore_case) : p_(p), ignore_case_(ignore_case) {}

  bool Parse(std::vector<Seq>* alternatives) {
    if (!Alternatives(alternatives)) return false;
    return at_ == p_.size();
  }

 private:
  void Add(std::bitset<256>& set, unsigned char c) {
    set.set(c);
    if (ignore_case_) {
      set.set(static_cast<unsigned char>(upperChar(static_cast<char>(c))));
      set.set(static_cast<unsigned char>(lowerChar(static_cast<char>(c))));
    }
  }

  bool Alternatives(std::vector<Seq>* out) {
    out->emplace_back();
    while (at_ < p_.size() && p_[at_] != '}') {
      if (p_[at_] == '|') {
        ++at_;
        out->emplace_back();
        continue;
      }
      Item item;
      if (!Atom(&item)) return false;
      if (at_ < p_.size() && (p_[at_] == '*' || p_[at_] == '+' || p_[at_] == '?')) {
        if (item.kind == Item::Kind::kBegin || item.kind == Item::Kind::kEnd) return false;
        item.min = p_[at_] == '+' ? 1 : 0;
        item.max = p_[at_] == '?' ? 1 : -1;
        ++at_;
      }
      out->back().push_back(std::move(item));
    }
    return true;
  }

  bool Atom(Item* item) {
    const char c = p_[at_++];
    switch (c) {
      case '.': item->chars.set(); return true;
      case '^': item->kind = Item::Kind::kBegin; return true;
      case '$': item->kind = Item::Kind::kEnd; return true;
      case '{':
        if (++depth_ > 100) return false;
        item->kind = Item::Kind::kGroup;
        if (!Alternatives(&item->alternatives) || at_ >= p_.size()) return false;
        ++at_;  // "}"
        --depth_;
        return true;
      case '[': return Class(item);
      case '*': case '+': case '?': case ']': return false;
      case '\\':
        if (at_ >= p_.size()) return false;
        Add(item->chars, static_cast<unsigned char>(p_[at_++]));
        return true;
      default: Add(item->chars, static_cast<unsigned char>(c)); return true;
    }
  }

  bool Class(Item* item) {
    bool negate = false;
    if (at_ < p_.size() && p_[at_] == '^') {
      negate = true;
      ++at_;
    }
    bool first = true;
    while (at_ < p_.size() && (p_[at_] != ']' || first)) {
      first = false;
      auto lo = static_cast<unsigned char>(p_[at_++]);
      if (lo == '\\' && at_ < p_.size()) lo = static_cast<unsigned char>(p_[at_++]);
      if (at_ + 1 < p_.size() && p_[at_] == '-' && p_[at_ + 1] != ']') {
        const auto hi = static_cast<unsigned char>(p_[at_ + 1]);
        at_ += 2;
        for (unsigned c = lo; c <= hi; ++c) Add(item->chars, static_cast<unsigned char>(c));
      } else {
        Add(item->chars, lo);
      }
    }
    if (at_ >= p_.size()) return false;
    ++at_;  // "]"
    if (negate) item->chars.flip();
    return true;
  }

  std::string_view p_;
  bool ignore_case_;
  size_t at_ = 0;
  int depth_ = 0;
};

// What to match after an item: a reference to a callable that outlives the
// call, as every continuation here is a lambda on the caller's frame. Unlike
// std::function it never allocates, and a search takes up to a million steps.
class Next {
 public:
  template <typename F>
    requires(!std::is_same_v<std::decay_t<F>, Next>)
  Next(const F& f)  // NOLINT: implicit, so lambdas pass as they are
      : object_(&f), call_([](const void* o, size_t p) { return (*static_cast<const F*>(o))(p); }) {}
  bool operator()(size_t pos) const { return call_(object_, pos); }

 private:
  const void* object_;
  bool (*call_)(const void*, size_t);
};

class Matcher {
 public:
  Matcher(std::string_view text, size_t max_steps) : t_(text), max_steps_(max_steps) {}

  bool Seq_(const Seq& seq, size_t i, size_t pos, const Next& k) {
    if (i == seq.size()) return k(pos);
    return Repeat(seq[i], 0, pos, [&](size_t p) { return Seq_(seq, i + 1, p, k); });
  }

  bool Alternatives(const std::vector<Seq>& alts, size_t pos, const Next& k) {
    for (const Seq& s : alts) {
      if (Seq_(s, 0, pos, k)) return true;
    }
    return false;
  }

  bool gaveUp() const { return gave_up_; }

 private:
  bool Once(const Item& item, size_t pos, const Next& k) {
    if (++steps_ > max_steps_ || depth_ > kMaxDepth) {
      gave_up_ = true;
      return false;
    }
    switch (item.kind) {
      case Item::Kind::kChars:
        return pos < t_.size() && item.chars.test(static_cast<unsigned char>(t_[pos])) && k(pos + 1);
      case Item::Kind::kBegin: return pos == 0 && k(pos);
      case Item::Kind::kEnd: return pos == t_.size() && k(pos);
      case Item::Kind::kGroup: return Alternatives(item.alternatives, pos, k);
    }
    return false;
  }

  // Greedy: as many repetitions as will still let the rest match.
  bool Repeat(const Item& item, int count, size_t pos, const Next& k) {
    if (gave_up_) return false;
    ++depth_;
    bool ok = false;
    if (item.max < 0 || count < item.max) {
      ok = Once(item, pos, [&](size_t p) {
        if (p == pos) return k(p);  // an empty repetition repeats for ever
        return Repeat(item, count + 1, p, k);
      });
    }
    if (!ok && count >= item.min && !gave_up_) ok = k(pos);
    --depth_;
    return ok;
  }

  std::string_view t_;
  size_t max_steps_;
  size_t steps_ = 0;
  size_t depth_ = 0;
  bool gave_up_ = false;
};

}  // namespace

size_t patternSearch(std::string_view text, std::string_view pattern, bool ignore_case, size_t max_steps) {
  std::vector<Seq> alternatives;
  if (!Parser(pattern, ignore_case).Parse(&alternatives)) return 0;
  Matcher m(text, max_steps);
  for (size_t start = 0; start <= text.size(); ++start) {
    if (m.Alternatives(alternatives, start, [](size_t) { return true; })) return start + 1;
    if (m.gaveUp()) return 0;
  }
  return 0;
}

}  // namespace rt
