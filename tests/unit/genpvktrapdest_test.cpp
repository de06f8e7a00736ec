// Trap destinations: the trap destination file and snmpd.conf.
#include "CGlobalsScope.h"
#include "storetestutil.h"
#include "traps/TrapNotify.h"
#include "traps/TrapSecrets.h"
#include "traps/genpvktrapdest.h"

#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

const char* const KIND_MARKS[] = {"", "/2c", "/inform", "/sess"};

// One entry as "IP[community@port,...]"; a pair that is not SNMPv1 carries
// its kind ("/2c", "/inform", "/sess").
std::string Describe(const CLIENT_IP& entry) {
    std::string strText = std::string(entry.IP) + "[";
    for (int i = 0; i < entry.count; i++) {
        strText += (i > 0 ? "," : "") + std::string(entry.szAccessMode[i]) + "@" + entry.port[i];
        strText += entry.aKind[i] < 4 ? KIND_MARKS[entry.aKind[i]] : "/?";
    }
    return strText + "]";
}

std::string Describe(const CLIENT_IP* pList, int nCount) {
    std::string strText;
    for (int i = 0; i < nCount; i++) {
        strText += (i > 0 ? " " : "") + Describe(pList[i]);
    }
    return strText;
}

class TrapDestTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        SetTrapSecretsBase(path("state").c_str());
    }
    void TearDown() override {
        SetTrapSecretsBase(nullptr);
        StoreTest::TearDown();
    }
    // Each expected text stands in the report; "snmpd.conf " in it stands
    // for the file's path as the reader names it.
    void ExpectReported(const std::string& strReport,
                        std::initializer_list<const char*> lExpected) {
        for (const char* pszExpected : lExpected) {
            std::string strText = pszExpected;
            size_t nAt = strText.find("snmpd.conf ");
            if (nAt != std::string::npos) {
                strText.replace(nAt, 11, "snmpd.conf " + path("snmpd.conf") + " ");
            }
            EXPECT_NE(strReport.find(strText), std::string::npos) << pszExpected << "\n"
                                                                  << strReport;
        }
    }
    // Reads a destination file of the given text; the list as text.
    std::string readDestinations(const std::string& strText) {
        std::string strPath = writeFile("dest.traps", strText);
        m_nCount = GetClientIPList(strPath.c_str(), m_aList);
        return Describe(m_aList, m_nCount);
    }
    // Reads snmpd.conf of the given text into a cleared list.
    std::string readConf(const std::string& strText) {
        std::string strPath = writeFile("snmpd.conf", strText);
        for (CLIENT_IP& entry : m_aList) {
            entry = CLIENT_IP();
        }
        m_nCount = GetClientIPListFromConf(strPath.c_str(), m_aList);
        return Describe(m_aList, m_nCount);
    }
    // The same, also returning what the reader reported on standard error.
    std::string readConfReporting(const std::string& strText, std::string& strReport) {
        testing::internal::CaptureStderr();
        std::string strList = readConf(strText);
        strReport = testing::internal::GetCapturedStderr();
        return strList;
    }
    std::string readDestinationsReporting(const std::string& strText, std::string& strReport) {
        testing::internal::CaptureStderr();
        std::string strList = readDestinations(strText);
        strReport = testing::internal::GetCapturedStderr();
        return strList;
    }
    // The sender's vector of every pair read, one line each, empty texts as
    // ''; the trap has one variable.
    std::string vectors() const {
        OID_VAR var;
        strcpy(var.szOID, "1.3.6.1");
        strcpy(var.szType, "i");
        strcpy(var.szValue, "5");
        NotificationTexts texts = {1, &var, "2", "1.3.6", "1.3.6.0.2"};
        std::string strText;
        for (int j = 0; j < m_nCount; j++) {
            for (int i = 0; i < m_aList[j].count; i++) {
                char szDestination[TRAP_DESTINATION_TEXT_SIZE];
                const char* ppszArgv[TRAP_NOTIFY_ARGV_SIZE];
                int nArgs =
                    FormatPairDestination(m_aList[j], i, szDestination)
                        ? BuildNotifyArguments(ppszArgv, texts, m_aList[j], i, szDestination)
                        : 0;
                for (int a = 0; a < nArgs; a++) {
                    strText +=
                        (a > 0 ? " " : "") + std::string(ppszArgv[a][0] ? ppszArgv[a] : "''");
                }
                strText += "\n";
            }
        }
        return strText;
    }
    void useSystemConf(const std::string& strText) {
        std::string strPath = writeFile("snmpd.conf", strText);
        ASSERT_TRUE(m_globals.SetSystemConf(strPath.c_str()));
    }

    CLIENT_IP m_aList[CLIENT_IP_LIST_SIZE];
    int m_nCount = 0;
    CGlobalsScope m_globals;
};

const char* const SMALL_CONF = "com2sec local default public\ntrapsink 10.0.0.9\n";
const char* const SMALL_CONF_LIST = "127.0.0.1[public@:162] 10.0.0.9[vazedi@:162]";

// ---- The trap destination file ------------------------------------------------

TEST_F(TrapDestTest, DestinationLinesTakeAddressAndCommunityWithoutPort) {
    EXPECT_EQ(readDestinations("default\n"
                               "# a comment\n"
                               "\n"
                               "192.0.2.7 public extra\n"
                               " # indented, so data\n"
                               "host.example\tsecret\r\n"),
              "127.0.0.1[@] 192.0.2.7[public@] #[indented,@] host.example[secret@]");
    EXPECT_EQ(m_nCount, 4);
}

TEST_F(TrapDestTest, UnreadableDestinationFileGivesMinusOne) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetClientIPList(path("missing.traps").c_str(), m_aList),
              TRAP_DESTINATIONS_UNREADABLE);
    EXPECT_EQ(GetClientIPList("", m_aList), TRAP_DESTINATIONS_UNREADABLE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Cant open file.." + path("missing.traps") + "..\nCant open file....\n");
}

TEST_F(TrapDestTest, ListIsClearedBeforeReading) {
    readDestinations("a c1\nb c2\nc c3\n");
    EXPECT_EQ(readDestinations("d\n"), "d[@]");
    EXPECT_STREQ(m_aList[1].IP, "");
    EXPECT_EQ(m_aList[1].count, 0);
}

TEST_F(TrapDestTest, IndicatorOneTakesSnmpdConfAlone) {
    useSystemConf(SMALL_CONF);
    EXPECT_EQ(readDestinations("TrapDestInd 1\n"), SMALL_CONF_LIST);
    // Earlier destinations are replaced and later lines are not read.
    EXPECT_EQ(readDestinations("a c1\nb\nTrapDestInd 1\nc c3\n"), SMALL_CONF_LIST);
    EXPECT_STREQ(m_aList[2].IP, "");
}

TEST_F(TrapDestTest, IndicatorOneWithoutUsableConfStillEndsTheFile) {
    EXPECT_EQ(readDestinations("a c1\nTrapDestInd 1\nb c2\n"), "a[c1@]");
    ASSERT_TRUE(m_globals.SetSystemConf(path("missing.conf").c_str()));
    EXPECT_EQ(readDestinations("a c1\nTrapDestInd 1\nb c2\n"), "");
    EXPECT_EQ(m_nCount, 0);
}

TEST_F(TrapDestTest, IndicatorThreeAppendsSnmpdConfAndReadsOn) {
    useSystemConf(SMALL_CONF);
    EXPECT_EQ(readDestinations("a c1\nb c2\nTrapDestInd 3\nc c3\n"),
              std::string("a[c1@] b[c2@] ") + SMALL_CONF_LIST + " c[c3@]");
    ASSERT_TRUE(m_globals.SetSystemConf(path("missing.conf").c_str()));
    EXPECT_EQ(readDestinations("a c1\nTrapDestInd 3\nc c3\n"), "a[c1@] c[c3@]");
    m_globals.SetSystemConf("");
    EXPECT_EQ(readDestinations("a c1\nTrapDestInd 3\nc c3\n"), "a[c1@] c[c3@]");
}

TEST_F(TrapDestTest, OtherIndicatorsAreIgnored) {
    useSystemConf(SMALL_CONF);
    EXPECT_EQ(readDestinations("TrapDestInd 2\nTrapDestInd 7 public\nTrapDestInd\r\n"
                               "TrapDestInd x\na c1\n"),
              "a[c1@]");
}

TEST_F(TrapDestTest, ListHoldsTwentyFourAddresses) {
    std::string strFile;
    for (int i = 0; i < 30; i++) {
        strFile += "10.0.0." + std::to_string(i) + " c\n";
    }
    readDestinations(strFile);
    EXPECT_EQ(m_nCount, CLIENT_IP_LIST_SIZE);
    EXPECT_STREQ(m_aList[23].IP, "10.0.0.23");

    // snmpd.conf fills only the entries that are still free.
    std::string strConf;
    for (int i = 0; i < 5; i++) {
        strConf += "trapsink 10.1.0." + std::to_string(i) + "\n";
    }
    useSystemConf(strConf);
    strFile = "TrapDestInd 3\n";
    for (int i = 0; i < 22; i++) {
        strFile = "10.0.0." + std::to_string(i) + " c\n" + strFile;
    }
    readDestinations(strFile + "late c\n");
    EXPECT_EQ(m_nCount, CLIENT_IP_LIST_SIZE);
    EXPECT_EQ(Describe(m_aList[22]) + " " + Describe(m_aList[23]),
              "10.1.0.0[vazedi@:162] 10.1.0.1[vazedi@:162]");
}

TEST_F(TrapDestTest, DestinationTextsThatDoNotFitAreRefused) {
    std::string strAddress127(127, 'a');
    std::string strCommunity31(31, 'c');
    EXPECT_EQ(readDestinations(strAddress127 + " " + strCommunity31 + "\n" + strAddress127 +
                               "b c\n" + "h " + strCommunity31 + "x\n"),
              strAddress127 + "[" + strCommunity31 + "@]");
}

// ---- snmpd.conf ---------------------------------------------------------------

TEST_F(TrapDestTest, AccessSourceBecomesDestinationOnPort162) {
    EXPECT_EQ(readConf("com2sec local default public\n"), "127.0.0.1[public@:162]");
    EXPECT_EQ(readConf("com2sec net 192.0.2.0/24\ncom2sec short\n"), "192.0.2.0/24[@:162]");
}

TEST_F(TrapDestTest, TrapsinkDefaultsAndTrapCommunity) {
    EXPECT_EQ(readConf("trapsink host1\n"), "host1[vazedi@:162]");
    // The trap community reaches trapsink lines wherever it stands, and only
    // com2sec lines below it; only the first such line counts.
    EXPECT_EQ(readConf("com2sec a h1 own1\n"
                       "trapsink h3\n"
                       "trapcommunity shared\n"
                       "trapcommunity later\n"
                       "com2sec b h2 own2\n"),
              "h1[own1@:162] h2[shared@:162] h3[shared@:162]");
}

TEST_F(TrapDestTest, TrapsinkCommunityAndPortTokens) {
    EXPECT_EQ(readConf("trapsink h1 comm 1162\n"
                       "trapsink h2 1234\n"
                       "trapsink h3 public\r\n"),
              "h1[comm@:1162] h2[1234@:162] h3[public@:162]");
    // A lone token of seven characters outside the letters and punctuation is
    // a port, and no port has seven digits; five digits are a port.
    EXPECT_EQ(readConf("trapsink h4 1234567\ntrapsink h5 c 11162\ntrapsink h6 1234a67\n"),
              "h5[c@:11162] h6[1234a67@:162]");
}

TEST_F(TrapDestTest, TrapsinkPairsGatherPerHostUpToFive) {
    EXPECT_EQ(readConf("com2sec a h1 own\n"
                       "trapsink h1 c1\n"
                       "trapsink h2\n"
                       "trapsink h1 c2 2000\n"
                       "trapsink h1 c3\n"),
              "h1[c1@:162,c2@:2000,c3@:162] h2[vazedi@:162]");
    std::string strConf;
    for (int i = 0; i < 7; i++) {
        strConf += "trapsink h c" + std::to_string(i) + "\n";
    }
    EXPECT_EQ(readConf(strConf), "h[c0@:162,c1@:162,c2@:162,c3@:162,c4@:162]");
}

TEST_F(TrapDestTest, TwentyFourthAddressTakesItsTrapsinkPair) {
    std::string strConf;
    for (int i = 0; i < 23; i++) {
        strConf += "com2sec n" + std::to_string(i) + " 10.0.0." + std::to_string(i) + " c\n";
    }
    strConf += "trapsink last lc 999\ntrapsink extra\ntrapsink 10.0.0.5 sc\n";
    readConf(strConf);
    EXPECT_EQ(m_nCount, CLIENT_IP_LIST_SIZE);
    EXPECT_EQ(Describe(m_aList[23]), "last[lc@:999]");
    EXPECT_EQ(Describe(m_aList[5]), "10.0.0.5[sc@:162]");
    EXPECT_EQ(Describe(m_aList[4]), "10.0.0.4[c@:162]");
}

TEST_F(TrapDestTest, ConfTextsThatDoNotFitAreRefused) {
    std::string strLong24(24, 't');
    EXPECT_EQ(readConf("trapcommunity " + strLong24 + "x\n" + "trapcommunity " + strLong24 + "\n" +
                       "trapsink " + std::string(128, 'h') + "\n" + "trapsink h\n"),
              "h[" + strLong24 + "@:162]");
    EXPECT_EQ(readConf("com2sec n " + std::string(128, 'a') + " c\ncom2sec n b " +
                       std::string(32, 'c') + "\n"),
              "");
}

TEST_F(TrapDestTest, UnreadableConfGivesMinusOne) {
    EXPECT_EQ(GetClientIPListFromConf(path("missing.conf").c_str(), m_aList),
              TRAP_DESTINATIONS_UNREADABLE);
}

// ---- Options, overlong texts and full lists are refused with a message ----------

TEST_F(TrapDestTest, WordsTheSenderWouldTakeAsOptionsAreRefused) {
    std::string strReport;
    EXPECT_EQ(readDestinationsReporting("-c public\nhost -secret\nok c\n", strReport), "ok[c@]");
    EXPECT_NE(strReport.find("dest.traps line 1: the address -c would be taken as an option"),
              std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("dest.traps line 2: the community begins with '-'"), std::string::npos)
        << strReport;
    EXPECT_EQ(strReport.find("secret"), std::string::npos) << "communities are not shown";

    EXPECT_EQ(readConfReporting("trapsink -oops\n"
                                "trapsink h -c 1162\n"
                                "trapcommunity -x\n"
                                "com2sec n -src c\n"
                                "trap2sink -v 2c\n"
                                "informsink h2 -Ci\n"
                                "trapsink ok\n",
                                strReport),
              "ok[vazedi@:162]");
    ExpectReported(strReport, {"snmpd.conf line 1: the address -oops would be taken as an option",
                               "line 2: the community begins with '-'",
                               "line 3: the trapcommunity value begins with '-'",
                               "line 4: the address -src would be taken",
                               "line 5: the address -v would be taken",
                               "line 6: the community begins with '-'"});
}

TEST_F(TrapDestTest, TextsThatDoNotFitAreReportedWithFileAndLine) {
    std::string strReport;
    readDestinationsReporting(
        "ok c\n" + std::string(128, 'a') + " c\nh " + std::string(32, 'c') + "\n", strReport);
    EXPECT_NE(strReport.find(path("dest.traps") + " line 2: the address " + std::string(40, 'a') +
                             "... is longer than 127 characters; refused"),
              std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 3: the community is longer than 31 characters; refused"),
              std::string::npos)
        << strReport;

    // An address of any length the field takes fits the sender's text with
    // any port (PortsAndIPv6AddressesReachTheSenderOfEveryKind sends one).
    std::string strHost127(127, 'h');
    EXPECT_EQ(readConfReporting("trapsink " + strHost127 + " c 65535\ntrapsink h c 12345\n" +
                                    "trapcommunity " + std::string(25, 't') + "\n",
                                strReport),
              strHost127 + "[c@:65535] h[c@:12345]");
    EXPECT_NE(strReport.find("line 3: the trapcommunity value is longer than 24 characters"),
              std::string::npos)
        << strReport;
}

TEST_F(TrapDestTest, WhatTheListHasNoRoomForIsReported) {
    std::string strReport;
    std::string strFile;
    for (int i = 0; i < 25; i++) {
        strFile += "10.0.0." + std::to_string(i) + " c\n";
    }
    readDestinationsReporting(strFile + "# comment\n", strReport);
    EXPECT_EQ(m_nCount, CLIENT_IP_LIST_SIZE);
    EXPECT_NE(strReport.find("dest.traps line 25: this line and those below it refused: the list "
                             "holds no more than 24 trap destinations"),
              std::string::npos)
        << strReport;
    readDestinationsReporting(strFile.substr(0, strFile.find("10.0.0.24")) + "# only a comment\n",
                              strReport);
    EXPECT_EQ(strReport, "");

    std::string strConf;
    for (int i = 0; i < 6; i++) {
        strConf += "trapsink h c" + std::to_string(i) + "\n";
    }
    readConfReporting(strConf, strReport);
    EXPECT_NE(strReport.find("line 6: the address h has its 5 community/port pairs already"),
              std::string::npos)
        << strReport;
}

TEST_F(TrapDestTest, DestinationFileVersionWords) {
    std::string strReport;
    EXPECT_EQ(
        readDestinationsReporting("a c 2c\nb:1162 c inform\nc c\nd c v3\ne c 2c more\n", strReport),
        "a[c@/2c] b:1162[c@/inform] c[c@] d[c@] e[c@/2c]");
    EXPECT_NE(
        strReport.find("dest.traps line 4: the third word v3 is neither 2c nor inform; sent as "
                       "SNMPv1"),
        std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 5: words after the version word are ignored"), std::string::npos)
        << strReport;
    // Today's two-token lines stay SNMPv1, also when the community reads "2c".
    EXPECT_EQ(readDestinations("h 2c\n"), "h[2c@]");
}

// ---- trap2sink, informsink and trapsess ------------------------------------------

TEST_F(TrapDestTest, NotificationLinesFollowTheTrapsinkDestinationsInFileOrder) {
    EXPECT_EQ(readConf("trap2sink h1 c1 1162\n"
                       "com2sec a 10.0.0.1 pub\n"
                       "informsink h2\n"
                       "trapsink h3 c3\n"
                       "trap2sink h3 c4\n"
                       "trapcommunity tc\n"
                       "trapsess -v 2c -c c5 h5:1234\n"),
              "10.0.0.1[pub@:162] h3[c3@:162] h1[c1@:1162/2c] h2[tc@:162/inform] h3[c4@:162/2c] "
              "h5:1234[@/sess]");
    EXPECT_EQ(m_aList[5].stSession.nWords, 4);
    EXPECT_EQ(m_aList[5].stSession.cVersion, '2');
}

TEST_F(TrapDestTest, NotificationSinksFindCommunityAndPortAsTrapsinkDoes) {
    EXPECT_EQ(readConf("trap2sink h1\n"
                       "trap2sink h2 1234\n"
                       "informsink h3:11162 c\n"
                       "informsink udp:h4 c 1162\n"
                       "trap2sink h5\tc\r\n"),
              "h1[vazedi@:162/2c] h2[1234@:162/2c] h3:11162[c@/inform] udp:h4[c@:1162/inform] "
              "h5[c@:162/2c]");
    std::string strReport;
    EXPECT_EQ(
        readConfReporting("trap2sink\ninformsink h c 99999\ntrap2sink h c 162 extra\n", strReport),
        "");
    EXPECT_NE(strReport.find("line 1: trap2sink without a host; refused"), std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 2: the port 99999 is not a number from 1 to 65535; refused"),
              std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 3: trap2sink takes HOST [COMMUNITY [PORT]]"), std::string::npos)
        << strReport;
}

TEST_F(TrapDestTest, EachNotificationLineTakesAnEntryWithinTheLimit) {
    std::string strConf;
    for (int i = 0; i < 22; i++) {
        strConf += "trapsink 10.0.0." + std::to_string(i) + "\n";
    }
    strConf += "trap2sink a\ntrapsess -v 2c -c p b\ninformsink c\ntrapsess -v 2c -c p d\n";
    std::string strReport;
    readConfReporting(strConf, strReport);
    EXPECT_EQ(m_nCount, CLIENT_IP_LIST_SIZE);
    EXPECT_EQ(Describe(m_aList[22]) + " " + Describe(m_aList[23]), "a[vazedi@:162/2c] b[@/sess]");
    EXPECT_NE(strReport.find("line 25: informsink refused: the list holds no more than 24"),
              std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 26: trapsess refused: the list holds no more than 24"),
              std::string::npos)
        << strReport;

    // In mode 3 the notification lines fill only what the file left free.
    useSystemConf("trap2sink a\ninformsink b\n");
    std::string strFile;
    for (int i = 0; i < 23; i++) {
        strFile += "10.0.0." + std::to_string(i) + " c\n";
    }
    readDestinations(strFile + "TrapDestInd 3\n");
    EXPECT_EQ(m_nCount, CLIENT_IP_LIST_SIZE);
    EXPECT_EQ(Describe(m_aList[23]), "a[vazedi@:162/2c]");
}

TEST_F(TrapDestTest, OverlongNotificationLinesAreRefusedWhole) {
    std::string strPadding(1100, 'x');
    std::string strJust1023 = "trap2sink h1 c " + std::string(1023 - 15 - 4, ' ') + "1162";
    ASSERT_EQ(strJust1023.size(), 1023u);
    std::string strReport;
    EXPECT_EQ(readConfReporting("trapsess -v 2c -c " + strPadding + " h0\n" + strJust1023 +
                                    "\ntrap2sink h2 " + strPadding + "\ntrapsess -v 2c -c p " +
                                    "trapsess h3\n",
                                strReport),
              "h1[c@:1162/2c]");
    EXPECT_NE(strReport.find("line 1: trapsess line longer than 1023 characters; refused"),
              std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 3: trap2sink line longer than 1023 characters; refused"),
              std::string::npos)
        << strReport;
    EXPECT_NE(strReport.find("line 4: trapsess: more than one host"), std::string::npos)
        << strReport;
}

// ---- Ports from 1 to 65535 and IPv6 addresses ------------------------------------

// What follows the destination in the vectors below.
const char* const V1_REST = " 1.3.6 '' 6 2 '' 1.3.6.1 i 5\n";
const char* const V2_REST = " '' 1.3.6.0.2 1.3.6.1 i 5\n";

TEST_F(TrapDestTest, PortsAndIPv6AddressesReachTheSenderOfEveryKind) {
    // The destination file gives the port with the address, as the sender
    // reads it.
    EXPECT_EQ(readDestinations("127.0.0.1:162 pub\n127.0.0.1:11991 pub 2c\n"
                               "127.0.0.1:65535 pub inform\nudp6:[::1]:11991 pub\n"
                               "[::1]:162 pub 2c\nudp6:[fe80::1] pub inform\n::1 pub\n"),
              "127.0.0.1:162[pub@] 127.0.0.1:11991[pub@/2c] 127.0.0.1:65535[pub@/inform] "
              "udp6:[::1]:11991[pub@] [::1]:162[pub@/2c] udp6:[fe80::1][pub@/inform] ::1[pub@]");
    EXPECT_EQ(vectors(), std::string("snmptrap -v 1 -c pub 127.0.0.1:162") + V1_REST +
                             "snmptrap -v 2c -c pub 127.0.0.1:11991" + V2_REST +
                             "snmptrap -v 2c -c pub -Ci -t 1 -r 3 127.0.0.1:65535" + V2_REST +
                             "snmptrap -v 1 -c pub udp6:[::1]:11991" + V1_REST +
                             "snmptrap -v 2c -c pub [::1]:162" + V2_REST +
                             "snmptrap -v 2c -c pub -Ci -t 1 -r 3 udp6:[fe80::1]" + V2_REST +
                             "snmptrap -v 1 -c pub ::1" + V1_REST);

    // snmpd.conf: a bare IPv6 address is bracketed before a port (the sender
    // reads "::1:162" as one address), a host's own port wins, and the
    // longest address takes the longest port uncut.
    std::string strHost127(127, 'h');
    readConf("trapsink 127.0.0.1 pub 162\ntrapsink 127.0.0.1 pub 11991\n"
             "trapsink 127.0.0.1 pub 65535\ntrapsink ::1 pub6\ntrapsink udp6:[::1] pub6 11991\n"
             "trapsink [::1]:65535 pub6\n"
             "trap2sink 127.0.0.1 pub2c 11991\ntrap2sink ::1 pub2c 11991\n"
             "trap2sink udp6:[::1]:65535 pub2c\n"
             "informsink 127.0.0.1 pubinf 11992\ninformsink udp6:::1 pubinf 162\n"
             "informsink [::1] pubinf\n"
             "trapsess -v 2c -c pubs 127.0.0.1:11993\ntrapsess -v 2c -c pubs udp6:[::1]:11993\n"
             "trapsess -v 1 -c pubs [::1]:65535\ntrap2sink " +
             strHost127 + " pub2c 65535\n");
    EXPECT_EQ(vectors(), std::string("snmptrap -v 1 -c pub 127.0.0.1:162") + V1_REST +
                             "snmptrap -v 1 -c pub 127.0.0.1:11991" + V1_REST +
                             "snmptrap -v 1 -c pub 127.0.0.1:65535" + V1_REST +
                             "snmptrap -v 1 -c pub6 [::1]:162" + V1_REST +
                             "snmptrap -v 1 -c pub6 udp6:[::1]:11991" + V1_REST +
                             "snmptrap -v 1 -c pub6 [::1]:65535" + V1_REST +
                             "snmptrap -v 2c -c pub2c 127.0.0.1:11991" + V2_REST +
                             "snmptrap -v 2c -c pub2c [::1]:11991" + V2_REST +
                             "snmptrap -v 2c -c pub2c udp6:[::1]:65535" + V2_REST +
                             "snmptrap -v 2c -c pubinf -Ci -t 1 -r 3 127.0.0.1:11992" + V2_REST +
                             "snmptrap -v 2c -c pubinf -Ci -t 1 -r 3 udp6:[::1]:162" + V2_REST +
                             "snmptrap -v 2c -c pubinf -Ci -t 1 -r 3 [::1]" + V2_REST +
                             "snmptrap -v 2c -c pubs 127.0.0.1:11993" + V2_REST +
                             "snmptrap -v 2c -c pubs udp6:[::1]:11993" + V2_REST +
                             "snmptrap -v 1 -c pubs [::1]:65535" + V1_REST +
                             "snmptrap -v 2c -c pub2c " + strHost127 + ":65535" + V2_REST);
}

TEST_F(TrapDestTest, PortsOutsideOneTo65535AreRefusedWithFileAndLine) {
    std::string strReport;
    EXPECT_EQ(readDestinationsReporting("127.0.0.1:0 pub\n127.0.0.1:65536 pub\nh:abc pub\n"
                                        "[::1]:0 pub\n[::1 pub\n[::1]162 pub\nok pub\n",
                                        strReport),
              "ok[pub@]");
    for (const char* pszExpected :
         {"dest.traps line 1: the address 127.0.0.1:0 does not end in a port from 1 to 65535; "
          "refused",
          "line 2: the address 127.0.0.1:65536 does not end in a port",
          "line 3: the address h:abc does not end in a port",
          "line 4: the address [::1]:0 does not end in a port",
          "line 5: the address [::1 does not close its '[' with ']' and an optional :PORT; refused",
          "line 6: the address [::1]162 does not close its '['"}) {
        EXPECT_NE(strReport.find(pszExpected), std::string::npos) << pszExpected << "\n"
                                                                  << strReport;
    }

    EXPECT_EQ(readConfReporting("trapsink 127.0.0.1 pub 0\ntrapsink 127.0.0.1 pub 65536\n"
                                "trapsink ::1 pub 0\ntrap2sink 127.0.0.1 pub abc\n"
                                "trap2sink [::1]:65536 pub\ninformsink 127.0.0.1 pub 0\n"
                                "informsink udp6:[::1] pub 65536\n"
                                "trapsess -v 2c -c p 127.0.0.1:0\ntrapsess -v 2c -c p [::1]:65536\n"
                                "trapsink h:1162 c 2000\n",
                                strReport),
              "h:1162[c@]");
    ExpectReported(
        strReport,
        {"snmpd.conf line 1: the port 0 is not a number from 1 to 65535; refused",
         "line 2: the port 65536 is not a number", "line 3: the port 0 is not a number",
         "line 4: the port abc is not a number",
         "line 5: the address [::1]:65536 does not end in a port",
         "line 6: the port 0 is not a number", "line 7: the port 65536 is not a number",
         "line 8: the address 127.0.0.1:0 does not end in a port",
         "line 9: the address [::1]:65536 does not end in a port",
         // snmpd sends to the host's own port too.
         "line 10: the address h:1162 names its own port or transport; the port 2000 after it "
         "is ignored"});
}

TEST_F(TrapDestTest, TrapsessSecretsGoIntoAPrivateSnmpConf) {
    readConf("trapsess -v 3 -u korvo -l authPriv -a SHA -A 'auth pass\"1' -x AES -X privpass1 "
             "-e 0x8000000001020304 127.0.0.1:11162\n"
             "trapsess -v 2c -c public h2\n");
    ASSERT_EQ(m_nCount, 2);
    const TRAP_SESSION& stSession = m_aList[0].stSession;
    EXPECT_STREQ(m_aList[0].IP, "127.0.0.1:11162");
    const char* ppszWords[TRAP_SESSION_MAX_WORDS + 4];
    int nWords = ListSessionWords(stSession, ppszWords, TRAP_SESSION_MAX_WORDS + 4);
    std::string strWords;
    for (int w = 0; w < nWords; w++) {
        strWords += std::string(w > 0 ? " " : "") + ppszWords[w];
    }
    EXPECT_EQ(strWords, "-v 3 -u korvo -l authPriv -a SHA -x AES -e 0x8000000001020304");
    std::string strFolder = stSession.szSecretsFolder;
    ASSERT_EQ(strFolder.rfind(path("state/trap-secrets/g"), 0), 0u) << strFolder;
    struct stat stInfo;
    ASSERT_EQ(stat(strFolder.c_str(), &stInfo), 0);
    EXPECT_EQ(stInfo.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((strFolder + "/snmp.conf").c_str(), &stInfo), 0);
    EXPECT_EQ(stInfo.st_mode & 0777, 0600u);
    EXPECT_EQ(readFile(strFolder + "/snmp.conf"),
              "defAuthPassphrase \"auth pass\\\"1\"\ndefPrivPassphrase \"privpass1\"\n");
    EXPECT_STREQ(m_aList[1].stSession.szSecretsFolder, "") << "a line without secrets has none";

    RemoveTrapSecrets();
    EXPECT_NE(stat(path("state/trap-secrets").c_str(), &stInfo), 0);
}

TEST_F(TrapDestTest, ReReadingWritesANewGenerationAndDropsTheOldOnceInUse) {
    const char* const CONF = "trapsess -v 3 -u u -l authNoPriv -a SHA -A passphrase1 h\n";
    readConf(CONF);
    std::string strFirst = m_aList[0].stSession.szSecretsFolder;
    BeginTrapSecretsGeneration();
    readConf(CONF);
    std::string strSecond = m_aList[0].stSession.szSecretsFolder;
    EXPECT_NE(strFirst, strSecond);
    struct stat stInfo;
    EXPECT_EQ(stat(strFirst.c_str(), &stInfo), 0) << "the lists in use keep their files";
    // A further re-reading before the second is in use replaces it.
    BeginTrapSecretsGeneration();
    readConf(CONF);
    std::string strThird = m_aList[0].stSession.szSecretsFolder;
    EXPECT_NE(stat(strSecond.c_str(), &stInfo), 0);
    CommitTrapSecretsGeneration();
    EXPECT_NE(stat(strFirst.c_str(), &stInfo), 0);
    EXPECT_EQ(stat((strThird + "/snmp.conf").c_str(), &stInfo), 0);
}

TEST_F(TrapDestTest, SecretsAreRefusedWhereTheFolderIsNotTheDaemonsOwn) {
    ASSERT_EQ(mkdir(path("open").c_str(), 0777), 0);
    ASSERT_EQ(chmod(path("open").c_str(), 0777), 0);
    SetTrapSecretsBase(path("open").c_str());
    std::string strReport;
    EXPECT_EQ(
        readConfReporting("trapsess -v 3 -u u -l authNoPriv -a SHA -A passphrase1 h\n", strReport),
        "");
    EXPECT_NE(strReport.find("line 1: trapsess: its secrets cannot be kept: " + path("open") +
                             " is not a folder of the daemon's own"),
              std::string::npos)
        << strReport;
    EXPECT_EQ(strReport.find("passphrase1"), std::string::npos);
}

} // namespace
