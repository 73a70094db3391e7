#pragma once

#include <atomic>
#include <memory>

// Numbers background requests of one kind so that only the newest one's result is used. The
// count is shared with the pool threads: a task that has been superseded before it starts can
// skip its work instead of holding up the newest request behind it.
class RequestCounter
{
public:
    RequestCounter()
        : m_latest(std::make_shared<std::atomic<int>>(0))
    { }

    // Starts a new request and returns its number.
    int next() { return ++*m_latest; }
    int latest() const { return m_latest->load(); }
    bool isLatest(int request) const { return request == m_latest->load(); }

    // A copy for a task: the task asks it whether it is still wanted.
    std::shared_ptr<const std::atomic<int>> shared() const { return m_latest; }

private:
    std::shared_ptr<std::atomic<int>> m_latest;
};
