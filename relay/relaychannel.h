// The relay's side of the shared-memory block: one request handed to the
// daemon and its answer taken back, serial among relays and always within a
// deadline.
#ifndef KORVO_RELAYCHANNEL_H
#define KORVO_RELAYCHANNEL_H

#include "relaycore.h"

// How long the relay waits for the daemon (and for another relay's request)
// before it answers "no such object".
const int RELAY_DEADLINE_MS = 1000;

// How the exchange waits, as the benchmarks compare it: spin on the state
// word for nSpinUs microseconds before sleeping on it, and look the segment
// up before every request (as the relay once did) or only after a wait for
// the daemon timed out. The relay program is built with the faster choice.
struct RelayTuning {
    long nSpinUs;
    bool bLookUpEveryRequest;
};
extern RelayTuning g_stRelayTuning;

// Sends the request through the block and returns the checked answer. A
// daemon that is not running, or that does not answer within the deadline,
// yields NO_OBJECT for every kind of request (a set is then refused as
// "not-writable"). The block is left usable in every case.
RelayAnswer ExchangeWithDaemon(const RelayRequest& stRequest, int nDeadlineMs = RELAY_DEADLINE_MS);

#endif // KORVO_RELAYCHANNEL_H
