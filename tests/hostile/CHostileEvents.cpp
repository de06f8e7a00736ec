#include "CHostileEvents.h"

#include "CHostileControl.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

const int HOSTILE_EVENT_CODE = 0x101;
const int EARLY_EVENTS = 20;
const useconds_t POLL_PERIOD_US = 20000;
const useconds_t FLOOD_PERIOD_US = 1000;

std::atomic<pCallBackNotification> g_pfnCallback{nullptr};
std::atomic<int> g_iLibIndex{0};
std::atomic<long> g_nSent{0};
std::atomic<bool> g_bThreadStarted{false};

} // namespace

void CHostileEvents::Start(pCallBackNotification pfnCallback, int iLibIndex) {
    g_iLibIndex = iLibIndex;
    g_pfnCallback = pfnCallback;
    if (CHostileControl::Has("early-events")) {
        for (int i = 0; i < EARLY_EVENTS; ++i) {
            Fire(2, false);
        }
    }
    if (!g_bThreadStarted.exchange(true)) {
        pthread_t hThread;
        pthread_create(&hThread, nullptr, ThreadMain, nullptr);
        pthread_detach(hThread);
    }
}

void* CHostileEvents::ThreadMain(void*) {
    for (;;) {
        FireBursts();
        if (CHostileControl::Has("event-flood")) {
            Fire(2, false);
            usleep(FLOOD_PERIOD_US);
        } else {
            usleep(POLL_PERIOD_US);
        }
    }
    return nullptr;
}

void CHostileEvents::FireBursts() {
    std::string strBursts = CHostileControl::ControlPath() + ".events";
    std::string strTaken = strBursts + ".taken";
    if (rename(strBursts.c_str(), strTaken.c_str()) != 0) {
        return;
    }
    std::ifstream stBursts(strTaken);
    int nCount = 0;
    int nArgCount = 0;
    std::string strKind;
    while (stBursts >> nCount >> nArgCount >> strKind) {
        for (int i = 0; i < nCount; ++i) {
            Fire(nArgCount, strKind == "unterminated");
        }
    }
    unlink(strTaken.c_str());
}

void CHostileEvents::Fire(int nArgCount, bool bUnterminated) {
    pCallBackNotification pfnCallback = g_pfnCallback;
    if (pfnCallback == nullptr) {
        return;
    }
    CEventInfo stEvent;
    stEvent.iLibIndex = g_iLibIndex;
    stEvent.iEventCode = HOSTILE_EVENT_CODE;
    stEvent.iArgCount = nArgCount;
    if (bUnterminated) {
        memset(stEvent.szDescription, 'D', sizeof(stEvent.szDescription));
        for (CEventArg& stArg : stEvent.aArgs) {
            memset(stArg.szArgText, 'T', sizeof(stArg.szArgText));
            stArg.iArgValue = -1;
        }
    } else {
        strcpy(stEvent.szDescription, "hostile event");
        strcpy(stEvent.aArgs[0].szArgText, "zero");
        stEvent.aArgs[1].iArgValue = 1;
    }
    pfnCallback(&stEvent);
    CountSent(1);
}

void CHostileEvents::CountSent(int nSent) {
    long nTotal = g_nSent += nSent;
    std::string strPath = CHostileControl::ControlPath() + ".sent";
    std::string strTemp = strPath + ".tmp";
    FILE* pFile = fopen(strTemp.c_str(), "w");
    if (pFile == nullptr) {
        return;
    }
    fprintf(pFile, "%ld\n", nTotal);
    fclose(pFile);
    rename(strTemp.c_str(), strPath.c_str());
}
