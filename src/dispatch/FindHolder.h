// The holder registry: the table of loaded storage libraries, one entry per
// library index, each with its OID prefix, its bound holder export and a cache
// of the holders obtained from it.
#ifndef KORVO_FINDHOLDER_H
#define KORVO_FINDHOLDER_H

#include "StorageLib.h"
#include "TrapDestination.h"
#include "platform/snmptype.h"

// Capacities of the registry's texts, terminating NUL included.
const int HOLDER_CLASSNAME_SIZE = 24; // class names of at most 23 characters
const int OID_PREFIX_TEXT_SIZE = 24;  // prefixes of at most 23 characters
const int HOLDER_CACHE_SLOTS = 20;    // classes cached per library

// One slot of the holder cache. A slot whose holder is null counts as free.
struct HolderNamePtrPair {
    char Classname[HOLDER_CLASSNAME_SIZE] = {};
    CBaseHolder* p_mCBaseHolder = nullptr; // owned by the library
};

// One library entry. A constructed entry is all zero.
struct MIB_DC {
    AsnObjectIdentifier MibOidPrefix = {0, nullptr}; // the prefix as numbers
    char pszOIDPrefix[OID_PREFIX_TEXT_SIZE] = {};    // dotted text, no trailing dot
    HolderNamePtrPair holdrarr[HOLDER_CACHE_SLOTS];  // filled from slot 0 upward
    InitFunc m_pholder = nullptr;                    // the library's getObjectHolderByName_c
#ifdef _WIN32
    HMODULE handle = nullptr; // from LoadLibrary
#else
    void* handle = nullptr; // from dlopen
    // Destinations in use, or TRAP_DESTINATIONS_UNREADABLE (-1) if the file failed.
    int nClientIPCount = 0;
    CLIENT_IP ClientIPList[CLIENT_IP_LIST_SIZE]; // trap destinations
#endif
};

// The library entries: g_noOfDLL of them, indexed by library index. Writer:
// agent initialisation (the daemon's SnmpExtensionInit on the main thread,
// the Windows SnmpExtensionInit), which fills each entry before it starts the
// library's events; released by UnloadLibraries at the Windows close (the
// daemon keeps them until it ends). Afterwards, per request, getHolder fills
// the holder cache (the request path: the daemon's main thread or its AgentX
// thread, one at a time; the Windows query), and the daemon's main thread
// replaces the trap destinations after SIGHUP under MyMutex. Readers: the
// request path; the event callbacks on the libraries' threads (the daemon's
// ExecTrap under MyMutex, the Windows trap assembly); the AgentX start on the
// main thread (the prefixes it registers).
extern int g_noOfDLL;
extern MIB_DC* g_pMIB_DC;

// The holder of a class of the library whose prefix text equals szOIDPrefix.
// Holders are asked from the library on first use and cached; a class the
// library refused stays cached as null. Null when no entry has the prefix,
// when the cache holds 20 other classes, or when the class name is longer
// than 23 characters.
CBaseHolder* getHolder(const char* szClassName, const char* szOIDPrefix);

// getIDForOIDPrefixASNForOID: no library entry covers the text.
const int NO_LIBRARY_ENTRY = -1;

// The index of the first library entry whose prefix covers the dotted OID
// text: the prefix is a leading part of the text and is followed there by "."
// or by the end of the text. Entries without a bound holder export (their
// library did not load) are passed over. NO_LIBRARY_ENTRY when none does.
int getIDForOIDPrefixASNForOID(const char* pszOID);

#endif // KORVO_FINDHOLDER_H
