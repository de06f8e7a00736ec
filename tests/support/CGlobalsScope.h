// The process-wide globals that unit tests set: a scope that sets the ones a
// test needs and, when it ends, releases what it made and puts back what the
// globals held when it began. Make it a member of the fixture (it then ends
// after TearDown) or a local of the test body.
//
// What it covers: the table of stores (g_ParseINIarr, g_iNoOfDeviceType), the
// library entries (g_pMIB_DC, g_noOfDLL), the ready flag (zund_initover), the
// stop request (g_bStopRequested), the end of a walk (g_iEndOfWalkResult) and
// the path of snmpd.conf (gszSystemConf).
#ifndef KORVO_CGLOBALSSCOPE_H
#define KORVO_CGLOBALSSCOPE_H

#include "dispatch/FindHolder.h"
#include "dispatch/genpvkdispatch.h"
#include "mib/parseini.h"
#include "mib/parseoid.h"
#include "platform/AgentSignals.h"
#include "traps/genpvktrapdest.h"

#include <cstring>

class CGlobalsScope {
  public:
    CGlobalsScope()
        : m_pSavedStores(g_ParseINIarr), m_nSavedStores(g_iNoOfDeviceType),
          m_pSavedEntries(g_pMIB_DC), m_nSavedEntries(g_noOfDLL), m_cSavedReady(zund_initover),
          m_nSavedStop(g_bStopRequested), m_iSavedEndOfWalk(g_iEndOfWalkResult) {
        memcpy(m_szSavedSystemConf, gszSystemConf, sizeof(m_szSavedSystemConf));
    }

    ~CGlobalsScope() {
        releaseStores();
        releaseEntries();
        g_ParseINIarr = m_pSavedStores;
        g_iNoOfDeviceType = m_nSavedStores;
        g_pMIB_DC = m_pSavedEntries;
        g_noOfDLL = m_nSavedEntries;
        zund_initover = m_cSavedReady;
        g_bStopRequested = m_nSavedStop;
        g_iEndOfWalkResult = m_iSavedEndOfWalk;
        memcpy(gszSystemConf, m_szSavedSystemConf, sizeof(gszSystemConf));
    }

    CGlobalsScope(const CGlobalsScope&) = delete;
    CGlobalsScope& operator=(const CGlobalsScope&) = delete;

    // A table of nStores fresh stores (none, and a null table, for 0); a table
    // this scope made before is released first. The test may release it
    // itself with closeAllPtrs.
    CParseINI* SetStores(int nStores) {
        releaseStores();
        m_pStores = nStores > 0 ? new CParseINI[nStores] : nullptr;
        g_ParseINIarr = m_pStores;
        g_iNoOfDeviceType = nStores > 0 ? nStores : 0;
        return m_pStores;
    }

    // nEntries constructed library entries (none, and null entries, for 0);
    // entries this scope made before are released first.
    MIB_DC* SetLibraryEntries(int nEntries) {
        releaseEntries();
        m_pEntries = nEntries > 0 ? new MIB_DC[nEntries] : nullptr;
        g_pMIB_DC = m_pEntries;
        g_noOfDLL = nEntries > 0 ? nEntries : 0;
        return m_pEntries;
    }

    void SetAgentReady(bool bReady) { zund_initover = bReady ? 1 : 0; }
    void SetStopRequested(bool bStop) { g_bStopRequested = bStop ? 1 : 0; }
    void SetEndOfWalkResult(int iEndOfLastStore) { g_iEndOfWalkResult = iEndOfLastStore; }

    // False, with gszSystemConf unchanged, when the path does not fit it.
    bool SetSystemConf(const char* pszPath) {
        if (strlen(pszPath) >= sizeof(gszSystemConf)) {
            return false;
        }
        strcpy(gszSystemConf, pszPath);
        return true;
    }

  private:
    // Releases the table this scope made, unless the test has done so.
    void releaseStores() {
        if (m_pStores != nullptr && g_ParseINIarr == m_pStores) {
            closeAllPtrs();
        }
        m_pStores = nullptr;
    }
    void releaseEntries() {
        if (m_pEntries != nullptr && g_pMIB_DC == m_pEntries) {
            delete[] m_pEntries;
            g_pMIB_DC = nullptr;
            g_noOfDLL = 0;
        }
        m_pEntries = nullptr;
    }

    CParseINI* m_pSavedStores;
    int m_nSavedStores;
    MIB_DC* m_pSavedEntries;
    int m_nSavedEntries;
    char m_cSavedReady;
    sig_atomic_t m_nSavedStop;
    int m_iSavedEndOfWalk;
    char m_szSavedSystemConf[SYSTEM_CONF_SIZE];
    CParseINI* m_pStores = nullptr;
    MIB_DC* m_pEntries = nullptr;
};

#endif // KORVO_CGLOBALSSCOPE_H
