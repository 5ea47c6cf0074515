#pragma once

#include <QFlags>

#include <cstdint>

namespace korvane {

// What a pane lets its engine download and run: one member per download-control
// flag of the HTML engine the panes were first written for (its DLCTL_ values),
// so the sum of a set is the value that engine took.
enum class TDownloadControlOption : std::uint32_t {
    DownloadImages = 0x10,
    DownloadVideos = 0x20,
    DownloadBGSounds = 0x40,
    NoScripts = 0x80,
    NoJava = 0x100,
    NoRunActiveXCtls = 0x200,
    NoDLActiveXCtls = 0x400,
    DownloadOnly = 0x800,
    NoFrameDownload = 0x1000,
    Resynchronize = 0x2000,
    PragmaNoCache = 0x4000,
    NoBehaviors = 0x8000,
    NoMetaCharset = 0x10000,
    UrlEncodingDisableUtf8 = 0x20000,
    UrlEncodingEnableUtf8 = 0x40000,
    NoFrames = 0x80000,
    ForceOffline = 0x10000000,
    NoClientPull = 0x20000000,
    Silent = 0x40000000,
    Offline = 0x80000000,
};
using TDownloadControlOptions = QFlags<TDownloadControlOption>;

// The host's wishes for the engine's own look: one member per host UI flag
// (DOCHOSTUIFLAG values). The empty set keeps the engine's defaults.
enum class TUserInterfaceOption : std::uint32_t {
    Dialog = 0x1,
    DisableHelpMenu = 0x2,
    No3DBorder = 0x4,
    ScrollNo = 0x8,
    DisableScriptInactive = 0x10,
    OpenNewWin = 0x20,
    DisableOffscreen = 0x40,
    FlatScrollBar = 0x80,
    DivBlockDefault = 0x100,
    ActivateClientHitOnly = 0x200,
    OverrideBehaviorFactory = 0x400,
    CodePageLinkedFonts = 0x800,
    UrlEncodingDisableUtf8 = 0x1000,
    UrlEncodingEnableUtf8 = 0x2000,
    EnableFormsAutocomplete = 0x4000,
    EnableInplaceNavigation = 0x10000,
    ImeEnableReconversion = 0x20000,
    Theme = 0x40000,
    NoTheme = 0x80000,
    NoPics = 0x100000,
    No3DOuterBorder = 0x200000,
    DisableEditNsFixup = 0x400000,
    LocalMachineAccessCheck = 0x800000,
    DisableUntrustedProtocol = 0x1000000,
    HostNavigates = 0x2000000,
    EnableRedirectNotification = 0x4000000,
    UseWindowlessSelectControl = 0x8000000,
    UseWindowedSelectControl = 0x10000000,
    EnableActiveXInactivateMode = 0x20000000,
    DpiAware = 0x40000000,
};
using TUserInterfaceOptions = QFlags<TUserInterfaceOption>;

} // namespace korvane

Q_DECLARE_OPERATORS_FOR_FLAGS(korvane::TDownloadControlOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(korvane::TUserInterfaceOptions)
