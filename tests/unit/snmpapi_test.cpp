// OID text parsing and printing, and the binding operations that work in the
// owner's fixed buffers.
#include "platform/RAIDMemAlloc.h"
#include "platform/snmpapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// An identifier with a buffer of its own, as the agent's owners keep them.
struct OwnedOid {
    UINT aIds[MAX_OID_TEXT_COMPONENTS] = {};
    AsnObjectIdentifier stOid = {0, aIds};

    std::vector<UINT> Ids() const { return std::vector<UINT>(aIds, aIds + stOid.idLength); }
};

std::string Printed(const AsnObjectIdentifier& stOid) {
    char szText[MAX_OID_TEXT_COMPONENTS * 12 + 2];
    int nLen = PrintOid(szText, stOid);
    EXPECT_EQ(static_cast<size_t>(nLen), strlen(szText));
    return szText;
}

TEST(OidText, ParsesDottedDecimalSkippingEmptyComponents) {
    OwnedOid stEnterprise;
    EXPECT_EQ(1, SnmpUtilAToOid("1.3.6.1.4.1.7310", &stEnterprise.stOid));
    EXPECT_EQ((std::vector<UINT>{1, 3, 6, 1, 4, 1, 7310}), stEnterprise.Ids());

    OwnedOid stDotty;
    SnmpUtilAToOid(".1.3..6.", &stDotty.stOid);
    EXPECT_EQ((std::vector<UINT>{1, 3, 6}), stDotty.Ids());
}

TEST(OidText, EmptyTextGivesNoComponentsAndLeavesTheBuffer) {
    OwnedOid stOid;
    stOid.aIds[0] = 99;
    stOid.stOid.idLength = 1;
    SnmpUtilAToOid("", &stOid.stOid);
    EXPECT_EQ(0u, stOid.stOid.idLength);
    EXPECT_EQ(99u, stOid.aIds[0]);
    SnmpUtilAToOid("...", &stOid.stOid);
    EXPECT_EQ(0u, stOid.stOid.idLength);
}

TEST(OidText, ComponentsConvertLikeStrtol) {
    OwnedOid stOid;
    SnmpUtilAToOid("12ab.-1. 7.+8.x", &stOid.stOid);
    EXPECT_EQ((std::vector<UINT>{12, 4294967295u, 7, 8, 0}), stOid.Ids());
}

TEST(OidText, CollectsAtMostTheLocalLimit) {
    std::string strLong;
    for (int i = 0; i < MAX_OID_TEXT_COMPONENTS + 10; ++i) {
        strLong += std::to_string(i) + ".";
    }
    EXPECT_EQ(MAX_OID_TEXT_COMPONENTS + 10, CountOidComponents(strLong.c_str()));
    OwnedOid stOid;
    SnmpUtilAToOid(strLong.c_str(), &stOid.stOid);
    EXPECT_EQ(static_cast<UINT>(MAX_OID_TEXT_COMPONENTS), stOid.stOid.idLength);
    EXPECT_EQ(static_cast<UINT>(MAX_OID_TEXT_COMPONENTS - 1),
              stOid.aIds[MAX_OID_TEXT_COMPONENTS - 1]);
}

TEST(OidText, BoundedParseRefusesWhatDoesNotFit) {
    UINT aSmall[3] = {7, 7, 7};
    AsnObjectIdentifier stSmall = {0, aSmall};
    EXPECT_EQ(0, ParseOidBounded("1.2.3.4", &stSmall, 3));
    EXPECT_EQ(0u, stSmall.idLength);
    EXPECT_EQ(7u, aSmall[0]);
    EXPECT_EQ(1, ParseOidBounded("1.2.3", &stSmall, 3));
    EXPECT_EQ(3u, stSmall.idLength);
}

TEST(OidText, PrintsLeadingPointsSignedDecimalsAndNewline) {
    OwnedOid stOid;
    SnmpUtilAToOid("1.3.6", &stOid.stOid);
    EXPECT_EQ(".1.3.6\n", Printed(stOid.stOid));

    stOid.stOid.idLength = 0;
    EXPECT_EQ("\n", Printed(stOid.stOid));

    SnmpUtilAToOid("1.2147483648.4294967295", &stOid.stOid);
    EXPECT_EQ(".1.-2147483648.-1\n", Printed(stOid.stOid));
}

TEST(OidText, BoundedPrintRefusesASmallBuffer) {
    OwnedOid stOid;
    SnmpUtilAToOid("1.3.6", &stOid.stOid);
    char szText[8];
    EXPECT_EQ(7, PrintOidBounded(szText, sizeof(szText), stOid.stOid));
    EXPECT_STREQ(".1.3.6\n", szText);
    EXPECT_EQ(-1, PrintOidBounded(szText, 7, stOid.stOid));
    EXPECT_STREQ("", szText);
}

TEST(OidBuffers, CopyThenAppendConcatenatesInTheOwnersBuffer) {
    OwnedOid stPrefix;
    OwnedOid stEntry;
    OwnedOid stName;
    SnmpUtilAToOid("1.3.6.1.4.1.7310.4.1", &stPrefix.stOid);
    SnmpUtilAToOid("3.1", &stEntry.stOid);
    SnmpUtilAToOid("9.9.9.9.9.9.9.9.9.9.9.9", &stName.stOid);

    UINT* pOwnBuffer = stName.stOid.ids;
    SnmpUtilOidFree(&stName.stOid);
    EXPECT_EQ(pOwnBuffer, stName.stOid.ids);
    SnmpUtilOidCpy(&stName.stOid, &stPrefix.stOid);
    SnmpUtilOidAppend(&stName.stOid, &stEntry.stOid);
    EXPECT_EQ((std::vector<UINT>{1, 3, 6, 1, 4, 1, 7310, 4, 1, 3, 1}), stName.Ids());
    EXPECT_EQ(pOwnBuffer, stName.stOid.ids);
}

TEST(OidBuffers, CopyIntoADestinationWithoutBufferEndsTheProcess) {
    OwnedOid stSource;
    SnmpUtilAToOid("1.3", &stSource.stOid);
    AsnObjectIdentifier stNoBuffer = {0, nullptr};
    EXPECT_EXIT(SnmpUtilOidCpy(&stNoBuffer, &stSource.stOid), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(SnmpUtilAToOid("1.3", &stNoBuffer), ::testing::ExitedWithCode(0), "");
}

TEST(Allocation, BlocksAreZeroFilledAndNullIsIgnored) {
    unsigned char* pBlock = static_cast<unsigned char*>(RAIDAgentMemAlloc(64));
    ASSERT_NE(nullptr, pBlock);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(0, pBlock[i]);
    }
    RAIDAgentMemFree(pBlock);
    RAIDAgentMemFree(nullptr);
    void* pEmpty = SnmpUtilMemAlloc(0);
    EXPECT_NE(nullptr, pEmpty);
    SnmpUtilMemFree(pEmpty);
}

} // namespace
