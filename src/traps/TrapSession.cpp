// snmpd.conf's trapsess lines: splitting, option checks and secrets.
#include "TrapSession.h"

#include "dispatch/FindHolder.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

// Options that take a value and that a trapsess line may give the sender:
// version, community, the SNMPv3 user, level, protocols, engines, context,
// timeout, retries, -C (inform) and -3 (SNMPv3 forms). -A and -X are here
// too: their values are secrets and leave the words. (-Z is not: its older
// form reads a word beyond its value.)
const char* const SESSION_OPTIONS = "vculaxeEntrCAX3";
// The SNMPv3 forms after -3 that are kept in the words.
const char* const SESSION_V3_KEPT = "eEnulax";

// snmpd's own names of a session, which only its notification tables use.
const char* const SNMPD_SESSION_NAMES[] = {"-profile", "-name", "-tag"};

// The snmp.conf directives that carry a secret, spelt as net-snmp spells them.
const char* const SECRET_DIRECTIVES[] = {
    "defPassphrase",    "defAuthPassphrase",   "defPrivPassphrase",  "defAuthMasterKey",
    "defPrivMasterKey", "defAuthLocalizedKey", "defPrivLocalizedKey"};

const char* SecretDirectiveOfOption(char cOption) {
    switch (cOption) {
    case 'A':
        return "defAuthPassphrase";
    case 'X':
        return "defPrivPassphrase";
    case 'm':
        return "defAuthMasterKey";
    case 'M':
        return "defPrivMasterKey";
    case 'k':
        return "defAuthLocalizedKey";
    case 'K':
        return "defPrivLocalizedKey";
    default:
        return nullptr;
    }
}

bool IsLineSpace(char c) {
    return isspace(static_cast<unsigned char>(c)) != 0;
}

// As snmpd: skips white space; null at the end of the text or at a '#'.
const char* SkipWhite(const char* pszText) {
    while (*pszText != '\0' && IsLineSpace(*pszText)) {
        pszText++;
    }
    return (*pszText == '\0' || *pszText == '#') ? nullptr : pszText;
}

// One word from pszText into strWord; returns where the next word starts,
// or null when there is none.
const char* CopyWord(const char* pszText, std::string& strWord) {
    strWord.clear();
    if (*pszText == '"' || *pszText == '\'') {
        char cQuote = *pszText++;
        while (*pszText != '\0' && *pszText != cQuote) {
            if (*pszText == '\\' && pszText[1] != '\0') {
                pszText++;
            }
            strWord += *pszText++;
        }
        if (*pszText == cQuote) {
            pszText++;
        }
    } else {
        while (*pszText != '\0' && !IsLineSpace(*pszText)) {
            if (*pszText == '\\' && pszText[1] != '\0') {
                pszText++;
            }
            strWord += *pszText++;
        }
    }
    return SkipWhite(pszText);
}

bool IsControlCharacter(char c) {
    unsigned char cByte = static_cast<unsigned char>(c);
    return cByte < 0x20 || cByte == 0x7f;
}

bool HoldsControlCharacters(const std::string& strText) {
    for (char c : strText) {
        if (IsControlCharacter(c)) {
            return true;
        }
    }
    return false;
}

// The state of one line's analysis.
class CSessionReader {
  public:
    CSessionReader(const std::vector<std::string>& vWords, TrapSessionLine& line)
        : m_vWords(vWords), m_line(line) {}

    bool read();

  private:
    bool refuse(const std::string& strReason) {
        m_line.strError = strReason;
        return false;
    }
    bool readOption(const std::string& strWord);
    bool readLongOption(const std::string& strWord);
    bool readV3Option(const std::string& strWord, std::string strValue);
    bool readValueOf(char cOption, const std::string& strValue);
    bool takeSecret(const char* pszDirective, const std::string& strValue,
                    const std::string& strOption);
    bool takeHost(const std::string& strWord);
    bool nextWord(std::string& strWord);
    bool addInformBounds();
    bool storeWords();

    const std::vector<std::string>& m_vWords;
    TrapSessionLine& m_line;
    size_t m_nNext = 0;
    std::vector<std::string> m_vKept;
    bool m_bHost = false;
    bool m_bTimeout = false;
    bool m_bRetries = false;
    double m_dTimeout = 1.0;
    long m_nRetries = 3;
};

bool CSessionReader::nextWord(std::string& strWord) {
    if (m_nNext >= m_vWords.size()) {
        return false;
    }
    strWord = m_vWords[m_nNext++];
    return true;
}

bool CSessionReader::read() {
    if (m_vWords.size() > static_cast<size_t>(TRAP_SESSION_MAX_WORDS)) {
        return refuse("more than 127 words");
    }
    m_line.stSession.cVersion = '3'; // the sender's own default
    // snmpd's names of the session come first and name nothing here.
    while (m_nNext + 1 < m_vWords.size()) {
        bool bName = false;
        for (const char* pszName : SNMPD_SESSION_NAMES) {
            bName = bName || m_vWords[m_nNext] == pszName;
        }
        if (!bName) {
            break;
        }
        m_nNext += 2;
    }
    std::string strWord;
    while (nextWord(strWord)) {
        bool bOption = strWord.size() >= 2 && strWord[0] == '-';
        if (!(bOption ? readOption(strWord) : takeHost(strWord))) {
            return false;
        }
    }
    if (!m_bHost) {
        return refuse("no host");
    }
    return addInformBounds() && storeWords();
}

bool CSessionReader::takeHost(const std::string& strWord) {
    if (m_bHost) {
        return refuse("more than one host, or a stray word");
    }
    if (strWord.empty() || strWord[0] == '-') {
        return refuse("the host is empty or would be taken as an option");
    }
    if (strWord.size() >= static_cast<size_t>(CLIENT_IP_ADDRESS_SIZE)) {
        return refuse("the host is longer than 23 characters");
    }
    for (char c : strWord) {
        if (IsLineSpace(c) || IsControlCharacter(c)) {
            return refuse("the host holds white space or control characters");
        }
    }
    m_line.strHost = strWord;
    m_bHost = true;
    return true;
}

bool CSessionReader::readOption(const std::string& strWord) {
    if (strWord == "--") {
        return refuse("'--' is not taken");
    }
    if (strWord[1] == '-') {
        return readLongOption(strWord);
    }
    char cOption = strWord[1];
    if (strchr(SESSION_OPTIONS, cOption) == nullptr) {
        return refuse(std::string("option -") + cOption + " is not taken");
    }
    std::string strValue;
    bool bAttached = strWord.size() > 2;
    if (bAttached) {
        strValue = strWord.substr(2);
    } else if (!nextWord(strValue)) {
        return refuse(std::string("option -") + cOption + " lacks its value");
    }
    if (cOption == '3') {
        return readV3Option(strWord, strValue);
    }
    if (cOption == 'A' || cOption == 'X') {
        return takeSecret(SecretDirectiveOfOption(cOption), strValue, std::string("-") + cOption);
    }
    if (!readValueOf(cOption, strValue)) {
        return false;
    }
    m_vKept.push_back(strWord);
    if (!bAttached) {
        m_vKept.push_back(strValue);
    }
    return true;
}

// The value of a kept option, where the daemon needs it.
bool CSessionReader::readValueOf(char cOption, const std::string& strValue) {
    TRAP_SESSION& stSession = m_line.stSession;
    switch (cOption) {
    case 'v':
        if (strValue == "1") {
            stSession.cVersion = '1';
        } else if (strcasecmp(strValue.c_str(), "2c") == 0) {
            stSession.cVersion = '2';
        } else if (strValue == "3") {
            stSession.cVersion = '3';
        } else {
            return refuse("the version is not 1, 2c or 3");
        }
        return true;
    case 'C':
        if (strValue != "i") {
            return refuse("-C other than -Ci");
        }
        stSession.bInform = true;
        return true;
    case 't': {
        char* pszEnd = nullptr;
        errno = 0;
        m_dTimeout = strtod(strValue.c_str(), &pszEnd);
        if (errno != 0 || pszEnd == strValue.c_str() || *pszEnd != '\0' ||
            !std::isfinite(m_dTimeout) || m_dTimeout <= 0) {
            return refuse("the timeout is not a positive number of seconds");
        }
        m_bTimeout = true;
        return true;
    }
    case 'r': {
        char* pszEnd = nullptr;
        errno = 0;
        m_nRetries = strtol(strValue.c_str(), &pszEnd, 10);
        if (errno != 0 || !isdigit(static_cast<unsigned char>(strValue[0])) || *pszEnd != '\0') {
            return refuse("the retry count is not a number");
        }
        m_bRetries = true;
        return true;
    }
    default:
        return true;
    }
}

// -3 followed by a letter and a value: "-3A=value", "-3A value" (one word),
// "-3Avalue", or the value in the next word.
bool CSessionReader::readV3Option(const std::string& strWord, std::string strValue) {
    std::string strOriginal = strValue;
    size_t nWordsBefore = m_nNext;
    if (strValue.empty()) {
        return refuse("option -3 lacks its letter");
    }
    char cForm = strValue[0];
    strValue.erase(0, 1);
    if (!strValue.empty() && strValue[0] == '=') {
        strValue.erase(0, 1);
    }
    while (!strValue.empty() && IsLineSpace(strValue[0])) {
        strValue.erase(0, 1);
    }
    bool bValueWord = strValue.empty();
    if (bValueWord && !nextWord(strValue)) {
        return refuse(std::string("option -3") + cForm + " lacks its value");
    }
    const char* pszDirective = SecretDirectiveOfOption(cForm);
    if (pszDirective != nullptr) {
        return takeSecret(pszDirective, strValue, std::string("-3") + cForm);
    }
    if (strchr(SESSION_V3_KEPT, cForm) == nullptr) {
        return refuse(std::string("option -3") + cForm + " is not taken");
    }
    // The words as the line gave them.
    m_vKept.push_back(strWord);
    if (strWord.size() == 2) {
        m_vKept.push_back(strOriginal);
    }
    if (bValueWord) {
        m_vKept.push_back(m_vWords[nWordsBefore]);
    }
    return true;
}

// "--NAME=VALUE", "--NAME VALUE" (one word) or a bare "--NAME" (value 1):
// the sender takes it as the configuration line "NAME VALUE". Only the
// directives of secrets are taken, and they leave the words.
bool CSessionReader::readLongOption(const std::string& strWord) {
    std::string strBody = strWord.substr(2);
    size_t nSplit = strBody.find_first_of("= ");
    std::string strName = strBody.substr(0, nSplit);
    std::string strValue = nSplit == std::string::npos ? "1" : strBody.substr(nSplit + 1);
    for (const char* pszDirective : SECRET_DIRECTIVES) {
        if (strcasecmp(strName.c_str(), pszDirective) != 0) {
            continue;
        }
        while (!strValue.empty() && IsLineSpace(strValue[0])) {
            strValue.erase(0, 1);
        }
        if (!strValue.empty() && strValue[0] == '"') {
            std::string strQuoted = strValue;
            CopyWord(strQuoted.c_str(), strValue);
        }
        return takeSecret(pszDirective, strValue, std::string("--") + pszDirective);
    }
    return refuse("option --" + strName.substr(0, 40) + " is not taken");
}

bool CSessionReader::takeSecret(const char* pszDirective, const std::string& strValue,
                                const std::string& strOption) {
    if (strValue.empty() || strValue.size() > TRAP_SECRET_MAX_LENGTH ||
        HoldsControlCharacters(strValue)) {
        return refuse("the value of " + strOption +
                      " is empty, longer than 255 characters or holds control characters");
    }
    m_line.vSecrets.push_back({pszDirective, strValue});
    return true;
}

// An inform gets the daemon's bounds unless the line gives its own, which
// must not wait longer than the sender is given.
bool CSessionReader::addInformBounds() {
    const TRAP_SESSION& stSession = m_line.stSession;
    if (!stSession.bInform) {
        return true;
    }
    if (stSession.cVersion == '1') {
        return refuse("-Ci with -v 1 (SNMPv1 has no informs)");
    }
    if (!m_bTimeout) {
        m_vKept.insert(m_vKept.end(), {"-t", TRAP_INFORM_TIMEOUT});
        m_dTimeout = atof(TRAP_INFORM_TIMEOUT);
    }
    if (!m_bRetries) {
        m_vKept.insert(m_vKept.end(), {"-r", TRAP_INFORM_RETRIES});
        m_nRetries = atol(TRAP_INFORM_RETRIES);
    }
    double dExchanges = stSession.cVersion == '3' ? 2.0 : 1.0;
    if (dExchanges * m_dTimeout * (static_cast<double>(m_nRetries) + 1.0) >
        TRAP_INFORM_MAX_WAIT_S) {
        return refuse("the inform could wait longer than 8 seconds for its answer (-t and -r)");
    }
    return true;
}

bool CSessionReader::storeWords() {
    TRAP_SESSION& stSession = m_line.stSession;
    size_t nUsed = 0;
    for (const std::string& strKept : m_vKept) {
        if (nUsed + strKept.size() + 1 > sizeof(stSession.szWords)) {
            return refuse("the words do not fit 1023 characters");
        }
        memcpy(stSession.szWords + nUsed, strKept.c_str(), strKept.size() + 1);
        nUsed += strKept.size() + 1;
        stSession.nWords++;
    }
    return true;
}

} // namespace

std::vector<std::string> SplitTrapSessionWords(const char* pszText) {
    std::vector<std::string> vWords;
    const char* pszNext = pszText == nullptr ? nullptr : SkipWhite(pszText);
    std::string strWord;
    while (pszNext != nullptr) {
        pszNext = CopyWord(pszNext, strWord);
        vWords.push_back(strWord);
    }
    return vWords;
}

bool ParseTrapSession(const std::vector<std::string>& vWords, TrapSessionLine& line) {
    line = TrapSessionLine();
    CSessionReader reader(vWords, line);
    if (!reader.read()) {
        line.vSecrets.clear();
        line.stSession = TRAP_SESSION();
        return false;
    }
    return true;
}

int ListSessionWords(const TRAP_SESSION& stSession, const char** ppszWords, int nMax) {
    int nListed = 0;
    size_t nAt = 0;
    while (nListed < stSession.nWords && nListed < nMax && nAt < sizeof(stSession.szWords)) {
        const char* pszWord = stSession.szWords + nAt;
        const void* pEnd = memchr(pszWord, '\0', sizeof(stSession.szWords) - nAt);
        if (pEnd == nullptr) {
            break; // a damaged session lists what is whole
        }
        ppszWords[nListed++] = pszWord;
        nAt = static_cast<size_t>(static_cast<const char*>(pEnd) - stSession.szWords) + 1;
    }
    return nListed;
}
