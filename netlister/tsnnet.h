// netlister/tsnnet.h - net-attribute and equivalence records.
#pragma once

#include <cstddef>

struct IwAtt;
struct IwGrp;
struct IwNet;
struct TsnContext;

void lputnet(TsnContext* context, IwNet* net, void* data);

/// The net-attribute and the equivalence records of the whole design:
/// tsn_walknet with lputnet or loutequiv, passing over the nets that can
/// write nothing in bulk.
void lwalkputnets(IwGrp* top);
void lwalkequivs(IwGrp* top);

void loutequiv(TsnContext* context, IwNet* net, void* data);
int ltopequiv(IwGrp* top, void* data);

/// The value text of the attribute (substituted, evaluated, quoted when it
/// holds separators); 0 or an error code of the variable store.
int lgetattr(IwAtt* att, char* buf, std::size_t size);
