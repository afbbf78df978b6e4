// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextDocument>
#include <QUrl>

// A document for text that someone else wrote: a model's answer, which may repeat whatever pages and files it read.
// Nothing in it can make us read a file, a device or the network. Markdown is parsed without inline HTML (tags show
// as text), images are shown only from small `data:` URLs and otherwise become their alt text, and every link
// carries its address as a tool tip. Views that show it must not navigate: clicks go to openAnswerLink().
class AnswerDocument : public QTextDocument
{
    Q_OBJECT

public:
    // Encoded size of one `data:` image, and the largest picture it may decode to.
    static constexpr qsizetype maxImageDataBytes = 64 * 1024;
    static constexpr int maxImageSide = 4096;
    // Pictures wider than this are drawn scaled down.
    static constexpr int maxImageDisplayWidth = 480;

    explicit AnswerDocument(QObject* parent = nullptr);

    // GitHub-flavoured Markdown, made safe as described above.
    void setAnswerMarkdown(const QString& markdown);

protected:
    // Never reads anything: the images it may show are added while parsing.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void makeSafe();
    void spaceParagraphs();
};

// Links in answers, citations and transcripts: only web and mail addresses open, through the desktop's handler.
// Everything else (files, relative paths, other schemes) does nothing. Returns whether the link was handed on.
bool isOpenableAnswerLink(const QUrl& url);
bool openAnswerLink(const QUrl& url);

// Tool tips and labels turn text that looks like HTML into rich text, which would load its images. Text from a
// model, a page or another user goes through this first.
QString plainToolTip(const QString& text);
