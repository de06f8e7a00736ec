// Trap destinations: the trap destination file and snmpd.conf.
#include "genpvkagent.h"
#include "storetestutil.h"

#include <cstring>
#include <string>

namespace {

// One entry as "IP[community@port,...]".
std::string Describe(const CLIENT_IP& entry) {
    std::string strText = std::string(entry.IP) + "[";
    for (int i = 0; i < entry.count; i++) {
        strText += (i > 0 ? "," : "") + std::string(entry.szAccessMode[i]) + "@" + entry.port[i];
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
    void TearDown() override {
        gszSystemConf[0] = '\0';
        StoreTest::TearDown();
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
    void useSystemConf(const std::string& strText) {
        std::string strPath = writeFile("snmpd.conf", strText);
        ASSERT_LT(strPath.size(), sizeof(gszSystemConf));
        strcpy(gszSystemConf, strPath.c_str());
    }

    CLIENT_IP m_aList[CLIENT_IP_LIST_SIZE];
    int m_nCount = 0;
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
    EXPECT_EQ(GetClientIPList(path("missing.traps").c_str(), m_aList), -1);
    EXPECT_EQ(GetClientIPList("", m_aList), -1);
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
    strcpy(gszSystemConf, path("missing.conf").c_str());
    EXPECT_EQ(readDestinations("a c1\nTrapDestInd 1\nb c2\n"), "");
    EXPECT_EQ(m_nCount, 0);
}

TEST_F(TrapDestTest, IndicatorThreeAppendsSnmpdConfAndReadsOn) {
    useSystemConf(SMALL_CONF);
    EXPECT_EQ(readDestinations("a c1\nb c2\nTrapDestInd 3\nc c3\n"),
              std::string("a[c1@] b[c2@] ") + SMALL_CONF_LIST + " c[c3@]");
    strcpy(gszSystemConf, path("missing.conf").c_str());
    EXPECT_EQ(readDestinations("a c1\nTrapDestInd 3\nc c3\n"), "a[c1@] c[c3@]");
    gszSystemConf[0] = '\0';
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
    std::string strAddress23(23, 'a');
    std::string strCommunity31(31, 'c');
    EXPECT_EQ(readDestinations(strAddress23 + " " + strCommunity31 + "\n" + strAddress23 + "b c\n" +
                               "h " + strCommunity31 + "x\n"),
              strAddress23 + "[" + strCommunity31 + "@]");
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
    // a port, and no port of seven digits fits; five digits do not either.
    EXPECT_EQ(readConf("trapsink h4 1234567\ntrapsink h5 c 11162\ntrapsink h6 1234a67\n"),
              "h6[1234a67@:162]");
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
                       "trapsink " + std::string(24, 'h') + "\n" + "trapsink h\n"),
              "h[" + strLong24 + "@:162]");
    EXPECT_EQ(readConf("com2sec n " + std::string(24, 'a') + " c\ncom2sec n b " +
                       std::string(32, 'c') + "\n"),
              "");
}

TEST_F(TrapDestTest, UnreadableConfGivesMinusOne) {
    EXPECT_EQ(GetClientIPListFromConf(path("missing.conf").c_str(), m_aList), -1);
}

} // namespace
