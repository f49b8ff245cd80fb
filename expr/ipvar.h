// expr/ipvar.h - variables: definition files, the scoped store and
// substitution into attribute values.
//
// An attribute value may refer to a variable: "@DELAY*2".  A reference is
// an "@" outside double quotes, at the start of the text or after a
// character that is not a letter, digit, "@" or "_", together with the
// longest following run of letters, digits, "@" and "_".  ipexpand
// replaces every reference by the variable's value (substituted in turn)
// and ipevaluate then evaluates the result as an expression (ixeval.h).
//
// Variables come from ".var" files (ipincfile), from the attributes of the
// top group's symbols (ipinit) and from the attributes of the component
// occurrences on the path being written (iaaddpatt, one level per
// occurrence).  The store has 100 levels: 0 for files and the top group,
// 1 to 98 for the hierarchy, 99 for global definitions.  A look-up tries
// three parts of the store in the search order (global, hierarchy from the
// innermost level out, level 0 by default); the first hit wins.  At one
// level the first definition of a name stays; a different second one is
// refused with code 3.
//
// The store keeps the name and value pointers it is given: attribute
// strings are interned for the life of the process, and the copies of file
// lines stay until ipfinfile, which also withdraws their definitions.
//
// Status codes (ipgetmsg gives their texts): 0 success, 1 no level left to
// open, 2 no level left to close, 3 conflicting definition (for a file: a
// line not accepted), 4 undefined variable, 5 substituted text too long,
// 6 a variable definition (ipvardef), 7 a text with a reference (ipvarref),
// 8 recursive reference, 9 definition without a name, 10 variable file not
// found, 11 store not initialised.  Negative codes are expression errors.
#pragma once

#include <cstddef>

struct IwAtt;
struct IwGrp;

/// Status codes of the variable store.
enum class IpCode : int {
  kOk = 0,               // success
  kNoLevelUp = 1,        // ippushlev at the highest hierarchy level
  kNoLevelDown = 2,      // ippoplev at the lowest hierarchy level
  kConflict = 3,         // defined at this level with another value; a file line not accepted
  kUndefined = 4,        // reference to an undefined variable
  kTooLong = 5,          // substituted text too long
  kVarDef = 6,           // ipvardef: the name is a variable definition
  kVarRef = 7,           // ipvarref: the text holds a reference
  kRecursive = 8,        // a variable refers to itself, directly or not
  kNoName = 9,           // definition without a name
  kNoFile = 10,          // variable file not found
  kNotInitialised = 11,  // the store does not exist
};

// --- the store --------------------------------------------------------------

/// Clears any previous store, creates it with current level 0 and defines
/// the variables among the attributes of each symbol of group (null: none),
/// in symbol order, stopping at the first failure.  Returns 0 or its code.
int ipinit(IwGrp* group);

/// Frees the file definitions, the scratch pool and every level; the store
/// no longer exists.  Closes the message catalog ipgetmsg opened.
void ipfinish();

/// Reads "<base>.var" (plain path, library file, working directories) and
/// defines each "@NAME = value" line ("@@NAME" for a global).  Returns 0,
/// 3 when a line was not accepted (the others stay defined), 10 when no
/// file was found, 11 without a store.
int ipincfile(const char* base);

/// Frees the copies of file lines and withdraws the definitions made from
/// them.
void ipfinfile();

/// Defines name (kept as given, "@" included) with value (null: empty) at
/// the current level.  0 when defined or already defined with the same
/// value, 3 when defined with another value (the first stays), 9 for a
/// null name, 11 without a store.
int ipadddef(const char* name, const char* value);

/// ipadddef of the attribute's name and value when its name is a variable
/// definition (ipvardef); else 0.  Null gives 0.
int ipaddatt(const IwAtt* att);

/// ipaddatt of each attribute of list in order; returns the first non-zero
/// code (the rest of the list is not visited), else 0.
int ipaddlist(const IwAtt* list);

/// 11 when the store does not exist, else ipaddatt(att).
int iaaddpatt(const IwAtt* att);

/// Removes every definition of the current level.
void ipdelvardefs();

/// Opens the next level: 0, or 1 (level unchanged) at level 98 or above.
int ippushlev();

/// Closes the current level: 0, or 2 (level unchanged) at level 1 or below.
int ippoplev();

/// The value of name in the search order, or null when undefined.
const char* ipgetvar(const char* name);

/// Sets the search order: three slot codes, tried in order (0 nothing,
/// 1 global level, 2 hierarchy levels, 3 level 0; others count as 0).
void ipsetsord(int first, int second, int third);

/// Direction of the hierarchy search: 5 from the current level down to
/// level 1 (innermost wins), any other value from level 1 up.
void ipsetsdir(int direction);

/// While no hierarchy level holds a definition, a number that stays the
/// same exactly as long as ipevaluate gives the same result for the same
/// text (same definitions, search order and output formats); 0 while some
/// hierarchy level holds one.  Lets a caller keep evaluated values.
unsigned long ipevalstamp();

// --- references and substitution ------------------------------------------

/// 6 when name begins with "@" and is not a system attribute (@DATETIME,
/// @NAME, @SHEET, @XYCOORD), else 0.
int ipvardef(const char* name);

/// 7 when text holds a variable reference, else 0.
int ipvarref(const char* text);

/// Substitutes every reference of text into dst (size bytes).  Returns 0;
/// 4 when a reference is undefined (its text is kept); 8 when a variable
/// refers back to one being expanded (substitution stops there); 5 when
/// the result reaches size or exceeds 1023 characters (dst is then made
/// empty).  With codes 0, 4 and 8 dst holds the result.
int ipexpand(char* dst, const char* text, int size);

/// Substitutes text (when it holds a reference) and evaluates it as an
/// expression into dst (size bytes).  Returns 0 (also for a null or empty
/// text, dst empty), a substitution code with the partly substituted text
/// in dst, or a negative expression code.
int ipevaluate(char* dst, const char* text, int size);

/// The text of a code: for 0 and above a short phrase from the database's
/// catalog (message 334 + code, without its severity prefix), for negative
/// codes the expression evaluator's text.  Valid until the next call.
const char* ipgetmsg(int code);

// --- expansion guard: the names being expanded at the moment -------------

/// Starts an empty guard.
void iprecinit();
/// Adds name; 1 when it was there already, else 0.
int iprecadd(const char* name);
/// 1 when name is in the guard, else 0.
int iprecsea(const char* name);
/// Removes name; 1 when it was not there, else 0.
int iprecdel(const char* name);
/// Empties the guard.
void iprecfin();

// --- scratch buffers ----------------------------------------------------------

/// A buffer of exactly size bytes, reusing a free one of that size; its
/// first and last bytes are 0.
char* ipqkalloc(std::size_t size);
/// Marks a buffer from ipqkalloc free again; null is ignored.
void ipqkfree(char* buffer);
/// Releases every scratch buffer.
void ipqkpurge();

/// ipfinish, then default search order and direction and level 0, so
/// tests start fresh.
void ipreset();
