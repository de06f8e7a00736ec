// The event callback's trap assembly and the trap sender's argument vector.
// No destinations are configured here, so no sender runs; the system tests
// watch the sender itself.
#include "genpvkagent.h"
#include "storetestutil.h"

#include <string>
#include <vector>

namespace {

const char* const PREFIX = "1.3.6.1.4.1.7310.9";

// Trap codes written as definitions write them, some in forms that events
// never produce.
const char* const CODES_DEFINITION = R"([GLOBALS]
NO_OF_MAPs=0
NO_OF_TBLS=0
NO_OF_GROUPS=0
NO_OF_TRAPS=5
NO_OF_TRAP_ATTRB=0
DATA_SRC=demo
OID_PREFIX=1.3.6.1.4.1.7310.9
OID_VIEW=HideTrapDescription
[TRAP_1]
ENTRY_OID=100
CODE=1A
TRAP_ID=1
[TRAP_2]
ENTRY_OID=100
CODE=001a
TRAP_ID=2
[TRAP_3]
ENTRY_OID=100
CODE=1a
TRAP_ID=3
[TRAP_4]
ENTRY_OID=100
CODE=0
TRAP_ID=4
[TRAP_5]
ENTRY_OID=100
CODE=1000
TRAP_ID=5
)";

class CallbackTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        g_ParseINIarr = new CParseINI[1];
        g_iNoOfDeviceType = 1;
        readDefinition(g_ParseINIarr[0], CODES_DEFINITION);
    }
    static int raise(int iEventCode, int iLibIndex = 0) {
        CEventInfo eventInfo;
        eventInfo.iLibIndex = iLibIndex;
        eventInfo.iEventCode = iEventCode;
        return MyCallback(&eventInfo);
    }
};

TEST_F(CallbackTest, EventCodeIsMatchedInLowerCaseHexadecimal) {
    EXPECT_EQ(raise(0x1a), 1);
    EXPECT_EQ(raise(0), 1);
    EXPECT_EQ(raise(0x1b), 0);
    EXPECT_EQ(raise(0x1000), 1);
    // A code beyond four digits must not match by its first four.
    EXPECT_EQ(raise(0x10000), 0);
    EXPECT_EQ(raise(-1), 0);
    EXPECT_EQ(MyCallback(nullptr), 0);
}

TEST_F(CallbackTest, TrapsSwitchedOffSendNothingWhateverTheCode) {
    g_ParseINIarr[0].m_bTrapEnable = false;
    EXPECT_EQ(raise(0x1a), 1);
    EXPECT_EQ(raise(0x1b), 1);
    g_ParseINIarr[0].m_bTrapEnable = true;
    EXPECT_EQ(raise(0x1a, 1), 1); // a library index without a store: traps off
}

// ---- Variables ------------------------------------------------------------------

class TrapVariablesTest : public ::testing::Test {
  protected:
    void TearDown() override { releaseTrapObj(m_pTrap); }
    // A trap with the given attributes, each "OID:type digit".
    void defineTrap(const std::vector<std::string>& vAttribs, const char* pszView) {
        m_pTrap = new TrapObj();
        m_pTrap->nTrapID = 7;
        m_pTrap->nTotalAttrbs = static_cast<int>(vAttribs.size());
        m_pTrap->m_ptrAttribs = new CTrapAttrib[vAttribs.size()];
        strcpy(m_pTrap->szEntryOID, "100");
        strcpy(m_pTrap->szOIDPrefix, PREFIX);
        strcpy(m_pTrap->szOIDView, pszView);
        for (size_t k = 0; k < vAttribs.size(); k++) {
            size_t nColon = vAttribs[k].find(':');
            strcpy(m_pTrap->m_ptrAttribs[k].szOID, vAttribs[k].substr(0, nColon).c_str());
            strcpy(m_pTrap->m_ptrAttribs[k].szDataType, vAttribs[k].substr(nColon + 1).c_str());
        }
    }
    void addArgument(int iValue, const char* pszText) {
        CEventArg& arg = m_event.aArgs[m_event.iArgCount++];
        arg.iArgValue = iValue;
        strcpy(arg.szArgText, pszText);
    }
    // The variables as "OID type value" lines.
    std::vector<std::string> build() {
        OID_VAR aVars[TRAP_VAR_SLOTS];
        int nVars = BuildTrapVariables(m_event, *m_pTrap, aVars);
        std::vector<std::string> vLines;
        for (int v = 0; v < nVars; v++) {
            vLines.push_back(std::string(aVars[v].szOID) + " " + aVars[v].szType + " " +
                             aVars[v].szValue);
        }
        return vLines;
    }

    TrapObj* m_pTrap = nullptr;
    CEventInfo m_event;
};

using Lines = std::vector<std::string>;

TEST_F(TrapVariablesTest, ArgumentsTakeTheirDefinitionsTypeAndDescriptionComesLast) {
    defineTrap({"3.1.1:2", "100.1.1:1", "3.1.9:0"}, "ShowTrapDescription");
    strcpy(m_event.szDescription, "drive failed");
    addArgument(5, "ignored text");
    addArgument(99, "rebuilding");
    addArgument(3, "no type");
    EXPECT_EQ(build(),
              (Lines{"1.3.6.1.4.1.7310.9.3.1.1 i 5", "1.3.6.1.4.1.7310.9.100.1.1 s rebuilding",
                     "1.3.6.1.4.1.7310.9.3.1.9  ", "1.3.6.1.4.1.7310.9.100.0.7 s drive failed"}));

    strcpy(m_pTrap->szOIDView, "HideTrapDescription");
    EXPECT_EQ(build().size(), 3u);
    m_event.iArgCount = 0;
    EXPECT_EQ(build(), Lines{});
}

TEST_F(TrapVariablesTest, CountIsBoundedByDefinitionAndSender) {
    std::vector<std::string> vAttribs(8, "1:2");
    defineTrap(vAttribs, "HideTrapDescription");
    for (int n = 0; n < EVENT_MAX_ARGS; n++) {
        addArgument(n, "");
    }
    EXPECT_EQ(build().size(), 8u);
    strcpy(m_pTrap->szOIDView, "ShowTrapDescription");
    Lines vLines = build();
    ASSERT_EQ(vLines.size(), 8u);
    EXPECT_EQ(vLines[6], "1.3.6.1.4.1.7310.9.1 i 6");
    m_pTrap->nTotalAttrbs = 2; // fewer attributes than arguments
    EXPECT_EQ(build().size(), 3u);
}

TEST_F(TrapVariablesTest, TextsAreCutToTheirFields) {
    std::string strPrefix(40, '9');
    defineTrap({"1:1", std::string(23, '2') + ":2"}, "ShowTrapDescription");
    strcpy(m_pTrap->szOIDPrefix, strPrefix.c_str());
    strcpy(m_pTrap->szEntryOID, std::string(20, '4').c_str());
    CEventArg& arg = m_event.aArgs[0];
    memset(arg.szArgText, 'x', sizeof(arg.szArgText)); // no terminator
    m_event.iArgCount = 2;
    // The value is cut to 127 characters; the OIDs that do not fit are left out.
    EXPECT_EQ(build(), Lines{strPrefix + ".1 s " + std::string(127, 'x')});
}

// ---- The sender's argument vector ------------------------------------------------

TEST(SenderArgumentsTest, VectorHoldsFixedArgumentsThenOneTriplePerVariable) {
    OID_VAR aVars[TRAP_VAR_SLOTS];
    for (int v = 0; v < TRAP_VAR_SLOTS; v++) {
        snprintf(aVars[v].szOID, sizeof(aVars[v].szOID), "1.2.%d", v);
        strcpy(aVars[v].szType, "i");
        snprintf(aVars[v].szValue, sizeof(aVars[v].szValue), "%d", v);
    }
    const char* ppszArgv[TRAP_SENDER_ARGV_SIZE];
    ASSERT_EQ(BuildSenderArguments(ppszArgv, 1, aVars, "public", "h:162", "1.3.6", "17"), 14);
    std::vector<std::string> vArgs(ppszArgv, ppszArgv + 14);
    EXPECT_EQ(vArgs, (std::vector<std::string>{"snmptrap", "-v", "1", "-c", "public", "h:162",
                                               "1.3.6", "", "6", "17", "", "1.2.0", "i", "0"}));
    EXPECT_EQ(ppszArgv[14], nullptr);

    ASSERT_EQ(BuildSenderArguments(ppszArgv, 8, aVars, "c", "h", "1.3.6", "17"), 35);
    EXPECT_STREQ(ppszArgv[32], "1.2.7");
    EXPECT_STREQ(ppszArgv[34], "7");
    EXPECT_EQ(ppszArgv[35], nullptr);

    EXPECT_EQ(BuildSenderArguments(ppszArgv, 0, aVars, "c", "h", "1.3.6", "17"), 0);
    EXPECT_EQ(ppszArgv[0], nullptr);
    EXPECT_EQ(BuildSenderArguments(ppszArgv, 9, aVars, "c", "h", "1.3.6", "17"), 0);
}

} // namespace
