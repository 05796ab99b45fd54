#pragma once

#include "app/Platform.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "platform/LocalSyncServer.h"
#include "platform/Notifier.h"
#include "platform/PreferenceStore.h"
#include "platform/Scheduler.h"
#include "platform/SoundPlayer.h"
#include "platform/TrayItem.h"

#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <map>

class FakeClock final : public Clock
{
public:
    double now() const override { return current; }
    double current = 1'800'000'000.0;
};

// Work that runs only as the test advances time, the clock moved to each task's due time.
class FakeScheduler final : public Scheduler
{
public:
    explicit FakeScheduler(FakeClock& clock) : m_clock(clock) {}

    TaskId after(double seconds, Task task) override { return add(seconds, 0, std::move(task)); }
    TaskId every(double seconds, Task task) override { return add(seconds, seconds, std::move(task)); }
    void cancel(TaskId id) override { m_tasks.erase(id); }

    void advance(double seconds);
    int repeatingCount() const;

private:
    struct Entry
    {
        double due;
        double interval; // 0 for one-shot
        Task task;
    };
    TaskId add(double seconds, double interval, Task task);
    FakeClock& m_clock;
    std::map<TaskId, Entry> m_tasks;
    TaskId m_nextId = 1;
};

class MemoryPreferenceStore final : public PreferenceStore
{
public:
    explicit MemoryPreferenceStore(QJsonObject stored = {}) : PreferenceStore(std::move(stored)) {}
    int writes = 0;
    std::optional<QString> failure; // set: every write fails with it

protected:
    std::optional<QString> persist(const QJsonObject&) override
    {
        ++writes;
        return failure;
    }
};

class RecordingNotifier final : public Notifier
{
public:
    void post(const QString& title, const QString& body) override { posted.append({title, body}); }
    // Also listed in `posted`; `answer` runs the latest one's handler as a press of `key`.
    void postUrgent(const QString& title, const QString& body, const QList<Action>& actions,
                    std::function<void(const QString&)> invoked) override
    {
        posted.append({title, body});
        urgentKeys.clear();
        for (const Action& action : actions)
            urgentKeys.append(action.key);
        m_invoked = std::move(invoked);
    }
    void answer(const QString& key) { std::exchange(m_invoked, nullptr)(key); }
    QList<QPair<QString, QString>> posted;
    QStringList urgentKeys;

private:
    std::function<void(const QString&)> m_invoked;
};

// Records the sound names played and readied (the file name without its folder and ".wav").
class RecordingSoundPlayer final : public SoundPlayer
{
public:
    void play(const QString& path) override { played.append(QFileInfo(path).completeBaseName()); }
    void preload(const QString& path) override { preloaded.append(QFileInfo(path).completeBaseName()); }
    QStringList played, preloaded;
};

class FakeTrayItem final : public TrayItem
{
public:
    bool hasButton() const override { return button; }
    void setIcon(Icon icon) override { current = icon; }
    Icon icon() const override { return current; }
    QString title() const override { return currentTitle; }
    void setTitle(const QString& title, bool shown) override
    {
        currentTitle = title;
        titleShown = shown;
    }
    void setMenu(const Menu& m) override
    {
        menu = m;
        ++menuSets;
    }
    void setHandlers(Handlers) override {}
    void showMessage(const QString&, const QString&) override {}

    Icon current = Icon::Timer;
    QString currentTitle;
    bool titleShown = false;
    Menu menu;
    int menuSets = 0;
    bool button = true;
};

// Requests held until the test answers them (GETs in `fetched`, by calling their `done`).
class FakeHttpClient final : public HttpClient
{
public:
    struct Request
    {
        QUrl url;
        QJsonObject body;
        Done done;
    };
    void postJson(const QUrl& url, const QByteArray& body, Done done) override;
    void getJson(const QUrl& url, Done done) override { fetched.append({url, {}, std::move(done)}); }
    void setExtraCertificates(const QString&) override {}
    // Answers the oldest open request, or request i; false when it is not open.
    bool answer(const Reply& reply);
    bool answerAt(qsizetype i, const Reply& reply);
    QString action(qsizetype i) const;

    QList<Request> sent; // an answered request's `done` is empty
    QList<Request> fetched;
};

// Listens on the port asked for unless it is taken; a start on port 0 gets `anyPort` (0: fails).
class FakeLocalSyncServer final : public LocalSyncServer
{
public:
    void start(const QString& address, quint16 at, Started started) override
    {
        starts.append({address, at});
        const quint16 port = at ? (taken.contains(at) ? 0 : at) : anyPort;
        running = port != 0;
        started(running ? std::optional<quint16>(port) : std::nullopt);
    }
    void stop() override { running = false; }
    bool isRunning() const override { return running; }
    void setGaveUpHandler(GaveUp) override {}
    QList<LocalNetwork::Interface> interfaces() const override { return networks; }

    QList<QPair<QString, quint16>> starts;
    QList<quint16> taken;
    quint16 anyPort = 40123;
    bool running = false;
    QList<LocalNetwork::Interface> networks{{"wlan0", true, false, false, true, {"192.168.1.23"}}};
};

// Every fake together, with a folder holding the thirteen sound files and the real autostart entry.
struct FakePlatform
{
    FakePlatform();
    Platform platform() { return platform(tray); }
    Platform platform(TrayItem& onTray);

    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryPreferenceStore preferences;
    RecordingNotifier notifier;
    RecordingSoundPlayer sounds;
    FakeTrayItem tray;
    FakeLocalSyncServer localServer;
    FakeHttpClient http;
    QTemporaryDir files;
    AutostartFile autostart{files.filePath(QStringLiteral("autostart/app.pellow.Pellow.desktop")),
                            QStringLiteral("/opt/my apps/$pellow")};
};
