// The binding's OID as the dispatch and the engine format it: signed
// decimal sub-identifiers each followed by ".", refused when the text and its
// terminator do not fit.
#include "dispatch/Zundsnmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Format(std::vector<UINT> vIds, size_t nSize, bool& bFits) {
    AsnObjectIdentifier stName = {static_cast<UINT>(vIds.size()), vIds.data()};
    std::vector<char> vText(nSize + 1, 'x');
    bFits = FormatBindingOid(stName, vText.data(), nSize);
    EXPECT_EQ('x', vText[nSize]) << "nothing written past the buffer";
    return vText.data();
}

TEST(FormatBindingOidTest, SignedDecimalsWithTrailingPoints) {
    bool bFits = false;
    EXPECT_EQ("1.3.6.1.4.1.7310.0.", Format({1, 3, 6, 1, 4, 1, 7310, 0}, 50, bFits));
    EXPECT_TRUE(bFits);
    EXPECT_EQ("2147483647.-2147483648.-1.",
              Format({2147483647u, 2147483648u, 4294967295u}, 50, bFits));
    EXPECT_TRUE(bFits);
    EXPECT_EQ("", Format({}, 50, bFits));
    EXPECT_TRUE(bFits);
}

TEST(FormatBindingOidTest, TextsThatDoNotFitAreRefusedEmpty) {
    bool bFits = true;
    EXPECT_EQ("12.34.", Format({12, 34}, 7, bFits)) << "six characters and the terminator";
    EXPECT_TRUE(bFits);
    EXPECT_EQ("", Format({12, 34}, 6, bFits));
    EXPECT_FALSE(bFits);
    EXPECT_EQ("", Format({123456}, 3, bFits));
    EXPECT_FALSE(bFits);
}

} // namespace
