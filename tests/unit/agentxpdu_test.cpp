// The AgentX reader and writer: headers in both byte orders, identifiers in
// their short and full forms, every value type of a TestSet, and the refusal
// of everything that does not hold what it claims.
#include "agentxtestutil.h"

FakeMib g_stFakeMib;

namespace {

// A header by hand: little-endian unless bNetwork.
std::vector<uint8_t> Header(uint8_t nType, uint8_t nFlags, uint32_t nPayload, bool bNetwork) {
    std::vector<uint8_t> vBytes = {1, nType, static_cast<uint8_t>(nFlags | (bNetwork ? 0x10 : 0)),
                                   0};
    uint32_t aFields[] = {0x01020304, 0x05060708, 0x090a0b0c, nPayload};
    for (uint32_t nField : aFields) {
        for (int i = 0; i < 4; ++i) {
            int nShift = bNetwork ? 24 - 8 * i : 8 * i;
            vBytes.push_back(static_cast<uint8_t>(nField >> nShift));
        }
    }
    return vBytes;
}

void AppendLittle32(std::vector<uint8_t>& vBytes, uint32_t nValue) {
    for (int i = 0; i < 4; ++i) {
        vBytes.push_back(static_cast<uint8_t>(nValue >> (8 * i)));
    }
}

} // namespace

TEST(AgentXHeaderTest, BothByteOrdersReadTheSameFields) {
    for (bool bNetwork : {false, true}) {
        std::vector<uint8_t> vBytes = Header(AGENTX_GETNEXT, 0, 40, bNetwork);
        AgentXHeader stHeader;
        ASSERT_TRUE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader));
        EXPECT_EQ(AGENTX_GETNEXT, stHeader.nType);
        EXPECT_EQ(0x01020304u, stHeader.nSessionID);
        EXPECT_EQ(0x05060708u, stHeader.nTransactionID);
        EXPECT_EQ(0x090a0b0cu, stHeader.nPacketID);
        EXPECT_EQ(40u, stHeader.nPayloadLength);
    }
}

TEST(AgentXHeaderTest, HeadersTheStreamCannotFollowAreRefused) {
    AgentXHeader stHeader;
    std::vector<uint8_t> vBytes = Header(AGENTX_GET, 0, 8, true);
    EXPECT_FALSE(ReadAgentXHeader(vBytes.data(), AGENTX_HEADER_SIZE - 1, stHeader)) << "short";
    vBytes[0] = 2;
    EXPECT_FALSE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader)) << "version 2";
    vBytes = Header(AGENTX_GET, 0, 6, true);
    EXPECT_FALSE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader)) << "unaligned";
    vBytes = Header(AGENTX_GET, 0, AGENTX_MAX_PAYLOAD + 4, true);
    EXPECT_FALSE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader)) << "oversized";
    vBytes = Header(AGENTX_GET, 0, AGENTX_MAX_PAYLOAD, true);
    EXPECT_TRUE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader)) << "largest";
}

TEST(AgentXPduTest, LittleEndianGetNextWithShortAndFullIdentifiers) {
    // Start 1.3.6.1.4.1.7310 in the short form (prefix 4) with include set,
    // end 1.3.6.1.4.1.7311 in the full form.
    std::vector<uint8_t> vPayload = {2, 4, 1, 0};
    AppendLittle32(vPayload, 1);
    AppendLittle32(vPayload, 7310);
    vPayload.insert(vPayload.end(), {7, 0, 0, 0});
    for (uint32_t nId : {1u, 3u, 6u, 1u, 4u, 1u, 7311u}) {
        AppendLittle32(vPayload, nId);
    }
    std::vector<uint8_t> vBytes =
        Header(AGENTX_GETNEXT, 0, static_cast<uint32_t>(vPayload.size()), false);
    vBytes.insert(vBytes.end(), vPayload.begin(), vPayload.end());
    AgentXHeader stHeader;
    ASSERT_TRUE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader));
    AgentXPdu stPdu;
    ASSERT_TRUE(ReadAgentXPdu(stHeader, vBytes.data() + AGENTX_HEADER_SIZE, stPdu));
    ASSERT_EQ(1u, stPdu.vRanges.size());
    EXPECT_EQ(Oid("1.3.6.1.4.1.7310"), FromAgentX(stPdu.vRanges[0].stStart));
    EXPECT_TRUE(stPdu.vRanges[0].stStart.bInclude);
    EXPECT_EQ(Oid("1.3.6.1.4.1.7311"), FromAgentX(stPdu.vRanges[0].stEnd));
}

TEST(AgentXPduTest, ContextGetBulkAndTestSetFields) {
    CMasterPdu stBulk(AGENTX_GETBULK, 7, 3, AGENTX_FLAG_NON_DEFAULT_CONTEXT);
    stBulk.Writer().AppendOctets(reinterpret_cast<const uint8_t*>("ctx"), 3);
    stBulk.Writer().AppendUInt16(1);
    stBulk.Writer().AppendUInt16(25);
    stBulk.Range("1.3.6.1.2.1").Range("1.3.6.1.4.1.7310", true, "1.3.6.1.4.1.7311");
    const AgentXPdu& stPdu = stBulk.Read();
    EXPECT_TRUE(stPdu.bNonDefaultContext);
    EXPECT_EQ(1, stPdu.nNonRepeaters);
    EXPECT_EQ(25, stPdu.nMaxRepetitions);
    ASSERT_EQ(2u, stPdu.vRanges.size());
    EXPECT_EQ(0u, stPdu.vRanges[0].stEnd.nLength);

    CMasterPdu stSet(AGENTX_TESTSET);
    stSet.IntegerVarBind("1.3.6.1.4.1.7310.1.1.0", -5)
        .OctetsVarBind("1.3.6.1.4.1.7310.1.2.0", "abcde")
        .OctetsVarBind("1.3.6.1.4.1.7310.1.3.0", "", AGENTX_TYPE_OPAQUE);
    CAgentXWriter& stWriter = stSet.Writer();
    for (uint16_t nType :
         {AGENTX_TYPE_COUNTER32, AGENTX_TYPE_COUNTER64, AGENTX_TYPE_OBJECT_ID, AGENTX_TYPE_NULL}) {
        stWriter.AppendUInt16(nType);
        stWriter.AppendUInt16(0);
        stWriter.AppendOid(ToAgentX(Oid("1.3.6.1.4.1.7310.1.9.0")));
        if (nType == AGENTX_TYPE_COUNTER32) {
            stWriter.AppendUInt32(9);
        } else if (nType == AGENTX_TYPE_COUNTER64) {
            stWriter.AppendUInt32(0);
            stWriter.AppendUInt32(9);
        } else if (nType == AGENTX_TYPE_OBJECT_ID) {
            stWriter.AppendOid(ToAgentX(Oid("1.3.6.1")));
        }
    }
    const AgentXPdu& stTest = stSet.Read();
    ASSERT_EQ(7u, stTest.vVarBinds.size());
    EXPECT_EQ(-5, stTest.vVarBinds[0].nInteger);
    EXPECT_EQ("abcde", std::string(reinterpret_cast<const char*>(stTest.vVarBinds[1].pOctets),
                                   stTest.vVarBinds[1].nOctets));
    EXPECT_EQ(AGENTX_TYPE_OPAQUE, stTest.vVarBinds[2].nType);
    EXPECT_EQ(AGENTX_TYPE_NULL, stTest.vVarBinds[6].nType);
}

TEST(AgentXPduTest, PayloadsThatDoNotHoldWhatTheyClaimAreParseErrors) {
    AgentXPdu stPdu;
    auto ReadPayload = [&stPdu](uint8_t nType, const std::vector<uint8_t>& vPayload) {
        std::vector<uint8_t> vBytes =
            Header(nType, 0, static_cast<uint32_t>(vPayload.size()), true);
        vBytes.insert(vBytes.end(), vPayload.begin(), vPayload.end());
        AgentXHeader stHeader;
        EXPECT_TRUE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader));
        return ReadAgentXPdu(stHeader, vBytes.data() + AGENTX_HEADER_SIZE, stPdu);
    };
    // An identifier of 3 sub-identifiers with only 2 there.
    EXPECT_FALSE(ReadPayload(AGENTX_GET, {3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2}));
    // 129 sub-identifiers, and 124 behind the 1.3.6.1.N prefix: too long.
    std::vector<uint8_t> vLong = {129, 0, 0, 0};
    vLong.resize(4 + 129 * 4, 0);
    EXPECT_FALSE(ReadPayload(AGENTX_GET, vLong));
    std::vector<uint8_t> vPrefixed = {124, 4, 0, 0};
    vPrefixed.resize(4 + 124 * 4, 0);
    EXPECT_FALSE(ReadPayload(AGENTX_GET, vPrefixed));
    vPrefixed[0] = 123;
    vPrefixed.resize(4 + 123 * 4);
    vPrefixed.insert(vPrefixed.end(), {0, 0, 0, 0}); // the empty end
    EXPECT_TRUE(ReadPayload(AGENTX_GET, vPrefixed)) << "128 sub-identifiers in all";
    EXPECT_EQ(128u, stPdu.vRanges[0].stStart.nLength);
    // A start without its end.
    EXPECT_FALSE(ReadPayload(AGENTX_GETNEXT, {0, 0, 0, 0}));
    // A text longer than the payload, and a value type of unknown size.
    EXPECT_FALSE(ReadPayload(AGENTX_TESTSET, {0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 'a', 'b', 0, 0}));
    EXPECT_FALSE(ReadPayload(AGENTX_TESTSET, {0, 99, 0, 0, 0, 0, 0, 0}));
    // A context flag without its context.
    std::vector<uint8_t> vBytes = Header(AGENTX_GET, AGENTX_FLAG_NON_DEFAULT_CONTEXT, 0, true);
    AgentXHeader stHeader;
    ASSERT_TRUE(ReadAgentXHeader(vBytes.data(), vBytes.size(), stHeader));
    EXPECT_FALSE(ReadAgentXPdu(stHeader, vBytes.data() + AGENTX_HEADER_SIZE, stPdu));
    // Types that carry nothing read as empty.
    EXPECT_TRUE(ReadPayload(AGENTX_COMMITSET, {}));
    EXPECT_TRUE(ReadPayload(99, {1, 2, 3, 4}));
}

TEST(AgentXWriterTest, OpenRegisterPingAndResponseReadBack) {
    CAgentXWriter stWriter;
    stWriter.WriteOpen(1, 0, "agent");
    uint32_t aPrefix[] = {1, 3, 6, 1, 4, 1, 7310, 4, 1};
    stWriter.WriteRegister(77, 2, 0, 127, aPrefix, 9);
    stWriter.WritePing(77, 3);
    AgentXHeader stRequest;
    stRequest.nSessionID = 77;
    stRequest.nTransactionID = 5;
    stRequest.nPacketID = 6;
    stWriter.BeginResponse(stRequest, AGENTX_ERR_NOTWRITABLE, 2);
    stWriter.AppendIntegerVarBind(aPrefix, 9, -1);
    stWriter.AppendOctetsVarBind(aPrefix, 9, reinterpret_cast<const uint8_t*>("hello"), 5);
    stWriter.AppendExceptionVarBind(ToAgentX(Oid("1.2")), AGENTX_TYPE_ENDOFMIBVIEW);
    stWriter.EndPdu();

    const std::vector<uint8_t>& vBytes = stWriter.Bytes();
    // Open: header, timeout and padding, the empty identifier, "agent" padded to 8.
    EXPECT_EQ(0x10, vBytes[2] & 0x10) << "network byte order";
    EXPECT_EQ(20u + 4 + 4 + 4 + 8, static_cast<size_t>(vBytes[19]) + 20);
    // Register: the prefix in its short form (prefix 4, 4 sub-identifiers).
    size_t nRegister = 40;
    EXPECT_EQ(AGENTX_REGISTER, vBytes[nRegister + 1]);
    EXPECT_EQ(127, vBytes[nRegister + 21]);
    EXPECT_EQ(4, vBytes[nRegister + 24]) << "n_subid";
    EXPECT_EQ(4, vBytes[nRegister + 25]) << "prefix";

    std::vector<AgentXPdu> vPdus = ReadAllPdus(vBytes);
    ASSERT_EQ(4u, vPdus.size());
    EXPECT_EQ(AGENTX_PING, vPdus[2].stHeader.nType);
    EXPECT_EQ(77u, vPdus[2].stHeader.nSessionID);
    const AgentXPdu& stResponse = vPdus[3];
    EXPECT_EQ(AGENTX_RESPONSE, stResponse.stHeader.nType);
    EXPECT_EQ(5u, stResponse.stHeader.nTransactionID);
    EXPECT_EQ(6u, stResponse.stHeader.nPacketID);
    EXPECT_EQ(AGENTX_ERR_NOTWRITABLE, stResponse.nError);
    EXPECT_EQ(2, stResponse.nIndex);
    ASSERT_EQ(3u, stResponse.vVarBinds.size());
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1 = INTEGER: -1", VarBindText(stResponse.vVarBinds[0]));
    EXPECT_EQ(".1.3.6.1.4.1.7310.4.1 = STRING: hello", VarBindText(stResponse.vVarBinds[1]));
    EXPECT_EQ(".1.2 = endOfMibView", VarBindText(stResponse.vVarBinds[2]));
}

TEST(AgentXWriterTest, IdentifiersKeepTheFullFormWhereTheShortOneDoesNotApply) {
    for (const char* pszOid : {"1.3.6.1", "1.3.6.1.0.5", "1.3.6.1.256.1", "1.3.6.2.4.1", ""}) {
        CAgentXWriter stWriter;
        stWriter.BeginPdu(AGENTX_GET, 0, 0, 0, 0);
        stWriter.AppendOid(ToAgentX(Oid(pszOid)));
        stWriter.AppendOid(ToAgentX(Oid("")));
        stWriter.EndPdu();
        EXPECT_EQ(0, stWriter.Bytes()[AGENTX_HEADER_SIZE + 1]) << pszOid;
        std::vector<AgentXPdu> vPdus = ReadAllPdus(stWriter.Bytes());
        ASSERT_EQ(1u, vPdus.size());
        EXPECT_EQ(Oid(pszOid), FromAgentX(vPdus[0].vRanges[0].stStart)) << pszOid;
    }
}

TEST(AgentXOidTest, OrderAndSubtrees) {
    AgentXOid stShort = ToAgentX(Oid("1.3.6"));
    AgentXOid stLong = ToAgentX(Oid("1.3.6.1"));
    AgentXOid stOther = ToAgentX(Oid("1.3.7"));
    AgentXOid stHigh = ToAgentX(Oid("1.3.4294967295"));
    EXPECT_LT(CompareAgentXOid(stShort, stLong), 0);
    EXPECT_GT(CompareAgentXOid(stOther, stLong), 0);
    EXPECT_EQ(0, CompareAgentXOid(stLong, stLong));
    EXPECT_GT(CompareAgentXOid(stHigh, stOther), 0) << "sub-identifiers compare unsigned";
    EXPECT_TRUE(IsAgentXOidUnder(stLong, stShort));
    EXPECT_TRUE(IsAgentXOidUnder(stShort, stShort));
    EXPECT_FALSE(IsAgentXOidUnder(stShort, stLong));
    EXPECT_FALSE(IsAgentXOidUnder(stOther, stShort));
}
