// Opening configuration files only when they are regular files within a
// bound, and reading their lines within a byte budget.
#include "ConfigFile.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

// Opens without blocking: a FIFO with no writer would otherwise block here.
int OpenWithoutBlocking(const char* pszPath) {
#ifdef O_NONBLOCK
    return open(pszPath, O_RDONLY | O_BINARY | O_CLOEXEC | O_NONBLOCK);
#else
    return open(pszPath, O_RDONLY | O_BINARY);
#endif
}

// Back to blocking reads, which a regular file never waits in anyway.
void RestoreBlocking(int nFile) {
#ifdef O_NONBLOCK
    int nFlags = fcntl(nFile, F_GETFL);
    if (nFlags >= 0) {
        fcntl(nFile, F_SETFL, nFlags & ~O_NONBLOCK);
    }
#else
    (void)nFile;
#endif
}

ConfigFileStatus CheckOpenedFile(int nFile, long nMaxBytes) {
    struct stat stInfo;
    if (fstat(nFile, &stInfo) != 0) {
        return CONFIG_FILE_MISSING;
    }
    if (!S_ISREG(stInfo.st_mode)) {
        return CONFIG_FILE_NOT_REGULAR;
    }
    if (stInfo.st_size > nMaxBytes) {
        return CONFIG_FILE_TOO_LARGE;
    }
    return CONFIG_FILE_OPENED;
}

} // namespace

FILE* OpenConfigFile(const char* pszPath, long nMaxBytes, ConfigFileStatus& eStatus) {
    eStatus = CONFIG_FILE_MISSING;
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return nullptr;
    }
    int nFile = OpenWithoutBlocking(pszPath);
    if (nFile < 0) {
        return nullptr;
    }
    eStatus = CheckOpenedFile(nFile, nMaxBytes);
    if (eStatus != CONFIG_FILE_OPENED) {
        close(nFile);
        return nullptr;
    }
    RestoreBlocking(nFile);
    FILE* pFile = fdopen(nFile, "rb");
    if (pFile == nullptr) {
        close(nFile);
        eStatus = CONFIG_FILE_MISSING;
    }
    return pFile;
}

const char* DescribeConfigFileStatus(ConfigFileStatus eStatus) {
    // In the order of ConfigFileStatus.
    static const char* const aDescriptions[] = {
        "readable",
        "no such file or no permission to read it",
        "not a regular file",
        "larger than the agent reads",
    };
    size_t nStatus = static_cast<size_t>(eStatus);
    if (nStatus >= sizeof(aDescriptions) / sizeof(aDescriptions[0])) {
        return "unreadable";
    }
    return aDescriptions[nStatus];
}

CConfigLineReader::CConfigLineReader(FILE* pFile, long nMaxBytes)
    : m_pFile(pFile), m_nMaxBytes(nMaxBytes), m_bExceeded(false), m_bAtLineStart(true), m_nLine(0) {
}

bool CConfigLineReader::nextLine(char* pszLine, int nSize) {
    if (m_bExceeded || fgets(pszLine, nSize, m_pFile) == nullptr) {
        return false;
    }
    // The file position counts every byte taken, a NUL inside the line too.
    if (ftell(m_pFile) > m_nMaxBytes) {
        m_bExceeded = true;
        return false;
    }
    size_t nLength = strlen(pszLine);
    if (m_bAtLineStart) {
        ++m_nLine;
    }
    m_bAtLineStart = nLength > 0 && pszLine[nLength - 1] == '\n';
    return true;
}
