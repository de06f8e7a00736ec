// Start-up problems an administrator must see: one line per problem, naming
// the file, section or library and the reason. Every line goes to standard
// error (the daemon keeps it open after detaching, so the unit's journal and
// a terminal see it) and, once the daemon has opened the system log, to the
// system log at priority LOG_ERR (warnings at LOG_WARNING).
#ifndef KORVO_AGENTREPORT_H
#define KORVO_AGENTREPORT_H

#if defined(__GNUC__)
#define KORVO_PRINTF_FORMAT(nFormat, nArgs) __attribute__((format(printf, nFormat, nArgs)))
#else
#define KORVO_PRINTF_FORMAT(nFormat, nArgs)
#endif

// Set by the daemon once openlog has run; reports then reach the system log
// too. Writer: RunAgent on the main thread at start-up, before any other
// thread exists. Readers: ReportStartupError and ReportStartupWarning, which
// only the main thread calls (start-up, SIGHUP re-reading).
extern bool g_bReportToSyslog;

// A problem that keeps a file, a definition or the whole agent from being
// used.
void ReportStartupError(const char* pszFormat, ...) KORVO_PRINTF_FORMAT(1, 2);

// A problem the agent works around (a line skipped, a value refused).
void ReportStartupWarning(const char* pszFormat, ...) KORVO_PRINTF_FORMAT(1, 2);

#endif // KORVO_AGENTREPORT_H
