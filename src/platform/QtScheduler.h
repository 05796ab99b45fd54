#pragma once

#include "Scheduler.h"

#include <QHash>
#include <QObject>

class QTimer;

class QtScheduler final : public QObject, public Scheduler
{
public:
    explicit QtScheduler(QObject* parent = nullptr) : QObject(parent) {}

    TaskId after(double seconds, Task task) override;
    TaskId every(double seconds, Task task) override;
    void cancel(TaskId id) override;

private:
    TaskId start(double seconds, bool repeating, Task task);

    QHash<TaskId, QTimer*> m_timers;
    TaskId m_nextId = 1;
};
