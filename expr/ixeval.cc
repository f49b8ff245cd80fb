// expr/ixeval.cc - the expression evaluator; see ixeval.h.
//
// There is no tokenizer and no grammar: a text is split at the operator
// that binds loosest, both sides are evaluated recursively and combined.
// Among operators of equal strength, "*", "/", "+", "-" and "#" split at
// the last one (so chains evaluate left to right) and comparisons and
// logical operators at the first.  An opening parenthesis is a unary
// identity operator whose operand is everything after it; the closing
// parenthesis is swallowed by the constant that ends the operand.
// Constants are recognised by a small character-class state machine; a
// text it rejects is simply a string, which is why a plain word such as
// ABC evaluates to itself.
//
// Attribute values come from design files, so any text must be safe.  The
// recursion depth is bounded by the text length (each split leaves a
// strictly shorter text, and texts are under 512 characters); matching a
// parenthesis scans forward without recursing.
//
// Behaviour chosen where the rules above leave a gap:
//  - An expression text of 512 characters or more is refused with -2
//    ("Expression too long"); the destination receives the text unchanged,
//    cut to the destination size.
//  - Comparisons and arithmetic that mix strings with numbers give -4
//    ("Illegal operand types"), as do operations on boolean or character
//    operands beyond these: booleans take part in "&&", "||", "==", "!="
//    and unary "!"; both kinds pass unary "(" and "+" unchanged.
//  - A constant or an integer result outside the 32-bit range of the value
//    area becomes a real number instead of wrapping (a 32-bit conversion
//    of it differs from the double, the same test that tells reals from
//    integers).
//  - A real value that is not finite (an overflowing constant or result)
//    gives -4 ("Illegal operand types"), like a division by zero.
//  - A destination size of 0 or less returns -2 and writes nothing: such
//    a buffer has no byte that could hold the terminator.
//  - Output formats are validated when set (one conversion that matches
//    the value's type), so a bad format can never read a wrong argument.
#include "expr/ixeval.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "util/rkmem.h"
#include "util/rkstr.h"

using expr::kIxMaxFormat;
using expr::kIxValueSize;

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::size_t kMaxText = kIxValueSize - 1;

constexpr int code(IxType t) { return static_cast<int>(t); }

// --- output formats --------------------------------------------------------

// The argument type a validated format consumes.
enum class ArgKind { kBad, kInt, kLong, kLongLong, kDouble, kLongDouble };

struct IxFormat {
  char text[kIxMaxFormat + 1];  // the printf format
  ArgKind kind;                 // what its one conversion reads
};

// Process-wide state of the evaluator: the three output formats.
struct IxState {
  IxFormat integer{"%ld", ArgKind::kLong};      // type 3
  IxFormat real{"%f", ArgKind::kDouble};        // type 5
  IxFormat scientific{"%e", ArgKind::kDouble};  // type 7
  unsigned long formats = 0;                    // changes of the formats so far
};
IxState ix;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Skips at most three digits; false when a fourth follows.
bool skipNumber(const char*& p) {
  for (int i = 0; isDigit(*p); ++p, ++i)
    if (i == 3) return false;
  return true;
}

// What the format's single conversion reads, or kBad when it has more than
// one conversion, one that does not suit the value (integral or not), or
// parts we cannot check ("*", "$", "n").  A format without a conversion
// prints itself; the argument passed then goes unused, which is harmless.
ArgKind formatKind(const char* f, bool integral) {
  ArgKind kind = integral ? ArgKind::kInt : ArgKind::kDouble;
  bool seen = false;
  for (const char* p = f; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    if (seen) return ArgKind::kBad;
    seen = true;
    while (*p && std::strchr("-+ #0", *p)) ++p;
    if (!skipNumber(p)) return ArgKind::kBad;
    if (*p == '.') {
      ++p;
      if (!skipNumber(p)) return ArgKind::kBad;
    }
    const char* mod = p;
    while (*p == 'h' || *p == 'l' || *p == 'L') ++p;
    std::string_view m(mod, static_cast<std::size_t>(p - mod));
    if (*p == '\0') return ArgKind::kBad;
    if (integral) {
      if (!std::strchr("diouxX", *p)) return ArgKind::kBad;
      if (m.empty() || m == "h" || m == "hh") {
        kind = ArgKind::kInt;
      } else if (m == "l") {
        kind = ArgKind::kLong;
      } else if (m == "ll") {
        kind = ArgKind::kLongLong;
      } else {
        return ArgKind::kBad;
      }
    } else {
      if (!std::strchr("fFeEgGaA", *p)) return ArgKind::kBad;
      if (m.empty() || m == "l") {
        kind = ArgKind::kDouble;
      } else if (m == "L") {
        kind = ArgKind::kLongDouble;
      } else {
        return ArgKind::kBad;
      }
    }
  }
  return kind;
}

// The formats are run-time strings, validated by formatKind when set.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void writeInteger(char* dst, std::size_t size, const IxFormat& f, std::int32_t v) {
  switch (f.kind) {
    case ArgKind::kInt:
      std::snprintf(dst, size, f.text, static_cast<int>(v));
      break;
    case ArgKind::kLong:
      std::snprintf(dst, size, f.text, static_cast<long>(v));
      break;
    case ArgKind::kLongLong:
      std::snprintf(dst, size, f.text, static_cast<long long>(v));
      break;
    case ArgKind::kDouble:
    case ArgKind::kLongDouble:
    case ArgKind::kBad:
      dst[0] = '\0';
      break;  // never stored for integers
  }
}

void writeReal(char* dst, std::size_t size, const IxFormat& f, double v) {
  switch (f.kind) {
    case ArgKind::kDouble:
      std::snprintf(dst, size, f.text, v);
      break;
    case ArgKind::kLongDouble:
      std::snprintf(dst, size, f.text, static_cast<long double>(v));
      break;
    case ArgKind::kInt:
    case ArgKind::kLong:
    case ArgKind::kLongLong:
    case ArgKind::kBad:
      dst[0] = '\0';
      break;  // never stored for reals
  }
}
#pragma GCC diagnostic pop

// --- node values -----------------------------------------------------------

std::int32_t intOf(const IxNode* n) {
  std::int32_t v;
  std::memcpy(&v, n->value, sizeof v);
  return v;
}

double realOf(const IxNode* n) {
  double v;
  std::memcpy(&v, n->value, sizeof v);
  return v;
}

int setInt(IxNode* n, IxType t, std::int32_t v) {
  n->type = t;
  std::memcpy(n->value, &v, sizeof v);
  return code(t);
}

// Every real value passes here: constants, arithmetic results and signs.
// One that is not finite (1e308*10, or inf-inf) is error -4, as 1/0 is,
// so "inf" or "nan" never reaches a netlist as a value.
int setReal(IxNode* n, IxType t, double v) {
  if (!std::isfinite(v)) {
    n->type = IxType::kIllegalOperands;
    n->value[0] = '\0';
    return code(n->type);
  }
  n->type = t;
  std::memcpy(n->value, &v, sizeof v);
  return code(t);
}

// Stores len characters of s as text; callers keep len below the value
// area, the cut here only guards the area itself.  s may lie inside n.
int setText(IxNode* n, IxType t, const char* s, std::size_t len) {
  if (len > kMaxText) len = kMaxText;
  n->type = t;
  std::memmove(n->value, s, len);
  n->value[len] = '\0';
  return code(t);
}

int setError(IxNode* n, IxType t) {
  n->type = t;
  n->value[0] = '\0';
  return code(t);
}

bool isNumber(IxType t) {
  return t == IxType::kInteger || t == IxType::kReal || t == IxType::kScientific;
}
bool isNumberOrBool(IxType t) { return isNumber(t) || t == IxType::kBoolean; }
bool isIntLike(IxType t) { return t == IxType::kInteger || t == IxType::kBoolean; }

// The numeric view of a number or boolean.
double numOf(const IxNode* n) {
  return isIntLike(n->type) ? static_cast<double>(intOf(n)) : realOf(n);
}

// Stores an arithmetic result.  An integer result is truncated toward zero
// (7/2 is 3); one that does not fit 32 bits is kept as a real.
int setNumber(IxNode* n, IxType t, double v) {
  if (t == IxType::kInteger) {
    double whole = std::trunc(v);
    if (whole >= -2147483648.0 && whole <= 2147483647.0)
      return setInt(n, t, static_cast<std::int32_t>(whole));
    t = IxType::kReal;
  }
  return setReal(n, t, v);
}

// The text of a string or number as "#" joins it, into buf (kIxValueSize
// bytes); false for booleans and characters.
bool asText(const IxNode* n, char* buf) {
  switch (n->type) {
    case IxType::kString:
      rkStrncpyNullTerm(buf, n->value, kIxValueSize);
      return true;
    case IxType::kInteger:
      std::snprintf(buf, kIxValueSize, "%ld", static_cast<long>(intOf(n)));
      return true;
    case IxType::kReal:
      std::snprintf(buf, kIxValueSize, "%lg", realOf(n));
      return true;
    case IxType::kScientific:
      std::snprintf(buf, kIxValueSize, "%le", realOf(n));
      return true;
    default:
      return false;
  }
}

struct NodeFree {
  void operator()(IxNode* n) const { ixfree(n); }
};
using NodePtr = std::unique_ptr<IxNode, NodeFree>;

NodePtr textNode(const char* s, std::size_t len) {
  NodePtr n(ixalloc());
  if (n) setText(n.get(), IxType::kText, s, len);
  return n;
}

// --- operators -------------------------------------------------------------

int strength(char c) {
  switch (c) {
    case '(':
      return 1000;
    case '*':
    case '/':
      return 700;
    case '+':
    case '-':
      return 600;
    case '#':
      return 550;
    case '!':
    case '<':
    case '=':
    case '>':
      return 500;
    case '&':
    case '|':
      return 400;
    default:
      return -1;
  }
}

// Where a text splits.
struct Split {
  IxType error = IxType::kText;  // a negative code when the scan failed
  std::size_t start = 0;         // first non-blank position
  std::size_t pos = kNone;       // first character of the operator, or kNone
  std::size_t len = 0;           // operator length, 1 or 2
};

// Finds the operator that binds loosest in t[0, n).
Split findOperator(const char* t, std::size_t n) {
  Split s;
  while (s.start < n && isBlank(t[s.start])) ++s.start;
  int best = -1;
  for (std::size_t i = s.start; i < n; ++i) {
    char c = t[i];
    if (c == '"') {
      const void* close = std::memchr(t + i + 1, '"', n - i - 1);
      if (!close) {
        s.error = IxType::kMismatchedQuotes;
        return s;
      }
      i = static_cast<std::size_t>(static_cast<const char*>(close) - t);
      continue;
    }
    int st = strength(c);
    if (st < 0) continue;
    // The sign of an exponent, as in 1.5E-3, belongs to its constant.
    if ((c == '+' || c == '-') && i > 0 && (t[i - 1] == 'E' || t[i - 1] == 'e')) continue;
    // Equal strength above 500 moves the split right, so that "*", "/",
    // "+", "-" and "#" chains evaluate left to right.
    if (s.pos == kNone || st < best || (st == best && best > 500)) {
      s.pos = i;
      best = st;
    }
    if (c == '(') {
      // Operators inside the parentheses belong to the unary "(" operand.
      int depth = 1;
      std::size_t k = i + 1;
      for (; k < n; ++k) {
        if (t[k] == '(') {
          ++depth;
        } else if (t[k] == ')' && --depth == 0) {
          break;
        }
      }
      if (k >= n) {
        s.error = IxType::kMismatchedParens;
        return s;
      }
      i = k;
    }
  }
  if (s.pos == kNone) return s;

  std::size_t p = s.pos;
  char c = t[p];
  char next = p + 1 < n ? t[p + 1] : '\0';
  s.len = 1;
  switch (c) {
    case '!':
    case '<':
    case '>':
      if (next == '=') s.len = 2;
      break;
    case '&':
    case '=':
    case '|':
      if (next != c) {
        s.error = IxType::kUndefinedOperator;
        return s;
      }
      s.len = 2;
      break;
    case '+':
    case '-':
      // In 2*-3 the "-" is the sign of the right operand of "*".
      if (p > 0 && (t[p - 1] == '*' || t[p - 1] == '/')) {
        s.pos = --p;
        c = t[p];
      }
      break;
    default:
      break;
  }
  if (c == '*' || c == '/' || c == '#' || c == '+' || c == '-') {
    char after = p + 1 < n ? t[p + 1] : '\0';
    if (after != '-' && after != '+' && after != '(' && !isBlank(after) && strength(after) >= 0)
      s.error = IxType::kUndefinedOperator;
  }
  return s;
}

// --- constants -------------------------------------------------------------

enum class Cs { kStart, kInt, kIntEnded, kReal, kRealEnded, kString, kStringClosed, kInvalid };

// A blank or ")" ends a number; elsewhere it changes nothing.
Cs ended(Cs s) {
  if (s == Cs::kInt) return Cs::kIntEnded;
  if (s == Cs::kReal) return Cs::kRealEnded;
  return s;
}

Cs step(Cs s, char c) {
  if (s == Cs::kString) {
    if (c == '"') return Cs::kStringClosed;
    return (c == '+' || c == '-') ? Cs::kInvalid : Cs::kString;
  }
  if (isDigit(c)) {
    if (s == Cs::kStart || s == Cs::kInt) return Cs::kInt;
    return s == Cs::kReal ? Cs::kReal : Cs::kInvalid;
  }
  switch (c) {
    case '.':
      return (s == Cs::kStart || s == Cs::kInt) ? Cs::kReal : Cs::kInvalid;
    case 'E':
    case 'e':
      return (s == Cs::kInt || s == Cs::kReal) ? Cs::kReal : Cs::kInvalid;
    case '+':
    case '-':
      return s == Cs::kReal ? Cs::kReal : Cs::kInvalid;
    case ' ':
    case '\t':
      return ended(s);
    case ')':
      return s == Cs::kStart ? Cs::kInvalid : ended(s);
    case '"':
      return s == Cs::kStart ? Cs::kString : Cs::kInvalid;
    default:
      return Cs::kInvalid;
  }
}

// atol limited to the 32-bit value area: out-of-range values clamp, so
// they differ from atof and the constant becomes a real.
std::int32_t atol32(const char* t) {
  long v = std::strtol(t, nullptr, 10);
  if (v > 2147483647L) return 2147483647;
  if (v < -2147483647L - 1) return -2147483647 - 1;
  return static_cast<std::int32_t>(v);
}

// Turns the text src[0, len) into its constant value in out (src may lie
// inside out).
int makeConstant(IxNode* out, const char* src, std::size_t len) {
  char t[kIxValueSize];
  if (len > kMaxText) len = kMaxText;
  std::memcpy(t, src, len);
  t[len] = '\0';

  Cs s = Cs::kStart;
  for (std::size_t i = 0; i < len && s != Cs::kInvalid; ++i) s = step(s, t[i]);
  if (s == Cs::kInvalid || s == Cs::kString || s == Cs::kStart)
    return setText(out, IxType::kString, t, len);

  std::size_t b = 0;
  while (isBlank(t[b])) ++b;
  if (t[b] == '"') {
    const char* from = t + b + 1;
    const char* close = std::strchr(from, '"');
    return setText(out, IxType::kString, from,
                   close ? static_cast<std::size_t>(close - from) : std::strlen(from));
  }

  double f = std::strtod(t, nullptr);
  std::int32_t l = atol32(t);
  std::size_t d = b;
  while (isDigit(t[d])) ++d;
  if (static_cast<double>(l) != f || t[d] == '.' || t[d] == 'E' || t[d] == 'e')
    return setReal(out, std::strpbrk(t, "Ee") ? IxType::kScientific : IxType::kReal, f);
  for (std::size_t i = 0; i < len; ++i)
    if (!isDigit(t[i]) && !isBlank(t[i]) && t[i] != '.' && t[i] != ')')
      return setError(out, IxType::kUndefinedOperator);
  return setInt(out, IxType::kInteger, l);
}

// --- evaluation ------------------------------------------------------------

// Evaluates a node in place and returns its type.  Recursion depth is at
// most the text length: every operand is a strictly shorter text.
int evaluate(IxNode* node) {
  if (node->type != IxType::kText) return code(node->type);
  node->value[kMaxText] = '\0';
  const char* t = node->value;
  std::size_t n = std::strlen(t);

  Split s = findOperator(t, n);
  if (s.error != IxType::kText) return setError(node, s.error);
  if (s.pos == kNone) return makeConstant(node, t, n);

  char op[3] = {};
  std::memcpy(op, t + s.pos, s.len);
  std::size_t after = s.pos + s.len;
  if (s.pos == s.start) {
    NodePtr operand = textNode(t + after, n - after);
    if (!operand) return setError(node, IxType::kTooLong);
    evaluate(operand.get());
    ixunary(op, operand.get());
    *node = *operand;
  } else {
    NodePtr left = textNode(t, s.pos);
    NodePtr right = textNode(t + after, n - after);
    if (!left || !right) return setError(node, IxType::kTooLong);
    evaluate(right.get());
    evaluate(left.get());
    ixbinary(left.get(), op, right.get());
    *node = *left;
  }
  return code(node->type);
}

// Quoted text aside, every ")" must close an earlier "(" and every "("
// must be closed.
bool parensBalanced(const char* t) {
  bool quoted = false;
  int depth = 0;
  for (; *t && depth >= 0; ++t) {
    if (*t == '"') {
      quoted = !quoted;
    } else if (!quoted && *t == '(') {
      ++depth;
    } else if (!quoted && *t == ')') {
      --depth;
    }
  }
  return depth == 0;
}

}  // namespace

int ixevaluate(char* dst, const char* text, int size) {
  if (!dst || size <= 0) return code(IxType::kTooLong);
  std::size_t sz = static_cast<std::size_t>(size);
  if (!text) text = "";
  std::size_t n = strnlen(text, kIxValueSize);
  if (n > kMaxText) {
    rkStrncpyNullTerm(dst, text, sz);
    return code(IxType::kTooLong);
  }
  if (!parensBalanced(text)) {
    dst[sz - 1] = '\0';
    return code(IxType::kMismatchedParens);
  }
  NodePtr node = textNode(text, n);
  if (!node) {
    rkStrncpyNullTerm(dst, text, sz);
    return code(IxType::kTooLong);
  }
  int type = evaluate(node.get());
  switch (node->type) {
    case IxType::kBoolean:
      std::snprintf(dst, sz, "%d", intOf(node.get()) != 0 ? 1 : 0);
      break;
    case IxType::kCharacter:
      std::snprintf(dst, sz, "%c", node->value[0]);
      break;
    case IxType::kInteger:
      writeInteger(dst, sz, ix.integer, intOf(node.get()));
      break;
    case IxType::kString:
      rkStrncpyNullTerm(dst, node->value, sz);
      break;
    case IxType::kReal:
      writeReal(dst, sz, ix.real, realOf(node.get()));
      break;
    case IxType::kScientific:
      writeReal(dst, sz, ix.scientific, realOf(node.get()));
      break;
    case IxType::kIllegalConstant:
    case IxType::kMismatchedQuotes:
    case IxType::kMismatchedParens:
    case IxType::kIllegalOperands:
    case IxType::kUndefinedOperator:
    case IxType::kTooLong:
    case IxType::kAllocated:
    case IxType::kText:
      rkStrncpyNullTerm(dst, text, sz);
      break;
  }
  dst[sz - 1] = '\0';
  return type;
}

const char* ixgetmsg(int c) {
  switch (static_cast<IxType>(c)) {
    case IxType::kIllegalConstant:
      return "Illegal constant";
    case IxType::kMismatchedQuotes:
      return "Mismatched quotations";
    case IxType::kMismatchedParens:
      return "Mismatched parenthesis";
    case IxType::kIllegalOperands:
      return "Illegal operand types";
    case IxType::kUndefinedOperator:
      return "Undefined operator";
    case IxType::kTooLong:
      return "Expression too long";
    case IxType::kBoolean:
      return "Boolean result";
    case IxType::kCharacter:
      return "Character result";
    case IxType::kInteger:
      return "Integer result";
    case IxType::kString:
      return "String result";
    case IxType::kReal:
      return "Real number result";
    case IxType::kScientific:
      return "Scientific notation result";
    case IxType::kAllocated:
    case IxType::kText:
      break;
  }
  return "Error of undefined type";
}

void ixformat(int type, const char* format) {
  if (!format || strnlen(format, kIxMaxFormat + 1) > kIxMaxFormat) return;
  IxFormat* f = nullptr;
  if (type == code(IxType::kInteger)) {
    f = &ix.integer;
  } else if (type == code(IxType::kReal)) {
    f = &ix.real;
  } else if (type == code(IxType::kScientific)) {
    f = &ix.scientific;
  } else {
    return;
  }
  ArgKind kind = formatKind(format, type == code(IxType::kInteger));
  if (kind == ArgKind::kBad) return;
  rkStrncpyNullTerm(f->text, format, sizeof f->text);
  f->kind = kind;
  ++ix.formats;
}

void ixreset() {
  unsigned long formats = ix.formats + 1;
  ix = IxState{};
  ix.formats = formats;
}

unsigned long ixformatstamp() { return ix.formats; }

IxNode* ixalloc() {
  void* p = rkMemMalloc(sizeof(IxNode), "Ndx:ixalloc()");
  return p ? new (p) IxNode : nullptr;
}

void ixfree(IxNode* node) { rkMemFree(node); }

IxNode* ixclassify(const IxNode* node, const char* mode) {
  if (!node || !mode || node->type != IxType::kText || mode[0] == '\0' || mode[1] != '\0')
    return nullptr;
  const char* t = node->value;
  std::size_t n = strnlen(t, kMaxText);
  Split s = findOperator(t, n);
  if (s.error != IxType::kText) {
    IxNode* e = ixalloc();
    if (e) setError(e, s.error);
    return e;
  }
  std::size_t after = s.pos == kNone ? n : s.pos + s.len;
  switch (mode[0]) {
    case 'o':
      return s.pos == kNone ? nullptr : textNode(t + s.pos, s.len).release();
    case '2':
      if (s.pos == kNone || s.pos == s.start) return nullptr;
      return textNode(t + after, n - after).release();
    case '1':
      if (s.pos == kNone) {
        IxNode* c = ixalloc();
        if (c) makeConstant(c, t, n);
        return c;
      }
      if (s.pos == s.start) return textNode(t + after, n - after).release();
      return textNode(t, s.pos).release();
    default:
      return nullptr;
  }
}

int ixbinary(IxNode* left, const char* op, const IxNode* right) {
  if (!left) return code(IxType::kUndefinedOperator);
  if (!right || !op || code(left->type) < 1 || code(right->type) < 1)
    return setError(left, IxType::kUndefinedOperator);
  IxType lt = left->type;
  IxType rt = right->type;
  std::string_view o(op);

  if (o == "+" || o == "-" || o == "*" || o == "/") {
    if (!isNumber(lt) || !isNumber(rt)) return setError(left, IxType::kIllegalOperands);
    double a = numOf(left);
    double b = numOf(right);
    if (o == "/" && b == 0.0) return setError(left, IxType::kIllegalOperands);
    double r = o == "+" ? a + b : o == "-" ? a - b : o == "*" ? a * b : a / b;
    // Integer < real < scientific: the wider type of the two wins.
    IxType t = code(lt) > code(rt) ? lt : rt;
    return setNumber(left, t, r);
  }

  if (o == "&&" || o == "||") {
    if (!isNumberOrBool(lt) || !isNumberOrBool(rt)) return setError(left, IxType::kIllegalOperands);
    bool a = numOf(left) != 0.0;
    bool b = numOf(right) != 0.0;
    return setInt(left, IxType::kBoolean, o == "&&" ? (a && b) : (a || b));
  }

  if (o == "<" || o == "<=" || o == ">" || o == ">=") {
    bool r;
    // Booleans take part by their integer value, as in "==" and "&&": a
    // chain such as 1<2<3 compares 1 with the boolean of 2<3.
    if (isNumberOrBool(lt) && isNumberOrBool(rt)) {
      // Written so that an unordered pair (NaN) compares false.
      double a = numOf(left);
      double b = numOf(right);
      r = o == "<" ? a < b : o == "<=" ? a <= b : o == ">" ? a > b : a >= b;
    } else if (lt == IxType::kString && rt == IxType::kString) {
      int c = rkStrIcmp(left->value, right->value);
      r = o == "<" ? c < 0 : o == "<=" ? c <= 0 : o == ">" ? c > 0 : c >= 0;
    } else {
      return setError(left, IxType::kIllegalOperands);
    }
    return setInt(left, IxType::kBoolean, r);
  }

  if (o == "==" || o == "!=") {
    bool eq = o == "==";
    std::int32_t r;
    if (isIntLike(lt) && isIntLike(rt)) {
      r = (intOf(left) == intOf(right)) == eq;
    } else if (isNumberOrBool(lt) && isNumberOrBool(rt)) {
      r = (numOf(left) == numOf(right)) == eq;
    } else if (lt == IxType::kString && rt == IxType::kString) {
      // "!=" keeps the comparison value itself: nonzero, not necessarily
      // 1, when the strings differ.  The result text is still 1 or 0.
      int c = rkStrIcmp(left->value, right->value);
      r = eq ? (c == 0) : c;
    } else {
      return setError(left, IxType::kIllegalOperands);
    }
    return setInt(left, IxType::kBoolean, r);
  }

  if (o == "#") {
    char a[kIxValueSize];
    char b[kIxValueSize];
    if (!asText(left, a) || !asText(right, b)) return setError(left, IxType::kIllegalOperands);
    std::size_t la = std::strlen(a);
    std::size_t lb = std::strlen(b);
    if (la + lb > kMaxText) return setError(left, IxType::kTooLong);
    std::memcpy(a + la, b, lb + 1);
    return setText(left, IxType::kString, a, la + lb);
  }

  return setError(left, IxType::kUndefinedOperator);
}

int ixunary(const char* op, IxNode* operand) {
  if (!operand) return code(IxType::kUndefinedOperator);
  if (!op || code(operand->type) < 1) return setError(operand, IxType::kUndefinedOperator);
  IxType t = operand->type;
  std::string_view o(op);

  if (o == "(" || o == "+") return code(t);
  if (o == "-") {
    if (t == IxType::kInteger) return setNumber(operand, t, -static_cast<double>(intOf(operand)));
    if (t == IxType::kReal || t == IxType::kScientific)
      return setReal(operand, t, -realOf(operand));
    return setError(operand, IxType::kIllegalOperands);
  }
  if (o == "!") {
    if (!isNumberOrBool(t)) return setError(operand, IxType::kIllegalOperands);
    return setInt(operand, IxType::kBoolean, numOf(operand) == 0.0);
  }
  if (o == "#") {
    if (t == IxType::kString) return code(t);
    char buf[kIxValueSize];
    if (!asText(operand, buf)) return setError(operand, IxType::kIllegalOperands);
    return setText(operand, IxType::kString, buf, std::strlen(buf));
  }
  return setError(operand, IxType::kUndefinedOperator);
}

int ixepriority(const char* op) { return op ? strength(op[0]) : -1; }
