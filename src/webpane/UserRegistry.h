#pragma once

#include <QString>

namespace korvane {

// The per-user settings store of the platform the panes were first written
// for. A pane only ever deletes one value from it on shutdown: a value that
// the embedded browser of that time left there. The panes' engine now keeps
// its settings in its own profile and never writes that value, so on every
// platform, Windows included, the store the program uses does nothing.
class TUserRegistry {
public:
    virtual ~TUserRegistry() = default;
    // Deletes valueName under keyPath of the current user's hive, if the key exists.
    virtual void DeleteValue(const QString& keyPath, const QString& valueName) = 0;
};

// The store of the platform the program runs on.
TUserRegistry& PlatformUserRegistry();

} // namespace korvane
