// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/PromptAssembly.h"

#include <QJsonObject>
#include <QtTest>

using namespace PromptAssembly;
using namespace Qt::StringLiterals;

namespace {

const Prompt summarize{QUuid::createUuid(), 4, u"Summarize"_s, u"Summarize the text."_s};

Project withContext(const QString& context)
{
    Project project;
    project.id = QUuid::createUuid();
    project.contextDescription = context;
    return project;
}

// Everything a stored message carries; only role and content may travel.
ChatMessage message(MessageRole role, const QString& content)
{
    ChatMessage result;
    result.id = QUuid::createUuid();
    result.role = role;
    result.content = content;
    result.webSearchEnabled = true;
    result.imageData = QByteArray("png bytes");
    result.annotations = QList<URLCitation>{{u"https://a.example"_s, {}, {}, {}, {}}};
    return result;
}

QJsonObject entry(const QString& role, const QString& content)
{
    return {{u"role"_s, role}, {u"content"_s, content}};
}

} // namespace

class TestPromptAssembly : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void promptRun_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<bool>("withImage");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<QString>("userText");
        const QString instruction = summarize.systemPrompt;
        QTest::newRow("context then instruction")
            << u"We sell shoes."_s << u"text"_s << false << u"We sell shoes.\n\nSummarize the text."_s << u"text"_s;
        QTest::newRow("no context") << QString() << u"text"_s << false << instruction << u"text"_s;
        QTest::newRow("blank context is sent as stored")
            << u"   "_s << u" t "_s << false << u"   \n\nSummarize the text."_s << u" t "_s;
        QTest::newRow("empty copy without image stays empty")
            << QString() << QString() << false << instruction << QString();
        QTest::newRow("screenshot without text sends the instruction")
            << QString() << QString() << true << instruction << instruction;
        QTest::newRow("image with text keeps the text")
            << QString() << u"caption"_s << true << instruction << u"caption"_s;
    }

    void promptRun()
    {
        QFETCH(QString, context);
        QFETCH(QString, copied);
        QFETCH(bool, withImage);
        QFETCH(QString, systemText);
        QFETCH(QString, userText);
        QImage image;
        if (withImage) {
            image = QImage(4, 4, QImage::Format_RGB32);
            image.fill(Qt::red);
        }
        const PromptRun run = composePromptRun(summarize, copied, image, withContext(context));
        QCOMPARE(run.systemText, systemText);
        QCOMPARE(run.userText, userText);
    }

    void chatSystemPrompt()
    {
        // Everything present: five parts in order, blank lines between.
        QCOMPARE(composeChatSystemPrompt(u"Be kind."_s, u"Likes tea"_s, u"Uses Qt"_s, summarize,
                                         withContext(u"\n  We sell shoes. \n"_s)),
                 u"Be kind.\n\nUser memory:\nLikes tea\n\nProject memory:\nUses Qt\n\n"
                 u"Context:\nWe sell shoes.\n\nSummarize the text."_s);
        // Nothing present: empty; a blank context is left out of a chat turn.
        QCOMPARE(composeChatSystemPrompt({}, {}, {}, std::nullopt, withContext(u"  \n"_s)), QString());
        // A chosen prompt counts even when its instruction is empty.
        Prompt empty = summarize;
        empty.systemPrompt.clear();
        QCOMPARE(composeChatSystemPrompt(u"P"_s, {}, {}, empty, withContext({})), u"P\n\n"_s);
        QCOMPARE(composeChatSystemPrompt({}, {}, u"m"_s, std::nullopt, withContext({})), u"Project memory:\nm"_s);
        QCOMPARE(composeChatMessageContent(u"hello"_s, summarize), u"[Summarize] hello"_s);
        QCOMPARE(composeChatMessageContent(u"hello"_s, std::nullopt), u"hello"_s);
    }

    void chatHistory()
    {
        const QList<ChatMessage> messages{message(MessageRole::User, u"Hi"_s),
                                          message(MessageRole::Assistant, u"Hello!"_s),
                                          message(MessageRole::User, u"Read https://a.example"_s)};
        // Only role and content travel; the page text goes after a blank line on the last user entry.
        QCOMPARE(
            composeChatHistory(messages, u"[Content from https://a.example]:\nPage"_s),
            (QJsonArray{entry(u"user"_s, u"Hi"_s), entry(u"assistant"_s, u"Hello!"_s),
                        entry(u"user"_s, u"Read https://a.example\n\n[Content from https://a.example]:\nPage"_s)}));
        QCOMPARE(composeChatHistory(messages, std::nullopt).last().toObject(),
                 entry(u"user"_s, u"Read https://a.example"_s));
        // Page text is never put on an assistant entry.
        QCOMPARE(composeChatHistory(messages.mid(0, 2), u"Page"_s).last().toObject(),
                 entry(u"assistant"_s, u"Hello!"_s));
        QCOMPARE(composeChatHistory({}, u"Page"_s), QJsonArray());
    }
};

QTEST_GUILESS_MAIN(TestPromptAssembly)
#include "tst_promptassembly.moc"
