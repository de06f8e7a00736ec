// StorageLib.h: the interface between the SNMP agent and a storage-management
// library.
//
// This is the one header a storage-library vendor compiles against. The agent
// loads the library at run time by file name ("lib" + data source + ".so" on
// Linux, data source + ".dll" on Windows) and binds four plain C exports by
// name:
//
//   InitializeDll            called first; true when the library is ready.
//   getObjectHolderByName_c  called on the first use of a class; returns the
//                            holder of that class, or null.
//   startEventProcessing     called last, once per MIB definition that names
//                            the library, each time with another library index;
//                            from then on the library calls the callback once
//                            per event, on its own thread, with iLibIndex set
//                            to the index given with that callback.
//   readyForUnload           called before the library is unloaded (the
//                            Windows agent calls it; it may be missing).
//
// Attributes are read and written through the holder's virtual operations.
// Instances count from 0; class and attribute names are the names of the MIB
// definition, compared case-sensitively. Holders belong to the library: the
// agent never deletes them.
//
// The layouts below are part of the binary interface. Both the virtual
// operation order of CBaseHolder and the byte offsets of the CEventInfo
// fields the agent reads are fixed per platform and checked at compile time.
#ifndef KORVO_STORAGELIB_H
#define KORVO_STORAGELIB_H

#include <cstddef>

#ifdef _WIN32
#define STORAGELIB_EXPORT __declspec(dllexport)
#else
#define STORAGELIB_EXPORT __attribute__((visibility("default")))
#endif

// Size of the buffer that getStringAttribute receives, terminating NUL
// included.
const int STORAGELIB_STRING_BUFFER_SIZE = 512;

// The holder of one class of storage objects (adapters, drives, ...).
// The agent uses exactly these four virtual operations, in this vtable order;
// a library may add further virtual operations only after them.
class CBaseHolder {
  public:
    // Number of instances of the class (a negative count is taken as none).
    // Instance numbers handed to the operations below run from 0 to the
    // count minus one.
    virtual int getInstanceCount() = 0;

#ifdef _WIN32
    // Windows order: the text read comes before the integer read.
    virtual int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) = 0;
    virtual int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) = 0;
#else
    // Reads an integer attribute of an instance into *piValue.
    // Returns -1 on failure (unknown instance or attribute, not an integer).
    virtual int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) = 0;

    // Reads a text attribute of an instance into pszBuffer, which holds
    // STORAGELIB_STRING_BUFFER_SIZE bytes; the text must be NUL-terminated.
    // Returns -1 on failure.
    virtual int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) = 0;
#endif

    // Writes an integer attribute of an instance. Returns 0 when the value
    // was accepted and kept, anything else when it was refused.
    virtual int setIntAttribute(int iInstance, char* pszAttribute, int iValue) = 0;

  protected:
    // The agent never deletes a holder; the library owns it.
    ~CBaseHolder() = default;
};

// Most arguments one event carries. The Linux agent reads at most 8 of them,
// the Windows agent at most 9.
const int EVENT_MAX_ARGS = 9;

// Capacity of the event's texts, terminating NUL included.
const int EVENT_TEXT_SIZE = 128;

// One event argument: a text and an integer. The MIB definition says, per
// argument position, which of the two the agent uses.
class CEventArg {
  public:
    int iReserved = 0;                     // not read by the agent; keep 0
    char szArgText[EVENT_TEXT_SIZE] = {};  // text value, NUL-terminated
    char szReserved[EVENT_TEXT_SIZE] = {}; // not read by the agent
    int iArgValue = 0;                     // integer value
    void* pReserved = nullptr;             // not read by the agent
    char szReservedTail[32] = {};          // not read by the agent
};

// The event record a library hands to the callback. Fill the public fields
// the agent reads (iLibIndex, iArgCount, iEventCode, szDescription, aArgs);
// leave the reserved ones as constructed (zero).
class CEventInfo {
  public:
    void* pReserved = nullptr;                // not read by the agent
    int iLibIndex = 0;                        // index given to startEventProcessing
    int iReserved1 = 0;                       // not read by the agent
    int iReserved2 = 0;                       // not read by the agent
    int iArgCount = 0;                        // arguments in use in aArgs
    int iEventCode = 0;                       // the library's event code
    char szDescription[EVENT_TEXT_SIZE] = {}; // human-readable text of the event
    char szReserved[64] = {};                 // not read by the agent
    CEventArg aArgs[EVENT_MAX_ARGS];          // arguments 0 to iArgCount - 1
};

// Byte offsets the agent relies on, per build.
struct CEventInfoLayout {
    size_t nLibIndex, nArgCount, nEventCode, nDescription, nFirstArgText, nFirstArgValue,
        nArgStride;
};
#if defined(_WIN32) && !defined(_WIN64)
constexpr CEventInfoLayout EVENT_INFO_LAYOUT = {4, 16, 20, 24, 220, 476, 300};
#elif defined(__linux__) && defined(__LP64__)
constexpr CEventInfoLayout EVENT_INFO_LAYOUT = {8, 20, 24, 28, 228, 484, 304};
#endif
#if (defined(_WIN32) && !defined(_WIN64)) || (defined(__linux__) && defined(__LP64__))
static_assert(offsetof(CEventInfo, iLibIndex) == EVENT_INFO_LAYOUT.nLibIndex, "iLibIndex offset");
static_assert(offsetof(CEventInfo, iArgCount) == EVENT_INFO_LAYOUT.nArgCount, "iArgCount offset");
static_assert(offsetof(CEventInfo, iEventCode) == EVENT_INFO_LAYOUT.nEventCode,
              "iEventCode offset");
static_assert(offsetof(CEventInfo, szDescription) == EVENT_INFO_LAYOUT.nDescription,
              "szDescription offset");
static_assert(offsetof(CEventInfo, aArgs) + offsetof(CEventArg, szArgText) ==
                  EVENT_INFO_LAYOUT.nFirstArgText,
              "aArgs[0].szArgText offset");
static_assert(offsetof(CEventInfo, aArgs) + offsetof(CEventArg, iArgValue) ==
                  EVENT_INFO_LAYOUT.nFirstArgValue,
              "aArgs[0].iArgValue offset");
static_assert(sizeof(CEventArg) == EVENT_INFO_LAYOUT.nArgStride, "argument stride");
#endif

// The agent's event callback. The library calls it once per event, from its
// own thread, with iLibIndex set; the record may be reused after it returns.
typedef int (*pCallBackNotification)(CEventInfo* pEvent);

// Types of the four exports, as the agent binds them.
typedef bool (*InitDLL)(char* pszAgentVersion, char* pszMibVersion);
typedef CBaseHolder* (*InitFunc)(char* pszClassName);
typedef unsigned long (*EventFunc)(pCallBackNotification pfnCallback, int iLibIndex);
typedef void (*UnloadFunc)();

extern "C" {

// Prepares the library. pszAgentVersion is the agent's version text,
// pszMibVersion the MIB version of the definition. May be called more than
// once; returns true when the library is ready.
STORAGELIB_EXPORT bool InitializeDll(char* pszAgentVersion, char* pszMibVersion);

// The holder of a class, or null for a class the library does not know.
STORAGELIB_EXPORT CBaseHolder* getObjectHolderByName_c(char* pszClassName);

// Registers the callback for events, to be reported with iLibIndex set to the
// given index. The agent ignores the result.
STORAGELIB_EXPORT unsigned long startEventProcessing(pCallBackNotification pfnCallback,
                                                     int iLibIndex);

// Stops event delivery and releases the library's resources.
STORAGELIB_EXPORT void readyForUnload();
}

#endif // KORVO_STORAGELIB_H
