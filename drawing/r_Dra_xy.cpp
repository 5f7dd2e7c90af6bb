// TgobText and TgobXy: an object's id and caption, and its geometry with the label and measure
// values kept with it, each in the fewest words a point layer needs.
// Invariants of TgobXy: (1) the held form is marked by kHeldMark in the bits of y, and x holds the
// block (nil: no geometry, side values at creation); (2) after settle() a block holds something a
// point in place could not: more or fewer than one part of one point, side values away from their
// creation values, or a point whose y has the mark's bits.
#include <bit>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "drawing/r_Dra.h"

// ================================================================ TgobText

namespace {
constexpr size_t kInPlace = 7;  // bytes a text may have and stay in the word
static_assert(std::endian::native == std::endian::little, "the word's bytes 1 to 7 follow its tag byte");
}  // namespace

TgobText& TgobText::operator=(TgobText&& other) noexcept {
  if (this != &other) {
    release();
    w = other.w;
    other.w = 0;
  }
  return *this;
}

std::string_view TgobText::view() const {
  if (w == 0) return {};
  if (w & 1) return {reinterpret_cast<const char*>(&w) + 1, (w >> 1) & 7};
  const char* block = reinterpret_cast<const char*>(w);
  size_t n;
  std::memcpy(&n, block, sizeof n);
  return {block + sizeof n, n};
}

void TgobText::set(std::string_view s) {
  uintptr_t made = 0;
  if (s.size() <= kInPlace && !s.empty()) {
    static_assert(sizeof(uintptr_t) == 8, "the word holds a length byte and 7 text bytes");
    made = uintptr_t(s.size() << 1 | 1);
    std::memcpy(reinterpret_cast<char*>(&made) + 1, s.data(), s.size());
  } else if (!s.empty()) {
    const size_t n = s.size();
    char* block = static_cast<char*>(std::malloc(sizeof n + n));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, &n, sizeof n);
    std::memcpy(block + sizeof n, s.data(), n);
    made = reinterpret_cast<uintptr_t>(block);
    assert((made & 1) == 0 && "malloc gives blocks aligned to at least 2");
  }
  release();
  w = made;
}

void TgobText::release() {
  if (w != 0 && !(w & 1)) std::free(reinterpret_cast<void*>(w));
  w = 0;
}

std::ostream& operator<<(std::ostream& out, const TgobText& t) { return out << t.view(); }

// ================================================================ TgobXy

bool TgobXy::Side::atCreation() const {
  return std::bit_cast<uint64_t>(tipx) == 0 && seedx == kSeedNotComputed && std::bit_cast<uint64_t>(seedy) == 0 &&
         std::bit_cast<uint64_t>(area) == 0 && std::bit_cast<uint64_t>(length) == 0;
}

TgobXy::TgobXy(const TgobXy& other) {
  if (const Held* h = other.held()) setHeld(new Held(*h));
  else p = other.p;
}

TgobXy& TgobXy::operator=(const TgobXy& other) {
  if (this != &other) {
    TgobXy copy(other);
    std::swap(p, copy.p);
  }
  return *this;
}

TgobXy& TgobXy::operator=(TgobXy&& other) noexcept {
  if (this != &other) {
    release();
    p = other.p;
    other.p = none();
  }
  return *this;
}

TgobXy& TgobXy::operator=(TpolyXyValues&& parts) {
  if (Held* h = held()) {
    h->list = std::move(parts);
    settle();
  } else if (parts.size() == 1 && parts[0].size() == 1 && std::bit_cast<uint64_t>(parts[0][0].y) != kHeldMark) {
    p = parts[0][0];
  } else if (parts.empty()) {
    p = none();
  } else {
    setHeld(new Held{std::move(parts), {}});
  }
  return *this;
}

size_t TgobXy::size() const {
  if (!isHeld()) return 1;
  const Held* h = held();
  return h ? h->list.size() : 0;
}

TxyPart TgobXy::operator[](size_t part) const {
  if (!isHeld()) {
    assert(part == 0 && "a point in place has one part");
    return {&p, 1};
  }
  const Txyvalues& v = held()->list[part];
  return {v.data(), v.size()};
}

int64_t TgobXy::pointCount() const {
  if (!isHeld()) return 1;
  int64_t n = 0;
  if (const Held* h = held())
    for (const Txyvalues& part : h->list) n += static_cast<int64_t>(part.size());
  return n;
}

const TpolyXyValues& TgobXy::list(TpolyXyValues& spare) const {
  if (const Held* h = held()) return h->list;
  spare.resize(isHeld() ? 0 : 1);
  if (!spare.empty()) spare[0].assign(1, p);  // reuses the spare's blocks from one call to the next
  return spare;
}

TpolyXyValues TgobXy::toList() const {
  if (const Held* h = held()) return h->list;
  return isHeld() ? TpolyXyValues{} : TpolyXyValues{{p}};
}

TgobXy::Held& TgobXy::makeHeld() {
  if (Held* h = held()) return *h;
  Held* h = new Held;
  if (!isHeld()) h->list.assign(1, Txyvalues{p});
  setHeld(h);
  return *h;
}

TpolyXyValues& TgobXy::edit() { return makeHeld().list; }

void TgobXy::clear() {
  if (Held* h = held()) {
    h->list.clear();
    settle();
  } else {
    p = none();
  }
}

const TgobXy::Side& TgobXy::side() const {
  static const Side atCreation;
  const Held* h = held();
  return h ? h->side : atCreation;
}

void TgobXy::setSide(const Side& s) {
  if (Held* h = held()) {
    h->side = s;
    settle();
  } else if (!s.atCreation()) {
    makeHeld().side = s;
  }
}

void TgobXy::settle() {
  Held* h = held();
  if (!h || !h->side.atCreation()) return;
  if (h->list.empty()) {
    delete h;
    p = none();
  } else if (h->list.size() == 1 && h->list[0].size() == 1 &&
             std::bit_cast<uint64_t>(h->list[0][0].y) != kHeldMark) {
    const xyrec point = h->list[0][0];
    delete h;
    p = point;
  }
}

void TgobXy::release() {
  delete held();
  p = none();
}

bool operator==(const TgobXy& a, const TgobXy& b) {
  TpolyXyValues sa, sb;
  return a.list(sa) == b.list(sb);
}

bool operator==(const TgobXy& a, const TpolyXyValues& b) {
  TpolyXyValues spare;
  return a.list(spare) == b;
}
