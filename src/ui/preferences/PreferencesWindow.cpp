// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferences/PreferencesWindow.h"

#include "ui/preferences/SettingsView.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

PreferencesWindow::PreferencesWindow(AppState& appState, Settings& settings, SyncService* sync,
                                     HotkeyManager* hotkeyManager, MemoryStore memoryStore, ThemeManager& themeManager,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMinimizeButtonHint)
{
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(tr("Vantro Preferences"));
    // Kept for the life of the application: closing hides it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    m_view = new SettingsView(appState, settings, sync, hotkeyManager, std::move(memoryStore), themeManager, this);
    box->addWidget(m_view);
    setFixedSize(540, 500);
}

void PreferencesWindow::present()
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}
