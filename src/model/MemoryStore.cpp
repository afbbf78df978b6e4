// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/MemoryStore.h"

#include "model/JsonDecoder.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

std::optional<QString> readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

void writeText(const QString& path, const QString& text)
{
    AtomicFile::write(path, text.toUtf8());
}

// Every Unicode line break, each on its own: CRLF gives an extra blank piece, which the callers drop.
const QRegularExpression& lineBreaks()
{
    static const QRegularExpression pattern(QStringLiteral("[\\n\\x{0B}\\x{0C}\\r\\x{85}\\x{2028}\\x{2029}]"));
    return pattern;
}

} // namespace

MemoryStore::MemoryStore(QString folder) : m_folder(std::move(folder)) {}

QString MemoryStore::defaultPersonality()
{
    return QStringLiteral("You are a helpful, conversational assistant.\n"
                          "Speak naturally and concisely.\n"
                          "Avoid robotic or overly formal phrasing.\n"
                          "Use short paragraphs.\n"
                          "Ask clarifying questions when the request is ambiguous.\n"
                          "Provide practical examples when helpful.\n"
                          "Do not mention being an AI unless asked.");
}

QString MemoryStore::appFolder() const
{
    if (m_folder.isEmpty())
        return AppPaths::appFolder();
    QDir().mkpath(m_folder);
    return m_folder;
}

QString MemoryStore::projectMemoriesFolder() const
{
    const QString folder = appFolder() + QStringLiteral("/project_memories");
    QDir().mkpath(folder);
    return folder;
}

QString MemoryStore::personalityPath() const
{
    return appFolder() + QStringLiteral("/souls.txt");
}

QString MemoryStore::userMemoryPath() const
{
    return appFolder() + QStringLiteral("/user_memory.txt");
}

QString MemoryStore::projectMemoryPath(const QUuid& projectId) const
{
    return projectMemoriesFolder() + u'/' + JsonFormat::uuidString(projectId) + QStringLiteral(".txt");
}

QString MemoryStore::loadPersonality() const
{
    const QString path = personalityPath();
    if (!QFile::exists(path)) {
        writeText(path, defaultPersonality());
        return defaultPersonality();
    }
    return readText(path).value_or(defaultPersonality());
}

void MemoryStore::savePersonality(const QString& text) const
{
    writeText(personalityPath(), text);
}

void MemoryStore::resetPersonality() const
{
    writeText(personalityPath(), defaultPersonality());
}

QString MemoryStore::loadUserMemory() const
{
    return readText(userMemoryPath()).value_or(QString()).trimmed();
}

void MemoryStore::clearUserMemory() const
{
    writeText(userMemoryPath(), QString());
}

QString MemoryStore::loadProjectMemory(const QUuid& projectId) const
{
    return readText(projectMemoryPath(projectId)).value_or(QString()).trimmed();
}

void MemoryStore::clearProjectMemory(const QUuid& projectId) const
{
    writeText(projectMemoryPath(projectId), QString());
}

void MemoryStore::appendFacts(const QString& path, const QStringList& facts)
{
    QStringList incoming;
    for (const QString& fact : facts) {
        const QString trimmed = fact.trimmed();
        if (!trimmed.isEmpty())
            incoming.append(trimmed);
    }
    if (incoming.isEmpty())
        return;

    // A file that exists but cannot be read is left alone rather than replaced by the new facts alone.
    const std::optional<QString> read = readText(path);
    if (!read && QFile::exists(path))
        return;
    const QString existing = read.value_or(QString());
    const QStringList existingLines = existing.split(lineBreaks());
    QSet<QString> known;
    for (const QString& line : existingLines)
        known.insert(line.trimmed().toLower());

    QStringList fresh;
    for (const QString& fact : incoming) {
        if (!known.contains(fact.toLower()))
            fresh.append(fact);
    }
    if (fresh.isEmpty())
        return;

    QStringList lines;
    for (const QString& line : existingLines) {
        if (!line.trimmed().isEmpty())
            lines.append(line);
    }
    lines.append(fresh);
    if (lines.size() > maxFacts)
        lines = lines.mid(lines.size() - maxFacts);
    writeText(path, lines.join(u'\n') + u'\n');
}
