// The holder registry: holder cache, null holders and prefix lookups.
#include "CGlobalsScope.h"
#include "dispatch/FindHolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

class CFakeHolder final : public CBaseHolder {
  public:
    int getInstanceCount() override { return 1; }
    int getIntAttribute(int, char*, int*) override { return -1; }
    int getStringAttribute(int, char*, char*) override { return -1; }
    int setIntAttribute(int, char*, int) override { return -1; }
};

// The fake library's getObjectHolderByName_c: a holder per class name asked
// for, except "Refused", and a record of every call.
std::map<std::string, std::unique_ptr<CFakeHolder>> g_mapHolders;
std::map<std::string, int> g_mapCalls;
int g_nCalls = 0;

CBaseHolder* FakeHolderExport(char* pszClassName) {
    ++g_nCalls;
    ++g_mapCalls[pszClassName];
    if (strcmp(pszClassName, "Refused") == 0) {
        return nullptr;
    }
    std::unique_ptr<CFakeHolder>& pHolder = g_mapHolders[pszClassName];
    if (!pHolder) {
        pHolder = std::make_unique<CFakeHolder>();
    }
    return pHolder.get();
}

class FindHolderTest : public ::testing::Test {
  protected:
    const char* szFirst = "1.3.6.1.4.1.7310.1";
    const char* szSecond = "1.3.6.1.4.1.7310.10";

    void SetUp() override {
        m_globals.SetLibraryEntries(2);
        strcpy(g_pMIB_DC[0].pszOIDPrefix, szFirst);
        strcpy(g_pMIB_DC[1].pszOIDPrefix, szSecond);
        g_pMIB_DC[0].m_pholder = FakeHolderExport;
        g_pMIB_DC[1].m_pholder = FakeHolderExport;
        g_nCalls = 0;
        g_mapCalls.clear();
        g_mapHolders.clear();
    }

    CGlobalsScope m_globals;
};

TEST_F(FindHolderTest, ConstructedEntryIsEmpty) {
    MIB_DC stEntry;
    EXPECT_EQ(stEntry.pszOIDPrefix[0], '\0');
    EXPECT_EQ(stEntry.m_pholder, nullptr);
    EXPECT_EQ(stEntry.nClientIPCount, 0);
    EXPECT_EQ(stEntry.ClientIPList[23].count, 0);
    for (const HolderNamePtrPair& stSlot : stEntry.holdrarr) {
        EXPECT_EQ(stSlot.Classname[0], '\0');
        EXPECT_EQ(stSlot.p_mCBaseHolder, nullptr);
    }
}

TEST_F(FindHolderTest, HolderIsAskedOnceAndCached) {
    CBaseHolder* pFirst = getHolder("Adapter", szFirst);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(getHolder("Adapter", szFirst), pFirst);
    EXPECT_EQ(g_mapCalls["Adapter"], 1);
    EXPECT_STREQ(g_pMIB_DC[0].holdrarr[0].Classname, "Adapter");

    // The other library keeps its own cache.
    EXPECT_NE(getHolder("Adapter", szSecond), nullptr);
    EXPECT_EQ(g_mapCalls["Adapter"], 2);
    EXPECT_STREQ(g_pMIB_DC[1].holdrarr[0].Classname, "Adapter");
}

TEST_F(FindHolderTest, NamesDifferingInCaseAreDifferentClasses) {
    CBaseHolder* pUpper = getHolder("Adapter", szFirst);
    CBaseHolder* pLower = getHolder("adapter", szFirst);
    EXPECT_NE(pUpper, pLower);
    EXPECT_EQ(g_nCalls, 2);
}

TEST_F(FindHolderTest, TwentyFirstClassIsNullWhileTheFirstTwentyStay) {
    CBaseHolder* apHolders[HOLDER_CACHE_SLOTS];
    for (int iClass = 0; iClass < HOLDER_CACHE_SLOTS; ++iClass) {
        std::string strName = "Class" + std::to_string(iClass);
        apHolders[iClass] = getHolder(strName.c_str(), szFirst);
        ASSERT_NE(apHolders[iClass], nullptr);
    }
    EXPECT_EQ(getHolder("OneTooMany", szFirst), nullptr);
    EXPECT_EQ(g_mapCalls.count("OneTooMany"), 0u);
    for (int iClass = 0; iClass < HOLDER_CACHE_SLOTS; ++iClass) {
        std::string strName = "Class" + std::to_string(iClass);
        EXPECT_EQ(getHolder(strName.c_str(), szFirst), apHolders[iClass]);
    }
    EXPECT_EQ(g_nCalls, HOLDER_CACHE_SLOTS);
}

TEST_F(FindHolderTest, RefusedClassStaysNullUntilAnotherClassTakesItsSlot) {
    EXPECT_EQ(getHolder("Refused", szFirst), nullptr);
    EXPECT_EQ(getHolder("Refused", szFirst), nullptr);
    EXPECT_EQ(g_mapCalls["Refused"], 1);

    // The slot counts as free: the next class takes it over.
    CBaseHolder* pBattery = getHolder("Battery", szFirst);
    EXPECT_NE(pBattery, nullptr);
    EXPECT_STREQ(g_pMIB_DC[0].holdrarr[0].Classname, "Battery");
    EXPECT_EQ(getHolder("Refused", szFirst), nullptr);
    EXPECT_EQ(g_mapCalls["Refused"], 2);
}

TEST_F(FindHolderTest, RefusesUnknownPrefixesAndOverlongNames) {
    EXPECT_EQ(getHolder("Adapter", "1.3.6.1.4.1.7310"), nullptr);
    EXPECT_EQ(getHolder("Adapter", "1.3.6.1.4.1.7310.1."), nullptr);
    EXPECT_EQ(getHolder(nullptr, szFirst), nullptr);

    std::string strLongest(HOLDER_CLASSNAME_SIZE - 1, 'L');
    std::string strTooLong(HOLDER_CLASSNAME_SIZE, 'L');
    EXPECT_NE(getHolder(strLongest.c_str(), szFirst), nullptr);
    EXPECT_EQ(getHolder(strTooLong.c_str(), szFirst), nullptr);
    EXPECT_EQ(g_mapCalls.count(strTooLong), 0u);
}

TEST_F(FindHolderTest, NoEntriesFindNothing) {
    m_globals.SetLibraryEntries(0);
    EXPECT_EQ(getHolder("Adapter", szFirst), nullptr);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.1.1"), NO_LIBRARY_ENTRY);
}

TEST_F(FindHolderTest, PrefixMatchesOnlyAtSubidentifierBoundary) {
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.1"), 0);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.1.2.1.5.0"), 0);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.10"), 1);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.10.2.1.5.0"), 1);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.100.1"), NO_LIBRARY_ENTRY);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310"), NO_LIBRARY_ENTRY);
    EXPECT_EQ(getIDForOIDPrefixASNForOID(""), NO_LIBRARY_ENTRY);

    // getHolder compares the whole prefix text and finds the later entry.
    getHolder("Enclosure", szSecond);
    EXPECT_STREQ(g_pMIB_DC[1].holdrarr[0].Classname, "Enclosure");
    EXPECT_EQ(g_pMIB_DC[0].holdrarr[0].Classname[0], '\0');
}

TEST_F(FindHolderTest, EntryWithoutPrefixServesNoOid) {
    g_pMIB_DC[0].pszOIDPrefix[0] = '\0';
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.10.1"), 1);
}

// A library that did not load leaves its entry without holder export: the
// entry owns none of its OIDs, and an OID that its prefix text covers goes
// to the later entry that covers it too.
TEST_F(FindHolderTest, EntryWhoseLibraryDidNotLoadServesNoOid) {
    strcpy(g_pMIB_DC[1].pszOIDPrefix, "1.3.6.1.4.1.7310.1.5");
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.1.5.2.1.5.0"), 0);

    g_pMIB_DC[0].m_pholder = nullptr;
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.1.5.2.1.5.0"), 1);
    EXPECT_EQ(getIDForOIDPrefixASNForOID("1.3.6.1.4.1.7310.1.2.1.5.0"), NO_LIBRARY_ENTRY);
}

} // namespace
