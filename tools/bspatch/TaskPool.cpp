#include "TaskPool.h"

#include <system_error>

namespace bspatch {

TaskPool::~TaskPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    wake_.notify_all();
    for (auto& thread : threads_) {
        thread.join();
    }
}

void TaskPool::submit(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    if (!started_) {
        started_ = true;
        try {
            while (threads_.size() < threadCount_) {
                threads_.emplace_back([this] { work(); });
            }
        } catch (const std::system_error&) {
            // Fewer helpers only means less parallelism: readers decode what nobody took.
        }
    }
    wake_.notify_one();
}

void TaskPool::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
            if (stopping_) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

}  // namespace bspatch
