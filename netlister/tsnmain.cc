#include <cstdlib>
#include "netlister/tsn.h"
void tsnmain(int, char**) { std::exit(0); }
