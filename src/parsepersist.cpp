// The persisted definition file: the store written and read field by field
// at fixed offsets, independent of the compiler's structure layout.
#include "parseini.h"

#include "ConfigFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const size_t HEADER_SIZE = 140;
const size_t HEADER_TEXT_SIZE = 24;
const size_t HEADER_COUNTS_AT = 120;
const size_t GROUP_RECORD_SIZE = 88;
const size_t ATTRIB_RECORD_SIZE = 68;
const size_t TRAP_ATTRIB_RECORD_SIZE = 50;
const size_t TRAP_RECORD_SIZE = 87;
const size_t MAP_RECORD_SIZE = 96;
const size_t LARGEST_RECORD_SIZE = 176;

// Offsets of a table record after the group part, per layout.
struct TableLayout {
    size_t nRecordSize;
    size_t nTotalKeysAt;
    size_t nTotalKeysTextAt;
    size_t nKeysAt;
};

const TableLayout LINUX_TABLE = {176, 96, 100, 102};
const TableLayout WINDOWS_TABLE = {172, 92, 96, 98};

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
    putText(pRecord, 0, group.szName, CLASS_NAME_SIZE);
    putText(pRecord, 36, group.szEntryOID, ENTRY_OID_SIZE);
    putText(pRecord, 84, group.szTotalAttrbs, COUNT_TEXT_SIZE);
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
            unsigned char cRecord[ATTRIB_RECORD_SIZE] = {0};
            putText(cRecord, 0, attrib.szOID, ATTRIB_OID_SIZE);
            putText(cRecord, 24, attrib.szDataType, DATA_TYPE_SIZE);
            putText(cRecord, 26, attrib.szFnName, FN_NAME_SIZE);
            cRecord[62] = static_cast<unsigned char>(attrib.cAccessType);
            putInt(cRecord, 64, attrib.iDataType);
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
        unsigned char cRecord[ATTRIB_RECORD_SIZE];
        reader.record(cRecord, sizeof(cRecord));
        CBaseAttrib& attrib = group.m_ptrAttribs[i];
        takeText(attrib.szOID, ATTRIB_OID_SIZE, cRecord, 0, report);
        takeText(attrib.szDataType, DATA_TYPE_SIZE, cRecord, 24, report);
        takeText(attrib.szFnName, FN_NAME_SIZE, cRecord, 26, report);
        attrib.cAccessType = static_cast<char>(cRecord[62]);
        attrib.iDataType = atoi(attrib.szDataType);
    }
}

// Reads the group part of a group or table record; false when its count is
// no count text.
bool takeGroupPart(CGroup& group, const unsigned char* pRecord, PersistReport& report) {
    takeText(group.szName, CLASS_NAME_SIZE, pRecord, 0, report);
    takeText(group.szEntryOID, ENTRY_OID_SIZE, pRecord, 36, report);
    if (!isCountText(pRecord + 84, COUNT_TEXT_SIZE)) {
        report.bBadCount = true;
        return false;
    }
    memcpy(group.szTotalAttrbs, pRecord + 84, COUNT_TEXT_SIZE);
    return true;
}

} // namespace

bool CParseINI::persistINI(char* strPersistFile, bool bRead) {
    persistINIWithLayout(strPersistFile, bRead, TABLE_LAYOUT_NATIVE);
    return true;
}

static bool countsFitFile(const CParseINI& store) {
    const int nCounts[] = {store.m_nTables, store.m_nGroups, store.m_nTrapAttrbs, store.m_nTraps,
                           store.m_nMaps};
    for (int nCount : nCounts) {
        if (nCount < 0 || nCount > MAX_PERSISTED_COUNT) {
            return false;
        }
    }
    return true;
}

static bool writeStore(const CParseINI& store, FILE* pFile, const TableLayout& layout) {
    CPersistWriter writer(pFile);
    unsigned char cHeader[HEADER_SIZE] = {0};
    putText(cHeader, 0, store.m_szDataSrc, HEADER_TEXT_SIZE);
    putText(cHeader, 24, store.m_szOIDPrefix, HEADER_TEXT_SIZE);
    putText(cHeader, 48, store.m_szOIDView, HEADER_TEXT_SIZE);
    putText(cHeader, 72, store.m_szFirstValidOID, HEADER_TEXT_SIZE);
    putText(cHeader, 96, store.m_szMIBVersion, HEADER_TEXT_SIZE);
    writer.record(cHeader, HEADER_COUNTS_AT);
    writer.count(store.m_nTables);
    writer.count(store.m_nGroups);
    writer.count(store.m_nTrapAttrbs);
    writer.count(store.m_nTraps);
    writer.count(store.m_nMaps);

    for (int i = 0; i < store.m_nGroups; i++) {
        unsigned char cRecord[GROUP_RECORD_SIZE] = {0};
        putGroupPart(cRecord, store.m_ptrCGroup[i]);
        writer.record(cRecord, sizeof(cRecord));
        writer.attribs(store.m_ptrCGroup[i]);
    }
    for (int i = 0; i < store.m_nTables; i++) {
        const CTbl& table = store.m_ptrCTbl[i];
        unsigned char cRecord[LARGEST_RECORD_SIZE] = {0};
        putGroupPart(cRecord, table);
        putInt(cRecord, layout.nTotalKeysAt, table.nTotalKeys);
        putText(cRecord, layout.nTotalKeysTextAt, table.szTotalKeys, DATA_TYPE_SIZE);
        for (int k = 0; k < MAX_TABLE_KEYS; k++) {
            putText(cRecord, layout.nKeysAt + k * KEY_NAME_SIZE, table.szKeys[k], KEY_NAME_SIZE);
        }
        writer.record(cRecord, layout.nRecordSize);
        writer.attribs(table);
    }
    for (int i = 0; i < store.m_nTrapAttrbs; i++) {
        const CTrapAttrib& trapAttrib = store.m_ptrCTrapAttr[i];
        unsigned char cRecord[TRAP_ATTRIB_RECORD_SIZE] = {0};
        putText(cRecord, 0, trapAttrib.szOID, ATTRIB_OID_SIZE);
        putText(cRecord, 24, trapAttrib.szDataType, DATA_TYPE_SIZE);
        putText(cRecord, 26, trapAttrib.szAttrName, TRAP_ATTR_NAME_SIZE);
        writer.record(cRecord, sizeof(cRecord));
    }
    for (int i = 0; i < store.m_nTraps; i++) {
        const CTrap& trap = store.m_ptrCTrap[i];
        unsigned char cRecord[TRAP_RECORD_SIZE] = {0};
        putText(cRecord, 0, trap.szTrapCode, TRAP_CODE_SIZE);
        putText(cRecord, 5, trap.szEntryOID, ENTRY_OID_SIZE);
        putText(cRecord, 53, trap.szTotAttrbs, DATA_TYPE_SIZE);
        for (int k = 0; k < MAX_TRAP_ATTRIBS; k++) {
            putText(cRecord, 55 + k * TRAP_INDEX_SIZE, trap.szAttrbIndex[k], TRAP_INDEX_SIZE);
        }
        putText(cRecord, 79, trap.szTrapID, TRAP_ID_SIZE);
        writer.record(cRecord, sizeof(cRecord));
    }
    for (int i = 0; i < store.m_nMaps; i++) {
        unsigned char cRecord[MAP_RECORD_SIZE] = {0};
        putText(cRecord, 0, store.m_ptrMapObj[i].szFromOID, MAP_OID_SIZE);
        putText(cRecord, 48, store.m_ptrMapObj[i].szToOID, MAP_OID_SIZE);
        writer.record(cRecord, sizeof(cRecord));
    }
    return !writer.failed();
}

// Reads the five header counts; false when one is no count text.
static bool readCounts(CPersistReader& reader, int* pnCounts, PersistReport& report) {
    for (int i = 0; i < 5; i++) {
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
    takeText(store.m_szDataSrc, STORE_TEXT_SIZE, cHeader, 0, report);
    takeText(store.m_szOIDPrefix, STORE_TEXT_SIZE, cHeader, 24, report);
    takeText(store.m_szOIDView, STORE_TEXT_SIZE, cHeader, 48, report);
    takeText(store.m_szFirstValidOID, STORE_TEXT_SIZE, cHeader, 72, report);
    takeText(store.m_szMIBVersion, STORE_TEXT_SIZE, cHeader, 96, report);
    store.m_nOIDPrefixLen = static_cast<int>(strlen(store.m_szOIDPrefix));

    int nCounts[5] = {0};
    if (!readCounts(reader, nCounts, report)) {
        return false;
    }
    store.m_nTables = nCounts[0];
    store.m_nGroups = nCounts[1];
    store.m_nTrapAttrbs = nCounts[2];
    store.m_nTraps = nCounts[3];
    store.m_nMaps = nCounts[4];
    store.m_ptrCGroup = new CGroup[store.m_nGroups];
    store.m_ptrCTbl = new CTbl[store.m_nTables];
    store.m_ptrCTrapAttr = new CTrapAttrib[store.m_nTrapAttrbs];
    store.m_ptrCTrap = new CTrap[store.m_nTraps];
    store.m_ptrMapObj = new MapObj[store.m_nMaps];

    for (int i = 0; i < store.m_nGroups && !reader.ended(); i++) {
        unsigned char cRecord[GROUP_RECORD_SIZE];
        reader.record(cRecord, sizeof(cRecord));
        if (!takeGroupPart(store.m_ptrCGroup[i], cRecord, report)) {
            return false;
        }
        readAttribs(reader, store.m_ptrCGroup[i], report);
    }
    for (int i = 0; i < store.m_nTables && !reader.ended(); i++) {
        CTbl& table = store.m_ptrCTbl[i];
        unsigned char cRecord[LARGEST_RECORD_SIZE];
        reader.record(cRecord, layout.nRecordSize);
        if (!takeGroupPart(table, cRecord, report)) {
            return false;
        }
        table.nTotalKeys = takeInt(cRecord, layout.nTotalKeysAt);
        takeText(table.szTotalKeys, DATA_TYPE_SIZE, cRecord, layout.nTotalKeysTextAt, report);
        for (int k = 0; k < MAX_TABLE_KEYS; k++) {
            takeText(table.szKeys[k], KEY_NAME_SIZE, cRecord, layout.nKeysAt + k * KEY_NAME_SIZE,
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
        unsigned char cRecord[TRAP_ATTRIB_RECORD_SIZE];
        reader.record(cRecord, sizeof(cRecord));
        takeText(trapAttrib.szOID, ATTRIB_OID_SIZE, cRecord, 0, report);
        takeText(trapAttrib.szDataType, DATA_TYPE_SIZE, cRecord, 24, report);
        takeText(trapAttrib.szAttrName, TRAP_ATTR_NAME_SIZE, cRecord, 26, report);
    }
    for (int i = 0; i < store.m_nTraps && !reader.ended(); i++) {
        CTrap& trap = store.m_ptrCTrap[i];
        unsigned char cRecord[TRAP_RECORD_SIZE];
        reader.record(cRecord, sizeof(cRecord));
        takeText(trap.szTrapCode, TRAP_CODE_SIZE, cRecord, 0, report);
        takeText(trap.szEntryOID, ENTRY_OID_SIZE, cRecord, 5, report);
        takeText(trap.szTotAttrbs, DATA_TYPE_SIZE, cRecord, 53, report);
        for (int k = 0; k < MAX_TRAP_ATTRIBS; k++) {
            takeText(trap.szAttrbIndex[k], TRAP_INDEX_SIZE, cRecord, 55 + k * TRAP_INDEX_SIZE,
                     report);
        }
        takeText(trap.szTrapID, TRAP_ID_SIZE, cRecord, 79, report);
    }
    for (int i = 0; i < store.m_nMaps && !reader.ended(); i++) {
        unsigned char cRecord[MAP_RECORD_SIZE];
        reader.record(cRecord, sizeof(cRecord));
        takeText(store.m_ptrMapObj[i].szFromOID, MAP_OID_SIZE, cRecord, 0, report);
        takeText(store.m_ptrMapObj[i].szToOID, MAP_OID_SIZE, cRecord, 48, report);
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
