// wirelist/iwtable.h - the keyed tables of the wirelist database.
//
// Three kinds of symbol tables find records by name: the one group table
// of the database (group name -> group), one net table per group (net
// name -> net) and one component table per sheet (display name at the
// time of storing -> component).  They are rkSym string tables of 2003
// slots (a net table 20011 when asked for a big one) that grow with load
// 2.0 and factor 2.0, so their walk order is the one of util/rksym.h.
// Keys are the interned names themselves, so the tables copy nothing.
//
// Each table is made on its first store and hung on its owner; a fetch
// from a missing table yields null.
#pragma once

#include "wirelist/iwobj.h"

struct RkSymTable;

/// Makes the group table of the database (replacing none) and returns it.
RkSymTable* create_grp_table();
/// Destroys the group table; the groups stay.
void destroy_grp_table();
/// Stores group under its name, making the table on first use.
void store_grp(IwGrp* group);
/// Removes the entry of name; returns its group or null.
IwGrp* remove_grp(const char* name);
/// The group stored under name, or null.
IwGrp* fetch_grp(const char* name);

/// A new net table: 2003 slots, 20011 when big is non-null.
RkSymTable* create_net_table(const void* big);
/// Destroys the net table of group; the nets stay.
void destroy_net_table(IwGrp* group);
/// Stores net in group's net table under its name.
void store_net(IwGrp* group, IwNet* net);
/// Removes name from group's net table; returns its net or null.
IwNet* remove_net(IwGrp* group, const char* name);
/// The net of group stored under name, or null.
IwNet* fetch_net(const IwGrp* group, const char* name);

/// A new component table of 2003 slots.
RkSymTable* create_com_table();
/// Destroys the component table of sheet; the components stay.
void destroy_com_table(IwSch* sheet);
/// Stores component in sheet's table under its display name (igcomnam).
void store_com(IwSch* sheet, IwCom* component);
/// Removes name from sheet's table; returns its component or null.
IwCom* remove_com(IwSch* sheet, const char* name);
/// The component of sheet stored under name, or null.
IwCom* fetch_com(const IwSch* sheet, const char* name);

/// The component stored under name in the table of any sheet of group,
/// first sheet first, or null.
IwCom* fetch_grp_com(const IwGrp* group, const char* name);
/// The group of that name (name is upper-cased in place) from the group
/// table, unless its symbol type is 4 (PLDCOMP); null otherwise.
IwGrp* iwgrpref(char* name);

/// The first group of the reference list named exactly name, whatever its
/// type; null if none.
IwGrp* iwgengrpref(const char* name);
