// wirelist/iwacc.h - accessors of the wirelist records.
//
// Small functions by family: ig get, ia add or set.  All accept null and
// then return null.  The adders create the owner from the free lists when
// it is null.
#pragma once

#include "wirelist/iwobj.h"

/// The display name of a component: its LABEL value, else its instance name.
const char* igcomnam(const IwCom* component);

/// Adds net to group: the net's group becomes group, the net goes to the
/// head of the net list (last-net set when the list was empty) and into
/// the net table.  Returns the group.
IwGrp* iagrpnet(IwGrp* group, IwNet* net);

/// Adds symbol to group: the first symbol stays first, a later one goes
/// after it before the first later symbol of a greater number (or last).
/// Returns the group.
IwGrp* iagrpsym(IwGrp* group, IwSym* symbol);
