#include "UserRegistry.h"

namespace korvane {

namespace {

// The web engine never writes the value a pane deletes, on any platform:
// there is nothing to delete.
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
