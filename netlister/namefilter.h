// netlister/namefilter.h - one bit per name hash, to answer "surely not
// there" before a set of names is searched.
//
// The back-annotation writers look up a name for nearly every occurrence
// they write (is this component, net or pin annotated, is this pin
// delayed?), and nearly every answer is no.  A probe of a hash table of
// tens of thousands of names misses the caches; a bit of a table sixteen
// times as large as the set, indexed by a hash of the name, usually
// answers no at once.  The filter keeps every name's hash so that it can
// lay the bits out again as the set grows.  With fold set, names are
// hashed as if upper-cased (ASCII), for sets that compare ignoring case.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tsn {

class NameFilter {
 public:
  explicit NameFilter(bool fold = false) : fold_(fold) {}

  /// Records a name of the set.
  void add(std::string_view name) {
    hashes_.push_back(hash(name));
    if (hashes_.size() * kBitsPerName > bits_.size() * 64) {
      bits_.assign(std::max<std::size_t>(1, bits_.size() * 4), 0);
      for (std::uint64_t h : hashes_) set(h);
    } else {
      set(hashes_.back());
    }
  }

  /// False when the name is surely not in the set.
  bool may_hold(std::string_view name) const {
    if (bits_.empty()) return false;
    const std::uint64_t at = place(hash(name));
    return (bits_[at / 64] >> (at % 64)) & 1;
  }

  void clear() {
    bits_.clear();
    hashes_.clear();
  }

 private:
  static constexpr std::size_t kBitsPerName = 16;

  std::uint64_t hash(std::string_view name) const {
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : name) {
      if (fold_ && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
      h = (h ^ c) * 1099511628211ull;
    }
    return h;
  }
  // The bit of a hash: its high bits, as the low ones of FNV mix poorly.
  std::uint64_t place(std::uint64_t h) const { return (h >> 16) & (bits_.size() * 64 - 1); }
  void set(std::uint64_t h) {
    const std::uint64_t at = place(h);
    bits_[at / 64] |= std::uint64_t{1} << (at % 64);
  }

  bool fold_;
  std::vector<std::uint64_t> bits_;    // a power of two of 64-bit words
  std::vector<std::uint64_t> hashes_;  // of every name added
};

}  // namespace tsn
