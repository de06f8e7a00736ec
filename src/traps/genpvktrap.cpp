// The event callback and the trap sender: an event of a storage library
// becomes a trap (SNMPv1, or SNMPv2c, an inform or a trapsess line's kind
// where the destination asks for it), sent by running the command-line trap
// sender once per community/port pair of the library's trap destinations.
#include "genpvktrap.h"

#include "TrapNotify.h"
#include "dispatch/FindHolder.h"
#include "mib/parseini.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

const char* const TRAP_SENDER_PATH = "/usr/bin/snmptrap";

pthread_mutex_t MyMutex = PTHREAD_MUTEX_INITIALIZER;

namespace {

const char* const SHOW_DESCRIPTION_VIEW = "ShowTrapDescription";
const int ENTERPRISE_TEXT_SIZE = 156; // up to 155 characters
const int TRAP_NUMBER_TEXT_SIZE = 20; // up to 19 characters
// An enterprise OID, ".0." and a trap number text.
const int NOTIFICATION_OID_TEXT_SIZE = ENTERPRISE_TEXT_SIZE + 3 + TRAP_TEXT_SIZE;
const int SENDER_EXIT_NOT_RUN = 2; // the child's status when no sender runs
const long WAIT_STEP_MIN_NS = 1000000L;
const long WAIT_STEP_MAX_NS = 50000000L;

// ---- Trap assembly ------------------------------------------------------------

// An event text cut to what a variable value holds; the event's own field
// may lack its terminator.
void SetTextValue(OID_VAR& var, const char* pszText) {
    int nLength = static_cast<int>(strnlen(pszText, EVENT_TEXT_SIZE));
    strcpy(var.szType, "s");
    snprintf(var.szValue, sizeof(var.szValue), "%.*s", nLength, pszText);
}

void SetArgumentValue(OID_VAR& var, char cDataType, const CEventArg& arg) {
    if (cDataType == '2') {
        strcpy(var.szType, "i");
        snprintf(var.szValue, sizeof(var.szValue), "%d", arg.iArgValue);
    } else if (cDataType == '1') {
        SetTextValue(var, arg.szArgText);
    }
}

// How many arguments become variables: no more than the event has, than the
// definition has attributes for, and than the sender takes.
int CountArgumentVariables(const CEventInfo& eventInfo, const TrapObj& trapObj,
                           bool bShowDescription) {
    if (trapObj.m_ptrAttribs == nullptr) {
        return 0;
    }
    int nMax = TRAP_SENDER_MAX_VARS - (bShowDescription ? 1 : 0);
    int nCount = std::min({eventInfo.iArgCount, trapObj.nTotalAttrbs, nMax, EVENT_MAX_ARGS});
    return std::max(nCount, 0);
}

bool FitsExactly(int nWritten, size_t nSize) {
    return nWritten >= 0 && static_cast<size_t>(nWritten) < nSize;
}

// ---- The trap sender --------------------------------------------------------

void SleepNanoseconds(long nNanoseconds) {
    timespec stStep = {0, nNanoseconds};
    nanosleep(&stStep, nullptr);
}

long ElapsedMilliseconds(const timespec& stStart) {
    timespec stNow;
    clock_gettime(CLOCK_MONOTONIC, &stNow);
    return (stNow.tv_sec - stStart.tv_sec) * 1000L + (stNow.tv_nsec - stStart.tv_nsec) / 1000000L;
}

// Waits for this child only; an interrupted wait is repeated, and a wait
// that finds no such child ends the waiting.
void ReapSender(pid_t nPid) {
    while (true) {
        errno = 0;
        if (waitpid(nPid, nullptr, 0) == nPid || errno != EINTR) {
            return;
        }
    }
}

// True when the child ended (or is gone) within the bound.
bool SenderEndedInTime(pid_t nPid) {
    timespec stStart;
    clock_gettime(CLOCK_MONOTONIC, &stStart);
    long nStep = WAIT_STEP_MIN_NS;
    while (ElapsedMilliseconds(stStart) < TRAP_SENDER_TIMEOUT_MS) {
        errno = 0;
        pid_t nEnded = waitpid(nPid, nullptr, WNOHANG);
        if (nEnded == nPid || (nEnded < 0 && errno != EINTR)) {
            return true;
        }
        SleepNanoseconds(nStep);
        nStep = std::min(nStep * 2, WAIT_STEP_MAX_NS);
    }
    return false;
}

// A sender that does not end in time is killed, so that it cannot hold up
// every later trap.
void WaitForSender(pid_t nPid) {
    if (SenderEndedInTime(nPid)) {
        return;
    }
    kill(nPid, SIGKILL);
    ReapSender(nPid);
}

// The destination text of pair i: the address followed by the pair's port
// suffix. False when it does not fit.
bool FormatDestination(const CLIENT_IP& entry, int iPair, char* pszDestination) {
    int nWritten = snprintf(pszDestination, TRAP_TEXT_SIZE, "%.*s%.*s", CLIENT_IP_ADDRESS_SIZE,
                            entry.IP, CLIENT_IP_PORT_SIZE, entry.port[iPair]);
    return FitsExactly(nWritten, TRAP_TEXT_SIZE);
}

bool IsTerminated(const char* pszField, size_t nSize) {
    return memchr(pszField, '\0', nSize) != nullptr;
}

// One sender run for pair i of an entry, waited for: an ExecTrapResult; a
// pair whose texts do not fit is left out.
int SendToPair(const NotificationTexts& texts, const CLIENT_IP& entry, int iPair) {
    char szDestination[TRAP_TEXT_SIZE];
    if (!FormatDestination(entry, iPair, szDestination) ||
        !IsTerminated(entry.szAccessMode[iPair], CLIENT_IP_COMMUNITY_SIZE) ||
        !IsTerminated(entry.IP, CLIENT_IP_ADDRESS_SIZE)) {
        return EXEC_TRAP_DONE;
    }
    // Everything the child needs is prepared here: between fork and exec
    // only async-signal-safe calls are allowed, as other threads may hold
    // locks that the child would inherit.
    const char* ppszArgv[TRAP_NOTIFY_ARGV_SIZE];
    int nArgs = BuildNotifyArguments(ppszArgv, texts, entry, iPair, szDestination);
    std::vector<std::string> vStorage;
    std::vector<const char*> vEnvironment;
    bool bOwnEnvironment = BuildSenderEnvironment(entry, iPair, vStorage, vEnvironment);
    pid_t nPid = fork();
    if (nPid < 0) {
        return EXEC_TRAP_NO_CHILD;
    }
    if (nPid == 0) {
        // The daemon ignores SIGPIPE; the sender gets the usual action back.
        signal(SIGPIPE, SIG_DFL);
        if (nArgs > 0 && bOwnEnvironment) {
            execve(TRAP_SENDER_PATH, const_cast<char* const*>(ppszArgv),
                   const_cast<char* const*>(vEnvironment.data()));
        } else if (nArgs > 0) {
            execv(TRAP_SENDER_PATH, const_cast<char* const*>(ppszArgv));
        }
        _exit(SENDER_EXIT_NOT_RUN);
    }
    WaitForSender(nPid);
    return EXEC_TRAP_DONE;
}

} // namespace

int BuildTrapVariables(const CEventInfo& eventInfo, const TrapObj& trapObj, OID_VAR* pVars) {
    bool bShowDescription = strcmp(trapObj.szOIDView, SHOW_DESCRIPTION_VIEW) == 0;
    int nArgs = CountArgumentVariables(eventInfo, trapObj, bShowDescription);
    int nVars = 0;
    for (int p = 0; p < nArgs; p++) {
        const CTrapAttrib& attrib = trapObj.m_ptrAttribs[p];
        OID_VAR& var = pVars[nVars];
        var = OID_VAR();
        int nWritten =
            snprintf(var.szOID, sizeof(var.szOID), "%s.%s", trapObj.szOIDPrefix, attrib.szOID);
        if (!FitsExactly(nWritten, sizeof(var.szOID))) {
            var = OID_VAR();
            continue;
        }
        SetArgumentValue(var, attrib.szDataType[0], eventInfo.aArgs[p]);
        nVars++;
    }
    if (!bShowDescription) {
        return nVars;
    }
    OID_VAR& description = pVars[nVars];
    description = OID_VAR();
    int nWritten = snprintf(description.szOID, sizeof(description.szOID), "%s.%s.0.%d",
                            trapObj.szOIDPrefix, trapObj.szEntryOID, trapObj.nTrapID);
    if (!FitsExactly(nWritten, sizeof(description.szOID))) {
        description = OID_VAR();
        return nVars;
    }
    SetTextValue(description, eventInfo.szDescription);
    return nVars + 1;
}

int MyCallback(CEventInfo* pEventInfo) {
    if (pEventInfo == nullptr) {
        return CALLBACK_NOT_SENT;
    }
    if (!isTrapEnabled(pEventInfo->iLibIndex)) {
        return CALLBACK_HANDLED;
    }
    TrapObj* pTrapObj = getTrapForEventCode(pEventInfo->iLibIndex, pEventInfo->iEventCode);
    if (pTrapObj == nullptr) {
        return CALLBACK_NOT_SENT;
    }
    OID_VAR aVars[TRAP_VAR_SLOTS];
    int nVars = BuildTrapVariables(*pEventInfo, *pTrapObj, aVars);
    char szEnterpriseOID[ENTERPRISE_TEXT_SIZE];
    snprintf(szEnterpriseOID, sizeof(szEnterpriseOID), "%s.%s", pTrapObj->szOIDPrefix,
             pTrapObj->szEntryOID);
    char szTrapID[TRAP_NUMBER_TEXT_SIZE];
    snprintf(szTrapID, sizeof(szTrapID), "%d", pTrapObj->nTrapID);
    releaseTrapObj(pTrapObj);

    pthread_mutex_lock(&MyMutex);
    ExecTrap(nVars, aVars, szTrapID, pEventInfo->iLibIndex, szEnterpriseOID);
    pthread_mutex_unlock(&MyMutex);
    return CALLBACK_HANDLED;
}

int ExecTrap(int argc, POID_VAR pOIDs, char* p_TrapID, int iDLLIndex, char* szEnterpriseOID) {
    if (g_pMIB_DC == nullptr || iDLLIndex < 0 || iDLLIndex >= g_noOfDLL) {
        return EXEC_TRAP_DONE;
    }
    char szTrapID[TRAP_TEXT_SIZE];
    int nWritten = snprintf(szTrapID, sizeof(szTrapID), "%s", p_TrapID);
    if (!FitsExactly(nWritten, sizeof(szTrapID))) {
        return EXEC_TRAP_DONE; // a trap number that does not fit is not sent
    }
    // SNMPv1 traps do not need it; the other kinds are not sent without it.
    char szNotificationOID[NOTIFICATION_OID_TEXT_SIZE];
    if (!FormatNotificationOID(szEnterpriseOID, szTrapID, szNotificationOID,
                               sizeof(szNotificationOID))) {
        szNotificationOID[0] = '\0';
    }
    NotificationTexts texts = {argc, pOIDs, szTrapID, szEnterpriseOID, szNotificationOID};
    const MIB_DC& library = g_pMIB_DC[iDLLIndex];
    int nEntries = std::min(library.nClientIPCount, CLIENT_IP_LIST_SIZE);
    for (int j = 0; j < nEntries; j++) {
        const CLIENT_IP& entry = library.ClientIPList[j];
        int nPairs = std::min(entry.count, CLIENT_IP_MAX_PAIRS);
        for (int i = 0; i < nPairs; i++) {
            if (SendToPair(texts, entry, i) == EXEC_TRAP_NO_CHILD) {
                return EXEC_TRAP_NO_CHILD;
            }
        }
    }
    return EXEC_TRAP_DONE;
}
