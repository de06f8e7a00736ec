// The MIB definition file reader and the controller list.
#include "mib/parseinifile.h"
#include "mib/parsepersist.h"
#include "storetestutil.h"

#include <cstring>

namespace {

std::string definitionWithPrefix(const char* pszPrefix) {
    return std::string("[GLOBALS]\nNO_OF_MAPs=0\nNO_OF_TRAP_ATTRB=0\nNO_OF_GROUPS=0\n"
                       "NO_OF_TBLS=0\nNO_OF_TRAPS=0\nOID_PREFIX=") +
           pszPrefix + "\n";
}

} // namespace

TEST_F(StoreTest, DefinitionKeysTakeDefaultsAndAreCut) {
    CParseINI store;
    readDefinition(store, R"([globals]
no_of_groups = 1
NO_OF_TBLS=1
NO_OF_TRAPS=1
NO_OF_TRAP_ATTRB=1
DATA_SRC=a_data_source_name_that_is_long
[GRP_1]
ENTRY_OID=1.1
NO_OF_ATTRBS=2
[GRP_1_ATTRB_1]
OID=123456789012345
ACCESS_TYPE=Write
[GRP_1_ATTRB_2]
OID=2
ACCESS_TYPE=write
DATA_TYPE=12
[TBL_1]
ENTRY_OID=2.1
NO_OF_ATTRBS=x
NO_OF_KEYS=5
TBL_1_KEY_1=A
TBL_1_KEY_2=B
TBL_1_KEY_3=C
TBL_1_KEY_4=D
[TRAP_1]
NO_OF_ATTRBS=9
ATTRB_6=3
)");
    // NO_OF_MAPs is missing: taken as 0.
    EXPECT_EQ(store.m_nMaps, 0);
    EXPECT_STREQ(store.m_szDataSrc, "a_data_source_name_that");
    EXPECT_STREQ(store.m_szOIDPrefix, "NOT FOUND");
    EXPECT_EQ(store.m_nOIDPrefixLen, 9);
    const CGroup& group = store.m_ptrCGroup[0];
    EXPECT_STREQ(group.szName, "NOT FOUND");
    EXPECT_STREQ(group.m_ptrAttribs[0].szOID, "12345678901.");
    EXPECT_EQ(group.m_ptrAttribs[0].cAccessType, 'W');
    EXPECT_STREQ(group.m_ptrAttribs[0].szFnName, "NOT FOUND");
    EXPECT_EQ(group.m_ptrAttribs[0].iDataType, 0);
    EXPECT_EQ(group.m_ptrAttribs[1].cAccessType, 'w');
    // A data type that is no single digit is no data type.
    EXPECT_EQ(group.m_ptrAttribs[1].iDataType, 0);
    EXPECT_STREQ(group.m_ptrAttribs[1].szDataType, "0");

    const CTbl& table = store.m_ptrCTbl[0];
    EXPECT_STREQ(table.szTotalAttrbs, "0");
    EXPECT_EQ(table.nTotalKeys, 3);
    EXPECT_STREQ(table.szTotalKeys, "3");
    EXPECT_STREQ(table.szKeys[2], "C");

    const CTrap& trap = store.m_ptrCTrap[0];
    EXPECT_STREQ(trap.szTotAttrbs, "6");
    EXPECT_STREQ(trap.szTrapCode, "0000");
    EXPECT_STREQ(trap.szAttrbIndex[5], "3");
    EXPECT_STREQ(store.m_ptrCTrapAttr[0].szDataType, "0");
    store.releaseArrays();
}

TEST_F(StoreTest, DefinitionWithImpossibleCountsIsRefused) {
    CParseINI store;
    writeFile("big.ini", "[GLOBALS]\nNO_OF_MAPs=1000\n");
    EXPECT_FALSE(store.readINI(path("big.ini").c_str()));
    EXPECT_EQ(store.m_nMaps, 0);
    EXPECT_FALSE(store.readINI(path("missing.ini").c_str()));
}

class ControllerListTest : public StoreTest {
  protected:
    // A persisted definition file with the given prefix.
    std::string persisted(const std::string& strName, const char* pszPrefix) {
        CParseINI store;
        std::string strIni = writeFile(strName + ".ini", definitionWithPrefix(pszPrefix));
        EXPECT_TRUE(store.readINI(strIni.c_str()));
        std::string strDat = path(strName + ".dat");
        store.persistINIWithLayout(strDat.c_str(), false, TABLE_LAYOUT_NATIVE);
        store.releaseArrays();
        return strDat;
    }
    int readList(const std::string& strText, int iOSType = OS_TYPE_LINUX) {
        return initParseINIFromFile(writeFile("list.ini", strText).c_str(), iOSType);
    }
};

TEST_F(ControllerListTest, StoresComeSortedAndMissingFilesLowerTheCount) {
    std::string strHigh = persisted("high", "1.3.6.1.4.1.7310.5");
    std::string strLow = persisted("low", "1.3.6.1.4.1.7310.4");
    int nStores =
        readList("# comment\n\nNoOfInstalledController = 3\n" + path("none.dat") + "\n" + strHigh +
                 " " + path("high.traps") + " n\r\n" + strLow + "\t" + path("low.traps") + "\r\n");
    ASSERT_EQ(nStores, 2);
    EXPECT_EQ(g_iNoOfDeviceType, 2);
    EXPECT_STREQ(g_ParseINIarr[0].m_szOIDPrefix, "1.3.6.1.4.1.7310.4");
    // The carriage return is no part of the trap destination file name.
    EXPECT_EQ(std::string(getTrapDestinationFileName(0)), path("low.traps"));
    EXPECT_EQ(isTrapEnabled(0), 1);
    EXPECT_EQ(isTrapEnabled(1), 0);
    EXPECT_EQ(getTrapDestinationFileName(2), nullptr);
}

TEST_F(ControllerListTest, TrapSwitchIsTheThirdTokenOnLinuxAndTheSecondOnWindows) {
    std::string strDat = persisted("one", "1.3.6.1.4.1.7310.4");
    ASSERT_EQ(readList("NoOfInstalledController=1\n" + strDat + " n\n"), 1);
    EXPECT_STREQ(getTrapDestinationFileName(0), "n");
    EXPECT_EQ(isTrapEnabled(0), 1);
    ASSERT_EQ(readList("NoOfInstalledController=1\n" + strDat + " dest No\n"), 1);
    EXPECT_EQ(isTrapEnabled(0), 1);
    ASSERT_EQ(readList("NoOfInstalledController=1\n" + strDat + " dest N\n"), 1);
    EXPECT_EQ(isTrapEnabled(0), 0);
    ASSERT_EQ(readList("NoOfInstalledController=1\n" + strDat + " N\n", OS_TYPE_WINDOWS), 1);
    EXPECT_EQ(isTrapEnabled(0), 0);
    EXPECT_STREQ(getTrapDestinationFileName(0), "");
}

TEST_F(ControllerListTest, OddListsAreHandledWithoutOverrun) {
    std::string strDat = persisted("one", "1.3.6.1.4.1.7310.4");
    EXPECT_EQ(initParseINIFromFile(path("absent.ini").c_str(), OS_TYPE_LINUX), -1);
    EXPECT_EQ(readList("NoOfInstalledController=1\n", 2), 0);
    EXPECT_EQ(readList("NoOfInstalledController 0\n" + strDat + "\n"), 0);
    EXPECT_EQ(readList("NoOfInstalledController=-4\n"), -4);
    EXPECT_EQ(readList("NoOfInstalledController=2000000000\n" + strDat + "\n"), 0);
    // An indented '#' is a definition file name that does not exist.
    EXPECT_EQ(readList("NoOfInstalledController=2\n  # not a comment\n" + strDat + "\n"), 1);
    // Definition lines beyond the declared count, before the count line, and a
    // second count line are ignored.
    EXPECT_EQ(readList(strDat + "\nNoOfInstalledController=1\n" + strDat + "\n" + strDat +
                       "\nNoOfInstalledController=5\n" + strDat + "\n"),
              1);
    // A line longer than 1023 characters is read in pieces.
    EXPECT_EQ(readList("NoOfInstalledController=1\n" + std::string(1500, 'x') + "\n" + strDat), 0);
    // A trap destination name too long for its field is not cut.
    EXPECT_EQ(readList("NoOfInstalledController=1\n" + strDat + " " + std::string(300, 'd')), 1);
    EXPECT_STREQ(getTrapDestinationFileName(0), "");
}

// Reads the controller list at its fixed place; the system test runs it with a
// private folder mounted over that place and the variable set.
TEST_F(StoreTest, ControllerListAtItsFixedPlace) {
    if (getenv("KORVO_FIXED_CONTROLLER_LIST") == nullptr) {
        GTEST_SKIP() << "needs a private controller-list folder";
    }
    ASSERT_EQ(initParseINI(OS_TYPE_LINUX), 3);
    EXPECT_STREQ(g_ParseINIarr[0].m_szOIDPrefix, "1.3.6.1.4.1.7310.4.1");
    EXPECT_STREQ(g_ParseINIarr[1].m_szOIDPrefix, "1.3.6.1.4.1.7310.5.1");
    EXPECT_STREQ(g_ParseINIarr[2].m_szOIDPrefix, "1.3.6.1.4.1.7310.7.1");
    EXPECT_STREQ(getTrapDestinationFileName(1), "/etc/qbz_korvodsnmp/korvosim-enclosure.traps");
    char szPrefix[24], szName[24], szView[24], szVersion[24];
    ASSERT_TRUE(getOID_DLL(0, OS_TYPE_LINUX, szPrefix, szName, szView, szVersion));
    EXPECT_STREQ(szName, "libkorvosim.so");
    EXPECT_STREQ(szVersion, "1.0");
    EXPECT_EQ(initParseINI(OS_TYPE_WINDOWS), -1);
    EXPECT_EQ(initParseINI(7), 0);
}
