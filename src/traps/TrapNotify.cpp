// Argument vectors and environment of the trap sender for every kind of pair.
#include "TrapNotify.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

const char* const CONF_PATH_VARIABLE = "SNMPCONFPATH";
// The client configuration folders the sender reads when SNMPCONFPATH is not
// set (the persistent folder aside, which it reads in any case).
const char* const SYSTEM_CONF_PATH = "/etc/snmp:/usr/share/snmp";

class CArgumentList {
  public:
    explicit CArgumentList(const char** ppszArgv) : m_ppszArgv(ppszArgv) {}
    void add(const char* pszArgument) { m_ppszArgv[m_nArgs++] = pszArgument; }
    void addVariables(const NotificationTexts& texts) {
        for (int v = 0; v < texts.nVars; v++) {
            add(texts.pVars[v].szOID);
            add(texts.pVars[v].szType);
            add(texts.pVars[v].szValue);
        }
    }
    // The SNMPv2 trap parameters: uptime left to the sender, notification.
    void addV2Parameters(const NotificationTexts& texts) {
        add("");
        add(texts.pszNotificationOID);
    }
    // The SNMPv1 trap parameters after the destination.
    void addV1Parameters(const NotificationTexts& texts) {
        add(texts.pszEnterpriseOID);
        add("");
        add("6");
        add(texts.pszTrapID);
        add("");
    }
    int close() {
        m_ppszArgv[m_nArgs] = nullptr;
        return m_nArgs;
    }

  private:
    const char** m_ppszArgv;
    int m_nArgs = 0;
};

int BuildCommunityArguments(CArgumentList& args, const NotificationTexts& texts,
                            const char* pszCommunity, const char* pszDestination, bool bInform) {
    for (const char* pszFixed : {"snmptrap", "-v", "2c", "-c"}) {
        args.add(pszFixed);
    }
    args.add(pszCommunity);
    if (bInform) {
        for (const char* pszBound : {"-Ci", "-t", TRAP_INFORM_TIMEOUT, "-r", TRAP_INFORM_RETRIES}) {
            args.add(pszBound);
        }
    }
    args.add(pszDestination);
    args.addV2Parameters(texts);
    args.addVariables(texts);
    return args.close();
}

int BuildSessionArguments(CArgumentList& args, const NotificationTexts& texts,
                          const CLIENT_IP& entry) {
    const TRAP_SESSION& stSession = entry.stSession;
    const char* ppszWords[TRAP_SESSION_MAX_WORDS + 4];
    int nWords = ListSessionWords(stSession, ppszWords, TRAP_SESSION_MAX_WORDS - 1 + 4);
    args.add("snmptrap");
    for (int w = 0; w < nWords; w++) {
        args.add(ppszWords[w]);
    }
    args.add(entry.IP);
    if (stSession.cVersion == '1') {
        args.addV1Parameters(texts);
    } else {
        args.addV2Parameters(texts);
    }
    args.addVariables(texts);
    return args.close();
}

} // namespace

bool FormatNotificationOID(const char* pszEnterpriseOID, const char* pszTrapID, char* pszOID,
                           size_t nSize) {
    int nWritten = snprintf(pszOID, nSize, "%s.0.%s", pszEnterpriseOID, pszTrapID);
    return nWritten >= 0 && static_cast<size_t>(nWritten) < nSize;
}

int BuildNotifyArguments(const char* ppszArgv[TRAP_NOTIFY_ARGV_SIZE],
                         const NotificationTexts& texts, const CLIENT_IP& entry, int iPair,
                         const char* pszDestination) {
    ppszArgv[0] = nullptr;
    if (texts.nVars < 1 || texts.nVars > TRAP_SENDER_MAX_VARS || iPair < 0 ||
        iPair >= CLIENT_IP_MAX_PAIRS) {
        return 0;
    }
    const char* pszCommunity = entry.szAccessMode[iPair];
    if (entry.aKind[iPair] == TRAP_KIND_V1) {
        return BuildSenderArguments(ppszArgv, texts.nVars, texts.pVars, pszCommunity,
                                    pszDestination, texts.pszEnterpriseOID, texts.pszTrapID);
    }
    if (texts.pszNotificationOID == nullptr || texts.pszNotificationOID[0] == '\0') {
        return 0;
    }
    CArgumentList args(ppszArgv);
    switch (entry.aKind[iPair]) {
    case TRAP_KIND_V2C:
        return BuildCommunityArguments(args, texts, pszCommunity, pszDestination, false);
    case TRAP_KIND_INFORM:
        return BuildCommunityArguments(args, texts, pszCommunity, pszDestination, true);
    case TRAP_KIND_SESSION:
        return BuildSessionArguments(args, texts, entry);
    default:
        return 0;
    }
}

bool BuildSenderEnvironment(const CLIENT_IP& entry, int iPair, std::vector<std::string>& vStorage,
                            std::vector<const char*>& vEnvironment) {
    vStorage.clear();
    vEnvironment.clear();
    if (iPair < 0 || iPair >= CLIENT_IP_MAX_PAIRS || entry.aKind[iPair] != TRAP_KIND_SESSION) {
        return false;
    }
    const char* pszFolder = entry.stSession.szSecretsFolder;
    if (memchr(pszFolder, '\0', sizeof(entry.stSession.szSecretsFolder)) == nullptr ||
        pszFolder[0] == '\0') {
        return false;
    }
    const char* pszOwnPath = getenv(CONF_PATH_VARIABLE);
    std::string strPath =
        (pszOwnPath != nullptr && pszOwnPath[0] != '\0') ? pszOwnPath : SYSTEM_CONF_PATH;
    vStorage.push_back(std::string(CONF_PATH_VARIABLE) + "=" + strPath + ":" + pszFolder);
    size_t nNameLength = strlen(CONF_PATH_VARIABLE);
    for (char** ppszVariable = environ; ppszVariable != nullptr && *ppszVariable != nullptr;
         ppszVariable++) {
        const char* pszVariable = *ppszVariable;
        if (strncmp(pszVariable, CONF_PATH_VARIABLE, nNameLength) == 0 &&
            pszVariable[nNameLength] == '=') {
            continue;
        }
        vEnvironment.push_back(pszVariable);
    }
    vEnvironment.push_back(vStorage.front().c_str());
    vEnvironment.push_back(nullptr);
    return true;
}

int BuildSenderArguments(const char* ppszArgv[TRAP_SENDER_ARGV_SIZE], int argc,
                         const OID_VAR* pOIDs, const char* pszCommunity, const char* pszDestination,
                         const char* pszEnterpriseOID, const char* pszTrapID) {
    int nArgs = 0;
    if (argc >= 1 && argc <= TRAP_SENDER_MAX_VARS) {
        const char* ppszFixed[] = {
            "snmptrap", "-v", "1",       "-c", pszCommunity, pszDestination, pszEnterpriseOID,
            "",         "6",  pszTrapID, ""};
        for (const char* pszFixed : ppszFixed) {
            ppszArgv[nArgs++] = pszFixed;
        }
        for (int v = 0; v < argc; v++) {
            ppszArgv[nArgs++] = pOIDs[v].szOID;
            ppszArgv[nArgs++] = pOIDs[v].szType;
            ppszArgv[nArgs++] = pOIDs[v].szValue;
        }
    }
    ppszArgv[nArgs] = nullptr;
    return nArgs;
}
