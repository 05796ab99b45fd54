#pragma once

#include <QtGlobal>

#include <functional>

// Delayed and repeating work on the main thread. Callers guard their tasks against the
// controller's destruction themselves (a QPointer captured in the task).
class Scheduler
{
public:
    using Task = std::function<void()>;
    using TaskId = quint64;

    virtual ~Scheduler() = default;
    virtual TaskId after(double seconds, Task task) = 0;
    // Fires every `seconds` with precise timing until cancelled.
    virtual TaskId every(double seconds, Task task) = 0;
    virtual void cancel(TaskId id) = 0;
};
