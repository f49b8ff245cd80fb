// wirelist/iwname.h - interned names of the wirelist database.
//
// Every name a record holds is an upper-case string interned here, so
// equal names share one copy and can be compared by pointer.  The table
// is defined as 10061 buckets chosen by iwhash, each a chain sorted by
// byte comparison.  What can be seen of it is the text returned for a
// given text and the number of names per bucket (iwnamestats); for
// upper-case texts neither depends on the order within a chain, so the
// buckets keep their names newest first and an exact-text index beside
// them finds a name in about one probe.  A bucket that a text with
// lower-case letters reaches is sorted once and from then on searched by
// the walk as defined (see iwname.cc for why).
//
// Entries and their texts come from the data pool and stay until the
// session is reset (iwdelnames only forgets the table).
#pragma once

#include <cstddef>
#include <cstdint>

/// A text interned by iwmkname, or null.  Equal texts share one copy,
/// which stays where it is until the session is reset (a new design
/// generation), so a field of this type may key a cache by its address
/// (the netlister keeps evaluated attribute values that way).  Only
/// iwmkname makes one from a text, and iwkeptname from a text another
/// keeper holds the same way: a reader that assigns a buffer of its own to
/// such a field does not compile.  It reads as the const char* it holds.
class IwName {
 public:
  constexpr IwName() = default;
  constexpr IwName(std::nullptr_t) {}
  constexpr operator const char*() const { return text_; }
  constexpr const char* c_str() const { return text_; }

 private:
  friend IwName iwmkname(const char* text);
  friend IwName iwkeptname(const char* text);
  friend struct IwNameForTests;  // tests/iwtesting.h: texts no reader would make
  constexpr explicit IwName(const char* text) : text_(text) {}
  const char* text_ = nullptr;
};

/// One interned name.
struct IwNameEntry {
  const char* text;   // upper-case copy
  IwNameEntry* next;  // next entry of the bucket: older, or greater once the bucket is sorted
};

/// Bucket of text for a table of size buckets: h = h * 10 + c over the
/// characters, lower-case letters taken as upper case and bytes of 128
/// and above as negative values, 32-bit arithmetic, then h mod size.
int iwhash(const char* text, int size);

/// The interned copy of text (null taken as ""); text should be upper case
/// (the copy is upper-cased, the comparisons use text as given).
IwName iwmkname(const char* text);

/// A name for a text whose keeper promises what iwmkname guarantees: one
/// copy per distinct text, never moved or freed while the design is
/// written (the annotation table keeps its values so, in their own case).
/// Debug builds check the promise: a text met at two addresses, or an
/// address holding two texts, is an assertion failure.
IwName iwkeptname(const char* text);

/// Forgets the name table; the memory stays with the data pool.
void iwdelnames();

/// Prints the bucket distribution and totals to standard output.
void iwnamestats();
