// save_loop DB HOSTS: saves two lists of HOSTS hosts to DB in turn until it
// is killed. Each list's notes carry its letter, so a reader can tell a
// whole list from a mixture. Prints "ready" once the first save is done.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ports/files.h"
#include "core/store/config_store.h"

namespace {

korvan::HostList makeList(char letter, int count) {
    korvan::HostList hosts;
    for (int i = 0; i < count; ++i) {
        int row = hosts.appendRow();
        std::string n = std::to_string(i);
        hosts.setCellText(row, korvan::kColumnNote, std::string(1, letter) + "-" + n);
        hosts.setCellText(row, korvan::kColumnAddress, "10.1." + std::to_string(i % 250) + ".9:3389");
        hosts.setCellText(row, korvan::kColumnUser, "administrator");
        hosts.setCellText(row, korvan::kColumnPassword, "password-" + n);
    }
    return hosts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: save_loop DB HOSTS\n");
        return 2;
    }
    int count = std::atoi(argv[2]);
    auto files = korvan::makeSystemFiles();
    korvan::ConfigStore store(*files, argv[1]);
    korvan::SessionSettings settings;
    settings.applyDefaults();
    korvan::HostList lists[2] = {makeList('A', count), makeList('B', count)};
    for (unsigned long i = 0;; ++i) {
        if (!store.save(settings, lists[i % 2])) return 1;
        if (i == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
