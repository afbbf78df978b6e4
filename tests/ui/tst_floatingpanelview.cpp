// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelTestSupport.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/PanelSidebar.h"
#include "ui/QuickPromptView.h"

#include <QListWidget>

using namespace Qt::StringLiterals;
using namespace PanelTest;

namespace {

struct Panel : Fixture
{
    FloatingPanelView view{state, settings, nullptr, colors};
    QStringList calls;

    void click(const QString& name) { QTest::mouseClick(view.findChild<QAbstractButton*>(name), Qt::LeftButton); }
};

} // namespace

class FloatingPanelViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Panel> m;

private Q_SLOTS:
    void init()
    {
        m = std::make_unique<Panel>();
        const auto record = [this](const QString& name) { return [this, name] { m->calls.append(name); }; };
        connect(&m->view, &FloatingPanelView::closeRequested, this, record(u"close"_s));
        connect(&m->view, &FloatingPanelView::minimizeRequested, this, record(u"minimize"_s));
        connect(&m->view, &FloatingPanelView::zoomRequested, this, record(u"zoom"_s));
        connect(&m->view, &FloatingPanelView::preferencesRequested, this, record(u"preferences"_s));
        connect(&m->view, &FloatingPanelView::toggleExpandedRequested, this, [this] {
            m->calls.append(u"toggle"_s);
            m->state.setIsPanelExpanded(!m->state.isPanelExpanded());
        });
        QVERIFY(show(m->view, {900, 620}));
    }

    void cleanup() { m.reset(); }

    void controlStripActions()
    {
        m->click(u"closeButton"_s);
        m->click(u"preferencesButton"_s);
        m->click(u"expandCollapseButton"_s);
        QCOMPARE(m->calls, (QStringList{u"close"_s, u"preferences"_s, u"toggle"_s}));
        // Expanded: the Chats/Prompts button only switches the tab.
        m->calls.clear();
        m->click(u"chatsPromptsButton"_s);
        QCOMPARE(m->state.expandedPanelTab(), ExpandedPanelTab::Prompts);
        QVERIFY(m->calls.isEmpty());
        // Compact: it opens the expanded window on the Prompts tab.
        m->click(u"expandCollapseButton"_s);
        m->state.setExpandedPanelTab(ExpandedPanelTab::Chat);
        m->click(u"chatsPromptsButton"_s);
        QVERIFY(m->state.isPanelExpanded());
        QCOMPARE(m->state.expandedPanelTab(), ExpandedPanelTab::Prompts);
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
        m->state.setIsPanelExpanded(true);
        QWidget* buttons = m->view.findChild<QWidget*>(u"windowButtons"_s);
        QTest::mousePress(buttons, Qt::LeftButton, {}, QPoint(pressX, 8));
        QTest::mouseRelease(buttons, Qt::LeftButton, {}, QPoint(releaseX, 8));
        QCOMPARE(m->calls, calls);
    }

    void tabsShowTheirAreas()
    {
        m->state.setIsPanelExpanded(true);
        QuickPromptView* prompts = m->view.quickPromptView();
        ChatView* chat = m->view.chatView();
        m->click(u"promptsTabButton"_s);
        QVERIFY(prompts->isVisible() && !chat->isVisible() && m->view.sidebar()->projectList()->isVisible());
        QVERIFY(prompts->mapTo(&m->view, QPoint()).x() >= PanelSidebar::sidebarWidth);
        m->click(u"chatsTabButton"_s);
        QVERIFY(chat->isVisible() && m->view.sidebar()->chatList()->isVisible());
        QTRY_VERIFY(chat->input()->hasFocus());
        // Back to the compact card: the same quick-prompt view is its content, without the sidebar.
        m->state.setIsPanelExpanded(false);
        QVERIFY(prompts->isVisible() && !m->view.sidebar()->isVisible());
    }

    void footerExpandWorksWithoutAController()
    {
        disconnect(&m->view, &FloatingPanelView::toggleExpandedRequested, this, nullptr);
        m->click(u"expandButton"_s);
        QVERIFY(m->state.isPanelExpanded());
        QVERIFY(!m->view.findChild<QWidget*>(u"expandButton"_s)->isVisible()); // nothing left to expand
    }
};

QTEST_MAIN(FloatingPanelViewTest)
#include "tst_floatingpanelview.moc"
