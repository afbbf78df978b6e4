// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUuid>

// The personality and the remembered facts, as plain-text files in the application folder. Every call goes to the
// file system; nothing is reported: unreadable files read as missing, failed writes keep the old file.
class MemoryStore
{
public:
    static constexpr int maxFacts = 50;

    // `folder` overrides the application folder (tests); empty means AppPaths::appFolder().
    explicit MemoryStore(QString folder = {});

    static QString defaultPersonality();

    QString appFolder() const;
    QString projectMemoriesFolder() const;
    QString personalityPath() const;
    QString userMemoryPath() const;
    QString projectMemoryPath(const QUuid& projectId) const;

    QString loadPersonality() const;
    void savePersonality(const QString& text) const;
    void resetPersonality() const;

    QString loadUserMemory() const;
    void clearUserMemory() const;
    QString loadProjectMemory(const QUuid& projectId) const;
    void clearProjectMemory(const QUuid& projectId) const;

    // Merges newly learnt facts into a memory file: case-insensitive de-duplication against the file, blank lines
    // dropped, at most `maxFacts` lines (oldest first out), LF-separated with a final LF.
    static void appendFacts(const QString& path, const QStringList& facts);

private:
    QString m_folder;
};
