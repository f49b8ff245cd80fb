/* Temporary: replaced by the catalog source with the message texts. */
#define TSN_MSG_CANT_CREATE 503 /* "Error: Cannot create the file %s." */
#define TSN_MSG_DESC_LONG 504 /* "Long-format netlist of design %s." */
#define TSN_MSG_DESC_SHORT 505 /* "Short-format netlist of design %s." */
#define TSN_MSG_DESC_WIR 506 /* "Flattened wirelist of design %s." */
#define TSN_MSG_DESC_FSIM 507 /* "Fault simulation netlist of design %s." */
