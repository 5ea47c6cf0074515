#pragma once

#include "IdHostLookup.h"
#include "IdStack.h"

namespace korvane::test {

// A name server that knows no name, in the system resolver's place while it
// lives: a failed lookup without a query leaving the machine.
class UnknownHosts {
public:
    UnknownHosts()
        : Replacement([](const std::string&) {
              return http::TIdHostLookup::TAnswer{{}, http::Id_WSAHOST_NOT_FOUND};
          }) {}

private:
    http::TIdHostLookup::TReplacement Replacement;
};

} // namespace korvane::test
