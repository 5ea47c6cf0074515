#include "UserRegistry.h"

namespace korvane {

namespace {

// Linux and the other desktops Qt serves have no per-user registry, so
// nothing was ever written there and there is nothing to delete.
class TNoUserRegistry final : public TUserRegistry {
public:
    void DeleteValue(const QString&, const QString&) override {}
};

} // namespace

TUserRegistry& PlatformUserRegistry() {
    static TNoUserRegistry registry;
    return registry;
}

} // namespace korvane
