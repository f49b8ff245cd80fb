// netlister/tsndtb.h - back-annotation files and the annotation of the
// occurrence being written.
//
// Back-annotation attaches attributes to component, net and pin
// occurrences by their hierarchical names.  While the netlist is written,
// the record writers load the annotation of the occurrence at hand
// (tsnLoadCom, tsnLoadNet, tsnLoadPin) and iterate its attributes through
// tsngcossat, tsngcospat and tsngnetatt, which return the annotated
// attributes first and then the design's own, hiding those of the same
// name.  Loading a component also opens one variable scope per occurrence
// on its path, so attribute values evaluate in the occurrence's scope.
#pragma once

struct IwAtt;
struct IwCom;
struct IwNet;
struct IwPin;
struct TsnContext;

/// Reads a back-annotation file; 0 after reading, 1 when nothing was read.
int readDtbFile(const char* name, const char* prefix);

/// Annotated attribute lists by hierarchical name, or null; a hit marks the
/// entry as referenced.
IwAtt* getDtbCompAtts(const char* name);
IwAtt* getDtbNetAtts(const char* name);
IwAtt* getDtbPinAtts(const char* name);

/// Reports back-annotation entries that matched nothing.
void unrefDtbs();

/// Writes the annotation table to dtb.out (debug mode).
void printDtbStructures();

/// Does nothing: the table lives until the process ends.
void dtbFree();

/// Opens the variable scopes of the component's path and makes its
/// annotation current; tsnUnloadCom closes them again.
void tsnLoadCom(TsnContext* context, IwCom* com);
void tsnUnloadCom(TsnContext* context);

/// Whether loading the component inside a block (context not null) would
/// open only empty scopes: no annotation, and no variable defined by it or
/// by any occurrence on its path.  Values then evaluate alike without it.
bool tsnScopesEmpty(TsnContext* context, IwCom* com);
/// The same in two parts: the path's scopes, and the component's own
/// variable definitions.
bool tsnPathScopesEmpty(TsnContext* context);
bool tsnDefinesVariables(IwCom* com);

/// Makes the annotation of the net (and of its aliases) current.
void tsnLoadNet(TsnContext* context, IwNet* net);
void tsnUnloadNet();

/// Makes the annotation of the pin, or of the first pin above it that has
/// one, current.
void tsnLoadPin(TsnContext* context, IwPin* pin);
void tsnUnloadPin();

/// Attribute iteration of an occurrence: annotated attributes first, then
/// the design's own (with occurrence attributes) that are not annotated.
IwAtt* tsngcossat(TsnContext* context, IwCom* com, IwAtt* previous);
IwAtt* tsngcospat(TsnContext* context, IwPin* pin, IwAtt* previous);
IwAtt* tsngnetatt(TsnContext* context, IwNet* net, IwAtt* previous);

/// 1 when every occurrence's attribute iteration is the design's own list
/// (no back-annotation table, no occurrence attributes), so what is
/// derived from it may be kept per component; else 0.
int tsnPlainAtts();

/// The pin occurrence's attribute named exactly name, or null.
IwAtt* tsnfcospat(const char* name, TsnContext* context, IwPin* pin);
