#include "CTrapListCheck.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

int CTrapListCheck::m_nSavedError = -1;

void CTrapListCheck::CheckSenderArguments(const CLIENT_IP* pList, int nCount) {
    OID_VAR aVars[TRAP_VAR_SLOTS];
    NotificationTexts texts = {TRAP_SENDER_MAX_VARS, aVars, "7", "1.3.6.1.4.1.7310.4.1.100",
                               "1.3.6.1.4.1.7310.4.1.100.0.7"};
    size_t nTotal = 0;
    for (int j = 0; j < nCount && j < CLIENT_IP_LIST_SIZE; j++) {
        for (int i = 0; i < pList[j].count && i < CLIENT_IP_MAX_PAIRS; i++) {
            char szDestination[TRAP_DESTINATION_TEXT_SIZE];
            if (!FormatPairDestination(pList[j], i, szDestination)) {
                __builtin_trap(); // a reader left a field without its terminator
            }
            const char* ppszArgv[TRAP_NOTIFY_ARGV_SIZE];
            int nArgs = BuildNotifyArguments(ppszArgv, texts, pList[j], i, szDestination);
            for (int a = 0; a < nArgs; a++) {
                nTotal += strlen(ppszArgv[a]);
            }
            if (ppszArgv[nArgs] != nullptr) {
                __builtin_trap();
            }
            std::vector<std::string> vStorage;
            std::vector<const char*> vEnvironment;
            if (BuildSenderEnvironment(pList[j], i, vStorage, vEnvironment) &&
                vEnvironment.back() != nullptr) {
                __builtin_trap();
            }
        }
    }
    // Keeps the reads from being optimised away.
    if (nTotal == static_cast<size_t>(-1)) {
        __builtin_trap();
    }
}

void CTrapListCheck::Mute() {
    fflush(stderr);
    m_nSavedError = dup(2);
    int nNull = open("/dev/null", O_WRONLY);
    if (nNull >= 0) {
        dup2(nNull, 2);
        close(nNull);
    }
}

void CTrapListCheck::Unmute() {
    fflush(stderr);
    if (m_nSavedError >= 0) {
        dup2(m_nSavedError, 2);
        close(m_nSavedError);
        m_nSavedError = -1;
    }
}
