// The daemon's side of the platform seam (AgentPlatform.h).
#include "AgentPlatform.h"

#include "ProfileIni.h"
#include "RAIDMemAlloc.h"

#include <cstdio>
#include <syslog.h>

namespace {

// Definition files are read whole by CProfileIni.
class CLinuxProfileReader : public CProfileReader {
  public:
    bool load(const char* pszFile) { return m_profile.load(pszFile); }
    void text(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszField,
              size_t nSize) override {
        m_profile.getString(pszSection, pszKey, pszDefault, pszField, nSize);
    }
    int integer(const char* pszSection, const char* pszKey, int nDefault) override {
        return m_profile.getInt(pszSection, pszKey, nDefault);
    }

  private:
    CProfileIni m_profile;
};

} // namespace

std::unique_ptr<CProfileReader> OpenProfileReader(const char* pszFile) {
    std::unique_ptr<CLinuxProfileReader> pReader(new CLinuxProfileReader);
    if (!pReader->load(pszFile)) {
        return nullptr;
    }
    return pReader;
}

bool GetWindowsFolder(char* /*pszFolder*/, size_t /*nSize*/) {
    return false;
}

BYTE* AllocBindingText(UINT nSize) {
    return static_cast<BYTE*>(RAIDAgentMemAlloc(nSize));
}

void WriteReportToSystemLog(bool bError, const char* pszLine) {
    syslog(bError ? LOG_ERR : LOG_WARNING, "%s", pszLine);
}

// ---- What the Windows runtime supplies -------------------------------------

char* _itoa(int nVal, char* ptrBuf, int /*nRadix*/) {
    sprintf(ptrBuf, "%d", nVal);
    return ptrBuf;
}
