#include "CFuzzWorkDir.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

char CFuzzWorkDir::m_szFolder[64] = {0};

void CFuzzWorkDir::Enter() {
    if (m_szFolder[0] != 0) {
        return;
    }
    strcpy(m_szFolder, "/tmp/korvo-fuzz.XXXXXX");
    if (mkdtemp(m_szFolder) == nullptr || chdir(m_szFolder) != 0) {
        perror("fuzz work folder");
        abort();
    }
    if (symlink("/dev/null", "temp.txt") != 0) {
        perror("temp.txt");
        abort();
    }
    atexit(RemoveAtExit);
}

std::string CFuzzWorkDir::PathOf(const char* pszName) {
    return std::string(m_szFolder) + "/" + pszName;
}

std::string CFuzzWorkDir::WriteFile(const char* pszName, const uint8_t* pData, size_t nSize) {
    std::string strPath = PathOf(pszName);
    FILE* pFile = fopen(strPath.c_str(), "wb");
    if (pFile == nullptr) {
        abort();
    }
    if (nSize > 0 && fwrite(pData, 1, nSize, pFile) != nSize) {
        abort();
    }
    fclose(pFile);
    return strPath;
}

// Only plain files and links live in the folder: unlink each, then the folder.
void CFuzzWorkDir::RemoveAtExit() {
    DIR* pDir = opendir(m_szFolder);
    if (pDir != nullptr) {
        while (dirent* pEntry = readdir(pDir)) {
            if (strcmp(pEntry->d_name, ".") != 0 && strcmp(pEntry->d_name, "..") != 0) {
                unlink(PathOf(pEntry->d_name).c_str());
            }
        }
        closedir(pDir);
    }
    if (chdir("/") == 0) {
        rmdir(m_szFolder);
    }
}
