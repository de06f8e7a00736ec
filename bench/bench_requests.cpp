// Sends a number of requests to the running daemon through the relay's
// channel: get-nexts that walk the agent's subtree over and over.
// usage: bench_requests COUNT
// Prints the requests sent, the answers that carried a value, and the seconds.
#include "relaychannel.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: bench_requests COUNT\n");
        return 2;
    }
    long nCount = atol(argv[1]);
    RelayRequest stRequest;
    stRequest.nMethod = RELAY_GETNEXT;
    std::vector<uint32_t> vRoot;
    ParseNumericOid(RELAY_SUBTREE, vRoot);
    stRequest.vOID = vRoot;
    long nValues = 0;
    auto tStart = std::chrono::steady_clock::now();
    for (long i = 0; i < nCount; ++i) {
        RelayAnswer stAnswer = ExchangeWithDaemon(stRequest);
        if (stAnswer.nKind == RelayAnswer::VALUE) {
            ++nValues;
            ParseNumericOid(stAnswer.strOID, stRequest.vOID);
        } else {
            stRequest.vOID = vRoot; // past the end: start over
        }
    }
    double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    printf("%ld %ld %.6f\n", nCount, nValues, dSeconds);
    return nValues > 0 ? 0 : 1;
}
