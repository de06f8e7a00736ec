// korvo_trap_driver: loads the stores of a controller list, reads each
// library's trap destinations as agent initialisation does, and raises one
// event through the event callback, as a storage library would.
//
//   korvo_trap_driver LIST CONF INDEX CODE DESCRIPTION [VALUE:TEXT ...]
//       raises event CODE (decimal, or hexadecimal with 0x) for library INDEX
//       with the given arguments and prints "result N", N from the callback
//
// CONF is the path of snmpd.conf, or an empty text for none. The secrets of
// trapsess lines are written where the daemon writes them, and removed when
// the driver ends.
#include "dispatch/FindHolder.h"
#include "mib/parseini.h"
#include "mib/parseinifile.h"
#include "traps/TrapSecrets.h"
#include "traps/genpvktrap.h"
#include "traps/genpvktrapdest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void LoadDestinations() {
    g_noOfDLL = g_iNoOfDeviceType;
    g_pMIB_DC = new MIB_DC[g_noOfDLL];
    for (int i = 0; i < g_noOfDLL; i++) {
        g_pMIB_DC[i].nClientIPCount =
            GetClientIPList(getTrapDestinationFileName(i), g_pMIB_DC[i].ClientIPList);
    }
}

// "VALUE:TEXT" into one event argument.
bool ParseArgument(const char* pszArgument, CEventArg& arg) {
    const char* pszColon = strchr(pszArgument, ':');
    if (pszColon == nullptr || strlen(pszColon + 1) >= sizeof(arg.szArgText)) {
        return false;
    }
    arg.iArgValue = atoi(pszArgument);
    strcpy(arg.szArgText, pszColon + 1);
    return true;
}

int RaiseEvent(int argc, char** argv) {
    CEventInfo eventInfo;
    eventInfo.iLibIndex = atoi(argv[3]);
    eventInfo.iEventCode = static_cast<int>(strtol(argv[4], nullptr, 0));
    snprintf(eventInfo.szDescription, sizeof(eventInfo.szDescription), "%s", argv[5]);
    for (int a = 6; a < argc; a++) {
        if (eventInfo.iArgCount >= EVENT_MAX_ARGS ||
            !ParseArgument(argv[a], eventInfo.aArgs[eventInfo.iArgCount++])) {
            fprintf(stderr, "bad argument: %s\n", argv[a]);
            return 2;
        }
    }
    printf("result %d\n", MyCallback(&eventInfo));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        fprintf(stderr, "usage: %s LIST CONF INDEX CODE DESCRIPTION [VALUE:TEXT ...]\n", argv[0]);
        return 2;
    }
    if (strlen(argv[2]) >= sizeof(gszSystemConf)) {
        fprintf(stderr, "configuration path too long\n");
        return 2;
    }
    strcpy(gszSystemConf, argv[2]);
    if (initParseINIFromFile(argv[1], OS_TYPE_LINUX) <= 0) {
        fprintf(stderr, "no store loaded from %s\n", argv[1]);
        return 2;
    }
    LoadDestinations();
    fflush(stdout);
    int nStatus = RaiseEvent(argc, argv);
    RemoveTrapSecrets();
    delete[] g_pMIB_DC;
    closeAllPtrs();
    return nStatus;
}
