#include "FakePlatform.h"

#include "core/SoundCatalogue.h"

#include <QFile>
#include <QJsonDocument>
#include <QUrlQuery>

#include <algorithm>
#include <utility>

Scheduler::TaskId FakeScheduler::add(double seconds, double interval, Task task)
{
    const TaskId id = m_nextId++;
    m_tasks.emplace(id, Entry{m_clock.current + seconds, interval, std::move(task)});
    return id;
}

int FakeScheduler::repeatingCount() const
{
    return int(
        std::count_if(m_tasks.begin(), m_tasks.end(), [](const auto& t) { return t.second.interval > 0; }));
}

void FakeScheduler::advance(double seconds)
{
    const double end = m_clock.current + seconds;
    for (;;) {
        // Ties run in the order they were scheduled.
        const auto next = std::min_element(m_tasks.begin(), m_tasks.end(), [](const auto& a, const auto& b) {
            return a.second.due < b.second.due;
        });
        if (next == m_tasks.end() || next->second.due > end + 1e-9)
            break;
        m_clock.current = std::max(m_clock.current, next->second.due);
        const Task task = next->second.task;
        if (next->second.interval > 0)
            next->second.due += next->second.interval;
        else
            m_tasks.erase(next);
        task();
    }
    m_clock.current = end;
}

void FakeHttpClient::postJson(const QUrl& url, const QByteArray& body, Done done)
{
    sent.append({url, QJsonDocument::fromJson(body).object(), std::move(done)});
}

bool FakeHttpClient::answer(const Reply& reply)
{
    const auto open = std::find_if(sent.begin(), sent.end(), [](const Request& r) { return bool(r.done); });
    return answerAt(open - sent.begin(), reply);
}

bool FakeHttpClient::answerAt(qsizetype i, const Reply& reply)
{
    if (i >= sent.size() || !sent[i].done)
        return false;
    const Done done = std::exchange(sent[i].done, nullptr);
    done(reply);
    return true;
}

QString FakeHttpClient::action(qsizetype i) const
{
    return QUrlQuery(sent.value(i).url).queryItemValue(QStringLiteral("action"));
}

FakePlatform::FakePlatform()
{
    for (const auto& sound : SoundCatalogue::allSounds()) {
        QFile file(files.filePath(sound.name + QStringLiteral(".wav")));
        if (file.open(QIODevice::WriteOnly))
            file.write("RIFF");
    }
}

Platform FakePlatform::platform(TrayItem& onTray)
{
    return Platform{clock, scheduler, preferences, notifier,    sounds,        onTray,
                    http,  http,      autostart,   localServer, {files.path()}};
}
