// netlister/tsnload.h - design loading: the wirelist database session,
// message routes, levels, the top group and the variable files.
#pragma once

struct IwGrp;
struct outdata;
struct wirdata;

/// Opens the database, routes its messages, assembles the top group;
/// null when the design cannot be loaded.
IwGrp* lbldcon(outdata* out, const char* design);

/// Initialises the variable store and reads the variable files; 0, or 1
/// when the store cannot be initialised.
int linitparms(const char* design, const char* varfile, wirdata* wd);
