// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <ctime>

// An OpenAI-compatible chat-completions endpoint on 127.0.0.1 that streams one scripted answer to every request, as
// server-sent events paced at `piecesPerMs` and written in small batches from a timer. It runs on its own thread so
// that its work stays out of the GUI thread, and its CPU time can be taken out of the process's.
class AnswerServer : public QThread
{
public:
    explicit AnswerServer(const QStringList& pieces, double piecesPerMs = 1.0);
    ~AnswerServer() override;

    // Starts the thread and waits until it listens; false when it could not.
    bool startListening();
    QString baseUrl() const;

    // Answers sent in full so far.
    int answered() const { return m_answered.load(); }
    // CPU time the server thread has used so far.
    double cpuMs() const;

protected:
    void run() override;

private:
    QList<QByteArray> m_events; // one "data: ..." event per piece, then the closing one
    double m_piecesPerMs;
    std::atomic<quint16> m_port{0};
    std::atomic<int> m_answered{0};
    clockid_t m_cpuClock{};
    QSemaphore m_ready;
};
