// orn-dspctl: a service tool over the device link, without the GUI.

#include "dspctl/dspctl.h"

int main(int argc, char** argv) {
    return dspctl::Main(argc, argv, stdout, stderr);
}
