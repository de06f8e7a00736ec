// What the hostile library does, chosen by the words of the control file that
// KORVO_HOSTILE_CONTROL names (read again on every call, so a test can change
// the behaviour while the agent runs). Words:
//   count-shift     instance counts 3, 0, 7, 1, ... from one call to the next
//   count-negative  instance count -5
//   count-huge      instance count 300 (more than 256)
//   text-511        texts of 511 bytes, the buffer's last byte left untouched
//   text-512        texts filling all 512 bytes, no terminator
//   read-fail       every read returns -1
//   read-slow       every read takes 3 seconds
//   null-holder     no class has a holder
//   init-slow       InitializeDll takes 3 seconds
//   early-events    startEventProcessing fires 20 events before it returns
//   event-flood     the event thread fires an event every millisecond
// The slow steps note when they begin and end, one line each ("slow read
// begins", "slow read ends", "slow init begins", "slow init ends") in the
// control file's path with ".notes" added, so that a test can wait for them.
#ifndef KORVO_CHOSTILECONTROL_H
#define KORVO_CHOSTILECONTROL_H

#include <string>

class CHostileControl {
  public:
    // True when the control file holds the word on a line of its own.
    static bool Has(const char* pszWord);

    // The control file's path, or "" when none is given.
    static std::string ControlPath();

    // Appends a line to the notes file (nothing when no control file is given).
    static void Note(const char* pszWhat);
};

#endif // KORVO_CHOSTILECONTROL_H
