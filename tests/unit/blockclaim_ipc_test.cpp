// Whether a starting daemon may serve the block: not while another running
// daemon created it; a block whose creator has ended is removed.
#include "agent/genpvkagent.h"
#include "channel/zundshm.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool BlockExists() {
    return shmget(ZUND_SHM_KEY, 0, 0) >= 0;
}

// A child of the same program that creates the block and waits to be killed.
pid_t StartBlockOwner() {
    int aPipe[2];
    EXPECT_EQ(0, pipe(aPipe));
    pid_t nChild = fork();
    if (nChild == 0) {
        shmget(ZUND_SHM_KEY, ZUND_SHM_SIZE, IPC_CREAT | ZUND_SHM_PERMISSIONS);
        char cReady = 1;
        (void)!write(aPipe[1], &cReady, 1);
        pause();
        _exit(0);
    }
    char cReady = 0;
    EXPECT_EQ(1, read(aPipe[0], &cReady, 1));
    close(aPipe[0]);
    close(aPipe[1]);
    return nChild;
}

void StopProcess(pid_t nPid) {
    kill(nPid, SIGKILL);
    waitpid(nPid, nullptr, 0);
}

} // namespace

TEST(ClaimSharedBlock, RefusesWhileAnotherDaemonServesAndTakesOverALeftBlock) {
    ASSERT_FALSE(BlockExists());
    EXPECT_TRUE(ClaimSharedBlock()) << "no block: free to serve";

    pid_t nOwner = StartBlockOwner();
    ASSERT_TRUE(BlockExists());
    EXPECT_FALSE(ClaimSharedBlock()) << "another running daemon created the block";
    EXPECT_TRUE(BlockExists()) << "the running daemon's block is left alone";

    StopProcess(nOwner);
    EXPECT_TRUE(ClaimSharedBlock()) << "the creator was killed";
    EXPECT_FALSE(BlockExists()) << "the left block is removed";
}

TEST(ClaimSharedBlock, KeepsABlockItCreatedItself) {
    int iID = shmget(ZUND_SHM_KEY, ZUND_SHM_SIZE, IPC_CREAT | ZUND_SHM_PERMISSIONS);
    ASSERT_GE(iID, 0);
    EXPECT_TRUE(ClaimSharedBlock());
    EXPECT_TRUE(BlockExists());
    shmctl(iID, IPC_RMID, nullptr);
}
