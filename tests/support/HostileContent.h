// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileInfo>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <atomic>
#include <thread>

// A FIFO that must never be opened. Opening a FIFO for reading blocks until a writer comes, so a watcher thread
// plays the writer: it notices any reader, records it and lets the reader go on (to an empty read) instead of
// hanging the test.
class FifoTrap
{
public:
    FifoTrap();
    ~FifoTrap();
    FifoTrap(const FifoTrap&) = delete;
    FifoTrap& operator=(const FifoTrap&) = delete;

    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    QString fileName() const { return QFileInfo(m_path).fileName(); }
    bool wasOpened() const { return m_opened.load(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::atomic<bool> m_opened{false};
    std::atomic<bool> m_stop{false};
    std::thread m_watcher;
};

// Takes over the desktop's URL opener for every scheme an answer might use, and records what it was asked to open.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    OpenedUrls();
    ~OpenedUrls() override;

    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }

private:
    QStringList m_schemes;
};
