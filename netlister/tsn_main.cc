// netlister/tsn_main.cc - program entry: hands the arguments to the run
// sequence, which ends the process itself.
#include "netlister/tsn.h"

int main(int argc, char** argv) {
  tsnmain(argc, argv);
  return 3;  // not reached: tsnmain ends through tsn_exit
}
