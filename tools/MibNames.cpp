#include "MibNames.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

bool isAlnum(char c) {
    return isalnum(static_cast<unsigned char>(c)) != 0;
}

char upper(char c) {
    return static_cast<char>(toupper(static_cast<unsigned char>(c)));
}

char lower(char c) {
    return static_cast<char>(tolower(static_cast<unsigned char>(c)));
}

// The words of a capitalised name: "PhysicalDrive" gives Physical, Drive.
std::vector<std::string> splitWords(const std::string& strWord) {
    std::vector<std::string> words;
    for (char c : strWord) {
        if (words.empty() || isupper(static_cast<unsigned char>(c))) {
            words.emplace_back();
        }
        words.back() += c;
    }
    return words;
}

std::string lowerFirst(std::string strName) {
    if (!strName.empty()) {
        strName[0] = lower(strName[0]);
    }
    return strName;
}

// The file name without folder and extension.
std::string baseName(const std::string& strFile) {
    size_t nSlash = strFile.find_last_of('/');
    std::string strBase = nSlash == std::string::npos ? strFile : strFile.substr(nSlash + 1);
    size_t nDot = strBase.find_last_of('.');
    return nDot == std::string::npos || nDot == 0 ? strBase : strBase.substr(0, nDot);
}

} // namespace

std::string ModuleNameFromFile(const std::string& strFile) {
    std::string strModule;
    for (char c : baseName(strFile)) {
        if (isAlnum(c)) {
            strModule += upper(c);
        } else if (!strModule.empty() && strModule.back() != '-') {
            strModule += '-';
        }
    }
    while (!strModule.empty() && (strModule.back() == '-' || !isalpha(strModule[0]))) {
        strModule.erase(strModule.back() == '-' ? strModule.size() - 1 : 0, 1);
    }
    if (strModule.empty()) {
        return "KORVO-MIB";
    }
    if (strModule.size() < 4 || strModule.compare(strModule.size() - 4, 4, "-MIB") != 0) {
        strModule += "-MIB";
    }
    return strModule;
}

std::string DescriptorStem(const std::string& strModule) {
    std::string strName = strModule;
    if (strName.size() > 4 && strName.compare(strName.size() - 4, 4, "-MIB") == 0) {
        strName.erase(strName.size() - 4);
    }
    std::string strStem;
    bool bNewWord = false;
    for (char c : strName) {
        if (!isAlnum(c)) {
            bNewWord = true;
        } else {
            strStem += bNewWord ? upper(c) : lower(c);
            bNewWord = false;
        }
    }
    return strStem.empty() ? "korvo" : lowerFirst(strStem);
}

std::string CapitalWord(const std::string& strName) {
    std::string strWord;
    bool bNewWord = true;
    for (char c : strName) {
        if (!isAlnum(c)) {
            bNewWord = true;
            continue;
        }
        strWord += bNewWord ? upper(c) : c;
        bNewWord = false;
    }
    return strWord;
}

std::string JoinClassAndAttribute(const std::string& strClass, const std::string& strAttribute) {
    std::vector<std::string> classWords = splitWords(CapitalWord(strClass));
    std::vector<std::string> attribWords = splitWords(CapitalWord(strAttribute));
    // The longest run of words that ends the class and begins the attribute.
    size_t nOverlap = 0;
    for (size_t n = std::min(classWords.size(), attribWords.size()); n > 0; n--) {
        bool bSame = true;
        for (size_t i = 0; i < n && bSame; i++) {
            bSame = classWords[classWords.size() - n + i] == attribWords[i];
        }
        if (bSame) {
            nOverlap = n;
            break;
        }
    }
    std::string strJoined;
    for (const std::string& strWord : classWords) {
        strJoined += strWord;
    }
    for (size_t i = nOverlap; i < attribWords.size(); i++) {
        strJoined += attribWords[i];
    }
    return lowerFirst(strJoined);
}

std::string CNameRegistry::claim(const std::string& strWanted, const std::string& strFallbackStem) {
    std::string strBase = lowerFirst(strWanted);
    if (strBase.empty() || !isalpha(static_cast<unsigned char>(strBase[0]))) {
        strBase = strFallbackStem + CapitalWord(strBase);
    }
    const size_t nRoom = MAX_DESCRIPTOR_SIZE - 4; // room for a number
    if (strBase.size() > nRoom) {
        strBase.resize(nRoom);
    }
    std::string strName = strBase;
    for (int i = 2; isTaken(strName); i++) {
        strName = strBase + std::to_string(i);
    }
    m_setNames.insert(strName);
    return strName;
}
