// expr/ixeval.h - the expression evaluator.
//
// After variable substitution an attribute value may be an arithmetic,
// comparison, logical or string expression ("@DELAY*2", "\"U\"#@N").
// ixevaluate turns such a text into its result text and reports the
// result's type, or a negative error code; ixgetmsg names either.
//
// Evaluation works by recursive splitting of the text at the operator that
// binds loosest; each piece lives in an expression node (ixalloc/ixfree)
// that holds either unevaluated text or a typed value.  ixclassify,
// ixbinary, ixunary and ixepriority are the individual steps, public so
// that the splitting rules can be exercised on their own.
//
// The only process-wide state is the three output formats (ixformat),
// reset to their defaults by ixreset.
#pragma once

#include <cstdint>

#include "expr/limits.h"

/// Type of an expression node, which is also the result code of
/// ixevaluate: positive values are result types, negative ones errors.
enum class IxType : std::int32_t {
  kIllegalConstant = -7,    // "Illegal constant"
  kMismatchedQuotes = -6,   // "Mismatched quotations"
  kMismatchedParens = -5,   // "Mismatched parenthesis"
  kIllegalOperands = -4,    // "Illegal operand types"
  kUndefinedOperator = -3,  // "Undefined operator"
  kTooLong = -2,            // "Expression too long"
  kAllocated = -1,          // fresh from ixalloc, nothing stored yet
  kText = 0,                // plain text, not yet evaluated
  kBoolean = 1,             // int32 value, 0 or 1 (see ixbinary for "!=")
  kCharacter = 2,           // one char
  kInteger = 3,             // int32 value
  kString = 4,              // NUL-terminated text
  kReal = 5,                // double
  kScientific = 7,          // double, written with an exponent
};

/// An expression node: unevaluated text or one typed value.
struct IxNode {
  IxType type = IxType::kAllocated;                // what value holds
  alignas(8) char value[expr::kIxValueSize] = {};  // text, int32, char or double
};

/// Evaluates text and writes the result text into dst (size bytes); on most
/// errors dst receives text unchanged.  dst is always NUL-terminated at its
/// last byte.  Returns the result type (1 to 7) or a negative error code:
/// -2 for size <= 0 (dst untouched) or a text of 512 characters or more,
/// -5 for unbalanced parentheses (then only dst's last byte is written).
int ixevaluate(char* dst, const char* text, int size);

/// The text of a result or error code; "Error of undefined type" for codes
/// not in the table.
const char* ixgetmsg(int code);

/// Sets the output format of type 3 (integer), 5 (real) or 7 (scientific).
/// Ignores other types, a null format, one longer than 11 characters, and
/// one whose conversion does not fit the type (it must hold at most one
/// conversion: d, i, o, u, x or X for integers, f, F, e, E, g, G, a or A
/// for reals, with flags and a width and precision of at most three digits
/// each, but no "*" and no "$").
void ixformat(int type, const char* format);

/// Restores the default output formats "%ld", "%f" and "%e".
void ixreset();

/// A number that changes whenever ixformat or ixreset may have changed
/// an output format.
unsigned long ixformatstamp();

/// A new node of type -1, or null when memory is exhausted.
IxNode* ixalloc();

/// Releases a node from ixalloc; null is ignored.
void ixfree(IxNode* node);

/// One part of an unevaluated node (type 0), as a new node to be freed
/// with ixfree.  Mode "o": the operator that binds loosest; "1": the text
/// before it, or after it when it stands first (a unary operator), or,
/// without an operator, the text's constant value; "2": the text after a
/// binary operator.  A scanning error comes back as a node of that
/// negative type.  Null when the part does not exist (no operator for
/// "o", no right operand for "2"), for an unknown mode, a node that is not
/// plain text, or when memory is exhausted.
IxNode* ixclassify(const IxNode* node, const char* mode);

/// Applies a two-operand operator ("+", "==", "#", ...) to left and right
/// and stores the result in left; returns left's new type (a negative code
/// when the operands or the operator are not acceptable).
int ixbinary(IxNode* left, const char* op, const IxNode* right);

/// Applies a one-operand operator ("-", "+", "!", "#", "(") to operand in
/// place; returns its new type.
int ixunary(const char* op, IxNode* operand);

/// The binding strength of the operator starting op (higher binds
/// tighter), or -1 when its first character is not an operator.
int ixepriority(const char* op);
