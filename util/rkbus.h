// util/rkbus.h - bus-name expansion.
//
// A net or pin name may stand for many signals: DATA[0:3] is DATA0, DATA1,
// DATA2, DATA3, and {CLK,RST}2 repeats a list twice.  rkBusExpand hands out
// one signal name per call, rkBusExpandWidth counts them, rkBusExpandSubset
// tests containment and rkBusExpandFrame checks the brackets of a name.
//
// Calling protocol: start with a null state and call rkBusExpand with the
// same name and buffer until it returns null; every non-null return leaves
// one name in the buffer.  A null return with status 0 is the normal end,
// any other status an error.  The state frees itself when it returns null;
// a caller that stops early calls rkBusExpandFree.  The state points into
// the caller's name, which must stay unchanged until then.
//
// Every call sets the one process-wide status (rkBusExpandStatus); this
// module never prints.
#pragma once

/// Status codes of rkBusExpandStatus.
inline constexpr int RKBUS_OK = 0;         // no error
inline constexpr int RKBUS_BRACKETS = 1;   // "[" inside a subscript, "[" or "{" never closed
inline constexpr int RKBUS_ILLEGAL = 2;    // illegal subscript character or radix letter
inline constexpr int RKBUS_MALFORMED = 3;  // empty or extra field, text after radix, bad count
inline constexpr int RKBUS_DIGIT = 4;      // not a digit of the radix
inline constexpr int RKBUS_RANGE = 5;      // value, field length or width too large
inline constexpr int RKBUS_ZEROSTEP = 6;   // a step of 0
inline constexpr int RKBUS_NULLARG = 7;    // a null argument
inline constexpr int RKBUS_OVERFLOW = 8;   // a name does not fit the caller's buffer

/// Iterator state of one expansion (opaque).
struct RkBusState;

/// The state for the next call with the next name of name in buf (at most
/// size-1 characters and a terminator), or null at the end or on error.
RkBusState* rkBusExpand(RkBusState* state, const char* name, char* buf, int size);

/// Frees a state that the caller abandons before the end; null is ignored.
void rkBusExpandFree(RkBusState* state);

/// An independent copy of state positioned at the same name; null (status 7)
/// for a null state.
RkBusState* rkBusExpandCopy(const RkBusState* state);

/// Number of names the expansion of name yields; 0 on error or above 65535.
int rkBusExpandWidth(const char* name);

/// 1 when name is one plain signal that expands to itself alone: not
/// empty, no brackets, no braces, no separator.  A 1 sets status 0, as
/// the complete expansion would; a 0 leaves the status as it was.
int rkBusExpandPlain(const char* name);

/// 1 when every name of b's expansion is among the names of a's, else 0.
int rkBusExpandSubset(const char* a, const char* b);

/// 1 (status 1) as soon as an item holds a "[" that does not open a
/// subscript; otherwise 0, with status 1 when some subscript held a "[" or
/// was left open.
int rkBusExpandFrame(const char* name);

/// Sets the list-separator characters (at most 19 kept); null keeps the
/// set and gives status 7.
void rkBusExpandRepsep(const char* separators);

/// The status of the last call.
int rkBusExpandStatus();

/// Restores the separator set "," and status 0 (for tests).
void rkBusExpandReset();
