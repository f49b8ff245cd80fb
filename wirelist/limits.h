// wirelist/limits.h - fixed sizes of the wirelist database.
//
// Bucket and slot counts fix the order in which names and table entries
// are walked and reported; the buffer sizes fix where tokens are cut.
#pragma once

#include <cstddef>

namespace iw {

/// Buckets of the interned-name table; each is a list sorted by bytes.
inline constexpr int kNameBuckets = 10061;

/// Buckets of a named set (inaddmem and friends).
inline constexpr int kNameSetBuckets = 117;

/// Size of the reader's token buffer: a token keeps at most 16384
/// characters, the rest of it is dropped.
inline constexpr std::size_t kTokenBuffer = 16385;

/// Most characters a token keeps; the rest of it is dropped (message 347).
inline constexpr std::size_t kMaxTokenChars = kTokenBuffer - 1;

/// Attribute name buffer of the readers: a name of this many characters
/// or more is refused (message 411).
inline constexpr std::size_t kAttNameBuffer = 256;

/// Attribute value buffer of the readers: values keep at most 16383
/// characters.
inline constexpr std::size_t kAttValueBuffer = 16384;

/// Buffer of one signal name produced by bus expansion in the readers; a
/// longer signal name is a bus-name error (status 8, message 249).
inline constexpr int kBitNameBuffer = 256;

/// Buffer of one NET_ALIAS value signal, expanded beside the net's signals.
inline constexpr int kAliasBitBuffer = 16384;

/// Most characters of the net name of an "AN" record.
inline constexpr std::size_t kNetNameChars = 255;

/// Most pins a symbol can have: its pin count is a 16-bit number.  A
/// PINORDER with more elements keeps the first ones (message 273), and
/// pin numbers above it name no pin.
inline constexpr int kMaxPins = 32767;

/// Most sheets a group can have: sheet numbers are 16-bit.  Reading
/// stops before sheet 32768 with message 349.
inline constexpr int kMaxSheets = 32767;

/// Longest line of a symbol file; the rest of a longer line is dropped.
inline constexpr std::size_t kSymLineChars = 16383;

/// Longest text of a pin-order file; lines beyond it are not read
/// (message 347).
inline constexpr std::size_t kPinOrderChars = 16384;

/// Initial slots of the group table and of each sheet's component table.
inline constexpr int kGroupTableSlots = 2003;
inline constexpr int kComTableSlots = 2003;

/// Initial slots of a group's net table, and of a large one.
inline constexpr int kNetTableSlots = 2003;
inline constexpr int kBigNetTableSlots = 20011;

/// Growth of the keyed tables: grow when 2 * slots < entries, to about
/// 2 * entries slots.
inline constexpr double kTableLoad = 2.0;
inline constexpr double kTableGrowth = 2.0;

/// Block size of the data pool that holds every record the readers make.
inline constexpr std::size_t kDataBlockSize = 8192;

/// Pool requests are rounded up to this many bytes.
inline constexpr std::size_t kPoolAlign = 8;

/// A pool request is tried against at most this many of the newest blocks
/// before a new block is taken (older blocks are nearly always full).
inline constexpr int kPoolSearchBlocks = 4;

/// Lanes of a pool: records of the hot types (nets, components, attributes,
/// pin arrays) each fill blocks of their own, so that walking them touches
/// the fewest pages and lines.  Lane 0 is everything else.
inline constexpr int kPoolLanes = 5;
inline constexpr int kLaneNets = 1;
inline constexpr int kLaneComs = 2;
inline constexpr int kLaneAtts = 3;
inline constexpr int kLanePins = 4;

/// Free lists of pin arrays: one per pin count 0..18, one for the rest.
inline constexpr int kPinFreeLists = 20;

/// Bytes of each of the two buffers a message is formatted into; a longer
/// message is cut.
inline constexpr std::size_t kMsgBuffer = 16384;

/// Longest status line text; longer texts are cut, and padding never goes
/// past it.
inline constexpr std::size_t kStatusText = 256;

/// Longest line of the initialization file that is read; the rest of a
/// longer line is dropped.
inline constexpr std::size_t kIniLine = 255;

/// Longest path or file name the file look-up handles (a path buffer of
/// the store, the NUL included).
inline constexpr std::size_t kFileName = 256;

/// Longest line of a wirelist looked at by the pin-order scan; the rest
/// of a longer line is skipped.
inline constexpr std::size_t kScanLine = 512;

/// Work buffer of the group reader for a group name: names keep at most
/// 255 characters, longer ones are cut.
inline constexpr std::size_t kGroupNameBuffer = 256;

/// A name of this many characters or more fails the name check of the
/// consistency checker (message 494).
inline constexpr std::size_t kNameLimit = 256;

/// Longest pin-order text the wirelist writer puts into a PINORDER
/// record; a symbol whose pin names need more cannot be written (message
/// 488).
inline constexpr std::size_t kWritePinOrderChars = 16384;

/// Longest line of a wlib edit script: room for a command with three
/// names of 255 characters and a value of 16383; a longer line is refused
/// (and nothing of the script is saved).
inline constexpr std::size_t kScriptLineChars = 20000;

/// Longest attribute value an edit script may set: the longest the
/// wirelist reader reads back whole.
inline constexpr std::size_t kScriptValueChars = kAttValueBuffer - 1;

/// Buckets of the occurrence-attribute table.
inline constexpr int kOatBuckets = 731;

/// Longest occurrence path: the netlister's hierarchical names live in
/// 1024-byte buffers, so a longer path names no occurrence.  A longer path
/// in an occurrence-attribute file, or met by the design walk (a design
/// that places itself), is result 8 and ends the loading.
inline constexpr std::size_t kOatPathChars = 1023;

/// Longest occurrence-attribute file name, its library prefix included; a
/// longer one is result 4.
inline constexpr std::size_t kOatNameChars = 545;

}  // namespace iw
