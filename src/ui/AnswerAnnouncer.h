// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

// Tells a screen reader about an answer once it is finished, as a notification it reads without moving the focus.
// The answer's own view changes many times a second while it streams; none of that is announced, since a reader
// that spoke every piece would repeat half-sentences. Invisible: a tiny child that only shows to assistive
// technology (AT-SPI role "notification", which readers present when it appears).
class AnswerAnnouncer : public QWidget
{
    Q_OBJECT

public:
    // Longer answers are announced up to here; the rest is read in the answer itself.
    static constexpr qsizetype maxSpokenLength = 1000;

    explicit AnswerAnnouncer(QWidget* parent);

    // Announces `markdown` as plain text; empty hides the last announcement.
    void announce(const QString& markdown);
    const QString& announcement() const { return m_text; }

    // What is read for an answer: its text without Markdown marks, on one line, cut at a word.
    static QString spokenText(const QString& markdown);

private:
    QString m_text;
};
