#pragma once

#include <QHash>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

// Every open connection of the front end, counted per client and in all, with the time its
// current request began. The caps are soft: a connection opened over one is still accepted
// so that its request can be answered 503; only a client holding twice its cap is refused at
// once. sweep() ends the connections whose time is up, so no connection holds a slot longer
// than the request limit without sending a whole request.
class ConnectionTable
{
public:
    using Clock = std::chrono::steady_clock;

    struct Limits
    {
        int total = 1000;
        int perClient = 32;
        Clock::duration request = std::chrono::seconds(10); // idle or receiving a request
        Clock::duration reply = std::chrono::seconds(30);   // handling and sending the reply
    };

    enum class Phase
    {
        Idle,      // waiting for a request: new, or its last reply sent
        Receiving, // request line seen, headers or body coming
        Answering, // the whole request is in: handling it and sending the reply
    };

    struct Entry
    {
        int fd = -1;
        QString address;
        QString key;
        Clock::time_point since;
        Phase phase = Phase::Idle;
        bool overCap = false;               // opened while its client or the server was at its cap
        bool requested = false;             // has had a request line
        std::atomic<bool> timedOut = false; // ended by sweep(); read without the lock
    };

    explicit ConnectionTable(Limits limits) : m_limits(limits) {}

    const Limits& limits() const { return m_limits; }

    // False when the client already holds twice its cap: the connection is closed unanswered.
    bool mayAccept(const QString& key) const;

    Entry* open(int fd, const QString& address, const QString& key, Clock::time_point now);
    void close(Entry* entry);
    // A request line arrived; the time a request may take is counted from here on a connection
    // that has answered before, from the connection's start on a new one.
    void requestBegan(Entry* entry, Clock::time_point now);
    void setPhase(Entry* entry, Phase phase, Clock::time_point now);

    // Calls expire() once, under the table's lock, for each connection whose time is up.
    void sweep(Clock::time_point now, const std::function<void(Entry&)>& expire);

    int size() const;

private:
    const Limits m_limits;
    mutable std::mutex m_mutex;
    std::unordered_map<Entry*, std::unique_ptr<Entry>> m_entries;
    QHash<QString, int> m_perClient;
};
