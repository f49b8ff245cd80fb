// netlister/tsnndly.h - net delays between named drivers and receivers.
//
// A net entry of a back-annotation file may give delays for single
// driver-to-receiver paths of the net ("W" lines).  After a net's
// attribute records, its entries' end points are looked for among the pins
// of the flattened net: each entry whose driver and receiver are found
// gives one "ND" record naming both by number ("<component> <pin
// number>"); a hierarchical block pin used as an end point is preceded by
// a "PE" record listing the primitive pins behind it.  An end point not
// found is reported as an error and its entry writes nothing.
#pragma once

struct IwNet;
struct TsnContext;

/// The "PE" and "ND" records of the net occurrence's W records (queued by
/// tsnLoadNet for its segments), then the queue is emptied.
void do_multi_driver_net_delays(TsnContext* context, IwNet* net);
