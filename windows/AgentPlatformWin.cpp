// The extension agent's side of the platform seam (AgentPlatform.h).
#include "platform/AgentPlatform.h"

#include <cstdio>
#include <string>
#include <windows.h>

namespace {

// Every key is read from the file by the private profile functions.
class CWindowsProfileReader : public CProfileReader {
  public:
    explicit CWindowsProfileReader(const char* pszFile) : m_strFile(pszFile) {}
    void text(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszField,
              size_t nSize) override {
        GetPrivateProfileStringA(pszSection, pszKey, pszDefault, pszField,
                                 static_cast<DWORD>(nSize), m_strFile.c_str());
    }
    int integer(const char* pszSection, const char* pszKey, int nDefault) override {
        return static_cast<int>(
            GetPrivateProfileIntA(pszSection, pszKey, nDefault, m_strFile.c_str()));
    }

  private:
    std::string m_strFile;
};

} // namespace

std::unique_ptr<CProfileReader> OpenProfileReader(const char* pszFile) {
    // The profile functions read a missing file as one without keys: the
    // file is probed first.
    FILE* pProbe = fopen(pszFile, "r");
    if (pProbe == nullptr) {
        return nullptr;
    }
    fclose(pProbe);
    return std::unique_ptr<CProfileReader>(new CWindowsProfileReader(pszFile));
}

bool GetWindowsFolder(char* pszFolder, size_t nSize) {
    GetWindowsDirectoryA(pszFolder, static_cast<UINT>(nSize));
    return true;
}

BYTE* AllocBindingText(UINT nSize) {
    return static_cast<BYTE*>(SnmpUtilMemAlloc(nSize));
}

void WriteReportToSystemLog(bool /*bError*/, const char* /*pszLine*/) {}
