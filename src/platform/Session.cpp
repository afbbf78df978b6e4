// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Session.h"

#include <QCoreApplication>
#include <QGuiApplication>

Session::Kind Session::currentKind()
{
    const QString platform =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::platformName() : QString();
    if (platform == u"xcb" || (platform.isEmpty() && qEnvironmentVariableIsSet("DISPLAY") &&
                               qEnvironmentVariable("XDG_SESSION_TYPE") != u"wayland"))
        return Kind::X11;
    if (platform.startsWith(u"wayland") || qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland")
        return Kind::Wayland;
    return Kind::None;
}

Session Session::current()
{
    Session session;
    session.kind = currentKind();

    const QString backend = qEnvironmentVariable("VANTRO_KEY_BACKEND");
    if (backend == u"null")
        session.keyDetectionUnavailableReason =
            QCoreApplication::translate("KeyMonitor", "Global key detection is turned off (VANTRO_KEY_BACKEND).");
    else if (backend == u"portal")
        session.keyDetectionUnavailableReason = QCoreApplication::translate(
            "KeyMonitor", "Vantro does not watch keys: the desktop delivers its shortcuts (VANTRO_KEY_BACKEND).");
    else if (session.kind == Kind::Wayland)
        session.keyDetectionUnavailableReason = QCoreApplication::translate(
            "KeyMonitor", "Wayland lets no program watch keys globally. Bind \u201cvantro --trigger\u201d and "
                          "\u201cvantro --screenshot\u201d to shortcuts in your desktop's keyboard settings.");
    else if (session.kind != Kind::X11)
        session.keyDetectionUnavailableReason =
            QCoreApplication::translate("KeyMonitor", "Global key detection needs an X11 session.");
    return session;
}
