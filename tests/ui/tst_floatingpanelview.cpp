// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/PanelSidebar.h"
#include "ui/QuickPromptView.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace PanelTest;

class FloatingPanelViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Fixture> m_fixture;
    std::unique_ptr<FloatingPanelView> m_view;
    QStringList m_calls;

    AppState& state() { return m_fixture->state; }

    QToolButton* stripButton(const QString& name) const { return m_view->findChild<QToolButton*>(name); }

    // The control strip, left to right, as "symbol|tool tip".
    QStringList strip() const
    {
        QStringList result;
        for (const char* name : {"closeButton", "expandCollapseButton", "chatsPromptsButton", "preferencesButton"}) {
            QToolButton* button = stripButton(QLatin1StringView(name));
            result.append(button->property("symbol").toString() + u'|' + button->toolTip());
        }
        return result;
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<Fixture>();
        m_view = std::make_unique<FloatingPanelView>(state(), m_fixture->settings, nullptr, m_fixture->colors);
        m_calls.clear();
        m_view->onClose = [this] { m_calls.append(QStringLiteral("close")); };
        m_view->onMinimize = [this] { m_calls.append(QStringLiteral("minimize")); };
        m_view->onZoom = [this] { m_calls.append(QStringLiteral("zoom")); };
        m_view->onOpenPreferences = [this] { m_calls.append(QStringLiteral("preferences")); };
        m_view->onToggleExpanded = [this] {
            m_calls.append(QStringLiteral("toggle"));
            state().setIsPanelExpanded(!state().isPanelExpanded());
        };
        m_view->resize(900, 620);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_fixture.reset();
    }

    void controlStripFollowsTheMode()
    {
        QCOMPARE(strip(), (QStringList{QStringLiteral("xmark|Close (Esc)"),
                                       QStringLiteral("arrow.up.left.and.arrow.down.right|Expand"),
                                       QStringLiteral("book|Prompts"), QStringLiteral("ellipsis|Preferences")}));
        const int closeX = stripButton(QStringLiteral("closeButton"))->mapTo(m_view.get(), QPoint()).x();
        const int prefsX = stripButton(QStringLiteral("preferencesButton"))->mapTo(m_view.get(), QPoint()).x();
        QVERIFY(closeX < prefsX);
        QCOMPARE(stripButton(QStringLiteral("closeButton"))->size(), QSize(28, 28));

        state().setIsPanelExpanded(true);
        QVERIFY(stripButton(QStringLiteral("closeButton"))->isVisible());
        QCOMPARE(strip().mid(1, 2), (QStringList{QStringLiteral("arrow.down.right.and.arrow.up.left|Collapse"),
                                                 QStringLiteral("book|Prompts")}));
        state().setExpandedPanelTab(ExpandedPanelTab::Prompts);
        QCOMPARE(strip().at(2), QStringLiteral("bubble.left.and.bubble.right|Chats"));
    }

    void controlStripActions()
    {
        QTest::mouseClick(stripButton(QStringLiteral("closeButton")), Qt::LeftButton);
        QTest::mouseClick(stripButton(QStringLiteral("preferencesButton")), Qt::LeftButton);
        QTest::mouseClick(stripButton(QStringLiteral("expandCollapseButton")), Qt::LeftButton);
        QCOMPARE(m_calls,
                 (QStringList{QStringLiteral("close"), QStringLiteral("preferences"), QStringLiteral("toggle")}));
        QVERIFY(state().isPanelExpanded());

        // Expanded: the Chats/Prompts button only switches the tab.
        m_calls.clear();
        QTest::mouseClick(stripButton(QStringLiteral("chatsPromptsButton")), Qt::LeftButton);
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Prompts);
        QTest::mouseClick(stripButton(QStringLiteral("chatsPromptsButton")), Qt::LeftButton);
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Chat);
        QVERIFY(m_calls.isEmpty());

        // Compact: it opens the expanded window on the Prompts tab.
        QTest::mouseClick(stripButton(QStringLiteral("expandCollapseButton")), Qt::LeftButton);
        QVERIFY(!state().isPanelExpanded());
        m_calls.clear();
        QTest::mouseClick(stripButton(QStringLiteral("chatsPromptsButton")), Qt::LeftButton);
        QCOMPARE(m_calls, QStringList{QStringLiteral("toggle")});
        QVERIFY(state().isPanelExpanded());
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Prompts);
    }

    void windowButtons_data()
    {
        QTest::addColumn<int>("pressX");
        QTest::addColumn<int>("releaseX");
        QTest::addColumn<QStringList>("calls");
        // Circles of 12 with gaps of 8: centres at 6, 26 and 46.
        QTest::newRow("red") << 6 << 6 << QStringList{QStringLiteral("close")};
        QTest::newRow("yellow") << 26 << 26 << QStringList{QStringLiteral("minimize")};
        QTest::newRow("green") << 46 << 46 << QStringList{QStringLiteral("zoom")};
        QTest::newRow("gap after red") << 16 << 16 << QStringList{};
        QTest::newRow("pressed on red, released on green") << 6 << 46 << QStringList{};
    }

    void windowButtons()
    {
        QFETCH(int, pressX);
        QFETCH(int, releaseX);
        QFETCH(QStringList, calls);
        state().setIsPanelExpanded(true);
        QWidget* buttons = m_view->findChild<QWidget*>(QStringLiteral("windowButtons"));
        QVERIFY(buttons->isVisible());
        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(pressX, 8));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(releaseX, 8));
        QCOMPARE(m_calls, calls);
    }

    void tabButtonsAndTheirAreas()
    {
        state().setIsPanelExpanded(true);
        QuickPromptView* prompts = m_view->quickPromptView();
        ChatView* chat = m_view->chatView();
        QCOMPARE(m_view->sidebar()->width(), 240);
        QVERIFY(chat->isVisible() && !prompts->isVisible());
        QVERIFY(m_view->sidebar()->chatList()->isVisible());

        QTest::mouseClick(stripButton(QStringLiteral("promptsTabButton")), Qt::LeftButton);
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Prompts);
        QVERIFY(prompts->isVisible() && !chat->isVisible());
        QVERIFY(m_view->sidebar()->projectList()->isVisible());
        // On the Prompts tab the quick-prompt view sits right of the sidebar.
        QVERIFY(prompts->mapTo(m_view.get(), QPoint()).x() >= 240);

        QTest::mouseClick(stripButton(QStringLiteral("chatsTabButton")), Qt::LeftButton);
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Chat);
        QVERIFY(chat->isVisible());
        QTRY_VERIFY(chat->input()->hasFocus());

        // Back to the compact card: the same quick-prompt view is its content, without the sidebar.
        state().setIsPanelExpanded(false);
        QVERIFY(prompts->isVisible() && !m_view->sidebar()->isVisible());
    }

    void footerExpandOpensTheChat_data()
    {
        QTest::addColumn<bool>("withController");
        QTest::newRow("through the controller") << true;
        QTest::newRow("without one") << false;
    }

    void footerExpandOpensTheChat()
    {
        QFETCH(bool, withController);
        if (!withController)
            m_view->onToggleExpanded = nullptr;
        QTest::mouseClick(m_view->findChild<QPushButton*>(QStringLiteral("expandButton")), Qt::LeftButton);
        QVERIFY(state().isPanelExpanded());
        QCOMPARE(m_calls, withController ? QStringList{QStringLiteral("toggle")} : QStringList{});
    }

    void callbacksReachTheController()
    {
        QList<Prompt> selected;
        QStringList custom;
        QStringList sent;
        m_view->onPromptSelected = [&](const Prompt& p) { selected.append(p); };
        m_view->onCustomPromptSubmitted = [&](const QString& text) { custom.append(text); };
        m_view->onSendChatMessage = [&](const QString& text, const std::optional<Prompt>&,
                                        const std::optional<QImage>&) { sent.append(text); };
        const Prompt first = state().activeProject().prompts.first();
        QTest::mouseClick(
            buttonWithToolTip(m_view.get(), QStringLiteral("Press %1 — %2").arg(first.number).arg(first.title)),
            Qt::LeftButton);
        QCOMPARE(selected, QList<Prompt>{first});
        state().setShowCustomPromptInput(true);
        state().setCustomPromptText(QStringLiteral("Shout it"));
        QTest::keyClick(m_view->quickPromptView()->customPromptEdit(), Qt::Key_Return);
        QCOMPARE(custom, QStringList{QStringLiteral("Shout it")});

        state().setIsPanelExpanded(true);
        m_view->chatView()->input()->setPlainText(QStringLiteral("hello"));
        QTest::keyClick(m_view->chatView()->input(), Qt::Key_Return);
        QCOMPARE(sent, QStringList{QStringLiteral("hello")});
    }

    void copiedFeedbackReachesTheNewestBubble()
    {
        ChatSession chat = session(QStringLiteral("Talk"), {message(MessageRole::User, QStringLiteral("Q")),
                                                            message(MessageRole::Assistant, QStringLiteral("A"))});
        state().setChatSessions({chat});
        state().setActiveChatSessionID(chat.id);
        state().setIsPanelExpanded(true);
        m_view->showCopiedFeedback();
        QVERIFY(m_view->chatView()->bubbles().last()->copyButton()->copied());
        QVERIFY(!m_view->chatView()->bubbles().first()->copyButton()->copied());
    }
};

QTEST_MAIN(FloatingPanelViewTest)
#include "tst_floatingpanelview.moc"
