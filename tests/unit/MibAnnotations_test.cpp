// The optional keys that only the definition tool reads: enumerations,
// identifiers and module names, texts a module can carry, and what the keys
// may say of which attribute or trap variable.
#include "MibAnnotations.h"
#include "platform/ProfileIni.h"
#include "storetestutil.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

TEST(MibEnumTest, ReadsLabelsAndValuesWithBlanksAndSigns) {
    MibEnum items;
    std::string strWhy;
    ASSERT_TRUE(ParseMibEnum(" online(0), offline ( 1 ),failed(-2147483648),max(2147483647)", items,
                             strWhy))
        << strWhy;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].strLabel, "offline");
    EXPECT_EQ(items[1].nValue, 1);
    EXPECT_EQ(items[2].nValue, -2147483648L);
    EXPECT_EQ(items[3].nValue, 2147483647L);
    EXPECT_EQ(MibEnumText(items), "online(0),offline(1),failed(-2147483648),max(2147483647)");
}

TEST(MibEnumTest, RefusesWhatIsNoEnumeration) {
    struct Case {
        const char* pszText;
        const char* pszWhy;
    } cases[] = {
        {"", "\"\" is no label(value)"},
        {"a(1),", "\"\" is no label(value)"},
        {"a", "\"a\" is no label(value)"},
        {"a(1", "no label(value)"},
        {"(1)", "label \"\" is no SMI identifier"},
        {"A(1)", "label \"A\" is no SMI identifier"},
        {"hot-spare(4)", "label \"hot-spare\" is no SMI identifier"},
        {"a(x)", "value \"x\" of a is no integer"},
        {"a(1.5)", "value \"1.5\" of a"},
        {"a(2147483648)", "value \"2147483648\" of a"},
        {"a(-2147483649)", "value \"-2147483649\" of a"},
        {"a()", "value \"\" of a"},
        {"a(1),a(2)", "label a is given twice"},
        {"a(1),b(1)", "value 1 is given twice"},
    };
    for (const Case& oneCase : cases) {
        MibEnum items;
        std::string strWhy;
        EXPECT_FALSE(ParseMibEnum(oneCase.pszText, items, strWhy)) << oneCase.pszText;
        EXPECT_THAT(strWhy, HasSubstr(oneCase.pszWhy)) << oneCase.pszText;
    }
    std::string strMany;
    for (size_t i = 0; i <= MAX_ENUM_LABELS; i++) {
        strMany += (i == 0 ? "" : ",") + std::string("s") + std::to_string(i) + "(" +
                   std::to_string(i) + ")";
    }
    MibEnum items;
    std::string strWhy;
    EXPECT_FALSE(ParseMibEnum(strMany, items, strWhy));
    EXPECT_THAT(strWhy, HasSubstr("more than 256 labels"));
}

TEST(MibEnumTest, IdentifiersModuleNamesAndTexts) {
    EXPECT_TRUE(IsSmiIdentifier("physicalDriveFailed"));
    EXPECT_TRUE(IsSmiIdentifier("raid10"));
    EXPECT_TRUE(IsSmiIdentifier(std::string(64, 'a')));
    EXPECT_FALSE(IsSmiIdentifier(std::string(65, 'a')));
    EXPECT_FALSE(IsSmiIdentifier("Failed"));
    EXPECT_FALSE(IsSmiIdentifier("1st"));
    EXPECT_FALSE(IsSmiIdentifier("a_b"));
    EXPECT_FALSE(IsSmiIdentifier("\xc3\xa9t\xc3\xa9"));
    EXPECT_TRUE(IsSmiModuleName("KORVOSIM-RAID-MIB"));
    EXPECT_TRUE(IsSmiModuleName("Vendor2-MIB"));
    for (const char* pszBad : {"", "korvo-MIB", "KORVO--MIB", "KORVO-", "KORVO_MIB", "OBJECT-TYPE",
                               "INTEGER", "Integer32", "SNMPv2-SMI", "SNMPv2-TC"}) {
        EXPECT_FALSE(IsSmiModuleName(pszBad)) << pszBad;
    }
    EXPECT_TRUE(IsModuleText("Temperature, in degrees Celsius (0-120).'"));
    EXPECT_FALSE(IsModuleText("the \"count\""));
    EXPECT_FALSE(IsModuleText("tab\there"));
    EXPECT_FALSE(IsModuleText("gr\xc3\xbcn"));
    EXPECT_TRUE(IsPrintableAscii("the \"count\""));
    EXPECT_FALSE(IsPrintableAscii("\x7f"));
}

class MibAnnotationsTest : public StoreTest {
  protected:
    // Reads the definition and its keys.
    void readNotes(const std::string& strDefinition) {
        readDefinition(m_store, strDefinition);
        ASSERT_TRUE(m_notes.readFile(path("definition.ini").c_str(), m_store));
    }
    void TearDown() override {
        m_store.releaseArrays();
        StoreTest::TearDown();
    }
    std::string problems() const {
        std::string strText;
        for (const MibNoteProblem& problem : m_notes.problems()) {
            strText +=
                "[" + problem.strSection + "] " + problem.strKey + ": " + problem.strText + "\n";
        }
        return strText;
    }
    static std::string definition(const std::string& strExtraKeys) {
        return "[GLOBALS]\nDATA_SRC=demo\nOID_PREFIX=1.3.6.1.4.1.7310.9\nOID_VIEW=x\n"
               "VALID_OID=1.3.6.1.4.1.7310.9.1\nMIB_VERSION=1\nNO_OF_GROUPS=1\nNO_OF_TBLS=1\n"
               "NO_OF_TRAP_ATTRB=3\nNO_OF_TRAPS=1\nNO_OF_MAPs=0\n"
               "[GRP_1]\nENTRY_OID=1\nCLASS_NAME=Sys\nNO_OF_ATTRBS=2\n"
               "[GRP_1_ATTRB_1]\nOID=1\nNAME=Version\nDATA_TYPE=1\n"
               "[GRP_1_ATTRB_2]\nOID=2\nNAME=Mode\nDATA_TYPE=2\nENUM=off(0),on(1)\nUNITS=modes\n"
               "[TBL_1]\nENTRY_OID=2.1\nCLASS_NAME=Disk\nNO_OF_ATTRBS=2\nNO_OF_KEYS=1\n"
               "TBL_1_KEY_1=DiskId\n"
               "[TBL_1_ATTRB_1]\nOID=1\nNAME=DiskId\nDATA_TYPE=2\n"
               "[TBL_1_ATTRB_2]\nOID=2\nNAME=State\nDATA_TYPE=2\nENUM=ok(0),failed(1)\n"
               "DESCRIPTION=State of the disk.\n"
               "[TRAPATTRB_0]\nOID=2.1.2\nNAME=DiskState\nDATA_TYPE=2\n"
               "[TRAPATTRB_1]\nOID=9.1.1\nNAME=Why\nDATA_TYPE=2\nENUM=heat(1),age(2)\n"
               "DESCRIPTION=Why it failed.\n"
               "[TRAPATTRB_2]\nOID=1.2\nNAME=SysMode\nDATA_TYPE=2\n"
               "[TRAP_1]\nENTRY_OID=9\nCODE=1a\nTRAP_ID=1\nNO_OF_ATTRBS=1\nATTRB_1=0\n"
               "NAME=diskFailed\nDESCRIPTION=A disk failed.\n" +
               strExtraKeys;
    }

    CParseINI m_store;
    CMibAnnotations m_notes;
};

TEST_F(MibAnnotationsTest, ReadsTheKeysOfEachSection) {
    readNotes(definition("[GLOBALS]\nMODULE_NAME=DEMO-MIB\nORGANIZATION=Us\nCONTACT_INFO=Them\n"
                         "DESCRIPTION=All of it.\n"));
    EXPECT_EQ(problems(), "");
    EXPECT_TRUE(m_notes.any());
    ASSERT_NE(m_notes.object("TBL_1_ATTRB_2"), nullptr);
    EXPECT_EQ(m_notes.object("TBL_1_ATTRB_2")->strDescription, "State of the disk.");
    EXPECT_EQ(MibEnumText(m_notes.object("GRP_1_ATTRB_2")->enumItems), "off(0),on(1)");
    EXPECT_EQ(m_notes.object("GRP_1_ATTRB_2")->strUnits, "modes");
    EXPECT_EQ(m_notes.object("GRP_1_ATTRB_1"), nullptr);
    EXPECT_EQ(m_notes.object("TRAPATTRB_1")->strDescription, "Why it failed.");
    ASSERT_NE(m_notes.trap("TRAP_1"), nullptr);
    EXPECT_EQ(m_notes.trap("TRAP_1")->strName, "diskFailed");
    EXPECT_EQ(m_notes.module().strModuleName, "DEMO-MIB");
    EXPECT_EQ(m_notes.module().strContactInfo, "Them");
}

TEST_F(MibAnnotationsTest, AVariableAtAnAttributesOIDTakesItsObjectsKeys) {
    // TRAPATTRB_0 is the column State, TRAPATTRB_2 the scalar Mode: the
    // module writes their objects from the attributes' keys.
    readNotes(definition(""));
    EXPECT_EQ(problems(), "");
    EXPECT_EQ(m_notes.object("TRAPATTRB_0"), nullptr);
    EXPECT_EQ(m_notes.object("TRAPATTRB_2"), nullptr);
    std::string strSame = definition("[TRAPATTRB_0]\nENUM=ok(0),failed(1)\n");
    std::string strOther = definition("[TRAPATTRB_0]\nENUM=ok(0),broken(1)\nUNITS=x\n"
                                      "DESCRIPTION=The new state.\n");
    // A section given twice is read as one.
    readNotes(strSame);
    EXPECT_EQ(problems(), "");
    ASSERT_NE(m_notes.object("TRAPATTRB_0"), nullptr);
    EXPECT_EQ(MibEnumText(m_notes.object("TRAPATTRB_0")->enumItems), "ok(0),failed(1)");
    m_store.releaseArrays();
    readNotes(strOther);
    EXPECT_THAT(problems(), HasSubstr("[TRAPATTRB_0] ENUM: differs from the ENUM of TBL_1_ATTRB_2 "
                                      "(\"ok(0),failed(1)\")"));
    EXPECT_THAT(problems(), HasSubstr("[TRAPATTRB_0] UNITS: differs from the UNITS of "
                                      "TBL_1_ATTRB_2 (\"\")"));
    EXPECT_THAT(problems(), HasSubstr("[TRAPATTRB_0] DESCRIPTION: the variable is the attribute "
                                      "of TBL_1_ATTRB_2: describe it there"));
}

TEST_F(MibAnnotationsTest, ReportsKeysThatDoNotFitTheirAttribute) {
    readNotes(definition("[GRP_1_ATTRB_1]\nENUM=a(1)\n[TBL_1_ATTRB_1]\nENUM=a(1)\n"
                         "[TRAPATTRB_1]\nUNITS=\n[TRAP_1]\n"));
    EXPECT_THAT(problems(), HasSubstr("[GRP_1_ATTRB_1] ENUM: the attribute is no integer"));
    EXPECT_THAT(problems(), HasSubstr("[TBL_1_ATTRB_1] ENUM: the attribute is the table's key"));
    EXPECT_THAT(problems(), HasSubstr("[TRAPATTRB_1] UNITS: empty"));
    EXPECT_TRUE(m_notes.object("GRP_1_ATTRB_1")->enumItems.empty());
}

TEST_F(MibAnnotationsTest, ADefinitionWithoutTheKeysHasNone) {
    std::string strPlain = definition("");
    for (const char* pszKey :
         {"ENUM=off(0),on(1)\n", "UNITS=modes\n", "ENUM=ok(0),failed(1)\n",
          "DESCRIPTION=State of the disk.\n", "ENUM=heat(1),age(2)\n",
          "DESCRIPTION=Why it failed.\n", "NAME=diskFailed\n", "DESCRIPTION=A disk failed.\n"}) {
        strPlain.erase(strPlain.find(pszKey), strlen(pszKey));
    }
    readNotes(strPlain);
    EXPECT_FALSE(m_notes.any());
    EXPECT_EQ(problems(), "");
    EXPECT_EQ(m_notes.object("TRAPATTRB_0"), nullptr);
    EXPECT_EQ(m_notes.trap("TRAP_1"), nullptr);
}
