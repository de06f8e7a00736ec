// The problems a scan of the kernel's md files finds (an unreadable, empty or
// malformed file, an array removed while it was read), and their lines in the
// system log: a problem is logged when it appears, not again at every scan
// that still finds it, and once more when it comes back after a scan without
// it.
#ifndef KORVOMD_CMDPROBLEMLOG_H
#define KORVOMD_CMDPROBLEMLOG_H

#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct CMdProblem {
    int nPriority = 0; // LOG_ERR, LOG_WARNING, ...
    std::string strText;
};

typedef std::vector<CMdProblem> MdProblemList;

// Where log lines go: syslog, unless a test puts its own sink in place.
typedef void (*MdLogSink)(int nPriority, const char* pszLine);

class CMdProblemLog {
  public:
    // Logs the problems of a scan that the scan before did not have.
    void report(const MdProblemList& vProblems);
    // Forgets what was logged, so that every problem is logged anew.
    void reset();

    // One line now, whatever was logged before (a refused write).
    static void logLine(int nPriority, const std::string& strText);
    // Replaces the sink (null: syslog again); returns the previous one.
    static MdLogSink setSink(MdLogSink pfnSink);

  private:
    std::mutex m_mutex;
    std::set<std::pair<int, std::string>> m_setLogged;
};

#endif // KORVOMD_CMDPROBLEMLOG_H
