// netlister/ptrmap.h - a map from object addresses to small values.
//
// The record writers keep facts per component, symbol and net of the
// stored design and look them up once for every occurrence: millions of
// look-ups of a few thousand keys.  Open addressing over a power-of-two
// table with a multiplicative hash costs one probe where a node-based map
// costs a division and two dependent loads.  Keys are never removed;
// values must be cheap to move (indexes, pointers into stable storage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

template <typename V>
class PtrMap {
 public:
  /// The value of key, or null.
  const V* find(const void* key) const {
    if (slots_.empty()) return nullptr;
    const Slot& s = slots_[probe(slots_, key)];
    return s.key ? &s.value : nullptr;
  }

  /// The value of key, inserted as V{} when absent.  The reference is
  /// valid until the next insertion.
  V& operator[](const void* key) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    Slot& s = slots_[probe(slots_, key)];
    if (!s.key) {
      s.key = key;
      ++used_;
    }
    return s.value;
  }

  std::size_t size() const { return used_; }

  void clear() {
    slots_.clear();
    used_ = 0;
  }

 private:
  struct Slot {
    const void* key = nullptr;
    V value{};
  };

  static std::size_t hash(const void* key) {
    auto x = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    return static_cast<std::size_t>(x);
  }

  // The slot of key, or the free slot where it would go.
  static std::size_t probe(const std::vector<Slot>& slots, const void* key) {
    std::size_t mask = slots.size() - 1;
    std::size_t i = hash(key) & mask;
    while (slots[i].key && slots[i].key != key) i = (i + 1) & mask;
    return i;
  }

  void grow() {
    std::vector<Slot> bigger(slots_.empty() ? 16 : slots_.size() * 2);
    for (Slot& s : slots_)
      if (s.key) bigger[probe(bigger, s.key)] = std::move(s);
    slots_.swap(bigger);
  }

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};
