// The relay's text side: snmpd's words to request words, and the daemon's
// answers checked before snmpd sees them.
#include "channel/zundshm.h"
#include "relaycore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint32_t> Oid(const std::string& strText) {
    std::vector<uint32_t> vOID;
    EXPECT_TRUE(ParseNumericOid(strText, vOID)) << strText;
    return vOID;
}

RelayRequest Request(RelayMethod nMethod, const std::string& strOID) {
    RelayRequest stRequest;
    stRequest.nMethod = nMethod;
    stRequest.vOID = Oid(strOID);
    return stRequest;
}

RelayAnswer Answer(const RelayRequest& stRequest, uint32_t nItems, const std::string& strText) {
    char szArea[ZUND_TEXT_AREA_SIZE] = {};
    memcpy(szArea, strText.c_str(), strText.size() + 1);
    return ReadAnswer(stRequest, nItems, szArea, sizeof(szArea));
}

TEST(RelayOid, ParsesOnlyNumericOids) {
    EXPECT_EQ((std::vector<uint32_t>{1, 3, 6}), Oid(".1.3.6"));
    EXPECT_EQ((std::vector<uint32_t>{1, 3, 4294967295u}), Oid("1.3.4294967295"));
    std::vector<uint32_t> vOID;
    for (const char* pszBad : {"", ".", "1..3", "1.3.", "1.x", "1.-3", "1.4294967296", "iso.3"}) {
        EXPECT_FALSE(ParseNumericOid(pszBad, vOID)) << pszBad;
    }
}

TEST(RelayOid, OrdersLexicographicallyAndKnowsItsSubtree) {
    EXPECT_LT(CompareOid(Oid("1.3.6"), Oid("1.3.6.0")), 0);
    EXPECT_GT(CompareOid(Oid("1.3.10"), Oid("1.3.9.9")), 0);
    EXPECT_EQ(0, CompareOid(Oid("1.3"), Oid(".1.3")));
    EXPECT_TRUE(IsInSubtree(Oid("1.3.6.1.4.1.7310")));
    EXPECT_TRUE(IsInSubtree(Oid("1.3.6.1.4.1.7310.4.1.2")));
    EXPECT_FALSE(IsInSubtree(Oid("1.3.6.1.4.1.7311")));
    EXPECT_FALSE(IsInSubtree(Oid("1.3.6.1.4.1")));
    EXPECT_EQ(".1.3.6.1.4.1.7310", FormatOid(Oid(RELAY_SUBTREE)));
}

TEST(RelaySetValue, AcceptsIntegersAndStripsTheQuotesOfStrings) {
    RelayRequest stRequest;
    EXPECT_EQ("", AcceptSetValue("integer", "-5", stRequest));
    EXPECT_EQ("-5", stRequest.strValue);
    EXPECT_EQ("", AcceptSetValue("string", "\"new name\"", stRequest));
    EXPECT_EQ("new name", stRequest.strValue);
    EXPECT_EQ("", AcceptSetValue("string", "'it''s'", stRequest));
    EXPECT_EQ("it''s", stRequest.strValue);
    EXPECT_EQ("", AcceptSetValue("string", "\"", stRequest));
    EXPECT_EQ("\"", stRequest.strValue);
    EXPECT_EQ("string", stRequest.strType);
}

TEST(RelaySetValue, RefusesOtherTypesBadIntegersAndLongValuesWithOneWord) {
    RelayRequest stRequest;
    for (const char* pszType : {"octet", "objectid", "gauge", "counter", "timeticks", "ipaddress"}) {
        EXPECT_EQ("not-writable", AcceptSetValue(pszType, "1", stRequest)) << pszType;
    }
    EXPECT_EQ("not-writable", AcceptSetValue("integer", "12ab", stRequest));
    EXPECT_EQ("not-writable", AcceptSetValue("integer", "2147483648", stRequest));
    EXPECT_EQ("not-writable", AcceptSetValue("integer", "", stRequest));
    EXPECT_EQ("", AcceptSetValue("integer", "-2147483648", stRequest));
    EXPECT_EQ("", AcceptSetValue("string", std::string(255, 'v'), stRequest));
    EXPECT_EQ("not-writable", AcceptSetValue("string", std::string(256, 'v'), stRequest));
}

TEST(RelayWords, WritesNulSeparatedWordsAndRefusesWhatDoesNotFit) {
    RelayRequest stSet = Request(RELAY_SET, "1.3.6.1.4.1.7310.2.1.7.0");
    stSet.strType = "integer";
    stSet.strValue = "30";
    char szArea[64];
    ASSERT_TRUE(BuildRequestWords(stSet, szArea, sizeof(szArea)));
    EXPECT_EQ(std::string("-s\0.1.3.6.1.4.1.7310.2.1.7.0\0integer\0"
                          "30\0",
                          40),
              std::string(szArea, 40));

    EXPECT_FALSE(BuildRequestWords(stSet, szArea, 39));

    RelayRequest stLong = Request(RELAY_GET, "1.3.6.1.4.1.7310");
    stLong.vOID.resize(ZUND_MAX_OID_IDS, 1);
    char szBlock[ZUND_TEXT_AREA_SIZE];
    EXPECT_TRUE(BuildRequestWords(stLong, szBlock, sizeof(szBlock)));
    stLong.vOID.push_back(1);
    EXPECT_FALSE(BuildRequestWords(stLong, szBlock, sizeof(szBlock)));
}

TEST(RelayAnswers, PassesWellFormedValues) {
    RelayRequest stGet = Request(RELAY_GET, "1.3.6.1.4.1.7310.1.1.0");
    RelayAnswer stAnswer = Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.1.0\ninteger\n-42\n");
    ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind);
    EXPECT_EQ(".1.3.6.1.4.1.7310.1.1.0", stAnswer.strOID);
    EXPECT_EQ("integer", stAnswer.strType);
    EXPECT_EQ("-42", stAnswer.strValue);

    stAnswer = Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.1.0\nstring\n\n");
    ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind);
    EXPECT_EQ("", stAnswer.strValue);

    stAnswer = Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.1.0\nstring\ntwo\nlines\r\n");
    ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind);
    EXPECT_EQ("two lines ", stAnswer.strValue);
}

TEST(RelayAnswers, PrintsSubIdentifiersTheDaemonWroteAsNegativeUnsigned) {
    RelayRequest stNext = Request(RELAY_GETNEXT, "1.3.6.1.4.1.7310.1");
    RelayAnswer stAnswer = Answer(stNext, 1, ".1.3.6.1.4.1.7310.1.-1\ninteger\n1\n");
    ASSERT_EQ(RelayAnswer::VALUE, stAnswer.nKind);
    EXPECT_EQ(".1.3.6.1.4.1.7310.1.4294967295", stAnswer.strOID);
}

TEST(RelayAnswers, RefusesAnswersThatCouldMisleadSnmpd) {
    RelayRequest stGet = Request(RELAY_GET, "1.3.6.1.4.1.7310.1.1.0");
    RelayRequest stNext = Request(RELAY_GETNEXT, "1.3.6.1.4.1.7310.2.1.5.3");
    const RelayAnswer::Kind NONE = RelayAnswer::NO_OBJECT;

    EXPECT_EQ(NONE, Answer(stGet, 0, ".1.3.6.1.4.1.7310.1.1.0\ninteger\n1\n").nKind);
    EXPECT_EQ(NONE, Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.2.0\ninteger\n1\n").nKind)
        << "a get answered with another OID";
    EXPECT_EQ(NONE, Answer(stNext, 1, ".1.3.6.1.4.1.7310.2.1.5.3\ninteger\n1\n").nKind)
        << "a get-next that does not move on";
    EXPECT_EQ(NONE, Answer(stNext, 1, ".1.3.6.1.4.1.7310.2.1.5.2\ninteger\n1\n").nKind)
        << "a get-next that moves back";
    EXPECT_EQ(NONE, Answer(stNext, 1, ".1.3.6.1.4.1.7311\ninteger\n1\n").nKind)
        << "a get-next that leaves the subtree";
    EXPECT_EQ(NONE, Answer(stGet, 1, "-g").nKind) << "request words, no answer";
    EXPECT_EQ(NONE, Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.1.0\ninteger\n").nKind);
    EXPECT_EQ(NONE, Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.1.0\ninteger\n12x\n").nKind);
    EXPECT_EQ(NONE, Answer(stGet, 1, ".1.3.6.1.4.1.7310.1.1.0\ncounter\n1\n").nKind);
    EXPECT_EQ(NONE, Answer(stGet, 1, "1.3.6.1.4.1.7310.1.1.0\ninteger\n1\n").nKind);

    char szUnterminated[ZUND_TEXT_AREA_SIZE];
    memset(szUnterminated, 'x', sizeof(szUnterminated));
    EXPECT_EQ(NONE, ReadAnswer(stGet, 1, szUnterminated, sizeof(szUnterminated)).nKind);
}

TEST(RelayAnswers, SetAnswersAreDoneOrARefusalWord) {
    RelayRequest stSet = Request(RELAY_SET, "1.3.6.1.4.1.7310.2.1.7.0");
    EXPECT_EQ(RelayAnswer::SET_DONE, Answer(stSet, 0, "-s").nKind);
    RelayAnswer stRefused = Answer(stSet, 1, "not-writable");
    EXPECT_EQ(RelayAnswer::SET_ERROR, stRefused.nKind);
    EXPECT_EQ("not-writable", stRefused.strError);
    EXPECT_EQ("gen-error", Answer(stSet, 1, "garbage").strError);
}

} // namespace
