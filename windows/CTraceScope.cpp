#include "CTraceScope.h"

#include <cstdio>

bool AgentTrace(const char* /*pszText*/) {
    return true;
}

CTraceScope::CTraceScope(const char* pszName) : m_pszName(pszName) {
    trace("IN");
}

CTraceScope::~CTraceScope() {
    trace("OUT");
}

void CTraceScope::trace(const char* pszDirection) const {
    char szText[TRACE_TEXT_SIZE];
    snprintf(szText, sizeof(szText), "%s - - %s", m_pszName, pszDirection);
    AgentTrace(szText);
}
