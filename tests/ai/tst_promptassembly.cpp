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
    project.contextDescription = context;
    return project;
}

} // namespace

// The full chat prompt, the "[Title]" prefix and the page text on the last entry are proven by the chat turn tests.
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
        QImage image(withImage ? QSize(4, 4) : QSize(), QImage::Format_RGB32);
        image.fill(Qt::red);
        const PromptRun run = composePromptRun(summarize, copied, image, withContext(context));
        QCOMPARE(run.systemText, systemText);
        QCOMPARE(run.userText, userText);
    }

    void chatPromptParts()
    {
        // Nothing present: empty; a blank context is left out of a chat turn.
        QCOMPARE(composeChatSystemPrompt({}, {}, {}, std::nullopt, withContext(u"  \n"_s)), QString());
        // A chosen prompt counts even when its instruction is empty.
        Prompt empty = summarize;
        empty.systemPrompt.clear();
        QCOMPARE(composeChatSystemPrompt(u"P"_s, {}, {}, empty, withContext({})), u"P\n\n"_s);
        QCOMPARE(composeChatSystemPrompt({}, {}, u"m"_s, std::nullopt, withContext({})), u"Project memory:\nm"_s);

        // Only role and content travel; page text never goes on an assistant entry.
        ChatMessage answer{.role = MessageRole::Assistant, .content = u"Hello!"_s, .webSearchEnabled = true};
        answer.annotations = QList<URLCitation>{{u"https://a.example"_s, {}, {}, {}, {}}};
        answer.imageData = QByteArray("png");
        QCOMPARE(composeChatHistory({answer}, u"Page"_s),
                 QJsonArray{QJsonObject({{u"role"_s, u"assistant"_s}, {u"content"_s, u"Hello!"_s}})});
        QCOMPARE(composeChatHistory({}, u"Page"_s), QJsonArray());
    }
};

QTEST_GUILESS_MAIN(TestPromptAssembly)
#include "tst_promptassembly.moc"
