// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/PanelSidebar.h"
#include "ui/QuickPromptView.h"

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
    void click(const QString& name) { QTest::mouseClick(m_view->findChild<QAbstractButton*>(name), Qt::LeftButton); }

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

    void controlStripActions()
    {
        click(QStringLiteral("closeButton"));
        click(QStringLiteral("preferencesButton"));
        click(QStringLiteral("expandCollapseButton"));
        QCOMPARE(m_calls,
                 (QStringList{QStringLiteral("close"), QStringLiteral("preferences"), QStringLiteral("toggle")}));
        // Expanded: the Chats/Prompts button only switches the tab, and names the other one.
        m_calls.clear();
        click(QStringLiteral("chatsPromptsButton"));
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Prompts);
        QCOMPARE(m_view->findChild<QToolButton*>(QStringLiteral("chatsPromptsButton"))->toolTip(),
                 QStringLiteral("Chats"));
        QVERIFY(m_calls.isEmpty());
        // Compact: it opens the expanded window on the Prompts tab.
        click(QStringLiteral("expandCollapseButton"));
        state().setExpandedPanelTab(ExpandedPanelTab::Chat);
        click(QStringLiteral("chatsPromptsButton"));
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
        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(pressX, 8));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(releaseX, 8));
        QCOMPARE(m_calls, calls);
    }

    void tabsShowTheirAreas()
    {
        state().setIsPanelExpanded(true);
        QuickPromptView* prompts = m_view->quickPromptView();
        ChatView* chat = m_view->chatView();
        click(QStringLiteral("promptsTabButton"));
        QVERIFY(prompts->isVisible() && !chat->isVisible() && m_view->sidebar()->projectList()->isVisible());
        QVERIFY(prompts->mapTo(m_view.get(), QPoint()).x() >= 240); // right of the sidebar
        click(QStringLiteral("chatsTabButton"));
        QVERIFY(chat->isVisible() && m_view->sidebar()->chatList()->isVisible());
        QTRY_VERIFY(chat->input()->hasFocus());
        // Back to the compact card: the same quick-prompt view is its content, without the sidebar.
        state().setIsPanelExpanded(false);
        QVERIFY(prompts->isVisible() && !m_view->sidebar()->isVisible());
    }

    void footerExpandWorksWithoutAController()
    {
        m_view->onToggleExpanded = nullptr;
        click(QStringLiteral("expandButton"));
        QVERIFY(state().isPanelExpanded());
    }
};

QTEST_MAIN(FloatingPanelViewTest)
#include "tst_floatingpanelview.moc"
