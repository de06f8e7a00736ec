#include "CLatencyLog.h"

#include <algorithm>

void CLatencyLog::Add(Clock::time_point tStart, Clock::time_point tEnd) {
    m_vSamplesUs.push_back(std::chrono::duration<double, std::micro>(tEnd - tStart).count());
}

double CLatencyLog::PercentileUs(double dShare) {
    if (m_vSamplesUs.empty()) {
        return 0;
    }
    size_t nRank = static_cast<size_t>(dShare * static_cast<double>(m_vSamplesUs.size() - 1));
    std::nth_element(m_vSamplesUs.begin(), m_vSamplesUs.begin() + static_cast<long>(nRank),
                     m_vSamplesUs.end());
    return m_vSamplesUs[nRank];
}
