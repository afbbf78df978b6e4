// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/HotkeyManager.h"

#include "input/CopyTapDetector.h"
#include "model/Settings.h"
#include "platform/Backends.h"

#include <QMetaObject>
#include <QPointer>

#include <mutex>

// Runs the tap counter on the monitor's thread, where each verdict must be given at once, and queues its
// callbacks to the manager on the GUI thread. The lock only guards against a reset from the GUI thread.
class HotkeyManager::TapBridge : public KeyMonitor::Handler
{
public:
    TapBridge(HotkeyManager* manager, KeyMonitor* monitor)
        : m_detector({[] {
                          return std::chrono::duration_cast<CopyTapDetector::Duration>(
                              std::chrono::steady_clock::now().time_since_epoch());
                      },
                      [monitor](CopyTapDetector::Duration delay) { monitor->startTimer(delay); },
                      [monitor] { monitor->cancelTimer(); }})
    {
        m_detector.onTrigger = [manager] {
            QMetaObject::invokeMethod(
                manager, [manager] { manager->deliverTrigger(Source::DoubleCopy); }, Qt::QueuedConnection);
        };
        m_detector.onScreenshotTrigger = [manager] {
            QMetaObject::invokeMethod(manager, &HotkeyManager::deliverScreenshotTrigger, Qt::QueuedConnection);
        };
        m_detector.onCopyTap = [manager](int count) {
            QMetaObject::invokeMethod(
                manager, [manager, count] { manager->deliverTap(count); }, Qt::QueuedConnection);
        };
    }

    KeyTap::Verdict keyDown(const KeyTap::KeyDown& key) override
    {
        std::lock_guard lock(m_mutex);
        return m_detector.keyDown(key);
    }

    void timerFired() override
    {
        std::lock_guard lock(m_mutex);
        m_detector.timerFired();
    }

    void reset()
    {
        std::lock_guard lock(m_mutex);
        m_detector.resetTapState();
    }

private:
    std::mutex m_mutex;
    CopyTapDetector m_detector;
};

HotkeyManager::HotkeyManager(Settings* settings, QObject* parent)
    : HotkeyManager(Backends::createKeyMonitor(), Backends::createGlobalHotkey(), settings, parent)
{}

HotkeyManager::HotkeyManager(std::unique_ptr<KeyMonitor> monitor, std::unique_ptr<GlobalHotkey> hotkey,
                             Settings* settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_monitor(std::move(monitor)), m_hotkey(std::move(hotkey))
{
    m_bridge = std::make_unique<TapBridge>(this, m_monitor.get());
    connect(m_monitor.get(), &KeyMonitor::availabilityChanged, this, &HotkeyManager::detectionAvailabilityChanged,
            Qt::QueuedConnection);
    connect(m_monitor.get(), &KeyMonitor::startFailed, this, &HotkeyManager::keyMonitorFailed);
    connect(m_monitor.get(), &KeyMonitor::keyboardThawed, this, &HotkeyManager::keyboardThawed, Qt::QueuedConnection);
    // The platform hands the hotkey over on the GUI thread already; queue it all the same so the callback never
    // runs inside the platform's event handling.
    connect(
        m_hotkey.get(), &GlobalHotkey::activated, this, [this] { deliverTrigger(Source::Shortcut); },
        Qt::QueuedConnection);
    connect(m_hotkey.get(), &GlobalHotkey::screenshotActivated, this, &HotkeyManager::deliverScreenshotTrigger,
            Qt::QueuedConnection);
    connect(m_hotkey.get(), &GlobalHotkey::desktopShortcutsChanged, this, &HotkeyManager::desktopShortcutsChanged);
    if (m_settings) {
        connect(m_settings, &Settings::changed, this, [this](const QString& key) {
            if (key == QLatin1StringView(SettingsKeys::doubleCopyIgnoredClasses.name.data(),
                                         qsizetype(SettingsKeys::doubleCopyIgnoredClasses.name.size())))
                applyIgnoredClasses();
        });
    }
    applyIgnoredClasses();
}

HotkeyManager::~HotkeyManager()
{
    stopKeyMonitor();
    unregisterCustomHotkey();
    resetTapState();
}

void HotkeyManager::configure(bool useDoubleCopy, quint32 keyCode, quint32 modifiers)
{
    m_lastUseDoubleCopy = useDoubleCopy;
    m_lastKeyCode = keyCode;
    m_lastModifiers = modifiers;
    stopKeyMonitor();
    unregisterCustomHotkey();
    resetTapState();
    m_doubleCopyEnabled = useDoubleCopy;
    if (useDoubleCopy)
        startKeyMonitor();
    // The desktop's shortcuts stand across re-arming; only a failed binding is asked for again.
    if (m_hotkey->isDesktopManaged())
        m_hotkey->bindDesktopShortcuts();
    else if (keyCode != 0 && !registerCustomHotkey(keyCode, modifiers))
        Q_EMIT customHotkeyRefused();
}

void HotkeyManager::startKeyMonitor()
{
    if (m_monitor->isRunning())
        return;
    // A refusal is reported through isDetectionAvailable(); re-arming tries again.
    m_monitor->start(m_bridge.get());
}

void HotkeyManager::stopKeyMonitor()
{
    m_monitor->stop();
}

void HotkeyManager::resetTapState()
{
    m_bridge->reset();
}

bool HotkeyManager::registerCustomHotkey(quint32 keyCode, quint32 modifiers)
{
    return m_hotkey->registerHotkey(keyCode & 0xffff, modifiers);
}

void HotkeyManager::unregisterCustomHotkey()
{
    m_hotkey->unregisterHotkey();
}

bool HotkeyManager::hasKeyMonitor() const
{
    return m_monitor->isRunning();
}

void HotkeyManager::reenableKeyMonitor()
{
    m_monitor->reenable();
}

bool HotkeyManager::isCustomHotkeyRegistered() const
{
    return m_hotkey->isRegistered();
}

bool HotkeyManager::isDetectionAvailable() const
{
    return m_monitor->isAvailable();
}

QString HotkeyManager::detectionUnavailableReason() const
{
    return m_monitor->unavailableReason();
}

bool HotkeyManager::usesDesktopShortcuts() const
{
    return m_hotkey->isDesktopManaged();
}

QList<GlobalHotkey::DesktopShortcut> HotkeyManager::desktopShortcuts() const
{
    return m_hotkey->desktopShortcuts();
}

QString HotkeyManager::desktopShortcutsProblem() const
{
    return m_hotkey->desktopShortcutsProblem();
}

bool HotkeyManager::canChangeDesktopShortcuts() const
{
    return m_hotkey->canChangeDesktopShortcuts();
}

void HotkeyManager::changeDesktopShortcuts()
{
    m_hotkey->changeDesktopShortcuts();
}

void HotkeyManager::applyIgnoredClasses()
{
    QStringList classes;
    if (m_settings) {
        classes = m_settings->stringList(SettingsKeys::doubleCopyIgnoredClasses);
    } else {
        const std::string_view defaults = SettingsKeys::doubleCopyIgnoredClasses.defaultText;
        classes = QString::fromLatin1(defaults.data(), qsizetype(defaults.size())).split(u',', Qt::SkipEmptyParts);
    }
    for (QString& name : classes)
        name = name.trimmed();
    m_monitor->setIgnoredWindowClasses(classes);
}

void HotkeyManager::deliverTrigger(Source source)
{
    Q_EMIT triggered(source);
}

void HotkeyManager::deliverScreenshotTrigger()
{
    Q_EMIT screenshotTriggered();
}

void HotkeyManager::deliverTap(int count)
{
    Q_EMIT copyTapped(count);
}
