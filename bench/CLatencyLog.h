// Latencies of single operations, for the median and the 99th percentile
// that Google Benchmark's averages do not give.
#ifndef KORVO_CLATENCYLOG_H
#define KORVO_CLATENCYLOG_H

#include <chrono>
#include <vector>

class CLatencyLog {
  public:
    typedef std::chrono::steady_clock Clock;

    void Add(Clock::time_point tStart, Clock::time_point tEnd);

    // The value below which the fraction dShare of the samples lie, in
    // microseconds; 0 without samples.
    double PercentileUs(double dShare);

  private:
    std::vector<double> m_vSamplesUs;
};

#endif // KORVO_CLATENCYLOG_H
