// Sends N requests through the block to a running daemon, cycling over a get
// of a scalar, a get-next from the subtree and a get of a table cell, and
// prints how many were answered, how many came back empty and the elapsed
// seconds: korvo_soak COUNT
#include "relaychannel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const SOAK_OIDS[] = {
    ".1.3.6.1.4.1.7310.4.1.1.1.0",
    ".1.3.6.1.4.1.7310",
    ".1.3.6.1.4.1.7310.4.1.2.1.7.1",
};

RelayRequest MakeRequest(long nIndex) {
    RelayRequest stRequest;
    stRequest.nMethod = nIndex % 3 == 1 ? RELAY_GETNEXT : RELAY_GET;
    ParseNumericOid(SOAK_OIDS[nIndex % 3], stRequest.vOID);
    return stRequest;
}

} // namespace

int main(int argc, char** argv) {
    long nCount = argc > 1 ? atol(argv[1]) : 1000;
    long nAnswered = 0;
    auto tStart = std::chrono::steady_clock::now();
    for (long i = 0; i < nCount; ++i) {
        if (ExchangeWithDaemon(MakeRequest(i)).nKind == RelayAnswer::VALUE) {
            ++nAnswered;
        }
    }
    std::chrono::duration<double> tElapsed = std::chrono::steady_clock::now() - tStart;
    printf("requests %ld answered %ld empty %ld seconds %.1f\n", nCount, nAnswered,
           nCount - nAnswered, tElapsed.count());
    return nAnswered == nCount ? 0 : 1;
}
