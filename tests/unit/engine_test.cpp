// Request dispatch and the attribute engine against a scripted storage
// library: two MIB definitions, scalar groups and tables, the walk order
// across them, reads, walks and writes.
#include "CGlobalsScope.h"
#include "agent/genpvkinit.h"
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "dispatch/FindHolder.h"
#include "dispatch/Zundfunc.h"
#include "dispatch/genpvkdispatch.h"
#include "mib/parseini.h"
#include "mib/parseoid.h"
#include "platform/snmpapi.h"
#include "storetestutil.h"

#include <map>
#include <string>
#include <vector>

namespace {

// A class of the scripted library: integer and text attributes per instance.
class CScriptedHolder : public CBaseHolder {
  public:
    int getInstanceCount() override { return m_nCount; }

    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override {
        ++m_nReads;
        auto itValue = m_mapInts.find(pszAttribute);
        if (m_bFailReads || itValue == m_mapInts.end()) {
            return -1;
        }
        *piValue = itValue->second + iInstance;
        return 0;
    }

    int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) override {
        ++m_nReads;
        auto itValue = m_mapTexts.find(pszAttribute);
        if (m_bFailReads || itValue == m_mapTexts.end()) {
            return -1;
        }
        std::string strValue =
            itValue->second.empty() ? "" : itValue->second + std::to_string(iInstance);
        strcpy(pszBuffer, strValue.c_str());
        return 0;
    }

    int setIntAttribute(int iInstance, char* pszAttribute, int iValue) override {
        m_strLastSet = std::string(pszAttribute) + "[" + std::to_string(iInstance) +
                       "]=" + std::to_string(iValue);
        return m_nSetResult;
    }

    int m_nCount = 1;
    bool m_bFailReads = false;
    int m_nReads = 0;
    int m_nSetResult = 0;
    std::string m_strLastSet;
    std::map<std::string, int> m_mapInts;
    std::map<std::string, std::string> m_mapTexts;
};

std::map<std::string, CScriptedHolder*> g_mapHolders;
int g_nHolderRequests = 0;

CBaseHolder* ScriptedHolderByName(char* pszClassName) {
    ++g_nHolderRequests;
    auto itHolder = g_mapHolders.find(pszClassName);
    return itHolder == g_mapHolders.end() ? nullptr : itHolder->second;
}

const char* const RAID_PREFIX = "1.3.6.1.4.1.7310.4.1";
const char* const SHELF_PREFIX = "1.3.6.1.4.1.7310.5.1";

// Group 1 (System): 1 Name text, 2 Drives integer, 3 Level writable integer.
// Table 2.1 (Adapter): 1 Id, 2 Model text, 3 Rate writable.
// Table 3.1 (Ghost): a class the library does not know.
const char* const RAID_DEFINITION = R"([GLOBALS]
DATA_SRC=scripted
OID_PREFIX=1.3.6.1.4.1.7310.4.1
VALID_OID=1.3.6.1.4.1.7310.4.1.1
NO_OF_GROUPS=1
NO_OF_TBLS=2
NO_OF_MAPs=3
NO_OF_TRAPS=0
NO_OF_TRAP_ATTRB=0
[GRP_1]
ENTRY_OID=1
CLASS_NAME=System
NO_OF_ATTRBS=3
[GRP_1_ATTRB_1]
OID=1
NAME=Name
DATA_TYPE=1
[GRP_1_ATTRB_2]
OID=2
NAME=Drives
DATA_TYPE=2
[GRP_1_ATTRB_3]
OID=3
NAME=Level
ACCESS_TYPE=W
DATA_TYPE=2
[TBL_1]
ENTRY_OID=2.1
CLASS_NAME=Adapter
NO_OF_ATTRBS=3
NO_OF_KEYS=1
TBL_1_KEY_1=Id
[TBL_1_ATTRB_1]
OID=1
NAME=Id
DATA_TYPE=2
[TBL_1_ATTRB_2]
OID=2
NAME=Model
DATA_TYPE=1
[TBL_1_ATTRB_3]
OID=3
NAME=Rate
ACCESS_TYPE=W
DATA_TYPE=2
[TBL_2]
ENTRY_OID=3.1
CLASS_NAME=Ghost
NO_OF_ATTRBS=1
NO_OF_KEYS=1
TBL_2_KEY_1=Id
[TBL_2_ATTRB_1]
OID=1
NAME=Id
DATA_TYPE=2
[MAP_1]
FROM_OID=1
TO_OID=2.1
[MAP_2]
FROM_OID=2.1
TO_OID=3.1
[MAP_3]
FROM_OID=3.1
TO_OID=100
)";

// Table 1.1 (Battery): 1 Charge, 2 Learn writable.
const char* const SHELF_DEFINITION = R"([GLOBALS]
DATA_SRC=scripted
OID_PREFIX=1.3.6.1.4.1.7310.5.1
VALID_OID=1.3.6.1.4.1.7310.5.1.1
NO_OF_GROUPS=0
NO_OF_TBLS=1
NO_OF_MAPs=1
NO_OF_TRAPS=0
NO_OF_TRAP_ATTRB=0
[TBL_1]
ENTRY_OID=1.1
CLASS_NAME=Battery
NO_OF_ATTRBS=2
NO_OF_KEYS=1
TBL_1_KEY_1=Id
[TBL_1_ATTRB_1]
OID=1
NAME=Charge
DATA_TYPE=2
[TBL_1_ATTRB_2]
OID=2
NAME=Learn
ACCESS_TYPE=W
DATA_TYPE=2
[MAP_1]
FROM_OID=1.1
TO_OID=100
)";

class EngineTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        m_globals.SetStores(2);
        readDefinition(g_ParseINIarr[0], RAID_DEFINITION);
        readDefinition(g_ParseINIarr[1], SHELF_DEFINITION);

        m_stSystem.m_mapTexts["Name"] = "host";
        m_stSystem.m_mapInts["Drives"] = 16;
        m_stSystem.m_mapInts["Level"] = 7;
        m_stAdapter.m_nCount = 3;
        m_stAdapter.m_mapInts["Id"] = 0;
        m_stAdapter.m_mapTexts["Model"] = "M";
        m_stAdapter.m_mapInts["Rate"] = 30;
        m_stBattery.m_nCount = 2;
        m_stBattery.m_mapInts["Charge"] = 90;
        m_stBattery.m_mapInts["Learn"] = 0;
        g_mapHolders = {
            {"System", &m_stSystem}, {"Adapter", &m_stAdapter}, {"Battery", &m_stBattery}};
        g_nHolderRequests = 0;

        m_globals.SetLibraryEntries(2);
        const char* aPrefixes[] = {RAID_PREFIX, SHELF_PREFIX};
        for (int i = 0; i < 2; ++i) {
            strcpy(g_pMIB_DC[i].pszOIDPrefix, aPrefixes[i]);
            g_pMIB_DC[i].m_pholder = ScriptedHolderByName;
            CreateASNFromOID(g_pMIB_DC[i].pszOIDPrefix, g_pMIB_DC[i].MibOidPrefix, i);
        }
        m_stBinding.name.ids = m_aNameIds;
    }

    void TearDown() override {
        ClearValue();
        StoreTest::TearDown();
    }

    void ClearValue() {
        if (m_stBinding.value.asnType == ASN_OCTETSTRING) {
            SnmpUtilMemFree(m_stBinding.value.asnValue.string.stream);
        }
        memset(&m_stBinding.value, 0, sizeof(m_stBinding.value));
    }

    UINT Request(UINT nAction, const std::string& strOID) {
        ClearValue();
        SnmpUtilAToOid(strOID.c_str(), &m_stBinding.name);
        return PopulateValue(&m_stBinding, nAction);
    }

    UINT SetInteger(const std::string& strOID, long nValue) {
        ClearValue();
        SnmpUtilAToOid(strOID.c_str(), &m_stBinding.name);
        m_stBinding.value.asnType = ASN_INTEGER;
        m_stBinding.value.asnValue.number = nValue;
        return PopulateValue(&m_stBinding, SNMP_ACTION_SET);
    }

    std::string Name() const {
        std::string strText;
        for (UINT i = 0; i < m_stBinding.name.idLength; ++i) {
            strText += (i ? "." : "") + std::to_string(m_stBinding.name.ids[i]);
        }
        return strText;
    }

    // The value as the channel would print it.
    std::string Value() const {
        if (m_stBinding.value.asnType == ASN_INTEGER) {
            return std::to_string(m_stBinding.value.asnValue.number);
        }
        if (m_stBinding.value.asnType == ASN_OCTETSTRING) {
            const AsnOctetString& stText = m_stBinding.value.asnValue.string;
            return "\"" + std::string(reinterpret_cast<char*>(stText.stream), stText.length) + "\"";
        }
        return "<none>";
    }

    std::string Raid(const std::string& strTail) const {
        return std::string(RAID_PREFIX) + "." + strTail;
    }
    std::string Shelf(const std::string& strTail) const {
        return std::string(SHELF_PREFIX) + "." + strTail;
    }

    CScriptedHolder m_stSystem;
    CScriptedHolder m_stAdapter;
    CScriptedHolder m_stBattery;
    UINT m_aNameIds[ZUND_MAX_OID_IDS] = {};
    RFC1157VarBind m_stBinding = {};
    CGlobalsScope m_globals;
};

TEST_F(EngineTest, ScalarInstanceZeroIsReadFromTheHolder) {
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("1.1.0")));
    EXPECT_EQ("\"host0\"", Value());
    EXPECT_EQ(Raid("1.1.0"), Name());
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("1.2.0")));
    EXPECT_EQ("16", Value());
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("1.2.1")))
        << "a scalar has only instance 0";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("1.9.0")));
}

TEST_F(EngineTest, TableGetsStayInsideTheInstances) {
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.2.0")));
    EXPECT_EQ("\"M0\"", Value());
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.3.2")));
    EXPECT_EQ("32", Value());
    EXPECT_EQ(Raid("2.1.3.2"), Name());
    int nReads = m_stAdapter.m_nReads;
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("2.1.3.3")));
    EXPECT_EQ(nReads, m_stAdapter.m_nReads) << "no read past the last instance";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("2.1.3.0.0")))
        << "two index numbers";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("2.1.3.2147483648")));
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("2.1.3.4294967295")));

    // An OID that ends at the attribute number reads instance 0.
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.2")));
    EXPECT_EQ("\"M0\"", Value());
}

TEST_F(EngineTest, FailedReadsGiveNotAvailableAndZero) {
    m_stAdapter.m_bFailReads = true;
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.2.1")));
    EXPECT_EQ("\"N/A\"", Value());
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.3.1")));
    EXPECT_EQ("0", Value());
    m_stAdapter.m_bFailReads = false;
    m_stAdapter.m_mapTexts["Model"] = "";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.2.1")));
    EXPECT_EQ("\"N/A\"", Value());
}

TEST_F(EngineTest, InstanceCountsAreNotCutToEightBits) {
    m_stAdapter.m_nCount = 300;
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("2.1.3.299")));
    EXPECT_EQ("329", Value());
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1.3.256")));
    EXPECT_EQ(Raid("2.1.3.257"), Name());
}

TEST_F(EngineTest, WalkFromTheEnterpriseRootVisitsEverythingOnceInOrder) {
    m_stAdapter.m_nCount = 2;
    std::vector<std::string> vWalk;
    std::string strOID = "1.3.6.1.4.1.7310";
    while (Request(SNMP_ACTION_GETNEXT, strOID) == SNMP_STATUS_NOERROR) {
        ASSERT_LT(vWalk.size(), 100u) << "the walk must end";
        strOID = Name();
        vWalk.push_back(strOID + "=" + Value());
    }
    std::vector<std::string> vExpected = {
        Raid("1.1.0=\"host0\""), Raid("1.2.0=16"),       Raid("1.3.0=7"),        Raid("2.1.1.0=0"),
        Raid("2.1.1.1=1"),       Raid("2.1.2.0=\"M0\""), Raid("2.1.2.1=\"M1\""), Raid("2.1.3.0=30"),
        Raid("2.1.3.1=31"),      Shelf("1.1.1.0=90"),    Shelf("1.1.1.1=91"),    Shelf("1.1.2.0=0"),
        Shelf("1.1.2.1=1"),
    };
    EXPECT_EQ(vExpected, vWalk) << "the Ghost table has no holder and is passed over";
}

TEST_F(EngineTest, GetNextMovesOnAtTheEndsOfColumnsTablesAndDefinitions) {
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1.2.2")));
    EXPECT_EQ(Raid("2.1.3.0"), Name()) << "last instance of a column";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1")));
    EXPECT_EQ(Raid("2.1.1.0"), Name()) << "from the entry itself";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1.2")));
    EXPECT_EQ(Raid("2.1.2.0"), Name()) << "from an attribute without index";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("1.3.0")));
    EXPECT_EQ(Raid("2.1.1.0"), Name()) << "from the group's last member to the next table";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1.3.2")));
    EXPECT_EQ(Shelf("1.1.1.0"), Name()) << "into the next definition";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1.2.4294967295")));
    EXPECT_EQ(Raid("2.1.3.0"), Name()) << "an index no instance can follow";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, "1.3.6.1.4.1.7310.5"));
    EXPECT_EQ(Shelf("1.1.1.0"), Name()) << "from between the definitions";
}

TEST_F(EngineTest, GetNextPastTheLastObjectIsNoSuchName) {
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, Shelf("1.1.2.1")));
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, "1.3.6.1.4.1.7311"));
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, Shelf("9")));
}

TEST_F(EngineTest, EachDeliverableChoosesHowTheWalkEnds) {
    // The daemon: the binding names the last walk-order entry's target.
    m_globals.SetEndOfWalkResult(NEXT_ENTRY_END);
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, Shelf("1.1.2.1")));
    EXPECT_EQ(Shelf("100"), Name());
    // The Windows extension agent: the binding stays as the walk left it.
    m_globals.SetEndOfWalkResult(NEXT_ENTRY_NONE);
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, Shelf("1.1.2.1")));
    EXPECT_EQ(Shelf("1.1.2.1"), Name());
}

TEST_F(EngineTest, SetsPassEveryCheckBeforeTheLibraryWrites) {
    EXPECT_EQ(SNMP_STATUS_NOERROR, SetInteger(Raid("2.1.3.1"), 55));
    EXPECT_EQ("Rate[1]=55", m_stAdapter.m_strLastSet);
    EXPECT_EQ(SNMP_STATUS_NOERROR, SetInteger(Raid("1.3.0"), 3)) << "a writable scalar";
    EXPECT_EQ("Level[0]=3", m_stSystem.m_strLastSet);

    m_stAdapter.m_strLastSet.clear();
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, SetInteger(Raid("2.1.1.1"), 5)) << "read-only";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, SetInteger(Raid("2.1.3"), 5)) << "no index";
    EXPECT_EQ(SNMP_STATUS_BADVALUE, SetInteger(Raid("2.1.3.3"), 5)) << "index equal to the count";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, SetInteger(Raid("2.1.3.4294967295"), 5));
    EXPECT_EQ("", m_stAdapter.m_strLastSet);

    ClearValue();
    SnmpUtilAToOid(Raid("2.1.3.1").c_str(), &m_stBinding.name);
    BYTE aText[] = {'5'};
    m_stBinding.value.asnType = ASN_OCTETSTRING;
    m_stBinding.value.asnValue.string = {aText, 1, 0};
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, PopulateValue(&m_stBinding, SNMP_ACTION_SET))
        << "a string for an integer";
    m_stBinding.value.asnType = 0;

    m_stAdapter.m_nSetResult = -1;
    EXPECT_EQ(SNMP_STATUS_BADVALUE, SetInteger(Raid("2.1.3.2"), 101)) << "the library refuses";
}

TEST_F(EngineTest, MissingHoldersAndBadRequestsAnswerNoSuchName) {
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("3.1.1.0")))
        << "the library has no such class";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, SetInteger(Raid("3.1.1.0"), 1));
    g_mapHolders.erase("System");
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("1.1.0")));
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_UNKNOWN, Raid("2.1.3.0")))
        << "an unknown action";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME,
              Request(SNMP_ACTION_GET, Raid("2.1.3.0.1.1.1.1.1.1.1.1.1.1.1.1")))
        << "too long";
}

TEST_F(EngineTest, HoldersAreAskedOncePerClass) {
    for (int i = 0; i < 3; ++i) {
        Request(SNMP_ACTION_GET, Raid("2.1.3.0"));
    }
    EXPECT_EQ(1, g_nHolderRequests);
}

TEST_F(EngineTest, GetNextResumesInsideAndAfterGroupsAndTables) {
    const std::pair<std::string, std::string> aCases[] = {
        {Raid("1.4"), Raid("2.1.1.0")},          // past the group's last member
        {Raid("1.2.0.0"), Raid("1.3.0")},        // below a scalar instance
        {Raid("1.1.4294967295"), Raid("1.2.0")}, // a huge scalar instance
        {Raid("1.4294967295"), Raid("2.1.1.0")}, // a huge attribute number
        {Raid("2.1.4"), Shelf("1.1.1.0")},       // past the last column of the last table
        {Raid("2.1.1.0.7.7"), Raid("2.1.1.1")},  // below a table cell
        {Raid("2.2"), Shelf("1.1.1.0")},         // an unused entry number
        {Raid("0"), Raid("1.1.0")},              // before the first entry
        {SHELF_PREFIX, Shelf("1.1.1.0")},        // a definition with tables only
    };
    for (const auto& stCase : aCases) {
        EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, stCase.first)) << stCase.first;
        EXPECT_EQ(stCase.second, Name()) << "get-next from " << stCase.first;
    }
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, Shelf("1.1.3")))
        << "past everything";
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GETNEXT, "1.3.6.1.4.1.7310.4294967295.1"))
        << "after every definition, with sub-identifiers that print as negative numbers";
}

TEST_F(EngineTest, ResumptionFollowsTheDefinitionsWalkOrder) {
    // Table 5.1 comes before table 2.1 in this walk order.
    g_ParseINIarr[0].resetDefinition();
    std::string strDefinition = RAID_DEFINITION;
    strDefinition.replace(strDefinition.find("ENTRY_OID=3.1"), 13, "ENTRY_OID=5.1");
    strDefinition.replace(strDefinition.find("CLASS_NAME=Ghost"), 16, "CLASS_NAME=System");
    strDefinition.replace(strDefinition.find("FROM_OID=1\nTO_OID=2.1"), 21,
                          "FROM_OID=1\nTO_OID=5.1");
    strDefinition.replace(strDefinition.find("FROM_OID=2.1\nTO_OID=3.1"), 23,
                          "FROM_OID=5.1\nTO_OID=2.1");
    strDefinition.replace(strDefinition.find("FROM_OID=3.1\nTO_OID=100"), 23,
                          "FROM_OID=2.1\nTO_OID=100");
    readDefinition(g_ParseINIarr[0], strDefinition);
    m_stSystem.m_mapInts["Id"] = 4;

    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("5.1.2")));
    EXPECT_EQ(Raid("2.1.1.0"), Name()) << "past table 5.1 the walk goes on at 2.1";
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("3")));
    EXPECT_EQ(Raid("5.1.1.0"), Name()) << "between entries: the first walk entry after it";
}

TEST_F(EngineTest, ATableWithTwoKeysKeepsItsWalk) {
    g_ParseINIarr[0].resetDefinition();
    std::string strDefinition = RAID_DEFINITION;
    strDefinition.replace(strDefinition.find("NO_OF_KEYS=1"), 12, "NO_OF_KEYS=2");
    readDefinition(g_ParseINIarr[0], strDefinition);
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GETNEXT, Raid("2.1.1.0.0")));
    EXPECT_EQ(Shelf("1.1.1.0"), Name()) << "the walk leaves the table after its first cell";
}

TEST_F(EngineTest, AGetBelowAScalarInstanceNamesNothing) {
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("1.1.0.0")));
    EXPECT_EQ(SNMP_STATUS_NOSUCHNAME, Request(SNMP_ACTION_GET, Raid("1.2.5.0")));
    EXPECT_EQ(SNMP_STATUS_NOERROR, Request(SNMP_ACTION_GET, Raid("1.2.0")));
    EXPECT_EQ("16", Value());
}

} // namespace
