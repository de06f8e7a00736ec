// korvo_logsink SOCKET FILE: a stand-in for the system logger. Binds a Unix
// datagram socket (the tests bind it at /dev/log inside a private mount
// namespace) and appends every message it receives as one line to FILE.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: korvo_logsink SOCKET FILE\n");
        return 2;
    }
    int nSocket = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un stAddress;
    memset(&stAddress, 0, sizeof(stAddress));
    stAddress.sun_family = AF_UNIX;
    if (strlen(argv[1]) >= sizeof(stAddress.sun_path)) {
        fprintf(stderr, "korvo_logsink: socket path too long\n");
        return 2;
    }
    strcpy(stAddress.sun_path, argv[1]);
    unlink(argv[1]);
    if (nSocket < 0 ||
        bind(nSocket, reinterpret_cast<sockaddr*>(&stAddress), sizeof(stAddress)) != 0) {
        perror("korvo_logsink");
        return 1;
    }
    char szMessage[2048];
    for (;;) {
        ssize_t nLen = recv(nSocket, szMessage, sizeof(szMessage) - 1, 0);
        if (nLen < 0) {
            continue;
        }
        while (nLen > 0 && szMessage[nLen - 1] == '\n') {
            --nLen;
        }
        szMessage[nLen] = '\0';
        FILE* pLog = fopen(argv[2], "a");
        if (pLog != nullptr) {
            fprintf(pLog, "%s\n", szMessage);
            fclose(pLog);
        }
    }
}
