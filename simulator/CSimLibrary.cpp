#include "CSimLibrary.h"

#include "CSimInventory.h"

#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// Class names as the MIB definitions give them, in ESimClass order.
const char* const g_apszClassNames[SIM_CLASS_COUNT] = {
    "System", "Adapter", "PhysicalDrive", "LogicalDrive", "Enclosure", "Battery",
};

// Finds and reads the inventory; false with a message when it is bad.
bool ReadInventory(CSimInventory& stInventory) {
    std::string strPath = FindInventoryFile(DefaultInventoryPath());
    if (strPath.empty()) {
        fprintf(stderr, "korvosim: no inventory file found, using the built-in inventory\n");
        return true;
    }
    std::string strError;
    if (!LoadInventoryFile(strPath, stInventory, strError)) {
        fprintf(stderr, "korvosim: bad inventory: %s\n", strError.c_str());
        return false;
    }
    return true;
}

} // namespace

#ifdef _WIN32
// The folder of the library's own file (Windows separates with "\\").
std::string DefaultInventoryPath() {
    HMODULE hModule = nullptr;
    char szFile[MAX_PATH] = {};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&DefaultInventoryPath), &hModule) ||
        GetModuleFileNameA(hModule, szFile, sizeof(szFile)) == 0) {
        return "";
    }
    std::string strLibrary = szFile;
    size_t nSlash = strLibrary.find_last_of("\\/");
    std::string strFolder = nSlash == std::string::npos ? "." : strLibrary.substr(0, nSlash);
    return strFolder + "\\" + SIM_INVENTORY_FILE_NAME;
}
#else
std::string DefaultInventoryPath() {
    Dl_info stInfo;
    if (dladdr(reinterpret_cast<void*>(&DefaultInventoryPath), &stInfo) == 0 ||
        stInfo.dli_fname == nullptr) {
        return "";
    }
    std::string strLibrary = stInfo.dli_fname;
    size_t nSlash = strLibrary.rfind('/');
    std::string strFolder = nSlash == std::string::npos ? "." : strLibrary.substr(0, nSlash);
    return strFolder + "/" + SIM_INVENTORY_FILE_NAME;
}
#endif

CSimLibrary::CSimLibrary() : m_stEvents(m_stStack) {
    for (int nClass = 0; nClass < SIM_CLASS_COUNT; ++nClass) {
        m_apHolders[nClass] =
            std::make_unique<CSimHolder>(static_cast<ESimClass>(nClass), m_stStack, m_stEvents);
    }
}

bool CSimLibrary::initialize() {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (m_bReady) {
        return true;
    }
    CSimInventory stInventory;
    if (!ReadInventory(stInventory)) {
        return false;
    }
    m_stStack.build(stInventory);
    m_bReady = true;
    return true;
}

CBaseHolder* CSimLibrary::getHolder(const char* pszClassName) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!m_bReady || pszClassName == nullptr) {
        return nullptr;
    }
    for (int nClass = 0; nClass < SIM_CLASS_COUNT; ++nClass) {
        if (strcmp(pszClassName, g_apszClassNames[nClass]) == 0) {
            return m_apHolders[nClass].get();
        }
    }
    return nullptr;
}

unsigned long CSimLibrary::startEvents(pCallBackNotification pfnCallback, int iLibIndex) {
    std::lock_guard<CSimMutex> lock(m_mutex);
    if (!m_bReady || pfnCallback == nullptr) {
        return 1;
    }
    m_stEvents.addRegistration(pfnCallback, iLibIndex);
    return 0;
}

void CSimLibrary::unload() {
    std::lock_guard<CSimMutex> lock(m_mutex);
    m_stEvents.stop();
    m_stStack.clear();
    m_bReady = false;
}

#ifdef _WIN32
void CSimLibrary::injectEventLine(const char* pszLine) {
    if (pszLine != nullptr) {
        m_stEvents.postLine(pszLine);
    }
}
#endif
