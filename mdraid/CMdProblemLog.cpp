#include "CMdProblemLog.h"

#include <atomic>
#include <syslog.h>

namespace {

const char* const MD_LOG_PREFIX = "korvomd: ";

void SyslogSink(int nPriority, const char* pszLine) {
    syslog(nPriority, "%s", pszLine);
}

std::atomic<MdLogSink> g_pfnSink{&SyslogSink};

} // namespace

void CMdProblemLog::report(const MdProblemList& vProblems) {
    std::set<std::pair<int, std::string>> setNow;
    for (const CMdProblem& stProblem : vProblems) {
        setNow.insert({stProblem.nPriority, stProblem.strText});
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& stProblem : setNow) {
        if (m_setLogged.count(stProblem) == 0) {
            logLine(stProblem.first, stProblem.second);
        }
    }
    m_setLogged.swap(setNow);
}

void CMdProblemLog::reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_setLogged.clear();
}

void CMdProblemLog::logLine(int nPriority, const std::string& strText) {
    std::string strLine = MD_LOG_PREFIX + strText;
    g_pfnSink.load()(nPriority, strLine.c_str());
}

MdLogSink CMdProblemLog::setSink(MdLogSink pfnSink) {
    return g_pfnSink.exchange(pfnSink == nullptr ? &SyslogSink : pfnSink);
}
