#include "QtScheduler.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

Scheduler::TaskId QtScheduler::after(double seconds, Task task)
{
    return start(seconds, false, std::move(task));
}

Scheduler::TaskId QtScheduler::every(double seconds, Task task)
{
    return start(seconds, true, std::move(task));
}

void QtScheduler::cancel(TaskId id)
{
    if (QTimer* timer = m_timers.take(id)) {
        timer->stop();
        timer->deleteLater();
    }
}

Scheduler::TaskId QtScheduler::start(double seconds, bool repeating, Task task)
{
    const TaskId id = m_nextId++;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    // Rounded up, so a task never runs before its time.
    timer->setInterval(static_cast<int>(std::ceil(std::clamp(seconds, 0.0, 86400.0) * 1000.0)));
    connect(timer, &QTimer::timeout, this, [this, id, repeating, task = std::move(task)] {
        if (!repeating)
            cancel(id);
        task();
    });
    m_timers.insert(id, timer);
    timer->start();
    return id;
}
