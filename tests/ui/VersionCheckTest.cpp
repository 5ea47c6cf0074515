#include "Main.h"

#include "EmptyWebPanes.h"
#include "LoopbackServer.h"
#include "RecordingDesktop.h"
#include "ServerErrors.h"
#include "SilentResolver.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <chrono>

using namespace korvane;
using korvane::test::HttpResponse;
using korvane::test::LoopbackPeer;
using korvane::test::LoopbackServer;
using korvane::test::StopAndReportErrors;

namespace {

class VersionCheckTest : public ::testing::Test {
protected:
    void TearDown() override { StopAndReportErrors(Server); }

    // Answers the version request once with the given raw response.
    void Serve(std::string response) {
        Server.Add([response](LoopbackPeer& peer) {
            peer.ReadRequestHead();
            peer.Send(response);
            peer.WaitForClientClose();
        });
    }

    // Creates the window, which checks at once, as the program does at start.
    void StartProgram(const std::string& versionUrl) {
        TMainFormSettings settings;
        settings.VersionUrl = versionUrl;
        settings.DownloadUrl = "http://127.0.0.1:1/soft/Ostrevan隐形降权探测软件.rar";
        settings.Desktop = &Desktop;
        test::LeaveWebPanesEmpty(settings);
        TMainForm form(settings);
    }

    LoopbackServer Server;
    test::TRecordingDesktop Desktop;
};

TEST_F(VersionCheckTest, DocumentNamingThisVersionAsksNothing) {
    Server.Start();
    for (const char* document : {"1.01", "1.010", "v11.01\n"})
        Serve(HttpResponse("200 OK", "", document));
    for (int start = 0; start < 3; ++start)
        StartProgram(Server.Url("/soft/korvane/version.txt"));
    EXPECT_EQ(Server.Connections(), 3);
    EXPECT_TRUE(Desktop.Questions.empty());
    EXPECT_TRUE(Desktop.Opened.empty());
}

TEST_F(VersionCheckTest, NewerVersionAsksAndYesOpensTheDownload) {
    Server.Start();
    Serve(HttpResponse("200 OK", "", "1.02"));
    Desktop.Answer = TDesktopServices::TAnswer::Yes;
    StartProgram(Server.Url("/soft/korvane/version.txt"));

    ASSERT_EQ(Desktop.Questions.size(), 1u);
    EXPECT_EQ(Desktop.Questions[0].Text, QString::fromUtf8("软件版本已更新,是否下载新版软件?"));
    EXPECT_EQ(Desktop.Questions[0].Caption, QStringLiteral(" "));
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0].Url,
              QString::fromUtf8("http://127.0.0.1:1/soft/Ostrevan隐形降权探测软件.rar"));
    EXPECT_EQ(Desktop.Opened[0].Mode, TDesktopServices::TShowMode::Show);
    EXPECT_NE(Server.Received(0).find("GET /soft/korvane/version.txt HTTP/1.1\r\n"),
              std::string::npos);
}

TEST_F(VersionCheckTest, YesWithoutABrowserShowsTheDownloadAddress) {
    Server.Start();
    Serve(HttpResponse("200 OK", "", "1.02"));
    Desktop.Answer = TDesktopServices::TAnswer::Yes;
    Desktop.OpenSucceeds = false;
    StartProgram(Server.Url("/soft/korvane/version.txt"));

    ASSERT_EQ(Desktop.BrowserFailures.size(), 1u);
    EXPECT_EQ(Desktop.BrowserFailures[0].Url,
              QString::fromUtf8("http://127.0.0.1:1/soft/Ostrevan隐形降权探测软件.rar"));
    EXPECT_NE(Desktop.BrowserFailures[0].Owner, nullptr);
}

TEST_F(VersionCheckTest, NoOpensNothingAndAnErrorPageServedAsSuccessAsks) {
    Server.Start();
    Serve(HttpResponse("200 OK", "", "<html>Service Unavailable</html>"));
    StartProgram(Server.Url("/v"));
    EXPECT_EQ(Desktop.Questions.size(), 1u);
    EXPECT_TRUE(Desktop.Opened.empty());
}

TEST_F(VersionCheckTest, FailuresAskNothing) {
    Server.Start();
    Serve(HttpResponse("404 Not Found", "", "no such file"));
    StartProgram(Server.Url("/v"));
    const std::string refused = Server.Url("/v");
    Server.Stop(); // nothing listens on the port any more
    StartProgram(refused);
    StartProgram("");
    EXPECT_TRUE(Desktop.Questions.empty());
}

// A document that trickles in keeps every single wait short; the check
// still gives up within its own limit, and a document cut short asks
// nothing: the window opens as when the site cannot be reached.
TEST_F(VersionCheckTest, TricklingDocumentDoesNotKeepTheWindowFromOpening) {
    Server.Start();
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 112\r\n\r\n1.0");
        while (!peer.WaitForClientClose(std::chrono::milliseconds(1000)))
            peer.Send("x");
    });
    const auto start = std::chrono::steady_clock::now();
    StartProgram(Server.Url("/v"));
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_TRUE(Desktop.Questions.empty());
    // The shipped limit is a few seconds; the document would take 109 more.
    EXPECT_GE(took, std::chrono::milliseconds(kVersionCheckLimits.AnswerTimeoutMs));
    EXPECT_LT(took, std::chrono::seconds(15));
}

// "Korvane 1.0" of "Korvane 1.01": the connection closes before the
// announced length, and the part that came is not the publisher's word.
TEST_F(VersionCheckTest, DocumentCutShortAsksNothing) {
    Server.Start();
    for (const char* response : {"HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nKorvane 1.0",
                                 "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                 "b\r\nKorvane 1.0\r\n"}) {
        Server.Add([response](LoopbackPeer& peer) {
            peer.ReadRequestHead();
            peer.Send(response);
        });
        StartProgram(Server.Url("/v"));
    }
    EXPECT_EQ(Server.Connections(), 2);
    EXPECT_TRUE(Desktop.Questions.empty());
}

// A name server that never answers: the lookup is part of the check's few
// seconds, and the window opens when they are up.
TEST_F(VersionCheckTest, SilentNameServerDoesNotKeepTheWindowFromOpening) {
    const test::SilentResolver silent;
    const auto start = std::chrono::steady_clock::now();
    StartProgram("http://publisher.korvane.test/soft/korvane/version.txt");
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(silent.Asked(), 1);
    EXPECT_TRUE(Desktop.Questions.empty());
    EXPECT_GE(took, std::chrono::milliseconds(kVersionCheckLimits.AnswerTimeoutMs));
    EXPECT_LT(took, std::chrono::seconds(8));
}

TEST_F(VersionCheckTest, RedirectIsFollowedAndTheFinalBodyTested) {
    Server.Start();
    Server.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send("HTTP/1.1 302 Found\r\nLocation: /new/version.txt\r\nContent-Length: 0\r\n\r\n");
        peer.ReadRequestHead();
        peer.Send(HttpResponse("200 OK", "", "1.03"));
        peer.WaitForClientClose();
    });
    StartProgram(Server.Url("/v"));
    EXPECT_EQ(Desktop.Questions.size(), 1u);
}

// The splash the program shows while the version check holds the window, if
// one is on screen.
bool SplashShown() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QStringLiteral("StartSplash") && window->isVisible())
            return true;
    return false;
}

TEST_F(VersionCheckTest, SplashShowsWhileTheCheckWaitsUntilAQuestionOrTheWindow) {
    for (const char* document : {"1.02", "1.01"}) {
        SCOPED_TRACE(document);
        bool duringCheck = false;
        bool atQuestion = true;
        TMainFormSettings settings;
        settings.FetchVersion = [&](const std::string&, std::string& body) {
            duringCheck = SplashShown();
            body = document;
        };
        settings.Desktop = &Desktop;
        Desktop.OnAsk = [&] { atQuestion = SplashShown(); };
        test::LeaveWebPanesEmpty(settings);
        {
            TMainForm form(settings);
            EXPECT_TRUE(duringCheck);
            if (std::string(document) == "1.02") {
                EXPECT_FALSE(atQuestion); // it would hide the question box
                EXPECT_FALSE(SplashShown());
            } else {
                EXPECT_TRUE(SplashShown()); // until the window shows
            }
            form.show();
            EXPECT_FALSE(SplashShown());
        }
    }
    // No check, no splash.
    TMainFormSettings settings;
    settings.VersionUrl.clear();
    settings.Desktop = &Desktop;
    test::LeaveWebPanesEmpty(settings);
    TMainForm form(settings);
    EXPECT_FALSE(SplashShown());
}

} // namespace
