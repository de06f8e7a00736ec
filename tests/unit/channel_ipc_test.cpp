// The daemon's side of the shared-memory block, on the real segment (this
// program runs in a private IPC namespace), with the test playing the relay
// and answering requests through a dispatch of its own.
#include "CGlobalsScope.h"
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "platform/snmpapi.h"

#include <gtest/gtest.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the test dispatch saw last.
struct DispatchRecord {
    int nCalls = 0;
    UINT nAction = 0;
    std::string strOID;
    BYTE nValueType = 0;
    long nNumber = 0;
    std::string strBytes; // a string value's bytes, all `length` of them
} g_stSeen;

std::string OidText(const AsnObjectIdentifier& stOid) {
    std::string strText;
    for (UINT i = 0; i < stOid.idLength; ++i) {
        strText += (i ? "." : "") + std::to_string(stOid.ids[i]);
    }
    return strText;
}

void AnswerString(RFC1157VarBind* pBinding, const char* pBytes, UINT nLen) {
    BYTE* pCopy = static_cast<BYTE*>(SnmpUtilMemAlloc(nLen));
    memcpy(pCopy, pBytes, nLen);
    pBinding->value.asnType = ASN_OCTETSTRING;
    pBinding->value.asnValue.string = {pCopy, nLen, 1};
}

// A fixed table below 1.3.6.1.4.1.7310.1: member 1 is an integer, 2 a
// string, 3 a string with a NUL inside, 4 a value of another type, 5 a string
// too long for the block, 6 a negative integer. Sets succeed on member 1 only.
UINT TableDispatch(RFC1157VarBind* pBinding, UINT nAction) {
    ++g_stSeen.nCalls;
    g_stSeen.nAction = nAction;
    g_stSeen.strOID = OidText(pBinding->name);
    g_stSeen.nValueType = pBinding->value.asnType;
    if (pBinding->value.asnType == ASN_INTEGER) {
        g_stSeen.nNumber = pBinding->value.asnValue.number;
    }
    if (pBinding->value.asnType == ASN_OCTETSTRING) {
        const AsnOctetString& stString = pBinding->value.asnValue.string;
        g_stSeen.strBytes.assign(reinterpret_cast<char*>(stString.stream), stString.length);
    }
    if (nAction == SNMP_ACTION_SET) {
        return g_stSeen.strOID == "1.3.6.1.4.1.7310.1.1.0" ? SNMP_STATUS_NOERROR
                                                           : SNMP_STATUS_NOSUCHNAME;
    }
    if (nAction == SNMP_ACTION_GETNEXT) {
        return SNMP_STATUS_NOSUCHNAME; // past the last object
    }
    static const std::string strLong(1000, 'L');
    const std::string& strOID = g_stSeen.strOID;
    if (strOID == "1.3.6.1.4.1.7310.1.1.0") {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = 42;
    } else if (strOID == "1.3.6.1.4.1.7310.1.2.0") {
        AnswerString(pBinding, "hello", 5);
    } else if (strOID == "1.3.6.1.4.1.7310.1.3.0") {
        AnswerString(pBinding, "ab\0cd", 5);
    } else if (strOID == "1.3.6.1.4.1.7310.1.4.0") {
        pBinding->value.asnType = 0x40;
    } else if (strOID == "1.3.6.1.4.1.7310.1.5.0") {
        AnswerString(pBinding, strLong.c_str(), static_cast<UINT>(strLong.size()));
    } else if (strOID == "1.3.6.1.4.1.7310.1.6.0") {
        pBinding->value.asnType = ASN_INTEGER;
        pBinding->value.asnValue.number = -7;
    } else {
        return SNMP_STATUS_NOSUCHNAME;
    }
    return SNMP_STATUS_NOERROR;
}

class ChannelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_stSeen = DispatchRecord();
        m_globals.SetAgentReady(true);
        m_pBlock = AttachSharedBlock();
        ASSERT_NE(nullptr, m_pBlock);
        m_pBinding = AllocateRequestBinding();
    }

    void TearDown() override {
        ReleaseSharedBlock();
        SnmpUtilMemFree(m_pBinding->name.ids);
        SnmpUtilMemFree(m_pBinding);
    }

    // Writes NUL-separated words like the relay and marks the block ready.
    void PostRequest(const std::vector<std::string>& vWords) {
        memset(m_pBlock->buffer, 0, sizeof(m_pBlock->buffer));
        size_t nOffset = 0;
        for (const std::string& strWord : vWords) {
            memcpy(m_pBlock->buffer + nOffset, strWord.c_str(), strWord.size() + 1);
            nOffset += strWord.size() + 1;
        }
        StoreBlockState(m_pBlock, ZUND_STATE_REQUEST);
    }

    // Serves the posted request and returns the answer text.
    std::string Serve(const std::vector<std::string>& vWords) {
        PostRequest(vWords);
        EXPECT_TRUE(ServeOneRequest(m_pBlock, m_pBinding, TableDispatch));
        EXPECT_EQ(static_cast<uint32_t>(ZUND_STATE_ANSWER), LoadBlockState(m_pBlock));
        return std::string(m_pBlock->buffer);
    }

    SHARED_DATA* m_pBlock = nullptr;
    RFC1157VarBind* m_pBinding = nullptr;
    CGlobalsScope m_globals;
};

TEST_F(ChannelTest, SegmentHasTheAgreedKeySizeAndPermissionsAndStartsIdle) {
    int iID = shmget(ZUND_SHM_KEY, 0, 0);
    ASSERT_GE(iID, 0);
    shmid_ds stInfo;
    ASSERT_EQ(0, shmctl(iID, IPC_STAT, &stInfo));
    EXPECT_EQ(ZUND_SHM_SIZE, stInfo.shm_segsz);
    EXPECT_EQ(0600, stInfo.shm_perm.mode & 0777);
    EXPECT_EQ(static_cast<uint32_t>(ZUND_STATE_IDLE), LoadBlockState(m_pBlock));
}

TEST_F(ChannelTest, ReleasingRemovesTheSegment) {
    ReleaseSharedBlock();
    EXPECT_LT(shmget(ZUND_SHM_KEY, 0, 0), 0);
    m_pBlock = AttachSharedBlock(); // for TearDown
}

TEST_F(ChannelTest, IntegerAndStringAnswersByteForByte) {
    EXPECT_EQ(".1.3.6.1.4.1.7310.1.1.0\ninteger\n42\n", Serve({"-g", "1.3.6.1.4.1.7310.1.1.0"}));
    EXPECT_EQ(1u, m_pBlock->numItems);
    EXPECT_EQ(static_cast<UINT>(SNMP_ACTION_GET), g_stSeen.nAction);

    EXPECT_EQ(".1.3.6.1.4.1.7310.1.2.0\nstring\nhello\n", Serve({"-g", ".1.3.6.1.4.1.7310.1.2.0"}));
    EXPECT_EQ(1u, m_pBlock->numItems);

    EXPECT_EQ(".1.3.6.1.4.1.7310.1.6.0\ninteger\n-7\n", Serve({"-g", "1.3.6.1.4.1.7310.1.6.0"}));
}

TEST_F(ChannelTest, StringEndsAtAnEmbeddedNul) {
    EXPECT_EQ(".1.3.6.1.4.1.7310.1.3.0\nstring\nab\n", Serve({"-g", "1.3.6.1.4.1.7310.1.3.0"}));
}

TEST_F(ChannelTest, DoubledAndLeadingPointsAreSkipped) {
    Serve({"-g", "..1.3.6.1..4.1.7310.1.1.0."});
    EXPECT_EQ("1.3.6.1.4.1.7310.1.1.0", g_stSeen.strOID);
}

TEST_F(ChannelTest, FailedGetNextAndUnanswerableValuesAnswerNoItem) {
    Serve({"-n", "1.3.6.1.4.1.7310.9"});
    EXPECT_EQ(static_cast<UINT>(SNMP_ACTION_GETNEXT), g_stSeen.nAction);
    EXPECT_EQ(0u, m_pBlock->numItems);

    Serve({"-g", "1.3.6.1.4.1.7310.1.4.0"}); // a value of another type
    EXPECT_EQ(0u, m_pBlock->numItems);

    Serve({"-g", "1.3.6.1.4.1.7310.1.5.0"}); // longer than the text area
    EXPECT_EQ(0u, m_pBlock->numItems);

    EXPECT_EQ(".1.3.6.1.4.1.7310.1.1.0\ninteger\n42\n", Serve({"-g", "1.3.6.1.4.1.7310.1.1.0"}));
}

TEST_F(ChannelTest, SuccessfulSetAnswersNoItemAndLeavesTheRequestWords) {
    PostRequest({"-s", "1.3.6.1.4.1.7310.1.1.0", "integer", "-17"});
    std::string strBefore(m_pBlock->buffer, sizeof(m_pBlock->buffer));
    ASSERT_TRUE(ServeOneRequest(m_pBlock, m_pBinding, TableDispatch));
    EXPECT_EQ(0u, m_pBlock->numItems);
    EXPECT_EQ(strBefore, std::string(m_pBlock->buffer, sizeof(m_pBlock->buffer)));
    EXPECT_EQ(static_cast<UINT>(SNMP_ACTION_SET), g_stSeen.nAction);
    EXPECT_EQ(ASN_INTEGER, g_stSeen.nValueType);
    EXPECT_EQ(-17, g_stSeen.nNumber);
}

TEST_F(ChannelTest, StringSetCarriesTheTextWithItsTerminator) {
    Serve({"-s", "1.3.6.1.4.1.7310.1.1.0", "string", "new name"});
    EXPECT_EQ(ASN_OCTETSTRING, g_stSeen.nValueType);
    EXPECT_EQ(std::string("new name\0", 9), g_stSeen.strBytes);
    EXPECT_EQ(0u, m_pBlock->numItems);
}

TEST_F(ChannelTest, RefusedSetsAnswerNotWritable) {
    EXPECT_EQ("not-writable", Serve({"-s", "1.3.6.1.4.1.7310.1.2.0", "integer", "5"}));
    EXPECT_EQ(1u, m_pBlock->numItems);

    int nCalls = g_stSeen.nCalls;
    EXPECT_EQ("not-writable", Serve({"-s", "1.3.6.1.4.1.7310.1.1.0", "octet", "00 01"}));
    EXPECT_EQ(1u, m_pBlock->numItems);
    EXPECT_EQ(nCalls, g_stSeen.nCalls) << "a type other than string or integer is not dispatched";
}

TEST_F(ChannelTest, UnknownMethodAnswersNoItemWithoutDispatch) {
    Serve({"-x", "1.3.6.1.4.1.7310.1.1.0"});
    EXPECT_EQ(0u, m_pBlock->numItems);
    EXPECT_EQ(0, g_stSeen.nCalls);
}

TEST_F(ChannelTest, NotReadyAnswersNoItemWithoutDispatch) {
    m_globals.SetAgentReady(false);
    Serve({"-g", "1.3.6.1.4.1.7310.1.1.0"});
    EXPECT_EQ(0u, m_pBlock->numItems);
    EXPECT_EQ(0, g_stSeen.nCalls);
}

TEST_F(ChannelTest, StatesOtherThanRequestAreNeverTouched) {
    for (uint32_t nState : {0u, 2u, 3u, 7u, 0xFFFFFFFFu}) {
        PostRequest({"-g", "1.3.6.1.4.1.7310.1.1.0"});
        StoreBlockState(m_pBlock, nState);
        m_pBlock->numItems = 77;
        EXPECT_FALSE(ServeOneRequest(m_pBlock, m_pBinding, TableDispatch));
        EXPECT_EQ(nState, LoadBlockState(m_pBlock));
        EXPECT_EQ(77u, m_pBlock->numItems);
        EXPECT_STREQ("-g", m_pBlock->buffer);
    }
    EXPECT_EQ(0, g_stSeen.nCalls);
}

std::string OidOfLength(int nIds) {
    std::string strOID = "1.3.6.1.4.1.7310";
    for (int i = 7; i < nIds; ++i) {
        strOID += ".1";
    }
    return strOID;
}

TEST_F(ChannelTest, OidWordsBeyondFiftySubIdentifiersAreRefused) {
    Serve({"-g", OidOfLength(50)});
    EXPECT_EQ(1, g_stSeen.nCalls);
    EXPECT_EQ(OidOfLength(50), g_stSeen.strOID);

    Serve({"-g", OidOfLength(51)});
    EXPECT_EQ(1, g_stSeen.nCalls);
    EXPECT_EQ(0u, m_pBlock->numItems);

    EXPECT_EQ("not-writable", Serve({"-s", OidOfLength(51), "integer", "1"}));
    EXPECT_EQ(1, g_stSeen.nCalls);
}

TEST_F(ChannelTest, SetWordsThatDoNotFitTheirBuffersAreRefused) {
    const std::string strOID = "1.3.6.1.4.1.7310.1.1.0";
    EXPECT_EQ("not-writable", Serve({"-s", strOID, std::string(64, 't'), "1"}));
    EXPECT_EQ("not-writable", Serve({"-s", strOID, "string", std::string(256, 'v')}));
    EXPECT_EQ(0, g_stSeen.nCalls);

    Serve({"-s", strOID, "string", std::string(255, 'v')});
    EXPECT_EQ(0u, m_pBlock->numItems);
    EXPECT_EQ(256u, g_stSeen.strBytes.size());
}

TEST_F(ChannelTest, WordsNotTerminatedInsideTheBlockAreRefused) {
    memset(m_pBlock->buffer, 'x', sizeof(m_pBlock->buffer));
    StoreBlockState(m_pBlock, ZUND_STATE_REQUEST);
    ASSERT_TRUE(ServeOneRequest(m_pBlock, m_pBinding, TableDispatch));
    EXPECT_EQ(0u, m_pBlock->numItems);

    // A set whose value runs to the end of the block.
    memset(m_pBlock->buffer, 'x', sizeof(m_pBlock->buffer));
    memcpy(m_pBlock->buffer, "-s\0001.3.6.1.4.1.7310.1.1.0\0string", 32);
    StoreBlockState(m_pBlock, ZUND_STATE_REQUEST);
    ASSERT_TRUE(ServeOneRequest(m_pBlock, m_pBinding, TableDispatch));
    EXPECT_STREQ("not-writable", m_pBlock->buffer);
    EXPECT_EQ(0, g_stSeen.nCalls);

    EXPECT_EQ(".1.3.6.1.4.1.7310.1.1.0\ninteger\n42\n", Serve({"-g", "1.3.6.1.4.1.7310.1.1.0"}));
}

TEST_F(ChannelTest, PollingLoopServesUntilAStopIsRequested) {
    m_globals.SetStopRequested(false);
    std::thread stServer(RunChannelLoop, m_pBlock, m_pBinding, TableDispatch, nullptr);
    PostRequest({"-g", "1.3.6.1.4.1.7310.1.1.0"});
    while (LoadBlockState(m_pBlock) != ZUND_STATE_ANSWER) {
        std::this_thread::yield();
    }
    EXPECT_EQ(".1.3.6.1.4.1.7310.1.1.0\ninteger\n42\n", std::string(m_pBlock->buffer));
    m_globals.SetStopRequested(true);
    stServer.join();
}

TEST(ChannelWords, MethodWordsMapToTheirActionCodes) {
    EXPECT_EQ(SNMP_ACTION_GET, MethodToAction("-g"));
    EXPECT_EQ(SNMP_ACTION_GETNEXT, MethodToAction("-n"));
    EXPECT_EQ(SNMP_ACTION_SET, MethodToAction("-s"));
    EXPECT_EQ(SNMP_ACTION_UNKNOWN, MethodToAction("-G"));
    EXPECT_EQ(SNMP_ACTION_UNKNOWN, MethodToAction(""));
}

} // namespace
