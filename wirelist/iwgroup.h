// wirelist/iwgroup.h - loading a whole design, its canonical order, and
// the look-ups that climb from an object to its owner.
//
// A design is a tree of groups.  iwgroup reads the sheets of the top
// group, then, group by group, the sheets of every group that a component
// instantiates, newest reference first (depth first), until no group is
// left to read.  A COMPOSITE group is read from its sheets 1, 2, ... up to
// the first missing one, a PLDCOMP group from one file; a group whose
// symbol has a LEVEL attribute naming an active level is a leaf and is not
// read; MODULE, PIN, PLD and UNKNOWN groups are never read.  Each group is
// read once: the completed list remembers the groups that are done.
// Afterwards the nets of every group and the components of every sheet
// are put in byte order of their names, aliased nets are merged
// (wirelist/iwalias.h) and, with iwcombine_hetero(1), the sections of
// heterogeneous parts are combined (wirelist/iwhetero.h).
//
// Reports: 222 for a missing top sheet (or single file), 226 for a file
// that fails to close, 275 for a missing design name, 499 when the store
// cannot re-cache the libraries, 467 from igspnown, 514 from
// iwcombine_hetero.
#pragma once

#include "wirelist/iwobj.h"

/// Object type code that igobjtyp gives for a null object.
inline constexpr int IW_NULLOBJ = 13;

/// Loads the design below the group name: the top group, or null when
/// the database is not initialised, the name is null (275), the top sheet
/// is missing (222) or any wirelist failed to parse.
IwGrp* iwgroup(const char* name);

/// iwgroup without the passes over the whole design (net aliases,
/// technology attributes, heterogeneous symbols): the design as its files
/// hold it, in canonical order, for tools that check it or write it back.
IwGrp* iwgroupread(const char* name);

/// Reads one file of group name: sheet -1 the single file "<name>.pld",
/// 0 the single file "<name>.wir", 1 and up the wirelist of that sheet.
/// The group the file filled, or null (a missing sheet 1, -1 or 0 is
/// message 222; a failed parse sets the load-error flag).
IwGrp* iwaddsheet(const char* name, int sheet);

/// Names the next group to read in buffer (kGroupNameBuffer bytes, upper
/// case): 1 for a COMPOSITE group, 0 for a PLDCOMP group, -1 (buffer
/// emptied) when none is left.  Leaves met on the way are completed.
int iwnextgroup(char* buffer);

/// Puts group on the completed list (null is ignored).
void iwcomplete(IwGrp* group);

/// 1 when group is on the completed list, else 0.
int iwdone(const IwGrp* group);

/// Empties the completed list.
void iwdonefree();

/// Switches the heterogeneous-symbol pass at the end of iwgroup on (1) or
/// off (0); any other value is message 514.  The setting now in force.
int iwcombine_hetero(int flag);

/// Sorts, for every group iwgetgrp yields, its nets and the components of
/// each of its sheets by name.  The argument is not used.
void sort_groups(void* unused);

/// Sorts the nets of group by name (byte order).
void sort_group_nets(IwGrp* group);

/// Sorts the components of sheet by instance name (byte order).
void sort_sch_comps(IwSch* sheet);

/// Sorts the attribute list of a pin, net, component, sheet, symbol pin or
/// symbol by name, keeping the order of equal names; other objects are
/// left alone.
void sort_obj_atts(void* object);

/// The symbol owning spn (filling in the owners of all symbol pins on
/// the first call), or null; a group without a symbol met on the way is
/// message 467 and null.
IwSym* igspnown(IwSpn* spn);

/// The object carrying att (filling in the owners of all attributes of
/// the design on the first call), or null.
void* igattown(IwAtt* att);

/// The name of an object: a pin's symbol pin name; a component's display
/// name; a sheet's or symbol's group name; the own name of a net, symbol
/// pin, attribute, group or library; null for anything else.
const char* igobjnam(const void* object);

/// The attribute list of a pin, component, sheet, symbol, net or symbol
/// pin; null for anything else.
IwAtt* igobjatt(const void* object);

/// The object's type code, IW_NULLOBJ (13) for null.
int igobjtyp(const void* object);
