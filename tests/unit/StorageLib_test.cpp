// The binary interface of the storage-library header: event record offsets
// and the holder's vtable order, as an agent built elsewhere relies on them.
#include "StorageLib.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StorageLibTest, EventRecordFieldsSitAtTheAgreedOffsets) {
    static CEventInfo stInfo;
    const char* pBase = reinterpret_cast<const char*>(&stInfo);
    EXPECT_EQ(reinterpret_cast<const char*>(&stInfo.iLibIndex) - pBase, 8);
    EXPECT_EQ(reinterpret_cast<const char*>(&stInfo.iArgCount) - pBase, 20);
    EXPECT_EQ(reinterpret_cast<const char*>(&stInfo.iEventCode) - pBase, 24);
    EXPECT_EQ(stInfo.szDescription - pBase, 28);
    for (int iArg = 0; iArg < EVENT_MAX_ARGS; ++iArg) {
        EXPECT_EQ(stInfo.aArgs[iArg].szArgText - pBase, 228 + 304 * iArg) << iArg;
        EXPECT_EQ(reinterpret_cast<const char*>(&stInfo.aArgs[iArg].iArgValue) - pBase,
                  484 + 304 * iArg)
            << iArg;
    }
    EXPECT_GE(EVENT_MAX_ARGS, 9);
}

TEST(StorageLibTest, ConstructedEventRecordIsAllZero) {
    // Construct over a dirty buffer: every byte the constructor owns must be
    // zero, padding aside, so compare the fields.
    alignas(CEventInfo) unsigned char acStorage[sizeof(CEventInfo)];
    memset(acStorage, 0xA5, sizeof(acStorage));
    CEventInfo* pInfo = new (acStorage) CEventInfo();
    EXPECT_EQ(pInfo->pReserved, nullptr);
    EXPECT_EQ(pInfo->iLibIndex | pInfo->iReserved1 | pInfo->iReserved2, 0);
    EXPECT_EQ(pInfo->iArgCount | pInfo->iEventCode, 0);
    EXPECT_EQ(pInfo->szDescription[0], '\0');
    EXPECT_EQ(pInfo->szDescription[EVENT_TEXT_SIZE - 1], '\0');
    for (const CEventArg& stArg : pInfo->aArgs) {
        EXPECT_EQ(stArg.iArgValue, 0);
        EXPECT_EQ(stArg.szArgText[0], '\0');
        EXPECT_EQ(stArg.szArgText[EVENT_TEXT_SIZE - 1], '\0');
        EXPECT_EQ(stArg.pReserved, nullptr);
    }
    pInfo->~CEventInfo();
}

// Answers each operation with its own number, so a call through a vtable
// slot shows which operation sits there.
class CNumberedHolder : public CBaseHolder {
  public:
    int getInstanceCount() override { return 1; }
    int getIntAttribute(int, char*, int*) override { return 2; }
    int getStringAttribute(int, char*, char*) override { return 3; }
    int setIntAttribute(int, char*, int) override { return 4; }
};

TEST(StorageLibTest, HolderOperationsOccupyTheFirstFourVtableSlots) {
    CNumberedHolder stHolder;
    CBaseHolder* pHolder = &stHolder;
    void** ppSlots = *reinterpret_cast<void***>(pHolder);
    typedef int (*CountSlot)(CBaseHolder*);
    typedef int (*IntSlot)(CBaseHolder*, int, char*, int*);
    typedef int (*TextSlot)(CBaseHolder*, int, char*, char*);
    typedef int (*SetSlot)(CBaseHolder*, int, char*, int);
    char szName[] = "State";
    int nValue = 0;
    char szBuffer[STORAGELIB_STRING_BUFFER_SIZE];
    EXPECT_EQ(reinterpret_cast<CountSlot>(ppSlots[0])(pHolder), 1);
    EXPECT_EQ(reinterpret_cast<IntSlot>(ppSlots[1])(pHolder, 0, szName, &nValue), 2);
    EXPECT_EQ(reinterpret_cast<TextSlot>(ppSlots[2])(pHolder, 0, szName, szBuffer), 3);
    EXPECT_EQ(reinterpret_cast<SetSlot>(ppSlots[3])(pHolder, 0, szName, 1), 4);
}

} // namespace
