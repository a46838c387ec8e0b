#include "core/ports/registry.h"

namespace korvan {
namespace {

// There is no registry here, and the FreeRDP stand-in needs no per-host
// device value: nothing exists and nothing is written, so the step that
// creates it is skipped.
class NullRegistry final : public Registry {
public:
    bool valueExists(std::string_view, std::string_view) override { return false; }
    bool writeDword(std::string_view, std::string_view, uint32_t) override { return false; }
};

}  // namespace

std::unique_ptr<Registry> makeSystemRegistry() { return std::make_unique<NullRegistry>(); }

}  // namespace korvan
