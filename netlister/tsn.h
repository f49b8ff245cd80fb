// netlister/tsn.h - placeholder until the run sequence lands.
#pragma once
[[noreturn]] void tsnmain(int argc, char** argv);
