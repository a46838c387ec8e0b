#include "core/app/process_finder.h"

namespace korvan {

int ProcessFinder::listProcesses(std::vector<std::string>& names, std::vector<uint32_t>& ids) {
    names.clear();
    ids.clear();
    for (auto& entry : processes.list()) {
        names.push_back(std::move(entry.name));
        ids.push_back(entry.id);
    }
    return static_cast<int>(names.size());
}

}  // namespace korvan
