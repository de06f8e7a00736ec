// The holder of one class of the simulated stack.
#ifndef KORVOSIM_CSIMHOLDER_H
#define KORVOSIM_CSIMHOLDER_H

#include "CSimEventThread.h"
#include "CSimRecords.h"
#include "CSimStack.h"
#include "StorageLib.h"

class CSimHolder final : public CBaseHolder {
  public:
    CSimHolder(ESimClass nClass, CSimStack& stStack, CSimEventThread& stEvents)
        : m_nClass(nClass), m_stStack(stStack), m_stEvents(stEvents) {}

    int getInstanceCount() override;
    int getIntAttribute(int iInstance, char* pszAttribute, int* piValue) override;
    int getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) override;
    int setIntAttribute(int iInstance, char* pszAttribute, int iValue) override;

  private:
    ESimClass m_nClass;
    CSimStack& m_stStack;
    CSimEventThread& m_stEvents;
};

#endif // KORVOSIM_CSIMHOLDER_H
