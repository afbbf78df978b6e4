// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AnswerAnnouncer.h"

#include "ui/AnswerDocument.h"

#include <QAccessibleWidget>

namespace {

class AnnouncementAccessible : public QAccessibleWidget
{
public:
    explicit AnnouncementAccessible(AnswerAnnouncer* announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification), m_announcer(announcer)
    {}

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? m_announcer->announcement() : QAccessibleWidget::text(t);
    }

private:
    AnswerAnnouncer* m_announcer;
};

QAccessibleInterface* announcementFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("AnswerAnnouncer") && object && object->isWidgetType())
        return new AnnouncementAccessible(static_cast<AnswerAnnouncer*>(object));
    return nullptr;
}

// Cuts at `length` UTF-16 units without splitting a character made of two.
QString leftWhole(const QString& text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

} // namespace

AnswerAnnouncer::AnswerAnnouncer(QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(announcementFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QStringLiteral("answerAnnouncer"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(1, 1);
    hide();
}

void AnswerAnnouncer::announce(const QString& markdown)
{
    // Hidden first, so that the same text twice still appears anew.
    hide();
    // Nobody to tell: no screen reader, no work for each answer.
    m_text = QAccessible::isActive() ? spokenText(markdown) : QString();
    if (m_text.isEmpty())
        return;
    QAccessibleEvent named(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    show();
}

QString AnswerAnnouncer::spokenText(const QString& markdown)
{
    // Markdown rarely needs more than a few marks per word; the text past this would be cut anyway.
    AnswerDocument document;
    document.setAnswerMarkdown(leftWhole(markdown, maxSpokenLength * 4));
    QString text = document.toPlainText().simplified();
    if (text.size() <= maxSpokenLength)
        return text;
    const qsizetype space = text.lastIndexOf(u' ', maxSpokenLength);
    return leftWhole(text, space > maxSpokenLength / 2 ? space : maxSpokenLength) + QChar(0x2026);
}
