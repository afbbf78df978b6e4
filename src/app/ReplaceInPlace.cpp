// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ReplaceInPlace.h"

#include "model/Settings.h"
#include "platform/Clipboard.h"
#include "platform/Log.h"
#include "platform/Notifier.h"

#include <QMimeData>

namespace {

const QString component = QStringLiteral("replace");

QString outcomeName(WindowPaster::Outcome outcome)
{
    switch (outcome) {
    case WindowPaster::Outcome::Pasted:
        return QStringLiteral("pasted");
    case WindowPaster::Outcome::Gone:
        return QStringLiteral("the window is gone");
    case WindowPaster::Outcome::NotFocused:
        return QStringLiteral("the window did not get the focus");
    case WindowPaster::Outcome::Unavailable:
        return QStringLiteral("this session cannot send keys");
    }
    return {};
}

} // namespace

ReplaceInPlace::ReplaceInPlace(Settings& settings, Clipboard* clipboard, WindowPaster& paster, Notifier& notifier,
                               QObject* parent)
    : QObject(parent), m_settings(settings), m_clipboard(clipboard), m_paster(paster), m_notifier(notifier)
{
    m_restoreTimer.setSingleShot(true);
    connect(&m_restoreTimer, &QTimer::timeout, this, &ReplaceInPlace::restoreClipboard);
}

ReplaceInPlace::~ReplaceInPlace() = default;

QString ReplaceInPlace::notPastedMessage()
{
    return tr("Vantro copied the answer; press Ctrl+V to paste it.");
}

void ReplaceInPlace::rememberFocusedWindow()
{
    m_target = m_paster.focusedWindow();
}

WindowPaster::Keystroke ReplaceInPlace::keystrokeFor(const WindowPaster::Target& target) const
{
    // The classes where a double copy is ignored are the terminals, where Ctrl+V is a key of its own.
    const QStringList terminals = m_settings.stringList(SettingsKeys::doubleCopyIgnoredClasses);
    for (const QString& name : target.classes) {
        if (!name.isEmpty() && terminals.contains(name, Qt::CaseInsensitive))
            return WindowPaster::Keystroke::TerminalPaste;
    }
    return WindowPaster::Keystroke::Paste;
}

void ReplaceInPlace::replace(const QString& answer, const std::function<void()>& closePanel)
{
    // A restore still pending belongs to the previous paste, which has had its time.
    if (m_restoreTimer.isActive())
        restoreClipboard();
    m_restoreWanted = m_settings.boolean(SettingsKeys::replaceRestoresClipboard) && m_clipboard;
    m_saved = m_restoreWanted ? m_clipboard->save() : nullptr;
    m_answer = answer;
    if (m_clipboard)
        m_clipboard->setText(answer);
    closePanel();

    const WindowPaster::Target target = std::exchange(m_target, {});
    if (!target.isValid()) {
        pasted(m_paster.isAvailable() ? WindowPaster::Outcome::Gone : WindowPaster::Outcome::Unavailable);
        return;
    }
    m_paster.paste(target, keystrokeFor(target), [this](WindowPaster::Outcome outcome) { pasted(outcome); });
}

void ReplaceInPlace::pasted(WindowPaster::Outcome outcome)
{
    logLine(component, QStringLiteral("Replace: ") + outcomeName(outcome));
    if (outcome != WindowPaster::Outcome::Pasted) {
        // The answer stays on the clipboard for the user to paste.
        m_saved.reset();
        m_notifier.notify(tr("Answer copied"), notPastedMessage());
    } else if (m_restoreWanted && m_clipboard) {
        // The window reads the clipboard after it got the keys: the old content comes back once it has.
        // A window that keeps reading does not hold it off past restoreAtLatest.
        m_readConnection = connect(m_clipboard, &Clipboard::textRead, this, [this] {
            if (m_restoreTimer.remainingTime() > restoreAfterRead.count())
                m_restoreTimer.start(restoreAfterRead);
        });
        m_restoreTimer.start(restoreAtLatest);
    }
    Q_EMIT finished(outcome);
}

void ReplaceInPlace::restoreClipboard()
{
    m_restoreTimer.stop();
    disconnect(m_readConnection);
    // Something the user copied since then is theirs to keep.
    if (m_clipboard && m_clipboard->text() == m_answer)
        m_clipboard->restore(std::move(m_saved));
    m_saved.reset();
    m_restoreWanted = false;
}
