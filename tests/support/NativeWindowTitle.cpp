#include "NativeWindowTitle.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace korvane::test {

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    if (reply == nullptr)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

std::optional<QString> NativeWindowTitle(QWidget& window) {
    // The offscreen platform may answer for X11 too, without a connection.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr)
        return std::nullopt;
    const auto id = static_cast<xcb_window_t>(window.window()->winId());
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, id, Atom(connection, "_NET_WM_NAME"),
                                                Atom(connection, "UTF8_STRING"), 0, 4096),
                               nullptr);
    if (reply == nullptr)
        return QString();
    const QString title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
    std::free(reply);
    return title;
}

} // namespace korvane::test
