// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChatStore.h"
#include "model/MemoryStore.h"
#include "model/Project.h"
#include "model/Settings.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantro"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTRO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vantro: AI prompts for whatever you just copied."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    Settings settings;
    const auto sessions = ChatStore().loadSessions();
    const auto projects = Project::decodeList(settings.bytes(SettingsKeys::userProjects));
    MemoryStore memory;
    memory.loadPersonality();

    std::printf("Vantro %s: %lld chat sessions, %lld projects, data in %s\n", VANTRO_VERSION,
                static_cast<long long>(sessions.size()), static_cast<long long>(projects ? projects->size() : 1),
                qPrintable(memory.appFolder()));
    return 0;
}
