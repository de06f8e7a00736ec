// Start-up problem lines on standard error and in the system log.
#include "AgentReport.h"

#include <cstdarg>
#include <cstdio>
#ifndef _WIN32
#include <syslog.h>
#endif

bool g_bReportToSyslog = false;

namespace {

const char* const REPORT_PREFIX = "qbz_korvodsnmpagent: ";
const int REPORT_LINE_SIZE = 1024;

void Report(int nPriority, const char* pszFormat, va_list args) KORVO_PRINTF_FORMAT(2, 0);

void Report(int nPriority, const char* pszFormat, va_list args) {
    char szLine[REPORT_LINE_SIZE];
    vsnprintf(szLine, sizeof(szLine), pszFormat, args);
    fprintf(stderr, "%s%s\n", REPORT_PREFIX, szLine);
    fflush(stderr);
#ifndef _WIN32
    if (g_bReportToSyslog) {
        syslog(nPriority, "%s", szLine);
    }
#else
    (void)nPriority;
#endif
}

} // namespace

#ifdef _WIN32
const int REPORT_ERROR = 3;
const int REPORT_WARNING = 4;
#else
const int REPORT_ERROR = LOG_ERR;
const int REPORT_WARNING = LOG_WARNING;
#endif

void ReportStartupError(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Report(REPORT_ERROR, pszFormat, args);
    va_end(args);
}

void ReportStartupWarning(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Report(REPORT_WARNING, pszFormat, args);
    va_end(args);
}
