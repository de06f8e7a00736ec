// Daemon entry and lifecycle: command line, trap sender probe, system log,
// detaching, stop handlers and tear-down.
#include "genpvkagent.h"

#include "genpvkinit.h"

#include "agentx/genpvkagentx.h"
#include "channel/genpvkchannel.h"
#include "channel/zundshm.h"
#include "dispatch/genpvkdispatch.h"
#include "korvoversion.h"
#include "mib/parseoid.h"
#include "platform/AgentReport.h"
#include "platform/AgentSignals.h"
#include "platform/snmpapi.h"
#include "traps/TrapSecrets.h"
#include "traps/genpvktrap.h"
#include "traps/genpvktrapdest.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <csignal>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

char sAgentName[AGENT_NAME_SIZE] = KORVO_AGENT_NAME;
char sVersion[AGENT_NAME_SIZE] = KORVO_VERSION_BANNER;

volatile sig_atomic_t bExited = 0;

namespace {

const char* const TRAP_SENDER_PROBE = "/usr/bin/snmptrap -V 2>&1";
// A sender whose version query does not end by then is taken as none.
const int TRAP_SENDER_PROBE_TIMEOUT_MS = 5000;
// More than the version line is never needed.
const size_t TRAP_SENDER_PROBE_OUTPUT_MAX = 4096;
// Files the daemon creates are never writable by group or others.
const mode_t DAEMON_UMASK = 022;

bool IsConfigSwitch(const char* pszArg) {
    return strcmp(pszArg, "-c") == 0 || strcmp(pszArg, "-C") == 0;
}

void InstallHandler(int nSignal, void (*pfnHandler)(int)) {
    struct sigaction stAction;
    memset(&stAction, 0, sizeof(stAction));
    sigemptyset(&stAction.sa_mask);
    stAction.sa_handler = pfnHandler;
    sigaction(nSignal, &stAction, nullptr);
}

// SIGTERM and SIGINT stop the daemon, and so do SIGUSR1, SIGUSR2 and SIGALRM,
// whose default action would end it without removing the block. SIGHUP
// re-reads the trap destinations; a closed pipe is reported by the write
// that met it, never by a signal.
void InstallStopHandlers() {
    const int aStopSignals[] = {SIGTERM, SIGINT, SIGUSR1, SIGUSR2, SIGALRM};
    for (int nSignal : aStopSignals) {
        InstallHandler(nSignal, ExitRoutine);
    }
    InstallHandler(SIGHUP, ReloadRoutine);
    InstallHandler(SIGPIPE, SIG_IGN);
    InstallHandler(SIGSEGV, simExitRoutine);
}

// The probe's child: its own process group (so a timeout ends the shell and
// the sender together), the pipe as standard output, then the shell.
[[noreturn]] void RunProbeChild(int nWriteEnd) {
    setpgid(0, 0);
    signal(SIGPIPE, SIG_DFL);
    dup2(nWriteEnd, STDOUT_FILENO);
    close(nWriteEnd);
    execl("/bin/sh", "sh", "-c", TRAP_SENDER_PROBE, static_cast<char*>(nullptr));
    _exit(127);
}

// Collects the probe's output until it ends, the bound is reached or the
// time is up; false on the timeout.
bool CollectProbeOutput(int nReadEnd, std::string& strOutput) {
    struct timespec stStart;
    clock_gettime(CLOCK_MONOTONIC, &stStart);
    char szChunk[256];
    while (strOutput.size() < TRAP_SENDER_PROBE_OUTPUT_MAX) {
        struct timespec stNow;
        clock_gettime(CLOCK_MONOTONIC, &stNow);
        long nElapsedMs =
            (stNow.tv_sec - stStart.tv_sec) * 1000L + (stNow.tv_nsec - stStart.tv_nsec) / 1000000L;
        if (nElapsedMs >= TRAP_SENDER_PROBE_TIMEOUT_MS) {
            return false;
        }
        struct pollfd stPoll = {nReadEnd, POLLIN, 0};
        int nReady = poll(&stPoll, 1, static_cast<int>(TRAP_SENDER_PROBE_TIMEOUT_MS - nElapsedMs));
        if (nReady < 0 && errno == EINTR) {
            continue;
        }
        if (nReady <= 0) {
            return nReady == 0 ? false : true;
        }
        ssize_t nRead = read(nReadEnd, szChunk, sizeof(szChunk));
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        if (nRead <= 0) {
            return true;
        }
        strOutput.append(szChunk, static_cast<size_t>(nRead));
    }
    return true;
}

// Runs the probe command and returns what it printed; false when it could
// not be run or did not end in time.
bool RunTrapSenderProbe(std::string& strOutput) {
    int aPipe[2];
    if (pipe(aPipe) != 0) {
        return false;
    }
    pid_t nChild = fork();
    if (nChild < 0) {
        close(aPipe[0]);
        close(aPipe[1]);
        return false;
    }
    if (nChild == 0) {
        close(aPipe[0]);
        RunProbeChild(aPipe[1]);
    }
    close(aPipe[1]);
    bool bEnded = CollectProbeOutput(aPipe[0], strOutput);
    close(aPipe[0]);
    // Whatever is left of the probe (a sender that hangs) ends here.
    kill(-nChild, SIGKILL);
    kill(nChild, SIGKILL);
    while (waitpid(nChild, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (!bEnded) {
        fprintf(stderr, "qbz_korvodsnmpagent: %s gave no answer within %d s\n", TRAP_SENDER_PROBE,
                TRAP_SENDER_PROBE_TIMEOUT_MS / 1000);
    }
    return bEnded;
}

// The version packed as (major << 8) | minor from the probe's output, read as
// the byte stream of a pipe: the first digit, then the point, then the minor
// digit. Past the end the stream gives EOF, as a pipe does.
int PackedVersion(const std::string& strOutput) {
    size_t nAt = 0;
    auto nextByte = [&strOutput, &nAt]() {
        return nAt < strOutput.size() ? static_cast<unsigned char>(strOutput[nAt++]) : EOF;
    };
    int nByte = nextByte();
    while (nByte != EOF && !isdigit(nByte)) {
        nByte = nextByte();
    }
    if (nByte == EOF) {
        return -1;
    }
    int nVersion = (nByte - '0') << 8;
    nextByte(); // the point after the major digit
    int nMinor = nextByte();
    nVersion |= nMinor - '0';
    return nVersion;
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

// The stop signals, held back while the block is created so that a stop
// either comes before it (and no block is made) or finds it to remove.
void BlockStopSignals(int nHow) {
    sigset_t stSignals;
    sigemptyset(&stSignals);
    const int aStopSignals[] = {SIGTERM, SIGINT, SIGUSR1, SIGUSR2, SIGALRM};
    for (int nSignal : aStopSignals) {
        sigaddset(&stSignals, nSignal);
    }
    sigprocmask(nHow, &stSignals, nullptr);
}

// SIGHUP's work between two requests of the block's loop.
bool g_bReloadPending = false;
void ServeReloadBetweenRequests() {
    ServeReloadRequest(g_bReloadPending);
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
    std::string strOutput;
    if (!RunTrapSenderProbe(strOutput)) {
        return -1;
    }
    return PackedVersion(strOutput);
}

void ExitRoutine(int /*nSignal*/) {
    if (bExited == 1) {
        _exit(0);
    }
    // Initialisation acts on a stop between its steps; a second stop signal
    // while one step does not come back (a library that hangs) ends the
    // process at once. The block does not exist yet.
    if (g_bInitialising && g_bStopRequested) {
        _exit(0);
    }
    // The tear-down logs and exits, which is not safe here: the polling
    // loop runs it within one poll period.
    g_bStopRequested = 1;
}

void ReloadRoutine(int /*nSignal*/) {
    g_bReloadRequested = 1;
}

void StopIfRequestedDuringStart() {
    if (g_bStopRequested) {
        StopAgent();
    }
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
    RemoveTrapSecrets();
    bExited = 1;
    syslog(LOG_INFO, "Agent %s Stopped\n", sVersion);
    exit(0);
}

// Kept as it stands: every end of the detached daemon has status 0, also
// after a fatal error that asked for 1 or -1. Errors are reported on standard
// error and in the system log instead; the init scripts and monitoring
// checks written for earlier releases read a non-zero status of the daemon as
// a crash and the service manager restarts it on any end anyway.
void clean_up() {
    if (bExited == 1) {
        _exit(0);
    }
    ReleaseSharedBlock();
    RemoveTrapSecrets();
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
    g_bReportToSyslog = true;
    InstallStopHandlers();
    // Kept as it stands: "Started" and the parent's status 0 come before the
    // definitions are read, so a start-up that fails later is seen only on
    // standard error and in the system log. The service unit (Type=forking)
    // and the init scripts of earlier releases wait for this parent's exit.
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
    umask(DAEMON_UMASK);
    CloseStandardOutput();
    atexit(clean_up);

    g_bInitialising = 1;
    InitialiseMIB();
    return 1;
}

void ServeReloadRequest(bool& bReloadPending) {
    if (g_bReloadRequested) {
        g_bReloadRequested = 0;
        ReadPendingTrapDestinations();
        bReloadPending = true;
    }
    if (bReloadPending && ApplyPendingTrapDestinations()) {
        bReloadPending = false;
        syslog(LOG_INFO, "Agent %s re-read the trap destinations\n", sVersion);
    }
}

void InitialiseMIB() {
    // The daemon's get-next renames the binding to the last walk-order
    // entry's target before it ends the request past the last definition.
    g_iEndOfWalkResult = NEXT_ENTRY_END;
    if (SnmpExtensionInit(0, nullptr) == 0) {
        StopIfRequestedDuringStart();
        ReportStartupError("no MIB definition could be served; the agent ends without serving");
        return;
    }
    BlockStopSignals(SIG_BLOCK);
    StopIfRequestedDuringStart();
    SHARED_DATA* pBlock = AttachSharedBlock();
    g_bInitialising = 0;
    BlockStopSignals(SIG_UNBLOCK);
    if (pBlock == nullptr) {
        ReportStartupError("the shared-memory block (key %d, %u bytes) cannot be created or "
                           "attached: %s",
                           ZUND_SHM_KEY, static_cast<unsigned>(ZUND_SHM_SIZE), strerror(errno));
        return;
    }
    pstVarBind = AllocateRequestBinding();
    // With -x the AgentX front end serves beside the block on a thread of
    // its own; the two then take turns at the dispatch.
    PFN_DISPATCH pfnDispatch = StartAgentX() ? SerialisedPopulateValue : PopulateValue;
    RunChannelLoop(pBlock, pstVarBind, pfnDispatch, ServeReloadBetweenRequests);
    StopAgentX();
    StopAgent();
}
