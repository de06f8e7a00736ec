// The MIB module written from a definition: names, the tree of OIDs with
// tables, index and notifications, and the definitions it refuses.
#include "MibModule.h"
#include "MibNames.h"
#include "storetestutil.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using ::testing::Not;

TEST(MibNamesTest, ModuleNamesAndStemsComeFromTheFileName) {
    EXPECT_EQ(ModuleNameFromFile("/etc/x/korvosim-raid.ini"), "KORVOSIM-RAID-MIB");
    EXPECT_EQ(ModuleNameFromFile("shelf_2.dat"), "SHELF-2-MIB");
    EXPECT_EQ(ModuleNameFromFile("vendor-mib.ini"), "VENDOR-MIB");
    EXPECT_EQ(ModuleNameFromFile("9-lives.ini"), "LIVES-MIB");
    EXPECT_EQ(ModuleNameFromFile("__.ini"), "KORVO-MIB");
    EXPECT_EQ(DescriptorStem("KORVOSIM-RAID-MIB"), "korvosimRaid");
    EXPECT_EQ(DescriptorStem("SHELF-2-MIB"), "shelf2");
}

TEST(MibNamesTest, ClassAndAttributeShareTheirCommonWordsOnce) {
    EXPECT_EQ(JoinClassAndAttribute("PhysicalDrive", "DriveId"), "physicalDriveId");
    EXPECT_EQ(JoinClassAndAttribute("Adapter", "AdapterId"), "adapterId");
    EXPECT_EQ(JoinClassAndAttribute("Battery", "AdapterId"), "batteryAdapterId");
    EXPECT_EQ(JoinClassAndAttribute("fan_unit", "speed-rpm"), "fanUnitSpeedRpm");
    EXPECT_EQ(CapitalWord("a b_c"), "ABC");
}

TEST(MibNamesTest, RegistryHandsOutValidUniqueDescriptors) {
    CNameRegistry names;
    EXPECT_EQ(names.claim("State", "stem"), "state");
    EXPECT_EQ(names.claim("state", "stem"), "state2");
    EXPECT_EQ(names.claim("state", "stem"), "state3");
    EXPECT_EQ(names.claim("2ndFan", "stem"), "stem2ndFan");
    std::string strLong = names.claim(std::string(80, 'x'), "stem");
    EXPECT_LE(strLong.size(), MAX_DESCRIPTOR_SIZE);
    EXPECT_EQ(names.claim(std::string(80, 'x'), "stem").size(), strLong.size() + 1);
}

TEST(MibNamesTest, PathsAreDottedNumbers) {
    MibPath path;
    EXPECT_TRUE(ParseMibPath("3.1.", path));
    EXPECT_EQ(path, (MibPath{3, 1}));
    EXPECT_FALSE(ParseMibPath("", path));
    EXPECT_FALSE(ParseMibPath("NOT FOUND", path));
    EXPECT_FALSE(ParseMibPath("1..2", path));
    EXPECT_FALSE(ParseMibPath("-1", path));
}

class MibModuleTest : public StoreTest {
  protected:
    // The module text for a definition, or the problems joined.
    std::string moduleFor(const std::string& strDefinition, bool bExpectBuilt = true) {
        CParseINI store;
        readDefinition(store, strDefinition);
        CMibModule module(store, "DEMO-MIB", "202601010000Z", "demo.ini");
        bool bBuilt = module.build();
        EXPECT_EQ(bBuilt, bExpectBuilt);
        std::string strText;
        for (const std::string& strProblem : module.problems()) {
            strText += strProblem + "\n";
        }
        if (bBuilt) {
            FILE* pOut = fopen(path("demo.txt").c_str(), "w");
            module.write(pOut);
            fclose(pOut);
            strText = readFile(path("demo.txt"));
        }
        store.releaseArrays();
        return strText;
    }
    static std::string definition(const std::string& strPrefix, const std::string& strTableKey,
                                  const std::string& strTrapVariableOID) {
        return "[GLOBALS]\nDATA_SRC=demo\nOID_PREFIX=" + strPrefix +
               "\nOID_VIEW=ShowTrapDescription\nVALID_OID=x\nMIB_VERSION=2.1\n"
               "NO_OF_GROUPS=1\nNO_OF_TBLS=1\nNO_OF_TRAP_ATTRB=2\nNO_OF_TRAPS=1\nNO_OF_MAPs=0\n"
               "[GRP_1]\nENTRY_OID=1\nCLASS_NAME=Sys\nNO_OF_ATTRBS=1\n"
               "[GRP_1_ATTRB_1]\nOID=1\nNAME=Version\nACCESS_TYPE=R\nDATA_TYPE=1\n"
               "[TBL_1]\nENTRY_OID=2.1\nCLASS_NAME=Disk\nNO_OF_ATTRBS=2\nNO_OF_KEYS=1\n"
               "TBL_1_KEY_1=" +
               strTableKey +
               "\n"
               "[TBL_1_ATTRB_1]\nOID=1\nNAME=DiskId\nACCESS_TYPE=R\nDATA_TYPE=2\n"
               "[TBL_1_ATTRB_2]\nOID=3\nNAME=Rate\nACCESS_TYPE=W\nDATA_TYPE=2\n"
               "[TRAPATTRB_0]\nOID=2.1.1\nNAME=DiskNumber\nDATA_TYPE=2\n"
               "[TRAPATTRB_1]\nOID=" +
               strTrapVariableOID +
               "\nNAME=Why\nDATA_TYPE=1\n"
               "[TRAP_1]\nENTRY_OID=9\nCODE=1a\nTRAP_ID=4\nNO_OF_ATTRBS=3\n"
               "ATTRB_1=0\nATTRB_2=1\nATTRB_3=0\n";
    }
};

TEST_F(MibModuleTest, WritesTheTreeOfAValidDefinition) {
    std::string strText = moduleFor(definition("1.3.6.1.4.1.7310.9", "DiskId", "9.1.1"));
    EXPECT_THAT(strText, HasSubstr("DEMO-MIB DEFINITIONS ::= BEGIN\n"));
    EXPECT_THAT(strText, HasSubstr("demoMIB MODULE-IDENTITY\n    LAST-UPDATED \"202601010000Z\""));
    EXPECT_THAT(strText, HasSubstr("::= { enterprises 7310 9 }"));
    EXPECT_THAT(strText, HasSubstr("demoSys OBJECT IDENTIFIER ::= { demoMIB 1 }"));
    EXPECT_THAT(strText, HasSubstr("sysVersion OBJECT-TYPE\n    SYNTAX      DisplayString\n"
                                   "    MAX-ACCESS  read-only\n"));
    EXPECT_THAT(strText, HasSubstr("diskTable OBJECT-TYPE\n    SYNTAX      SEQUENCE OF DiskEntry"));
    EXPECT_THAT(strText, HasSubstr("    INDEX       { diskId }\n    ::= { diskTable 1 }"));
    EXPECT_THAT(strText, HasSubstr("DiskEntry ::= SEQUENCE {\n    diskId Integer32,\n"
                                   "    diskRate Integer32\n}"));
    EXPECT_THAT(strText,
                HasSubstr("diskId OBJECT-TYPE\n    SYNTAX      Integer32 (0..2147483647)"));
    EXPECT_THAT(strText, HasSubstr("diskRate OBJECT-TYPE\n    SYNTAX      Integer32\n"
                                   "    MAX-ACCESS  read-write\n"));
    // The notification sits at enterprise.0.number; a variable that no
    // table holds becomes an object of its own; repeats are listed once.
    EXPECT_THAT(strText, HasSubstr("demoEvents OBJECT IDENTIFIER ::= { demoMIB 9 }"));
    EXPECT_THAT(strText, HasSubstr("demoNotifications OBJECT IDENTIFIER ::= { demoEvents 0 }"));
    EXPECT_THAT(strText, HasSubstr("demoEvent1a NOTIFICATION-TYPE\n"
                                   "    OBJECTS     { diskId, demoWhy }\n"));
    EXPECT_THAT(strText, HasSubstr("::= { demoNotifications 4 }"));
    EXPECT_THAT(strText, HasSubstr("enterprise\n        1.3.6.1.4.1.7310.9.9 and specific trap 4"));
    EXPECT_THAT(strText, HasSubstr("demoWhy OBJECT-TYPE\n    SYNTAX      DisplayString\n"
                                   "    MAX-ACCESS  accessible-for-notify\n"));
    EXPECT_THAT(strText, HasSubstr("demoWhy OBJECT-TYPE"));
    EXPECT_THAT(strText, HasSubstr("::= { demoEvents1 1 }"));
    EXPECT_EQ(strText.substr(strText.size() - 4), "END\n");
}

TEST_F(MibModuleTest, ATableWithoutAnIntegerKeyGetsAHiddenIndexColumn) {
    std::string strText = moduleFor(definition("1.3.6.1.4.1.7310.9", "Nothing", "9.1.1"));
    EXPECT_THAT(strText, HasSubstr("INDEX       { diskIndex }"));
    EXPECT_THAT(strText,
                HasSubstr("diskIndex OBJECT-TYPE\n    SYNTAX      Integer32 (0..2147483647)\n"
                          "    MAX-ACCESS  not-accessible\n"));
    EXPECT_THAT(strText, HasSubstr("::= { diskEntry 4 }"));
    EXPECT_THAT(strText, Not(HasSubstr("Integer32 (0..2147483647)\n    MAX-ACCESS  read-only")));
}

TEST_F(MibModuleTest, RefusesWhatNoModuleCanHold) {
    EXPECT_THAT(moduleFor(definition("1.3.6.1.2.1", "DiskId", "9.1.1"), false),
                HasSubstr("[GLOBALS] OID_PREFIX 1.3.6.1.2.1 is not below the enterprise arc"));
    EXPECT_THAT(moduleFor(definition("1.3.6.1.4.1.7310.9", "DiskId", "1.1.0"), false),
                HasSubstr("[TRAPATTRB_1] OID 1.1.0 lies inside sysVersion"));
    EXPECT_THAT(moduleFor(definition("1.3.6.1.4.1.7310.9", "DiskId", "2.1"), false),
                HasSubstr("[TRAPATTRB_1] OID 2.1 is diskEntry, which no trap can carry"));
    std::string strClash = definition("1.3.6.1.4.1.7310.9", "DiskId", "9.1.1");
    strClash.replace(strClash.find("ENTRY_OID=2.1"), 13, "ENTRY_OID=1.5");
    EXPECT_THAT(moduleFor(strClash, false), HasSubstr("[TBL_1] OID 1 is used twice"));
    std::string strFlat = definition("1.3.6.1.4.1.7310.9", "DiskId", "9.1.1");
    strFlat.replace(strFlat.find("ENTRY_OID=2.1"), 13, "ENTRY_OID=2");
    EXPECT_THAT(moduleFor(strFlat, false), HasSubstr("[TBL_1] ENTRY_OID 2 is no OID of a table"));
}

TEST_F(MibModuleTest, WritesEnumerationsUnitsDescriptionsAndNamesGiven) {
    std::string strDefinition = definition("1.3.6.1.4.1.7310.9", "DiskId", "9.1.1") +
                                "[GLOBALS]\nORGANIZATION=Demo storage\nCONTACT_INFO=Ops\n"
                                "DESCRIPTION=Everything.\n"
                                "[TBL_1_ATTRB_2]\nENUM=fast(2),slow(0)\nUNITS=MB/s\n"
                                "DESCRIPTION=How fast the disk rebuilds.\n"
                                "[TRAPATTRB_1]\nDESCRIPTION=Why the disk failed.\n"
                                "[TRAP_1]\nNAME=diskFailed\nDESCRIPTION=A disk failed.\n";
    CParseINI store;
    readDefinition(store, strDefinition);
    CMibAnnotations notes;
    ASSERT_TRUE(notes.readFile(path("definition.ini").c_str(), store));
    ASSERT_TRUE(notes.problems().empty());
    CMibModule module(store, "DEMO-MIB", "202601010000Z", "demo.ini", &notes);
    ASSERT_TRUE(module.build());
    FILE* pOut = fopen(path("demo.txt").c_str(), "w");
    module.write(pOut);
    fclose(pOut);
    store.releaseArrays();
    std::string strText = readFile(path("demo.txt"));
    EXPECT_THAT(strText, HasSubstr("    ORGANIZATION\n        \"Demo storage\"\n"
                                   "    CONTACT-INFO\n        \"Ops\"\n"
                                   "    DESCRIPTION\n        \"Everything.\"\n    REVISION"));
    // Named numbers in ascending order, UNITS after SYNTAX, INTEGER in the
    // row's SEQUENCE.
    EXPECT_THAT(strText, HasSubstr("diskRate OBJECT-TYPE\n    SYNTAX      INTEGER {\n"
                                   "                    slow(0),\n"
                                   "                    fast(2)\n                }\n"
                                   "    UNITS       \"MB/s\"\n    MAX-ACCESS  read-write\n"
                                   "    STATUS      current\n    DESCRIPTION\n"
                                   "        \"How fast the disk rebuilds.\"\n"));
    EXPECT_THAT(strText, HasSubstr("    diskId Integer32,\n    diskRate INTEGER\n}"));
    EXPECT_THAT(strText,
                HasSubstr("demoWhy OBJECT-TYPE\n    SYNTAX      DisplayString\n"
                          "    MAX-ACCESS  accessible-for-notify\n    STATUS      current\n"
                          "    DESCRIPTION\n        \"Why the disk failed.\"\n"));
    EXPECT_THAT(strText, HasSubstr("diskFailed NOTIFICATION-TYPE\n"));
    EXPECT_THAT(strText, HasSubstr("\"A disk failed. Event code 0x1a, sent as an SNMPv1 trap"));
    EXPECT_THAT(strText, Not(HasSubstr("demoEvent1a")));
}

TEST_F(MibModuleTest, AModuleWhoseIntegersAreAllEnumeratedImportsNoInteger32) {
    std::string strText = moduleFor(
        "[GLOBALS]\nDATA_SRC=demo\nOID_PREFIX=1.3.6.1.4.1.7310.9\nOID_VIEW=x\nVALID_OID=x\n"
        "MIB_VERSION=1\nNO_OF_GROUPS=1\nNO_OF_TBLS=0\nNO_OF_TRAP_ATTRB=0\nNO_OF_TRAPS=0\n"
        "NO_OF_MAPs=0\n[GRP_1]\nENTRY_OID=1\nCLASS_NAME=Sys\nNO_OF_ATTRBS=1\n"
        "[GRP_1_ATTRB_1]\nOID=1\nNAME=Mode\nDATA_TYPE=2\nENUM=off(0),on(1)\n");
    // Without the notes the module stays as it was: an Integer32.
    EXPECT_THAT(strText, HasSubstr("Integer32"));
}

TEST_F(MibModuleTest, RefusesNamesItsTextsCannotCarryAndTakenNotificationNames) {
    std::string strUtf8 = definition("1.3.6.1.4.1.7310.9", "DiskId", "9.1.1");
    strUtf8.replace(strUtf8.find("NAME=Version"), 12, "NAME=Versi\xc3\xb3n");
    EXPECT_THAT(moduleFor(strUtf8, false),
                HasSubstr("[GRP_1_ATTRB_1] NAME \"Versi\xc3\xb3n\" holds characters other than "
                          "printable ASCII"));
    CParseINI store;
    readDefinition(store, definition("1.3.6.1.4.1.7310.9", "DiskId", "9.1.1") +
                              "[TRAP_1]\nNAME=diskRate\n");
    CMibAnnotations notes;
    ASSERT_TRUE(notes.readFile(path("definition.ini").c_str(), store));
    CMibModule module(store, "DEMO-MIB", "202601010000Z", "demo.ini", &notes);
    EXPECT_FALSE(module.build());
    ASSERT_EQ(module.noteProblems().size(), 1u);
    EXPECT_EQ(module.noteProblems()[0].strSection, "TRAP_1");
    EXPECT_EQ(module.noteProblems()[0].strKey, "NAME");
    EXPECT_THAT(module.noteProblems()[0].strText, HasSubstr("diskRate is already the name"));
    store.releaseArrays();
}
