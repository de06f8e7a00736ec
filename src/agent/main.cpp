// qbz_korvodsnmpagent: the Linux daemon.
#include "genpvkagent.h"

int main(int argc, char** argv) {
    return RunAgent(argc, argv);
}
