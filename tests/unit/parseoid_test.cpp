// OID resolution, the walk order and trap lookup.
#include "CGlobalsScope.h"
#include "storetestutil.h"

#include <cstring>

namespace {

// Definition text of a store with the given prefix, groups "entry:attribute
// OIDs", tables likewise, walk order "from>to" and extra text.
std::string definition(const std::string& strPrefix, const std::vector<std::string>& groups,
                       const std::vector<std::string>& tables, const std::vector<std::string>& maps,
                       const std::string& strExtra = "") {
    std::string strText = "[GLOBALS]\nOID_PREFIX=" + strPrefix + "\nVALID_OID=" + strPrefix +
                          ".1.1.1\nNO_OF_GROUPS=" + std::to_string(groups.size()) +
                          "\nNO_OF_TBLS=" + std::to_string(tables.size()) +
                          "\nNO_OF_MAPs=" + std::to_string(maps.size()) + "\n";
    auto addEntries = [&strText](const char* pszKind, const std::vector<std::string>& entries) {
        for (size_t i = 0; i < entries.size(); i++) {
            std::string strSection = std::string(pszKind) + "_" + std::to_string(i + 1);
            size_t nColon = entries[i].find(':');
            std::string strAttribs = entries[i].substr(nColon + 1);
            std::vector<std::string> attribs;
            for (size_t nAt = 0; nAt < strAttribs.size();) {
                size_t nComma = strAttribs.find(',', nAt);
                attribs.push_back(strAttribs.substr(nAt, nComma - nAt));
                nAt = nComma == std::string::npos ? strAttribs.size() : nComma + 1;
            }
            strText += "[" + strSection + "]\nENTRY_OID=" + entries[i].substr(0, nColon) +
                       "\nCLASS_NAME=" + strSection + "\nNO_OF_KEYS=1\n" + strSection +
                       "_KEY_1=Id\nNO_OF_ATTRBS=" + std::to_string(attribs.size()) + "\n";
            for (size_t k = 0; k < attribs.size(); k++) {
                strText += "[" + strSection + "_ATTRB_" + std::to_string(k + 1) +
                           "]\nOID=" + attribs[k] + "\nNAME=" + strSection + "_" + attribs[k] +
                           "\nDATA_TYPE=2\nACCESS_TYPE=W\n";
            }
        }
    };
    addEntries("GRP", groups);
    addEntries("TBL", tables);
    for (size_t i = 0; i < maps.size(); i++) {
        size_t nArrow = maps[i].find('>');
        strText += "[MAP_" + std::to_string(i + 1) + "]\nFROM_OID=" + maps[i].substr(0, nArrow) +
                   "\nTO_OID=" + maps[i].substr(nArrow + 1) + "\n";
    }
    return strText + strExtra;
}

const char* const PREFIX_1 = "1.3.6.1.4.1.7310.1";
const char* const PREFIX_10 = "1.3.6.1.4.1.7310.10";

} // namespace

class ResolveTest : public StoreTest {
  protected:
    void loadStores(const std::vector<std::string>& definitions) {
        m_globals.SetStores(static_cast<int>(definitions.size()));
        for (size_t i = 0; i < definitions.size(); i++) {
            readDefinition(g_ParseINIarr[i], definitions[i]);
        }
    }
    int resolve(const std::string& strOID) {
        strcpy(m_szOID, strOID.c_str());
        return getOID_Details(m_szOID, m_obj);
    }
    char m_szOID[REQUEST_OID_SIZE];
    obj_attrib m_obj;
    CGlobalsScope m_globals;
};

TEST_F(ResolveTest, ExactAndNearestEntries) {
    loadStores({definition(PREFIX_1, {"1.1:1,2"}, {}, {})});
    EXPECT_EQ(resolve(std::string(PREFIX_1) + ".1.1.2.0."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_obj.szName, "GRP_1_2");
    EXPECT_STREQ(m_obj.szClassName, "GRP_1");
    EXPECT_STREQ(m_obj.szOID, "1.1");
    EXPECT_STREQ(m_obj.szOIDPrefix, PREFIX_1);
    EXPECT_EQ(m_obj.cAccessType, 'W');
    EXPECT_EQ(m_obj.iDataType, 2);
    // Group fills leave the caller's keys alone.
    EXPECT_EQ(m_obj.iNumKeys, 0);
    EXPECT_STREQ(m_szOID, (std::string(PREFIX_1) + ".1.1.2.0.").c_str());
    // The prefix alone: the nearest group, not rewritten without a table.
    EXPECT_EQ(resolve(std::string(PREFIX_1) + "."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_obj.szName, "GRP_1_1");
    EXPECT_STREQ(m_szOID, (std::string(PREFIX_1) + ".").c_str());
    // An attribute matches on whole sub-identifiers: 1.1.3. finds nothing,
    // and no entry begins with "1.1.3".
    EXPECT_EQ(resolve(std::string(PREFIX_1) + ".1.1.3.0."), OID_NOT_RESOLVED);
}

TEST_F(ResolveTest, NearestChoiceIsByteWiseAndRewritesTheOID) {
    loadStores({definition(PREFIX_1, {"1.1:1"}, {"2.1:1"}, {})});
    EXPECT_EQ(resolve(std::string(PREFIX_1) + "."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_szOID, (std::string(PREFIX_1) + ".1.1.1.").c_str());
    EXPECT_EQ(resolve(std::string(PREFIX_1) + ".2.1.1.0."), OID_TABLE_ATTRIBUTE);
    EXPECT_EQ(m_obj.iNumKeys, 1);
    EXPECT_STREQ(m_obj.szKeys[0], "Id");
    closeAllPtrs();

    // 10.1.1. sorts before 9.1.1.
    loadStores({definition(PREFIX_1, {"10.1:1"}, {"9.1:1"}, {})});
    EXPECT_EQ(resolve(std::string(PREFIX_1) + "."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_szOID, (std::string(PREFIX_1) + ".10.1.1.").c_str());
    closeAllPtrs();

    // Entry 1.1 matches a request under 1.10 as text; the attribute decides.
    loadStores({definition(PREFIX_1, {"1.1:1", "1.10:5"}, {}, {})});
    EXPECT_EQ(resolve(std::string(PREFIX_1) + ".1.10.5.0."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_obj.szClassName, "GRP_2");
}

TEST_F(ResolveTest, RewriteThatWouldOverflowTheRequestBufferResolvesNothing) {
    std::string strLongEntry = "1.2.3.4.5.6.7.8.9.10.11.12.13";
    loadStores({definition(PREFIX_1, {strLongEntry + ":1"}, {"2.1:1"}, {})});
    strcpy(m_szOID, (std::string(PREFIX_1) + ".").c_str());
    EXPECT_EQ(getOID_Details(m_szOID, m_obj), OID_NOT_RESOLVED);
    EXPECT_STREQ(m_szOID, (std::string(PREFIX_1) + ".").c_str());
}

TEST_F(ResolveTest, GroupsWithoutAttributesAreNeverChosen) {
    loadStores({definition(PREFIX_1, {"1.1:"}, {}, {}, "[GRP_1]\nNO_OF_ATTRBS=0\n")});
    EXPECT_EQ(g_ParseINIarr[0].m_ptrCGroup[0].szTotalAttrbs[0], '0');
    EXPECT_EQ(resolve(std::string(PREFIX_1) + "."), OID_NOT_RESOLVED);
    int iStart = 42;
    EXPECT_EQ(getNo_Attr(PREFIX_1, "1.1", 1, iStart), 0);
    EXPECT_EQ(iStart, 42);
}

TEST_F(ResolveTest, PrefixOwnsOnlyWholeSubIdentifiers) {
    loadStores({definition(PREFIX_1, {"1.1:1"}, {}, {}), definition(PREFIX_10, {"1.1:1"}, {}, {})});
    EXPECT_EQ(getIndexFromOID("1.3.6.1.4.1.7310.1.1.1.1.0."), 0);
    EXPECT_EQ(getIndexFromOID("1.3.6.1.4.1.7310.10.1.1.1.0."), 1);
    EXPECT_EQ(getIndexFromOID("1.3.6.1.4.1.7310.1"), 0);
    EXPECT_EQ(getIndexFromOID("1.3.6.1.4.1.7310.100.1."), NO_STORE_INDEX);
    EXPECT_EQ(resolve("1.3.6.1.4.1.7310.10.1.1.1.0."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_obj.szOIDPrefix, PREFIX_10);
    // Before every store: the first object of store 0.
    EXPECT_EQ(resolve("1.3.6.1.4.1.7310."), OID_GROUP_ATTRIBUTE);
    EXPECT_STREQ(m_szOID, (std::string(PREFIX_1) + ".").c_str());
    EXPECT_STREQ(m_obj.szOIDPrefix, PREFIX_1);
    // After every store nothing follows: a get-next there must not go back.
    EXPECT_EQ(resolve("1.3.6.1.4.1.9999.1."), OID_NOT_RESOLVED);
}

TEST_F(ResolveTest, TextBetweenStoresResolvesToTheNextStore) {
    loadStores({definition("1.3.6.1.4.1.7310.4.1", {"1:1"}, {}, {}),
                definition("1.3.6.1.4.1.7310.5.1", {}, {"1.1:1"}, {})});
    EXPECT_EQ(resolve("1.3.6.1.4.1.7310.5."), OID_TABLE_ATTRIBUTE);
    EXPECT_STREQ(m_obj.szOIDPrefix, "1.3.6.1.4.1.7310.5.1");
    EXPECT_STREQ(m_szOID, "1.3.6.1.4.1.7310.5.1.");
    EXPECT_EQ(resolve("1.3.6.1.4.1.7310.4.2."), OID_TABLE_ATTRIBUTE);
    EXPECT_STREQ(m_obj.szOIDPrefix, "1.3.6.1.4.1.7310.5.1");
}

TEST_F(ResolveTest, AttributeCounts) {
    loadStores({definition(PREFIX_1, {"1:3,4"}, {"2.1:1,2,3"}, {})});
    int iStart = -7;
    EXPECT_EQ(getNo_Attr(PREFIX_1, "1", 1, iStart), 2);
    EXPECT_EQ(iStart, 2);
    iStart = -7;
    EXPECT_EQ(getNo_Attr(PREFIX_1, "2.1", 0, iStart), 3);
    EXPECT_EQ(iStart, -7);
    EXPECT_EQ(getNo_Attr(PREFIX_1, "2", 0, iStart), 0);
    EXPECT_EQ(getNo_Attr("1.3.6.1.4.1.9", "2.1", 0, iStart), -1);
}

TEST_F(ResolveTest, WalkOrderWithinAndAcrossStores) {
    loadStores({definition(PREFIX_1, {"1.1:1"}, {"2.1:1", "3.1:1"}, {"1.1>2.1", "2.1>3.1"}),
                definition(PREFIX_10, {"5.1:2"}, {"4.1:1"}, {"4.1>5.1", "5.1>end"})});
    char szNext[ENTRY_OID_SIZE];
    char szPrefix[STORE_TEXT_SIZE];
    CParseINI& store = g_ParseINIarr[0];
    EXPECT_EQ(store.getNextEntry("1.1", szNext), NEXT_ENTRY_FOUND);
    EXPECT_STREQ(szNext, "2.1");
    // The last entry ends the store: its target is copied but not walked to.
    EXPECT_EQ(store.getNextEntry("2.1", szNext), NEXT_ENTRY_END);
    EXPECT_STREQ(szNext, "3.1");
    EXPECT_EQ(store.getNextEntry("3.1", szNext), NEXT_ENTRY_NONE);
    std::string strFull = std::string(PREFIX_1) + ".2.1.1.5.";
    EXPECT_EQ(store.getNextEntry("2.1", szNext, strFull.c_str()), NEXT_ENTRY_END);

    strcpy(szPrefix, PREFIX_1);
    EXPECT_EQ(getNextEntry(szPrefix, "2.1", szNext, strFull.c_str()), NEXT_ENTRY_NEXT_STORE);
    EXPECT_STREQ(szPrefix, PREFIX_10);
    // 4.1.1. sorts before 5.1.2.
    EXPECT_STREQ(szNext, "4.1.1.");

    strcpy(szPrefix, PREFIX_1);
    EXPECT_EQ(getNextEntry(szPrefix, "2.1", szNext), NEXT_ENTRY_NEXT_STORE);
    EXPECT_STREQ(szNext, "1.1");

    // The end of the last store: what the deliverable chose, NEXT_ENTRY_END
    // (the daemon, and the default) or NEXT_ENTRY_NONE (the Windows agent).
    strcpy(szPrefix, PREFIX_10);
    EXPECT_EQ(getNextEntry(szPrefix, "5.1", szNext, "x"), NEXT_ENTRY_END);
    m_globals.SetEndOfWalkResult(NEXT_ENTRY_NONE);
    EXPECT_EQ(getNextEntry(szPrefix, "5.1", szNext, "x"), NEXT_ENTRY_NONE);
    EXPECT_EQ(getNextEntry(szPrefix, "5.1", szNext), NEXT_ENTRY_END) << "the three-argument form";
    m_globals.SetEndOfWalkResult(NEXT_ENTRY_END);
    EXPECT_EQ(getNextEntryAcross(szPrefix, "5.1", szNext, "x", NEXT_ENTRY_NONE), NEXT_ENTRY_NONE);
    EXPECT_EQ(getNextEntry(szPrefix, "9.9", szNext, "x"), NEXT_ENTRY_NONE);
}

TEST_F(ResolveTest, WalkIntoAStoreWithOneKindOfEntry) {
    loadStores({definition(PREFIX_1, {"1.1:1"}, {}, {"1.1>end"}),
                definition(PREFIX_10, {}, {"2.1:1"}, {"2.1>end"})});
    char szNext[ENTRY_OID_SIZE];
    char szPrefix[STORE_TEXT_SIZE];
    strcpy(szPrefix, PREFIX_1);
    EXPECT_EQ(getNextEntry(szPrefix, "1.1", szNext, "x"), NEXT_ENTRY_NEXT_STORE);
    EXPECT_STREQ(szNext, "2.1.1.");
    strcpy(g_ParseINIarr[1].m_szFirstValidOID, "1.3.6.1.4.1.7310");
    strcpy(szPrefix, PREFIX_1);
    EXPECT_EQ(getNextEntry(szPrefix, "1.1", szNext), NEXT_ENTRY_END);
}

TEST_F(ResolveTest, FirstValidOID) {
    char szValid[STORE_TEXT_SIZE];
    EXPECT_EQ(getValid_OID("1.3.6.1.4.1.7310.1.1.", szValid), -1);
    loadStores({definition(PREFIX_1, {"1.1:1"}, {}, {}), definition(PREFIX_10, {"1.1:1"}, {}, {})});
    EXPECT_EQ(getValid_OID("1.3.6.1.4.1.7310.10.4.", szValid), 1);
    EXPECT_STREQ(szValid, g_ParseINIarr[1].m_szFirstValidOID);
    EXPECT_EQ(getValid_OID("1.3.6.1.4.1.7310.7.", szValid), 1);
    EXPECT_STREQ(szValid, g_ParseINIarr[0].m_szFirstValidOID);
    EXPECT_STREQ(szValid, "1.3.6.1.4.1.7310.1.1.1.");
    EXPECT_EQ(getValid_OID("1.3.6.1.4.1.9.", szValid), -1);
}

TEST_F(ResolveTest, TrapLookup) {
    const char* pszTraps = R"([GLOBALS]
NO_OF_TRAPS=4
NO_OF_TRAP_ATTRB=2
OID_VIEW=ShowTrapDescription
[TRAPATTRB_0]
OID=2.1.1
DATA_TYPE=2
NAME=first
[TRAPATTRB_1]
OID=2.1.3
DATA_TYPE=1
[TRAP_1]
CODE=1a
ENTRY_OID=100
TRAP_ID=5
NO_OF_ATTRBS=4
ATTRB_1=1
ATTRB_2=0
ATTRB_3=1
ATTRB_4=2
[TRAP_2]
CODE=1a
TRAP_ID=6
[TRAP_3]
CODE=1a2b9
[TRAP_4]
CODE=7
)";
    loadStores({definition(PREFIX_1, {}, {}, {}, pszTraps)});
    TrapObj* pTrap = getTrap_Details(0, "1a");
    ASSERT_NE(pTrap, nullptr);
    EXPECT_EQ(pTrap->nTrapID, 5);
    EXPECT_STREQ(pTrap->szEntryOID, "100");
    EXPECT_STREQ(pTrap->szOIDPrefix, PREFIX_1);
    EXPECT_STREQ(pTrap->szOIDView, "ShowTrapDescription");
    ASSERT_EQ(pTrap->nTotalAttrbs, 4);
    EXPECT_STREQ(pTrap->m_ptrAttribs[0].szOID, "2.1.3");
    EXPECT_STREQ(pTrap->m_ptrAttribs[1].szOID, "2.1.1");
    EXPECT_STREQ(pTrap->m_ptrAttribs[1].szDataType, "2");
    EXPECT_STREQ(pTrap->m_ptrAttribs[1].szAttrName, "");
    EXPECT_STREQ(pTrap->m_ptrAttribs[2].szOID, "2.1.3");
    // Index 2 is outside the trap-attribute table: the variable stays empty.
    EXPECT_STREQ(pTrap->m_ptrAttribs[3].szOID, "");
    releaseTrapObj(pTrap);

    // Codes are cut to four characters; leading zeros and case matter.
    pTrap = getTrap_Details(0, "1a2b");
    ASSERT_NE(pTrap, nullptr);
    EXPECT_EQ(pTrap->nTotalAttrbs, 0);
    releaseTrapObj(pTrap);
    EXPECT_EQ(getTrap_Details(0, "1A"), nullptr);
    EXPECT_EQ(getTrap_Details(0, "07"), nullptr);
    EXPECT_EQ(getTrap_Details(0, "0000"), nullptr);
    EXPECT_EQ(getTrap_Details(1, "1a"), nullptr);
    EXPECT_EQ(getTrap_Details(-1, "1a"), nullptr);
    EXPECT_EQ(isTrapEnabled(1), 0);

    // A persisted count above the six slots reads no further than the slots.
    strcpy(g_ParseINIarr[0].m_ptrCTrap[3].szTotAttrbs, "9");
    pTrap = getTrap_Details(0, "7");
    ASSERT_NE(pTrap, nullptr);
    EXPECT_EQ(pTrap->nTotalAttrbs, 6);
    releaseTrapObj(pTrap);
}
