// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LocalServerPicker.h"

#include "model/Settings.h"
#include "ui/AnswerDocument.h"
#include "ui/PanelWidgets.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// One server, as a painted row: stylesheets would be replaced by the preferences' own styling, and painting lets
// long model names be elided to the width there is.
class ServerRow : public QAbstractButton
{
public:
    ServerRow(const LocalServer& server, const ThemeColors& colors, QWidget* parent)
        : QAbstractButton(parent), m_server(server), m_colors(colors)
    {
        setObjectName(QStringLiteral("localServerRow"));
        setText(LocalServerPicker::summary(server));
        setAccessibleName(text());
        setAccessibleDescription(LocalServerPicker::tr("Use the server at %1").arg(server.baseUrl));
        setToolTip(plainToolTip(server.baseUrl));
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    void setColors(const ThemeColors& colors)
    {
        m_colors = colors;
        update();
    }

    QSize sizeHint() const override { return {240, fontMetrics().height() + 14}; }
    QSize minimumSizeHint() const override { return {80, sizeHint().height()}; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // Space is the button's own key; Return chooses too, as in a list.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            click();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool lit = isDown() || underMouse();
        const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(hasFocus() ? m_colors.accent() : m_colors.boxBorder(), hasFocus() ? 2 : 1));
        painter.setBrush(lit ? m_colors.selectedFill() : m_colors.boxFill());
        painter.drawRoundedRect(box, 6, 6);

        const QRect area = rect().adjusted(10, 0, -10, 0);
        QFont bold = font();
        bold.setWeight(QFont::DemiBold);
        const QString name = QFontMetrics(bold).elidedText(m_server.name, Qt::ElideRight, area.width());
        painter.setFont(bold);
        painter.setPen(m_colors.text());
        painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, name);
        const int used = QFontMetrics(bold).horizontalAdvance(name);
        const QString rest = text().mid(m_server.name.size());
        painter.setFont(font());
        // The theme's secondary text is too faint on the row's fill in the dark theme.
        QColor models = m_colors.text();
        models.setAlphaF(0.7f);
        painter.setPen(models);
        const QRect restArea = area.adjusted(used, 0, 0, 0);
        painter.drawText(restArea, Qt::AlignVCenter | Qt::AlignLeft,
                         fontMetrics().elidedText(rest, Qt::ElideRight, restArea.width()));
    }

private:
    LocalServer m_server;
    ThemeColors m_colors;
};

} // namespace

LocalServerPicker::LocalServerPicker(Settings& settings, ModelCatalog& catalog, const ThemeColors& colors,
                                     QWidget* parent)
    : QWidget(parent), m_settings(settings), m_catalog(catalog), m_colors(colors)
{
    setObjectName(QStringLiteral("localServerPicker"));
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    m_find = new QPushButton(tr("Find Local Servers"), this);
    m_find->setObjectName(QStringLiteral("findLocalServersButton"));
    m_find->setAccessibleName(m_find->text());
    m_find->setToolTip(tr("Ask Ollama, llama.cpp, LM Studio and vLLM on this computer for their models"));
    connect(m_find, &QPushButton::clicked, this, &LocalServerPicker::findServers);
    top->addWidget(m_find);
    m_busy = new BusyIndicator(colors.secondaryText(), 14, this);
    m_busy->hide();
    top->addWidget(m_busy);
    top->addStretch();
    box->addLayout(top);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("localServerStatus"));
    m_status->setTextFormat(Qt::PlainText); // it names models, which servers choose
    m_status->setWordWrap(true);
    QFont small = m_status->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_status->setFont(small);
    m_status->hide();
    box->addWidget(m_status);

    m_rows = new QVBoxLayout;
    m_rows->setSpacing(4);
    box->addLayout(m_rows);
    setColors(colors);
}

void LocalServerPicker::setColors(const ThemeColors& colors)
{
    m_colors = colors;
    // A palette rather than a stylesheet, so the preferences' styling leaves it alone.
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, colors.secondaryText());
    m_status->setPalette(palette);
    for (QAbstractButton* row : findChildren<QAbstractButton*>(QStringLiteral("localServerRow")))
        static_cast<ServerRow*>(row)->setColors(colors);
}

QString LocalServerPicker::summary(const LocalServer& server)
{
    constexpr int shown = 2;
    QString models;
    if (server.models.isEmpty())
        models = tr("no models yet");
    else
        models = server.models.first(std::min<qsizetype>(shown, server.models.size())).join(QStringLiteral(", "));
    if (server.models.size() > shown)
        models += u' ' + tr("(+%n more)", nullptr, int(server.models.size() - shown));
    return server.name + QStringLiteral(" \u2014 ") + models;
}

void LocalServerPicker::findServers()
{
    m_catalog.cancel(this);
    showServers({});
    setStatus(tr("Looking for local servers\u2026"));
    m_busy->show();
    m_catalog.findLocalServers(this, [this](const QList<LocalServer>& servers) {
        m_busy->hide();
        showServers(servers);
        if (!servers.isEmpty()) {
            setStatus(tr("Choose a server to use it:"));
            return;
        }
        QStringList ports;
        for (const ModelCatalog::LocalPort& port : m_catalog.localPorts())
            ports.append(port.name + u' ' + QString::number(port.port));
        setStatus(tr("No local server answered on the usual ports (%1).").arg(ports.join(QStringLiteral(", "))));
    });
}

void LocalServerPicker::showServers(const QList<LocalServer>& servers)
{
    m_servers = servers;
    // Focus would fall to nothing when the row holding it goes.
    const bool hadFocus = focusWidget() && focusWidget()->objectName() == u"localServerRow";
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const LocalServer& server : servers) {
        auto* row = new ServerRow(server, m_colors, this);
        connect(row, &QAbstractButton::clicked, this, [this, server] { choose(server); });
        m_rows->addWidget(row);
    }
    if (hadFocus)
        m_find->setFocus(Qt::OtherFocusReason);
}

void LocalServerPicker::choose(const LocalServer& server)
{
    m_settings.setString(SettingsKeys::apiBaseUrl, server.baseUrl);
    const QString current = m_settings.string(SettingsKeys::openaiModel);
    const QString model = server.models.contains(current) ? current : server.models.value(0);
    if (!model.isEmpty())
        m_settings.setString(SettingsKeys::openaiModel, model);
    setStatus(model.isEmpty()
                  ? tr("Vantro now uses %1 at %2. It lists no models yet.").arg(server.name, server.baseUrl)
                  : tr("Vantro now uses %1 at %2 with \u201c%3\u201d.").arg(server.name, server.baseUrl, model));
    Q_EMIT serverChosen(server);
}

void LocalServerPicker::setStatus(const QString& text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}
