// util/rkpinlist.h - joining signal names into one bus-name list.
//
// The inverse of bus expansion for a sequence of signals: the list is
// built one signal per call, and a run of signals that differ only by
// consecutive values of their last number ("D3", "D4", "D5") is written
// as one subscripted piece ("D[3:5]"), ascending or descending, keeping
// zero padding ("A08", "A09", "A10" is "A[08:10]").  Pieces are joined by
// ",".  Expanding the list (util/rkbus.h, with "," among the separators)
// yields the signals back in the order they were given.  A signal that
// cannot take part in a run (no number, brackets or separators in its
// text, a number beyond the subscript limits) is written as it is.
//
// The list lives in one buffer of this module; passing back the text the
// previous call returned lets a run grow in place, so joining n signals
// costs time linear in the length of the result.  Any other text is taken
// as the start of the list and copied.  Not reentrant.
#pragma once

/// Appends signal to the list joined (the previous result, any other
/// text, or null for an empty list) and returns the new list, valid until
/// the next call.  A kind other than "NC" starts an empty list with "kind;",
/// the form SIGNAL attributes carry.  An empty or null signal leaves the
/// list as it is.  All three arguments null releases the buffer; null.
const char* rkMergePinToSigAtt(const char* signal, const char* kind, const char* joined);
