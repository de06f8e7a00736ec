// What the shared core asks of the platform it runs on. Each build compiles
// exactly one implementation of this header: src/platform/AgentPlatformLinux.cpp in
// the daemon's build and windows/AgentPlatformWin.cpp in the extension
// agent's (cmake/korvo-sources.cmake lists them), so the core's own files
// hold no platform branch that changes what they do.
#ifndef KORVO_AGENTPLATFORM_H
#define KORVO_AGENTPLATFORM_H

#include "snmptype.h"

#include <cstddef>
#include <memory>

// ---- The reader of MIB definition files -----------------------------------

// Reads the keys of one MIB definition file with the platform's profile
// semantics: the private profile functions on Windows, CProfileIni (which
// follows them) on Linux. A missing key gives the default; a text is cut to
// the buffer.
class CProfileReader {
  public:
    virtual ~CProfileReader() = default;
    // The key's text, or the default, cut to nSize-1 characters and
    // terminated.
    virtual void text(const char* pszSection, const char* pszKey, const char* pszDefault,
                      char* pszField, size_t nSize) = 0;
    // The key's decimal value, or the default when the key is missing.
    virtual int integer(const char* pszSection, const char* pszKey, int nDefault) = 0;
};

// A reader of the definition file at pszFile, or null when the file cannot
// be opened.
std::unique_ptr<CProfileReader> OpenProfileReader(const char* pszFile);

// ---- Where the Windows files live -----------------------------------------

// The Windows directory, which holds the controller list and the definition
// files it names on Windows, in pszFolder (nSize bytes). False where the
// platform has no Windows directory (Linux). On Windows always true: a
// directory the system does not give leaves pszFolder empty, and the files
// are then looked for from the root.
bool GetWindowsFolder(char* pszFolder, size_t nSize);

// ---- A binding's text value ------------------------------------------------

// nSize bytes for a binding's dynamic text value, from the allocator its
// owner releases them with: SnmpUtilMemAlloc on Windows, where the SNMP
// service frees the value, and RAIDAgentMemAlloc on Linux. Null when memory
// is exhausted.
BYTE* AllocBindingText(UINT nSize);

// ---- The system log ---------------------------------------------------------

// Hands one start-up report line to the system log, at error priority when
// bError and at warning priority otherwise: syslog's LOG_ERR and LOG_WARNING
// on Linux. The extension agent has no system log and drops the line.
void WriteReportToSystemLog(bool bError, const char* pszLine);

// ---- Numbers as text --------------------------------------------------------

#ifndef _WIN32
// _itoa as the persisted file's writer uses it: decimal, whatever the radix.
// The Windows C library has its own.
char* _itoa(int nVal, char* ptrBuf, int nRadix);
#endif

#endif // KORVO_AGENTPLATFORM_H
