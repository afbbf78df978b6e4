// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Backends.h"

#include "platform/AppPaths.h"
#include "platform/Session.h"
#include "platform/command/ScreenshotCommand.h"
#include "platform/dbus/DBusNotifier.h"
#include "platform/dbus/StatusNotifierWatcher.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"
#include "platform/null/NotifierNull.h"
#include "platform/null/ScreenGrabberNull.h"
#include "platform/keychain/SecretStoreKeychain.h"
#include "platform/null/SecretStoreNull.h"
#include "platform/null/WindowPasterNull.h"
#include "platform/portal/GlobalHotkeyPortal.h"
#include "platform/portal/ScreenshotPortal.h"
#include "platform/qt/QtClipboard.h"
#include "platform/x11/GlobalHotkeyX11.h"
#include "platform/x11/KeyMonitorX11.h"
#include "platform/x11/MacKeyCodes.h"
#include "platform/x11/RegionSelector.h"
#include "platform/x11/X11TrayWatcher.h"
#include "platform/x11/X11WindowPaster.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QPointer>

namespace Backends {

std::unique_ptr<KeyMonitor> createKeyMonitor()
{
    const Session session = Session::current();
    if (!session.keyDetectionUnavailableReason.isEmpty())
        return std::make_unique<KeyMonitorNull>(session.keyDetectionUnavailableReason);
    return std::make_unique<KeyMonitorX11>();
}

std::unique_ptr<GlobalHotkey> createGlobalHotkey()
{
    const Session session = Session::current();
    // On Wayland only the desktop can bind a global key, through its portal; VANTRO_KEY_BACKEND=portal asks for
    // the portal's shortcuts in any session.
    const QString choice = qEnvironmentVariable("VANTRO_KEY_BACKEND");
    if (choice == u"portal" || (choice != u"null" && session.kind == Session::Kind::Wayland))
        return std::make_unique<GlobalHotkeyPortal>(QDBusConnection::sessionBus(), AppPaths::applicationId());
    // The X11 hotkey lives on Qt's own connection, so it needs the xcb platform itself.
    if (!session.keyDetectionUnavailableReason.isEmpty() || QGuiApplication::platformName() != u"xcb")
        return std::make_unique<GlobalHotkeyNull>(
            session.keyDetectionUnavailableReason.isEmpty()
                ? QCoreApplication::translate("KeyMonitor", "Global key detection needs an X11 session.")
                : session.keyDetectionUnavailableReason);
    return std::make_unique<GlobalHotkeyX11>();
}

ScreenGrabber* createScreenGrabber(const QString& configuredCommand, QObject* parent)
{
    QString command = qEnvironmentVariable("VANTRO_SCREENSHOT_COMMAND").trimmed();
    if (command.isEmpty())
        command = configuredCommand.trimmed();
    if (!command.isEmpty())
        return new ScreenshotCommand(command, parent);
    switch (Session::currentKind()) {
    case Session::Kind::Wayland:
        return new ScreenshotPortal(QDBusConnection::sessionBus(), ScreenshotPortal::defaultTimeout, parent);
    case Session::Kind::X11:
        // Our selector grabs the screens through Qt, so it needs the xcb platform itself.
        if (QGuiApplication::platformName() == u"xcb")
            return new RegionSelector(parent);
        break;
    case Session::Kind::None:
        break;
    }
    return new ScreenGrabberNull(parent);
}

Clipboard* clipboard()
{
    static QPointer<Clipboard> instance;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!instance && app)
        instance = new QtClipboard(QGuiApplication::clipboard(), app);
    return instance;
}

std::unique_ptr<Notifier> createNotifier()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return std::make_unique<NotifierNull>(
            QCoreApplication::translate("Notifier", "There is no session bus for notifications."));
    return std::make_unique<DBusNotifier>();
}

std::unique_ptr<TrayWatcher> createTrayWatcher()
{
    auto watcher = std::make_unique<TrayWatcher>();
    const auto forward = [&watcher](TrayWatcher* source) {
        source->setParent(watcher.get());
        QObject::connect(source, &TrayWatcher::trayAppeared, watcher.get(), &TrayWatcher::trayAppeared);
    };
    if (QDBusConnection::sessionBus().isConnected())
        forward(new StatusNotifierWatcher(QDBusConnection::sessionBus()));
    if (Session::currentKind() == Session::Kind::X11 && QGuiApplication::platformName() == u"xcb")
        forward(new X11TrayWatcher);
    return watcher;
}

std::unique_ptr<SecretStore> createSecretStore()
{
    const auto none = [] {
        return std::make_unique<SecretStoreNull>(QCoreApplication::translate("SecretStore", "No keyring was found."));
    };
    if (qgetenv("VANTRO_SECRET_BACKEND") == "null")
        return none();
    // A keyring that runs, or one the bus starts on the first call (GNOME Keyring, KWallet, KeePassXC).
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* busInterface = bus.isConnected() ? bus.interface() : nullptr;
    const QString service = QStringLiteral("org.freedesktop.secrets");
    if (!busInterface || (!busInterface->isServiceRegistered(service).value() &&
                          !busInterface->activatableServiceNames().value().contains(service)))
        return none();
    return std::make_unique<SecretStoreKeychain>(QStringLiteral("vantro"));
}

std::unique_ptr<WindowPaster> createWindowPaster()
{
    const Session session = Session::current();
    if (qEnvironmentVariable("VANTRO_KEY_BACKEND") == u"null")
        return std::make_unique<WindowPasterNull>(session.keyDetectionUnavailableReason);
    if (session.kind == Session::Kind::Wayland)
        return std::make_unique<WindowPasterNull>(
            QCoreApplication::translate("WindowPaster", "Wayland lets no program type into other windows."));
    if (session.kind != Session::Kind::X11 || QGuiApplication::platformName() != u"xcb")
        return std::make_unique<WindowPasterNull>(
            QCoreApplication::translate("WindowPaster", "Pasting into other windows needs an X11 session."));
    return std::make_unique<X11WindowPaster>();
}

} // namespace Backends

std::optional<quint32> GlobalHotkey::keyCodeOfNativeScanCode(quint32 nativeScanCode)
{
    if (Session::currentKind() != Session::Kind::X11 || QGuiApplication::platformName() != u"xcb" ||
        nativeScanCode <= 8)
        return std::nullopt;
    return MacKeyCodes::fromX11Keycode(nativeScanCode);
}
