// The RDP client stand-in: named mstsc.exe and installed beside korvanctl
// and the GUI, so that starting "mstsc.exe PROFILE /SWITCH" by name finds it
// first. It reads the profile and hands the session to FreeRDP.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ports/files.h"
#include "core/ports/protection.h"
#include "linux/rdp/client_launch.h"
#include "linux/rdp/freerdp_process.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    auto files = korvan::makeSystemFiles();
    auto protection = korvan::makeSystemProtection();
    auto launch = korvan::rdp::prepareLaunch(args, *files, *protection);
    if (!launch) {
        std::fprintf(stderr, "mstsc.exe: %s\n", launch.error().detail.c_str());
        return 1;
    }
    // The tests put a recording program in FreeRDP's place.
    const char* freerdp = std::getenv("KORVAN_FREERDP");
    auto status = korvan::rdp::runWithPassword(freerdp && *freerdp ? freerdp : "xfreerdp",
                                               launch.value().freerdpArgs, launch.value().password);
    if (!status) {
        std::fprintf(stderr, "mstsc.exe: %s\n", status.error().detail.c_str());
        return 1;
    }
    return status.value();
}
