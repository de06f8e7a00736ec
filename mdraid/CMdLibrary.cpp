#include "CMdLibrary.h"

#include "CMdParse.h"

#include <cstdlib>
#include <cstring>
#include <syslog.h>

const char* const MD_RESCAN_ENV = "KORVOMD_RESCAN_SECONDS";

namespace {

const uint64_t MD_RESCAN_DEFAULT_SECONDS = 5;
const uint64_t MD_RESCAN_MAX_SECONDS = 3600;

} // namespace

std::chrono::milliseconds RescanIntervalFromEnvironment() {
    const char* pszSeconds = getenv(MD_RESCAN_ENV);
    uint64_t nSeconds = MD_RESCAN_DEFAULT_SECONDS;
    if (pszSeconds != nullptr && *pszSeconds != '\0' &&
        (!ParseCount(pszSeconds, nSeconds) || nSeconds < 1 || nSeconds > MD_RESCAN_MAX_SECONDS)) {
        CMdProblemLog::logLine(LOG_WARNING, std::string(MD_RESCAN_ENV) + "=" +
                                                QuotedForLog(pszSeconds) +
                                                " is no number of seconds from 1 to 3600; "
                                                "the arrays are rescanned every 5 seconds");
        nSeconds = MD_RESCAN_DEFAULT_SECONDS;
    }
    return std::chrono::milliseconds(nSeconds * 1000);
}

CMdLibrary::CMdState::CMdState(const std::string& strRoot, CMdProblemLog& stLog)
    : stFiles(strRoot), stCache(stFiles, stLog), stEvents(stFiles, stLog) {
    for (int nClass = 0; nClass < MD_CLASS_COUNT; ++nClass) {
        apHolders[nClass] =
            std::make_unique<CMdHolder>(static_cast<EMdClass>(nClass), stFiles, stCache);
    }
}

bool CMdLibrary::initialize() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bReady) {
        return true;
    }
    m_tRescanInterval = RescanIntervalFromEnvironment();
    m_stLog.reset();
    std::string strRoot = CMdFiles::RootFromEnvironment();
    if (m_pState != nullptr && m_pState->stFiles.root() == CMdFiles(strRoot).root()) {
        m_pState->stCache.invalidate();
    } else {
        if (m_pState != nullptr) {
            m_vRetired.push_back(std::move(m_pState));
        }
        m_pState = std::make_unique<CMdState>(strRoot, m_stLog);
    }
    m_bReady = true;
    return true;
}

CBaseHolder* CMdLibrary::getHolder(const char* pszClassName) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bReady || pszClassName == nullptr) {
        return nullptr;
    }
    for (int nClass = 0; nClass < MD_CLASS_COUNT; ++nClass) {
        if (strcmp(pszClassName, MD_CLASS_NAMES[nClass]) == 0) {
            return m_pState->apHolders[nClass].get();
        }
    }
    return nullptr;
}

unsigned long CMdLibrary::startEvents(pCallBackNotification pfnCallback, int iLibIndex) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bReady || pfnCallback == nullptr) {
        return 1;
    }
    m_pState->stEvents.addRegistration(pfnCallback, iLibIndex, m_tRescanInterval);
    return 0;
}

void CMdLibrary::unload() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pState != nullptr) {
        m_pState->stEvents.stop();
        m_pState->stCache.invalidate();
    }
    m_bReady = false;
}
