// wirelist/iwinit.h - start-up and settings of the wirelist database.
//
// iwinit opens the session once per process: message routes, the message
// catalog "nodex", the project store with the project's initialization
// file (drafta.ini: its library declarations for the store, the OATS key
// for the occurrence attributes), the occurrence-attribute table and the
// library list.  The client then picks the bottom levels, bus expansion
// and time checking before loading a design.
//
// Until iwinit has run, the operations that need it print
// "Error: the iwinit() routine must be called before <NAME>." on standard
// error (iwinidone).
#pragma once

struct IwAtt;

/// 1 when the database is ready (also when it already was), 0 on failure;
/// a failure is explained by messages and ends with message 421.
int iwinit();

/// The database version, "5.3.1".
const char* iwversion();

/// Replaces the initialization file name (empty or null is ignored).
void iwsetini(const char* name);

/// Sets a second directory to look for the initialization file in (empty
/// or null is ignored).
void iwsrchmsg(const char* directory);

/// Replaces the catalog name (when not empty) and opens the catalog; 1.
/// A catalog that cannot be opened raises the utility library's error.
int iwopenmsg(const char* name);

/// Adds a bottom level (stored in upper case); null empties the list.
void iwsetlevel(const char* name);

/// The value of the first LEVEL attribute of the list equal (exactly) to
/// one of the bottom levels, else null.
const char* iwgetlevel(IwAtt* attributes);

/// Turn bus expansion, time checking and re-caching over; each returns
/// the new setting.
int iwexpbus();
int iwchktime();
int iwrecache();

/// Asks the store to cache all libraries with flag (0 or 1): 1, or 0 and
/// message 499 when the store refuses.
int iwenablecache(int flag);

/// 1 when iwinit has run; else prints the "must be called before" line
/// with name and returns 0.
int iwinidone(const char* name);

/// 1 switches the writability check (i_check_writable) off, 0 on; any
/// other value leaves it as it is.  Returns the setting.
int iwnochk_writable(int flag);
