#include "CMdEventFinder.h"

#include "CMdParse.h"

const char* const MD_GONE_REMOVED = "removed";

namespace {

enum EMdRunning { MD_RUNNING_UNKNOWN, MD_RUNNING_NO, MD_RUNNING_YES };

EMdRunning Running(const CMdArray* pArray) {
    if (pArray == nullptr) {
        return MD_RUNNING_NO;
    }
    if (!pArray->nState.bKnown) {
        return MD_RUNNING_UNKNOWN;
    }
    return IsRunningState(pArray->nState.value) ? MD_RUNNING_YES : MD_RUNNING_NO;
}

const CMdArray* FindArray(const CMdSnapshot& stSnapshot, const std::string& strName) {
    for (const CMdArray& stArray : stSnapshot.vArrays) {
        if (stArray.strName == strName) {
            return &stArray;
        }
    }
    return nullptr;
}

const CMdMember* FindMember(const CMdArray& stArray, const std::string& strName) {
    for (const CMdMember& stMember : stArray.vMembers) {
        if (stMember.strName == strName) {
            return &stMember;
        }
    }
    return nullptr;
}

std::string KnownText(const CMdText& strText) {
    return strText.bKnown ? strText.value : "";
}

int KnownInt(const CMdInt& nValue) {
    return nValue.bKnown ? nValue.value : 0;
}

CMdEvent ArrayEvent(int nCode, const CMdArray& stArray, const std::string& strDescription) {
    CMdEvent stEvent;
    stEvent.nCode = nCode;
    stEvent.strDescription = stArray.strName + strDescription;
    stEvent.addText(stArray.strName);
    return stEvent;
}

CMdEvent DegradationEvent(int nCode, const CMdArray& stArray) {
    std::string strMissing = std::to_string(KnownInt(stArray.nDegraded));
    CMdEvent stEvent =
        nCode == MD_EVT_DEGRADED
            ? ArrayEvent(nCode, stArray,
                         " is degraded: " + strMissing + " of " +
                             std::to_string(KnownInt(stArray.nRaidDisks)) + " devices missing")
            : ArrayEvent(nCode, stArray, " is no longer degraded");
    stEvent.addInt(KnownInt(stArray.nDegraded));
    stEvent.addInt(KnownInt(stArray.nRaidDisks));
    return stEvent;
}

CMdEvent SyncEvent(int nCode, const CMdArray& stArray, const std::string& strOperation) {
    const char* pszWhat = nCode == MD_EVT_SYNC_STARTED ? " started" : " ended";
    CMdEvent stEvent = ArrayEvent(nCode, stArray, ": " + strOperation + pszWhat);
    stEvent.addText(strOperation);
    return stEvent;
}

// An array that starts running: it appeared, perhaps with devices missing.
void AddAppearance(const CMdArray& stArray, MdEventList& vEvents) {
    CMdEvent stEvent = ArrayEvent(MD_EVT_APPEARED, stArray,
                                  " appeared: " + KnownText(stArray.strLevel) + ", " +
                                      KnownText(stArray.strState));
    stEvent.addText(KnownText(stArray.strLevel));
    stEvent.addText(KnownText(stArray.strState));
    vEvents.push_back(stEvent);
    if (stArray.nDegraded.bKnown && stArray.nDegraded.value > 0) {
        vEvents.push_back(DegradationEvent(MD_EVT_DEGRADED, stArray));
    }
}

void AddGone(const CMdArray& stArray, const std::string& strReason, MdEventList& vEvents) {
    std::string strDescription =
        strReason == MD_GONE_REMOVED ? " was removed" : " is no longer running: " + strReason;
    CMdEvent stEvent = ArrayEvent(MD_EVT_GONE, stArray, strDescription);
    stEvent.addText(strReason);
    vEvents.push_back(stEvent);
}

void AddFaultyMembers(const CMdArray& stBefore, const CMdArray& stAfter, MdEventList& vEvents) {
    for (const CMdMember& stMember : stAfter.vMembers) {
        if (!stMember.nState.bKnown || stMember.nState.value != MD_MEMBER_FAULTY) {
            continue;
        }
        const CMdMember* pWas = FindMember(stBefore, stMember.strName);
        if (pWas != nullptr && (!pWas->nState.bKnown || pWas->nState.value == MD_MEMBER_FAULTY)) {
            continue;
        }
        CMdEvent stEvent = ArrayEvent(MD_EVT_MEMBER_FAULTY, stAfter,
                                      ": member " + stMember.strName + " is faulty (" +
                                          KnownText(stMember.strState) + ")");
        stEvent.addText(stMember.strName);
        stEvent.addText(KnownText(stMember.strState));
        vEvents.push_back(stEvent);
    }
}

void AddDegradation(const CMdArray& stBefore, const CMdArray& stAfter, MdEventList& vEvents) {
    if (!stBefore.nDegraded.bKnown || !stAfter.nDegraded.bKnown) {
        return;
    }
    if (stAfter.nDegraded.value > stBefore.nDegraded.value) {
        vEvents.push_back(DegradationEvent(MD_EVT_DEGRADED, stAfter));
    } else if (stAfter.nDegraded.value == 0 && stBefore.nDegraded.value > 0) {
        vEvents.push_back(DegradationEvent(MD_EVT_NOT_DEGRADED, stAfter));
    }
}

void AddSync(const CMdArray& stBefore, const CMdArray& stAfter, MdEventList& vEvents) {
    if (!stBefore.strSyncAction.bKnown || !stAfter.strSyncAction.bKnown) {
        return;
    }
    const std::string& strWas = stBefore.strSyncAction.value;
    const std::string& strNow = stAfter.strSyncAction.value;
    if (strWas == strNow) {
        return;
    }
    if (IsSyncOperation(strWas)) {
        vEvents.push_back(SyncEvent(MD_EVT_SYNC_FINISHED, stAfter, strWas));
    }
    if (IsSyncOperation(strNow)) {
        vEvents.push_back(SyncEvent(MD_EVT_SYNC_STARTED, stAfter, strNow));
    }
}

void AddArrayEvents(const CMdArray* pBefore, const CMdArray& stAfter, MdEventList& vEvents) {
    EMdRunning eWas = Running(pBefore);
    EMdRunning eNow = Running(&stAfter);
    if (eWas == MD_RUNNING_NO && eNow == MD_RUNNING_YES) {
        AddAppearance(stAfter, vEvents);
    } else if (eWas == MD_RUNNING_YES && eNow == MD_RUNNING_NO) {
        AddGone(stAfter, stAfter.strState.value, vEvents);
    } else if (eWas == MD_RUNNING_YES && eNow == MD_RUNNING_YES) {
        AddFaultyMembers(*pBefore, stAfter, vEvents);
        AddDegradation(*pBefore, stAfter, vEvents);
        AddSync(*pBefore, stAfter, vEvents);
    }
}

template <typename TValue> void Carry(const CMdValue<TValue>& stKnown, CMdValue<TValue>& stValue) {
    if (!stValue.bKnown) {
        stValue = stKnown;
    }
}

void CarryArray(const CMdArray& stBefore, CMdArray& stAfter) {
    for (CMdText CMdArray::*pText :
         {&CMdArray::strLevel, &CMdArray::strState, &CMdArray::strSyncAction}) {
        Carry(stBefore.*pText, stAfter.*pText);
    }
    for (CMdInt CMdArray::*pInt :
         {&CMdArray::nLevel, &CMdArray::nState, &CMdArray::nRaidDisks, &CMdArray::nDegraded}) {
        Carry(stBefore.*pInt, stAfter.*pInt);
    }
    for (CMdMember& stMember : stAfter.vMembers) {
        const CMdMember* pWas = FindMember(stBefore, stMember.strName);
        if (pWas != nullptr) {
            Carry(pWas->strState, stMember.strState);
            Carry(pWas->nState, stMember.nState);
        }
    }
}

} // namespace

CMdSnapshot CarryKnownValues(const CMdSnapshot& stBefore, const CMdSnapshot& stAfter) {
    CMdSnapshot stCarried = stAfter;
    for (CMdArray& stArray : stCarried.vArrays) {
        const CMdArray* pWas = FindArray(stBefore, stArray.strName);
        if (pWas != nullptr) {
            CarryArray(*pWas, stArray);
        }
    }
    return stCarried;
}

MdEventList FindEvents(const CMdSnapshot& stBefore, const CMdSnapshot& stAfter) {
    MdEventList vEvents;
    for (const CMdArray& stArray : stAfter.vArrays) {
        AddArrayEvents(FindArray(stBefore, stArray.strName), stArray, vEvents);
    }
    for (const CMdArray& stArray : stBefore.vArrays) {
        if (FindArray(stAfter, stArray.strName) == nullptr && Running(&stArray) == MD_RUNNING_YES) {
            AddGone(stArray, MD_GONE_REMOVED, vEvents);
        }
    }
    return vEvents;
}
