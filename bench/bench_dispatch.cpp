// The request dispatch in process, on the sample definitions and on generated
// definitions of 1,000 and 10,000 objects: a get, a get-next and a set of a
// scalar and of a table cell, and a whole walk.
#include "benchstores.h"
#include "channel/zundshm.h"
#include "dispatch/genpvkdispatch.h"
#include "platform/snmpapi.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

const BenchDefinition DEFINITIONS[] = {BENCH_SAMPLE, BENCH_SAMPLE_LARGE, BENCH_GENERATED_1K,
                                       BENCH_GENERATED_10K};

// The binding a request reuses, as the channel's is.
class CBenchBinding {
  public:
    CBenchBinding() { m_stBinding.name.ids = m_aIds; }
    ~CBenchBinding() { ClearValue(); }

    UINT Request(UINT nAction, const char* pszOID) {
        ClearValue();
        SnmpUtilAToOid(pszOID, &m_stBinding.name);
        if (nAction == SNMP_ACTION_SET) {
            m_stBinding.value.asnType = ASN_INTEGER;
            m_stBinding.value.asnValue.number = 30;
        }
        return PopulateValue(&m_stBinding, nAction);
    }

    // Asks for the object after the last one answered.
    UINT Next() {
        ClearValue();
        return PopulateValue(&m_stBinding, SNMP_ACTION_GETNEXT);
    }

  private:
    void ClearValue() {
        if (m_stBinding.value.asnType == ASN_OCTETSTRING &&
            m_stBinding.value.asnValue.string.dynamic) {
            SnmpUtilMemFree(m_stBinding.value.asnValue.string.stream);
        }
        memset(&m_stBinding.value, 0, sizeof(m_stBinding.value));
    }

    UINT m_aIds[ZUND_MAX_OID_IDS] = {};
    RFC1157VarBind m_stBinding = {};
};

enum Target { SCALAR, CELL };

void RunRequests(benchmark::State& stState, UINT nAction, Target nTarget) {
    CBenchStores stStores(DEFINITIONS[stState.range(0)]);
    if (!stStores.IsLoaded()) {
        stState.SkipWithError("the definition did not load");
        return;
    }
    stState.SetLabel(stStores.Name());
    std::string strOID =
        nAction == SNMP_ACTION_SET
            ? (nTarget == SCALAR ? stStores.m_strWritableScalar : stStores.m_strWritableCell)
            : (nTarget == SCALAR ? stStores.m_strScalar : stStores.m_strCell);
    CBenchBinding stBinding;
    UINT nFirst = stBinding.Request(nAction, strOID.c_str());
    stState.counters["status"] = nFirst;
    for (auto _ : stState) {
        benchmark::DoNotOptimize(stBinding.Request(nAction, strOID.c_str()));
    }
}

void BM_GetScalar(benchmark::State& stState) {
    RunRequests(stState, SNMP_ACTION_GET, SCALAR);
}
void BM_GetCell(benchmark::State& stState) {
    RunRequests(stState, SNMP_ACTION_GET, CELL);
}
void BM_GetNextScalar(benchmark::State& stState) {
    RunRequests(stState, SNMP_ACTION_GETNEXT, SCALAR);
}
void BM_GetNextCell(benchmark::State& stState) {
    RunRequests(stState, SNMP_ACTION_GETNEXT, CELL);
}
void BM_SetScalar(benchmark::State& stState) {
    RunRequests(stState, SNMP_ACTION_SET, SCALAR);
}
void BM_SetCell(benchmark::State& stState) {
    RunRequests(stState, SNMP_ACTION_SET, CELL);
}

// A whole walk from the enterprise root to the end; the time per object is
// the figure to compare with the end-to-end walks.
void BM_Walk(benchmark::State& stState) {
    CBenchStores stStores(DEFINITIONS[stState.range(0)]);
    if (!stStores.IsLoaded()) {
        stState.SkipWithError("the definition did not load");
        return;
    }
    stState.SetLabel(stStores.Name());
    CBenchBinding stBinding;
    long nObjects = 0;
    for (auto _ : stState) {
        UINT nStatus = stBinding.Request(SNMP_ACTION_GETNEXT, "1.3.6.1.4.1.7310");
        while (nStatus == SNMP_STATUS_NOERROR) {
            ++nObjects;
            nStatus = stBinding.Next();
        }
    }
    stState.SetItemsProcessed(nObjects);
    stState.counters["objects"] =
        static_cast<double>(nObjects) / static_cast<double>(stState.iterations());
    stState.counters["ns_per_object"] = benchmark::Counter(
        static_cast<double>(nObjects), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

#define KORVO_DISPATCH_BENCH(fn) BENCHMARK(fn)->ArgName("definition")->DenseRange(0, 3)

KORVO_DISPATCH_BENCH(BM_GetScalar);
KORVO_DISPATCH_BENCH(BM_GetCell);
KORVO_DISPATCH_BENCH(BM_GetNextScalar);
KORVO_DISPATCH_BENCH(BM_GetNextCell);
KORVO_DISPATCH_BENCH(BM_SetScalar);
KORVO_DISPATCH_BENCH(BM_SetCell);
KORVO_DISPATCH_BENCH(BM_Walk)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
