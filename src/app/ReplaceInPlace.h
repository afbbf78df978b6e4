// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowPaster.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class Clipboard;
class Notifier;
class QMimeData;
class Settings;

// Replace: the answer goes back into the window the copied text came from. The answer is copied exactly as Ctrl+C
// copies it; once the panel is closed, the remembered window gets the focus back and the paste keystroke. When that
// cannot happen, nothing is typed anywhere and a notification says the answer is on the clipboard.
class ReplaceInPlace : public QObject
{
    Q_OBJECT

public:
    // After the paste, the clipboard's old content comes back this long after the window last read the answer, or
    // after restoreAtLatest when it never reads it.
    static constexpr std::chrono::milliseconds restoreAfterRead{300};
    static constexpr std::chrono::milliseconds restoreAtLatest{3000};

    ReplaceInPlace(Settings& settings, Clipboard* clipboard, WindowPaster& paster, Notifier& notifier,
                   QObject* parent = nullptr);
    ~ReplaceInPlace() override;

    // At a trigger: the window that has the focus now is where a Replace pastes.
    void rememberFocusedWindow();
    const WindowPaster::Target& target() const { return m_target; }

    // Copies `answer`, runs `closePanel`, then pastes into the remembered window.
    void replace(const QString& answer, const std::function<void()>& closePanel);

    static QString notPastedMessage();

Q_SIGNALS:
    // The paste ended (typed, or not and the user was told); the clipboard may still be restored after this.
    void finished(WindowPaster::Outcome outcome);

private:
    WindowPaster::Keystroke keystrokeFor(const WindowPaster::Target& target) const;
    void pasted(WindowPaster::Outcome outcome);
    void restoreClipboard();

    Settings& m_settings;
    Clipboard* m_clipboard;
    WindowPaster& m_paster;
    Notifier& m_notifier;
    WindowPaster::Target m_target;
    QString m_answer;
    std::unique_ptr<QMimeData> m_saved; // what the clipboard held before the answer, to put back
    bool m_restoreWanted = false;
    QTimer m_restoreTimer;
    QMetaObject::Connection m_readConnection;
};
