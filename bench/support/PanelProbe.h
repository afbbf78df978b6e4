// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>

// Notes the first paint of the panel window after `arm()`, and when the event loop is back after it, which is when
// that paint (children included) has been flushed. Install it on the application.
class FirstPaintProbe : public QObject
{
public:
    void arm()
    {
        m_painted = false;
        m_flushed = false;
    }
    bool flushed() const { return m_flushed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window()->objectName() == u"floatingPanel") {
                m_painted = true;
                QTimer::singleShot(0, this, [this] { m_flushed = true; });
            }
        }
        return false;
    }

private:
    bool m_painted = false;
    bool m_flushed = false;
};

// Lets the event loop run for `ms` without spinning, so CPU figures show only the work measured.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
