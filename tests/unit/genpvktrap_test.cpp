// The event callback's trap assembly and the trap sender's argument vector.
// No destinations are configured here, so no sender runs; the system tests
// watch the sender itself.
#include "CGlobalsScope.h"
#include "mib/parseini.h"
#include "storetestutil.h"
#include "traps/TrapNotify.h"
#include "traps/genpvktrap.h"

#include <cstdlib>

#include <algorithm>
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
        m_globals.SetStores(1);
        readDefinition(g_ParseINIarr[0], CODES_DEFINITION);
    }
    CGlobalsScope m_globals;
    static int raise(int iEventCode, int iLibIndex = 0) {
        CEventInfo eventInfo;
        eventInfo.iLibIndex = iLibIndex;
        eventInfo.iEventCode = iEventCode;
        return MyCallback(&eventInfo);
    }
};

TEST_F(CallbackTest, EventCodeIsMatchedInLowerCaseHexadecimal) {
    EXPECT_EQ(raise(0x1a), CALLBACK_HANDLED);
    EXPECT_EQ(raise(0), CALLBACK_HANDLED);
    EXPECT_EQ(raise(0x1b), CALLBACK_NOT_SENT);
    EXPECT_EQ(raise(0x1000), CALLBACK_HANDLED);
    // A code beyond four digits must not match by its first four.
    EXPECT_EQ(raise(0x10000), CALLBACK_NOT_SENT);
    EXPECT_EQ(raise(-1), CALLBACK_NOT_SENT);
    EXPECT_EQ(MyCallback(nullptr), CALLBACK_NOT_SENT);
}

TEST_F(CallbackTest, TrapsSwitchedOffSendNothingWhateverTheCode) {
    g_ParseINIarr[0].m_bTrapEnable = false;
    EXPECT_EQ(raise(0x1a), CALLBACK_HANDLED);
    EXPECT_EQ(raise(0x1b), CALLBACK_HANDLED);
    g_ParseINIarr[0].m_bTrapEnable = true;
    EXPECT_EQ(raise(0x1a, 1), CALLBACK_HANDLED); // a library index without a store: traps off
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

// ---- Vectors of the other kinds ------------------------------------------------

class NotifyArgumentsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        strcpy(m_aVars[0].szOID, "1.3.6.1.4.1.7310.4.1.3.1.1");
        strcpy(m_aVars[0].szType, "i");
        strcpy(m_aVars[0].szValue, "5");
        strcpy(m_aVars[1].szOID, "1.3.6.1.4.1.7310.4.1.100.0.2");
        strcpy(m_aVars[1].szType, "s");
        strcpy(m_aVars[1].szValue, "Drive failed");
        strcpy(m_entry.IP, "h");
        strcpy(m_entry.szAccessMode[0], "public");
        strcpy(m_entry.port[0], ":162");
        m_entry.count = 1;
    }
    // The vector of pair 0 joined by blanks, empty texts as "''".
    std::string build(int nVars = 2) {
        NotificationTexts texts = {nVars, m_aVars, "2", "1.3.6.1.4.1.7310.4.1.100",
                                   "1.3.6.1.4.1.7310.4.1.100.0.2"};
        const char* ppszArgv[TRAP_NOTIFY_ARGV_SIZE];
        int nArgs = BuildNotifyArguments(ppszArgv, texts, m_entry, 0, "h:162");
        EXPECT_EQ(ppszArgv[nArgs], nullptr);
        m_nArgs = nArgs;
        std::string strText;
        for (int a = 0; a < nArgs; a++) {
            strText += (a > 0 ? " " : "") + std::string(ppszArgv[a][0] ? ppszArgv[a] : "''");
        }
        return strText;
    }
    // Words given as one text, each closed by a NUL.
    void useSession(const std::string& strWords, int nWords, char cVersion) {
        m_entry.aKind[0] = TRAP_KIND_SESSION;
        ASSERT_LE(strWords.size(), sizeof(m_entry.stSession.szWords));
        memcpy(m_entry.stSession.szWords, strWords.data(), strWords.size());
        m_entry.stSession.nWords = nWords;
        m_entry.stSession.cVersion = cVersion;
        strcpy(m_entry.IP, "127.0.0.1:11162");
        m_entry.port[0][0] = '\0';
        m_entry.szAccessMode[0][0] = '\0';
    }

    OID_VAR m_aVars[TRAP_VAR_SLOTS];
    CLIENT_IP m_entry;
    int m_nArgs = 0;
};

const char* const VARS =
    "1.3.6.1.4.1.7310.4.1.3.1.1 i 5 1.3.6.1.4.1.7310.4.1.100.0.2 s Drive failed";

TEST_F(NotifyArgumentsTest, EachKindHasItsVector) {
    EXPECT_EQ(build(),
              std::string("snmptrap -v 1 -c public h:162 1.3.6.1.4.1.7310.4.1.100 '' 6 2 '' ") +
                  VARS);
    m_entry.aKind[0] = TRAP_KIND_V2C;
    EXPECT_EQ(build(),
              std::string("snmptrap -v 2c -c public h:162 '' 1.3.6.1.4.1.7310.4.1.100.0.2 ") +
                  VARS);
    m_entry.aKind[0] = TRAP_KIND_INFORM;
    EXPECT_EQ(build(), std::string("snmptrap -v 2c -c public -Ci -t 1 -r 3 h:162 '' "
                                   "1.3.6.1.4.1.7310.4.1.100.0.2 ") +
                           VARS);
    useSession(std::string("-v\0"
                           "3\0"
                           "-u\0"
                           "korvo\0",
                           14),
               4, '3');
    EXPECT_EQ(build(), std::string("snmptrap -v 3 -u korvo 127.0.0.1:11162 '' "
                                   "1.3.6.1.4.1.7310.4.1.100.0.2 ") +
                           VARS);
    useSession(std::string("-v\0"
                           "1\0"
                           "-c\0"
                           "p\0",
                           10),
               4, '1');
    EXPECT_EQ(build(), std::string("snmptrap -v 1 -c p 127.0.0.1:11162 1.3.6.1.4.1.7310.4.1.100 '' "
                                   "6 2 '' ") +
                           VARS);
}

TEST_F(NotifyArgumentsTest, NothingIsSentWithoutVariablesOrForAnUnknownKind) {
    for (unsigned char cKind : {TRAP_KIND_V1, TRAP_KIND_V2C, TRAP_KIND_INFORM, TRAP_KIND_SESSION}) {
        m_entry.aKind[0] = cKind;
        EXPECT_EQ(build(0), "");
        EXPECT_EQ(build(TRAP_SENDER_MAX_VARS + 1), "");
    }
    m_entry.aKind[0] = 9;
    EXPECT_EQ(build(), "");
    // The largest vector fits: 126 session words, bounds, host, trap and 8 variables.
    std::string strWords;
    for (int w = 0; w < TRAP_SESSION_MAX_WORDS - 1 + 4; w++) {
        strWords += std::string("w") + '\0';
    }
    useSession(strWords, TRAP_SESSION_MAX_WORDS - 1 + 4, '1');
    build(TRAP_SENDER_MAX_VARS);
    EXPECT_EQ(m_nArgs, TRAP_NOTIFY_ARGV_SIZE - 1);
}

TEST_F(NotifyArgumentsTest, OnlyATrapsessWithSecretsGetsAnEnvironmentOfItsOwn) {
    std::vector<std::string> vStorage;
    std::vector<const char*> vEnvironment;
    EXPECT_FALSE(BuildSenderEnvironment(m_entry, 0, vStorage, vEnvironment));
    useSession(std::string("-v\0"
                           "3\0",
                           5),
               2, '3');
    EXPECT_FALSE(BuildSenderEnvironment(m_entry, 0, vStorage, vEnvironment));
    strcpy(m_entry.stSession.szSecretsFolder, "/var/lib/qbz_korvodsnmp/trap-secrets/g1/1");
    setenv("KORVO_TEST_KEPT", "kept", 1);
    setenv("SNMPCONFPATH", "/own/conf", 1);
    ASSERT_TRUE(BuildSenderEnvironment(m_entry, 0, vStorage, vEnvironment));
    ASSERT_EQ(vEnvironment.back(), nullptr);
    std::vector<std::string> vSet(vEnvironment.begin(), vEnvironment.end() - 1);
    EXPECT_EQ(std::count(vSet.begin(), vSet.end(), "KORVO_TEST_KEPT=kept"), 1);
    EXPECT_EQ(std::count_if(vSet.begin(), vSet.end(),
                            [](const std::string& s) { return s.rfind("SNMPCONFPATH=", 0) == 0; }),
              1);
    EXPECT_EQ(vSet.back(), "SNMPCONFPATH=/own/conf:/var/lib/qbz_korvodsnmp/trap-secrets/g1/1");
    unsetenv("SNMPCONFPATH");
    ASSERT_TRUE(BuildSenderEnvironment(m_entry, 0, vStorage, vEnvironment));
    EXPECT_STREQ(
        vEnvironment[vEnvironment.size() - 2],
        "SNMPCONFPATH=/etc/snmp:/usr/share/snmp:/var/lib/qbz_korvodsnmp/trap-secrets/g1/1");
    unsetenv("KORVO_TEST_KEPT");
}

} // namespace
