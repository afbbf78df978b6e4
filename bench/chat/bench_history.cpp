// SPDX-License-Identifier: GPL-3.0-or-later
// The whole application with a large chat history: 3,000 sessions of 10 messages (a chat_sessions.json of about
// 30 MB, reported as history_mb) next to 10 sessions of 10 messages. Messages are about 700 characters of
// Markdown-ish text (message_chars). Each size runs in its own process (the program starts itself once per size, or
// measures one size with --history_sessions=N), so "first in process" means the same for both. The history is written
// with ChatStore into a temporary XDG_DATA_HOME before the application objects exist, and the AppDelegate is built as
// in `vantro` but with null key backends and no tray icon, on a real X server ($DISPLAY, or an Xvfb of our own).
//
// BM_StreamAnswer: one chat answer streamed into the running application. The panel is expanded on the Chats tab
// showing one of the newest sessions (each repetition takes the next one, so every turn starts from 10 messages),
// with the sidebar listing the whole history. The question is typed into the chat input and sent with Return. The
// answer, 50,000 characters of Markdown in 5,000 server-sent events of 10 characters paced at one per millisecond,
// comes from a loopback chat-completions server on its own thread. Auto memory is off. Counters:
//  - gui_cpu_ms: CPU time of the GUI thread from the Return until the turn has finished and
//    AppState::waitForSavedSessions() has returned;
//  - process_cpu_ms: CPU time of all threads over the same span, the loopback server's thread taken out;
//  - longest_stall_ms: the longest time over the same span that the GUI thread went without waiting in its event
//    loop, from a return from a wait that could block to the next such wait; the end of the turn and its handing
//    over of the history to the writer are inside it, and so would be a save on the GUI thread (see StallMeter.h);
//  - longest_pass_ms: the longest single pass of the event loop over the same span, from one look for events to the
//    next, whether it waited or not: how long a key press could have waited to be handled while the thread was busy;
//  - save_wait_ms: how long waitForSavedSessions() still waited for the writer thread once the turn had ended;
//  - the benchmark's own time: wall time from the Return until the history was saved (at least 5 s: the pace).
// Three repetitions; the console shows their mean, median and spread.
//
// BM_ChatOpen_*: AppDelegate::openChatFromLauncher() (what `vantro --open-chat` runs) until the expanded panel's
// first paint has been drawn and flushed (the event loop is back after its first Paint event). Samples:
//  - FirstInProcess: the very first showing (fonts, styles, the panel and its sidebar built for the first time;
//    there is no active chat yet, so a new one is made and the history is handed to the writer, as at a real start);
//  - AfterEscape: shown again after it was hidden as Escape hides it;
//  - AfterClose: after the panel's close button dropped it, so the panel and its sidebar are built again.
// Each reports median_ms and max_ms of its samples (the benchmark's own time is their mean).
//
// BM_ResidentMemory: starts the `vantro` executable of this build on the same history in temporary folders
// (VANTRO_KEY_BACKEND=null, first run done), waits until its resident set has settled (under 0.25 MB of change
// over 2 s), and reads VmRSS from /proc/<pid>/status: rss_mb. Then `vantro --open-chat` shows the chat window and
// the settled value again is rss_chat_open_mb. The benchmark's own time is how long start-up took to settle.
#include "AnswerServer.h"
#include "ChatHistory.h"
#include "StallMeter.h"

#include "app/AppDelegate.h"
#include "app/FloatingPanel.h"
#include "chat/ChatTurnRunner.h"
#include "input/HotkeyManager.h"
#include "model/ChatStore.h"
#include "model/Project.h"
#include "model/Settings.h"
#include "platform/null/GlobalHotkeyNull.h"
#include "platform/null/KeyMonitorNull.h"
#include "ui/ChatView.h"
#include "ui/FloatingPanelView.h"
#include "ui/PanelSidebar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "PanelProbe.h"
#include "XvfbDisplay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int answerPieceCount = 5000;
constexpr int answerPieceLength = 10;
const int historySizes[] = {3000, 10};

double cpuMs(clockid_t clock)
{
    timespec time{};
    clock_gettime(clock, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

void sendKey(QObject* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// The preferences of someone past the first run, talking to `baseUrl`.
void writeSettings(Settings& settings, const QString& baseUrl)
{
    settings.setBoolean(SettingsKeys::hasCompletedOnboarding, true);
    settings.setBytes(SettingsKeys::userProjects, Project::encodeList({defaultProject()}));
    settings.setString(SettingsKeys::apiBaseUrl, baseUrl);
    settings.setString(SettingsKeys::openaiApiKey, QStringLiteral("bench-key"));
    settings.setBoolean(SettingsKeys::autoMemoryEnabled, false);
}

// Writes the generated history where the application looks for it; returns the file's size in bytes.
qint64 writeHistory(const QString& dataHome, const QList<ChatSession>& sessions)
{
    const QString folder = dataHome + QStringLiteral("/vantro");
    QDir().mkpath(folder);
    const ChatStore store(folder);
    if (!store.saveSessions(sessions))
        return -1;
    return QFileInfo(store.sessionsFilePath()).size();
}

struct TurnResult
{
    double wallMs = 0;
    double guiCpuMs = 0;
    double processCpuMs = 0;
    double longestStallMs = 0;
    double longestPassMs = 0;
    double saveWaitMs = 0;
};

// The application on the generated history, with the loopback server it asks.
class Fixture
{
public:
    explicit Fixture(int sessionCount)
    {
        const QString dataHome = m_folders.path() + QStringLiteral("/data");
        qputenv("XDG_DATA_HOME", dataHome.toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_folders.path() + QStringLiteral("/config")).toUtf8());
        const QString runtime = m_folders.path() + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());

        const QStringList pieces = BenchHistory::answerPieces(answerPieceCount, answerPieceLength);
        m_expectedAnswer = pieces.join(QString());
        m_server = std::make_unique<AnswerServer>(pieces);
        if (!m_server->startListening()) {
            m_error = "the loopback server could not listen";
            return;
        }

        const QList<ChatSession> sessions = BenchHistory::makeSessions(sessionCount);
        qsizetype characters = 0;
        for (const ChatSession& session : sessions) {
            m_sessionIds.append(session.id);
            for (const ChatMessage& message : session.messages)
                characters += message.content.size();
        }
        m_messageChars = double(characters) / double(sessionCount * 10);
        m_historyBytes = writeHistory(dataHome, sessions);
        if (m_historyBytes < 0) {
            m_error = "the history could not be written";
            return;
        }

        m_settings = std::make_unique<Settings>();
        writeSettings(*m_settings, m_server->baseUrl());
        m_network = std::make_unique<QNetworkAccessManager>();
        auto hotkeys = std::make_unique<HotkeyManager>(std::make_unique<KeyMonitorNull>(QStringLiteral("bench")),
                                                       std::make_unique<GlobalHotkeyNull>(QStringLiteral("bench")),
                                                       m_settings.get());
        m_delegate = std::make_unique<AppDelegate>(
            AppDelegate::Dependencies{*m_settings, *m_network, std::move(hotkeys), false});
        m_delegate->applicationDidFinishLaunching();
        if (m_delegate->appState().chatSessions().size() != sessionCount) {
            m_error = "the application did not load the history";
            return;
        }
        qApp->installEventFilter(&m_probe);
        settle(300);
    }

    ~Fixture()
    {
        qApp->removeEventFilter(&m_probe);
        m_delegate.reset();
        m_server.reset();
    }

    const char* error() const { return m_error; }
    double historyMb() const { return double(m_historyBytes) / 1e6; }
    double messageChars() const { return m_messageChars; }
    AppDelegate& delegate() { return *m_delegate; }

    // One opening; milliseconds until its first paint was flushed, or a negative value on time-out.
    double openChatToFirstPaint()
    {
        m_probe.arm();
        QElapsedTimer timer;
        timer.start();
        m_delegate->openChatFromLauncher();
        while (!m_probe.flushed() && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        return m_probe.flushed() ? ms : -1;
    }

    // What Escape does when no custom prompt is open: the panel hides and stays built. (A bare X server gives a
    // panel shown again no focus, so the key itself could not be delivered through the panel's window each time.)
    bool hidePanel()
    {
        FloatingPanel* panel = m_delegate->panel();
        if (!panel)
            return false;
        panel->hide();
        settle(30);
        return panel->isHidden();
    }

    // The panel's close button: the panel is closed and dropped.
    bool closePanel()
    {
        FloatingPanelView* view = m_delegate->panelView();
        if (!view)
            return false;
        Q_EMIT view->closeRequested();
        settle(30); // the closed panel is deleted later
        return m_delegate->panel() == nullptr;
    }

    // Sends the question into the `turn`-th newest session and waits until the answer is in and saved.
    std::optional<TurnResult> streamOneAnswer(int turn)
    {
        if ((!m_delegate->panel() || m_delegate->panel()->isHidden()) && openChatToFirstPaint() < 0)
            return fail("the panel never painted");
        FloatingPanelView* view = m_delegate->panelView();
        AppState& state = m_delegate->appState();
        state.setExpandedPanelTab(ExpandedPanelTab::Chat);
        const QUuid sessionId = m_sessionIds.at(turn % m_sessionIds.size());
        view->sidebar()->selectSession(sessionId);
        ChatInputEdit* input = view->chatView()->input();
        input->setFocus(Qt::OtherFocusReason);
        input->setPlainText(BenchHistory::question());
        // The transcript of the session is built and painted, and earlier saves (the empty chat dropped on the way
        // here) are done and do not count.
        settle(500);
        state.waitForSavedSessions();

        QEventLoop loop;
        QObject::connect(&m_delegate->chatTurns(), &ChatTurnRunner::turnFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(300000, &loop, &QEventLoop::quit);
        const int answeredBefore = m_server->answered();

        QElapsedTimer wall;
        const double gui0 = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        const double process0 = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        const double server0 = m_server->cpuMs();
        wall.start();
        m_stalls.start();
        sendKey(input, Qt::Key_Return);
        if (m_delegate->chatTurns().isStreaming())
            loop.exec();
        m_stalls.stop();
        const qint64 ended = wall.nsecsElapsed();
        state.waitForSavedSessions();
        TurnResult result;
        result.wallMs = double(wall.nsecsElapsed()) / 1e6;
        result.guiCpuMs = cpuMs(CLOCK_THREAD_CPUTIME_ID) - gui0;
        result.processCpuMs = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - process0 - (m_server->cpuMs() - server0);
        result.longestStallMs = m_stalls.longestMs();
        result.longestPassMs = m_stalls.longestPassMs();
        result.saveWaitMs = double(wall.nsecsElapsed() - ended) / 1e6;

        if (m_server->answered() != answeredBefore + 1)
            return fail("the loopback server did not send one whole answer");
        for (const ChatSession& session : state.chatSessions()) {
            if (session.id != sessionId)
                continue;
            if (session.messages.size() != 12 || session.messages.last().content != m_expectedAnswer)
                return fail("the answer did not arrive whole in the session");
            settle(200); // the last repaints, outside the measurement
            return result;
        }
        return fail("the session went missing");
    }

    QString stallSource() const { return m_stalls.source(); }

private:
    std::optional<TurnResult> fail(const char* reason)
    {
        m_error = reason;
        return std::nullopt;
    }

    QTemporaryDir m_folders;
    QString m_expectedAnswer;
    std::unique_ptr<AnswerServer> m_server;
    QList<QUuid> m_sessionIds; // newest first
    qint64 m_historyBytes = 0;
    double m_messageChars = 0;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<AppDelegate> m_delegate;
    FirstPaintProbe m_probe;
    StallMeter m_stalls;
    const char* m_error = nullptr;
};

int historySessions = 0;
std::unique_ptr<Fixture> sharedFixture;

// Built on first use, so a filter that leaves out the in-process benchmarks does not pay for it.
Fixture* fixture(benchmark::State& state)
{
    if (!sharedFixture)
        sharedFixture = std::make_unique<Fixture>(historySessions);
    if (sharedFixture->error()) {
        state.SkipWithError(sharedFixture->error());
        return nullptr;
    }
    return sharedFixture.get();
}

// Times the opening after `prepare` put the panel into the state being measured.
template <typename Prepare> void sampleOpenings(benchmark::State& state, Prepare prepare)
{
    Fixture* f = fixture(state);
    if (!f)
        return;
    if (!f->delegate().panel() && f->openChatToFirstPaint() < 0) {
        state.SkipWithError("the panel never painted");
        return;
    }
    samplePaints(
        state, [&] { return prepare(*f); }, [f] { return f->openChatToFirstPaint(); });
}

void BM_ChatOpen_FirstInProcess(benchmark::State& state)
{
    Fixture* f = fixture(state);
    if (!f)
        return;
    if (!samplePaints(
            state, [] { return true; }, [f] { return f->openChatToFirstPaint(); }))
        return;
    if (!f->delegate().appState().isPanelExpanded() ||
        f->delegate().appState().expandedPanelTab() != ExpandedPanelTab::Chat) {
        state.SkipWithError("the panel did not open on the Chats tab");
        return;
    }
    state.counters["history_mb"] = f->historyMb();
    state.counters["message_chars"] = f->messageChars();
}

void BM_ChatOpen_AfterEscape(benchmark::State& state)
{
    sampleOpenings(state, [](Fixture& f) { return f.hidePanel(); });
}

void BM_ChatOpen_AfterClose(benchmark::State& state)
{
    sampleOpenings(state, [](Fixture& f) { return f.closePanel(); });
}

void BM_StreamAnswer(benchmark::State& state)
{
    Fixture* f = fixture(state);
    if (!f)
        return;
    static int turn = 0;
    for (auto _ : state) {
        const std::optional<TurnResult> result = f->streamOneAnswer(turn++);
        if (!result) {
            state.SkipWithError(f->error());
            return;
        }
        state.SetIterationTime(result->wallMs / 1000);
        state.counters["gui_cpu_ms"] = result->guiCpuMs;
        state.counters["process_cpu_ms"] = result->processCpuMs;
        state.counters["longest_stall_ms"] = result->longestStallMs;
        if (result->longestPassMs >= 0)
            state.counters["longest_pass_ms"] = result->longestPassMs;
        state.counters["save_wait_ms"] = result->saveWaitMs;
    }
    state.SetLabel(f->stallSource().toStdString());
}

// ---- the `vantro` executable --------------------------------------------------------------------------------------

double residentMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// Samples the resident set every 250 ms until it moved less than 0.25 MB over the last 2 s (at most 60 s); returns
// the settled value and how long it took.
std::pair<double, double> settledResidentMb(qint64 pid)
{
    QElapsedTimer timer;
    timer.start();
    std::vector<double> samples;
    while (timer.elapsed() < 60000) {
        samples.push_back(residentMb(pid));
        if (samples.back() < 0)
            return {-1, 0};
        if (samples.size() > 8) {
            const auto window = samples.end() - 9;
            const auto [low, high] = std::minmax_element(window, samples.end());
            if (*high - *low < 0.25)
                break;
        }
        QThread::msleep(250);
    }
    return {samples.back(), double(timer.elapsed()) / 1000};
}

void BM_ResidentMemory(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir folders;
        const QString runtime = folders.path() + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const qint64 historyBytes =
            writeHistory(folders.path() + QStringLiteral("/data"), BenchHistory::makeSessions(historySessions));
        const QString configFolder = folders.path() + QStringLiteral("/config/vantro");
        QDir().mkpath(configFolder);
        {
            // Nothing listens there: this process has nothing to ask.
            Settings settings(configFolder + QStringLiteral("/vantro.conf"));
            writeSettings(settings, QStringLiteral("http://127.0.0.1:9"));
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folders.path() + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.path() + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("VANTRO_KEY_BACKEND"), QStringLiteral("null"));

        QProcess vantro;
        vantro.setProcessEnvironment(environment);
        vantro.setProcessChannelMode(QProcess::ForwardedChannels);
        vantro.start(QStringLiteral(VANTRO_BINARY), QStringList());
        if (!vantro.waitForStarted(10000)) {
            state.SkipWithError("vantro did not start");
            return;
        }
        const qint64 pid = vantro.processId();
        const auto [rss, settleSeconds] = settledResidentMb(pid);
        const bool opened = runCommand(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--open-chat")}, environment);
        const double rssChatOpen = opened ? settledResidentMb(pid).first : -1;

        const bool quit = runCommand(QStringLiteral(VANTRO_BINARY), {QStringLiteral("--quit")}, environment);
        if (!vantro.waitForFinished(20000) || !quit)
            vantro.kill();
        vantro.waitForFinished();
        if (rss < 0 || rssChatOpen < 0) {
            state.SkipWithError("vantro went away or did not open the chat window");
            return;
        }
        state.SetIterationTime(settleSeconds);
        state.counters["rss_mb"] = rss;
        state.counters["rss_chat_open_mb"] = rssChatOpen;
        state.counters["history_mb"] = double(historyBytes) / 1e6;
    }
}

// ---- one process per history size ---------------------------------------------------------------------------------

// "--benchmark_out=run.json" becomes "--benchmark_out=run-3000.json", so the two processes do not write one file.
std::string outputFor(const std::string& argument, int sessions)
{
    const std::string prefix = "--benchmark_out=";
    if (argument.rfind(prefix, 0) != 0)
        return argument;
    const std::string path = argument.substr(prefix.size());
    const size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    return prefix + path.substr(0, dot) + '-' + std::to_string(sessions) + path.substr(dot);
}

int runEachSize(int argc, char** argv)
{
    const XvfbDisplay display; // shared by both processes
    if (!display.isAvailable())
        return 1;
    int status = 0;
    for (const int sessions : historySizes) {
        std::vector<std::string> arguments;
        for (int i = 0; i < argc; ++i)
            arguments.push_back(outputFor(argv[i], sessions));
        arguments.push_back("--history_sessions=" + std::to_string(sessions));
        std::vector<char*> pointers;
        for (std::string& argument : arguments)
            pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            execv("/proc/self/exe", pointers.data());
            _exit(127);
        }
        int childStatus = 0;
        if (child < 0 || waitpid(child, &childStatus, 0) != child || !WIFEXITED(childStatus) ||
            WEXITSTATUS(childStatus) != 0)
            status = 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--history_sessions=", 19) == 0)
            historySessions = std::atoi(argv[i] + 19);
        else
            arguments.push_back(argv[i]);
    }
    if (historySessions <= 0)
        return runEachSize(argc, argv);

    const XvfbDisplay display;
    if (!display.isAvailable())
        return 1;
    qputenv("QT_QPA_PLATFORM", "xcb");
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
    QApplication::setApplicationName(QStringLiteral("vantro"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantro"));
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;

    const std::string size = "/sessions:" + std::to_string(historySessions);
    benchmark::RegisterBenchmark(("BM_ChatOpen_FirstInProcess" + size).c_str(), BM_ChatOpen_FirstInProcess)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_ChatOpen_AfterEscape" + size).c_str(), BM_ChatOpen_AfterEscape)
        ->Iterations(20)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_ChatOpen_AfterClose" + size).c_str(), BM_ChatOpen_AfterClose)
        ->Iterations(10)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_StreamAnswer" + size).c_str(), BM_StreamAnswer)
        ->Iterations(1)
        ->Repetitions(3)
        ->DisplayAggregatesOnly()
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_ResidentMemory" + size).c_str(), BM_ResidentMemory)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sharedFixture.reset();
    return 0;
}
