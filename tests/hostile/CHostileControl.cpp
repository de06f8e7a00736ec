#include "CHostileControl.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

std::string CHostileControl::ControlPath() {
    const char* pszPath = getenv("KORVO_HOSTILE_CONTROL");
    return pszPath == nullptr ? "" : pszPath;
}

bool CHostileControl::Has(const char* pszWord) {
    std::ifstream stControl(ControlPath());
    std::string strLine;
    while (std::getline(stControl, strLine)) {
        if (strLine == pszWord) {
            return true;
        }
    }
    return false;
}

void CHostileControl::Note(const char* pszWhat) {
    std::string strPath = ControlPath();
    if (strPath.empty()) {
        return;
    }
    // One short write in append mode: lines of several threads do not mix.
    std::string strLine = std::string(pszWhat) + "\n";
    FILE* pFile = fopen((strPath + ".notes").c_str(), "a");
    if (pFile == nullptr) {
        return;
    }
    fputs(strLine.c_str(), pFile);
    fclose(pFile);
}
