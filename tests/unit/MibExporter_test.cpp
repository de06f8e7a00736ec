// The Prometheus SNMP exporter module written from a definition's MIB module:
// walks, metric types, index labels, enumerations and help texts.
#include "MibExporter.h"
#include "storetestutil.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using ::testing::Not;

TEST(MibExporterNameTest, ModuleNamesAreLowerCaseWithUnderscores) {
    EXPECT_EQ(ExporterModuleName("KORVOSIM-RAID-MIB"), "korvosim_raid");
    EXPECT_EQ(ExporterModuleName("Vendor2-Shelf"), "vendor2_shelf");
    EXPECT_EQ(ExporterModuleName("X-MIB"), "x");
}

class MibExporterTest : public StoreTest {
  protected:
    std::string exporterFor(const std::string& strDefinition) {
        CParseINI store;
        readDefinition(store, strDefinition);
        CMibAnnotations notes;
        EXPECT_TRUE(notes.readFile(path("definition.ini").c_str(), store));
        EXPECT_TRUE(notes.problems().empty());
        CMibModule module(store, "DEMO-MIB", "202601010000Z", "demo.ini", &notes);
        EXPECT_TRUE(module.build());
        FILE* pOut = fopen(path("snmp.yml").c_str(), "w");
        CMibExporter(module, "demo").write(pOut);
        fclose(pOut);
        store.releaseArrays();
        return readFile(path("snmp.yml"));
    }
};

TEST_F(MibExporterTest, WalksGroupsAndTablesWithOneMetricPerAttribute) {
    std::string strText = exporterFor(
        "[GLOBALS]\nDATA_SRC=demo\nOID_PREFIX=1.3.6.1.4.1.7310.9\nOID_VIEW=x\nVALID_OID=x\n"
        "MIB_VERSION=1\nNO_OF_GROUPS=2\nNO_OF_TBLS=2\nNO_OF_TRAP_ATTRB=1\nNO_OF_TRAPS=0\n"
        "NO_OF_MAPs=0\n"
        "[GRP_1]\nENTRY_OID=1\nCLASS_NAME=Sys\nNO_OF_ATTRBS=1\n"
        "[GRP_1_ATTRB_1]\nOID=1\nNAME=Version\nDATA_TYPE=1\nDESCRIPTION=The version, 'quoted'.\n"
        "[GRP_2]\nENTRY_OID=5.2\nCLASS_NAME=Power\nNO_OF_ATTRBS=1\n"
        "[GRP_2_ATTRB_1]\nOID=3\nNAME=Watts\nDATA_TYPE=2\nUNITS=W\n"
        "[TBL_1]\nENTRY_OID=2.1\nCLASS_NAME=Disk\nNO_OF_ATTRBS=2\nNO_OF_KEYS=1\nTBL_1_KEY_1="
        "DiskId\n"
        "[TBL_1_ATTRB_1]\nOID=1\nNAME=DiskId\nDATA_TYPE=2\n"
        "[TBL_1_ATTRB_2]\nOID=2\nNAME=State\nDATA_TYPE=2\nENUM=failed(2),ok(0)\n"
        "[TBL_2]\nENTRY_OID=3.1\nCLASS_NAME=Fan\nNO_OF_ATTRBS=1\nNO_OF_KEYS=1\nTBL_2_KEY_1=None\n"
        "[TBL_2_ATTRB_1]\nOID=1\nNAME=Label\nDATA_TYPE=1\n"
        "[TRAPATTRB_0]\nOID=9.1.1\nNAME=Why\nDATA_TYPE=1\n");
    EXPECT_THAT(strText, HasSubstr("demo:\n  walk:\n  - 1.3.6.1.4.1.7310.9.1\n"
                                   "  - 1.3.6.1.4.1.7310.9.2\n  - 1.3.6.1.4.1.7310.9.3\n"
                                   "  - 1.3.6.1.4.1.7310.9.5.2\n  metrics:\n"));
    EXPECT_THAT(strText, HasSubstr("  - name: sysVersion\n    oid: 1.3.6.1.4.1.7310.9.1.1\n"
                                   "    type: DisplayString\n"
                                   "    help: 'The version, ''quoted''. - 1.3.6.1.4.1.7310.9.1.1'\n"
                                   "  - name: "));
    EXPECT_THAT(strText, HasSubstr("    type: gauge\n    help: 'The attribute Watts of the class "
                                   "Power, an integer (one instance, .0). Units: W. - "
                                   "1.3.6.1.4.1.7310.9.5.2.3'\n"));
    EXPECT_THAT(strText, HasSubstr("  - name: diskState\n    oid: 1.3.6.1.4.1.7310.9.2.1.2\n"
                                   "    type: EnumAsStateSet\n"));
    EXPECT_THAT(strText, HasSubstr("    indexes:\n    - labelname: diskId\n      type: gauge\n"
                                   "    enum_values:\n      0: ok\n      2: failed\n"));
    // The hidden index of a table without an integer key names the label
    // and is no metric; notify-only variables are never walked.
    EXPECT_THAT(strText, HasSubstr("  - name: fanLabel\n    oid: 1.3.6.1.4.1.7310.9.3.1.1\n"
                                   "    type: DisplayString\n"));
    EXPECT_THAT(strText, HasSubstr("    - labelname: fanIndex\n"));
    EXPECT_THAT(strText, Not(HasSubstr("- name: fanIndex")));
    EXPECT_THAT(strText, Not(HasSubstr("demoWhy")));
    EXPECT_THAT(strText, HasSubstr("  version: 2\n  max_repetitions: 25\n  retries: 3\n"
                                   "  timeout: 5s\n  auth:\n    community: public\n"));
}
