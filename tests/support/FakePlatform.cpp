#include "FakePlatform.h"

#include "core/SoundCatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QUrlQuery>

#include <cmath>

Scheduler::TaskId FakeScheduler::after(double seconds, Task task)
{
    const TaskId id = m_nextId++;
    m_tasks.emplace(id, Entry{m_clock.current + seconds, 0, std::move(task)});
    return id;
}

Scheduler::TaskId FakeScheduler::every(double seconds, Task task)
{
    const TaskId id = m_nextId++;
    m_tasks.emplace(id, Entry{m_clock.current + seconds, seconds, std::move(task)});
    return id;
}

int FakeScheduler::repeatingCount() const
{
    int n = 0;
    for (const auto& [id, entry] : m_tasks)
        n += entry.interval > 0 ? 1 : 0;
    return n;
}

void FakeScheduler::advance(double seconds)
{
    const double end = m_clock.current + seconds;
    for (;;) {
        // The earliest due task; ties run in the order they were scheduled.
        auto next = m_tasks.end();
        for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it)
            if (it->second.due <= end + 1e-9 && (next == m_tasks.end() || it->second.due < next->second.due))
                next = it;
        if (next == m_tasks.end())
            break;
        m_clock.current = std::max(m_clock.current, next->second.due);
        const TaskId id = next->first;
        Task task = next->second.task;
        if (next->second.interval > 0)
            next->second.due += next->second.interval;
        else
            m_tasks.erase(next);
        task();
        static_cast<void>(id);
    }
    m_clock.current = end;
}

void RecordingSoundPlayer::play(const QString& filePath)
{
    played.append(QFileInfo(filePath).completeBaseName());
}

void RecordingSoundPlayer::preload(const QString& filePath)
{
    preloaded.append(QFileInfo(filePath).completeBaseName());
}

void FakeTrayItem::setTitle(const QString& title, bool shown)
{
    currentTitle = title;
    titleShown = shown;
    ++titleSets;
}

void FakeTrayItem::setMenu(const Menu& m)
{
    menu = m;
    ++menuSets;
}

FakePlatform::FakePlatform()
{
    for (const auto& sound : SoundCatalogue::allSounds()) {
        QFile file(soundDir.filePath(sound.name + QStringLiteral(".wav")));
        if (file.open(QIODevice::WriteOnly))
            file.write("RIFF");
    }
}

Platform FakePlatform::platform()
{
    return Platform{clock, scheduler, preferences, notifier,         sounds,
                    tray,  http,      autostart,   {soundDir.path()}};
}

void FakeHttpClient::postJson(const QUrl& url, const QByteArray& body, Done done)
{
    sent.append({url, QJsonDocument::fromJson(body).object(), std::move(done)});
}

bool FakeHttpClient::answer(const Reply& reply)
{
    if (answered >= sent.size())
        return false;
    const Done done = sent[answered++].done;
    done(reply);
    return true;
}

QString FakeHttpClient::action(qsizetype i) const
{
    return QUrlQuery(sent.value(i).url).queryItemValue(QStringLiteral("action"));
}
