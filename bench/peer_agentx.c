/* A minimal AgentX subagent on net-snmp's agent library for the benchmarks:
 * one handler answers get and getnext of a table of N integers under
 * .1.3.6.1.4.1.99992 (.1.COLUMN.ROW, 20 columns) from its own memory.
 *   bench_peer_agentx SOCKET N */
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>

#include <signal.h>

#define COLUMNS 20u

static const oid g_aBase[] = {1, 3, 6, 1, 4, 1, 99992};
static const size_t BASE_LEN = sizeof(g_aBase) / sizeof(g_aBase[0]);
static unsigned g_nRows;
static volatile sig_atomic_t g_bStop = 0;

static void stop(int nSignal) {
    (void)nSignal;
    g_bStop = 1;
}

/* The instance after the request OID: 1 with column and row set. */
static int next_instance(const oid* pName, size_t nLen, unsigned* pnColumn, unsigned* pnRow) {
    int nOrder = snmp_oid_ncompare(pName, nLen, g_aBase, BASE_LEN, BASE_LEN);
    const oid* pIds = pName + BASE_LEN;
    size_t nIds = nOrder == 0 && nLen > BASE_LEN ? nLen - BASE_LEN : 0;
    if (nOrder > 0)
        return 0;
    *pnColumn = 1;
    *pnRow = 1;
    if (nIds == 0 || pIds[0] < 1 || (pIds[0] == 1 && (nIds == 1 || pIds[1] < 1)))
        return 1;
    if (pIds[0] > 1 || pIds[1] > COLUMNS)
        return 0;
    *pnColumn = (unsigned)pIds[1];
    *pnRow = nIds == 2 ? 1 : (unsigned)pIds[2] + 1;
    if (*pnRow == 0 || *pnRow > g_nRows) {
        *pnRow = 1;
        return ++*pnColumn <= COLUMNS;
    }
    return 1;
}

static void set_answer(netsnmp_variable_list* pVar, unsigned nColumn, unsigned nRow) {
    oid aName[BASE_LEN + 3];
    memcpy(aName, g_aBase, sizeof(g_aBase));
    aName[BASE_LEN] = 1;
    aName[BASE_LEN + 1] = nColumn;
    aName[BASE_LEN + 2] = nRow;
    snmp_set_var_objid(pVar, aName, BASE_LEN + 3);
    long nValue = (long)(nColumn * 100000u + nRow);
    snmp_set_var_typed_value(pVar, ASN_INTEGER, &nValue, sizeof(nValue));
}

static int handle_table(netsnmp_mib_handler* pHandler, netsnmp_handler_registration* pReg,
                        netsnmp_agent_request_info* pInfo, netsnmp_request_info* pRequests) {
    (void)pHandler;
    (void)pReg;
    for (netsnmp_request_info* pRequest = pRequests; pRequest; pRequest = pRequest->next) {
        netsnmp_variable_list* pVar = pRequest->requestvb;
        unsigned nColumn, nRow;
        if (pInfo->mode == MODE_GETNEXT) {
            if (next_instance(pVar->name, pVar->name_length, &nColumn, &nRow)) {
                set_answer(pVar, nColumn, nRow);
            }
        } else if (pInfo->mode == MODE_GET) {
            const oid* pIds = pVar->name + BASE_LEN;
            if (pVar->name_length == BASE_LEN + 3 && pIds[0] == 1 && pIds[1] >= 1 &&
                pIds[1] <= COLUMNS && pIds[2] >= 1 && pIds[2] <= g_nRows) {
                set_answer(pVar, (unsigned)pIds[1], (unsigned)pIds[2]);
            } else {
                netsnmp_set_request_error(pInfo, pRequest, SNMP_NOSUCHINSTANCE);
            }
        }
    }
    return SNMP_ERR_NOERROR;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bench_peer_agentx SOCKET N\n");
        return 2;
    }
    g_nRows = (unsigned)atoi(argv[2]) / COLUMNS;
    setenv("MIBS", "", 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 1);
    netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_X_SOCKET, argv[1]);
    snmp_enable_stderrlog();
    init_agent("korvo-bench-peer");
    netsnmp_register_handler(netsnmp_create_handler_registration(
        "korvo-bench-peer", handle_table, g_aBase, BASE_LEN, HANDLER_CAN_RONLY));
    init_snmp("korvo-bench-peer");
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    while (!g_bStop) {
        agent_check_and_process(1);
    }
    snmp_shutdown("korvo-bench-peer");
    return 0;
}
