/* A minimal pass_persist program for the benchmarks: answers get and getnext
 * of a table of N integers under .1.3.6.1.4.1.99991 (.1.COLUMN.ROW, 20
 * columns) from its own memory, so that snmpd's pass_persist path can be
 * measured without our relay and daemon behind it.
 *   pass_persist .1.3.6.1.4.1.99991 /path/bench_peer_passpersist N */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define BASE ".1.3.6.1.4.1.99991"
#define COLUMNS 20u

static unsigned g_nRows;

/* The instance after the OID text: 1 with column and row set, 0 when nothing
 * of the table follows it. */
static int next_instance(const char* pszOid, unsigned* pnColumn, unsigned* pnRow) {
    size_t nBase = strlen(BASE);
    int nOrder = strncmp(pszOid, BASE, nBase);
    const char* pszRest = pszOid + nBase;
    unsigned aIds[3] = {0, 0, 0};
    int nIds = 0;
    if (nOrder > 0 || (nOrder == 0 && *pszRest != '\0' && *pszRest != '.')) {
        return 0; /* after the table */
    }
    while (nOrder == 0 && *pszRest == '.' && nIds < 3) {
        aIds[nIds++] = (unsigned)strtoul(pszRest + 1, (char**)&pszRest, 10);
    }
    *pnColumn = 1;
    *pnRow = 1;
    if (nIds == 0 || aIds[0] < 1 || (aIds[0] == 1 && (nIds == 1 || aIds[1] < 1))) {
        return 1; /* before the first instance */
    }
    if (aIds[0] > 1 || aIds[1] > COLUMNS) {
        return 0;
    }
    *pnColumn = aIds[1];
    *pnRow = nIds == 2 ? 1 : aIds[2] + 1;
    if (*pnRow == 0 || *pnRow > g_nRows) {
        *pnRow = 1;
        return ++*pnColumn <= COLUMNS;
    }
    return 1;
}

static void answer(unsigned nColumn, unsigned nRow) {
    printf("%s.1.%u.%u\ninteger\n%u\n", BASE, nColumn, nRow, nColumn * 100000u + nRow);
}

int main(int argc, char** argv) {
    char szLine[1024], szOid[1024];
    unsigned nColumn, nRow;
    g_nRows = (argc > 1 ? (unsigned)atoi(argv[1]) : 10000u) / COLUMNS;
    while (fgets(szLine, sizeof(szLine), stdin) != NULL) {
        szLine[strcspn(szLine, "\n")] = '\0';
        if (strcmp(szLine, "PING") == 0) {
            puts("PONG");
        } else if (strcmp(szLine, "get") == 0 || strcmp(szLine, "getnext") == 0) {
            if (fgets(szOid, sizeof(szOid), stdin) == NULL)
                break;
            szOid[strcspn(szOid, "\n")] = '\0';
            int bNext = szLine[3] == 'n';
            if (bNext && next_instance(szOid, &nColumn, &nRow)) {
                answer(nColumn, nRow);
            } else if (!bNext && sscanf(szOid, BASE ".1.%u.%u", &nColumn, &nRow) == 2 &&
                       nColumn >= 1 && nColumn <= COLUMNS && nRow >= 1 && nRow <= g_nRows) {
                answer(nColumn, nRow);
            } else {
                puts("NONE");
            }
        } else if (strcmp(szLine, "set") == 0) {
            if (fgets(szOid, sizeof(szOid), stdin) == NULL ||
                fgets(szOid, sizeof(szOid), stdin) == NULL)
                break;
            puts("not-writable");
        }
        fflush(stdout);
    }
    return 0;
}
