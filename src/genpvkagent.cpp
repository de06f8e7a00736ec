// Daemon entry and lifecycle: command line, trap sender probe, system log,
// detaching, stop handlers and tear-down.
#include "genpvkagent.h"

#include "genpvkagentx.h"
#include "snmpapi.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <csignal>
#include <fcntl.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

char sAgentName[AGENT_NAME_SIZE] = "Brennic KORVO SNMP Agent";
char sVersion[AGENT_NAME_SIZE] = "Ver 3.18.0.2 (Mar 19th, 2015)";
char gszSystemConf[SYSTEM_CONF_SIZE];

volatile sig_atomic_t bExited = 0;
char* g_pcShMemPtr = nullptr;
int iShMemID = -1;
RFC1157VarBind* pstVarBind = nullptr;
volatile sig_atomic_t g_bStopRequested = 0;

namespace {

const char* const TRAP_SENDER_PROBE = "/usr/bin/snmptrap -V 2>&1";

bool IsConfigSwitch(const char* pszArg) {
    return strcmp(pszArg, "-c") == 0 || strcmp(pszArg, "-C") == 0;
}

void InstallStopHandlers() {
    struct sigaction stAction;
    memset(&stAction, 0, sizeof(stAction));
    sigemptyset(&stAction.sa_mask);
    stAction.sa_handler = ExitRoutine;
    sigaction(SIGTERM, &stAction, nullptr);
    sigaction(SIGINT, &stAction, nullptr);
    stAction.sa_handler = simExitRoutine;
    sigaction(SIGSEGV, &stAction, nullptr);
}

// Closes standard output. Descriptor 1 is then pointed at /dev/null so that
// text written to standard output later is discarded and can never land in a
// file that happens to be opened on the freed descriptor.
void CloseStandardOutput() {
    fflush(stdout);
    close(STDOUT_FILENO);
    int nNull = open("/dev/null", O_WRONLY);
    if (nNull >= 0 && nNull != STDOUT_FILENO) {
        dup2(nNull, STDOUT_FILENO);
        close(nNull);
    }
}

} // namespace

CommandLineAction ParseCommandLine(int argc, char** argv) {
    gszSystemConf[0] = '\0';
    if (argc >= 2 && strcmp(argv[1], "-v") == 0) {
        return CMDLINE_VERSION;
    }
    // -x ADDRESS may stand anywhere; the rest is read without it.
    if (!TakeAgentXOption(argc, argv)) {
        return CMDLINE_USAGE;
    }
    if (argc < 3) {
        return CMDLINE_USAGE;
    }
    for (int i = 1; i < argc; ++i) {
        if (!IsConfigSwitch(argv[i])) {
            continue;
        }
        if (i + 1 >= argc || strlen(argv[i + 1]) >= SYSTEM_CONF_SIZE) {
            return CMDLINE_USAGE;
        }
        strcpy(gszSystemConf, argv[i + 1]);
        return CMDLINE_START;
    }
    return CMDLINE_USAGE;
}

int get_net_snmp_version() {
    FILE* pPipe = popen(TRAP_SENDER_PROBE, "r");
    if (pPipe == nullptr) {
        return -1;
    }
    int nByte = fgetc(pPipe);
    while (nByte != EOF && !isdigit(nByte)) {
        nByte = fgetc(pPipe);
    }
    if (nByte == EOF) {
        pclose(pPipe);
        return -1;
    }
    int nVersion = (nByte - '0') << 8;
    fgetc(pPipe); // the point after the major digit
    int nMinor = fgetc(pPipe);
    nVersion |= nMinor - '0';
    pclose(pPipe);
    return nVersion;
}

void ReleaseSharedBlock() {
    if (g_pcShMemPtr != nullptr) {
        shmdt(g_pcShMemPtr);
        g_pcShMemPtr = nullptr;
    }
    if (iShMemID >= 0) {
        shmctl(iShMemID, IPC_RMID, nullptr);
        iShMemID = -1;
    }
}

void ExitRoutine(int /*nSignal*/) {
    if (bExited == 1) {
        _exit(0);
    }
    // The tear-down logs and exits, which is not safe here: the polling
    // loop runs it within one poll period.
    g_bStopRequested = 1;
}

void simExitRoutine(int /*nSignal*/) {
    // The faulting code cannot be returned to: remove the segment with plain
    // system calls and end the process at once.
    if (bExited != 1) {
        ReleaseSharedBlock();
        bExited = 1;
    }
    _exit(0);
}

void StopAgent() {
    ReleaseSharedBlock();
    bExited = 1;
    syslog(LOG_INFO, "Agent %s Stopped\n", sVersion);
    exit(0);
}

void clean_up() {
    if (bExited == 1) {
        _exit(0);
    }
    ReleaseSharedBlock();
    if (pstVarBind != nullptr) {
        SnmpUtilMemFree(pstVarBind);
        pstVarBind = nullptr;
    }
    bExited = 1;
    // Exit handlers must not call exit again.
    _exit(0);
}

namespace {

// The program name of a process ("" when it has ended).
std::string ProgramName(pid_t nPid) {
    char szPath[64];
    snprintf(szPath, sizeof(szPath), "/proc/%d/comm", static_cast<int>(nPid));
    FILE* pComm = fopen(szPath, "r");
    if (pComm == nullptr) {
        return "";
    }
    char szName[64] = {0};
    if (fgets(szName, sizeof(szName), pComm) == nullptr) {
        szName[0] = 0;
    }
    fclose(pComm);
    return szName;
}

} // namespace

bool ClaimSharedBlock() {
    int iID = shmget(ZUND_SHM_KEY, 0, 0);
    if (iID < 0) {
        return true;
    }
    shmid_ds stInfo;
    if (shmctl(iID, IPC_STAT, &stInfo) != 0) {
        return true;
    }
    pid_t nCreator = stInfo.shm_cpid;
    std::string strCreator = ProgramName(nCreator);
    if (strCreator.empty()) {
        // Its creator has ended: a block left behind by a killed daemon.
        shmctl(iID, IPC_RMID, nullptr);
        return true;
    }
    return nCreator == getpid() || strCreator != ProgramName(getpid());
}

int RunAgent(int argc, char** argv) {
    switch (ParseCommandLine(argc, argv)) {
    case CMDLINE_VERSION:
        printf("%s %s \n", sAgentName, sVersion);
        return 0;
    case CMDLINE_USAGE:
        printf("\n Usage : %s -v|-c <Full path of snmpd.conf>\n",
               argc > 0 ? argv[0] : "qbz_korvodsnmpagent");
        return 0;
    case CMDLINE_START:
        break;
    }

    if (get_net_snmp_version() < 0) {
        return -1;
    }
    if (!ClaimSharedBlock()) {
        fprintf(stderr, "The request block is already served by another daemon\n");
        return -1;
    }
    openlog(sAgentName, LOG_CONS, LOG_DAEMON);
    InstallStopHandlers();
    printf("%s %s Started\n", sAgentName, sVersion);
    syslog(LOG_INFO, "Agent %s Started\n", sVersion);
    fflush(stdout);

    pid_t nChild = fork();
    if (nChild < 0) {
        return 0;
    }
    if (nChild > 0) {
        exit(0);
    }
    if (setsid() < 0) {
        return 0;
    }
    if (chdir("/") != 0) {
        // The daemon works from "/" whenever it can; nothing else depends on it.
    }
    umask(0);
    CloseStandardOutput();
    atexit(clean_up);

    InitialiseMIB();
    return 1;
}
