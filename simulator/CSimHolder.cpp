#include "CSimHolder.h"

#include <cstdio>

int CSimHolder::getInstanceCount() {
    return m_stStack.getInstanceCount(m_nClass);
}

int CSimHolder::getIntAttribute(int iInstance, char* pszAttribute, int* piValue) {
    int nValue = 0;
    if (pszAttribute == nullptr || piValue == nullptr ||
        !m_stStack.readInt(m_nClass, iInstance, pszAttribute, nValue)) {
        return -1;
    }
    *piValue = nValue;
    return 0;
}

int CSimHolder::getStringAttribute(int iInstance, char* pszAttribute, char* pszBuffer) {
    std::string strValue;
    if (pszAttribute == nullptr || pszBuffer == nullptr ||
        !m_stStack.readText(m_nClass, iInstance, pszAttribute, strValue)) {
        return -1;
    }
    snprintf(pszBuffer, STORAGELIB_STRING_BUFFER_SIZE, "%s", strValue.c_str());
    return 0;
}

// A write that is kept may change the hardware's state; the events it causes
// are reported on the event thread, as a controller reports them.
int CSimHolder::setIntAttribute(int iInstance, char* pszAttribute, int iValue) {
    SimEventList vEvents;
    if (pszAttribute == nullptr ||
        !m_stStack.writeInt(m_nClass, iInstance, pszAttribute, iValue, vEvents)) {
        return -1;
    }
    m_stEvents.post(vEvents);
    return 0;
}
