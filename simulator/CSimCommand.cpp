#include "CSimCommand.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

typedef std::vector<std::string> WordList;

bool ParseNumber(const std::string& strText, int nBase, int& nValue) {
    if (strText.empty()) {
        return false;
    }
    char* pszEnd = nullptr;
    errno = 0;
    long nParsed = strtol(strText.c_str(), &pszEnd, nBase);
    if (errno != 0 || *pszEnd != '\0' || nParsed < INT_MIN || nParsed > INT_MAX) {
        return false;
    }
    nValue = static_cast<int>(nParsed);
    return true;
}

// Parses words[1..] as the integers a command takes.
bool ParseArguments(const WordList& vWords, size_t nCount, int* pnValues) {
    if (vWords.size() != nCount + 1) {
        return false;
    }
    for (size_t iWord = 0; iWord < nCount; ++iWord) {
        if (!ParseNumber(vWords[iWord + 1], 10, pnValues[iWord])) {
            return false;
        }
    }
    return true;
}

ESimClass TemperatureClass(const std::string& strObject) {
    if (strObject == "adapter") {
        return SIM_CLASS_ADAPTER;
    }
    if (strObject == "drive") {
        return SIM_CLASS_PHYSICAL_DRIVE;
    }
    if (strObject == "enclosure") {
        return SIM_CLASS_ENCLOSURE;
    }
    return strObject == "battery" ? SIM_CLASS_BATTERY : SIM_CLASS_COUNT;
}

// "temperature adapter A C", "temperature drive A D C",
// "temperature enclosure E C", "temperature battery B C".
bool ApplyTemperature(const WordList& vWords, CSimStack& stStack, SimEventList& vEvents) {
    if (vWords.size() < 2) {
        return false;
    }
    ESimClass nClass = TemperatureClass(vWords[1]);
    WordList vNumbers(vWords.begin() + 1, vWords.end());
    int anValues[3] = {};
    if (nClass == SIM_CLASS_PHYSICAL_DRIVE) {
        return ParseArguments(vNumbers, 3, anValues) &&
               stStack.setTemperature(nClass, stStack.findDrive(anValues[0], anValues[1]),
                                      anValues[2], vEvents);
    }
    return nClass != SIM_CLASS_COUNT && ParseArguments(vNumbers, 2, anValues) &&
           stStack.setTemperature(nClass, anValues[0], anValues[1], vEvents);
}

// "battery-state B S [CHARGE]": the charge stays as it is when not given.
bool ApplyBatteryState(const WordList& vWords, CSimStack& stStack, SimEventList& vEvents) {
    int anValues[3] = {};
    if (vWords.size() == 3) {
        int nCharge = 0;
        return ParseArguments(vWords, 2, anValues) &&
               stStack.readInt(SIM_CLASS_BATTERY, anValues[0], "ChargePercent", nCharge) &&
               stStack.setBatteryState(anValues[0], anValues[1], nCharge, vEvents);
    }
    return ParseArguments(vWords, 3, anValues) &&
           stStack.setBatteryState(anValues[0], anValues[1], anValues[2], vEvents);
}

// "event CODE [ARG...]": CODE in hexadecimal as the trap definitions write
// it; each argument is kept as text, and as an integer when it is one.
bool ApplyRawEvent(const WordList& vWords, SimEventList& vEvents) {
    CSimEvent stEvent;
    if (vWords.size() < 2 || ParseNumber(vWords[1], 16, stEvent.nCode) == false) {
        return false;
    }
    stEvent.strDescription = "Injected event " + vWords[1];
    for (size_t iWord = 2; iWord < vWords.size(); ++iWord) {
        CSimEventArg stArg;
        stArg.strText = vWords[iWord];
        if (!ParseNumber(stArg.strText, 10, stArg.nValue)) {
            stArg.nValue = 0;
        }
        stEvent.vArgs.push_back(stArg);
    }
    vEvents.push_back(stEvent);
    return true;
}

bool ApplyWords(const WordList& vWords, CSimStack& stStack, SimEventList& vEvents) {
    const std::string& strCommand = vWords[0];
    int anValues[2] = {};
    if (strCommand == "fail-drive") {
        return ParseArguments(vWords, 2, anValues) &&
               stStack.failDrive(anValues[0], anValues[1], vEvents);
    }
    if (strCommand == "rebuild") {
        return ParseArguments(vWords, 2, anValues) &&
               stStack.startRebuild(anValues[0], anValues[1], vEvents);
    }
    if (strCommand == "enclosure-state") {
        return ParseArguments(vWords, 2, anValues) &&
               stStack.setEnclosureState(anValues[0], anValues[1], vEvents);
    }
    if (strCommand == "fan-fail") {
        return ParseArguments(vWords, 1, anValues) && stStack.failFan(anValues[0], vEvents);
    }
    if (strCommand == "temperature") {
        return ApplyTemperature(vWords, stStack, vEvents);
    }
    if (strCommand == "battery-state") {
        return ApplyBatteryState(vWords, stStack, vEvents);
    }
    if (strCommand == "event") {
        return ApplyRawEvent(vWords, vEvents);
    }
    return false;
}

} // namespace

std::vector<std::string> SplitEventLine(const std::string& strLine) {
    WordList vWords;
    size_t nPos = 0;
    while (nPos < strLine.size()) {
        if (strLine[nPos] == ' ' || strLine[nPos] == '\t' || strLine[nPos] == '\r') {
            ++nPos;
            continue;
        }
        if (strLine[nPos] == '"') {
            size_t nClose = strLine.find('"', nPos + 1);
            size_t nEnd = nClose == std::string::npos ? strLine.size() : nClose;
            vWords.push_back(strLine.substr(nPos + 1, nEnd - nPos - 1));
            nPos = nEnd + 1;
            continue;
        }
        size_t nEnd = strLine.find_first_of(" \t\r", nPos);
        nEnd = nEnd == std::string::npos ? strLine.size() : nEnd;
        vWords.push_back(strLine.substr(nPos, nEnd - nPos));
        nPos = nEnd;
    }
    return vWords;
}

bool ApplyEventLine(const std::string& strLine, CSimStack& stStack, SimEventList& vEvents,
                    std::string& strError) {
    WordList vWords = SplitEventLine(strLine);
    if (vWords.empty() || vWords[0][0] == '#') {
        return true;
    }
    if (!ApplyWords(vWords, stStack, vEvents)) {
        strError = "ignored event line '" + strLine + "': unknown command, wrong arguments, " +
                   "no such object or impossible change";
        return false;
    }
    return true;
}
