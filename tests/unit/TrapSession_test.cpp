// trapsess lines: splitting as snmpd splits them, the options the sender may
// get, and the secrets taken out of the words.
#include "traps/TrapSession.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

Words Split(const char* pszText) {
    return SplitTrapSessionWords(pszText);
}

// The session's words joined by blanks, "host=HOST", and the secrets as
// "directive=value", or "refused: reason".
std::string Analyse(const char* pszText) {
    TrapSessionLine line;
    if (!ParseTrapSession(Split(pszText), line)) {
        return "refused: " + line.strError;
    }
    const char* ppszWords[TRAP_SESSION_MAX_WORDS + 4];
    int nWords = ListSessionWords(line.stSession, ppszWords, TRAP_SESSION_MAX_WORDS + 4);
    std::string strText;
    for (int w = 0; w < nWords; w++) {
        strText += std::string(ppszWords[w]) + " ";
    }
    strText += "host=" + line.strHost;
    for (const TrapSecret& stSecret : line.vSecrets) {
        strText += std::string(" ") + stSecret.pszDirective + "=" + stSecret.strValue;
    }
    return strText;
}

TEST(TrapSessionWordsTest, WordsSplitAsSnmpdSplitsThem) {
    EXPECT_EQ(Split("  -v 2c\t-c public  host  "), (Words{"-v", "2c", "-c", "public", "host"}));
    EXPECT_EQ(Split("-A \"two words\" -X 'it''s' h"),
              (Words{"-A", "two words", "-X", "it", "s", "h"}));
    // A backslash takes the next character; a closing quote ends the word.
    EXPECT_EQ(Split(R"(-A "a\"b\\c" x\ y "ab"cd)"), (Words{"-A", "a\"b\\c", "x y", "ab", "cd"}));
    EXPECT_EQ(Split("-c public h # a comment -Lf /etc/passwd"), (Words{"-c", "public", "h"}));
    EXPECT_EQ(Split("-c \"no end"), (Words{"-c", "no end"}));
    EXPECT_EQ(Split("-c ''"), (Words{"-c", ""}));
    EXPECT_EQ(Split("# all comment"), Words{});
    EXPECT_EQ(Split(""), Words{});
    EXPECT_EQ(Split(nullptr), Words{});
}

TEST(TrapSessionTest, SecretsLeaveTheWordsInEveryForm) {
    EXPECT_EQ(Analyse("-v 3 -u korvo -l authPriv -a SHA -A authpass1 -x AES -X privpass1 "
                      "-e 0x8000000001020304 h:162"),
              "-v 3 -u korvo -l authPriv -a SHA -x AES -e 0x8000000001020304 host=h:162 "
              "defAuthPassphrase=authpass1 defPrivPassphrase=privpass1");
    // Attached values, the -3 forms and the long forms.
    EXPECT_EQ(Analyse("-v3 -Aauthpass1 -Xprivpass1 h"),
              "-v3 host=h defAuthPassphrase=authpass1 defPrivPassphrase=privpass1");
    EXPECT_EQ(Analyse("-3A=pass1234 -3m 0x01 -3 k 0x02 -3K0x03 -3M= 0x04 -3 X priv1234 h"),
              "host=h defAuthPassphrase=pass1234 defAuthMasterKey=0x01 defAuthLocalizedKey=0x02 "
              "defPrivLocalizedKey=0x03 defPrivMasterKey=0x04 defPrivPassphrase=priv1234");
    EXPECT_EQ(Analyse("--defAuthPassphrase=pass1234 '--defprivpassphrase \"a b\"' "
                      "--defPassphrase=both1234 '--defAuthLocalizedKey 0x05' h"),
              "host=h defAuthPassphrase=pass1234 defPrivPassphrase=a b defPassphrase=both1234 "
              "defAuthLocalizedKey=0x05");
    // The kept -3 forms keep their words as the line gave them.
    EXPECT_EQ(Analyse("-3 e 0x80000000aa -3u user -3l authNoPriv -3a=SHA h"),
              "-3 e 0x80000000aa -3u user -3l authNoPriv -3a=SHA host=h");
}

TEST(TrapSessionTest, SnmpdsOwnNamesAndTheHostsPlace) {
    EXPECT_EQ(Analyse("-profile p -name n -tag t -v 2c -c public h"), "-v 2c -c public host=h");
    // The host may stand anywhere; the sender gets it after the options.
    EXPECT_EQ(Analyse("h -v 2c -c public"), "-v 2c -c public host=h");
    // A value that begins with '-' is the option's value, as the sender takes it.
    EXPECT_EQ(Analyse("-v 2c -c -public h"), "-v 2c -c -public host=h");
}

TEST(TrapSessionTest, VersionAndInformBounds) {
    TrapSessionLine line;
    ASSERT_TRUE(ParseTrapSession(Split("-v 2C -c p h"), line));
    EXPECT_EQ(line.stSession.cVersion, '2');
    EXPECT_FALSE(line.stSession.bInform);
    ASSERT_TRUE(ParseTrapSession(Split("-u u h"), line));
    EXPECT_EQ(line.stSession.cVersion, '3') << "the sender's default";
    ASSERT_TRUE(ParseTrapSession(Split("-v 1 -v 2c -c p h"), line));
    EXPECT_EQ(line.stSession.cVersion, '2') << "the last -v counts";

    EXPECT_EQ(Analyse("-v 2c -c p -Ci h"), "-v 2c -c p -Ci -t 1 -r 3 host=h");
    EXPECT_EQ(Analyse("-v 2c -c p -Ci -t 2 -r 3 h"), "-v 2c -c p -Ci -t 2 -r 3 host=h");
    EXPECT_EQ(Analyse("-v 3 -u u -Ci -r 1 h"), "-v 3 -u u -Ci -r 1 -t 1 host=h");
    EXPECT_EQ(Analyse("-v 2c -c p -Ci -t 3 -r 2 h"),
              "refused: the inform could wait longer than 8 seconds for its answer (-t and -r)");
    EXPECT_EQ(Analyse("-v 3 -u u -Ci -t 1 -r 4 h"),
              "refused: the inform could wait longer than 8 seconds for its answer (-t and -r)");
    EXPECT_EQ(Analyse("-v 1 -c p -Ci h"), "refused: -Ci with -v 1 (SNMPv1 has no informs)");
    EXPECT_EQ(Analyse("-v 2c -c p -t 60 -r 9 h"), "-v 2c -c p -t 60 -r 9 host=h")
        << "a trap does not wait";
    EXPECT_EQ(Analyse("-v 2c -c p -Ci -t 0 h"),
              "refused: the timeout is not a positive number of seconds");
    EXPECT_EQ(Analyse("-v 2c -c p -Ci -t nan h"),
              "refused: the timeout is not a positive number of seconds");
    EXPECT_EQ(Analyse("-v 2c -c p -Ci -r -1 h"), "refused: the retry count is not a number");
    EXPECT_EQ(Analyse("-v 2c -c p -Ci -r 99999999999999999999 h"),
              "refused: the retry count is not a number");
    EXPECT_EQ(Analyse("-v 4 h"), "refused: the version is not 1, 2c or 3");
    EXPECT_EQ(Analyse("-v 2c -Cx h"), "refused: -C other than -Ci");
}

TEST(TrapSessionTest, OptionsThatChangeHowTheSenderWorksAreRefused) {
    for (const char* pszLine : {"-Lf /etc/passwd h",
                                "-L f /tmp/x h",
                                "-D ALL h",
                                "-d h",
                                "-m ALL h",
                                "-M /tmp h",
                                "-Y 'defAuthPassphrase x' h",
                                "-O n h",
                                "-I b h",
                                "-P u h",
                                "-H h",
                                "-V h",
                                "-h h",
                                "-Z 1,2 h",
                                "-p 162 h",
                                "-T tcp h",
                                "-s 10.0.0.1 h",
                                "-3q x h",
                                "-x",
                                "-3"}) {
        std::string strResult = Analyse(pszLine);
        EXPECT_EQ(strResult.rfind("refused: option -", 0), 0u) << pszLine << ": " << strResult;
    }
    EXPECT_EQ(Analyse("--persistentDir=/etc h"), "refused: option --persistentDir is not taken");
    EXPECT_EQ(Analyse("-v 2c -- -host"), "refused: '--' is not taken");
    EXPECT_EQ(Analyse("-v 2c -c p -A"), "refused: option -A lacks its value");
    EXPECT_EQ(Analyse("-v 3 -3A"), "refused: option -3A lacks its value");
}

TEST(TrapSessionTest, HostsAndSecretsThatCannotBeTaken) {
    EXPECT_EQ(Analyse("-v 2c -c p"), "refused: no host");
    EXPECT_EQ(Analyse(""), "refused: no host");
    EXPECT_EQ(Analyse("-v 2c -c p h1 h2"), "refused: more than one host, or a stray word");
    EXPECT_EQ(Analyse("-v 2c -c p -"), "refused: the host is empty or would be taken as an option");
    EXPECT_EQ(Analyse("-v 2c -c p ''"),
              "refused: the host is empty or would be taken as an option");
    EXPECT_EQ(Analyse(("-v 2c " + std::string(24, 'h')).c_str()),
              "refused: the host is longer than 23 characters");
    EXPECT_EQ(Analyse("-v 2c 'h h'"), "refused: the host holds white space or control characters");
    EXPECT_EQ(Analyse("-v 3 -A '' h"),
              "refused: the value of -A is empty, longer than 255 characters or holds control "
              "characters");
    EXPECT_EQ(Analyse(("-v 3 -X " + std::string(256, 'x') + " h").c_str()).substr(0, 31),
              "refused: the value of -X is emp");
    EXPECT_EQ(Analyse("-v 3 -3k '\x01\x02' h").substr(0, 32), "refused: the value of -3k is emp");
    EXPECT_EQ(Analyse(("-v 3 -A " + std::string(255, 'x') + " h").c_str()).substr(0, 12),
              "-v 3 host=h ");

    std::string strMany;
    for (int w = 0; w < 127; w++) {
        strMany += "h ";
    }
    EXPECT_EQ(Analyse(strMany.c_str()), "refused: more than one host, or a stray word");
    EXPECT_EQ(Analyse((strMany + "h").c_str()), "refused: more than 127 words");
}

TEST(TrapSessionTest, WordsAreListedWithinTheirBuffer) {
    TRAP_SESSION stSession;
    const char* ppszWords[4];
    EXPECT_EQ(ListSessionWords(stSession, ppszWords, 4), 0);
    memcpy(stSession.szWords, "-v\0002c\0", 6);
    stSession.nWords = 2;
    ASSERT_EQ(ListSessionWords(stSession, ppszWords, 4), 2);
    EXPECT_STREQ(ppszWords[1], "2c");
    EXPECT_EQ(ListSessionWords(stSession, ppszWords, 1), 1);
    // A count beyond the words, or words without their end, list what is whole.
    stSession.nWords = 40;
    EXPECT_EQ(ListSessionWords(stSession, ppszWords, 4), 4);
    memset(stSession.szWords, 'x', sizeof(stSession.szWords));
    EXPECT_EQ(ListSessionWords(stSession, ppszWords, 4), 0);
}

} // namespace
