// Trap destinations of the daemon: the library's trap destination file and
// the trap keywords of snmpd.conf.
#include "genpvkagent.h"

#include "AgentReport.h"
#include "ConfigFile.h"

#include "parseini.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const int LINE_SIZE = 1024;              // lines of up to 1023 characters
const int MAX_LINE_TOKENS = 4;           // no keyword reads further than four
const int TRAP_COMMUNITY_SIZE = 25;      // trapcommunity values of up to 24
const int PORT_TEXT_MAX = 4;             // a port suffix is ":" and 4 digits
const int PORT_AS_TOKEN_MIN_LEADING = 7; // see ClassifyLoneTrapsinkToken

const char* const DEST_IND_KEYWORD = "TrapDestInd";
const char* const TRAPCOMMUNITY_KEYWORD = "trapcommunity";
const char* const COM2SEC_KEYWORD = "com2sec";
const char* const TRAPSINK_KEYWORD = "trapsink";
const char* const DEFAULT_KEYWORD = "default";
const char* const LOOPBACK_ADDRESS = "127.0.0.1";
const char* const DEFAULT_TRAP_PORT = "162";
const char* const DEFAULT_TRAP_COMMUNITY = "vazedi";

// Characters that cannot begin a port: letters and most punctuation.
const char* const LETTER_AND_PUNCTUATION =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ~`!@#$%^&*()_+={}:<>?[]',./'";

// One line of a configuration file split into its first tokens.
struct ConfLine {
    char szText[LINE_SIZE];
    char* ppszTokens[MAX_LINE_TOKENS];
    int nTokens;
};

// Reads the next line and splits it; false at the end of the file. Comment
// lines and lines without tokens come back with nTokens 0. A carriage return
// ending the line is not part of its last token.
bool ReadConfLine(CConfigLineReader& reader, ConfLine& line) {
    line.nTokens = 0;
    if (!reader.nextLine(line.szText, sizeof(line.szText))) {
        return false;
    }
    if (line.szText[0] == '#') {
        return true;
    }
    size_t nLength = strcspn(line.szText, "\n");
    if (nLength > 0 && line.szText[nLength - 1] == '\r') {
        line.szText[nLength - 1] = '\0';
    }
    char* pszSave = nullptr;
    for (char* pszToken = strtok_r(line.szText, " \t\n", &pszSave);
         pszToken != nullptr && line.nTokens < MAX_LINE_TOKENS;
         pszToken = strtok_r(nullptr, " \t\n", &pszSave)) {
        line.ppszTokens[line.nTokens++] = pszToken;
    }
    return true;
}

bool IsKeyword(const ConfLine& line, const char* pszKeyword) {
    return line.nTokens > 0 && strcmp(line.ppszTokens[0], pszKeyword) == 0;
}

bool Fits(const char* pszText, size_t nSize) {
    return strlen(pszText) < nSize;
}

// The address as it is recorded: "default" stands for the loopback address.
const char* AddressOf(const char* pszToken) {
    return strcmp(pszToken, DEFAULT_KEYWORD) == 0 ? LOOPBACK_ADDRESS : pszToken;
}

bool AddressFits(const char* pszAddress) {
    return Fits(pszAddress, CLIENT_IP_ADDRESS_SIZE);
}

bool CommunityFits(const char* pszCommunity) {
    return Fits(pszCommunity, CLIENT_IP_COMMUNITY_SIZE);
}

bool PortFits(const char* pszPort) {
    return strlen(pszPort) <= PORT_TEXT_MAX;
}

void ClearList(PCLIENT_IP pClientIPList, int nEntries) {
    for (int i = 0; i < nEntries; i++) {
        pClientIPList[i] = CLIENT_IP();
    }
}

// ---- snmpd.conf -----------------------------------------------------------

// What the snmpd.conf reader carries from one pass to the next.
struct ConfReading {
    PCLIENT_IP pEntries;
    int nFree;
    int nFilled;
    bool bTrapCommunity;
    char szTrapCommunity[TRAP_COMMUNITY_SIZE];
};

// The first usable "trapcommunity" line sets the trap community.
void ReadTrapCommunityLine(ConfReading& reading, const ConfLine& line) {
    if (reading.bTrapCommunity || line.nTokens < 2 ||
        !Fits(line.ppszTokens[1], TRAP_COMMUNITY_SIZE)) {
        return;
    }
    strcpy(reading.szTrapCommunity, line.ppszTokens[1]);
    reading.bTrapCommunity = true;
}

// "com2sec NAME SOURCE [COMMUNITY]": the source becomes an entry without
// pairs; the community, or the trap community when one was set above, is
// kept for its pair 0.
void ReadCom2secLine(ConfReading& reading, const ConfLine& line) {
    if (line.nTokens < 3 || reading.nFilled >= reading.nFree) {
        return;
    }
    const char* pszAddress = AddressOf(line.ppszTokens[2]);
    const char* pszCommunity = "";
    if (line.nTokens > 3) {
        pszCommunity = reading.bTrapCommunity ? reading.szTrapCommunity : line.ppszTokens[3];
    }
    if (!AddressFits(pszAddress) || !CommunityFits(pszCommunity)) {
        return;
    }
    CLIENT_IP& entry = reading.pEntries[reading.nFilled++];
    strcpy(entry.IP, pszAddress);
    strcpy(entry.szAccessMode[0], pszCommunity);
    entry.count = 0;
}

// Pass 1. Once the list is full no further source is taken, but the file is
// still read for its trap community, which reaches every trapsink line.
void ReadAccessSources(ConfReading& reading, FILE* pConf) {
    CConfigLineReader reader(pConf, CONFIG_TEXT_MAX_BYTES);
    ConfLine line;
    while (ReadConfLine(reader, line)) {
        if (IsKeyword(line, TRAPCOMMUNITY_KEYWORD)) {
            ReadTrapCommunityLine(reading, line);
        } else if (IsKeyword(line, COM2SEC_KEYWORD)) {
            ReadCom2secLine(reading, line);
        }
    }
}

// The community and port that a trapsink line's tokens after the host give.
struct TrapsinkPair {
    const char* pszCommunity;
    const char* pszPort;
};

// A lone token after the host is a port only when it begins with at least
// seven characters outside the letter-and-punctuation set.
bool IsLoneTokenAPort(const char* pszToken) {
    return strcspn(pszToken, LETTER_AND_PUNCTUATION) >= PORT_AS_TOKEN_MIN_LEADING;
}

TrapsinkPair ClassifyTrapsinkTokens(const ConfReading& reading, const ConfLine& line) {
    const char* pszDefaultCommunity =
        reading.bTrapCommunity ? reading.szTrapCommunity : DEFAULT_TRAP_COMMUNITY;
    if (line.nTokens < 3) {
        return {pszDefaultCommunity, DEFAULT_TRAP_PORT};
    }
    if (line.nTokens > 3) {
        return {line.ppszTokens[2], line.ppszTokens[3]};
    }
    if (IsLoneTokenAPort(line.ppszTokens[2])) {
        return {pszDefaultCommunity, line.ppszTokens[2]};
    }
    return {line.ppszTokens[2], DEFAULT_TRAP_PORT};
}

// The entry of the host, appended when no entry has it yet; null when the
// list is full.
CLIENT_IP* FindOrAppendHost(ConfReading& reading, const char* pszHost) {
    for (int i = 0; i < reading.nFilled; i++) {
        if (strcmp(reading.pEntries[i].IP, pszHost) == 0) {
            return &reading.pEntries[i];
        }
    }
    if (reading.nFilled >= reading.nFree) {
        return nullptr;
    }
    CLIENT_IP* pEntry = &reading.pEntries[reading.nFilled++];
    strcpy(pEntry->IP, pszHost);
    pEntry->count = 0;
    return pEntry;
}

// "trapsink HOST [a [b]]": a further pair of the host's entry.
void ReadTrapsinkLine(ConfReading& reading, const ConfLine& line) {
    if (line.nTokens < 2 || !AddressFits(line.ppszTokens[1])) {
        return;
    }
    TrapsinkPair pair = ClassifyTrapsinkTokens(reading, line);
    if (!CommunityFits(pair.pszCommunity) || !PortFits(pair.pszPort)) {
        return;
    }
    CLIENT_IP* pEntry = FindOrAppendHost(reading, line.ppszTokens[1]);
    if (pEntry == nullptr || pEntry->count >= CLIENT_IP_MAX_PAIRS) {
        return;
    }
    strcpy(pEntry->szAccessMode[pEntry->count], pair.pszCommunity);
    snprintf(pEntry->port[pEntry->count], CLIENT_IP_PORT_SIZE, ":%s", pair.pszPort);
    pEntry->count++;
}

// Pass 2.
void ReadTrapSinks(ConfReading& reading, FILE* pConf) {
    CConfigLineReader reader(pConf, CONFIG_TEXT_MAX_BYTES);
    ConfLine line;
    while (ReadConfLine(reader, line)) {
        if (IsKeyword(line, TRAPSINK_KEYWORD)) {
            ReadTrapsinkLine(reading, line);
        }
    }
}

// Pass 3: an access source that no trapsink line named gets port 162.
void CompleteAccessSources(ConfReading& reading) {
    for (int i = 0; i < reading.nFilled; i++) {
        CLIENT_IP& entry = reading.pEntries[i];
        if (entry.count == 0) {
            snprintf(entry.port[0], CLIENT_IP_PORT_SIZE, ":%s", DEFAULT_TRAP_PORT);
            entry.count = 1;
        }
    }
}

// ---- The trap destination file ----------------------------------------------

// Reads snmpd.conf into the entries from nFirst on; its result, or 0 when
// the file cannot be opened.
int AddFromSystemConf(PCLIENT_IP pClientIPList, int nFirst) {
    int nAdded = GetClientIPListFromConf(gszSystemConf, pClientIPList + nFirst,
                                         CLIENT_IP_LIST_SIZE - nFirst);
    return nAdded < 0 ? 0 : nAdded;
}

// "ADDRESS [COMMUNITY]": entry n with one pair on the sender's default port.
// False when the line does not fit the entry.
bool ReadDestinationLine(const ConfLine& line, CLIENT_IP& entry) {
    const char* pszAddress = AddressOf(line.ppszTokens[0]);
    const char* pszCommunity = line.nTokens > 1 ? line.ppszTokens[1] : "";
    if (!AddressFits(pszAddress) || !CommunityFits(pszCommunity)) {
        return false;
    }
    strcpy(entry.IP, pszAddress);
    strcpy(entry.szAccessMode[0], pszCommunity);
    entry.port[0][0] = '\0';
    entry.count = 1;
    return true;
}

int ReadDestinationFile(FILE* pFile, PCLIENT_IP pClientIPList) {
    CConfigLineReader reader(pFile, CONFIG_TEXT_MAX_BYTES);
    int nInUse = 0;
    ConfLine line;
    while (nInUse < CLIENT_IP_LIST_SIZE && ReadConfLine(reader, line)) {
        if (line.nTokens == 0) {
            continue;
        }
        if (!IsKeyword(line, DEST_IND_KEYWORD)) {
            if (ReadDestinationLine(line, pClientIPList[nInUse])) {
                nInUse++;
            }
            continue;
        }
        if (line.nTokens < 2) {
            continue;
        }
        char cMode = line.ppszTokens[1][0];
        if (cMode == '1') {
            // snmpd.conf alone: whatever the file gave is replaced.
            if (gszSystemConf[0] != '\0') {
                ClearList(pClientIPList, CLIENT_IP_LIST_SIZE);
                nInUse = AddFromSystemConf(pClientIPList, 0);
            }
            return nInUse;
        }
        if (cMode == '3' && gszSystemConf[0] != '\0') {
            nInUse += AddFromSystemConf(pClientIPList, nInUse);
        }
        // Mode 2, and any other indicator, leaves the file's own destinations.
    }
    return nInUse;
}

} // namespace

int GetClientIPListFromConf(const char* pszConfFile, PCLIENT_IP pClientIP, int nFreeEntries) {
    ConfigFileStatus eStatus;
    FILE* pConf = OpenConfigFile(pszConfFile, CONFIG_TEXT_MAX_BYTES, eStatus);
    if (pConf == nullptr) {
        ReportStartupError("snmpd.conf %s: %s; no trap destinations from it", pszConfFile,
                           DescribeConfigFileStatus(eStatus));
        return -1;
    }
    ConfReading reading = {pClientIP, nFreeEntries, 0, false, {}};
    ReadAccessSources(reading, pConf);
    rewind(pConf);
    ReadTrapSinks(reading, pConf);
    fclose(pConf);
    CompleteAccessSources(reading);
    return reading.nFilled;
}

int GetClientIPList(const char* pszFileName, PCLIENT_IP pClientIPList) {
    ClearList(pClientIPList, CLIENT_IP_LIST_SIZE);
    const char* pszName = pszFileName == nullptr ? "" : pszFileName;
    ConfigFileStatus eStatus;
    FILE* pFile = OpenConfigFile(pszName, CONFIG_TEXT_MAX_BYTES, eStatus);
    if (pFile == nullptr) {
        printf("Cant open file..%s..\n", pszName);
        // A definition without a trap destination file sends no traps by
        // choice; a named file that cannot be read is a problem.
        if (pszName[0] != '\0') {
            ReportStartupError("trap destination file %s: %s; no traps are sent for its "
                               "definition",
                               pszName, DescribeConfigFileStatus(eStatus));
        }
        return -1;
    }
    int nInUse = ReadDestinationFile(pFile, pClientIPList);
    fclose(pFile);
    return nInUse;
}

// ---- Re-reading the destinations while the daemon serves ---------------------

namespace {

// Lists read by ReadPendingTrapDestinations, waiting to replace the lists in
// use. Written and read on the main thread only; the lists in use are
// replaced under MyMutex, which the event threads hold while they send.
struct TrapDestinationList {
    int nClientIPCount;
    CLIENT_IP ClientIPList[CLIENT_IP_LIST_SIZE];
};
std::vector<TrapDestinationList> g_vPendingDestinations;
bool g_bDestinationsPending = false;

} // namespace

void ReadPendingTrapDestinations() {
    g_vPendingDestinations.assign(static_cast<size_t>(g_noOfDLL < 0 ? 0 : g_noOfDLL),
                                  TrapDestinationList());
    for (int i = 0; i < g_noOfDLL; i++) {
        TrapDestinationList& stPending = g_vPendingDestinations[static_cast<size_t>(i)];
        stPending.nClientIPCount =
            GetClientIPList(getTrapDestinationFileName(i), stPending.ClientIPList);
    }
    g_bDestinationsPending = true;
}

bool ApplyPendingTrapDestinations() {
    if (!g_bDestinationsPending) {
        return true;
    }
    // A trap being sent holds the lock for as long as its senders run; the
    // request loop must not wait for it, so it tries again on its next turn.
    if (pthread_mutex_trylock(&MyMutex) != 0) {
        return false;
    }
    for (int i = 0; i < g_noOfDLL && g_pMIB_DC != nullptr; i++) {
        const TrapDestinationList& stPending = g_vPendingDestinations[static_cast<size_t>(i)];
        g_pMIB_DC[i].nClientIPCount = stPending.nClientIPCount;
        memcpy(g_pMIB_DC[i].ClientIPList, stPending.ClientIPList,
               sizeof(g_pMIB_DC[i].ClientIPList));
    }
    pthread_mutex_unlock(&MyMutex);
    g_vPendingDestinations.clear();
    g_bDestinationsPending = false;
    return true;
}
