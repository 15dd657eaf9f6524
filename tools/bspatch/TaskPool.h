#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace bspatch {

// A few worker threads that run submitted tasks in order. The threads start with the
// first task, so that a small patch, whose blocks its readers decode themselves, costs
// no thread start-up at all. Tasks still queued at destruction are dropped: every task
// here is work that a reader can also do itself, so nothing waits for a dropped task.
class TaskPool {
public:
    explicit TaskPool(std::size_t threads) : threadCount_(threads) {}
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;
    ~TaskPool();

    void submit(std::function<void()> task);

private:
    void work();

    std::size_t threadCount_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    bool started_ = false;
    bool stopping_ = false;
};

}  // namespace bspatch
