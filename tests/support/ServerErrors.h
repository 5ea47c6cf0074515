#pragma once

#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane::test {

// The end of a test with a loopback server: the server is stopped, and every
// failure inside its scripted steps fails the test.
inline void StopAndReportErrors(LoopbackServer& server) {
    server.Stop();
    for (const std::string& error : server.Errors())
        ADD_FAILURE() << "loopback server: " << error;
}

} // namespace korvane::test
