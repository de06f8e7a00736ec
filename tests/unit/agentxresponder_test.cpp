// The AgentX front end's answers over a dispatch of the test's own: gets
// with their exceptions, get-nexts that never leave the master's range,
// bulk repetitions, and the four set phases with the relay's refusals.
#include "agentx/agentxresponder.h"
#include "agentxtestutil.h"

FakeMib g_stFakeMib;

namespace {

const char* const SUBTREE_A = "1.3.6.1.4.1.7310.4.1";
const char* const SUBTREE_B = "1.3.6.1.4.1.7310.5.1";

class AgentXResponderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_stFakeMib = FakeMib();
        auto Add = [](const char* pszOid, FakeObject stObject) {
            g_stFakeMib.mObjects[Oid(pszOid)] = stObject;
        };
        Add("1.3.6.1.4.1.7310.4.1.1.1.0", {true, 0, "7.4.0-sim", false});
        Add("1.3.6.1.4.1.7310.4.1.1.2.0", {false, 2, "", false});
        Add("1.3.6.1.4.1.7310.4.1.2.1.7.0", {false, 30, "", true});
        Add("1.3.6.1.4.1.7310.4.1.2.1.7.1", {false, 31, "", true});
        Add("1.3.6.1.4.1.7310.4.1.2.1.8.0", {true, 0, "line\nbreak\rhere", true});
        Add("1.3.6.1.4.1.7310.4.1.2.1.9.0", {true, 0, std::string("cut\0off", 7), false});
        Add("1.3.6.1.4.1.7310.5.1.1.1.1.0", {false, 5, "", false});
        Add("1.3.6.1.4.1.7310.5.1.2.1.1.0", {false, 6, "", false});
        // Beyond the registered subtrees (another subagent's objects).
        Add("1.3.6.1.4.1.8072.1.1", {false, 9, "", false});
        m_stResponder.SetSubtrees({ToAgentX(Oid(SUBTREE_B)), ToAgentX(Oid(SUBTREE_A))});
    }

    // Answers the PDU and returns its Response.
    const AgentXPdu& Answer(CMasterPdu& stRequest) {
        m_stWriter.Clear();
        EXPECT_TRUE(m_stResponder.Answer(stRequest.Read(), m_stWriter));
        m_vResponses = ReadAllPdus(m_stWriter.Bytes());
        EXPECT_EQ(1u, m_vResponses.size());
        if (m_vResponses.empty()) {
            m_vResponses.emplace_back();
        }
        return m_vResponses[0];
    }

    std::vector<std::string> Bindings(CMasterPdu& stRequest) {
        const AgentXPdu& stResponse = Answer(stRequest);
        EXPECT_EQ(AGENTX_ERR_NOERROR, stResponse.nError);
        std::vector<std::string> vTexts;
        for (const AgentXVarBind& stVarBind : stResponse.vVarBinds) {
            vTexts.push_back(VarBindText(stVarBind));
        }
        return vTexts;
    }

    std::string Next(const char* pszStart, bool bInclude = false, const char* pszEnd = "") {
        CMasterPdu stRequest(AGENTX_GETNEXT);
        stRequest.Range(pszStart, bInclude, pszEnd);
        std::vector<std::string> vTexts = Bindings(stRequest);
        return vTexts.empty() ? "" : vTexts[0];
    }

    CAgentXResponder m_stResponder{FakeDispatch, FakeCheckSet};
    CAgentXWriter m_stWriter;
    std::vector<AgentXPdu> m_vResponses;
};

TEST_F(AgentXResponderTest, GetsAnswerValuesOrTheExceptionThatFits) {
    CMasterPdu stRequest(AGENTX_GET, 11, 12);
    stRequest.Range("1.3.6.1.4.1.7310.4.1.1.1.0")
        .Range("1.3.6.1.4.1.7310.4.1.2.1.7.1")
        .Range("1.3.6.1.4.1.7310.4.1.2.1.7.2")  // a missing instance of an object
        .Range("1.3.6.1.4.1.7310.4.1.2.1.99.0") // no such object
        .Range("1.3.6.1.4.1.7310.4.1.2.1.8.0")
        .Range("1.3.6.1.4.1.7310.4.1.2.1.9.0");
    EXPECT_EQ((std::vector<std::string>{
                  ".1.3.6.1.4.1.7310.4.1.1.1.0 = STRING: 7.4.0-sim",
                  ".1.3.6.1.4.1.7310.4.1.2.1.7.1 = INTEGER: 31",
                  ".1.3.6.1.4.1.7310.4.1.2.1.7.2 = noSuchInstance",
                  ".1.3.6.1.4.1.7310.4.1.2.1.99.0 = noSuchObject",
                  ".1.3.6.1.4.1.7310.4.1.2.1.8.0 = STRING: line break here",
                  ".1.3.6.1.4.1.7310.4.1.2.1.9.0 = STRING: cut",
              }),
              Bindings(stRequest));
    EXPECT_EQ(11u, m_vResponses[0].stHeader.nPacketID);
    EXPECT_EQ(12u, m_vResponses[0].stHeader.nTransactionID);
    EXPECT_EQ(42u, m_vResponses[0].stHeader.nSessionID);
}

TEST_F(AgentXResponderTest, AGetAnsweredWithAnotherOidIsNoAnswer) {
    // The dispatch resolves a bare table OID to its first cell; a get must
    // answer its own OID.
    g_stFakeMib.vQuirkFrom = Oid("1.3.6.1.4.1.7310.4.1.2");
    g_stFakeMib.vQuirkAnswer = Oid("1.3.6.1.4.1.7310.4.1.1.1.0");
    CMasterPdu stRequest(AGENTX_GET);
    stRequest.Range("1.3.6.1.4.1.7310.4.1.2");
    std::vector<std::string> vTexts = Bindings(stRequest);
    ASSERT_EQ(1u, vTexts.size());
    EXPECT_NE(std::string::npos, vTexts[0].find("noSuch"));
    // An OID longer than the request binding holds is no object either.
    std::string strLong = SUBTREE_A;
    for (int i = 0; i < 45; ++i) {
        strLong += ".1";
    }
    CMasterPdu stLong(AGENTX_GET);
    stLong.Range(strLong.c_str());
    EXPECT_NE(std::string::npos, Bindings(stLong)[0].find("noSuch"));
}

TEST_F(AgentXResponderTest, GetNextStaysInsideTheRangeAndTheSubtrees) {
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.1.2.0 = INTEGER: 2", Next("1.3.6.1.4.1.7310.4.1.1.1.0"));
    // Included start: the start itself when it exists.
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.1.1.0 = STRING: 7.4.0-sim",
              Next("1.3.6.1.4.1.7310.4.1.1.1.0", true));
    // The end is excluded.
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.1.2.0 = endOfMibView",
              Next("1.3.6.1.4.1.7310.4.1.1.2.0", false, "1.3.6.1.4.1.7310.4.1.2.1.7.0"));
    // Across two registrations: the next object lies in the other subtree,
    // beyond this range's end.
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.2.1.9.0 = endOfMibView",
              Next("1.3.6.1.4.1.7310.4.1.2.1.9.0", false, "1.3.6.1.4.1.7310.4.2"));
    // Without an end, never outside the registered subtrees.
    EXPECT_EQ(".1.3.6.1.4.1.7310.5.1.2.1.1.0 = endOfMibView", Next("1.3.6.1.4.1.7310.5.1.2.1.1.0"));
}

TEST_F(AgentXResponderTest, GetNextThatDoesNotMoveOnIsTheEndOfTheView) {
    // A dispatch that answers the request's own OID, or a smaller one,
    // would make the walk loop.
    g_stFakeMib.vQuirkFrom = Oid("1.3.6.1.4.1.7310.4.1.2.1.7.0");
    g_stFakeMib.vQuirkAnswer = Oid("1.3.6.1.4.1.7310.4.1.1.1.0");
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.2.1.7.0 = endOfMibView", Next("1.3.6.1.4.1.7310.4.1.2.1.7.0"));
    g_stFakeMib.vQuirkAnswer = Oid("1.3.6.1.4.1.7310.4.1.2.1.7.0");
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.2.1.7.0 = endOfMibView", Next("1.3.6.1.4.1.7310.4.1.2.1.7.0"));
}

TEST_F(AgentXResponderTest, WalkIntoASubtreeAsksFromAboveItsRoot) {
    // A get-next from a definition's prefix itself lands past its first
    // object; from above the prefix it lands right.
    g_stFakeMib.vQuirkFrom = Oid(SUBTREE_B);
    g_stFakeMib.vQuirkAnswer = Oid("1.3.6.1.4.1.7310.5.1.2.1.1.0");
    EXPECT_EQ(".1.3.6.1.4.1.7310.5.1.1.1.1.0 = INTEGER: 5",
              Next(SUBTREE_B, true, "1.3.6.1.4.1.7310.5.2"));
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1.1.1.0 = STRING: 7.4.0-sim",
              Next("1.3.6.1.4.1.7310", false, "1.3.6.1.4.1.7310.4.2"));
}

TEST_F(AgentXResponderTest, GetBulkRepeatsUntilTheEndOfTheView) {
    CMasterPdu stRequest(AGENTX_GETBULK);
    stRequest.Writer().AppendUInt16(1); // non-repeaters
    stRequest.Writer().AppendUInt16(4); // max-repetitions
    stRequest.Range("1.3.6.1.4.1.7310.4.1.1.1.0")
        .Range("1.3.6.1.4.1.7310.4.1.2.1.8.0", false, "1.3.6.1.4.1.7310.4.2")
        .Range("1.3.6.1.4.1.7310.4.1.1.1.0", false, "1.3.6.1.4.1.7310.4.2");
    EXPECT_EQ((std::vector<std::string>{
                  ".1.3.6.1.4.1.7310.4.1.1.2.0 = INTEGER: 2",
                  ".1.3.6.1.4.1.7310.4.1.2.1.9.0 = STRING: cut",
                  ".1.3.6.1.4.1.7310.4.1.1.2.0 = INTEGER: 2",
                  ".1.3.6.1.4.1.7310.4.1.2.1.9.0 = endOfMibView",
                  ".1.3.6.1.4.1.7310.4.1.2.1.7.0 = INTEGER: 30",
                  ".1.3.6.1.4.1.7310.4.1.2.1.9.0 = endOfMibView",
                  ".1.3.6.1.4.1.7310.4.1.2.1.7.1 = INTEGER: 31",
                  ".1.3.6.1.4.1.7310.4.1.2.1.9.0 = endOfMibView",
                  ".1.3.6.1.4.1.7310.4.1.2.1.8.0 = STRING: line break here",
              }),
              Bindings(stRequest));
    CMasterPdu stNone(AGENTX_GETBULK);
    stNone.Writer().AppendUInt16(0);
    stNone.Writer().AppendUInt16(0);
    stNone.Range("1.3.6.1.4.1.7310.4.1");
    EXPECT_TRUE(Bindings(stNone).empty()) << "no repetitions asked for";
}

TEST_F(AgentXResponderTest, OtherContextsAreRefused) {
    CMasterPdu stRequest(AGENTX_GET, 7, 3, AGENTX_FLAG_NON_DEFAULT_CONTEXT);
    stRequest.Writer().AppendOctets(reinterpret_cast<const uint8_t*>("ctx"), 3);
    stRequest.Range("1.3.6.1.4.1.7310.4.1.1.1.0");
    EXPECT_EQ(AGENTX_ERR_UNSUPPORTEDCONTEXT, Answer(stRequest).nError);
    EXPECT_TRUE(g_stFakeMib.vCalls.empty());
}

TEST_F(AgentXResponderTest, TestSetRefusesAsTheRelayDoes) {
    struct Case {
        const char* pszWhat;
        uint16_t nType;
        std::string strValue;
        const char* pszName;
        uint16_t nError;
    };
    std::string strLongest(AGENTX_SET_TEXT_LIMIT, 'x');
    const char* pszText = "1.3.6.1.4.1.7310.4.1.2.1.8.0";
    const Case aCases[] = {
        {"a counter", AGENTX_TYPE_COUNTER32, "", pszText, AGENTX_ERR_NOTWRITABLE},
        {"an address", AGENTX_TYPE_IPADDRESS, "abcd", pszText, AGENTX_ERR_NOTWRITABLE},
        {"bytes that are not printable", AGENTX_TYPE_OCTET_STRING, "a\tb", pszText,
         AGENTX_ERR_NOTWRITABLE},
        {"a text over 255 characters", AGENTX_TYPE_OCTET_STRING, strLongest + "x", pszText,
         AGENTX_ERR_NOTWRITABLE},
        {"a read-only object", AGENTX_TYPE_OCTET_STRING, "x", "1.3.6.1.4.1.7310.4.1.1.1.0",
         AGENTX_ERR_NOTWRITABLE},
        {"no object", AGENTX_TYPE_OCTET_STRING, "x", "1.3.6.1.4.1.7310.4.1.9.9",
         AGENTX_ERR_NOTWRITABLE},
        {"text for an integer", AGENTX_TYPE_OCTET_STRING, "20", "1.3.6.1.4.1.7310.4.1.2.1.7.0",
         AGENTX_ERR_NOTWRITABLE},
        {"the longest text", AGENTX_TYPE_OCTET_STRING, strLongest, pszText, AGENTX_ERR_NOERROR},
        {"an empty text", AGENTX_TYPE_OCTET_STRING, "", pszText, AGENTX_ERR_NOERROR},
    };
    for (const Case& stCase : aCases) {
        g_stFakeMib.vCalls.clear();
        CMasterPdu stRequest(AGENTX_TESTSET);
        stRequest.IntegerVarBind("1.3.6.1.4.1.7310.4.1.2.1.7.0", 40);
        if (stCase.nType == AGENTX_TYPE_COUNTER32) {
            stRequest.Writer().AppendUInt16(AGENTX_TYPE_COUNTER32);
            stRequest.Writer().AppendUInt16(0);
            stRequest.Writer().AppendOid(ToAgentX(Oid(stCase.pszName)));
            stRequest.Writer().AppendUInt32(5);
        } else {
            stRequest.OctetsVarBind(stCase.pszName, stCase.strValue, stCase.nType);
        }
        const AgentXPdu& stResponse = Answer(stRequest);
        EXPECT_EQ(stCase.nError, stResponse.nError) << stCase.pszWhat;
        EXPECT_EQ(stCase.nError == AGENTX_ERR_NOERROR ? 0 : 2, stResponse.nIndex) << stCase.pszWhat;
        EXPECT_TRUE(stResponse.vVarBinds.empty());
        for (const std::string& strCall : g_stFakeMib.vCalls) {
            EXPECT_NE(0u, strCall.rfind("set", 0)) << stCase.pszWhat << ": a test writes nothing";
        }
    }
    EXPECT_EQ(30, g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.4.1.2.1.7.0")].nInteger);
}

TEST_F(AgentXResponderTest, CommitWritesAndUndoRestoresInReverse) {
    CMasterPdu stTest(AGENTX_TESTSET, 1, 50);
    stTest.IntegerVarBind("1.3.6.1.4.1.7310.4.1.2.1.7.0", 55)
        .OctetsVarBind("1.3.6.1.4.1.7310.4.1.2.1.8.0", "new text")
        .IntegerVarBind("1.3.6.1.4.1.7310.4.1.2.1.7.1", 999); // refused on the write
    EXPECT_EQ(AGENTX_ERR_NOERROR, Answer(stTest).nError);
    CMasterPdu stCommit(AGENTX_COMMITSET, 2, 50);
    const AgentXPdu& stCommitted = Answer(stCommit);
    EXPECT_EQ(AGENTX_ERR_NOTWRITABLE, stCommitted.nError) << "the relay's word for it";
    EXPECT_EQ(3, stCommitted.nIndex);
    EXPECT_EQ(55, g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.4.1.2.1.7.0")].nInteger);
    EXPECT_EQ(std::string("new text\0", 9), g_stFakeMib.strLastSetBytes)
        << "a text reaches the dispatch with its terminator, as from the block";

    g_stFakeMib.vCalls.clear();
    CMasterPdu stUndo(AGENTX_UNDOSET, 3, 50);
    EXPECT_EQ(AGENTX_ERR_NOERROR, Answer(stUndo).nError);
    EXPECT_EQ((std::vector<std::string>{"set .1.3.6.1.4.1.7310.4.1.2.1.8.0",
                                        "set .1.3.6.1.4.1.7310.4.1.2.1.7.0"}),
              g_stFakeMib.vCalls);
    EXPECT_EQ(30, g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.4.1.2.1.7.0")].nInteger);
    EXPECT_EQ("line break here", g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.4.1.2.1.8.0")].strText);

    m_stWriter.Clear();
    CMasterPdu stCleanup(AGENTX_CLEANUPSET, 4, 50);
    EXPECT_TRUE(m_stResponder.Answer(stCleanup.Read(), m_stWriter));
    EXPECT_EQ(0u, m_stWriter.Size()) << "a CleanupSet has no Response";
}

TEST_F(AgentXResponderTest, ACommitWithoutItsTestWritesNothing) {
    CMasterPdu stTest(AGENTX_TESTSET, 1, 60);
    stTest.IntegerVarBind("1.3.6.1.4.1.7310.4.1.2.1.7.0", 44);
    Answer(stTest);
    m_stWriter.Clear();
    CMasterPdu stCleanup(AGENTX_CLEANUPSET, 2, 60);
    m_stResponder.Answer(stCleanup.Read(), m_stWriter);
    CMasterPdu stCommit(AGENTX_COMMITSET, 3, 60);
    EXPECT_EQ(AGENTX_ERR_NOERROR, Answer(stCommit).nError);
    CMasterPdu stOther(AGENTX_COMMITSET, 4, 61);
    EXPECT_EQ(AGENTX_ERR_NOERROR, Answer(stOther).nError);
    EXPECT_EQ(30, g_stFakeMib.mObjects[Oid("1.3.6.1.4.1.7310.4.1.2.1.7.0")].nInteger);
}

TEST_F(AgentXResponderTest, PdusThatAreNoRequestsAreLeftToTheSession) {
    CMasterPdu stResponse(AGENTX_RESPONSE);
    stResponse.Writer().AppendUInt32(0);
    stResponse.Writer().AppendUInt32(0);
    CMasterPdu stClose(AGENTX_CLOSE);
    stClose.Writer().AppendUInt32(0x01000000);
    CMasterPdu stNotify(AGENTX_NOTIFY);
    for (CMasterPdu* pPdu : {&stResponse, &stClose, &stNotify}) {
        m_stWriter.Clear();
        EXPECT_FALSE(m_stResponder.Answer(pPdu->Read(), m_stWriter));
        EXPECT_EQ(0u, m_stWriter.Size());
    }
    CMasterPdu stPing(AGENTX_PING, 9);
    const AgentXPdu& stPong = Answer(stPing);
    EXPECT_EQ(AGENTX_ERR_NOERROR, stPong.nError);
    EXPECT_EQ(9u, stPong.stHeader.nPacketID);
}

} // namespace
