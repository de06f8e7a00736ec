// The one holder class of the hostile library: every class of its definition
// gets an instance. Values are plain (instance count 2, integers 7, texts
// "ok") unless the control file asks for misbehaviour.
#ifndef KORVO_CHOSTILEHOLDER_H
#define KORVO_CHOSTILEHOLDER_H

#include "StorageLib.h"

#include <atomic>

class CHostileHolder : public CBaseHolder {
  public:
    int getInstanceCount() override;
    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override;
    int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) override;
    int setIntAttribute(int iInstance, char* pszAttribute, int iValue) override;

  private:
    // Sleeps for a slow read; false when the read is to fail.
    static bool PrepareRead();
    std::atomic<unsigned> m_nCountCalls{0};
};

#endif // KORVO_CHOSTILEHOLDER_H
