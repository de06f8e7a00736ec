// Trap destinations of the daemon: the library's trap destination file and
// the trap keywords of snmpd.conf. What a line asks for and cannot get (a
// text that does not fit its field, a word that the sender would take as an
// option, a full list) is refused with a line on standard error and in the
// system log that names the file and the line.
#include "genpvktrapdest.h"

#include "TrapSecrets.h"
#include "TrapSession.h"
#include "genpvktrap.h"
#include "platform/AgentReport.h"
#include "platform/ConfigFile.h"

#include "dispatch/FindHolder.h"
#include "mib/parseini.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

char gszSystemConf[SYSTEM_CONF_SIZE];

namespace {

const int LINE_SIZE = 1024;              // lines of up to 1023 characters
const int MAX_LINE_TOKENS = 5;           // no keyword reads further than four
const int TRAP_COMMUNITY_SIZE = 25;      // trapcommunity values of up to 24
const int PORT_TEXT_MAX = 4;             // a port suffix is ":" and 4 digits
const int PORT_AS_TOKEN_MIN_LEADING = 7; // see IsLoneTokenAPort
const int REASON_SIZE = 512;
const size_t SHOWN_TEXT_MAX = 40;  // the start of a word shown in a message
const size_t SHOWN_PATH_MAX = 200; // the start of a file's path

const char* const DEST_IND_KEYWORD = "TrapDestInd";
const char* const TRAPCOMMUNITY_KEYWORD = "trapcommunity";
const char* const COM2SEC_KEYWORD = "com2sec";
const char* const TRAPSINK_KEYWORD = "trapsink";
const char* const TRAP2SINK_KEYWORD = "trap2sink";
const char* const INFORMSINK_KEYWORD = "informsink";
const char* const TRAPSESS_KEYWORD = "trapsess";
const char* const DEFAULT_KEYWORD = "default";
const char* const VERSION_2C_WORD = "2c";
const char* const VERSION_INFORM_WORD = "inform";
const char* const LOOPBACK_ADDRESS = "127.0.0.1";
const char* const DEFAULT_TRAP_PORT = "162";
const char* const DEFAULT_TRAP_COMMUNITY = "vazedi";

const char* const CONF_FILE_KIND = "snmpd.conf";
const char* const DEST_FILE_KIND = "trap destination file";

// Characters that cannot begin a port: letters and most punctuation.
const char* const LETTER_AND_PUNCTUATION =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ~`!@#$%^&*()_+={}:<>?[]',./'";

// One line of a configuration file split into its first tokens.
struct ConfLine {
    char szText[LINE_SIZE];
    char* ppszTokens[MAX_LINE_TOKENS];
    int nTokens;
    int nLine;
};

// Splits the line in szText. Comment lines and lines without tokens come
// back with nTokens 0. A carriage return ending the line is not part of its
// last token.
void SplitConfLine(ConfLine& line) {
    line.nTokens = 0;
    if (line.szText[0] == '#') {
        return;
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
}

// Reads the next line (or piece of a longer one) and splits it; false at the
// end of the file.
bool ReadConfLine(CConfigLineReader& reader, ConfLine& line) {
    line.nTokens = 0;
    if (!reader.nextLine(line.szText, sizeof(line.szText))) {
        return false;
    }
    line.nLine = reader.lineNumber();
    SplitConfLine(line);
    return true;
}

// Reads the next whole line: of a line longer than the buffer only its start
// is kept, the rest is read past and bOverlong is set.
bool ReadWholeLine(CConfigLineReader& reader, ConfLine& line, bool& bOverlong) {
    bOverlong = false;
    if (!reader.nextLine(line.szText, sizeof(line.szText))) {
        return false;
    }
    line.nLine = reader.lineNumber();
    size_t nLength = strlen(line.szText);
    if (nLength + 1 < sizeof(line.szText) || line.szText[nLength - 1] == '\n') {
        return true;
    }
    char szRest[LINE_SIZE];
    while (reader.nextLine(szRest, sizeof(szRest))) {
        size_t nRest = strlen(szRest);
        // A line end alone after a full buffer: the line was just 1023 long.
        if (strspn(szRest, "\r\n") != nRest) {
            bOverlong = true;
        }
        if ((nRest > 0 && szRest[nRest - 1] == '\n') || nRest + 1 < sizeof(szRest)) {
            break;
        }
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

// A word the sender would take as one of its options.
bool LooksLikeOption(const char* pszText) {
    return pszText[0] == '-';
}

void ClearList(PCLIENT_IP pClientIPList, int nEntries) {
    for (int i = 0; i < nEntries; i++) {
        pClientIPList[i] = CLIENT_IP();
    }
}

// ---- Messages -----------------------------------------------------------------

// A word as a message shows it: printable characters only, and at most the
// first nMax of them.
std::string Shown(const char* pszText, size_t nMax = SHOWN_TEXT_MAX) {
    std::string strShown;
    for (size_t i = 0; pszText[i] != '\0'; i++) {
        if (i == nMax) {
            return strShown + "...";
        }
        unsigned char cByte = static_cast<unsigned char>(pszText[i]);
        strShown += (cByte < 0x20 || cByte >= 0x7f) ? '?' : pszText[i];
    }
    return strShown;
}

// The file and line a message is about.
struct LinePlace {
    const char* pszKind; // CONF_FILE_KIND or DEST_FILE_KIND
    const char* pszFile;
    int nLine;
};

void ReportAt(const LinePlace& place, const char* pszFormat, ...) KORVO_PRINTF_FORMAT(2, 3);

void ReportAt(const LinePlace& place, const char* pszFormat, ...) {
    char szReason[REASON_SIZE];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(szReason, sizeof(szReason), pszFormat, args);
    va_end(args);
    ReportStartupWarning("%s %s line %d: %s", place.pszKind,
                         Shown(place.pszFile, SHOWN_PATH_MAX).c_str(), place.nLine, szReason);
}

// Reports why a destination cannot be taken; true when it can. The suffix
// is the port suffix the pair gets ("" or ":" and the port). Communities are
// not shown.
bool CheckDestination(const LinePlace& place, const char* pszAddress, const char* pszCommunity,
                      const char* pszPortSuffix) {
    if (LooksLikeOption(pszAddress)) {
        ReportAt(place, "the address %s would be taken as an option; refused",
                 Shown(pszAddress).c_str());
        return false;
    }
    if (LooksLikeOption(pszCommunity)) {
        ReportAt(place, "the community begins with '-' and would be taken as an option; refused");
        return false;
    }
    if (!AddressFits(pszAddress)) {
        ReportAt(place, "the address %s is longer than 23 characters; refused",
                 Shown(pszAddress).c_str());
        return false;
    }
    if (!CommunityFits(pszCommunity)) {
        ReportAt(place, "the community is longer than 31 characters; refused");
        return false;
    }
    if (strlen(pszPortSuffix) > static_cast<size_t>(PORT_TEXT_MAX + 1)) {
        ReportAt(place, "the port %s is longer than 4 digits; refused",
                 Shown(pszPortSuffix + 1).c_str());
        return false;
    }
    if (strlen(pszAddress) + strlen(pszPortSuffix) >= static_cast<size_t>(TRAP_TEXT_SIZE)) {
        ReportAt(place, "the address and port %s%s are longer than 23 characters; refused",
                 Shown(pszAddress).c_str(), Shown(pszPortSuffix).c_str());
        return false;
    }
    return true;
}

// ---- snmpd.conf -----------------------------------------------------------

// What the snmpd.conf reader carries from one pass to the next.
struct ConfReading {
    const char* pszFile;
    PCLIENT_IP pEntries;
    int nFree;
    int nFilled;
    bool bTrapCommunity;
    char szTrapCommunity[TRAP_COMMUNITY_SIZE];
};

LinePlace PlaceOf(const ConfReading& reading, const ConfLine& line) {
    return {CONF_FILE_KIND, reading.pszFile, line.nLine};
}

void ReportListFull(const LinePlace& place, const char* pszWhat) {
    ReportAt(place, "%s refused: the list holds no more than %d trap destinations", pszWhat,
             CLIENT_IP_LIST_SIZE);
}

// The first usable "trapcommunity" line sets the trap community.
void ReadTrapCommunityLine(ConfReading& reading, const ConfLine& line) {
    if (reading.bTrapCommunity) {
        return;
    }
    if (line.nTokens < 2) {
        ReportAt(PlaceOf(reading, line), "trapcommunity without a value; ignored");
        return;
    }
    if (!Fits(line.ppszTokens[1], TRAP_COMMUNITY_SIZE)) {
        ReportAt(PlaceOf(reading, line), "the trapcommunity value is longer than 24 characters; "
                                         "refused");
        return;
    }
    if (LooksLikeOption(line.ppszTokens[1])) {
        ReportAt(PlaceOf(reading, line), "the trapcommunity value begins with '-' and would be "
                                         "taken as an option; refused");
        return;
    }
    strcpy(reading.szTrapCommunity, line.ppszTokens[1]);
    reading.bTrapCommunity = true;
}

// "com2sec NAME SOURCE [COMMUNITY]": the source becomes an entry without
// pairs; the community, or the trap community when one was set above, is
// kept for its pair 0.
void ReadCom2secLine(ConfReading& reading, const ConfLine& line) {
    if (line.nTokens < 3) {
        return;
    }
    LinePlace place = PlaceOf(reading, line);
    const char* pszAddress = AddressOf(line.ppszTokens[2]);
    const char* pszCommunity = "";
    if (line.nTokens > 3) {
        pszCommunity = reading.bTrapCommunity ? reading.szTrapCommunity : line.ppszTokens[3];
    }
    // The pair it gets, unless a trapsink line names the source, is port 162.
    std::string strSuffix = std::string(":") + DEFAULT_TRAP_PORT;
    if (!CheckDestination(place, pszAddress, pszCommunity, strSuffix.c_str())) {
        return;
    }
    if (reading.nFilled >= reading.nFree) {
        ReportListFull(place, "com2sec source");
        return;
    }
    CLIENT_IP& entry = reading.pEntries[reading.nFilled++];
    strcpy(entry.IP, pszAddress);
    strcpy(entry.szAccessMode[0], pszCommunity);
    entry.count = 0;
}

// One keyword of a pass over snmpd.conf and the reader of its lines.
struct ConfKeywordReader {
    const char* pszKeyword;
    void (*pfnReadLine)(ConfReading& reading, const ConfLine& line);
};

// Reads the whole file once, handing each line to the reader of its keyword;
// lines of other keywords are passed over.
template <size_t nReaders>
void ReadConfPass(ConfReading& reading, FILE* pConf,
                  const ConfKeywordReader (&aReaders)[nReaders]) {
    CConfigLineReader reader(pConf, CONFIG_TEXT_MAX_BYTES);
    ConfLine line;
    while (ReadConfLine(reader, line)) {
        for (const ConfKeywordReader& stReader : aReaders) {
            if (IsKeyword(line, stReader.pszKeyword)) {
                stReader.pfnReadLine(reading, line);
                break;
            }
        }
    }
}

// Pass 1. Once the list is full no further source is taken, but the file is
// still read for its trap community, which reaches every trapsink line.
void ReadAccessSources(ConfReading& reading, FILE* pConf) {
    static const ConfKeywordReader aReaders[] = {
        {TRAPCOMMUNITY_KEYWORD, ReadTrapCommunityLine},
        {COM2SEC_KEYWORD, ReadCom2secLine},
    };
    ReadConfPass(reading, pConf, aReaders);
}

// The community and port that the tokens after a sink line's host give.
struct SinkPair {
    const char* pszCommunity;
    const char* pszPort;
    bool bPortGiven;
};

// A lone token after the host is a port only when it begins with at least
// seven characters outside the letter-and-punctuation set.
bool IsLoneTokenAPort(const char* pszToken) {
    return strcspn(pszToken, LETTER_AND_PUNCTUATION) >= PORT_AS_TOKEN_MIN_LEADING;
}

SinkPair ClassifySinkTokens(const ConfReading& reading, const ConfLine& line) {
    const char* pszDefaultCommunity =
        reading.bTrapCommunity ? reading.szTrapCommunity : DEFAULT_TRAP_COMMUNITY;
    if (line.nTokens < 3) {
        return {pszDefaultCommunity, DEFAULT_TRAP_PORT, false};
    }
    if (line.nTokens > 3) {
        return {line.ppszTokens[2], line.ppszTokens[3], true};
    }
    if (IsLoneTokenAPort(line.ppszTokens[2])) {
        return {pszDefaultCommunity, line.ppszTokens[2], true};
    }
    return {line.ppszTokens[2], DEFAULT_TRAP_PORT, false};
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
    LinePlace place = PlaceOf(reading, line);
    if (line.nTokens < 2) {
        ReportAt(place, "trapsink without a host; ignored");
        return;
    }
    const char* pszHost = line.ppszTokens[1];
    SinkPair pair = ClassifySinkTokens(reading, line);
    std::string strSuffix = std::string(":") + pair.pszPort;
    if (!CheckDestination(place, pszHost, pair.pszCommunity, strSuffix.c_str())) {
        return;
    }
    CLIENT_IP* pEntry = FindOrAppendHost(reading, pszHost);
    if (pEntry == nullptr) {
        ReportListFull(place, "trapsink");
        return;
    }
    if (pEntry->count >= CLIENT_IP_MAX_PAIRS) {
        ReportAt(place, "the address %s has its 5 community/port pairs already; refused",
                 Shown(pszHost).c_str());
        return;
    }
    strcpy(pEntry->szAccessMode[pEntry->count], pair.pszCommunity);
    snprintf(pEntry->port[pEntry->count], CLIENT_IP_PORT_SIZE, "%s", strSuffix.c_str());
    pEntry->count++;
}

// Pass 2.
void ReadTrapSinks(ConfReading& reading, FILE* pConf) {
    static const ConfKeywordReader aReaders[] = {{TRAPSINK_KEYWORD, ReadTrapsinkLine}};
    ReadConfPass(reading, pConf, aReaders);
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

// The next free entry of the list, or null (reported) when it is full.
CLIENT_IP* NextFreeEntry(ConfReading& reading, const LinePlace& place, const char* pszKeyword) {
    if (reading.nFilled >= reading.nFree) {
        ReportListFull(place, pszKeyword);
        return nullptr;
    }
    return &reading.pEntries[reading.nFilled];
}

// "trap2sink HOST [COMMUNITY [PORT]]" and "informsink ...": an entry of its
// own with one pair. The community is found as for trapsink. Without a port
// the pair gets port 162, unless the host names its own (a colon in it).
void ReadNotificationSinkLine(ConfReading& reading, const ConfLine& line, TrapKind eKind) {
    LinePlace place = PlaceOf(reading, line);
    const char* pszKeyword = line.ppszTokens[0];
    if (line.nTokens < 2) {
        ReportAt(place, "%s without a host; refused", pszKeyword);
        return;
    }
    if (line.nTokens > 4) {
        ReportAt(place, "%s takes HOST [COMMUNITY [PORT]], more words follow; refused", pszKeyword);
        return;
    }
    const char* pszHost = line.ppszTokens[1];
    SinkPair pair = ClassifySinkTokens(reading, line);
    std::string strSuffix;
    if (pair.bPortGiven || strchr(pszHost, ':') == nullptr) {
        strSuffix = std::string(":") + pair.pszPort;
    }
    if (!CheckDestination(place, pszHost, pair.pszCommunity, strSuffix.c_str())) {
        return;
    }
    CLIENT_IP* pEntry = NextFreeEntry(reading, place, pszKeyword);
    if (pEntry == nullptr) {
        return;
    }
    strcpy(pEntry->IP, pszHost);
    strcpy(pEntry->szAccessMode[0], pair.pszCommunity);
    snprintf(pEntry->port[0], CLIENT_IP_PORT_SIZE, "%s", strSuffix.c_str());
    pEntry->aKind[0] = static_cast<unsigned char>(eKind);
    pEntry->count = 1;
    reading.nFilled++;
}

// The text after the line's first word.
const char* TextAfterKeyword(const char* pszLine) {
    const char* pszText = pszLine + strspn(pszLine, " \t");
    return pszText + strcspn(pszText, " \t\n");
}

// "trapsess [ARGUMENTS] HOST[:PORT]": an entry of its own whose one pair is
// sent with the line's arguments; its secrets go into a snmp.conf.
void ReadTrapSessionLine(ConfReading& reading, const ConfLine& line, const char* pszRawLine) {
    LinePlace place = PlaceOf(reading, line);
    TrapSessionLine session;
    if (!ParseTrapSession(SplitTrapSessionWords(TextAfterKeyword(pszRawLine)), session)) {
        ReportAt(place, "trapsess: %s; refused",
                 Shown(session.strError.c_str(), REASON_SIZE).c_str());
        return;
    }
    if (!CheckDestination(place, session.strHost.c_str(), "", "")) {
        return;
    }
    CLIENT_IP* pEntry = NextFreeEntry(reading, place, TRAPSESS_KEYWORD);
    if (pEntry == nullptr) {
        return;
    }
    TRAP_SESSION& stSession = session.stSession;
    std::string strError;
    if (!session.vSecrets.empty() &&
        !WriteTrapSecrets(session.vSecrets, stSession.szSecretsFolder,
                          sizeof(stSession.szSecretsFolder), strError)) {
        ReportAt(place, "trapsess: its secrets cannot be kept: %s; refused", strError.c_str());
        return;
    }
    strcpy(pEntry->IP, session.strHost.c_str());
    pEntry->aKind[0] = TRAP_KIND_SESSION;
    pEntry->stSession = stSession;
    pEntry->count = 1;
    reading.nFilled++;
}

// Pass 4: trap2sink, informsink and trapsess lines, in file order, after
// every destination of the older keywords.
void ReadNotificationLines(ConfReading& reading, FILE* pConf) {
    CConfigLineReader reader(pConf, CONFIG_TEXT_MAX_BYTES);
    ConfLine line;
    char szRawLine[LINE_SIZE];
    bool bOverlong = false;
    while (ReadWholeLine(reader, line, bOverlong)) {
        memcpy(szRawLine, line.szText, sizeof(szRawLine));
        size_t nLength = strcspn(szRawLine, "\n");
        szRawLine[nLength] = '\0';
        if (nLength > 0 && szRawLine[nLength - 1] == '\r') {
            szRawLine[nLength - 1] = '\0';
        }
        SplitConfLine(line);
        TrapKind eKind;
        if (IsKeyword(line, TRAP2SINK_KEYWORD)) {
            eKind = TRAP_KIND_V2C;
        } else if (IsKeyword(line, INFORMSINK_KEYWORD)) {
            eKind = TRAP_KIND_INFORM;
        } else if (IsKeyword(line, TRAPSESS_KEYWORD)) {
            eKind = TRAP_KIND_SESSION;
        } else {
            continue;
        }
        if (bOverlong) {
            ReportAt(PlaceOf(reading, line), "%s line longer than 1023 characters; refused",
                     line.ppszTokens[0]);
        } else if (eKind == TRAP_KIND_SESSION) {
            ReadTrapSessionLine(reading, line, szRawLine);
        } else {
            ReadNotificationSinkLine(reading, line, eKind);
        }
    }
}

// ---- The trap destination file ----------------------------------------------

// Reads snmpd.conf into the entries from nFirst on; its result, or 0 when
// the file cannot be opened.
int AddFromSystemConf(PCLIENT_IP pClientIPList, int nFirst) {
    int nAdded = GetClientIPListFromConf(gszSystemConf, pClientIPList + nFirst,
                                         CLIENT_IP_LIST_SIZE - nFirst);
    return nAdded == TRAP_DESTINATIONS_UNREADABLE ? 0 : nAdded;
}

// The kind a destination line's third word asks for; SNMPv1 without one.
TrapKind KindOfVersionWord(const LinePlace& place, const ConfLine& line) {
    if (line.nTokens > 3) {
        ReportAt(place, "words after the version word are ignored");
    }
    if (line.nTokens < 3) {
        return TRAP_KIND_V1;
    }
    const char* pszWord = line.ppszTokens[2];
    if (strcmp(pszWord, VERSION_2C_WORD) == 0) {
        return TRAP_KIND_V2C;
    }
    if (strcmp(pszWord, VERSION_INFORM_WORD) == 0) {
        return TRAP_KIND_INFORM;
    }
    ReportAt(place, "the third word %s is neither 2c nor inform; sent as SNMPv1",
             Shown(pszWord).c_str());
    return TRAP_KIND_V1;
}

// "ADDRESS [COMMUNITY [2c|inform]]": entry n with one pair on the sender's
// default port. False when the line does not fit the entry.
bool ReadDestinationLine(const LinePlace& place, const ConfLine& line, CLIENT_IP& entry) {
    const char* pszAddress = AddressOf(line.ppszTokens[0]);
    const char* pszCommunity = line.nTokens > 1 ? line.ppszTokens[1] : "";
    if (!CheckDestination(place, pszAddress, pszCommunity, "")) {
        return false;
    }
    TrapKind eKind = KindOfVersionWord(place, line);
    strcpy(entry.IP, pszAddress);
    strcpy(entry.szAccessMode[0], pszCommunity);
    entry.port[0][0] = '\0';
    entry.aKind[0] = static_cast<unsigned char>(eKind);
    entry.count = 1;
    return true;
}

// The indicator line "TrapDestInd MODE" has a mode digit the reader knows.
bool IsKnownIndicator(const LinePlace& place, const ConfLine& line) {
    if (line.nTokens < 2) {
        ReportAt(place, "TrapDestInd without an indicator; ignored");
        return false;
    }
    char cMode = line.ppszTokens[1][0];
    if (cMode != '1' && cMode != '2' && cMode != '3') {
        ReportAt(place, "the indicator %s is not 1, 2 or 3; ignored",
                 Shown(line.ppszTokens[1]).c_str());
        return false;
    }
    return true;
}

// Once the list is full the reader stops; a destination below is refused.
void ReportLinesBeyondFullList(CConfigLineReader& reader, const char* pszFile) {
    ConfLine line;
    while (ReadConfLine(reader, line)) {
        if (line.nTokens > 0) {
            LinePlace place = {DEST_FILE_KIND, pszFile, line.nLine};
            ReportListFull(place, "this line and those below it");
            return;
        }
    }
}

int ReadDestinationFile(FILE* pFile, const char* pszFile, PCLIENT_IP pClientIPList) {
    CConfigLineReader reader(pFile, CONFIG_TEXT_MAX_BYTES);
    int nInUse = 0;
    ConfLine line;
    while (nInUse < CLIENT_IP_LIST_SIZE && ReadConfLine(reader, line)) {
        if (line.nTokens == 0) {
            continue;
        }
        LinePlace place = {DEST_FILE_KIND, pszFile, line.nLine};
        if (!IsKeyword(line, DEST_IND_KEYWORD)) {
            if (ReadDestinationLine(place, line, pClientIPList[nInUse])) {
                nInUse++;
            }
            continue;
        }
        if (!IsKnownIndicator(place, line)) {
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
        // Mode 2 leaves the file's own destinations.
    }
    if (nInUse >= CLIENT_IP_LIST_SIZE) {
        ReportLinesBeyondFullList(reader, pszFile);
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
        return TRAP_DESTINATIONS_UNREADABLE;
    }
    ConfReading reading = {pszConfFile, pClientIP, nFreeEntries, 0, false, {}};
    ReadAccessSources(reading, pConf);
    rewind(pConf);
    ReadTrapSinks(reading, pConf);
    CompleteAccessSources(reading);
    rewind(pConf);
    ReadNotificationLines(reading, pConf);
    fclose(pConf);
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
        return TRAP_DESTINATIONS_UNREADABLE;
    }
    int nInUse = ReadDestinationFile(pFile, pszName, pClientIPList);
    fclose(pFile);
    return nInUse;
}

// ---- Re-reading the destinations while the daemon serves ---------------------

namespace {

// Lists read by ReadPendingTrapDestinations, waiting to replace the lists in
// use. Writers and readers: the main thread only, between requests after a
// SIGHUP (ReadPendingTrapDestinations, ApplyPendingTrapDestinations); the
// lists in use are replaced under MyMutex, which the event threads hold while
// they send.
struct TrapDestinationList {
    int nClientIPCount;
    CLIENT_IP ClientIPList[CLIENT_IP_LIST_SIZE];
};
std::vector<TrapDestinationList> g_vPendingDestinations;
bool g_bDestinationsPending = false;

} // namespace

void ReadPendingTrapDestinations() {
    // The secrets of the lists read now go into files of their own; those in
    // use stay until these lists replace them.
    BeginTrapSecretsGeneration();
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
    // No sender runs now, so none reads the secrets the old lists pointed at.
    CommitTrapSecretsGeneration();
    pthread_mutex_unlock(&MyMutex);
    g_vPendingDestinations.clear();
    g_bDestinationsPending = false;
    return true;
}
