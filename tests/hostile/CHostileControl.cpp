#include "CHostileControl.h"

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
