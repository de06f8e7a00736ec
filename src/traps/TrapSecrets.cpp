// The snmp.conf files of the trapsess destinations' secrets.
#include "TrapSecrets.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const TRAP_SECRETS_BASE = "/var/lib/qbz_korvodsnmp";

namespace {

const char* const SECRETS_FOLDER_NAME = "trap-secrets";
const char* const SECRETS_FILE_NAME = "snmp.conf";
const mode_t PRIVATE_FOLDER_MODE = 0700;
const mode_t PRIVATE_FILE_MODE = 0600;
const int REMOVE_OPEN_FOLDERS = 16;

// Where the secrets go and which generations exist. Writers and readers: the
// main thread only: the trap destination readers at start-up and on SIGHUP
// (WriteTrapSecrets, BeginTrapSecretsGeneration), the SIGHUP re-reading's
// switch under MyMutex (CommitTrapSecretsGeneration), the tear-down at close
// (RemoveTrapSecrets), and tests (SetTrapSecretsBase). The senders on the
// libraries' threads read only the folder paths kept in the destination
// entries, never these.
std::string g_strBase = TRAP_SECRETS_BASE;
bool g_bRootMade = false;         // trap-secrets was made by this process
unsigned long g_nGenerations = 1; // generations begun so far
unsigned long g_nReading = 1;     // the generation being read into
unsigned long g_nInUse = 1;       // the generation the lists in use point at
unsigned long g_nSequence = 0;    // folders made so far

std::string RootFolder() {
    return g_strBase + "/" + SECRETS_FOLDER_NAME;
}

std::string GenerationFolder(unsigned long nGeneration) {
    return RootFolder() + "/g" + std::to_string(nGeneration);
}

int RemoveEntry(const char* pszPath, const struct stat* /*pInfo*/, int nType,
                struct FTW* /*pFtw*/) {
    if (nType == FTW_DP) {
        rmdir(pszPath);
    } else {
        unlink(pszPath);
    }
    return 0;
}

// Removes a tree without following links out of it.
void RemoveTree(const std::string& strPath) {
    nftw(strPath.c_str(), RemoveEntry, REMOVE_OPEN_FOLDERS, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

// A folder of the daemon's own: a real folder (no link), owned by the
// daemon's user, that nobody else may write into.
bool IsOwnFolder(const std::string& strPath, bool bPrivate) {
    struct stat stInfo;
    if (lstat(strPath.c_str(), &stInfo) != 0 || !S_ISDIR(stInfo.st_mode) ||
        stInfo.st_uid != geteuid()) {
        return false;
    }
    mode_t nForbidden = bPrivate ? (S_IRWXG | S_IRWXO) : (S_IWGRP | S_IWOTH);
    return (stInfo.st_mode & nForbidden) == 0;
}

bool MakePrivateFolder(const std::string& strPath, std::string& strError) {
    if (mkdir(strPath.c_str(), PRIVATE_FOLDER_MODE) != 0 && errno != EEXIST) {
        strError = "cannot make the folder " + strPath + ": " + strerror(errno);
        return false;
    }
    if (!IsOwnFolder(strPath, true)) {
        strError = strPath + " is not a folder of the daemon's own with mode 0700";
        return false;
    }
    return true;
}

// The base folder (made when missing) and, once per process, trap-secrets
// afresh: what a killed daemon left there is removed first.
bool PrepareRoot(std::string& strError) {
    if (g_bRootMade) {
        return true;
    }
    if (mkdir(g_strBase.c_str(), PRIVATE_FOLDER_MODE) != 0 && errno != EEXIST) {
        strError = "cannot make the folder " + g_strBase + ": " + strerror(errno);
        return false;
    }
    if (!IsOwnFolder(g_strBase, false)) {
        strError = g_strBase + " is not a folder of the daemon's own (owned by it, writable by it "
                               "alone)";
        return false;
    }
    RemoveTree(RootFolder());
    if (!MakePrivateFolder(RootFolder(), strError)) {
        return false;
    }
    g_bRootMade = true;
    return true;
}

// A value as snmp.conf reads it back: in double quotes, with backslash
// before a quote or backslash.
std::string QuotedValue(const std::string& strValue) {
    std::string strQuoted = "\"";
    for (char c : strValue) {
        if (c == '"' || c == '\\') {
            strQuoted += '\\';
        }
        strQuoted += c;
    }
    return strQuoted + "\"";
}

bool WriteAll(int nFile, const std::string& strText) {
    size_t nDone = 0;
    while (nDone < strText.size()) {
        ssize_t nWritten = write(nFile, strText.data() + nDone, strText.size() - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            return false;
        }
        nDone += static_cast<size_t>(nWritten);
    }
    return true;
}

bool WriteSecretsFile(const std::string& strPath, const std::vector<TrapSecret>& vSecrets,
                      std::string& strError) {
    int nFile = open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     PRIVATE_FILE_MODE);
    if (nFile < 0) {
        strError = "cannot create " + strPath + ": " + strerror(errno);
        return false;
    }
    std::string strText;
    for (const TrapSecret& stSecret : vSecrets) {
        strText += std::string(stSecret.pszDirective) + " " + QuotedValue(stSecret.strValue) + "\n";
    }
    bool bWritten = fchmod(nFile, PRIVATE_FILE_MODE) == 0 && WriteAll(nFile, strText);
    if (close(nFile) != 0 || !bWritten) {
        strError = "cannot write " + strPath;
        unlink(strPath.c_str());
        return false;
    }
    return true;
}

} // namespace

void SetTrapSecretsBase(const char* pszBase) {
    RemoveTrapSecrets();
    g_strBase = pszBase == nullptr ? TRAP_SECRETS_BASE : pszBase;
}

bool WriteTrapSecrets(const std::vector<TrapSecret>& vSecrets, char* pszFolder, size_t nSize,
                      std::string& strError) {
    if (!PrepareRoot(strError)) {
        return false;
    }
    std::string strGeneration = GenerationFolder(g_nReading);
    if (!MakePrivateFolder(strGeneration, strError)) {
        return false;
    }
    std::string strFolder = strGeneration + "/" + std::to_string(++g_nSequence);
    if (strFolder.size() >= nSize) {
        strError = "the path " + strFolder + " is too long";
        return false;
    }
    if (!MakePrivateFolder(strFolder, strError)) {
        return false;
    }
    if (!WriteSecretsFile(strFolder + "/" + SECRETS_FILE_NAME, vSecrets, strError)) {
        rmdir(strFolder.c_str());
        return false;
    }
    snprintf(pszFolder, nSize, "%s", strFolder.c_str());
    return true;
}

void BeginTrapSecretsGeneration() {
    if (g_bRootMade && g_nReading != g_nInUse) {
        RemoveTree(GenerationFolder(g_nReading));
    }
    g_nReading = ++g_nGenerations;
}

void CommitTrapSecretsGeneration() {
    if (g_nReading == g_nInUse) {
        return;
    }
    if (g_bRootMade) {
        RemoveTree(GenerationFolder(g_nInUse));
    }
    g_nInUse = g_nReading;
}

void RemoveTrapSecrets() {
    if (g_bRootMade) {
        RemoveTree(RootFolder());
        g_bRootMade = false;
    }
}
