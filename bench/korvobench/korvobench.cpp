// The benchmarks' storage library, libkorvobench.so: one table, "Row", of
// KORVOBENCH_ROWS instances (500 unless the environment says otherwise) and
// 20 integer columns "Column1" to "Column20", served from nothing but
// arithmetic, so that a walk through the agent times the agent and not the
// library. The value of column c of instance i is c * 100000 + i + 1, the
// numbers the benchmarks' peers answer for the same cell.
#include "StorageLib.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const ROW_CLASS = "Row";
const char* const COLUMN_NAME = "Column";
const int COLUMN_COUNT = 20;
const int DEFAULT_ROWS = 500;
const int VALUE_PER_COLUMN = 100000;

// The column number a name such as "Column7" gives, or 0.
int ColumnOf(const char* pszAttribute) {
    const size_t nStem = sizeof("Column") - 1;
    if (pszAttribute == nullptr || strncmp(pszAttribute, COLUMN_NAME, nStem) != 0) {
        return 0;
    }
    int nColumn = 0;
    for (const char* pszDigit = pszAttribute + nStem; *pszDigit >= '0' && *pszDigit <= '9';
         ++pszDigit) {
        nColumn = nColumn * 10 + (*pszDigit - '0');
        if (nColumn > COLUMN_COUNT) {
            return 0;
        }
    }
    return nColumn >= 1 ? nColumn : 0;
}

class CBenchRowHolder : public CBaseHolder {
  public:
    CBenchRowHolder() {
        const char* pszRows = getenv("KORVOBENCH_ROWS");
        m_nRows = pszRows != nullptr ? atoi(pszRows) : DEFAULT_ROWS;
        if (m_nRows < 0) {
            m_nRows = 0;
        }
    }
    int getInstanceCount() override { return m_nRows; }
    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override {
        int nColumn = ColumnOf(pszAttribute);
        if (nColumn == 0 || iInstance < 0 || iInstance >= m_nRows) {
            return -1;
        }
        *piValue = nColumn * VALUE_PER_COLUMN + iInstance + 1;
        return 0;
    }
    int getStringAttribute(int /*iInstance*/, char* /*pszAttribute*/,
                           char* /*pszBuffer*/) override {
        return -1;
    }
    int setIntAttribute(int /*iInstance*/, char* /*pszAttribute*/, int /*iValue*/) override {
        return -1;
    }

  private:
    int m_nRows = DEFAULT_ROWS;
};

CBenchRowHolder& RowHolder() {
    static CBenchRowHolder s_holder;
    return s_holder;
}

} // namespace

extern "C" {

bool InitializeDll(char* /*pszAgentVersion*/, char* /*pszMibVersion*/) {
    RowHolder();
    return true;
}

CBaseHolder* getObjectHolderByName_c(char* pszClassName) {
    return pszClassName != nullptr && strcmp(pszClassName, ROW_CLASS) == 0 ? &RowHolder() : nullptr;
}

// The table raises no events.
unsigned long startEventProcessing(pCallBackNotification /*pfnCallback*/, int /*iLibIndex*/) {
    return 0;
}

void readyForUnload() {}
}
