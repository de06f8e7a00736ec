// Shared helpers of the store's tests: a private working folder (the store's
// destructor writes "temp.txt" into the working directory), files written
// from text, and stores read from definition text.
#ifndef KORVO_STORETESTUTIL_H
#define KORVO_STORETESTUTIL_H

#include "mib/parseini.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/korvostoreXXXXXX";
        ASSERT_NE(mkdtemp(szTemplate), nullptr);
        m_strDir = szTemplate;
        char szCwd[4096];
        ASSERT_NE(getcwd(szCwd, sizeof(szCwd)), nullptr);
        m_strOldCwd = szCwd;
        ASSERT_EQ(chdir(m_strDir.c_str()), 0);
    }
    void TearDown() override {
        closeAllPtrs();
        ASSERT_EQ(chdir(m_strOldCwd.c_str()), 0);
        std::error_code ec;
        std::filesystem::remove_all(m_strDir, ec);
        ASSERT_FALSE(ec) << "could not remove " << m_strDir << ": " << ec.message();
    }
    std::string path(const std::string& strName) const { return m_strDir + "/" + strName; }
    std::string writeFile(const std::string& strName, const std::string& strText) const {
        std::ofstream file(path(strName), std::ios::binary);
        file << strText;
        return path(strName);
    }
    static std::string readFile(const std::string& strPath) {
        std::ifstream file(strPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    // A store read from definition text; release with releaseArrays.
    void readDefinition(CParseINI& store, const std::string& strText) {
        std::string strPath = writeFile("definition.ini", strText);
        ASSERT_TRUE(store.readINI(strPath.c_str()));
    }

    std::string m_strDir;
    std::string m_strOldCwd;
};

#endif // KORVO_STORETESTUTIL_H
