// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "platform/Translations.h"
#include "model/Settings.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The options, described in the user's language once a translator is installed.
void describeOptions(QCommandLineParser& parser)
{
    const auto text = [](const char* source) { return QCoreApplication::translate("main", source); };
    parser.setApplicationDescription(text(QT_TRANSLATE_NOOP(
        "main", "Vantro applies AI prompts to whatever you just copied: select text, hold Ctrl and tap C twice.\n"
                "With Vantro already running, these options are handed to it.")));
    parser.addOptions({
        {QStringLiteral("new-chat"), text(QT_TRANSLATE_NOOP("main", "Open the chat window on a new chat."))},
        {QStringLiteral("open-chat"), text(QT_TRANSLATE_NOOP("main", "Open the chat window."))},
        {QStringLiteral("trigger"),
         text(QT_TRANSLATE_NOOP(
             "main", "Open the panel on the clipboard, as a double Ctrl+C does (bind it to a shortcut on Wayland)."))},
        {QStringLiteral("selection"),
         text(QT_TRANSLATE_NOOP("main", "With --trigger: use the text selected without copying, if there is any."))},
        {QStringLiteral("screenshot"),
         text(QT_TRANSLATE_NOOP("main", "Take a screenshot of a region and open the panel on it."))},
        {QStringLiteral("preferences"), text(QT_TRANSLATE_NOOP("main", "Open the preferences."))},
        {QStringLiteral("onboarding"), text(QT_TRANSLATE_NOOP("main", "Show the first-run walkthrough again."))},
        {QStringLiteral("quit"), text(QT_TRANSLATE_NOOP("main", "Quit the running Vantro."))},
    });
}

// The arguments without Qt's own options (-platform xcb, -reverse, …), which the application object takes; our
// parser would call them unknown.
QStringList withoutQtOptions(int argc, char* argv[])
{
    static const QStringList takingValue{u"platform"_s,
                                         u"platformpluginpath"_s,
                                         u"platformtheme"_s,
                                         u"plugin"_s,
                                         u"style"_s,
                                         u"stylesheet"_s,
                                         u"qwindowgeometry"_s,
                                         u"qwindowicon"_s,
                                         u"qwindowtitle"_s,
                                         u"display"_s,
                                         u"geometry"_s,
                                         u"title"_s,
                                         u"name"_s,
                                         u"session"_s};
    static const QStringList flags{u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s, u"sync"_s};
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        QString name = argument;
        while (name.startsWith(u'-'))
            name.remove(0, 1);
        if (i > 0 && argument.startsWith(u'-') && takingValue.contains(name)) {
            ++i; // and its value
            continue;
        }
        if (i > 0 && argument.startsWith(u'-') && flags.contains(name))
            continue;
        arguments.append(argument);
    }
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    describeOptions(parser);
    // Parsed before the application object exists, so --help and --version work without a display.
    if (!parser.parse(withoutQtOptions(argc, argv))) {
        std::fprintf(stderr, "vantro: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        // A core application is enough for the translators, and needs no display.
        QCoreApplication core(argc, argv);
        Translations::install(core);
        QCommandLineParser translated;
        translated.addHelpOption();
        translated.addVersionOption();
        describeOptions(translated);
        std::fputs(qPrintable(translated.helpText().replace(QCoreApplication::arguments().constFirst(),
                                                            QStringLiteral("vantro"))),
                   stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("vantro %s\n", VANTRO_VERSION);
        return 0;
    }
    QStringList command;
    for (const QString& option : parser.optionNames())
        command.append(QStringLiteral("--") + option);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantro"));
    QApplication::setApplicationVersion(QStringLiteral(VANTRO_VERSION));
    QApplication::setDesktopFileName(AppPaths::applicationId());
    Translations::install(app);
    // Vantro lives in the tray: closing the panel or the preferences must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (instance.sendToRunningInstance(command))
        return 0;
    if (command.contains(QStringLiteral("--quit")))
        return 0; // nothing running to quit
    if (!instance.listen()) {
        std::fprintf(stderr, "vantro: another Vantro is running but does not answer; try again in a moment\n");
        return 1;
    }

    Settings settings;
    // The desktop's proxy settings, and http_proxy / https_proxy / no_proxy, for every request.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QNetworkAccessManager network;
    AppDelegate delegate({settings, network, nullptr, true});
    QObject::connect(&instance, &SingleInstance::commandReceived, &delegate, &AppDelegate::handleCommand);
    delegate.applicationDidFinishLaunching();
    // Started with a command: run it, as a running instance would.
    if (!command.isEmpty())
        delegate.handleCommand(command);
    return app.exec();
}
