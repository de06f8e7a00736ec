#include "CHostileHolder.h"

#include "CHostileControl.h"

#include <cstring>
#include <unistd.h>

namespace {

const int PLAIN_INSTANCE_COUNT = 2;
const int SHIFTING_COUNTS[] = {3, 0, 7, 1};
const unsigned SLOW_READ_SECONDS = 3;

} // namespace

int CHostileHolder::getInstanceCount() {
    if (CHostileControl::Has("count-shift")) {
        return SHIFTING_COUNTS[m_nCountCalls++ % 4];
    }
    if (CHostileControl::Has("count-negative")) {
        return -5;
    }
    if (CHostileControl::Has("count-huge")) {
        return 300;
    }
    return PLAIN_INSTANCE_COUNT;
}

bool CHostileHolder::PrepareRead() {
    if (CHostileControl::Has("read-slow")) {
        CHostileControl::Note("slow read begins");
        sleep(SLOW_READ_SECONDS);
        CHostileControl::Note("slow read ends");
    }
    return !CHostileControl::Has("read-fail");
}

int CHostileHolder::getIntAttribute(int, char*, int* piValue) {
    if (!PrepareRead()) {
        return -1;
    }
    *piValue = 7;
    return 0;
}

int CHostileHolder::getStringAttribute(int, char*, char* pszBuffer) {
    if (!PrepareRead()) {
        return -1;
    }
    if (CHostileControl::Has("text-512")) {
        memset(pszBuffer, 'B', STORAGELIB_STRING_BUFFER_SIZE);
    } else if (CHostileControl::Has("text-511")) {
        memset(pszBuffer, 'A', STORAGELIB_STRING_BUFFER_SIZE - 1);
    } else {
        strcpy(pszBuffer, "ok");
    }
    return 0;
}

int CHostileHolder::setIntAttribute(int, char*, int) {
    return CHostileControl::Has("read-fail") ? -1 : 0;
}
