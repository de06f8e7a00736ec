// The check report: the bound on each section's messages with its final line,
// and the report that keeps only what exceeds a capacity.
#include "MibCheck.h"
#include "storetestutil.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using ::testing::Not;

class MibCheckTest : public StoreTest {
  protected:
    // What a report printed, after fill() ran on it.
    template <typename Fill> std::string printed(bool bCapacitiesOnly, Fill fill, int& nCount) {
        FILE* pOut = fopen(path("report.txt").c_str(), "w");
        {
            CCheckReport report("d.ini", pOut, bCapacitiesOnly);
            fill(report);
            nCount = report.count();
        }
        fclose(pOut);
        return readFile(path("report.txt"));
    }
    static int lines(const std::string& strText) {
        return static_cast<int>(std::count(strText.begin(), strText.end(), '\n'));
    }
};

TEST_F(MibCheckTest, ASectionPrintsABoundedNumberOfMessagesAndSaysHowManyMore) {
    int nCount = 0;
    std::string strText = printed(
        false,
        [](CCheckReport& report) {
            for (int k = 1; k <= 1000; k++) {
                report.problem("GRP_1_ATTRB_" + std::to_string(k), "-", "section missing");
            }
            report.problem("GRP_2", "ENTRY_OID", "no OID");
            report.capacity("GRP_1", "NO_OF_ATTRBS", "99999999 is more than 999");
        },
        nCount);
    EXPECT_EQ(nCount, 1002);
    EXPECT_EQ(lines(strText), MAX_SECTION_MESSAGES + 2);
    EXPECT_THAT(strText, HasSubstr("d.ini: [GRP_1_ATTRB_20] -: section missing\n"));
    EXPECT_THAT(strText, Not(HasSubstr("[GRP_1_ATTRB_21]")));
    EXPECT_THAT(strText, HasSubstr("d.ini: [GRP_2] ENTRY_OID: no OID\n"));
    EXPECT_THAT(strText, HasSubstr("d.ini: [GRP_1] 981 more problem(s) of this section and its "
                                   "attribute sections are not listed\n"));
    EXPECT_EQ(strText.substr(strText.size() - 15), "are not listed\n");
}

TEST_F(MibCheckTest, ACapacityReportPrintsOnlyWhatExceedsACapacity) {
    int nCount = 0;
    std::string strText = printed(
        true,
        [](CCheckReport& report) {
            report.problem("TBL_2", "-", "section missing");
            report.capacity("GLOBALS", "DATA_SRC", "longer than 23 characters");
            report.finish();
            report.finish();
        },
        nCount);
    EXPECT_EQ(nCount, 1);
    EXPECT_EQ(strText, "d.ini: [GLOBALS] DATA_SRC: longer than 23 characters\n");
}

TEST_F(MibCheckTest, TheStoreCheckNamesPathsAndNonAsciiNames) {
    CParseINI store;
    readDefinition(store, "[GLOBALS]\nDATA_SRC=../lib/x\nOID_PREFIX=1.3.6.1.4.1.7310.9\n"
                          "OID_VIEW=x\nVALID_OID=1.3.6.1.4.1.7310.9.1\nMIB_VERSION=1\n"
                          "NO_OF_GROUPS=1\nNO_OF_TBLS=0\nNO_OF_TRAP_ATTRB=0\nNO_OF_TRAPS=0\n"
                          "NO_OF_MAPs=0\n[GRP_1]\nENTRY_OID=1\nCLASS_NAME=Sys\nNO_OF_ATTRBS=1\n"
                          "[GRP_1_ATTRB_1]\nOID=1\nNAME=Gr\xc3\xb6\xc3\x9f"
                          "e\nDATA_TYPE=2\n");
    int nCount = 0;
    std::string strText = printed(
        false, [&store](CCheckReport& report) { CheckStore(store, report); }, nCount);
    EXPECT_THAT(strText, HasSubstr("[GLOBALS] DATA_SRC: \"../lib/x\" is no plain file name part"));
    EXPECT_THAT(strText, HasSubstr("[GRP_1_ATTRB_1] NAME: \"Gr\xc3\xb6\xc3\x9f"
                                   "e\" holds "
                                   "characters other than printable ASCII"));
    // Neither is a capacity: build does not refuse them.
    printed(
        true, [&store](CCheckReport& report) { CheckStore(store, report); }, nCount);
    EXPECT_EQ(nCount, 0);
    store.releaseArrays();
}
