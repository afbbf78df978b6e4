// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/PanelSidebar.h"
#include "ui/QuickPromptView.h"

#include <QListWidget>
#include <QTest>

using namespace Qt::StringLiterals;

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
        m_view->onClose = [this] { m_calls.append(u"close"_s); };
        m_view->onMinimize = [this] { m_calls.append(u"minimize"_s); };
        m_view->onZoom = [this] { m_calls.append(u"zoom"_s); };
        m_view->onOpenPreferences = [this] { m_calls.append(u"preferences"_s); };
        m_view->onToggleExpanded = [this] {
            m_calls.append(u"toggle"_s);
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
        click(u"closeButton"_s);
        click(u"preferencesButton"_s);
        click(u"expandCollapseButton"_s);
        QCOMPARE(m_calls, (QStringList{u"close"_s, u"preferences"_s, u"toggle"_s}));
        // Expanded: the Chats/Prompts button only switches the tab.
        m_calls.clear();
        click(u"chatsPromptsButton"_s);
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Prompts);
        QVERIFY(m_calls.isEmpty());
        // Compact: it opens the expanded window on the Prompts tab.
        click(u"expandCollapseButton"_s);
        state().setExpandedPanelTab(ExpandedPanelTab::Chat);
        click(u"chatsPromptsButton"_s);
        QVERIFY(state().isPanelExpanded());
        QCOMPARE(state().expandedPanelTab(), ExpandedPanelTab::Prompts);
    }

    void windowButtons_data()
    {
        QTest::addColumn<int>("pressX");
        QTest::addColumn<int>("releaseX");
        QTest::addColumn<QStringList>("calls");
        // Circles of 12 with gaps of 8: centres at 6, 26 and 46.
        QTest::newRow("red") << 6 << 6 << QStringList{u"close"_s};
        QTest::newRow("yellow") << 26 << 26 << QStringList{u"minimize"_s};
        QTest::newRow("green") << 46 << 46 << QStringList{u"zoom"_s};
        QTest::newRow("gap after red") << 16 << 16 << QStringList{};
        QTest::newRow("pressed on red, released on green") << 6 << 46 << QStringList{};
    }

    void windowButtons()
    {
        QFETCH(int, pressX);
        QFETCH(int, releaseX);
        QFETCH(QStringList, calls);
        state().setIsPanelExpanded(true);
        QWidget* buttons = m_view->findChild<QWidget*>(u"windowButtons"_s);
        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(pressX, 8));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(releaseX, 8));
        QCOMPARE(m_calls, calls);
    }

    void tabsShowTheirAreas()
    {
        state().setIsPanelExpanded(true);
        QuickPromptView* prompts = m_view->quickPromptView();
        ChatView* chat = m_view->chatView();
        click(u"promptsTabButton"_s);
        QVERIFY(prompts->isVisible() && !chat->isVisible() && m_view->sidebar()->projectList()->isVisible());
        QVERIFY(prompts->mapTo(m_view.get(), QPoint()).x() >= 240); // right of the sidebar
        click(u"chatsTabButton"_s);
        QVERIFY(chat->isVisible() && m_view->sidebar()->chatList()->isVisible());
        QTRY_VERIFY(chat->input()->hasFocus());
        // Back to the compact card: the same quick-prompt view is its content, without the sidebar.
        state().setIsPanelExpanded(false);
        QVERIFY(prompts->isVisible() && !m_view->sidebar()->isVisible());
    }

    void footerExpandWorksWithoutAController()
    {
        m_view->onToggleExpanded = nullptr;
        click(u"expandButton"_s);
        QVERIFY(state().isPanelExpanded());
        QVERIFY(!m_view->findChild<QWidget*>(u"expandButton"_s)->isVisible()); // nothing left to expand
    }
};

QTEST_MAIN(FloatingPanelViewTest)
#include "tst_floatingpanelview.moc"
