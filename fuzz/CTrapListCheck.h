// Checks shared by the fuzz targets of the trap destination readers: every
// pair of a list that was read gets a whole argument vector and environment
// from the trap sender's builders, and what a reader says of its lines does
// not flood the fuzzer's log.
#ifndef KORVO_CTRAPLISTCHECK_H
#define KORVO_CTRAPLISTCHECK_H

#include "traps/TrapNotify.h"

class CTrapListCheck {
  public:
    // Builds the vector and environment of every pair of nCount entries and
    // reads every text they point at (a sanitizer catches what is not whole).
    static void CheckSenderArguments(const CLIENT_IP* pList, int nCount);

    // Sends standard error to /dev/null until Unmute: the readers report
    // every refused line. A crash inside leaves its reproducer all the same;
    // run that again to see the sanitizer's report.
    static void Mute();
    static void Unmute();

  private:
    static int m_nSavedError;
};

#endif // KORVO_CTRAPLISTCHECK_H
