// SPDX-License-Identifier: GPL-3.0-or-later
// The panel under a real window manager with four workspaces: it follows the user to the workspace they switch to.
#include "app/FloatingPanel.h"
#include "support/XdoTool.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QtTest>

class TestWorkspaces : public QObject
{
    Q_OBJECT

private:
    QProcess m_windowManager;

    static bool viewable(const QWidget& widget)
    {
        return XdoTool::output({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                u'^' + widget.windowTitle() + u'$'})
            .contains(QString::number(widget.winId()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY2(m_windowManager.waitForStarted(5000), "openbox is needed for this test");
        // Openbox has four workspaces unless told otherwise; it is ready once it says how many.
        QTRY_VERIFY_WITH_TIMEOUT(XdoTool::output({QStringLiteral("get_num_desktops")}).trimmed().toInt() > 1, 10000);
    }

    void cleanupTestCase()
    {
        m_windowManager.terminate();
        m_windowManager.waitForFinished(5000);
    }

    void panelFollowsTheUser()
    {
        QLabel plain(QStringLiteral("plain"));
        plain.setWindowTitle(QStringLiteral("plain window"));
        plain.show();
        FloatingPanel panel(new QLabel(QStringLiteral("content")), ThemeColors());
        panel.setWindowTitle(QStringLiteral("vantro panel"));
        panel.showCentered();
        QTRY_VERIFY(viewable(panel) && viewable(plain));

        QVERIFY(XdoTool::run(QStringLiteral("set_desktop 2")));
        QTRY_COMPARE(XdoTool::output({QStringLiteral("get_desktop")}).trimmed(), QStringLiteral("2"));
        // The plain window stays behind on the first workspace; the panel comes along.
        QTRY_VERIFY(!viewable(plain));
        QVERIFY(viewable(panel));

        // Hidden and shown again on another workspace: there too.
        panel.hide();
        QVERIFY(XdoTool::run(QStringLiteral("set_desktop 1")));
        QTRY_COMPARE(XdoTool::output({QStringLiteral("get_desktop")}).trimmed(), QStringLiteral("1"));
        panel.showCentered();
        QTRY_VERIFY(viewable(panel));
        QVERIFY(!viewable(plain));
    }
};

QTEST_MAIN(TestWorkspaces)
#include "tst_workspaces.moc"
