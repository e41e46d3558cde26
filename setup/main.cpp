// The setup launcher's entry.
#include "setup/launcher.h"

int main(int, char **) {
    return RunLauncher();
}
