// SPDX-License-Identifier: GPL-3.0-or-later
// Every screen as users meet it: each text from the translation catalogue (and German for a German user), a name
// for each control a screen reader announces, and the keyboard reaching every control.
#include "app/ShortcutsDialog.h"
#include "platform/Translations.h"
#include "model/AppState.h"
#include "model/MemoryStore.h"
#include "model/Settings.h"
#include "support/AccessibilityBus.h"
#include "support/TestEnvironment.h"
#include "ui/FloatingPanelView.h"
#include "ui/OnboardingView.h"
#include "ui/ThemeManager.h"
#include "ui/preferences/PreferencesWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTextEdit>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView open = u"⟦";
constexpr QStringView close = u"⟧";

// The texts of the catalogue, each shown marked: a text on screen without the marks did not come from it.
class MarkingTranslator : public QTranslator
{
public:
    explicit MarkingTranslator(const QString& catalogue)
    {
        QFile file(catalogue);
        if (!file.open(QIODevice::ReadOnly))
            return;
        QXmlStreamReader xml(&file);
        QString context;
        while (!xml.atEnd()) {
            if (!xml.readNextStartElement())
                continue;
            if (xml.name() == u"name")
                context = xml.readElementText();
            else if (xml.name() == u"source")
                m_texts.insert(context + u'\x1f' + xml.readElementText());
        }
    }

    bool isEmpty() const override { return m_texts.isEmpty(); }

    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        Q_UNUSED(disambiguation)
        Q_UNUSED(n)
        const QString text = QString::fromUtf8(source);
        if (!m_texts.contains(QString::fromUtf8(context) + u'\x1f' + text))
            return {};
        return open + text + close;
    }

private:
    QSet<QString> m_texts;
};

// The user's own data in the screens below: shown as it is, never translated.
const QString copiedText = u"A sentence the user copied"_s;
const QString answerText = u"The model's answer"_s;
const QString modelName = u"test-model"_s;

bool isData(const QString& text)
{
    static const QStringList data = [] {
        QStringList list{copiedText, answerText, modelName, u"General"_s, u"Vantro"_s};
        for (const Prompt& prompt : defaultPrompts())
            list << prompt.title << prompt.systemPrompt.trimmed();
        return list;
    }();
    return data.contains(text);
}

// Numbers, key caps, symbols and examples of addresses, keys and model names need no translation.
bool isSymbolic(const QString& text)
{
    const bool identifier = !text.contains(u' ') && text.contains(QRegularExpression(u"[./:-]"_s));
    return identifier || std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); }) ||
           QRegularExpression(u"^(Ctrl|Alt|Shift|Super|C|ENTER|Esc|Tab)$"_s).match(text).hasMatch();
}

enum class Screen
{
    CompactPanel,
    WelcomeHint,
    ExpandedPanel,
    Walkthrough,
    Preferences,
    Shortcuts
};

// A screen shown at the panel's size over fresh settings, with the user's data above.
struct Shown
{
    Settings settings;
    AppState state{settings, ChatStore()};
    std::unique_ptr<QWidget> top;

    Shown(Screen screen, int page)
    {
        settings.setString(SettingsKeys::openaiModel, modelName);
        const ThemeColors colors{AppTheme::Light};
        switch (screen) {
        case Screen::CompactPanel:
        case Screen::WelcomeHint:
        case Screen::ExpandedPanel: {
            state.setClipboardText(copiedText);
            state.setResultText(answerText);
            state.setResultComplete(true);
            state.setShowCustomPromptInput(true);
            state.setShowWelcomeHint(screen == Screen::WelcomeHint);
            if (screen == Screen::ExpandedPanel) {
                ChatSession session = state.newChatSession();
                const QDateTime now = QDateTime::currentDateTimeUtc();
                session.messages = {
                    ChatMessage{QUuid::createUuid(), MessageRole::User, copiedText, now, {}, false, {}},
                    ChatMessage{QUuid::createUuid(), MessageRole::Assistant, answerText, now, {}, false, {}}};
                state.updateSession(session);
                state.setIsPanelExpanded(true);
            }
            top = std::make_unique<FloatingPanelView>(state, settings, nullptr, colors);
            break;
        }
        case Screen::Walkthrough: {
            auto view = std::make_unique<OnboardingView>(state, settings, colors);
            view->setCurrentStep(OnboardingView::Step(page));
            top = std::move(view);
            break;
        }
        case Screen::Preferences: {
            auto window = std::make_unique<PreferencesWindow>(state, settings, nullptr, nullptr, MemoryStore(),
                                                              ThemeManager::shared(&settings));
            if (auto* tabs = window->findChild<QTabWidget*>())
                tabs->setCurrentIndex(page);
            top = std::move(window);
            break;
        }
        case Screen::Shortcuts:
            top = std::make_unique<ShortcutsDialog>();
            top->setAttribute(Qt::WA_DeleteOnClose, false);
            break;
        }
        top->resize(980, 732);
        top->show();
    }

    bool exposed()
    {
        const bool done = QTest::qWaitForWindowExposed(top.get());
        QCoreApplication::sendPostedEvents();
        return done;
    }
};

} // namespace

namespace {

void screens()
{
    QTest::addColumn<Screen>("screen");
    QTest::addColumn<int>("page"); // the walkthrough's step, the preferences' tab
    QTest::newRow("compact panel with an answer") << Screen::CompactPanel << 0;
    QTest::newRow("compact panel, welcome hint") << Screen::WelcomeHint << 0;
    QTest::newRow("expanded panel") << Screen::ExpandedPanel << 0;
    for (int step = 0; step < OnboardingView::stepCount; ++step)
        QTest::addRow("walkthrough step %d", step + 1) << Screen::Walkthrough << step;
    for (int tab = 0; tab < 4; ++tab)
        QTest::addRow("preferences tab %d", tab + 1) << Screen::Preferences << tab;
    QTest::newRow("keyboard shortcuts") << Screen::Shortcuts << 0;
}

} // namespace

class TestScreens : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<MarkingTranslator> m_marking;

    // The texts a user can see in `top`: captions, buttons, tool tips, placeholders and tab names.
    static QStringList visibleTexts(QWidget& top)
    {
        QStringList texts{top.windowTitle()};
        const QList<QWidget*> widgets = top.findChildren<QWidget*>();
        for (QWidget* widget : widgets) {
            // Qt translates its own standard buttons.
            if (!widget->isVisibleTo(&top) || qobject_cast<QDialogButtonBox*>(widget->parentWidget()))
                continue;
            texts << widget->toolTip() << widget->accessibleName() << widget->accessibleDescription();
            if (auto* label = qobject_cast<QLabel*>(widget))
                texts << label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                texts << button->text();
            else if (auto* line = qobject_cast<QLineEdit*>(widget))
                texts << line->placeholderText();
            else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
                texts << plain->placeholderText();
            else if (auto* rich = qobject_cast<QTextEdit*>(widget))
                texts << rich->placeholderText();
            else if (auto* group = qobject_cast<QGroupBox*>(widget))
                texts << group->title();
            else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
                for (int i = 0; i < tabs->count(); ++i)
                    texts << tabs->tabText(i) << tabs->tabToolTip(i);
            }
        }
        return texts;
    }

    static QStringList unmarked(QWidget& top)
    {
        QStringList found;
        for (const QString& text : visibleTexts(top)) {
            const QString plain = text.trimmed();
            if (plain.isEmpty() || plain.contains(open) || isData(plain) || isSymbolic(plain))
                continue;
            found << plain;
        }
        found.removeDuplicates();
        return found;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_marking = std::make_unique<MarkingTranslator>(QStringLiteral(VANTRO_SOURCE_DIR "/translations/vantro_de.ts"));
        QVERIFY2(!m_marking->isEmpty(), "the catalogue could not be read");
        QVERIFY(QCoreApplication::installTranslator(m_marking.get()));
    }

    void everyTextIsInTheCatalogue_data() { screens(); }

    void everyTextIsInTheCatalogue()
    {
        QFETCH(Screen, screen);
        QFETCH(int, page);
        Shown shown(screen, page);
        QVERIFY(shown.exposed());
        const QStringList found = unmarked(*shown.top);
        QVERIFY2(found.isEmpty(), qPrintable(u"not from the catalogue: \""_s + found.join(u"\", \""_s) + u'"'));
    }

    // What a screen reader says for each control the keyboard can reach: never nothing.
    void everyControlHasAnAccessibleName_data() { screens(); }

    void everyControlHasAnAccessibleName()
    {
        QFETCH(Screen, screen);
        QFETCH(int, page);
        Shown shown(screen, page);
        QVERIFY(shown.exposed());
        QStringList nameless;
        for (QWidget* widget : shown.top->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(shown.top.get()) || !widget->isEnabled() ||
                !(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy())
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible);
            if (accessible->text(QAccessible::Name).trimmed().isEmpty())
                nameless << QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName();
        }
        QVERIFY2(nameless.isEmpty(), qPrintable(u"without a name: "_s + nameless.join(u", "_s)));
    }

    // From the first control, Tab goes through every control of the screen; no button is left out of it.
    void tabReachesEveryControl_data()
    {
        QTest::addColumn<Screen>("screen");
        QTest::addColumn<int>("page");
        QTest::newRow("compact panel") << Screen::CompactPanel << 0;
        QTest::newRow("expanded panel") << Screen::ExpandedPanel << 0;
        for (int step = 0; step < OnboardingView::stepCount; ++step)
            QTest::addRow("walkthrough step %d", step + 1) << Screen::Walkthrough << step;
    }

    void tabReachesEveryControl()
    {
        QFETCH(Screen, screen);
        QFETCH(int, page);
        Shown shown(screen, page);
        QVERIFY(shown.exposed());
        QWidget* top = shown.top.get();
        top->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(top));
        QList<QWidget*> controls;
        QStringList untabbable;
        for (QWidget* widget : top->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(top) || !widget->isEnabled())
                continue;
            const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                                 qobject_cast<QPlainTextEdit*>(widget);
            if (widget->focusPolicy() & Qt::TabFocus)
                controls << widget;
            else if (control)
                untabbable << QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName();
        }
        QVERIFY2(untabbable.isEmpty(), qPrintable(u"no Tab to: "_s + untabbable.join(u", "_s)));
        QVERIFY(!controls.isEmpty());

        controls.first()->setFocus(Qt::TabFocusReason);
        QList<QWidget*> visits;
        for (int press = 0; press <= controls.size() && QApplication::focusWidget(); ++press) {
            // The screen itself is the panel at rest, not a control.
            if (!visits.contains(QApplication::focusWidget()) && QApplication::focusWidget() != top)
                visits << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        const QSet<QWidget*> reached(visits.cbegin(), visits.cend());
        QStringList missed;
        for (QWidget* control : std::as_const(controls)) {
            if (!reached.contains(control))
                missed << QString::fromLatin1(control->metaObject()->className()) + u' ' + control->objectName();
        }
        QStringList visited;
        for (QWidget* widget : std::as_const(visits))
            visited << widget->objectName();
        QVERIFY2(missed.isEmpty(), qPrintable(u"Tab never reaches: "_s + missed.join(u", "_s) + u" (visited: "_s +
                                              visited.join(u", "_s) + u')'));

        // In reading order: each next control is to the right on the same line, further down, or at the top of a
        // column further right. The cycle has one way back to the start.
        const auto rect = [top](QWidget* widget) { return QRect(widget->mapTo(top, QPoint()), widget->size()); };
        QStringList backwards;
        for (qsizetype i = 0; i < visits.size(); ++i) {
            const QRect from = rect(visits.at(i)), to = rect(visits.at((i + 1) % visits.size()));
            const bool sameLine = to.top() < from.bottom() && from.top() < to.bottom();
            const bool nextColumn = to.left() >= from.right();
            if (!(sameLine ? to.left() > from.left() : to.top() >= from.top() || nextColumn))
                backwards << visits.at(i)->objectName() + u" → "_s + visits.at((i + 1) % visits.size())->objectName();
        }
        QVERIFY2(backwards.size() <= 1, qPrintable(u"out of reading order: "_s + backwards.join(u", "_s)));
    }

    // Texts with a count: English needs its plural forms from a catalogue too, German has them.
    void everyPluralHasItsForms()
    {
        for (const QString& language : {u"en"_s, u"de"_s}) {
            QFile file(QStringLiteral(VANTRO_SOURCE_DIR "/translations/vantro_") + language + u".ts"_s);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QXmlStreamReader xml(&file);
            bool numerus = false;
            QString source;
            int plurals = 0;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"message") {
                    numerus = xml.attributes().value(QLatin1StringView("numerus")) == u"yes";
                } else if (xml.isStartElement() && xml.name() == u"source") {
                    source = xml.readElementText();
                } else if (numerus && xml.isStartElement() && xml.name() == u"translation") {
                    const bool unfinished = xml.attributes().value(QLatin1StringView("type")) == u"unfinished";
                    QVERIFY2(!unfinished, qPrintable(language + u": "_s + source));
                    ++plurals;
                }
            }
            QVERIFY(plurals > 0);
        }
    }

    // A German user's screen reader: the real application under LANGUAGE=de, its preferences read through the AT-SPI
    // registry on a bus of the test's own, with the German names of the window and its controls.
    void germanThroughTheAccessibilityTree()
    {
        QCoreApplication::removeTranslator(m_marking.get());
        AccessibilityBus a11y;
        QVERIFY2(a11y.isRunning(), "at-spi2-core is needed for this test");
        QProcessEnvironment environment = a11y.environment();
        environment.insert(u"LANGUAGE"_s, u"de"_s);
        environment.insert(u"VANTRO_SECRET_BACKEND"_s, u"null"_s);
        environment.insert(u"VANTRO_KEY_BACKEND"_s, u"null"_s);
        {
            Settings settings;
            settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
        }
        QProcess vantro;
        vantro.setProcessEnvironment(environment);
        vantro.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        vantro.start(QStringLiteral(VANTRO_BINARY), {u"--preferences"_s});
        QVERIFY(vantro.waitForStarted(10000));

        QStringList names;
        QTRY_VERIFY_WITH_TIMEOUT((names = a11y.names()).contains(u"Vantro-Einstellungen"_s), 15000);
        for (const QString& name : {u"Prompts"_s, u"Projektname"_s, u"Projektkontext"_s})
            QVERIFY2(names.contains(name), qPrintable(name));

        QProcess quit;
        quit.setProcessEnvironment(environment);
        quit.start(QStringLiteral(VANTRO_BINARY), {u"--quit"_s});
        QVERIFY(quit.waitForFinished(15000));
        QVERIFY(vantro.waitForFinished(15000));
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
