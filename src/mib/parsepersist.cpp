// The persisted definition file: the store written and read field by field
// at fixed offsets, independent of the compiler's structure layout.
#include "parsepersist.h"

#include "parseini.h"

#include "platform/AgentPlatform.h"
#include "platform/ConfigFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// ---- The record layouts -------------------------------------------------------
//
// Where the fields of each record kind lie, in bytes from the record's start.
// The writer and the reader both go by these tables, so a field moves in one
// place only; the static_asserts hold each table to its field sizes. Bytes
// that no field names (padding, the table record's address slot) are written
// as zero and ignored on reading.

// Header, 140 bytes: five texts, then five count texts.
struct HeaderText {
    size_t nAt;
    char (CParseINI::*pszField)[STORE_TEXT_SIZE];
};
constexpr size_t HEADER_TEXT_SIZE = STORE_TEXT_SIZE;
constexpr HeaderText HEADER_TEXTS[] = {
    {0, &CParseINI::m_szDataSrc},     {24, &CParseINI::m_szOIDPrefix},
    {48, &CParseINI::m_szOIDView},    {72, &CParseINI::m_szFirstValidOID},
    {96, &CParseINI::m_szMIBVersion},
};
constexpr size_t HEADER_COUNTS_AT = 120; // COUNT_TEXT_SIZE each, in HEADER_COUNTS order
constexpr int CParseINI::*HEADER_COUNTS[] = {
    &CParseINI::m_nTables, &CParseINI::m_nGroups, &CParseINI::m_nTrapAttrbs,
    &CParseINI::m_nTraps,  &CParseINI::m_nMaps,
};
constexpr int HEADER_COUNT_FIELDS = sizeof(HEADER_COUNTS) / sizeof(HEADER_COUNTS[0]);
constexpr size_t HEADER_SIZE = 140;
constexpr bool textsFollowEachOther() {
    for (size_t i = 0; i < sizeof(HEADER_TEXTS) / sizeof(HEADER_TEXTS[0]); i++) {
        if (HEADER_TEXTS[i].nAt != i * HEADER_TEXT_SIZE) {
            return false;
        }
    }
    return HEADER_COUNTS_AT == sizeof(HEADER_TEXTS) / sizeof(HEADER_TEXTS[0]) * HEADER_TEXT_SIZE;
}
static_assert(textsFollowEachOther() &&
                  HEADER_SIZE == HEADER_COUNTS_AT + HEADER_COUNT_FIELDS * COUNT_TEXT_SIZE,
              "header layout");

// Group record, 88 bytes; also the first 88 bytes of a table record.
struct GroupLayout {
    size_t nName;        // szName
    size_t nEntryOID;    // szEntryOID
    size_t nTotalAttrbs; // szTotalAttrbs, a count text
    size_t nSize;
};
constexpr GroupLayout GROUP = {0, 36, 84, 88};
static_assert(GROUP.nEntryOID == GROUP.nName + CLASS_NAME_SIZE &&
                  GROUP.nTotalAttrbs == GROUP.nEntryOID + ENTRY_OID_SIZE &&
                  GROUP.nSize == GROUP.nTotalAttrbs + COUNT_TEXT_SIZE,
              "group record layout");

// Attribute record, 68 bytes; byte 63 is padding.
struct AttribLayout {
    size_t nOID;         // szOID
    size_t nDataType;    // szDataType
    size_t nFnName;      // szFnName
    size_t nAccessType;  // cAccessType, one byte
    size_t nDataTypeInt; // iDataType, 32-bit little-endian (re-derived on reading)
    size_t nSize;
};
constexpr AttribLayout ATTRIB = {0, 24, 26, 62, 64, 68};
static_assert(ATTRIB.nDataType == ATTRIB.nOID + ATTRIB_OID_SIZE &&
                  ATTRIB.nFnName == ATTRIB.nDataType + DATA_TYPE_SIZE &&
                  ATTRIB.nAccessType == ATTRIB.nFnName + FN_NAME_SIZE &&
                  ATTRIB.nDataTypeInt == ATTRIB.nAccessType + 2 &&
                  ATTRIB.nSize == ATTRIB.nDataTypeInt + 4,
              "attribute record layout");

// Table record: the group part, the attribute array's address slot (the
// pointer's width of the build that wrote it), then the keys; the two builds'
// layouts differ from the slot on.
struct TableLayout {
    size_t nAddressSlot;   // GROUP.nSize: the slot, never read
    size_t nTotalKeys;     // nTotalKeys, 32-bit little-endian
    size_t nTotalKeysText; // szTotalKeys
    size_t nKeys;          // szKeys, MAX_TABLE_KEYS fields of KEY_NAME_SIZE
    size_t nSize;          // 2 bytes of padding before it
};
constexpr TableLayout LINUX_TABLE = {88, 96, 100, 102, 176};
constexpr TableLayout WINDOWS_TABLE = {88, 92, 96, 98, 172};
constexpr bool fitsTableLayout(const TableLayout& layout, size_t nAddressSize) {
    return layout.nAddressSlot == GROUP.nSize &&
           layout.nTotalKeys == layout.nAddressSlot + nAddressSize &&
           layout.nTotalKeysText == layout.nTotalKeys + 4 &&
           layout.nKeys == layout.nTotalKeysText + DATA_TYPE_SIZE &&
           layout.nSize == layout.nKeys + MAX_TABLE_KEYS * KEY_NAME_SIZE + 2;
}
static_assert(fitsTableLayout(LINUX_TABLE, 8) && fitsTableLayout(WINDOWS_TABLE, 4),
              "table record layouts");
constexpr size_t LARGEST_RECORD_SIZE = LINUX_TABLE.nSize;

// Trap variable record, 50 bytes.
struct TrapAttribLayout {
    size_t nOID;      // szOID
    size_t nDataType; // szDataType
    size_t nAttrName; // szAttrName
    size_t nSize;
};
constexpr TrapAttribLayout TRAP_ATTRIB = {0, 24, 26, 50};
static_assert(TRAP_ATTRIB.nDataType == TRAP_ATTRIB.nOID + ATTRIB_OID_SIZE &&
                  TRAP_ATTRIB.nAttrName == TRAP_ATTRIB.nDataType + DATA_TYPE_SIZE &&
                  TRAP_ATTRIB.nSize == TRAP_ATTRIB.nAttrName + TRAP_ATTR_NAME_SIZE,
              "trap variable record layout");

// Trap record, 87 bytes.
struct TrapLayout {
    size_t nTrapCode;   // szTrapCode
    size_t nEntryOID;   // szEntryOID
    size_t nTotAttrbs;  // szTotAttrbs
    size_t nAttrbIndex; // szAttrbIndex, MAX_TRAP_ATTRIBS fields of TRAP_INDEX_SIZE
    size_t nTrapID;     // szTrapID
    size_t nSize;
};
constexpr TrapLayout TRAP = {0, 5, 53, 55, 79, 87};
static_assert(TRAP.nEntryOID == TRAP.nTrapCode + TRAP_CODE_SIZE &&
                  TRAP.nTotAttrbs == TRAP.nEntryOID + ENTRY_OID_SIZE &&
                  TRAP.nAttrbIndex == TRAP.nTotAttrbs + DATA_TYPE_SIZE &&
                  TRAP.nTrapID == TRAP.nAttrbIndex + MAX_TRAP_ATTRIBS * TRAP_INDEX_SIZE &&
                  TRAP.nSize == TRAP.nTrapID + TRAP_ID_SIZE,
              "trap record layout");

// Walk-order record, 96 bytes.
struct MapLayout {
    size_t nFromOID; // szFromOID
    size_t nToOID;   // szToOID
    size_t nSize;
};
constexpr MapLayout MAP = {0, 48, 96};
static_assert(MAP.nToOID == MAP.nFromOID + MAP_OID_SIZE && MAP.nSize == MAP.nToOID + MAP_OID_SIZE,
              "walk-order record layout");

const TableLayout& layoutFor(int iTableLayout) {
    return iTableLayout == TABLE_LAYOUT_WINDOWS ? WINDOWS_TABLE : LINUX_TABLE;
}

// ---- Writing ----------------------------------------------------------------

void putText(unsigned char* pRecord, size_t nAt, const char* pszField, size_t nSize) {
    memcpy(pRecord + nAt, pszField, strnlen(pszField, nSize));
}

void putInt(unsigned char* pRecord, size_t nAt, int nValue) {
    uint32_t nBits = static_cast<uint32_t>(nValue);
    for (int i = 0; i < 4; i++) {
        pRecord[nAt + i] = static_cast<unsigned char>((nBits >> (8 * i)) & 0xFF);
    }
}

void putGroupPart(unsigned char* pRecord, const CGroup& group) {
    putText(pRecord, GROUP.nName, group.szName, CLASS_NAME_SIZE);
    putText(pRecord, GROUP.nEntryOID, group.szEntryOID, ENTRY_OID_SIZE);
    putText(pRecord, GROUP.nTotalAttrbs, group.szTotalAttrbs, COUNT_TEXT_SIZE);
}

class CPersistWriter {
  public:
    explicit CPersistWriter(FILE* pFile) : m_pFile(pFile), m_bFailed(false) {}
    void record(const unsigned char* pRecord, size_t nSize) {
        if (fwrite(pRecord, 1, nSize, m_pFile) != nSize) {
            m_bFailed = true;
        }
    }
    void count(int nCount) {
        char szDigits[16];
        unsigned char cField[COUNT_TEXT_SIZE] = {0};
        _itoa(nCount, szDigits, 10);
        memcpy(cField, szDigits, strnlen(szDigits, COUNT_TEXT_SIZE - 1));
        record(cField, sizeof(cField));
    }
    void attribs(const CGroup& group) {
        int nAttribs = CountFromText(group.szTotalAttrbs);
        for (int i = 0; i < nAttribs; i++) {
            const CBaseAttrib& attrib = group.m_ptrAttribs[i];
            unsigned char cRecord[ATTRIB.nSize] = {0};
            putText(cRecord, ATTRIB.nOID, attrib.szOID, ATTRIB_OID_SIZE);
            putText(cRecord, ATTRIB.nDataType, attrib.szDataType, DATA_TYPE_SIZE);
            putText(cRecord, ATTRIB.nFnName, attrib.szFnName, FN_NAME_SIZE);
            cRecord[ATTRIB.nAccessType] = static_cast<unsigned char>(attrib.cAccessType);
            putInt(cRecord, ATTRIB.nDataTypeInt, attrib.iDataType);
            record(cRecord, sizeof(cRecord));
        }
    }
    bool failed() const { return m_bFailed; }

  private:
    FILE* m_pFile;
    bool m_bFailed;
};

// ---- Reading ----------------------------------------------------------------

// Takes a fixed text field; a field without terminator is cut by one byte.
void takeText(char* pszField, size_t nSize, const unsigned char* pRecord, size_t nAt,
              PersistReport& report) {
    memcpy(pszField, pRecord + nAt, nSize);
    if (memchr(pszField, 0, nSize) == nullptr) {
        pszField[nSize - 1] = 0;
        report.bBadField = true;
    }
}

int takeInt(const unsigned char* pRecord, size_t nAt) {
    uint32_t nBits = 0;
    for (int i = 0; i < 4; i++) {
        nBits |= static_cast<uint32_t>(pRecord[nAt + i]) << (8 * i);
    }
    return static_cast<int>(nBits);
}

// A count text is up to three digits followed by zero bytes (empty is 0).
bool isCountText(const unsigned char* pField, size_t nSize) {
    size_t i = 0;
    while (i < nSize && pField[i] >= '0' && pField[i] <= '9') {
        i++;
    }
    if (i == nSize) {
        return false;
    }
    for (; i < nSize; i++) {
        if (pField[i] != 0) {
            return false;
        }
    }
    return true;
}

class CPersistReader {
  public:
    CPersistReader(FILE* pFile, PersistReport& report) : m_pFile(pFile), m_report(report) {}

    // Reads one record into a cleared buffer; false once the file has ended.
    bool record(unsigned char* pRecord, size_t nSize) {
        memset(pRecord, 0, nSize);
        if (m_report.bShort) {
            return false;
        }
        if (fread(pRecord, 1, nSize, m_pFile) != nSize) {
            m_report.bShort = true;
        }
        return true;
    }
    bool ended() const { return m_report.bShort; }

  private:
    FILE* m_pFile;
    PersistReport& m_report;
};

void readAttribs(CPersistReader& reader, CGroup& group, PersistReport& report) {
    int nAttribs = CountFromText(group.szTotalAttrbs);
    group.m_ptrAttribs = new CBaseAttrib[nAttribs];
    for (int i = 0; i < nAttribs && !reader.ended(); i++) {
        unsigned char cRecord[ATTRIB.nSize];
        reader.record(cRecord, sizeof(cRecord));
        CBaseAttrib& attrib = group.m_ptrAttribs[i];
        takeText(attrib.szOID, ATTRIB_OID_SIZE, cRecord, ATTRIB.nOID, report);
        takeText(attrib.szDataType, DATA_TYPE_SIZE, cRecord, ATTRIB.nDataType, report);
        takeText(attrib.szFnName, FN_NAME_SIZE, cRecord, ATTRIB.nFnName, report);
        attrib.cAccessType = static_cast<char>(cRecord[ATTRIB.nAccessType]);
        attrib.iDataType = atoi(attrib.szDataType);
    }
}

// Reads the group part of a group or table record; false when its count is
// no count text.
bool takeGroupPart(CGroup& group, const unsigned char* pRecord, PersistReport& report) {
    takeText(group.szName, CLASS_NAME_SIZE, pRecord, GROUP.nName, report);
    takeText(group.szEntryOID, ENTRY_OID_SIZE, pRecord, GROUP.nEntryOID, report);
    if (!isCountText(pRecord + GROUP.nTotalAttrbs, COUNT_TEXT_SIZE)) {
        report.bBadCount = true;
        return false;
    }
    memcpy(group.szTotalAttrbs, pRecord + GROUP.nTotalAttrbs, COUNT_TEXT_SIZE);
    return true;
}

} // namespace

bool CParseINI::persistINI(char* strPersistFile, bool bRead) {
    persistINIWithLayout(strPersistFile, bRead, TABLE_LAYOUT_NATIVE);
    return true;
}

static bool countsFitFile(const CParseINI& store) {
    for (int CParseINI::*pnCount : HEADER_COUNTS) {
        if (store.*pnCount < 0 || store.*pnCount > MAX_PERSISTED_COUNT) {
            return false;
        }
    }
    return true;
}

static bool writeStore(const CParseINI& store, FILE* pFile, const TableLayout& layout) {
    CPersistWriter writer(pFile);
    unsigned char cHeader[HEADER_COUNTS_AT] = {0};
    for (const HeaderText& text : HEADER_TEXTS) {
        putText(cHeader, text.nAt, store.*text.pszField, HEADER_TEXT_SIZE);
    }
    writer.record(cHeader, sizeof(cHeader));
    for (int CParseINI::*pnCount : HEADER_COUNTS) {
        writer.count(store.*pnCount);
    }

    for (int i = 0; i < store.m_nGroups; i++) {
        unsigned char cRecord[GROUP.nSize] = {0};
        putGroupPart(cRecord, store.m_ptrCGroup[i]);
        writer.record(cRecord, sizeof(cRecord));
        writer.attribs(store.m_ptrCGroup[i]);
    }
    for (int i = 0; i < store.m_nTables; i++) {
        const CTbl& table = store.m_ptrCTbl[i];
        unsigned char cRecord[LARGEST_RECORD_SIZE] = {0};
        putGroupPart(cRecord, table);
        putInt(cRecord, layout.nTotalKeys, table.nTotalKeys);
        putText(cRecord, layout.nTotalKeysText, table.szTotalKeys, DATA_TYPE_SIZE);
        for (int k = 0; k < MAX_TABLE_KEYS; k++) {
            putText(cRecord, layout.nKeys + k * KEY_NAME_SIZE, table.szKeys[k], KEY_NAME_SIZE);
        }
        writer.record(cRecord, layout.nSize);
        writer.attribs(table);
    }
    for (int i = 0; i < store.m_nTrapAttrbs; i++) {
        const CTrapAttrib& trapAttrib = store.m_ptrCTrapAttr[i];
        unsigned char cRecord[TRAP_ATTRIB.nSize] = {0};
        putText(cRecord, TRAP_ATTRIB.nOID, trapAttrib.szOID, ATTRIB_OID_SIZE);
        putText(cRecord, TRAP_ATTRIB.nDataType, trapAttrib.szDataType, DATA_TYPE_SIZE);
        putText(cRecord, TRAP_ATTRIB.nAttrName, trapAttrib.szAttrName, TRAP_ATTR_NAME_SIZE);
        writer.record(cRecord, sizeof(cRecord));
    }
    for (int i = 0; i < store.m_nTraps; i++) {
        const CTrap& trap = store.m_ptrCTrap[i];
        unsigned char cRecord[TRAP.nSize] = {0};
        putText(cRecord, TRAP.nTrapCode, trap.szTrapCode, TRAP_CODE_SIZE);
        putText(cRecord, TRAP.nEntryOID, trap.szEntryOID, ENTRY_OID_SIZE);
        putText(cRecord, TRAP.nTotAttrbs, trap.szTotAttrbs, DATA_TYPE_SIZE);
        for (int k = 0; k < MAX_TRAP_ATTRIBS; k++) {
            putText(cRecord, TRAP.nAttrbIndex + k * TRAP_INDEX_SIZE, trap.szAttrbIndex[k],
                    TRAP_INDEX_SIZE);
        }
        putText(cRecord, TRAP.nTrapID, trap.szTrapID, TRAP_ID_SIZE);
        writer.record(cRecord, sizeof(cRecord));
    }
    for (int i = 0; i < store.m_nMaps; i++) {
        unsigned char cRecord[MAP.nSize] = {0};
        putText(cRecord, MAP.nFromOID, store.m_ptrMapObj[i].szFromOID, MAP_OID_SIZE);
        putText(cRecord, MAP.nToOID, store.m_ptrMapObj[i].szToOID, MAP_OID_SIZE);
        writer.record(cRecord, sizeof(cRecord));
    }
    return !writer.failed();
}

// Reads the five header counts; false when one is no count text.
static bool readCounts(CPersistReader& reader, int* pnCounts, PersistReport& report) {
    for (int i = 0; i < HEADER_COUNT_FIELDS; i++) {
        unsigned char cField[COUNT_TEXT_SIZE];
        reader.record(cField, sizeof(cField));
        if (!isCountText(cField, sizeof(cField))) {
            report.bBadCount = true;
            return false;
        }
        char szCount[COUNT_TEXT_SIZE + 1] = {0};
        memcpy(szCount, cField, COUNT_TEXT_SIZE);
        pnCounts[i] = atoi(szCount);
    }
    return true;
}

static bool readStore(CParseINI& store, FILE* pFile, const TableLayout& layout,
                      PersistReport& report) {
    CPersistReader reader(pFile, report);
    unsigned char cHeader[HEADER_COUNTS_AT];
    reader.record(cHeader, sizeof(cHeader));
    for (const HeaderText& text : HEADER_TEXTS) {
        takeText(store.*text.pszField, HEADER_TEXT_SIZE, cHeader, text.nAt, report);
    }
    store.m_nOIDPrefixLen = static_cast<int>(strlen(store.m_szOIDPrefix));

    int nCounts[HEADER_COUNT_FIELDS] = {0};
    if (!readCounts(reader, nCounts, report)) {
        return false;
    }
    for (int i = 0; i < HEADER_COUNT_FIELDS; i++) {
        store.*HEADER_COUNTS[i] = nCounts[i];
    }
    store.m_ptrCGroup = new CGroup[store.m_nGroups];
    store.m_ptrCTbl = new CTbl[store.m_nTables];
    store.m_ptrCTrapAttr = new CTrapAttrib[store.m_nTrapAttrbs];
    store.m_ptrCTrap = new CTrap[store.m_nTraps];
    store.m_ptrMapObj = new MapObj[store.m_nMaps];

    for (int i = 0; i < store.m_nGroups && !reader.ended(); i++) {
        unsigned char cRecord[GROUP.nSize];
        reader.record(cRecord, sizeof(cRecord));
        if (!takeGroupPart(store.m_ptrCGroup[i], cRecord, report)) {
            return false;
        }
        readAttribs(reader, store.m_ptrCGroup[i], report);
    }
    for (int i = 0; i < store.m_nTables && !reader.ended(); i++) {
        CTbl& table = store.m_ptrCTbl[i];
        unsigned char cRecord[LARGEST_RECORD_SIZE];
        reader.record(cRecord, layout.nSize);
        if (!takeGroupPart(table, cRecord, report)) {
            return false;
        }
        table.nTotalKeys = takeInt(cRecord, layout.nTotalKeys);
        takeText(table.szTotalKeys, DATA_TYPE_SIZE, cRecord, layout.nTotalKeysText, report);
        for (int k = 0; k < MAX_TABLE_KEYS; k++) {
            takeText(table.szKeys[k], KEY_NAME_SIZE, cRecord, layout.nKeys + k * KEY_NAME_SIZE,
                     report);
        }
        readAttribs(reader, table, report);
        if (CountFromText(table.szTotalAttrbs) > 0) {
            table.nTotalKeys = atoi(table.szTotalKeys);
        }
        // The key names have three slots; a larger count never reads past them.
        if (table.nTotalKeys < 0 || table.nTotalKeys > MAX_TABLE_KEYS) {
            table.nTotalKeys = table.nTotalKeys < 0 ? 0 : MAX_TABLE_KEYS;
            report.bBadField = true;
        }
    }
    for (int i = 0; i < store.m_nTrapAttrbs && !reader.ended(); i++) {
        CTrapAttrib& trapAttrib = store.m_ptrCTrapAttr[i];
        unsigned char cRecord[TRAP_ATTRIB.nSize];
        reader.record(cRecord, sizeof(cRecord));
        takeText(trapAttrib.szOID, ATTRIB_OID_SIZE, cRecord, TRAP_ATTRIB.nOID, report);
        takeText(trapAttrib.szDataType, DATA_TYPE_SIZE, cRecord, TRAP_ATTRIB.nDataType, report);
        takeText(trapAttrib.szAttrName, TRAP_ATTR_NAME_SIZE, cRecord, TRAP_ATTRIB.nAttrName,
                 report);
    }
    for (int i = 0; i < store.m_nTraps && !reader.ended(); i++) {
        CTrap& trap = store.m_ptrCTrap[i];
        unsigned char cRecord[TRAP.nSize];
        reader.record(cRecord, sizeof(cRecord));
        takeText(trap.szTrapCode, TRAP_CODE_SIZE, cRecord, TRAP.nTrapCode, report);
        takeText(trap.szEntryOID, ENTRY_OID_SIZE, cRecord, TRAP.nEntryOID, report);
        takeText(trap.szTotAttrbs, DATA_TYPE_SIZE, cRecord, TRAP.nTotAttrbs, report);
        for (int k = 0; k < MAX_TRAP_ATTRIBS; k++) {
            takeText(trap.szAttrbIndex[k], TRAP_INDEX_SIZE, cRecord,
                     TRAP.nAttrbIndex + k * TRAP_INDEX_SIZE, report);
        }
        takeText(trap.szTrapID, TRAP_ID_SIZE, cRecord, TRAP.nTrapID, report);
    }
    for (int i = 0; i < store.m_nMaps && !reader.ended(); i++) {
        unsigned char cRecord[MAP.nSize];
        reader.record(cRecord, sizeof(cRecord));
        takeText(store.m_ptrMapObj[i].szFromOID, MAP_OID_SIZE, cRecord, MAP.nFromOID, report);
        takeText(store.m_ptrMapObj[i].szToOID, MAP_OID_SIZE, cRecord, MAP.nToOID, report);
    }
    if (!reader.ended() && fgetc(pFile) != EOF) {
        report.bTrailingBytes = true;
    }
    return !report.bShort && !report.bTrailingBytes && !report.bBadField;
}

// Opens the file in the bytes-as-they-are mode of both platforms; a file to
// read must be a regular file within the persisted file's bound.
static FILE* openPersistFile(const char* pszPersistFile, bool bRead) {
    if (!bRead) {
        return fopen(pszPersistFile, "w+b");
    }
    ConfigFileStatus eStatus;
    return OpenConfigFile(pszPersistFile, PERSIST_FILE_MAX_BYTES, eStatus);
}

bool CParseINI::persistINIWithLayout(const char* pszPersistFile, bool bRead, int iTableLayout,
                                     PersistReport* pReport) {
    PersistReport report = {false, false, false, false, false};
    const TableLayout& layout = layoutFor(iTableLayout);
    if (!bRead && !countsFitFile(*this)) {
        if (pReport != nullptr) {
            *pReport = report;
        }
        return false;
    }
    FILE* pFile = openPersistFile(pszPersistFile, bRead);
    if (pFile == nullptr) {
        printf("The file 'data2' was not opened\n");
        if (pReport != nullptr) {
            *pReport = report;
        }
        return false;
    }
    report.bOpened = true;
    bool bDone;
    if (bRead) {
        resetDefinition();
        bDone = readStore(*this, pFile, layout, report);
        if (report.bBadCount) {
            resetDefinition();
        }
    } else {
        bDone = writeStore(*this, pFile, layout);
    }
    if (fclose(pFile) != 0) {
        printf("The file 'data' was not closed\n");
        bDone = false;
    }
    if (pReport != nullptr) {
        *pReport = report;
    }
    return bDone;
}
