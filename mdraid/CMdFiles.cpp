#include "CMdFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const MD_ROOT_ENV = "KORVOMD_ROOT";

namespace {

// A sysfs attribute is at most one page.
const size_t MD_ATTRIBUTE_MAX_BYTES = 4096;

bool IsBlank(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

std::string Trimmed(const std::string& strText) {
    size_t nStart = 0;
    size_t nEnd = strText.size();
    while (nStart < nEnd && IsBlank(strText[nStart])) {
        ++nStart;
    }
    while (nEnd > nStart && IsBlank(strText[nEnd - 1])) {
        --nEnd;
    }
    return strText.substr(nStart, nEnd - nStart);
}

bool IsPrintable(char c) {
    return c >= 0x20 && c <= 0x7e;
}

bool IsPrintableLine(const std::string& strText) {
    for (char c : strText) {
        if (!IsPrintable(c)) {
            return false;
        }
    }
    return true;
}

bool IsPrintableLines(const std::string& strText) {
    for (char c : strText) {
        if (!IsPrintable(c) && c != '\n' && c != '\t') {
            return false;
        }
    }
    return true;
}

CMdFileText Failure(EMdReadStatus eStatus, int nErrno) {
    CMdFileText stText;
    stText.eStatus = eStatus;
    stText.nErrno = nErrno;
    return stText;
}

CMdFileText OpenFailure(int nErrno) {
    bool bMissing = nErrno == ENOENT || nErrno == ENOTDIR;
    return Failure(bMissing ? MD_READ_MISSING : MD_READ_FAILED, nErrno);
}

// Reads at most nMaxBytes of a regular file; more is "not text". Never
// blocks on a FIFO or device put where a file belongs.
CMdFileText ReadBounded(const std::string& strPath, size_t nMaxBytes) {
    int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return OpenFailure(errno);
    }
    struct stat stInfo;
    if (fstat(fd, &stInfo) != 0 || !S_ISREG(stInfo.st_mode)) {
        close(fd);
        return Failure(MD_READ_NOT_TEXT, 0);
    }
    std::string strData;
    char acBuffer[4096];
    while (strData.size() <= nMaxBytes) {
        ssize_t nRead = read(fd, acBuffer, sizeof(acBuffer));
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead < 0) {
            int nErrno = errno;
            close(fd);
            return Failure(nErrno == ENOENT || nErrno == ENODEV ? MD_READ_MISSING : MD_READ_FAILED,
                           nErrno);
        }
        if (nRead == 0) {
            break;
        }
        strData.append(acBuffer, static_cast<size_t>(nRead));
    }
    close(fd);
    if (strData.size() > nMaxBytes) {
        return Failure(MD_READ_NOT_TEXT, 0);
    }
    CMdFileText stText;
    stText.eStatus = MD_READ_OK;
    stText.strText = Trimmed(strData);
    if (stText.strText.empty()) {
        stText.eStatus = MD_READ_EMPTY;
    }
    return stText;
}

} // namespace

CMdFiles::CMdFiles(const std::string& strRoot) : m_strRoot(strRoot) {
    while (!m_strRoot.empty() && m_strRoot.back() == '/') {
        m_strRoot.pop_back();
    }
}

std::string CMdFiles::RootFromEnvironment() {
    const char* pszRoot = getenv(MD_ROOT_ENV);
    return pszRoot != nullptr && *pszRoot != '\0' ? pszRoot : "/";
}

std::string CMdFiles::blockFolder() const {
    return m_strRoot + "/sys/block";
}

std::string CMdFiles::mdFolder(const std::string& strArray) const {
    return blockFolder() + "/" + strArray + "/md";
}

std::string CMdFiles::mdstatPath() const {
    return m_strRoot + "/proc/mdstat";
}

CMdFileText CMdFiles::readAttribute(const std::string& strPath) {
    CMdFileText stText = ReadBounded(strPath, MD_ATTRIBUTE_MAX_BYTES);
    if (stText.eStatus == MD_READ_OK && !IsPrintableLine(stText.strText)) {
        return Failure(MD_READ_NOT_TEXT, 0);
    }
    return stText;
}

CMdFileText CMdFiles::readLines(const std::string& strPath, size_t nMaxBytes) {
    CMdFileText stText = ReadBounded(strPath, nMaxBytes);
    if (stText.eStatus == MD_READ_OK && !IsPrintableLines(stText.strText)) {
        return Failure(MD_READ_NOT_TEXT, 0);
    }
    return stText;
}

bool CMdFiles::writeAttribute(const std::string& strPath, const std::string& strText,
                              std::string& strError) {
    // No O_CREAT: only a file the kernel made is written.
    int fd = open(strPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        strError = strerror(errno);
        return false;
    }
    struct stat stInfo;
    if (fstat(fd, &stInfo) != 0 || !S_ISREG(stInfo.st_mode)) {
        close(fd);
        strError = "not a regular file";
        return false;
    }
    std::string strLine = strText + "\n";
    size_t nDone = 0;
    while (nDone < strLine.size()) {
        ssize_t nWritten = write(fd, strLine.data() + nDone, strLine.size() - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            strError = nWritten < 0 ? strerror(errno) : "nothing written";
            close(fd);
            return false;
        }
        nDone += static_cast<size_t>(nWritten);
    }
    if (close(fd) != 0) {
        strError = strerror(errno);
        return false;
    }
    return true;
}

bool CMdFiles::listFolder(const std::string& strPath, std::vector<std::string>& vNames,
                          bool& bMissing) {
    vNames.clear();
    DIR* pFolder = opendir(strPath.c_str());
    if (pFolder == nullptr) {
        bMissing = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    bMissing = false;
    while (dirent* pEntry = readdir(pFolder)) {
        if (strcmp(pEntry->d_name, ".") != 0 && strcmp(pEntry->d_name, "..") != 0) {
            vNames.push_back(pEntry->d_name);
        }
    }
    closedir(pFolder);
    return true;
}

bool CMdFiles::folderExists(const std::string& strPath) {
    struct stat stInfo;
    return stat(strPath.c_str(), &stInfo) == 0 && S_ISDIR(stInfo.st_mode);
}

std::string CMdFiles::describeFailure(const CMdFileText& stText) {
    switch (stText.eStatus) {
    case MD_READ_OK:
        return "was read";
    case MD_READ_MISSING:
        return "is missing";
    case MD_READ_FAILED:
        return std::string("cannot be read: ") + strerror(stText.nErrno);
    case MD_READ_EMPTY:
        return "is empty";
    case MD_READ_NOT_TEXT:
        return "holds no line of text (not a regular file, too long, or unprintable bytes)";
    }
    return "cannot be read";
}
