// netlister/tsn.h - the run record and the run sequence.
//
// One run per process: main hands the arguments to tsnmain, which shows
// the banner, fills the run record from the command line, opens the files
// and loads the design (tsn_init), writes the netlist and the summary
// (tsn_do_netlist), runs the external netlisters and ends through tsn_exit,
// the one exit path (exit code 0 for a completed run, 3 for every early
// end).  Every netlister module reads and writes the run record through the
// global pointer w.
#pragma once

#include <cstdint>

struct outdata;
struct IwGrp;
struct SpawnDirective;
struct SpawnRequest;

/// Output types of the netlist (and of the log stream).
inline constexpr int LONG_TSN_FILE = 0;
inline constexpr int SHORT_TSN_FILE = 1;
inline constexpr int WIR_FILE = 2;
inline constexpr int LOG_FILE = 4;

/// Attribute filter modes (tsn.ini "filter" / "include").
inline constexpr int ATTR_FILTER = 51;
inline constexpr int ATTR_INCLUDE = 52;

/// Level usage (tsn.ini "Level_usage").
inline constexpr int LEVEL_UNION = 61;
inline constexpr int LEVEL_OVERRIDE = 62;

/// Analog component filter (tsn.ini "Analog_comp_filter").
inline constexpr int ANALOG_FILTER_ON = 71;
inline constexpr int ANALOG_FILTER_OFF = 72;

/// Program identification written in the banner and the file headers.
inline constexpr const char* kTsnProgram = "ORMET WIRELISTER";
inline constexpr const char* kTsnProgramWir = "ORMET_WIRELISTER";
inline constexpr const char* kTsnVersion = "5.3.1";
inline constexpr const char* kTsnAdProgram = "Ormet/AD Netlister";
inline constexpr const char* kTsnAdProgramWir = "Ormet_AD_Netlister";

/// One back-annotation file name given with -d, in command-line order.
struct DtbName {
  DtbName* next;  // next name, or null
  char* name;     // the name as given (lalloc'd)
};

/// First-in first-out queue of back-annotation file names.
struct DtbQueue {
  DtbName* head;  // first name to read
  DtbName* tail;  // last name added
};

/// The run record: every setting, both streams, the summary counters.
struct wirdata {
  outdata* out = nullptr;                  // 1  the netlist stream
  IwGrp* tgroup = nullptr;                 // 2  the design's top group
  char* projname = nullptr;                // 3  design name, no directory or extension
  char* filename = nullptr;                // 4  output base name, lower case
  char* varfile = nullptr;                 // 5  base name given with -v
  DtbQueue* dtbq = nullptr;                // 6  -d file names, created on first use
  int32_t filetype = LONG_TSN_FILE;        // 7  output type
  int32_t do_fsim = 0;                     // 8  -t: fault-simulation records
  int32_t oats = 0;                        // 9  -o: apply occurrence attributes
  int32_t debug = 0;                       // 10 -x: flush always, free all at exit
  int32_t exeflag = 1;                     // 11 -e: 1 progress lines, 2 notes in netlist
  int32_t attr_filter = ATTR_FILTER;       // 12 tsn.ini filter/include
  int32_t level_usage = LEVEL_UNION;       // 13 tsn.ini Level_usage
  int32_t analog_filter = ANALOG_FILTER_ON;  // 14 tsn.ini Analog_comp_filter
  int32_t nmodules = 0;                    // 15 bottom-level component occurrences
  int32_t comps_done = 0;                  // 16 progress counter, component passes
  int32_t comp_step = 0;                   // 17 progress interval, component passes
  int32_t net_occurrences = 0;             // 18 nets met by the net walk
  int32_t nets_done = 0;                   // 19 progress counter, net passes
  int32_t net_step = 0;                    // 20 progress interval, net passes
  int32_t nnets = 0;                       // 21 distinct nets
  int32_t gnet_occurrences = 0;            // 22 global nets met by the net walk
  int32_t gnets = 0;                       // 23 distinct global nets of the database
  int32_t nequivs = 0;                     // 24 equivalence records written
  int32_t ndelay_blocks = 0;               // 25 delay blocks added
  int32_t nanalog_omitted = 0;             // 26 components dropped by the analog filter
  int32_t np2p = 0;                        // 27 point-to-point delay modules
  int32_t ndtb_comps = 0;                  // 28 annotated component entries read
  int32_t ndtb_nets = 0;                   // 29 annotated net entries read
  int32_t ndtb_pins = 0;                   // 30 annotated pin entries read
  int32_t nwarnings = 0;                   // 31 messages shown beginning with "Warning"
  int32_t nerrors = 0;                     // 32 messages shown beginning with "Error"
  int32_t delay_flag = 0;                  // 33 symbol written had a DELAY (flattened output)
  SpawnDirective* spawn_directives = nullptr;  // 34 SPAWN directives of tsn.ini
  SpawnRequest* spawn_requests = nullptr;      // 35 external-netlister requests
  outdata* log = nullptr;                  // 36 the log stream
};

/// The run record of this process (null before tsn_data_init and after
/// the debug clean-up).
extern wirdata* w;

/// The run sequence; ends the process through tsn_exit.
[[noreturn]] void tsnmain(int argc, char** argv);

/// Allocates the run record with its initial values and stores it in w.
wirdata* tsn_data_init();

/// Reads the arguments into the run record; ends the run with the usage
/// text and exit code 3 on any error.
void tsn_cmdline(int argc, char** argv);

/// Opens the files, loads the design, reads back-annotation; returns 0 or
/// ends the run with exit code 3.
int tsn_init();

/// Writes the netlist body and the summary; returns 0.
int tsn_do_netlist();

/// Closes everything (frees everything in debug mode) and ends the process.
[[noreturn]] void tsn_exit(int code);

/// Closes both streams and frees the record.
void lfree_wirdata(wirdata* wd);

/// Fills the element counts of the summary (fields 15 to 23).
void tsn_count_elements(wirdata* wd);

// Setters: each stores one field of the run record.
void tsn_set_projname(const char* name);
char* tsn_set_filename(const char* name);  // lower-cases its copy, returns it
void tsn_set_varfile(const char* name);
void tsn_set_dtbname(const char* name);  // copies and appends to the queue
void tsn_set_filetype(int type);
void tsn_set_filetype_long();
void tsn_set_filetype_short();
void tsn_set_filetype_wir();
void tsn_set_do_fsim(int flag);
void tsn_set_oats(int flag);
void tsn_set_debugflag(int value);
void tsn_set_exeflag(int value);

/// The design's top group (field 2).
IwGrp* tsn_tgroup();

// Hooks of the analog/digital variant; in this digital-only program each
// returns 0 and does nothing.
const char* hal_version();
int hal_data_init();
int hal_a2d_d2a_insert();
int hal_callanalog();
