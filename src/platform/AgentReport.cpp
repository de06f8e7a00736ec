// Start-up problem lines on standard error and in the system log.
#include "AgentReport.h"

#include "AgentPlatform.h"

#include <cstdarg>
#include <cstdio>

bool g_bReportToSyslog = false;

namespace {

const char* const REPORT_PREFIX = "qbz_korvodsnmpagent: ";
const int REPORT_LINE_SIZE = 1024;

KORVO_PRINTF_FORMAT(2, 0) void Report(bool bError, const char* pszFormat, va_list args) {
    char szLine[REPORT_LINE_SIZE];
    vsnprintf(szLine, sizeof(szLine), pszFormat, args);
    fprintf(stderr, "%s%s\n", REPORT_PREFIX, szLine);
    fflush(stderr);
    if (g_bReportToSyslog) {
        WriteReportToSystemLog(bError, szLine);
    }
}

} // namespace

void ReportStartupError(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Report(true, pszFormat, args);
    va_end(args);
}

void ReportStartupWarning(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    Report(false, pszFormat, args);
    va_end(args);
}
