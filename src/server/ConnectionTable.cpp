#include "ConnectionTable.h"

bool ConnectionTable::mayAccept(const QString& key) const
{
    const std::lock_guard lock(m_mutex);
    return m_perClient.value(key) < 2 * m_limits.perClient;
}

ConnectionTable::Entry* ConnectionTable::open(int fd, const QString& address, const QString& key,
                                              Clock::time_point now)
{
    auto entry = std::make_unique<Entry>();
    entry->fd = fd;
    entry->address = address;
    entry->key = key;
    entry->since = now;
    const std::lock_guard lock(m_mutex);
    int& count = m_perClient[key];
    entry->overCap = count >= m_limits.perClient || int(m_entries.size()) >= m_limits.total;
    ++count;
    Entry* raw = entry.get();
    m_entries.emplace(raw, std::move(entry));
    return raw;
}

void ConnectionTable::close(Entry* entry)
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(entry);
    if (found == m_entries.end())
        return;
    const auto count = m_perClient.find(entry->key);
    if (count != m_perClient.end() && --count.value() <= 0)
        m_perClient.erase(count);
    m_entries.erase(found);
}

void ConnectionTable::requestBegan(Entry* entry, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    if (entry->requested)
        entry->since = now;
    entry->requested = true;
    entry->phase = Phase::Receiving;
}

void ConnectionTable::setPhase(Entry* entry, Phase phase, Clock::time_point now)
{
    const std::lock_guard lock(m_mutex);
    entry->phase = phase;
    entry->since = now;
}

void ConnectionTable::sweep(Clock::time_point now, const std::function<void(Entry&)>& expire)
{
    const std::lock_guard lock(m_mutex);
    for (auto& [raw, entry] : m_entries) {
        if (entry->timedOut)
            continue;
        const Clock::duration allowed = entry->phase == Phase::Answering ? m_limits.reply : m_limits.request;
        if (now - entry->since < allowed)
            continue;
        entry->timedOut = true;
        expire(*entry);
    }
}

int ConnectionTable::size() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_entries.size());
}
