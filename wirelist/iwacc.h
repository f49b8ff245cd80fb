// wirelist/iwacc.h - accessors and iterators of the wirelist records.
//
// Clients do not walk the records of wirelist/iwobj.h by hand; they use
// these small functions, named by family and two object words:
//   ig get / iterate, if find by name, ia add or set, id delete, in named
//   sets; grp group, sch sheet, sym symbol, spn symbol pin, com component,
//   pin pin, net net, att attribute; and for pins cnx (next connection of
//   the same component), nnx (next pin on the same net), own (owner).
// Every accessor accepts null and then returns null (or 0).  The adders
// create their first argument from the free lists when it is null.
//
// Two iterators keep global state (igcossat, igcospat: whether they are
// still in the object's own list), so only one of each may run at a time.
// Pin arrays are walked by address: pin k+1 follows pin k, and the head
// (element 0) holds the owning component.  A walk never passes the pin
// count of the component's symbol nor the size the array was made with.
#pragma once

#include "wirelist/iwobj.h"

// --- getters and iterators (ig) ----------------------------------------------

/// The display name of a component: its LABEL value, else its instance name.
const char* igcomnam(const IwCom* component);

/// Pin 1 of the component, or null when its symbol has no pins.
IwPin* igcompin(const IwCom* component);

/// The next pin of the same component, or null after the last one.
IwPin* igpincnx(const IwPin* pin);

/// The component that owns pin.
IwCom* igpinown(const IwPin* pin);

/// The symbol pin at the same position in the component's symbol, or null.
IwSpn* igpinspn(const IwPin* pin);

/// The net of pin (ordinary or global), or null for an unconnected pin.
IwNet* igpinnet(const IwPin* pin);

/// The next pin on the same net, or null when the ring returns to the net.
IwPin* igpinnnx(const IwPin* pin);

/// The first pin on net, or null.
IwPin* ignetpin(const IwNet* net);

/// The symbol pin of the net's group that is tied to net, or null; when
/// symbol is given it receives the group's symbol.
IwSpn* ignetspn(const IwNet* net, IwSym** symbol = nullptr);

/// Components of group across its sheets: null gives the first component
/// of the first sheet that has one; otherwise the next of the same sheet,
/// else the first of the next sheet that has one; null at the end.
IwCom* iggrpcom(const IwGrp* group, const IwCom* component);

/// The component's attributes, then those of its symbol that the
/// component does not override (by name; a SIGNAL only by the text after
/// its ";").  Start with null, then pass the attribute last returned.
IwAtt* igcossat(const IwCom* component, const IwAtt* attribute);

/// The pin's attributes, then those of its symbol pin whose names the pin
/// does not carry.  Start with null, then pass the attribute last returned.
IwAtt* igcospat(const IwPin* pin, const IwAtt* attribute);

/// The group of that name (any case) when its sheet number sheet is loaded
/// and holds at least one component, else null.
IwGrp* iwshdone(const char* name, int sheet);

// --- finders (if) --------------------------------------------------------------

/// The attribute named name (upper-cased for the search) in list, or null.
IwAtt* ifattatt(const char* name, IwAtt* list);

/// The attribute named name, taken as given, in list, or null.
IwAtt* ifupattatt(const char* name, IwAtt* list);

/// The component's attribute named name, else its symbol's, or null.
IwAtt* ifcossat(const char* name, const IwCom* component);

/// The pin's attribute named name, else its symbol pin's, or null.
IwAtt* ifcospat(const char* name, const IwPin* pin);

/// Pin k of the component whose pin 1 is given, or null when k is below 1
/// or above the pin count of the component's symbol.
IwPin* ifpinpin(int k, const IwPin* pin1);

/// The first component from component onward (through its sheet, then the
/// following sheets) whose display name equals name (upper-cased), or null.
IwCom* ifcomcom(const char* name, const IwCom* component);

/// The net named name (upper-cased) of the group net belongs to, or null.
IwNet* ifnetnet(const char* name, const IwNet* net);

/// As ifnetnet with name taken as given.
IwNet* ifupnetnet(const char* name, const IwNet* net);

/// The symbol pin named name (upper-cased) in the list starting at spn.
IwSpn* ifspnspn(const char* name, IwSpn* spn);

/// The symbol with that number in the list starting at symbol, or null.
IwSym* ifsymsym(int number, IwSym* symbol);

/// The first group of the reference list whose name part (after any
/// "LIB:") equals the name part of name, upper-cased; null if none.
IwGrp* ifgrpgrp(const char* name);

/// Null for "?"; else the net named name in the group of the component's
/// symbol, or null.
IwNet* iwnetwnm(const char* name, const IwCom* component);

// --- adders and setters (ia) ----------------------------------------------------

/// list with an attribute name=value (interned) inserted in order, unless
/// an attribute of that name with a value equal ignoring case is there.
IwAtt* iaaddatt(IwAtt* list, const char* name, const char* value);

/// list without attribute; the attribute goes back to its free list.
IwAtt* iadelatt(IwAtt* list, IwAtt* attribute);

/// Sets the interned name of attribute (made when null); the attribute.
IwAtt* iaattnam(IwAtt* attribute, const char* name);

/// Sets the interned value of attribute (made when null); the attribute.
IwAtt* iaattval(IwAtt* attribute, const char* value);

/// Sets the interned name of net (made when null) and files the net under
/// its new name in its group's net table; the net.
IwNet* ianetnam(IwNet* net, const char* name);

/// Puts pin at the head of the net's ring (net made when null); the net.
IwNet* ianetpin(IwNet* net, IwPin* pin);

/// Adds net to group: the net's group becomes group, the net goes to the
/// head of the net list (last-net set when the list was empty) and into
/// the net table.  Returns the group.
IwGrp* iagrpnet(IwGrp* group, IwNet* net);

/// Adds symbol to group: the first symbol stays first, a later one goes
/// after it before the first later symbol of a greater number (or last).
/// Returns the group.
IwGrp* iagrpsym(IwGrp* group, IwSym* symbol);

// --- deleters (id): each returns the element that followed the deleted one --

/// Takes pin out of the net's ring (the ring stays closed); the pin that
/// followed it on the net, or null.
IwPin* idnetpin(IwNet* net, IwPin* pin);

/// Takes spn out of the symbol's pin list, frees it and lowers the pin
/// count by 1; the symbol pin that followed it.
IwSpn* idsymspn(IwSym* symbol, IwSpn* spn);

/// Takes net out of the group's net table and net list (moving the
/// last-net field back when net was last) and frees it; the next net.
IwNet* idgrpnet(IwGrp* group, IwNet* net);

/// Takes attribute out of the net's list and frees it; the next attribute.
IwAtt* idnetatt(IwNet* net, IwAtt* attribute);

// --- named sets (in) ------------------------------------------------------------

/// Adds text to set number set (made when missing), as a copy when copy is
/// 1; no duplicate check.  The stored text, or null for a null text.
const char* inaddmem(int set, const char* text, int copy);

/// The member of set equal to text ignoring case, or null.
const char* insetmem(int set, const char* text);

/// The first member of set in bucket order, or null for an empty or
/// missing set.
const char* inanymem(int set);

/// 1 when the first member equal to text ignoring case was removed (its
/// copy freed), else 0.
int indelmem(int set, const char* text);

/// 1 when the set existed and was freed with its members, else 0.
int indelset(int set);
