// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/PromptAssembly.h"

#include <QJsonObject>
#include <QtTest>

using namespace PromptAssembly;

namespace {

Prompt summarize()
{
    return {QUuid::createUuid(), 4, QStringLiteral("Summarize"), QStringLiteral("Summarize the text.")};
}

Project projectWithContext(const QString& context)
{
    Project project;
    project.id = QUuid::createUuid();
    project.name = QStringLiteral("Shop");
    project.contextDescription = context;
    return project;
}

ChatMessage message(MessageRole role, const QString& content)
{
    ChatMessage result;
    result.id = QUuid::createUuid();
    result.role = role;
    result.content = content;
    result.webSearchEnabled = true;
    result.imageData = QByteArray("png bytes");
    result.annotations = QList<URLCitation>{{QStringLiteral("https://a.example"), {}, {}, {}, {}}};
    return result;
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
        const QString instruction = summarize().systemPrompt;
        QTest::newRow("context then instruction")
            << QStringLiteral("We sell shoes.") << QStringLiteral("text") << false
            << QStringLiteral("We sell shoes.\n\nSummarize the text.") << QStringLiteral("text");
        QTest::newRow("no context") << QString() << QStringLiteral("text") << false << instruction
                                    << QStringLiteral("text");
        QTest::newRow("blank context is sent as stored")
            << QStringLiteral("   ") << QStringLiteral(" t ") << false << QStringLiteral("   \n\nSummarize the text.")
            << QStringLiteral(" t ");
        QTest::newRow("empty copy without image stays empty")
            << QString() << QString() << false << instruction << QString();
        QTest::newRow("screenshot without text sends the instruction")
            << QString() << QString() << true << instruction << instruction;
        QTest::newRow("image with text keeps the text")
            << QString() << QStringLiteral("caption") << true << instruction << QStringLiteral("caption");
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
        const PromptRun run = composePromptRun(summarize(), copied, image, projectWithContext(context));
        QCOMPARE(run.systemText, systemText);
        QCOMPARE(run.userText, userText);
    }

    void chatSystemPrompt()
    {
        const Prompt prompt = summarize();
        // Everything present: five parts in order, blank lines between.
        QCOMPARE(composeChatSystemPrompt(QStringLiteral("Be kind."), QStringLiteral("Likes tea"),
                                         QStringLiteral("Uses Qt"), prompt,
                                         projectWithContext(QStringLiteral("\n  We sell shoes. \n"))),
                 QStringLiteral("Be kind.\n\nUser memory:\nLikes tea\n\nProject memory:\nUses Qt\n\n"
                                "Context:\nWe sell shoes.\n\nSummarize the text."));
        // Nothing present: empty; a blank context is left out of a chat turn.
        QCOMPARE(composeChatSystemPrompt({}, {}, {}, std::nullopt, projectWithContext(QStringLiteral("  \n"))),
                 QString());
        // A chosen prompt counts even when its instruction is empty.
        Prompt empty = prompt;
        empty.systemPrompt.clear();
        QCOMPARE(composeChatSystemPrompt(QStringLiteral("P"), {}, {}, empty, projectWithContext({})),
                 QStringLiteral("P\n\n"));
        QCOMPARE(composeChatSystemPrompt({}, {}, QStringLiteral("m"), std::nullopt, projectWithContext({})),
                 QStringLiteral("Project memory:\nm"));

        QCOMPARE(composeChatMessageContent(QStringLiteral("hello"), prompt), QStringLiteral("[Summarize] hello"));
        QCOMPARE(composeChatMessageContent(QStringLiteral("hello"), std::nullopt), QStringLiteral("hello"));
    }

    void chatHistory()
    {
        const QList<ChatMessage> messages{message(MessageRole::User, QStringLiteral("Hi")),
                                          message(MessageRole::Assistant, QStringLiteral("Hello!")),
                                          message(MessageRole::User, QStringLiteral("Read https://a.example"))};
        const auto entry = [](const QString& role, const QString& content) {
            return QJsonObject{{QStringLiteral("role"), role}, {QStringLiteral("content"), content}};
        };
        // Only role and content travel; the page text goes after a blank line on the last user entry.
        QCOMPARE(
            composeChatHistory(messages, QStringLiteral("[Content from https://a.example]:\nPage")),
            (QJsonArray{entry(QStringLiteral("user"), QStringLiteral("Hi")),
                        entry(QStringLiteral("assistant"), QStringLiteral("Hello!")),
                        entry(QStringLiteral("user"), QStringLiteral("Read https://a.example\n\n"
                                                                     "[Content from https://a.example]:\nPage"))}));
        QCOMPARE(composeChatHistory(messages, std::nullopt).last().toObject(),
                 entry(QStringLiteral("user"), QStringLiteral("Read https://a.example")));
        // Page text is never put on an assistant entry.
        QCOMPARE(composeChatHistory(messages.mid(0, 2), QStringLiteral("Page")).last().toObject(),
                 entry(QStringLiteral("assistant"), QStringLiteral("Hello!")));
        QCOMPARE(composeChatHistory({}, QStringLiteral("Page")), QJsonArray());
    }
};

QTEST_GUILESS_MAIN(TestPromptAssembly)
#include "tst_promptassembly.moc"
