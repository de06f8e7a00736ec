// The persisted definition file: the binary form of one MIB definition that
// the agent loads at start-up (written by the definition tool's build). A
// header of counts, then the groups with their attributes, the tables with
// theirs, the traps, the trap variables and the walk order, each record of a
// fixed size; the table record has a Linux and a Windows layout. CParseINI's
// persistINI and persistINIWithLayout read and write it (parsepersist.cpp).
#ifndef KORVO_PARSEPERSIST_H
#define KORVO_PARSEPERSIST_H

// Largest count the persisted definition file can hold (three digits).
const int MAX_PERSISTED_COUNT = 999;

// Table record layouts of the persisted definition file.
const int TABLE_LAYOUT_LINUX = 0;   // 176-byte table record
const int TABLE_LAYOUT_WINDOWS = 1; // 172-byte table record
#ifdef _WIN32
const int TABLE_LAYOUT_NATIVE = TABLE_LAYOUT_WINDOWS;
#else
const int TABLE_LAYOUT_NATIVE = TABLE_LAYOUT_LINUX;
#endif

// What reading a persisted definition file found, beyond the store itself.
struct PersistReport {
    bool bOpened;        // the file could be opened
    bool bShort;         // the file ended before its counts were satisfied
    bool bBadCount;      // a header count outside 0 to 999: nothing loaded
    bool bTrailingBytes; // bytes follow the last record
    bool bBadField;      // a text without terminator or a key count above 3
                         // (cut on loading)
};

#endif // KORVO_PARSEPERSIST_H
