// netlister/tsnwalk.h - levels, hierarchy contexts, walkers and
// hierarchical names.
//
// The netlister flattens the design without copying it: the walkers
// descend the top group recursively and keep the path of component
// instances passed through as a context (innermost first; null is the top
// group).  A hierarchical component is written as one module when one of
// its LEVEL attributes names a level the user asked for.  Names are built
// in four static 1024-byte slots (nets, components, pins, pin numbers);
// a result stays valid until the next call writing the same slot.
#pragma once

#include <cstddef>
#include <string_view>

struct IwAtt;
struct IwCom;
struct IwGrp;
struct IwNet;
struct IwPin;
struct IwSym;

/// One cell of a hierarchy context.
struct TsnContext {
  TsnContext* next;  // the context one level up
  IwCom* com;        // the component instance at this level
};

using TsnNetFn = void (*)(TsnContext* context, IwNet* net, void* data);
using TsnComFn = void (*)(int kind, TsnContext* context, IwCom* com, void* data);
using TsnPinFn = void (*)(TsnContext* context, IwPin* pin, void* data);

// --- levels --------------------------------------------------------------

/// Appends a copy of name unless it is listed (ignoring case); returns the
/// stored copy, or the argument when nothing was added.
const char* tsn_addlevel(const char* name);

/// The first level (prev null) or the one after the stored string prev.
const char* tsn_getlevel(const char* prev);

/// The component's LEVEL attributes: its own, then its symbol's (always in
/// union mode; in override mode only when it has none of its own).
IwAtt* tsn_comlevel(IwCom* com, IwAtt* prev);

/// 1 when the component is written as one module, 0 when descended into.
int tsn_atbottom(IwCom* com);

/// Fault-simulation design levels with use counts.
const char* fsim_add_design_level(const char* name);
int fsim_push_level(const char* name);
int fsim_pop_level(const char* name);
const char* fsim_get_curlevel(const char* prev);

/// Frees the level list and the design-level list.
void tsn_free_levels();

// --- contexts ------------------------------------------------------------

void tsn_push_cntxt(TsnContext** context, IwCom* com);

/// tsn_push_cntxt for a walk that descends into com's group; a hierarchy
/// deeper than any name can express ends the run with the label-length
/// error.
void tsn_descend(TsnContext** context, IwCom* com);
IwCom* tsn_pop_cntxt(TsnContext** context);
IwCom* tsn_get_cntxt_comp(TsnContext* context);
TsnContext* tsn_get_cntxt_next(TsnContext* context);
TsnContext* tsn_make_reverse_cntxt(TsnContext* context);
TsnContext* tsn_copy_cntxt(TsnContext* context);
void tsn_free_cntxt(TsnContext* context);
void tsn_purge_cntxt();

// --- walkers -------------------------------------------------------------

/// Calls fn once per net at its highest occurrence.
void tsn_walknet(IwGrp* group, TsnContext* context, TsnNetFn fn, void* data);

/// Calls fn(2) before and fn(1) after each descent, fn(0) per bottom-level
/// component; ends the run on an unsupported symbol type.
void tsn_walkcomp(IwGrp* group, TsnContext* context, TsnComFn fn, void* data);

/// Decides whether it has done a group's part of a component walk itself.
using TsnGroupFn = bool (*)(IwGrp* group, TsnContext* context, void* data);

/// As tsn_walkcomp, but every group met below the top is first offered to
/// whole (with the context it is met in): when whole returns true it has
/// done that group's part of the walk, and the walk goes on after it.
void tsn_walkcomp_groups(IwGrp* group, TsnContext* context, TsnComFn fn, TsnGroupFn whole,
                         void* data);

/// Calls fn for every bottom-level pin reachable downward from the net.
void tsn_walkpins(IwNet* net, TsnContext* context, TsnPinFn fn, void* data);

IwNet* tsn_get_upnet(TsnContext* context, IwNet* net);
/// Whether a symbol pin of the net's group is bound to the net, so that
/// at some occurrence it may continue one level up; a net that is not
/// ends at its own level everywhere.
bool tsn_net_is_port(IwNet* net);
/// How many pins of the symbol are bound to net.
int tsn_symbol_ties(const IwSym* sym, const IwNet* net);
IwPin* tsn_get_uppin(TsnContext* context, IwPin* pin);

// --- names -----------------------------------------------------------------

/// Prefixes the local name in buf with the context path; ends the run when
/// the result does not fit.
char* hiername(TsnContext* context, char* buf, std::size_t size, int mode);

const char* lgnet(TsnContext* context, IwNet* net, int type, int mode);
const char* lgcomp(TsnContext* context, IwCom* com, int mode);
/// The path that prefixes local names in context ("B1\\S2\\"; empty at
/// the top), valid until the next name is formed.
std::string_view lgpath(TsnContext* context, int mode);

const char* lgpin(TsnContext* context, IwPin* pin, int mode);
const char* lgpin_number_format(TsnContext* context, IwPin* pin);

/// Bounded copy; the unused room, or -1 when cut or size < 1.
int lstrncpy(char* dst, const char* src, int size);

/// 1 when the component has no PREFIX attribute.
int tsn_is_dgtl_component(IwCom* com);
