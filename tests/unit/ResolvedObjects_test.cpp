// The resolutions known ahead against the text resolution: every get,
// get-next and set answers the same (status, name, value, the engine's
// request state) and asks the same of the storage library, call by call,
// with the resolutions built and without them, on the sample definitions, a
// table of 10,000 objects and definitions made to trip a resolution by
// numbers (nested entries, entries whose text is not plain, a prefix that an
// object's text holds, a walk order from a full instance OID).
#include "CGlobalsScope.h"
#include "agent/genpvkinit.h"
#include "dispatch/FindHolder.h"
#include "dispatch/RequestState.h"
#include "dispatch/genpvkdispatch.h"
#include "mib/ResolvedObjects.h"
#include "mib/parseini.h"
#include "platform/snmpapi.h"
#include "storetestutil.h"

#include <climits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// Every call the agent makes of the library, in order.
std::string g_strCalls;

// A class that answers every attribute: integers from the name and the
// instance, texts likewise (empty for names that begin with "Empty"), and
// refuses every write after noting it.
class CRecordingHolder : public CBaseHolder {
  public:
    CRecordingHolder(std::string strClass, int nCount)
        : m_strClass(std::move(strClass)), m_nCount(nCount) {}
    int getInstanceCount() override {
        g_strCalls += m_strClass + ".count;";
        return m_nCount;
    }
    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override {
        g_strCalls += m_strClass + ".int(" + std::to_string(iInstance) + "," + pszAttribute + ");";
        *piValue = static_cast<int>(std::hash<std::string>()(pszAttribute) % 1000) + iInstance;
        return 0;
    }
    int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) override {
        g_strCalls += m_strClass + ".text(" + std::to_string(iInstance) + "," + pszAttribute + ");";
        std::string strText = std::string(pszAttribute).rfind("Empty", 0) == 0
                                  ? ""
                                  : std::string(pszAttribute) + std::to_string(iInstance);
        strcpy(pszBuffer, strText.c_str());
        return 0;
    }
    int setIntAttribute(int iInstance, char* pszAttribute, int iValue) override {
        g_strCalls += m_strClass + ".set(" + std::to_string(iInstance) + "," + pszAttribute + "," +
                      std::to_string(iValue) + ");";
        return -1;
    }

  private:
    std::string m_strClass;
    int m_nCount;
};

// The library's classes: three instances each, 500 rows of "Row", none of
// a class whose name begins with "Ghost".
std::map<std::string, std::unique_ptr<CRecordingHolder>> g_mapHolders;

CBaseHolder* RecordingHolderByName(char* pszClassName) {
    std::string strClass = pszClassName;
    g_strCalls += "holder(" + strClass + ");";
    if (strClass.rfind("Ghost", 0) == 0) {
        return nullptr;
    }
    auto& pHolder = g_mapHolders[strClass];
    if (!pHolder) {
        pHolder.reset(new CRecordingHolder(strClass, strClass == "Row" ? 500 : 3));
    }
    return pHolder.get();
}

// A definition that makes a resolution by numbers go wrong where it is not
// careful: a table inside another one's columns, attribute numbers of two
// digits out of order and twice, an entry whose text is not plain numbers, a
// class the library lacks, two keys, a walk order from a full instance OID.
const char* const NESTED_DEFINITION = R"([GLOBALS]
DATA_SRC=nested
OID_PREFIX=1.3.6.1.4.1.7310.2
OID_VIEW=HideTrapDescription
VALID_OID=1.3.6.1.4.1.7310.2.1
NO_OF_GROUPS=1
NO_OF_TBLS=5
NO_OF_TRAP_ATTRB=0
NO_OF_TRAPS=0
NO_OF_MAPs=6
[GRP_1]
ENTRY_OID=1
CLASS_NAME=Scalars
NO_OF_ATTRBS=3
[GRP_1_ATTRB_1]
OID=3
NAME=First
DATA_TYPE=2
[GRP_1_ATTRB_2]
OID=4
NAME=EmptyText
DATA_TYPE=1
[GRP_1_ATTRB_3]
OID=5
NAME=Third
ACCESS_TYPE=W
DATA_TYPE=2
[TBL_1]
ENTRY_OID=2.1
CLASS_NAME=Outer
NO_OF_ATTRBS=12
NO_OF_KEYS=1
[TBL_1_ATTRB_1]
OID=1
NAME=C1
DATA_TYPE=2
[TBL_1_ATTRB_2]
OID=2
NAME=C2
DATA_TYPE=1
ACCESS_TYPE=W
[TBL_1_ATTRB_3]
OID=3
NAME=C3
DATA_TYPE=2
[TBL_1_ATTRB_4]
OID=4
NAME=C4
DATA_TYPE=2
[TBL_1_ATTRB_5]
OID=5
NAME=C5
DATA_TYPE=2
[TBL_1_ATTRB_6]
OID=6
NAME=C6
DATA_TYPE=2
[TBL_1_ATTRB_7]
OID=7
NAME=C7
DATA_TYPE=2
[TBL_1_ATTRB_8]
OID=8
NAME=C8
DATA_TYPE=2
[TBL_1_ATTRB_9]
OID=9
NAME=C9
DATA_TYPE=2
[TBL_1_ATTRB_10]
OID=11
NAME=C11
DATA_TYPE=2
[TBL_1_ATTRB_11]
OID=10
NAME=C10
DATA_TYPE=2
[TBL_1_ATTRB_12]
OID=1
NAME=Twin
DATA_TYPE=1
[TBL_2]
ENTRY_OID=03.01
CLASS_NAME=Padded
NO_OF_ATTRBS=2
NO_OF_KEYS=1
[TBL_2_ATTRB_1]
OID=1
NAME=P1
DATA_TYPE=2
[TBL_2_ATTRB_2]
OID=2
NAME=P2
DATA_TYPE=2
[TBL_3]
ENTRY_OID=4.1
CLASS_NAME=GhostTable
NO_OF_ATTRBS=1
NO_OF_KEYS=1
[TBL_3_ATTRB_1]
OID=1
NAME=G1
DATA_TYPE=2
[TBL_4]
ENTRY_OID=5.1
CLASS_NAME=Pair
NO_OF_ATTRBS=2
NO_OF_KEYS=2
[TBL_4_ATTRB_1]
OID=1
NAME=K1
DATA_TYPE=2
[TBL_4_ATTRB_2]
OID=2
NAME=K2
DATA_TYPE=2
[TBL_5]
ENTRY_OID=2.1.2
CLASS_NAME=Inner
NO_OF_ATTRBS=1
NO_OF_KEYS=1
[TBL_5_ATTRB_1]
OID=1
NAME=Inside
DATA_TYPE=2
[MAP_1]
FROM_OID=1
TO_OID=2.1
[MAP_2]
FROM_OID=1.3.6.1.4.1.7310.2.2.1.12.2.
TO_OID=5.1
[MAP_3]
FROM_OID=2.1
TO_OID=2.1.2
[MAP_4]
FROM_OID=2.1.2
TO_OID=03.01
[MAP_5]
FROM_OID=03.01
TO_OID=5.1
[MAP_6]
FROM_OID=5.1
TO_OID=100
)";

// A definition whose entries spell the enterprise arc again, so that an
// object's text holds the nested definition's prefix, with the instance's
// number or without it.
const char* const ECHO_DEFINITION = R"([GLOBALS]
DATA_SRC=echo
OID_PREFIX=1.3.6.1.4.1.7310.61
OID_VIEW=HideTrapDescription
VALID_OID=1.3.6.1.4.1.7310.61.1
NO_OF_GROUPS=1
NO_OF_TBLS=1
NO_OF_TRAP_ATTRB=0
NO_OF_TRAPS=0
NO_OF_MAPs=2
[GRP_1]
ENTRY_OID=2.1.3.6.1.4.1
CLASS_NAME=Arc
NO_OF_ATTRBS=1
[GRP_1_ATTRB_1]
OID=7310
NAME=Arc
DATA_TYPE=2
[TBL_1]
ENTRY_OID=1.3.6.1.4.1.7310
CLASS_NAME=Echo
NO_OF_ATTRBS=2
NO_OF_KEYS=1
[TBL_1_ATTRB_1]
OID=1
NAME=One
DATA_TYPE=2
[TBL_1_ATTRB_2]
OID=2
NAME=Two
DATA_TYPE=2
[MAP_1]
FROM_OID=1.3.6.1.4.1.7310
TO_OID=2.1.3.6.1.4.1
[MAP_2]
FROM_OID=2.1.3.6.1.4.1
TO_OID=100
)";

// What one request gave.
struct Outcome {
    UINT nStatus = 0;
    std::string strName;
    std::string strValue;
    std::string strState; // the engine's request state afterwards
    std::string strCalls;
    bool operator==(const Outcome& other) const {
        return nStatus == other.nStatus && strName == other.strName && strValue == other.strValue &&
               strState == other.strState && strCalls == other.strCalls;
    }
};

std::string Numbers(const AsnObjectIdentifier& stOid) {
    std::string strText;
    for (UINT i = 0; i < stOid.idLength; ++i) {
        strText += (i ? "." : "") + std::to_string(stOid.ids[i]);
    }
    return strText;
}

struct Request {
    UINT nAction;
    std::vector<UINT> vName;
};

class ResolvedObjectsTest : public StoreTest {
  protected:
    static std::string SourceFile(const std::string& strPath) {
        return readFile(std::string(KORVO_SOURCE_DIR) + "/" + strPath);
    }

    // Reads the definitions into the stores, sorted as the controller list's
    // reader sorts them, with one library entry per store.
    void UseDefinitions(const std::vector<std::string>& vDefinitions) {
        CParseINI* pStores = m_globals.SetStores(static_cast<int>(vDefinitions.size()));
        for (size_t i = 0; i < vDefinitions.size(); ++i) {
            readDefinition(pStores[i], vDefinitions[i]);
        }
        qsort(pStores, vDefinitions.size(), sizeof(CParseINI), CParseINI_cmp);
        m_nStores = static_cast<int>(vDefinitions.size());
    }

    void ResetLibrary() {
        m_globals.SetLibraryEntries(m_nStores);
        for (int i = 0; i < m_nStores; ++i) {
            strcpy(g_pMIB_DC[i].pszOIDPrefix, g_ParseINIarr[i].m_szOIDPrefix);
            g_pMIB_DC[i].m_pholder = RecordingHolderByName;
            CreateASNFromOID(g_pMIB_DC[i].pszOIDPrefix, g_pMIB_DC[i].MibOidPrefix, i);
        }
        g_mapHolders.clear();
        g_strCalls.clear();
    }

    Outcome Run(const Request& stRequest) {
        Outcome stOutcome;
        memset(&m_stBinding.value, 0, sizeof(m_stBinding.value));
        m_stBinding.name.idLength = static_cast<UINT>(stRequest.vName.size());
        memcpy(m_stBinding.name.ids, stRequest.vName.data(), stRequest.vName.size() * sizeof(UINT));
        if (stRequest.nAction == SNMP_ACTION_SET) {
            m_stBinding.value.asnType = ASN_INTEGER;
            m_stBinding.value.asnValue.number = 7;
        }
        g_strCalls.clear();
        stOutcome.nStatus = PopulateValue(&m_stBinding, stRequest.nAction);
        stOutcome.strName = Numbers(m_stBinding.name);
        if (m_stBinding.value.asnType == ASN_INTEGER) {
            stOutcome.strValue = std::to_string(m_stBinding.value.asnValue.number);
        } else if (m_stBinding.value.asnType == ASN_OCTETSTRING) {
            const AsnOctetString& stText = m_stBinding.value.asnValue.string;
            stOutcome.strValue =
                "\"" + std::string(reinterpret_cast<char*>(stText.stream), stText.length) + "\"";
            SnmpUtilMemFree(stText.stream);
        }
        stOutcome.strState = Numbers(EntrytableOid) + "|" + Numbers(noOfkey) + "|" +
                             std::to_string(zund_numInstance);
        stOutcome.strCalls = g_strCalls;
        return stOutcome;
    }

    // The OIDs a walk from the enterprise arc returns, and around each of
    // them the OIDs a manager may ask for: other instances and attributes,
    // the largest numbers, one number more and one or two less.
    std::vector<Request> RequestsAroundTheWalk() {
        std::vector<std::vector<UINT>> vWalked;
        std::vector<UINT> vName = {1, 3, 6, 1, 4, 1, 7310};
        for (int i = 0; i < 20000; ++i) {
            Outcome stNext = Run({SNMP_ACTION_GETNEXT, vName});
            if (stNext.nStatus != SNMP_STATUS_NOERROR) {
                break;
            }
            vName.assign(m_stBinding.name.ids, m_stBinding.name.ids + m_stBinding.name.idLength);
            vWalked.push_back(vName);
        }
        EXPECT_GT(vWalked.size(), 0u);
        // And every attribute of every group and table, walked or not.
        for (int s = 0; s < g_iNoOfDeviceType; ++s) {
            CParseINI& store = g_ParseINIarr[s];
            std::vector<UINT> vPrefix(MAX_OID_TEXT_COMPONENTS);
            UINT nPrefix = 0;
            for (int e = 0; e < store.m_nGroups + store.m_nTables; ++e) {
                std::vector<UINT> vEntry(MAX_OID_TEXT_COMPONENTS);
                UINT nEntry = 0;
                if (!ParseWalkText(store.m_szOIDPrefix, vPrefix.data(), 64, nPrefix) ||
                    !ParseWalkText(store.walkEntry(e).szEntryOID, vEntry.data(), 64, nEntry)) {
                    continue;
                }
                AttribRange stRange = WalkEntryRange(store, e);
                for (UINT nAttrib = stRange.nFirst - 1; nAttrib <= stRange.nLast + 1; ++nAttrib) {
                    std::vector<UINT> vObject(vPrefix.begin(), vPrefix.begin() + nPrefix);
                    vObject.insert(vObject.end(), vEntry.begin(), vEntry.begin() + nEntry);
                    vObject.push_back(nAttrib);
                    vObject.push_back(1);
                    vWalked.push_back(vObject);
                }
            }
        }
        std::set<std::vector<UINT>> setNames;
        for (const std::vector<UINT>& vObject : vWalked) {
            setNames.insert(vObject);
            size_t nLast = vObject.size() - 1;
            for (UINT nId : {0u, 1u, 2u, 9u, 10u, 499u, 500u, 2147483646u, 2147483647u, 2147483648u,
                             4294967295u}) {
                std::vector<UINT> vOther = vObject;
                vOther[nLast] = nId;
                setNames.insert(vOther);
                vOther[nLast - 1] = nId;
                setNames.insert(vOther);
            }
            for (size_t nCut = 1; nCut <= 2 && nCut < vObject.size(); ++nCut) {
                setNames.insert(std::vector<UINT>(vObject.begin(), vObject.end() - nCut));
            }
            std::vector<UINT> vLonger = vObject;
            vLonger.push_back(1);
            setNames.insert(vLonger);
        }
        std::vector<Request> vRequests;
        for (const std::vector<UINT>& vOne : setNames) {
            for (UINT nAction : {SNMP_ACTION_GET, SNMP_ACTION_GETNEXT, SNMP_ACTION_SET}) {
                vRequests.push_back({nAction, vOne});
            }
        }
        return vRequests;
    }

    // Every request answers the same with the resolutions built as without
    // them; returns how many requests the resolutions served.
    size_t ExpectSameAnswers() {
        ResetLibrary();
        ReleaseResolvedObjects();
        std::vector<Request> vRequests = RequestsAroundTheWalk();
        ResetLibrary();
        std::vector<Outcome> vByText;
        for (const Request& stRequest : vRequests) {
            vByText.push_back(Run(stRequest));
        }
        ResetLibrary();
        BuildResolvedObjects();
        size_t nResolved = 0;
        for (size_t i = 0; i < vRequests.size(); ++i) {
            AsnObjectIdentifier stName = {static_cast<UINT>(vRequests[i].vName.size()),
                                          vRequests[i].vName.data()};
            nResolved += FindResolvedObject(stName) != nullptr ? 1 : 0;
            Outcome stByNumbers = Run(vRequests[i]);
            EXPECT_TRUE(stByNumbers == vByText[i])
                << "request " << vRequests[i].nAction << " " << Numbers(stName)
                << "\n by text: " << vByText[i].nStatus << " " << vByText[i].strName << " = "
                << vByText[i].strValue << " [" << vByText[i].strState << "] " << vByText[i].strCalls
                << "\n by numbers: " << stByNumbers.nStatus << " " << stByNumbers.strName << " = "
                << stByNumbers.strValue << " [" << stByNumbers.strState << "] "
                << stByNumbers.strCalls;
            if (!(stByNumbers == vByText[i])) {
                break;
            }
        }
        return nResolved;
    }

    CGlobalsScope m_globals;
    int m_nStores = 0;
    UINT m_aNameIds[REQUEST_NAME_MAX_IDS] = {};
    RFC1157VarBind m_stBinding = {{0, m_aNameIds}, {}};
};

TEST_F(ResolvedObjectsTest, TheSampleDefinitionsAnswerAsByText) {
    m_globals.SetEndOfWalkResult(NEXT_ENTRY_END);
    UseDefinitions(
        {SourceFile("examples/korvosim-raid.ini"), SourceFile("examples/korvosim-enclosure.ini")});
    EXPECT_GT(ExpectSameAnswers(), 1000u) << "the walk's instances are resolved by numbers";
}

TEST_F(ResolvedObjectsTest, ATableOfTenThousandObjectsAnswersAsByText) {
    UseDefinitions({SourceFile("bench/korvobench/korvobench.ini")});
    EXPECT_GT(ExpectSameAnswers(), 10000u);
}

TEST_F(ResolvedObjectsTest, DefinitionsThatTripANumbersResolutionAnswerAsByText) {
    UseDefinitions({NESTED_DEFINITION, ECHO_DEFINITION});
    ExpectSameAnswers();
    // What the text resolution decides by more than numbers is left to it.
    BuildResolvedObjects();
    auto resolved = [](std::vector<UINT> vName) {
        AsnObjectIdentifier stName = {static_cast<UINT>(vName.size()), vName.data()};
        return FindResolvedObject(stName) != nullptr;
    };
    const std::vector<UINT> vNested = {1, 3, 6, 1, 4, 1, 7310, 2};
    const std::vector<UINT> vEcho = {1, 3, 6, 1, 4, 1, 7310, 61};
    auto under = [](std::vector<UINT> vPrefix, std::vector<UINT> vTail) {
        vPrefix.insert(vPrefix.end(), vTail.begin(), vTail.end());
        return vPrefix;
    };
    EXPECT_TRUE(resolved(under(vNested, {2, 1, 3, 7})));
    EXPECT_FALSE(resolved(under(vNested, {2, 1, 2, 7}))) << "entry 2.1.2 is longer";
    EXPECT_FALSE(resolved(under(vNested, {3, 1, 1, 7}))) << "the entry's text is 03.01";
    EXPECT_FALSE(resolved(under(vNested, {5, 1, 1, 7, 7}))) << "an instance of two numbers";
    EXPECT_FALSE(resolved(under(vEcho, {1, 3, 6, 1, 4, 1, 7310, 2, 4})))
        << "the text holds the nested definition's prefix";
    EXPECT_TRUE(resolved(under(vEcho, {1, 3, 6, 1, 4, 1, 7310, 1, 4})));
    EXPECT_FALSE(resolved(under(vEcho, {2, 1, 3, 6, 1, 4, 1, 7310, 0})))
        << "the instance's number could complete that prefix";
}

} // namespace
