#include "ProfileIni.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

std::string trimmed(const std::string& strText) {
    const char* pszBlank = " \t\r\n";
    size_t nFirst = strText.find_first_not_of(pszBlank);
    if (nFirst == std::string::npos) {
        return std::string();
    }
    size_t nLast = strText.find_last_not_of(pszBlank);
    return strText.substr(nFirst, nLast - nFirst + 1);
}

bool sameName(const std::string& strName, const char* pszName) {
    size_t nLength = strlen(pszName);
    if (strName.size() != nLength) {
        return false;
    }
    for (size_t i = 0; i < nLength; i++) {
        if (tolower(static_cast<unsigned char>(strName[i])) !=
            tolower(static_cast<unsigned char>(pszName[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CProfileIni::load(const char* pszFile) {
    std::ifstream file(pszFile, std::ios::binary);
    if (!file) {
        return false;
    }
    m_sections.clear();
    Section* pCurrent = nullptr;
    std::string strLine;
    while (std::getline(file, strLine)) {
        std::string strText = trimmed(strLine);
        if (strText.empty() || strText[0] == ';' || strText[0] == '#') {
            continue;
        }
        if (strText[0] == '[') {
            size_t nClose = strText.find(']');
            std::string strName = trimmed(
                strText.substr(1, nClose == std::string::npos ? std::string::npos : nClose - 1));
            m_sections.push_back(Section{strName, {}});
            pCurrent = &m_sections.back();
            continue;
        }
        size_t nEquals = strText.find('=');
        if (pCurrent == nullptr || nEquals == std::string::npos) {
            continue;
        }
        pCurrent->entries.push_back(
            Entry{trimmed(strText.substr(0, nEquals)), trimmed(strText.substr(nEquals + 1))});
    }
    return true;
}

const CProfileIni::Section* CProfileIni::findSection(const char* pszSection) const {
    for (const Section& section : m_sections) {
        if (sameName(section.strName, pszSection)) {
            return &section;
        }
    }
    return nullptr;
}

const std::string* CProfileIni::findValue(const char* pszSection, const char* pszKey) const {
    // A section that occurs twice is read as one: the first key of a name wins.
    for (const Section& section : m_sections) {
        if (!sameName(section.strName, pszSection)) {
            continue;
        }
        for (const Entry& entry : section.entries) {
            if (sameName(entry.strKey, pszKey)) {
                return &entry.strValue;
            }
        }
    }
    return nullptr;
}

bool CProfileIni::hasSection(const char* pszSection) const {
    return findSection(pszSection) != nullptr;
}

bool CProfileIni::hasKey(const char* pszSection, const char* pszKey) const {
    return findValue(pszSection, pszKey) != nullptr;
}

size_t CProfileIni::getString(const char* pszSection, const char* pszKey, const char* pszDefault,
                              char* pszBuffer, size_t nSize) const {
    if (nSize == 0) {
        return 0;
    }
    const std::string* pValue = findValue(pszSection, pszKey);
    const char* pszText = pValue != nullptr ? pValue->c_str() : pszDefault;
    size_t nLength = strlen(pszText);
    if (nLength > nSize - 1) {
        nLength = nSize - 1;
    }
    memcpy(pszBuffer, pszText, nLength);
    pszBuffer[nLength] = 0;
    return nLength;
}

int CProfileIni::getInt(const char* pszSection, const char* pszKey, int nDefault) const {
    const std::string* pValue = findValue(pszSection, pszKey);
    if (pValue == nullptr) {
        return nDefault;
    }
    const char* pszText = pValue->c_str();
    bool bNegative = *pszText == '-';
    if (*pszText == '-' || *pszText == '+') {
        pszText++;
    }
    long long nValue = 0;
    while (isdigit(static_cast<unsigned char>(*pszText)) && nValue < 100000000000LL) {
        nValue = nValue * 10 + (*pszText - '0');
        pszText++;
    }
    if (nValue > 2147483647LL) {
        nValue = 2147483647LL;
    }
    return static_cast<int>(bNegative ? -nValue : nValue);
}
